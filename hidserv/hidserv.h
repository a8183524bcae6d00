/* C ABI of a HID service library (libHidServ.so, libHidServVirtual.so).
 *
 * The program loads the library with dlopen by bare name from its own folder and looks up the
 * twelve entry points below by name. Every entry point returns int. Records are little-endian
 * and are read field by field at the documented offsets (use memcpy, not casts).
 */
#ifndef QUORVEL_HIDSERV_H
#define QUORVEL_HIDSERV_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Interface descriptor, 16 bytes, passed with every request to select one interface:
 *   0  u32 match flags (always 0x0000000F)
 *   4  u16 USB vendor id
 *   6  u16 USB product id
 *   8  u16 HID usage page of the interface
 *  10  u16 HID usage of the interface
 *  12  u32 reserved, 0 */
typedef struct HidServDescriptor {
    uint8_t bytes[16];
} HidServDescriptor;

/* Notification record handed to the callback (by pointer, valid only during the call):
 *   0  u32 kind: 1 = input data received, 0 = number of matching devices changed
 *   8  pointer to the request record
 * Request record:
 *   0  u32 the request's tag
 *   4  u32 kind 1: number of data bytes; kind 0: the new number of matching interfaces
 *   8  pointer to the data (kind 1)
 *  16  pointer to the decoded-report record (kind 1); the pointer at its offset 28
 *      addresses the 16-bit consumer code of a consumer report */
enum {
    HIDSERV_NOTIFY_DATA = 1,
    HIDSERV_NOTIFY_COUNT = 0,
    HIDSERV_NOTIFY_SIZE = 16,
    HIDSERV_REQUEST_SIZE = 24,
    HIDSERV_DECODED_SIZE = 40,
    HIDSERV_DECODED_CODE_PTR_OFFSET = 28
};

typedef int (*HidServCallback)(const void* notification);

/* 1. Debug: diagnostics hook; the program never calls it. */
typedef int (*HidServDebugFn)(void);
/* 2. Init: prepares the library; the argument is 0. A result > 0 means ready. */
typedef int (*HidServInitFn)(int);
/* 3. End: releases everything; the program never calls it. */
typedef int (*HidServEndFn)(void);
/* 4. RequestGetDeviceCount: number of present interfaces matching the descriptor
 *    (0 = absent). Callback, tag and unitId may be null/0. */
typedef int (*HidServRequestGetDeviceCountFn)(const HidServDescriptor*, HidServCallback, uint32_t,
                                              uint32_t*);
/* 5. DeleteRequestFromUnitId: removes a registration made earlier (0 does nothing). */
typedef int (*HidServDeleteRequestFromUnitIdFn)(uint32_t);
/* 6. DeleteRequestFromHandle: removes a registration by library handle. */
typedef int (*HidServDeleteRequestFromHandleFn)(void*);
/* 7, 8, 9, 12. Writes of data of the given length to the matching interface; > 0 = written.
 *   RequestWrite             output report, queued
 *   RequestWriteOne          one 64-byte output report, byte 0 is the report id; written
 *                            before the call returns
 *   RequestStatusWrite       the 2-byte indicator (LED) report; stores a unit id
 *   RequestStatusSetFeature  a feature report */
typedef int (*HidServWriteFn)(const HidServDescriptor*, HidServCallback, uint32_t, const uint8_t*,
                              uint32_t, uint32_t*);
/* 10. RequestStatusGet: reads a feature/status report into data. Result = bytes read. */
typedef int (*HidServStatusGetFn)(const HidServDescriptor*, HidServCallback, uint32_t, uint8_t*,
                                  uint32_t, uint32_t*);
/* 11. RequestAsyncRead: standing request; from now on the callback receives every input
 *     report of the matching interface (kind 1) and every change in the number of matching
 *     interfaces (kind 0), each with the tag. Stores a unit id in *unitId. */
typedef int (*HidServAsyncReadFn)(const HidServDescriptor*, HidServCallback, uint32_t, uint32_t*);

/* Optional, looked up apart from the twelve: a library without it still binds, and the program
 * then knows nothing of the keyboard from one run to the next.
 * PlugIdentity: writes a NUL-terminated text "DEVICE#PLUG" naming the current plug-in of the
 *   matching interface: DEVICE stays the same for one attachment point (a USB port, a virtual
 *   keyboard's socket), PLUG changes with every plug-in and every restart of whatever serves
 *   the keyboard. Result: the text's length without the NUL; 0 when the keyboard is absent,
 *   the identity is unknown or the text does not fit capacity. */
typedef int (*HidServPlugIdentityFn)(const HidServDescriptor*, char*, uint32_t);
#define HIDSERV_PLUG_IDENTITY_NAME "PlugIdentity"

/* Entry point names, in the order the program looks them up. */
#define HIDSERV_ENTRY_POINTS(X)      \
    X(Debug)                         \
    X(Init)                          \
    X(End)                           \
    X(RequestGetDeviceCount)         \
    X(DeleteRequestFromUnitId)       \
    X(DeleteRequestFromHandle)       \
    X(RequestWrite)                  \
    X(RequestWriteOne)               \
    X(RequestStatusWrite)            \
    X(RequestStatusGet)              \
    X(RequestAsyncRead)              \
    X(RequestStatusSetFeature)

/* The exports a service library provides. */
int Debug(void);
int Init(int reserved);
int End(void);
int RequestGetDeviceCount(const HidServDescriptor* desc, HidServCallback callback, uint32_t tag,
                          uint32_t* unitId);
int DeleteRequestFromUnitId(uint32_t unitId);
int DeleteRequestFromHandle(void* handle);
int RequestWrite(const HidServDescriptor* desc, HidServCallback callback, uint32_t tag,
                 const uint8_t* data, uint32_t length, uint32_t* unitId);
int RequestWriteOne(const HidServDescriptor* desc, HidServCallback callback, uint32_t tag,
                    const uint8_t* data, uint32_t length, uint32_t* unitId);
int RequestStatusWrite(const HidServDescriptor* desc, HidServCallback callback, uint32_t tag,
                       const uint8_t* data, uint32_t length, uint32_t* unitId);
int RequestStatusGet(const HidServDescriptor* desc, HidServCallback callback, uint32_t tag,
                     uint8_t* data, uint32_t length, uint32_t* unitId);
int RequestAsyncRead(const HidServDescriptor* desc, HidServCallback callback, uint32_t tag,
                     uint32_t* unitId);
int RequestStatusSetFeature(const HidServDescriptor* desc, HidServCallback callback, uint32_t tag,
                            const uint8_t* data, uint32_t length, uint32_t* unitId);
int PlugIdentity(const HidServDescriptor* desc, char* text, uint32_t capacity);

#ifdef __cplusplus
}
#endif

#endif
