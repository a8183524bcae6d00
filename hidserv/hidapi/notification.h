#pragma once
// The records a callback receives. The request and decoded-report records point into the same
// object, so it stays where it was built while the callback runs.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "hidserv/hidserv.h"

namespace quorvel {

class Notification {
public:
    // Kind 1: an input report; code is its decoded consumer code.
    Notification(uint32_t tag, std::vector<uint8_t> data, uint16_t code);
    // Kind 0: the number of matching interfaces changed to count.
    Notification(uint32_t tag, uint32_t count);
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    const void* Record() const { return notification_; }

private:
    void Link(uint32_t kind, uint32_t tag, uint32_t value, const void* data, const void* decoded);

    alignas(8) uint8_t notification_[HIDSERV_NOTIFY_SIZE] = {};
    alignas(8) uint8_t request_[HIDSERV_REQUEST_SIZE] = {};
    alignas(8) uint8_t decoded_[HIDSERV_DECODED_SIZE] = {};
    alignas(8) uint8_t code_[2] = {};
    std::vector<uint8_t> data_;
};

}  // namespace quorvel
