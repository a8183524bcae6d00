// Apply in proportion to the change: of the chunks a full write would send only those that
// differ from what the keyboard is known to hold go out, and each is read back after the end.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/command_frame.h"
#include "device/device_snapshot.h"
#include "device/macro_area.h"
#include "device/profile_transfer.h"
#include "device/result_codes.h"
#include "linked_keyboard.h"
#include "transfer_test_support.h"

namespace quorvel {
namespace {

using testing::DumpBytes;
using testing::Macro;

constexpr uint16_t KEY_A = 0x01E;  // scan code of A

int CountOf(const std::vector<std::string>& frames, uint8_t command) {
    int count = 0;
    for (const std::string& frame : frames)
        count += std::stoi(frame.substr(9, 2), nullptr, 16) == command;
    return count;
}

// 56-byte chunks in which two macro areas differ (the longer one's tail counts as differing).
int DifferingChunks(const std::vector<uint8_t>& before, const std::vector<uint8_t>& after) {
    int chunks = 0;
    for (size_t offset = 0; offset < after.size(); offset += FRAME_DATA_SIZE) {
        const size_t end = std::min(after.size(), offset + FRAME_DATA_SIZE);
        bool differs = end > before.size();
        for (size_t i = offset; !differs && i < end; ++i) differs = before[i] != after[i];
        chunks += differs;
    }
    return chunks;
}

class ChangesOnlyApply : public testing::LinkedKeyboard {
protected:
    testing::VirtualKeyboard::Options KeyboardOptions() override {
        testing::VirtualKeyboard::Options options;
        options.capacityUnits = 255;
        return options;
    }

    // Three macros of 300 steps each, the pause of step `pause` of the middle one as given.
    static std::vector<MacroRecord> Macros(int pause, int extraSteps = 0) {
        std::vector<MacroRecord> macros;
        for (int32_t id = 1; id <= 3; ++id) {
            std::vector<MacroAction> steps;
            for (int s = 0; s < 300 + (id == 1 ? extraSteps : 0); ++s)
                steps.push_back(MakeMacroAction(id == 2 && s == 150 ? pause : 10, KEY_A,
                                                s % 2 ? MACRO_STATE_RELEASE : MACRO_STATE_PRESS));
            macros.push_back(Macro(id, u"m", steps));
        }
        return macros;
    }

    // Applies the list; the frames sent.
    std::vector<std::string> Apply(const std::vector<MacroRecord>& macros) {
        EXPECT_TRUE(workingSet_.Lock()->macros.Replace(macros));
        const size_t mark = keyboard_->TraceMark();
        EXPECT_EQ(ApplyWorkingSet(*link_, shell_, workingSet_, snapshot_).written, 1);
        return keyboard_->FramesSentSince(mark);
    }

    testing::ScopedDataFolder folder_;
    ProfileWorkingSet workingSet_;
    DeviceSnapshot snapshot_;
};

TEST_F(ChangesOnlyApply, AMacroEditWritesTheChunksThatDifferAndReadsThemBack) {
    const std::vector<MacroRecord> first = Macros(10);
    Apply(first);
    const std::vector<uint8_t> before = EncodeMacroArea(first, true);

    // One step's pause: the record keeps its size, one chunk differs.
    const std::vector<MacroRecord> paused = Macros(500);
    std::vector<std::string> frames = Apply(paused);
    const int differing = DifferingChunks(before, EncodeMacroArea(paused, true));
    EXPECT_EQ(differing, 1);
    EXPECT_EQ(CountOf(frames, OP_WRITE_MACRO_AREA), differing);
    EXPECT_EQ(CountOf(frames, OP_READ_MACRO_AREA), differing);
    EXPECT_EQ(frames.size(), 2u + 2 * differing);

    // A step more in the first macro moves everything after it: every chunk from there on.
    const std::vector<MacroRecord> longer = Macros(500, 1);
    frames = Apply(longer);
    const std::vector<uint8_t> after = EncodeMacroArea(longer, true);
    const int moved = DifferingChunks(EncodeMacroArea(paused, true), after);
    EXPECT_EQ(CountOf(frames, OP_WRITE_MACRO_AREA), moved);
    // The new step goes after the first macro's 300 actions; the header's chunk changes too.
    const size_t editChunk = (MACRO_AREA_HEADER_SIZE + 2 * 3 + 4 + 4 * 300) / FRAME_DATA_SIZE;
    const int tail =
        static_cast<int>((after.size() + FRAME_DATA_SIZE - 1) / FRAME_DATA_SIZE - editChunk);
    EXPECT_EQ(moved, tail + 1);
    const std::vector<uint8_t> held = DumpBytes(*keyboard_, "macroArea");
    EXPECT_EQ(std::vector<uint8_t>(held.begin(), held.begin() + after.size()), after);

    // Nothing changed: not a frame.
    EXPECT_TRUE(Apply(longer).empty());
}

TEST_F(ChangesOnlyApply, AfterAFaultTheNextApplyLeavesTheKeyboardExact) {
    const std::vector<MacroRecord> first = Macros(10);
    Apply(first);
    const std::vector<MacroRecord> paused = Macros(500);
    const std::vector<uint8_t> area = EncodeMacroArea(paused, true);
    for (const char* fault : {"fe", "lose-reply"}) {
        SCOPED_TRACE(fault);
        EXPECT_TRUE(workingSet_.Lock()->macros.Replace(paused));
        // The one chunk's write (frame 2 of begin, chunk, end) fails on every attempt, or the
        // keyboard carries it out and its replies are lost.
        if (std::string(fault) == "fe")
            keyboard_->Run({"fault", "after", "1", "status", "fe", "3"});
        else
            keyboard_->Run({"fault", "after", "1", "lose-reply", "3"});
        EXPECT_EQ(ApplyWorkingSet(*link_, shell_, workingSet_, snapshot_).written, 0);
        keyboard_->Run({"fault", "clear"});
        // The chunk is unknown now, whatever the keyboard took: the next Apply writes it.
        const size_t mark = keyboard_->TraceMark();
        EXPECT_EQ(ApplyWorkingSet(*link_, shell_, workingSet_, snapshot_).written, 1);
        EXPECT_EQ(CountOf(keyboard_->FramesSentSince(mark), OP_WRITE_MACRO_AREA), 1);
        const std::vector<uint8_t> held = DumpBytes(*keyboard_, "macroArea");
        EXPECT_EQ(std::vector<uint8_t>(held.begin(), held.begin() + area.size()), area);
        EXPECT_TRUE(workingSet_.Lock()->macros.Replace(first));
        ASSERT_EQ(ApplyWorkingSet(*link_, shell_, workingSet_, snapshot_).written, 1);
    }
}

}  // namespace
}  // namespace quorvel
