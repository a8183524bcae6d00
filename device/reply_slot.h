#pragma once
// The hand-over of control-interface replies from the service library's thread to the
// transaction waiting for them. A report is accepted only while an attempt is open and only if
// it answers that attempt's request; anything else (late, duplicated or unsolicited) is dropped
// and the wait goes on.
//
// A report answers a request when it is one whole frame and echoes the request's command code.
// Keyboards that also echo the address (bytes 5-6) are recognised by the first reply that does so
// for a non-zero address; from then on the address must match too, so that a late reply to one
// chunk of a transfer is never taken for the next chunk, which has the same command code.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>

namespace quorvel {

class ReplySlot {
public:
    // Opens the slot for one attempt of request (a full command frame); a reply to it delivered
    // from now on is copied into buffer.
    void Open(const uint8_t* request, uint8_t* buffer, uint32_t capacity);
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
    bool Answers(const uint8_t* data, uint32_t length);

    std::mutex mutex_;
    std::condition_variable delivered_;
    bool busy_ = false;
    bool signalled_ = false;
    bool cancelled_ = false;
    uint8_t* buffer_ = nullptr;
    uint32_t capacity_ = 0;
    uint32_t receivedLength_ = 0;
    uint8_t expectedCommand_ = 0;
    uint16_t expectedAddress_ = 0;
    bool echoesAddresses_ = false;
};

}  // namespace quorvel
