// A stand-in service library for the binding tests. FAKE_INIT_RESULT sets what Init returns;
// FAKE_WITHOUT_STATUS_SET_FEATURE leaves one of the twelve entry points out. The keyboard is
// never present, so a bound link sends nothing.
#include "hidserv/hidserv.h"

extern "C" {

int Debug(void) {
    return 1;
}
int Init(int) {
    return FAKE_INIT_RESULT;
}
int End(void) {
    return 1;
}
int RequestGetDeviceCount(const HidServDescriptor*, HidServCallback, uint32_t, uint32_t*) {
    return 0;
}
int DeleteRequestFromUnitId(uint32_t) {
    return 1;
}
int DeleteRequestFromHandle(void*) {
    return 1;
}
int RequestWrite(const HidServDescriptor*, HidServCallback, uint32_t, const uint8_t*, uint32_t,
                 uint32_t*) {
    return 0;
}
int RequestWriteOne(const HidServDescriptor*, HidServCallback, uint32_t, const uint8_t*, uint32_t,
                    uint32_t*) {
    return 0;
}
int RequestStatusWrite(const HidServDescriptor*, HidServCallback, uint32_t, const uint8_t*,
                       uint32_t, uint32_t* unitId) {
    *unitId = 3;
    return 1;
}
int RequestStatusGet(const HidServDescriptor*, HidServCallback, uint32_t, uint8_t*, uint32_t,
                     uint32_t*) {
    return 0;
}
int RequestAsyncRead(const HidServDescriptor*, HidServCallback, uint32_t tag, uint32_t* unitId) {
    *unitId = tag;
    return 1;
}
#ifndef FAKE_WITHOUT_STATUS_SET_FEATURE
int RequestStatusSetFeature(const HidServDescriptor*, HidServCallback, uint32_t, const uint8_t*,
                            uint32_t, uint32_t*) {
    return 0;
}
#endif
}
