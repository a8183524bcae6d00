// Reports on the control interface come from the keyboard, on time or not. Whatever arrives,
// a reply is taken only when it is one whole frame answering the open request.
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "device/command_frame.h"
#include "device/reply_slot.h"

using namespace quorvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ReplySlot slot;
    // Each request: one byte of command and two of address, then reports of a length byte
    // and that many bytes, until a zero length ends the attempt.
    size_t at = 0;
    while (at + 3 <= size) {
        CommandFrame request{};
        request[0] = FRAME_REPORT_ID;
        request[FRAME_COMMAND_OFFSET] = data[at];
        request[FRAME_ADDRESS_OFFSET] = data[at + 1];
        request[FRAME_ADDRESS_OFFSET + 1] = data[at + 2];
        at += 3;
        std::array<uint8_t, COMMAND_FRAME_SIZE> reply{};
        slot.Open(request.data(), reply.data(), static_cast<uint32_t>(reply.size()));
        while (at < size && data[at] != 0) {
            const size_t length = std::min<size_t>(data[at], size - at - 1);
            slot.Deliver(data + at + 1, static_cast<uint32_t>(length));
            at += 1 + length;
        }
        ++at;
        const auto received = slot.WaitAndClose(std::chrono::milliseconds(0));
        if (received && (*received != COMMAND_FRAME_SIZE ||
                         reply[FRAME_COMMAND_OFFSET] != request[FRAME_COMMAND_OFFSET]))
            std::abort();
    }
    return 0;
}
