// The lighting refresh that also loads the active user mode: its colours go in the refresh's
// own session, only the chunks the keyboard is not known to hold, exactly as a full write cuts
// them, and after a fault on any of their frames the next refresh leaves the keyboard exact.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "device/command_frame.h"
#include "device/firmware_commands.h"
#include "device/lighting_io.h"
#include "device/result_codes.h"
#include "linked_keyboard.h"
#include "model/key_codes.h"
#include "transfer_test_support.h"

namespace quorvel {
namespace {

using testing::DumpBytes;

constexpr int PROFILE = 1;
constexpr int KEYS_PER_CHUNK = 18;

bool IsMapKey(int position) {
    for (const MatrixKey& key : MatrixKeys())
        if (static_cast<int>(key.position) == position) return true;
    return false;
}

// The first map key that ends a chunk with a map key starting the next.
int KeyEndingAChunk() {
    for (int p = KEYS_PER_CHUNK - 1; p + 1 < KEY_COLOUR_POSITIONS; p += KEYS_PER_CHUNK)
        if (IsMapKey(p) && IsMapKey(p + 1)) return p;
    return -1;
}

class LightingRefresh : public testing::LinkedKeyboard {
protected:
    void SetUp() override {
        LinkedKeyboard::SetUp();
        ASSERT_EQ(SetActiveProfile(*link_, PROFILE), CMD_OK);
        state_.activeProfile = PROFILE;
    }

    // Refreshes and returns the frames it sent.
    std::vector<std::string> Refresh() {
        const size_t mark = keyboard_->TraceMark();
        coloursSent_ = CMD_NO_DEVICE;
        const UserModeTarget target{paths_, user_, table_, marks_, &coloursSent_};
        EXPECT_EQ(ReadLighting(*link_, state_, &target), READ_LIGHTING_OK);
        return keyboard_->FramesSentSince(mark);
    }

    static std::vector<std::string> ColourFrames(const std::vector<std::string>& frames) {
        std::vector<std::string> colours;
        for (const std::string& frame : frames)
            if (frame.substr(9, 2) == "11") colours.push_back(frame);
        return colours;
    }

    // The frame a full write of the table sends for the chunk holding position.
    std::string FullWriteFrame(int position) const {
        const KeyColourWrite chunk = KeyColourChunks(PROFILE, table_)[position / KEYS_PER_CHUNK];
        return Hex(BuildCommandFrame(OP_WRITE_KEY_COLOURS, static_cast<uint8_t>(chunk.bytes.size()),
                                     chunk.Address(), chunk.bytes));
    }

    void Paint(int position, Colour colour) {
        ASSERT_TRUE(WriteKeyColour(paths_, PROFILE, 0, position, colour, 0));
    }

    // The keyboard's colours of the profile are the table's, every byte of them.
    void ExpectKeyboardHoldsTheTable() {
        const std::vector<uint8_t> held = DumpBytes(*keyboard_, "keyColours");
        ASSERT_GE(held.size(), 512u * PROFILE + 3 * KEY_COLOUR_POSITIONS);
        for (int i = 0; i < KEY_COLOUR_POSITIONS; ++i) {
            const size_t at = 512 * PROFILE + 3 * i;
            EXPECT_EQ(ColourOf(held[at], held[at + 1], held[at + 2]), table_[i]) << i;
        }
    }

    void WaitForKeyboard(bool present) {
        for (int i = 0; i < 500 && (link_->CountControlInterfaces() != 0) != present; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        link_->Events().WaitUntilIdle();
    }

    testing::ScopedDataFolder folder_;
    ProgramPaths paths_{folder_.Dir(), folder_.Dir() + "/overlay"};
    LightingState state_;
    UserModeState user_;
    KeyColourTable table_{};
    KeyColourMarks marks_{};
    int coloursSent_ = CMD_OK;
};

TEST_F(LightingRefresh, SendsOnlyTheChunksThatDifferAndNothingWhenNothingDoes) {
    // Nothing known of the colours after the plug-in: all seven chunks go.
    std::vector<std::string> sent = Refresh();
    EXPECT_EQ(ColourFrames(sent).size(), 7u);
    ExpectKeyboardHoldsTheTable();
    const size_t fullRefresh = sent.size();

    // The settings read, then begin, the three records and end: no colour frame.
    sent = Refresh();
    EXPECT_EQ(coloursSent_, CMD_OK);
    EXPECT_TRUE(ColourFrames(sent).empty());
    EXPECT_EQ(sent.size(), 6u);
    RecordProperty("frames_unchanged", static_cast<int>(sent.size()));
    RecordProperty("frames_full", static_cast<int>(fullRefresh));

    // One key: its chunk alone, as the full write sends it, inside the refresh's session.
    Paint(MATRIX_FN_POSITION, COLOUR_WHITE);
    sent = Refresh();
    ASSERT_EQ(sent.size(), 7u);
    EXPECT_EQ(sent[1].substr(9, 2), "01");
    EXPECT_EQ(sent[2], FullWriteFrame(MATRIX_FN_POSITION));
    EXPECT_EQ(sent.back().substr(9, 2), "02");
    ExpectKeyboardHoldsTheTable();

    // Keys on both sides of a chunk boundary: both chunks, in address order.
    const int last = KeyEndingAChunk();
    ASSERT_GE(last, 0);
    Paint(last, COLOUR_WHITE);
    Paint(last + 1, COLOUR_WHITE);
    sent = Refresh();
    EXPECT_EQ(ColourFrames(sent),
              (std::vector<std::string>{FullWriteFrame(last), FullWriteFrame(last + 1)}));
    ExpectKeyboardHoldsTheTable();

    // A key painted through the single-key write is known too: the refresh sends nothing.
    const int painted = static_cast<int>(MatrixKeys()[0].position);
    Paint(painted, COLOUR_WHITE);
    ASSERT_EQ(SendKeyColour(*link_, PROFILE, painted, COLOUR_WHITE), CMD_OK);
    EXPECT_TRUE(ColourFrames(Refresh()).empty());
}

TEST_F(LightingRefresh, AfterAFaultOnAColourFrameTheNextRefreshLeavesTheKeyboardExact) {
    Refresh();
    struct Case {
        int frame;  // of the refresh: settings read, begin, the colour chunk, 3 reads, end
        std::vector<std::string> fault;
        bool taken;  // the end confirmed the colours before the keyboard went
    };
    const std::vector<Case> cases = {
        {2, {"status", "fe", "3"}, false}, {2, {"status", "ff", "3"}, false},
        {2, {"lose-reply", "3"}, false},   {2, {"unplug-after", "1"}, false},
        {1, {"status", "fe", "3"}, false}, {6, {"status", "ff", "3"}, false},
        {6, {"unplug-after", "1"}, true},
    };
    Colour colour = COLOUR_RED;  // what every key holds at first
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.frame) + " " + c.fault[0]);
        colour = colour == COLOUR_WHITE ? COLOUR_RED : COLOUR_WHITE;
        Paint(MATRIX_FN_POSITION, colour);
        std::vector<std::string> arm = {"fault", "after", std::to_string(c.frame)};
        arm.insert(arm.end(), c.fault.begin(), c.fault.end());
        keyboard_->Run(arm);
        int sent = CMD_OK;
        const UserModeTarget target{paths_, user_, table_, marks_, &sent};
        ReadLighting(*link_, state_, &target);
        EXPECT_EQ(sent == CMD_OK, c.taken) << sent;
        keyboard_->Run({"fault", "clear"});
        if (c.fault[0] == "unplug-after") {
            WaitForKeyboard(false);
            keyboard_->Run({"plug"});
            WaitForKeyboard(true);
        }
        // Whatever the keyboard took, the chunk is unknown (after a fault or on a new
        // plug-in): it goes again.
        EXPECT_FALSE(ColourFrames(Refresh()).empty());
        ExpectKeyboardHoldsTheTable();
        EXPECT_TRUE(ColourFrames(Refresh()).empty());
    }
}

}  // namespace
}  // namespace quorvel
