#pragma once
// The hand-over of control-interface replies from the service library's thread to the
// transaction waiting for them. Data is accepted only while an attempt is open; anything
// delivered outside one (late or unsolicited) is dropped.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>

namespace quorvel {

class ReplySlot {
public:
    // Opens the slot for one attempt; a reply delivered from now on is copied into buffer.
    void Open(uint8_t* buffer, uint32_t capacity);
    // Waits up to timeout for a reply and closes the slot whatever happens, so the caller may
    // read its buffer afterwards without racing the callback. Returns the received length.
    std::optional<uint32_t> WaitAndClose(std::chrono::milliseconds timeout);
    void Close();
    // Ends the wait in progress and every later one at once, without a reply (shutdown).
    void Cancel();

    // Called on the service library's thread with each control-interface report.
    void Deliver(const uint8_t* data, uint32_t length);

    bool Busy();

private:
    std::mutex mutex_;
    std::condition_variable delivered_;
    bool busy_ = false;
    bool signalled_ = false;
    bool cancelled_ = false;
    uint8_t* buffer_ = nullptr;
    uint32_t capacity_ = 0;
    uint32_t receivedLength_ = 0;
};

}  // namespace quorvel
