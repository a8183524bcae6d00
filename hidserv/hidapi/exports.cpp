// The twelve entry points the program looks up by name and the optional PlugIdentity;
// everything else stays hidden.
#include <algorithm>
#include <cstring>

#pragma GCC visibility push(default)
#include "hidserv/hidserv.h"
#pragma GCC visibility pop

#include "hidserv/hidapi/hid_service.h"
#include "hidserv/hidapi/interface_match.h"

using quorvel::HidService;
using quorvel::ReadInterfaceKey;

namespace {

constexpr uint32_t FRAME_SIZE = 64;

void StoreWriteRecord(HidServCallback callback, uint32_t* unitId) {
    if (unitId) *unitId = HidService::Instance().AddWriteRecord(callback);
}

}  // namespace

// Prints the enumerated interfaces and their state to stderr; returns how many are open.
int Debug(void) {
    return HidService::Instance().Debug();
}

int Init(int) {
    return HidService::Instance().Init();
}

int End(void) {
    return HidService::Instance().End();
}

int RequestGetDeviceCount(const HidServDescriptor* desc, HidServCallback, uint32_t, uint32_t*) {
    if (!desc) return 0;
    return HidService::Instance().DeviceCount(ReadInterfaceKey(*desc));
}

int DeleteRequestFromUnitId(uint32_t unitId) {
    return HidService::Instance().DeleteByUnitId(unitId);
}

// Registrations are made with a callback; the handle is that callback's address, and every
// registration made with it is removed.
int DeleteRequestFromHandle(void* handle) {
    return HidService::Instance().DeleteByCallback(reinterpret_cast<HidServCallback>(handle));
}

int RequestWrite(const HidServDescriptor* desc, HidServCallback callback, uint32_t,
                 const uint8_t* data, uint32_t length, uint32_t* unitId) {
    if (!desc || !data || length == 0) return 0;
    const int result =
        HidService::Instance().WriteOutput(ReadInterfaceKey(*desc), data, length, false);
    StoreWriteRecord(callback, unitId);
    return result;
}

int RequestWriteOne(const HidServDescriptor* desc, HidServCallback callback, uint32_t,
                    const uint8_t* data, uint32_t length, uint32_t* unitId) {
    if (!desc || !data || length == 0) return 0;
    // Always one whole frame: a short request is padded with zeros, a long one cut.
    uint8_t frame[FRAME_SIZE] = {};
    std::memcpy(frame, data, std::min(length, FRAME_SIZE));
    const int result =
        HidService::Instance().WriteOutput(ReadInterfaceKey(*desc), frame, FRAME_SIZE, true);
    StoreWriteRecord(callback, unitId);
    return result;
}

// The indicator report is a plain output report of the indicator interface.
int RequestStatusWrite(const HidServDescriptor* desc, HidServCallback callback, uint32_t tag,
                       const uint8_t* data, uint32_t length, uint32_t* unitId) {
    return RequestWrite(desc, callback, tag, data, length, unitId);
}

// data[0] holds the id of the feature report to read, as hidapi expects.
int RequestStatusGet(const HidServDescriptor* desc, HidServCallback, uint32_t, uint8_t* data,
                     uint32_t length, uint32_t*) {
    if (!desc || !data || length == 0) return 0;
    return HidService::Instance().GetFeature(ReadInterfaceKey(*desc), data, length);
}

int RequestAsyncRead(const HidServDescriptor* desc, HidServCallback callback, uint32_t tag,
                     uint32_t* unitId) {
    if (!desc) return 0;
    const uint32_t id =
        HidService::Instance().AddStandingRequest(ReadInterfaceKey(*desc), callback, tag);
    if (unitId) *unitId = id;
    return id != 0 ? 1 : 0;
}

int RequestStatusSetFeature(const HidServDescriptor* desc, HidServCallback callback, uint32_t,
                            const uint8_t* data, uint32_t length, uint32_t* unitId) {
    if (!desc || !data || length == 0) return 0;
    const int result = HidService::Instance().SendFeature(ReadInterfaceKey(*desc), data, length);
    StoreWriteRecord(callback, unitId);
    return result;
}

int PlugIdentity(const HidServDescriptor* desc, char* text, uint32_t capacity) {
    if (!desc || !text) return 0;
    const std::string identity = HidService::Instance().PlugIdentity(ReadInterfaceKey(*desc));
    if (identity.empty() || identity.size() >= capacity) return 0;
    std::memcpy(text, identity.c_str(), identity.size() + 1);
    return static_cast<int>(identity.size());
}
