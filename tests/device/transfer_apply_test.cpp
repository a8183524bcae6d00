// Writing the working set to the keyboard through the device snapshot: the frames in order,
// the capacity checks and their messages, and what the keyboard holds afterwards.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "device/command_frame.h"
#include "device/device_snapshot.h"
#include "device/firmware_commands.h"
#include "device/macro_area.h"
#include "device/profile_transfer.h"
#include "device/result_codes.h"
#include "linked_keyboard.h"
#include "model/key_table.h"
#include "transfer_test_support.h"

namespace quorvel {
namespace {

using testing::DumpBytes;
using testing::LinkedKeyboard;
using testing::Macro;

constexpr ScanCode KEY_A = 0x01E;
constexpr ScanCode KEY_B = 0x030;

int SlotOf(ScanCode key) {
    const DefaultLayout layout = CurrentDefaultLayout();
    for (int s = 0; s < KEY_TABLE_SLOTS; ++s)
        if (SlotScanCode(layout.slots[s]) == key) return s;
    ADD_FAILURE() << "no slot for " << key;
    return 0;
}

// The command code of each frame sent, from the trace's hex.
std::vector<int> Commands(const std::vector<std::string>& frames) {
    std::vector<int> codes;
    for (const std::string& frame : frames)
        codes.push_back(std::stoi(frame.substr(9, 2), nullptr, 16));
    return codes;
}

std::vector<int> Expected(int macroFrames, int keyBlocks) {
    std::vector<int> codes = {OP_BEGIN};
    codes.insert(codes.end(), macroFrames, OP_WRITE_MACRO_AREA);
    codes.insert(codes.end(), keyBlocks * 7, OP_WRITE_KEY_BLOCK);
    codes.push_back(OP_END);
    return codes;
}

// The frames of a full write: nothing known of the keyboard is trusted and nothing is read
// back (changes_only_apply_test.cpp has the writes in proportion to the change).
class ApplyTest : public LinkedKeyboard {
protected:
    void SetUp() override {
        LinkedKeyboard::SetUp();
        if (HasFatalFailure()) return;
        link_->SetTrustPicture(false);
        link_->SetReadBack(false);
    }
    virtual int CapacityUnits() { return 64; }
    testing::VirtualKeyboard::Options KeyboardOptions() override {
        testing::VirtualKeyboard::Options options;
        options.capacityUnits = CapacityUnits();
        return options;
    }

    std::vector<std::string> Messages() {
        std::vector<std::string> messages;
        for (const std::string& event : shell_.Events())
            if (event.rfind("message ", 0) == 0) messages.push_back(event);
        return messages;
    }

    ProfileWorkingSet workingSet_;
    DeviceSnapshot snapshot_;
};

TEST_F(ApplyTest, BeginMacroAreaActiveKeyBlockEnd) {
    ASSERT_EQ(SetActiveProfile(*link_, 1), CMD_OK);
    const std::vector<MacroRecord> macros = {
        Macro(7, u"ab", {MakeMacroAction(100, KEY_A, MACRO_STATE_PRESS)}),
        Macro(3, u"x",
              {MakeMacroAction(0, KEY_B, MACRO_STATE_PRESS),
               MakeMacroAction(0, KEY_B, MACRO_STATE_RELEASE)}),
    };
    const int textEntry = WorkingSetEntryIndex(0, 10);
    const int programEntry = WorkingSetEntryIndex(1, KeyIndexOf(KEY_A));
    {
        WorkingSetLock data = workingSet_.Lock();
        ASSERT_TRUE(data->macros.Replace(macros));
        data->keyAreas[1][KeyIndexOf(KEY_B)] = {ASSIGN_MACRO, 0, 3, 0, 0};
        data->keyAreas[0][10] = {ASSIGN_TEXT, 0, 99, 0, 0};
        data->texts.Set(textEntry, u"abc");
        data->keyAreas[1][KeyIndexOf(KEY_A)] = {ASSIGN_PROGRAM, 0, 99, 0, 0};
        data->texts.Set(programEntry, u"/bin/true");
    }
    const std::vector<uint8_t> blocksBefore = DumpBytes(*keyboard_, "keyBlocks");

    std::vector<std::pair<int, int>> progress;
    size_t mark = keyboard_->TraceMark();
    EXPECT_EQ(
        RefreshDeviceSnapshot(*link_, shell_, workingSet_, snapshot_, false,
                              [&](int done, int total) { progress.emplace_back(done, total); }),
        1);

    const std::vector<uint8_t> area = EncodeMacroArea(macros, true);
    ASSERT_EQ(area.size(), 46u);  // 16 + 4 + (4 + 4 + 4) + (4 + 8 + 2): one frame
    const std::vector<std::string> frames = keyboard_->FramesSentSince(mark);
    EXPECT_EQ(Commands(frames), Expected(1, 1));
    EXPECT_EQ(frames[2].substr(15, 5), "7A 01");  // profile 1's block starts at 378
    std::vector<std::pair<int, int>> everyFrame;
    for (int done = 1; done <= 10; ++done) everyFrame.emplace_back(done, 10);
    EXPECT_EQ(progress, everyFrame);
    EXPECT_TRUE(Messages().empty());

    const std::vector<uint8_t> macroArea = DumpBytes(*keyboard_, "macroArea");
    EXPECT_EQ(std::vector<uint8_t>(macroArea.begin(), macroArea.begin() + 46), area);
    std::vector<uint8_t> blocks = DumpBytes(*keyboard_, "keyBlocks");
    const size_t b = KEY_TABLE_BLOCK_SIZE + 3 * SlotOf(KEY_B);
    EXPECT_EQ(std::vector<uint8_t>(blocks.begin() + b, blocks.begin() + b + 3),
              (std::vector<uint8_t>{KIND_ACTION, ACTION_PLAY_MACRO, 1}));  // macro 3 is second
    // Only the active profile's table was written.
    std::copy(blocksBefore.begin() + KEY_TABLE_BLOCK_SIZE,
              blocksBefore.begin() + 2 * KEY_TABLE_BLOCK_SIZE,
              blocks.begin() + KEY_TABLE_BLOCK_SIZE);
    EXPECT_EQ(blocks, blocksBefore);

    // The texts were packed as the profile file packs them, and the snapshot is that copy.
    WorkingSetLock data = workingSet_.Lock();
    EXPECT_EQ(data->keyAreas[0][10].value, 0);
    EXPECT_EQ(data->keyAreas[1][KeyIndexOf(KEY_A)].value, 8);
    EXPECT_EQ(snapshot_.Take()->keyAreas, data->keyAreas);
}

TEST_F(ApplyTest, AllProfilesGoInAscendingOrder) {
    size_t mark = keyboard_->TraceMark();
    EXPECT_EQ(WriteKeysAndMacros(*link_, shell_, snapshot_, true), 1);
    const std::vector<std::string> frames = keyboard_->FramesSentSince(mark);
    EXPECT_EQ(Commands(frames), Expected(1, 3));
    for (int p = 0; p < 3; ++p) {
        char address[8];
        std::snprintf(address, sizeof address, "%02X %02X", (p * 378) & 0xFF, (p * 378) >> 8);
        EXPECT_EQ(frames[2 + 7 * p].substr(15, 5), address);
    }
    EXPECT_EQ(frames[1],
              Hex(BuildCommandFrame(OP_WRITE_MACRO_AREA, 16, 0, EncodeMacroArea({}, true))));
}

TEST_F(ApplyTest, UnknownActiveProfileAbandonsTheWrite) {
    keyboard_->Run({"unplug"});
    for (int i = 0; i < 500 && link_->CountControlInterfaces() != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    link_->Events().WaitUntilIdle();
    shell_.Clear();
    size_t mark = keyboard_->TraceMark();
    EXPECT_EQ(ApplyWorkingSet(*link_, shell_, workingSet_, snapshot_).written, 0);
    EXPECT_TRUE(keyboard_->FramesSentSince(mark).empty());
    EXPECT_EQ(Messages(), std::vector<std::string>{"message MAIN_NO_DEVICE_PROMPT"});
}

// An error status on one frame of a write that carries three key blocks; the fault is armed
// once the frames before it have been counted, for all three attempts of its transaction.
struct FaultedFrame {
    const char* name;
    int framesBefore;  // -1: before anything is sent
    std::vector<int> expectedCommands;
};

TEST_F(ApplyTest, AnyFailedFrameFailsTheWholeWrite) {
    const int end = OP_END, macro = OP_WRITE_MACRO_AREA, key = OP_WRITE_KEY_BLOCK;
    std::vector<int> afterSecondBlock = Expected(1, 2);
    afterSecondBlock.pop_back();
    afterSecondBlock.insert(afterSecondBlock.end(), {key, key, key, end});
    const std::vector<FaultedFrame> cases = {
        {"begin", -1, {OP_BEGIN, OP_BEGIN, OP_BEGIN, end}},
        {"macro area", 1, {OP_BEGIN, macro, macro, macro, end}},
        {"third key block", 16, afterSecondBlock},
        {"end", 23,
         [&] {
             std::vector<int> codes = Expected(1, 3);
             codes.insert(codes.end(), {end, end});
             return codes;
         }()},
    };
    for (const FaultedFrame& c : cases) {
        SCOPED_TRACE(c.name);
        auto arm = [&] { keyboard_->Run({"fault", "status", "fe", "3"}); };
        if (c.framesBefore < 0) arm();
        size_t mark = keyboard_->TraceMark();
        const KeyboardWrite write = WriteKeysAndMacros(*link_, snapshot_, true, [&](int done, int) {
            if (done == c.framesBefore) arm();
        });
        EXPECT_EQ(write.result, 0);
        EXPECT_EQ(Commands(keyboard_->FramesSentSince(mark)), c.expectedCommands);
    }
    // With the fault gone the same write goes through.
    EXPECT_EQ(WriteKeysAndMacros(*link_, snapshot_, true).result, 1);
}

TEST_F(ApplyTest, MovedMacroPositionsRewriteEveryProfilesTable) {
    testing::ScopedDataFolder folder;
    ASSERT_EQ(SetActiveProfile(*link_, 0), CMD_OK);
    const MacroAction press = MakeMacroAction(10, KEY_A, MACRO_STATE_PRESS);
    {
        // Profile 2's B key plays the third macro; profile 0 is the one being edited.
        WorkingSetLock data = workingSet_.Lock();
        ASSERT_TRUE(data->macros.Replace(
            {Macro(1, u"a", {press}), Macro(2, u"b", {press}), Macro(3, u"c", {press})}));
        data->keyAreas[2][KeyIndexOf(KEY_B)] = {ASSIGN_MACRO, 0, 3, 0, 0};
    }
    ASSERT_EQ(RefreshDeviceSnapshot(*link_, shell_, workingSet_, snapshot_, true), 1);
    ASSERT_EQ(LoadActiveProfileFromKeyboard(*link_, workingSet_), ProfileSource::KEYBOARD);
    const size_t profile2B = 2 * KEY_TABLE_BLOCK_SIZE + 3 * SlotOf(KEY_B) + 2;
    ASSERT_EQ(DumpBytes(*keyboard_, "keyBlocks")[profile2B], 2);

    auto applyFrames = [&](auto&& edit, const Progress& progress = {}) {
        edit(*workingSet_.Lock());
        const size_t mark = keyboard_->TraceMark();
        const int written =
            ApplyWorkingSet(*link_, shell_, workingSet_, snapshot_, progress).written;
        return std::make_pair(written, Commands(keyboard_->FramesSentSince(mark)));
    };
    auto nothing = [](WorkingSetData&) {};
    // Deleting the first macro moves the third to position 1 for every profile.
    auto deleteFirst = [](WorkingSetData& data) {
        std::vector<MacroRecord> rest(data.macros.Records().begin() + 1,
                                      data.macros.Records().end());
        ASSERT_TRUE(data.macros.Replace(rest));
    };
    EXPECT_EQ(applyFrames(deleteFirst), std::make_pair(1, Expected(1, 3)));
    EXPECT_EQ(DumpBytes(*keyboard_, "keyBlocks")[profile2B], 1);

    // Unchanged, and then a macro appended: no position moved, the active table is enough.
    EXPECT_EQ(applyFrames(nothing), std::make_pair(1, Expected(1, 1)));
    auto append = [&](WorkingSetData& data) {
        std::vector<MacroRecord> more = data.macros.Records();
        more.push_back(Macro(9, u"d", {press}));
        ASSERT_TRUE(data.macros.Replace(more));
    };
    EXPECT_EQ(applyFrames(append), std::make_pair(1, Expected(1, 1)));

    // A write that failed after the area may have left the tables behind it: the next Apply
    // writes them all, even with nothing changed.
    const std::pair<int, std::vector<int>> failed = applyFrames(nothing, [&](int done, int) {
        if (done == 2) keyboard_->Run({"fault", "status", "fe", "3"});
    });
    EXPECT_EQ(failed.first, 0);
    EXPECT_EQ(applyFrames(nothing), std::make_pair(1, Expected(1, 3)));
    EXPECT_EQ(DumpBytes(*keyboard_, "keyBlocks")[profile2B], 1);
}

class TightCapacity : public ApplyTest {
protected:
    int CapacityUnits() override { return 1; }  // 128 bytes
};

TEST_F(TightCapacity, NamesAreDroppedAndTheMessageFollowsTheWrite) {
    std::vector<MacroAction> actions;
    for (int i = 0; i < 10; ++i) {
        actions.push_back(MakeMacroAction(10, KEY_A, MACRO_STATE_PRESS));
        actions.push_back(MakeMacroAction(10, KEY_A, MACRO_STATE_RELEASE));
    }
    const std::vector<MacroRecord> macros = {Macro(1, u"twenty units of name", actions)};
    ASSERT_EQ(MacroAreaSizes(macros), (MacroAreaSize{142, 102}));
    ASSERT_TRUE(workingSet_.Lock()->macros.Replace(macros));

    size_t messagesWhenDone = 99;
    EXPECT_EQ(RefreshDeviceSnapshot(*link_, shell_, workingSet_, snapshot_, false,
                                    [&](int done, int total) {
                                        if (done == total) messagesWhenDone = Messages().size();
                                    }),
              1);
    EXPECT_EQ(messagesWhenDone, 0u);
    EXPECT_EQ(Messages(), std::vector<std::string>{"message EXTRA_PROFILE_SPACE_TIGHT"});
    const std::vector<uint8_t> macroArea = DumpBytes(*keyboard_, "macroArea");
    EXPECT_EQ(std::vector<uint8_t>(macroArea.begin(), macroArea.begin() + 102),
              EncodeMacroArea(macros, false));
}

class NoCapacity : public ApplyTest {
protected:
    int CapacityUnits() override { return 0; }
};

TEST_F(NoCapacity, NothingIsSent) {
    ASSERT_EQ(link_->Events().MacroCapacity(), 0);
    for (bool allProfiles : {false, true}) {
        shell_.Clear();
        size_t mark = keyboard_->TraceMark();
        EXPECT_EQ(RefreshDeviceSnapshot(*link_, shell_, workingSet_, snapshot_, allProfiles), 0);
        EXPECT_TRUE(keyboard_->FramesSentSince(mark).empty());
        EXPECT_EQ(Messages(), std::vector<std::string>{"message EXTRA_MACRO_TOO_LONG"});
    }
}

}  // namespace
}  // namespace quorvel
