// The twelve entry points of libHidServVirtual.so, and the optional PlugIdentity.
#include <cstring>
#include <optional>
#include <string>

#include "base/byte_order.h"
#include "hidserv/hidserv.h"
#include "hidserv/virtual/virtual_service.h"

#define HIDSERV_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using quorvel::hidserv::VirtualService;
using quorvel::vkbd::Interface;

constexpr uint16_t VENDOR_ID = 0x0C45;
constexpr uint16_t PRODUCT_ID = 0x7A3D;
constexpr int DESC_VENDOR = 4;
constexpr int DESC_PRODUCT = 6;
constexpr int DESC_USAGE_PAGE = 8;
constexpr int DESC_USAGE = 10;

struct InterfaceUsage {
    Interface iface;
    uint16_t usagePage;
    uint16_t usage;
};
constexpr InterfaceUsage INTERFACES[] = {
    {quorvel::vkbd::IFACE_CTRL, 0xFF1C, 0x0092},
    {quorvel::vkbd::IFACE_CONS, 0x000C, 0x0001},
    {quorvel::vkbd::IFACE_LED, 0x0008, 0x0089},
};

std::optional<Interface> Match(const HidServDescriptor* desc) {
    if (!desc) return std::nullopt;
    const uint8_t* bytes = desc->bytes;
    if (quorvel::ReadLe16(bytes + DESC_VENDOR) != VENDOR_ID ||
        quorvel::ReadLe16(bytes + DESC_PRODUCT) != PRODUCT_ID)
        return std::nullopt;
    for (const auto& known : INTERFACES)
        if (quorvel::ReadLe16(bytes + DESC_USAGE_PAGE) == known.usagePage &&
            quorvel::ReadLe16(bytes + DESC_USAGE) == known.usage)
            return known.iface;
    return std::nullopt;
}

}  // namespace

HIDSERV_EXPORT int Debug(void) {
    return 0;
}

HIDSERV_EXPORT int Init(int) {
    return VirtualService::Instance().Init() ? 1 : 0;
}

HIDSERV_EXPORT int End(void) {
    VirtualService::Instance().End();
    return 1;
}

HIDSERV_EXPORT int RequestGetDeviceCount(const HidServDescriptor* desc, HidServCallback, uint32_t,
                                         uint32_t*) {
    return Match(desc) ? VirtualService::Instance().Count() : 0;
}

HIDSERV_EXPORT int DeleteRequestFromUnitId(uint32_t unitId) {
    if (unitId != 0) VirtualService::Instance().Unregister(unitId);
    return 1;
}

HIDSERV_EXPORT int DeleteRequestFromHandle(void*) {
    return 0;
}

HIDSERV_EXPORT int RequestWriteOne(const HidServDescriptor* desc, HidServCallback, uint32_t,
                                   const uint8_t* data, uint32_t length, uint32_t*) {
    if (Match(desc) != quorvel::vkbd::IFACE_CTRL) return 0;
    return VirtualService::Instance().WriteControl(data, length);
}

// The keyboard's control interface has no separate output queue: a queued write is one frame.
HIDSERV_EXPORT int RequestWrite(const HidServDescriptor* desc, HidServCallback callback,
                                uint32_t tag, const uint8_t* data, uint32_t length,
                                uint32_t* unitId) {
    return RequestWriteOne(desc, callback, tag, data, length, unitId);
}

HIDSERV_EXPORT int RequestStatusWrite(const HidServDescriptor* desc, HidServCallback, uint32_t,
                                      const uint8_t* data, uint32_t length, uint32_t* unitId) {
    if (Match(desc) != quorvel::vkbd::IFACE_LED) return 0;
    int written = VirtualService::Instance().WriteIndicator(data, length);
    if (unitId) *unitId = VirtualService::Instance().NewUnitId();
    return written;
}

// The keyboard has no feature reports.
HIDSERV_EXPORT int RequestStatusGet(const HidServDescriptor*, HidServCallback, uint32_t, uint8_t*,
                                    uint32_t, uint32_t*) {
    return 0;
}

HIDSERV_EXPORT int RequestStatusSetFeature(const HidServDescriptor*, HidServCallback, uint32_t,
                                           const uint8_t*, uint32_t, uint32_t*) {
    return 0;
}

HIDSERV_EXPORT int RequestAsyncRead(const HidServDescriptor* desc, HidServCallback callback,
                                    uint32_t tag, uint32_t* unitId) {
    auto iface = Match(desc);
    if (!iface || !callback) return 0;
    uint32_t id = VirtualService::Instance().Register(*iface, callback, tag);
    if (unitId) *unitId = id;
    return 1;
}

HIDSERV_EXPORT int PlugIdentity(const HidServDescriptor* desc, char* text, uint32_t capacity) {
    if (!Match(desc) || !text) return 0;
    const std::string identity = VirtualService::Instance().PlugIdentity();
    if (identity.empty() || identity.size() >= capacity) return 0;
    std::memcpy(text, identity.c_str(), identity.size() + 1);
    return static_cast<int>(identity.size());
}
