// Lighting writes and profile switches in proportion to the change: only what the keyboard is
// not known to hold goes out, what was written is read back, and after a fault on any frame
// the next write leaves the keyboard exact.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "device/command_frame.h"
#include "device/firmware_commands.h"
#include "device/keyboard_check.h"
#include "device/lighting_io.h"
#include "device/result_codes.h"
#include "linked_keyboard.h"
#include "transfer_test_support.h"

namespace quorvel {
namespace {

using testing::DumpBytes;

std::vector<uint8_t> Commands(const std::vector<std::string>& frames) {
    std::vector<uint8_t> commands;
    for (const std::string& frame : frames)
        commands.push_back(static_cast<uint8_t>(std::stoi(frame.substr(9, 2), nullptr, 16)));
    return commands;
}

int CountOf(const std::vector<std::string>& frames, uint8_t command) {
    const std::vector<uint8_t> commands = Commands(frames);
    return static_cast<int>(std::count(commands.begin(), commands.end(), command));
}

class LightingPicture : public testing::LinkedKeyboard {
protected:
    std::vector<std::string> SentSince(size_t mark) { return keyboard_->FramesSentSince(mark); }

    void WaitForKeyboard(bool present) {
        for (int i = 0; i < 500 && (link_->CountControlInterfaces() != 0) != present; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        link_->Events().WaitUntilIdle();
    }

    uint8_t HeldParam(size_t address) { return DumpBytes(*keyboard_, "params").at(address); }

    testing::ScopedDataFolder folder_;
};

KeyColourTable Plain(Colour colour) {
    KeyColourTable table{};
    table.fill(colour);
    return table;
}

TEST_F(LightingPicture, BaseColourAndKeyColoursSendOnlyTheChunksThatDiffer) {
    KeyColourTable table = Plain(COLOUR_RED);
    size_t mark = keyboard_->TraceMark();
    ASSERT_EQ(SendBaseColour(*link_, 1, COLOUR_RED, table), CMD_OK);
    // The colour and seven colour chunks; only the colour can be read back.
    EXPECT_EQ(Commands(SentSince(mark)),
              (std::vector<uint8_t>{OP_BEGIN, OP_WRITE_PARAMS, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11,
                                    0x11, OP_END, OP_BEGIN, OP_READ_PARAMS, OP_END}));

    mark = keyboard_->TraceMark();
    EXPECT_EQ(SendBaseColour(*link_, 1, COLOUR_RED, table), CMD_OK);
    EXPECT_EQ(SendKeyColours(*link_, 1, table), CMD_OK);
    EXPECT_TRUE(SentSince(mark).empty());

    // One key of the second chunk: that chunk alone, exactly as the full write sends it.
    table[20] = COLOUR_WHITE;
    mark = keyboard_->TraceMark();
    EXPECT_EQ(SendBaseColour(*link_, 1, COLOUR_RED, table), CMD_OK);
    const std::vector<std::string> sent = SentSince(mark);
    const KeyColourWrite second = KeyColourChunks(1, table)[1];
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[1],
              Hex(BuildCommandFrame(OP_WRITE_KEY_COLOURS, static_cast<uint8_t>(second.bytes.size()),
                                    second.Address(), second.bytes)));
    const std::vector<uint8_t> held = DumpBytes(*keyboard_, "keyColours");
    EXPECT_EQ(ColourOf(held.at(512 + 60), held.at(512 + 61), held.at(512 + 62)), COLOUR_WHITE);

    // Without the read-back a parameter change is its session alone.
    link_->SetReadBack(false);
    mark = keyboard_->TraceMark();
    EXPECT_EQ(WriteParamBytes(*link_, 1, PARAM_BRIGHTNESS, std::vector<uint8_t>{2}), CMD_OK);
    EXPECT_EQ(Commands(SentSince(mark)), (std::vector<uint8_t>{OP_BEGIN, OP_WRITE_PARAMS, OP_END}));
}

TEST_F(LightingPicture, AfterAFaultOnAnyFrameTheNextParameterWriteLeavesTheKeyboardExact) {
    const size_t address = ParamAddress(0, PARAM_BRIGHTNESS);
    ASSERT_EQ(WriteParamBytes(*link_, 0, PARAM_BRIGHTNESS, std::vector<uint8_t>{1}), CMD_OK);
    struct Case {
        int frame;  // of begin, write, end, begin, read-back, end
        std::vector<std::string> fault;
    };
    std::vector<Case> cases;
    for (int frame = 0; frame < 6; ++frame) {
        cases.push_back({frame, {"status", "fe", "3"}});
        cases.push_back({frame, {"status", "ff", "3"}});
    }
    cases.push_back({1, {"lose-reply", "3"}});
    cases.push_back({4, {"drop", "3"}});
    cases.push_back({1, {"unplug-after", "1"}});
    cases.push_back({3, {"unplug-after", "1"}});
    uint8_t value = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.frame) + " " + c.fault[0]);
        value = value == 1 ? 2 : 1;
        std::vector<std::string> arm = {"fault", "after", std::to_string(c.frame)};
        arm.insert(arm.end(), c.fault.begin(), c.fault.end());
        keyboard_->Run(arm);
        EXPECT_NE(WriteParamBytes(*link_, 0, PARAM_BRIGHTNESS, std::vector<uint8_t>{value}),
                  CMD_OK);
        keyboard_->Run({"fault", "clear"});
        if (c.fault[0] == "unplug-after") {
            WaitForKeyboard(false);
            keyboard_->Run({"plug"});
            WaitForKeyboard(true);
        }
        // Whatever the keyboard took, the byte is unknown: it goes again and is checked.
        size_t mark = keyboard_->TraceMark();
        ASSERT_EQ(WriteParamBytes(*link_, 0, PARAM_BRIGHTNESS, std::vector<uint8_t>{value}),
                  CMD_OK);
        EXPECT_EQ(CountOf(SentSince(mark), OP_WRITE_PARAMS), 1);
        EXPECT_EQ(HeldParam(address), value);
        mark = keyboard_->TraceMark();
        EXPECT_EQ(WriteParamBytes(*link_, 0, PARAM_BRIGHTNESS, std::vector<uint8_t>{value}),
                  CMD_OK);
        EXPECT_TRUE(SentSince(mark).empty());
    }
}

TEST_F(LightingPicture, AProfileSwitchIsCheckedAndAFailedCheckLeavesTheProfileUnknown) {
    size_t mark = keyboard_->TraceMark();
    ASSERT_EQ(SetActiveProfile(*link_, 1), CMD_OK);
    EXPECT_EQ(Commands(SentSince(mark)),
              (std::vector<uint8_t>{OP_READ_SETTINGS_BLOCK, OP_WRITE_SETTINGS_BLOCK,
                                    OP_READ_SETTINGS_BLOCK}));
    mark = keyboard_->TraceMark();
    EXPECT_EQ(SetActiveProfile(*link_, 1), CMD_OK);
    EXPECT_EQ(GetActiveProfile(*link_), 1);
    EXPECT_EQ(Commands(SentSince(mark)), (std::vector<uint8_t>{OP_READ_SETTINGS_BLOCK}));

    // The check's read fails: the keyboard may be on either profile, so neither is assumed.
    keyboard_->Run({"fault", "after", "2", "status", "ff", "3"});
    EXPECT_EQ(SetActiveProfile(*link_, 2), CMD_STATUS_FF);
    EXPECT_EQ(link_->CurrentProfileCache(), -1);
    keyboard_->Run({"fault", "clear"});
    EXPECT_EQ(SetActiveProfile(*link_, 0), CMD_OK);
    EXPECT_EQ(DumpBytes(*keyboard_, "settings").at(SETTINGS_ACTIVE_PROFILE), 0);
    EXPECT_EQ(GetActiveProfile(*link_), 0);
}

TEST_F(LightingPicture, CheckNamesALightingRecordChangedBehindTheProgramsBack) {
    KeyboardCheck check = CheckKeyboardAgainstFiles(*link_);
    ASSERT_EQ(check.result, CMD_OK);
    EXPECT_EQ(check.uncheckedLighting, (std::vector<int>{0, 1, 2}));

    LightingState state;
    state.activeProfile = GetActiveProfile(*link_);
    ASSERT_EQ(ReadLighting(*link_, state), READ_LIGHTING_OK);
    check = CheckKeyboardAgainstFiles(*link_);
    EXPECT_TRUE(check.uncheckedLighting.empty());
    EXPECT_TRUE(check.differences.empty());

    // The keyboard's own lighting key steps the active profile's mode.
    keyboard_->Run({"lighting-key"});
    check = CheckKeyboardAgainstFiles(*link_);
    ASSERT_EQ(check.differences.size(), 1u);
    EXPECT_EQ(check.differences[0].area, AreaDifference::Area::LIGHTING);
    EXPECT_EQ(check.differences[0].profile, state.activeProfile);
    EXPECT_EQ(check.differences[0].offset, PARAM_MODE);
    EXPECT_EQ(check.differences[0].AreaName(), "lighting");
}

}  // namespace
}  // namespace quorvel
