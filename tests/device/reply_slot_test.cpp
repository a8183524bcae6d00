// Which reports the reply slot takes as the answer to the open request. The keyboard side of
// this (late and repeated replies in a real transfer) is in tests/faults/late_reply_test.cpp.
#include "device/reply_slot.h"

#include <gtest/gtest.h>

#include <vector>

#include "device/command_frame.h"

namespace quorvel {
namespace {

constexpr auto NO_WAIT = std::chrono::milliseconds(5);

CommandFrame Frame(uint8_t command, uint16_t address, uint8_t data = 0) {
    CommandFrame frame{};
    frame[0] = FRAME_REPORT_ID;
    frame[FRAME_COMMAND_OFFSET] = command;
    frame[FRAME_ADDRESS_OFFSET] = uint8_t(address);
    frame[FRAME_ADDRESS_OFFSET + 1] = uint8_t(address >> 8);
    frame[FRAME_DATA_OFFSET] = data;
    return frame;
}

class ReplySlotMatching : public ::testing::Test {
protected:
    // Opens the slot for request, delivers each report and says which one was taken (its
    // first data byte), or nullopt when the wait ended without an answer.
    std::optional<uint8_t> Exchange(const CommandFrame& request,
                                    std::initializer_list<CommandFrame> reports) {
        slot_.Open(request.data(), reply_.data(), uint32_t(reply_.size()));
        for (const CommandFrame& report : reports) slot_.Deliver(report.data(), report.size());
        if (!slot_.WaitAndClose(NO_WAIT)) return std::nullopt;
        return reply_[FRAME_DATA_OFFSET];
    }

    ReplySlot slot_;
    CommandFrame reply_{};
};

TEST_F(ReplySlotMatching, AReportForAnotherCommandIsNotAnAnswer) {
    EXPECT_EQ(Exchange(Frame(OP_BEGIN, 0), {Frame(OP_END, 0, 1)}), std::nullopt);
    EXPECT_EQ(Exchange(Frame(OP_BEGIN, 0), {Frame(OP_END, 0, 1), Frame(OP_BEGIN, 0, 2)}), 2);
}

TEST_F(ReplySlotMatching, AKeyboardThatDoesNotEchoAddressesIsMatchedByCommandAlone) {
    EXPECT_EQ(Exchange(Frame(OP_READ_KEY_BLOCK, 378), {Frame(OP_READ_KEY_BLOCK, 0, 1)}), 1);
    EXPECT_EQ(Exchange(Frame(OP_READ_KEY_BLOCK, 434), {Frame(OP_READ_KEY_BLOCK, 0, 2)}), 2);
}

TEST_F(ReplySlotMatching, OnceAddressesAreEchoedAReplyForAnotherChunkIsNotTaken) {
    ASSERT_EQ(Exchange(Frame(OP_READ_KEY_BLOCK, 378), {Frame(OP_READ_KEY_BLOCK, 378, 1)}), 1);
    // A second copy of the first chunk's reply arrives while the next chunk waits.
    EXPECT_EQ(Exchange(Frame(OP_READ_KEY_BLOCK, 434), {Frame(OP_READ_KEY_BLOCK, 378, 1)}),
              std::nullopt);
    EXPECT_EQ(Exchange(Frame(OP_READ_KEY_BLOCK, 434),
                       {Frame(OP_READ_KEY_BLOCK, 378, 1), Frame(OP_READ_KEY_BLOCK, 434, 2)}),
              2);
}

TEST_F(ReplySlotMatching, OnlyAWholeFrameIsAnAnswerWhateverItsChecksum) {
    const CommandFrame request = Frame(OP_READ_KEY_BLOCK, 0);
    slot_.Open(request.data(), reply_.data(), uint32_t(reply_.size()));
    // Left over from an earlier attempt: a short report must not leave it in place as a reply.
    reply_.fill(0xEE);
    CommandFrame answer = Frame(OP_READ_KEY_BLOCK, 0, 7);
    for (uint32_t length : {0u, 1u, 4u, 8u, 63u}) slot_.Deliver(answer.data(), length);
    std::vector<uint8_t> oversized(answer.begin(), answer.end());
    oversized.push_back(0);
    slot_.Deliver(oversized.data(), uint32_t(oversized.size()));
    EXPECT_EQ(slot_.WaitAndClose(NO_WAIT), std::nullopt);

    // A frame whose checksum bytes are wrong is still taken.
    answer[FRAME_CHECKSUM_OFFSET] = 0x5A;
    EXPECT_EQ(Exchange(request, {answer}), 7);
}

TEST_F(ReplySlotMatching, NothingIsTakenWhileNoAttemptIsOpen) {
    slot_.Deliver(Frame(OP_BEGIN, 0, 1).data(), COMMAND_FRAME_SIZE);
    EXPECT_EQ(Exchange(Frame(OP_BEGIN, 0), {}), std::nullopt);
}

}  // namespace
}  // namespace quorvel
