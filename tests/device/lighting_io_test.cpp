// Lighting reads and writes against the virtual keyboard, checked frame by frame on its trace.
#include "device/lighting_io.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/command_frame.h"
#include "device/result_codes.h"
#include "linked_keyboard.h"
#include "transfer_test_support.h"

namespace quorvel {
namespace {

using testing::DumpBytes;
using testing::LinkedKeyboard;

class LightingIo : public LinkedKeyboard {
protected:
    std::string Frame(uint8_t command, uint16_t address, std::vector<uint8_t> data,
                      size_t length = 0) {
        return Hex(BuildCommandFrame(command, static_cast<uint8_t>(length ? length : data.size()),
                                     address, data));
    }
    std::string Begin() { return Frame(OP_BEGIN, 0, {}); }
    std::string End() { return Frame(OP_END, 0, {}); }
    // A parameter write in its session, then read back in one of its own.
    std::vector<std::string> ParamWritten(uint16_t address, std::vector<uint8_t> data) {
        const size_t length = data.size();
        return {Begin(), Frame(OP_WRITE_PARAMS, address, std::move(data)), End(),
                Begin(), Frame(OP_READ_PARAMS, address, {}, length),       End()};
    }

    testing::ScopedDataFolder folder_;
};

KeyColourTable Gradient() {
    KeyColourTable table{};
    for (int i = 0; i < KEY_COLOUR_POSITIONS; ++i)
        table[i] = ColourOf(static_cast<uint8_t>(i), static_cast<uint8_t>(2 * i),
                            static_cast<uint8_t>(255 - i));
    return table;
}

TEST_F(LightingIo, KeyColoursGoInSevenChunksOnTheProfilesPage) {
    const KeyColourTable table = Gradient();
    size_t mark = keyboard_->TraceMark();
    EXPECT_EQ(SendKeyColours(*link_, 2, table), CMD_OK);
    const std::vector<std::string> frames = keyboard_->FramesSentSince(mark);
    ASSERT_EQ(frames.size(), 9u);
    EXPECT_EQ(frames.front(), Begin());
    EXPECT_EQ(frames.back(), End());
    std::vector<uint8_t> chunk3;
    for (int i = 54; i < 72; ++i)
        chunk3.insert(chunk3.end(), {static_cast<uint8_t>(i), static_cast<uint8_t>(2 * i),
                                     static_cast<uint8_t>(255 - i)});
    EXPECT_EQ(frames[4], Frame(OP_WRITE_KEY_COLOURS, 1024 + 162, chunk3));

    const std::vector<uint8_t> colours = DumpBytes(*keyboard_, "keyColours");
    ASSERT_GE(colours.size(), 1024u + 3 * KEY_COLOUR_POSITIONS);
    for (int i = 0; i < KEY_COLOUR_POSITIONS; ++i)
        EXPECT_EQ(ColourOf(colours[1024 + 3 * i], colours[1025 + 3 * i], colours[1026 + 3 * i]),
                  table[i])
            << i;

    mark = keyboard_->TraceMark();
    EXPECT_EQ(SendKeyColour(*link_, 1, MATRIX_FN_POSITION, ColourOf(1, 2, 3)), CMD_OK);
    EXPECT_EQ(keyboard_->FramesSentSince(mark),
              (std::vector<std::string>{Begin(), Frame(OP_WRITE_KEY_COLOURS, 512 + 330, {1, 2, 3}),
                                        End()}));
    mark = keyboard_->TraceMark();
    EXPECT_EQ(SendKeyColour(*link_, 1, KEY_COLOUR_POSITIONS, COLOUR_RED), CMD_BAD_BLOCK);
    EXPECT_TRUE(keyboard_->FramesSentSince(mark).empty());
}

TEST_F(LightingIo, SpeedSliderAndModeBytes) {
    LightingState state;
    state.activeProfile = 1;
    state.speed = 1;
    struct Case {
        int position;
        uint8_t written;
    };
    for (const Case c : {Case{0, 5}, Case{5, 0}, Case{2, 3}}) {
        SCOPED_TRACE(c.position);
        const std::optional<ParamWrite> write = MoveSpeedSlider(state, c.position);
        ASSERT_TRUE(write);
        size_t mark = keyboard_->TraceMark();
        EXPECT_EQ(WriteParamBytes(*link_, state.activeProfile, PARAM_SPEED, write->bytes), CMD_OK);
        EXPECT_EQ(keyboard_->FramesSentSince(mark), ParamWritten(42 + 2, {c.written}));
    }

    state.brightness = 3;
    state.direction = 1;
    state.colourful = true;
    size_t mark = keyboard_->TraceMark();
    EXPECT_EQ(WriteMode(*link_, state, 6), CMD_OK);
    EXPECT_EQ(WriteMode(*link_, state, 1), CMD_OK);
    std::vector<std::string> expected = ParamWritten(42, {6});
    for (std::string& frame : ParamWritten(42, {1, 3, 3, 1, 1})) expected.push_back(frame);
    EXPECT_EQ(keyboard_->FramesSentSince(mark), expected);
}

TEST_F(LightingIo, ParameterWriteLongerThanAFrameOpensNoSession) {
    const size_t mark = keyboard_->TraceMark();
    EXPECT_EQ(SendParamWrite(*link_, ParamWrite{0, std::vector<uint8_t>(57, 1)}), CMD_TOO_LONG);
    EXPECT_TRUE(keyboard_->FramesSentSince(mark).empty());
}

TEST_F(LightingIo, ReadLightingDecodesTheActiveRecordAndSendsTheUserMode) {
    ASSERT_EQ(SendParamWrite(*link_, DefaultParamsWrite(2)), CMD_OK);
    LightingState state;
    state.activeProfile = 2;
    ProgramPaths paths{folder_.Dir(), folder_.Dir() + "/overlay"};
    UserModeState userMode;
    userMode.tool = TOOL_BASE_COLOUR;
    KeyColourTable table{};
    KeyColourMarks marks{};
    const UserModeTarget target{paths, userMode, table, marks};

    size_t mark = keyboard_->TraceMark();
    ASSERT_EQ(ReadLighting(*link_, state, &target), READ_LIGHTING_OK);
    EXPECT_EQ(state.modeId, 1);
    EXPECT_EQ(state.brightness, 4);
    EXPECT_EQ(state.speed, 1);
    EXPECT_TRUE(state.colourful);
    EXPECT_EQ(state.colour, COLOUR_RED);
    EXPECT_EQ(state.reportRate, 3);
    EXPECT_FALSE(state.lightingShown);
    EXPECT_EQ(ModeListIds(state).size(), 18u);
    // No user colour file: every key red with mark 1, tool 0.
    EXPECT_EQ(userMode, UserModeState{});
    EXPECT_EQ(table[MATRIX_FN_POSITION], COLOUR_RED);

    const std::vector<std::string> frames = keyboard_->FramesSentSince(mark);
    ASSERT_EQ(frames.size(), 1u + 1 + 7 + 3 + 1);
    EXPECT_EQ(frames[1], Begin());
    for (int k = 0; k < 7; ++k) EXPECT_EQ(frames[2 + k].substr(9, 2), "11") << k;
    for (int p = 0; p < 3; ++p)
        EXPECT_EQ(frames[9 + p], Frame(OP_READ_PARAMS, static_cast<uint16_t>(42 * p), {}, 56));
    EXPECT_EQ(frames.back(), End());
}

TEST_F(LightingIo, FailedSettingsReadLeavesTheModesEmpty) {
    LightingState state;
    state.supportedModes[0] = 4;
    state.modeId = 9;
    keyboard_->Run({"unplug"});
    for (int i = 0; i < 500 && link_->CountControlInterfaces() != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(ReadLighting(*link_, state), READ_LIGHTING_FAILED);
    EXPECT_TRUE(ModeListIds(state).empty());
    EXPECT_EQ(state.modeId, 9);
}

}  // namespace
}  // namespace quorvel
