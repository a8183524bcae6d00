// A stand-in service library for the binding tests. FAKE_INIT_RESULT sets what Init returns;
// FAKE_WITHOUT_STATUS_SET_FEATURE leaves one of the twelve entry points out. The keyboard is
// never present, so a bound link sends nothing. Registrations are written to a call log that
// tests read through FakeCallLog.
#include <cstdio>
#include <mutex>
#include <string>

#include "hidserv/hidserv.h"

namespace {

std::mutex logMutex;
std::string callLog;
uint32_t nextUnitId = 10;

void Log(const char* format, unsigned a, unsigned b = 0, unsigned c = 0) {
    char line[64];
    std::snprintf(line, sizeof line, format, a, b, c);
    std::lock_guard lock(logMutex);
    callLog += line;
    callLog += "\n";
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) const char* FakeCallLog(void) {
    std::lock_guard lock(logMutex);
    static std::string copy;
    copy = callLog;
    callLog.clear();
    return copy.c_str();
}

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
int DeleteRequestFromUnitId(uint32_t unitId) {
    Log("delete %u", unitId);
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
int RequestStatusWrite(const HidServDescriptor*, HidServCallback, uint32_t tag, const uint8_t* data,
                       uint32_t length, uint32_t* unitId) {
    *unitId = nextUnitId++;
    Log("indicator %06X %04X unit %u", tag, length == 2 ? data[0] << 8 | data[1] : 0, *unitId);
    return 1;
}
int RequestStatusGet(const HidServDescriptor*, HidServCallback, uint32_t, uint8_t*, uint32_t,
                     uint32_t*) {
    return 0;
}
int RequestAsyncRead(const HidServDescriptor*, HidServCallback, uint32_t tag, uint32_t* unitId) {
    *unitId = nextUnitId++;
    Log("subscribe %08X unit %u", tag, *unitId);
    return 1;
}
#ifndef FAKE_WITHOUT_STATUS_SET_FEATURE
int RequestStatusSetFeature(const HidServDescriptor*, HidServCallback, uint32_t, const uint8_t*,
                            uint32_t, uint32_t*) {
    return 0;
}
#endif
}
