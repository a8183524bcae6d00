#include "device/reply_slot.h"

#include <algorithm>
#include <cstring>

#include "device/command_frame.h"

namespace quorvel {

namespace {

uint16_t ReadAddress(const uint8_t* frame) {
    return uint16_t(frame[FRAME_ADDRESS_OFFSET] | frame[FRAME_ADDRESS_OFFSET + 1] << 8);
}

}  // namespace

void ReplySlot::Open(const uint8_t* request, uint8_t* buffer, uint32_t capacity) {
    std::lock_guard lock(mutex_);
    expectedCommand_ = request[FRAME_COMMAND_OFFSET];
    expectedAddress_ = ReadAddress(request);
    buffer_ = buffer;
    capacity_ = capacity;
    receivedLength_ = 0;
    signalled_ = false;
    busy_ = true;
}

std::optional<uint32_t> ReplySlot::WaitAndClose(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    bool replied = delivered_.wait_for(lock, timeout, [this] {
        return signalled_ || cancelled_;
    }) && signalled_;
    busy_ = false;
    signalled_ = false;
    buffer_ = nullptr;
    if (!replied) return std::nullopt;
    return receivedLength_;
}

void ReplySlot::Close() {
    std::lock_guard lock(mutex_);
    busy_ = false;
    signalled_ = false;
    buffer_ = nullptr;
}

void ReplySlot::Cancel() {
    {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
    }
    delivered_.notify_all();
}

bool ReplySlot::Answers(const uint8_t* data, uint32_t length) {
    // A report of another size would be read as zeros or as the previous attempt's leftovers.
    // The checksum is not looked at: keyboards may leave it unfilled.
    if (length != COMMAND_FRAME_SIZE || data[FRAME_COMMAND_OFFSET] != expectedCommand_)
        return false;
    const uint16_t address = ReadAddress(data);
    if (echoesAddresses_) return address == expectedAddress_;
    if (expectedAddress_ != 0 && address == expectedAddress_) echoesAddresses_ = true;
    return true;
}

void ReplySlot::Deliver(const uint8_t* data, uint32_t length) {
    {
        std::lock_guard lock(mutex_);
        if (!busy_ || data == nullptr || !Answers(data, length)) return;
        // Should two reports arrive within one attempt, the waiting side sees the later one.
        receivedLength_ = std::min(length, capacity_);
        std::memcpy(buffer_, data, receivedLength_);
        signalled_ = true;
    }
    delivered_.notify_one();
}

bool ReplySlot::Busy() {
    std::lock_guard lock(mutex_);
    return busy_;
}

}  // namespace quorvel
