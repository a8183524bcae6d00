// Replies that come late or twice, from a keyboard whose replies leave in the order of their
// frames: one that arrives after its transaction gave up lands while the host waits for its next
// frame. A read must still return the keyboard's bytes, each where it belongs.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "device/firmware_commands.h"
#include "device/result_codes.h"
#include "fault_support.h"
#include "linked_keyboard.h"

namespace quorvel {
namespace {

class LateReplies : public testing::LinkedKeyboard {
protected:
    testing::VirtualKeyboard::Options KeyboardOptions() override {
        testing::VirtualKeyboard::Options options;
        options.strict = true;
        return options;
    }

    // Block 1 as the keyboard holds it, and as a read of it returns with the fault armed.
    void ExpectReadMatches(const std::vector<std::string>& fault) {
        const std::vector<uint8_t> blocks = testing::KeyboardContents(*keyboard_).keyBlocks;
        ASSERT_EQ(blocks.size(), 3u * KEY_TABLE_BLOCK_SIZE);
        keyboard_->Run(fault);
        std::array<uint8_t, KEY_TABLE_BLOCK_SIZE> read{};
        ASSERT_EQ(ReadKeyBlock(*link_, read, 1), CMD_OK);
        EXPECT_TRUE(std::equal(read.begin(), read.end(), blocks.begin() + KEY_TABLE_BLOCK_SIZE))
            << "a reply was taken for the wrong chunk";
    }
};

// Every chunk of a key block read has the same command code; only the echoed address tells a
// late copy of chunk 2's reply from chunk 3's.
TEST_F(LateReplies, ALateReplyIsNotTakenForTheNextChunk) {
    ExpectReadMatches({"fault", "after", "2", "delay", "1100", "1"});
}

TEST_F(LateReplies, ADuplicateReplyIsNotTakenForTheNextChunk) {
    ExpectReadMatches({"fault", "after", "2", "duplicate", "1"});
}

}  // namespace
}  // namespace quorvel
