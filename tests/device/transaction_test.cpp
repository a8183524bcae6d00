// The command transaction under the faults the virtual keyboard can inject.
#include <gtest/gtest.h>

#include <thread>

#include "device/command_frame.h"
#include "device/firmware_commands.h"
#include "device/result_codes.h"
#include "linked_keyboard.h"

namespace quorvel {
namespace {

using testing::LinkedKeyboard;

class Transaction : public LinkedKeyboard {};

TEST_F(Transaction, RepeatedErrorStatusIsHandedBackAndMapped) {
    struct Case {
        const char* status;
        uint8_t byte;
        int mapped;
    };
    for (const Case& c : {Case{"fe", 0xFE, CMD_STATUS_FE}, Case{"ff", 0xFF, CMD_STATUS_FF}}) {
        SCOPED_TRACE(c.status);
        keyboard_->Run({"fault", "status", c.status, "3"});
        size_t mark = keyboard_->TraceMark();
        CommandFrame request = BuildCommandFrame(OP_BEGIN, 0, 0);
        CommandFrame reply{};
        uint32_t received = 99;
        EXPECT_EQ(link_->TransactCommand(request.data(), request.size(), reply.data(), reply.size(),
                                         &received),
                  CMD_OK);
        EXPECT_EQ(received, 64u);
        EXPECT_EQ(reply[FRAME_STATUS_OFFSET], c.byte);
        EXPECT_EQ(keyboard_->FramesSentSince(mark).size(), 3u);

        keyboard_->Run({"fault", "status", c.status, "3"});
        mark = keyboard_->TraceMark();
        EXPECT_EQ(BeginSession(*link_), c.mapped);
        EXPECT_EQ(keyboard_->FramesSentSince(mark).size(), 3u);
    }
}

TEST_F(Transaction, ErrorStatusOnceIsRetriedAway) {
    keyboard_->Run({"fault", "status", "ff", "2"});
    size_t mark = keyboard_->TraceMark();
    EXPECT_EQ(BeginSession(*link_), CMD_OK);
    EXPECT_EQ(keyboard_->FramesSentSince(mark).size(), 3u);
}

TEST_F(Transaction, WrongEchoThreeTimesIsNoReply) {
    keyboard_->Run({"fault", "echo", "3"});
    size_t mark = keyboard_->TraceMark();
    SettingsBlock settings{};
    EXPECT_EQ(ReadSettingsBlock(*link_, settings), CMD_NO_REPLY);
    auto frames = keyboard_->FramesSentSince(mark);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0], frames[2]);  // a retry resends the identical frame
}

TEST_F(Transaction, ShortRequestIsPaddedAndReplyCutToCapacity) {
    const uint8_t shortRequest[] = {0x04, 0x01, 0x00, 0x01};
    uint8_t reply[16];
    uint32_t received = 0;
    size_t mark = keyboard_->TraceMark();
    EXPECT_EQ(
        link_->TransactCommand(shortRequest, sizeof shortRequest, reply, sizeof reply, &received),
        CMD_OK);
    EXPECT_EQ(received, sizeof reply);
    EXPECT_EQ(reply[FRAME_COMMAND_OFFSET], OP_BEGIN);
    EXPECT_EQ(keyboard_->FramesSentSince(mark),
              std::vector<std::string>{FrameHex({0x04, 0x01, 0x00, 0x01})});
}

TEST_F(Transaction, LateReplyIsDroppedAndUnsolicitedDataIgnored) {
    // Without a transaction waiting, control data goes nowhere.
    const CommandFrame stray = BuildCommandFrame(OP_READ_SETTINGS_BLOCK, 44, 0);
    link_->OnControlData(static_cast<uint32_t>(stray.size()), stray.data());

    keyboard_->Run({"fault", "delay", "1300", "1"});
    size_t mark = keyboard_->TraceMark();
    EXPECT_EQ(BeginSession(*link_), CMD_OK);  // the first attempt times out, the retry answers
    EXPECT_EQ(keyboard_->FramesSentSince(mark).size(), 2u);
    ASSERT_EQ(TraceLines(mark, "< CTRL", 2).size(), 2u);  // the late reply has arrived

    mark = keyboard_->TraceMark();
    SettingsBlock settings{};
    EXPECT_EQ(ReadSettingsBlock(*link_, settings), CMD_OK);
    EXPECT_EQ(settings[SETTINGS_MACRO_CAPACITY], 64);
    EXPECT_EQ(keyboard_->FramesSentSince(mark).size(), 1u);
}

TEST_F(Transaction, NoReplyAfterThreeSilentAttempts) {
    keyboard_->Run({"fault", "drop", "3"});
    size_t mark = keyboard_->TraceMark();
    EXPECT_EQ(BeginSession(*link_), CMD_NO_REPLY);
    EXPECT_EQ(keyboard_->FramesSentSince(mark).size(), 3u);
}

TEST_F(Transaction, AbsentKeyboardSendsNothing) {
    shell_.Clear();
    keyboard_->Run({"unplug"});
    ExpectShellEvents(3);
    size_t mark = keyboard_->TraceMark();
    std::array<uint8_t, KEY_TABLE_BLOCK_SIZE> block{};
    EXPECT_EQ(BeginSession(*link_), CMD_NO_DEVICE);
    EXPECT_EQ(WriteKeyBlock(*link_, block, 0), CMD_NO_DEVICE);
    EXPECT_EQ(GetActiveProfile(*link_), -1);
    EXPECT_TRUE(keyboard_->FramesSentSince(mark).empty());
}

}  // namespace
}  // namespace quorvel
