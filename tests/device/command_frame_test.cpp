#include "device/command_frame.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace quorvel {
namespace {

TEST(CommandFrame, ChecksumCoversBytesThreeToEnd) {
    std::array<uint8_t, 56> data;
    data.fill(0xFF);
    CommandFrame full = BuildCommandFrame(0xFF, 0xFF, 0xFFFF, data);
    // 61 bytes of 0xFF; byte 7 stays 0 in a request, so 60 of them count.
    EXPECT_EQ(FrameChecksum(full), 60 * 0xFF);
    EXPECT_EQ(full[1], (60 * 0xFF) & 0xFF);
    EXPECT_EQ(full[2], (60 * 0xFF) >> 8);
    EXPECT_EQ(full[0], 0x04);
    EXPECT_EQ(full[7], 0x00);

    full[FRAME_STATUS_OFFSET] = 0xFF;
    EXPECT_EQ(FrameChecksum(full), 15555);
}

TEST(CommandFrame, FieldsAndDataArea) {
    const std::vector<uint8_t> data = {0xAA, 0xBB, 0xCC};
    CommandFrame frame = BuildCommandFrame(OP_WRITE_PARAMS, 3, 0x0154, data);
    EXPECT_EQ(frame[3], OP_WRITE_PARAMS);
    EXPECT_EQ(frame[4], 3);
    EXPECT_EQ(frame[5], 0x54);
    EXPECT_EQ(frame[6], 0x01);
    EXPECT_EQ(frame[8], 0xAA);
    EXPECT_EQ(frame[10], 0xCC);
    EXPECT_EQ(frame[11], 0x00);
    unsigned sum = OP_WRITE_PARAMS + 3 + 0x54 + 0x01 + 0xAA + 0xBB + 0xCC;
    EXPECT_EQ(frame[1] | (frame[2] << 8), sum);

    // More than one data area never spills past the frame.
    std::vector<uint8_t> tooLong(80, 0x11);
    CommandFrame cut = BuildCommandFrame(OP_WRITE_PARAMS, 56, 0, tooLong);
    EXPECT_EQ(cut[63], 0x11);
}

}  // namespace
}  // namespace quorvel
