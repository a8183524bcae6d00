#include "device/command_frame.h"

#include <algorithm>

#include "base/byte_order.h"

namespace quorvel {

uint16_t FrameChecksum(const CommandFrame& frame) {
    unsigned sum = 0;
    for (size_t i = FRAME_COMMAND_OFFSET; i < COMMAND_FRAME_SIZE; ++i) sum += frame[i];
    return static_cast<uint16_t>(sum);
}

CommandFrame BuildCommandFrame(uint8_t command, uint8_t lengthOrSubCode, uint16_t address,
                               std::span<const uint8_t> data) {
    CommandFrame frame{};
    frame[0] = FRAME_REPORT_ID;
    frame[FRAME_COMMAND_OFFSET] = command;
    frame[FRAME_LENGTH_OFFSET] = lengthOrSubCode;
    WriteLe16(&frame[FRAME_ADDRESS_OFFSET], address);
    std::copy_n(data.begin(), std::min(data.size(), FRAME_DATA_SIZE), &frame[FRAME_DATA_OFFSET]);
    WriteLe16(&frame[FRAME_CHECKSUM_OFFSET], FrameChecksum(frame));
    return frame;
}

}  // namespace quorvel
