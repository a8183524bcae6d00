#include "hidserv/hidapi/notification.h"

#include <cstring>

#include "base/byte_order.h"

namespace quorvel {

// The record offsets hold 8-byte pointers.
static_assert(sizeof(void*) == 8);
static_assert(HIDSERV_DECODED_CODE_PTR_OFFSET + sizeof(void*) <= HIDSERV_DECODED_SIZE);

namespace {

void WritePointer(uint8_t* at, const void* pointer) {
    std::memcpy(at, &pointer, sizeof pointer);
}

}  // namespace

Notification::Notification(uint32_t tag, std::vector<uint8_t> data, uint16_t code)
    : data_(std::move(data)) {
    WriteLe16(code_, code);
    WritePointer(decoded_ + HIDSERV_DECODED_CODE_PTR_OFFSET, code_);
    Link(HIDSERV_NOTIFY_DATA, tag, static_cast<uint32_t>(data_.size()), data_.data(), decoded_);
}

Notification::Notification(uint32_t tag, uint32_t count) {
    Link(HIDSERV_NOTIFY_COUNT, tag, count, nullptr, nullptr);
}

void Notification::Link(uint32_t kind, uint32_t tag, uint32_t value, const void* data,
                        const void* decoded) {
    WriteLe32(notification_, kind);
    WritePointer(notification_ + 8, request_);
    WriteLe32(request_, tag);
    WriteLe32(request_ + 4, value);
    WritePointer(request_ + 8, data);
    WritePointer(request_ + 16, decoded);
}

}  // namespace quorvel
