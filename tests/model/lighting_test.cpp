#include "model/lighting.h"

#include <gtest/gtest.h>

#include <numeric>

#include "base/ini_file.h"
#include "tests/base/temp_dir.h"

namespace quorvel {
namespace {

using Bytes = std::vector<uint8_t>;

LightingState Announcing(std::initializer_list<uint8_t> ids) {
    LightingState state;
    std::copy(ids.begin(), ids.end(), state.supportedModes.begin());
    return state;
}

TEST(LightingParamsTest, DefaultRecordIsTheThirtyFiveFactoryBytes) {
    const Bytes expected = {0x01, 0x04, 0x01, 0x00, 0x01, 0xFF, 0x00, 0x00, 0x08, 0xFF, 0xFF, 0xFF,
                            0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00,
                            0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00};
    for (int profile = 0; profile < ONBOARD_PROFILE_COUNT; ++profile) {
        EXPECT_EQ(DefaultParamsWrite(profile), (ParamWrite{ParamAddress(profile), expected}));
    }
    EXPECT_EQ(ParamAddress(2), 84);
}

TEST(LightingParamsTest, EveryByteOfARecordSurvivesReadAndEncode) {
    std::array<uint8_t, LIGHTING_PARAMS_READ_SIZE> read{};
    std::iota(read.begin(), read.end(), uint8_t{100});
    const auto params = ReadLightingParams(read);
    ASSERT_TRUE(params);
    const auto encoded = EncodeLightingParams(*params);
    EXPECT_TRUE(std::equal(encoded.begin(), encoded.end(), read.begin()));
    EXPECT_EQ(params->baseColour, (Rgb{109, 110, 111}));
    EXPECT_EQ(params->thirdColourOn, 133);

    EXPECT_FALSE(ReadLightingParams(std::span(read).first(LIGHTING_PARAMS_SIZE - 1)));
}

TEST(LightingParamsTest, DecodesTheActiveRecordFromA56ByteRead) {
    std::array<uint8_t, LIGHTING_PARAMS_READ_SIZE> read{};
    read[0] = 7;                                        // mode
    read[1] = 3;                                        // brightness
    read[2] = 2;                                        // speed
    read[3] = 1;                                        // direction
    read[4] = 5;                                        // any non-zero is colourful
    read[5] = 0x11, read[6] = 0x22, read[7] = 0x33;     // colour
    read[15] = 7;                                       // report rate, shown as 3
    read[17] = 2;                                       // preset green
    read[18] = 1;                                       // second colourful look
    read[19] = 1;                                       // grid trigger
    read[25] = 0xAA, read[26] = 0xBB, read[27] = 0xCC;  // second colour
    read[28] = 9;                                       // on
    read[30] = 1, read[31] = 2, read[32] = 3;           // third colour
    read[33] = 0;                                       // off
    read[41] = 0xEE, read[42] = 0xEE, read[55] = 0xEE;  // past the record: ignored

    LightingState state;
    DecodeLightingParams(*ReadLightingParams(read), state);
    EXPECT_EQ(state.modeId, 7);
    EXPECT_EQ(state.brightness, 3);
    EXPECT_EQ(state.speed, 2);
    EXPECT_EQ(state.direction, 1);
    EXPECT_TRUE(state.colourful);
    EXPECT_EQ(state.colour, 0x00332211u);
    EXPECT_EQ(state.reportRate, 3);
    EXPECT_EQ(state.preset, 2);
    EXPECT_EQ(state.secondColourfulLook, 1);
    EXPECT_TRUE(state.gridTrigger);
    EXPECT_FALSE(state.singleKeyTrigger);
    EXPECT_EQ(state.secondColour, 0x00CCBBAAu);
    EXPECT_TRUE(state.secondColourOn);
    EXPECT_EQ(state.thirdColour, 0x00030201u);
    EXPECT_FALSE(state.thirdColourOn);
}

TEST(LightingParamsTest, BytesTheRecordCannotVouchForLeaveTheStateAlone) {
    LightingParams params;
    params.mode = 5;  // the second colourful look is only read in mode 7
    params.secondColourfulLook = 0;
    params.trigger = 2;  // neither trigger
    LightingState state;
    state.secondColourfulLook = 1;
    state.gridTrigger = true;
    state.singleKeyTrigger = false;
    DecodeLightingParams(params, state);
    EXPECT_EQ(state.secondColourfulLook, 1);
    EXPECT_TRUE(state.gridTrigger);
    EXPECT_FALSE(state.singleKeyTrigger);

    params.mode = 7;
    params.secondColourfulLook = 2;
    DecodeLightingParams(params, state);
    EXPECT_EQ(state.secondColourfulLook, 1);
    params.secondColourfulLook = 0;
    params.trigger = 0;
    DecodeLightingParams(params, state);
    EXPECT_EQ(state.secondColourfulLook, 0);
    EXPECT_TRUE(state.singleKeyTrigger);
    EXPECT_FALSE(state.gridTrigger);
}

TEST(LightingParamsTest, SupportedModesComeFromBytes12To43OfTheSettingsBlock) {
    std::array<uint8_t, SETTINGS_BLOCK_SIZE> block{};
    block[10] = 1;
    block[11] = 40;
    block[12] = 4;
    block[13] = 20;
    block[43] = 18;
    LightingState state;
    SetSupportedModes(block, state);
    EXPECT_EQ(ModeListIds(state), (Bytes{4, 20, 18}));
    EXPECT_TRUE(SupportsUserMode(state));

    SetSupportedModes(std::span(block).first(43), state);
    EXPECT_TRUE(ModeListIds(state).empty());
    EXPECT_FALSE(SupportsUserMode(state));
}

TEST(LightingSlidersTest, SpeedIsFiveMinusTheSliderPositionAndRepeatsWriteNothing) {
    LightingState state;
    state.activeProfile = 1;
    state.speed = 1;
    EXPECT_EQ(MoveSpeedSlider(state, 0), (ParamWrite{44, {5}}));
    EXPECT_EQ(MoveSpeedSlider(state, 5), (ParamWrite{44, {0}}));
    EXPECT_EQ(MoveSpeedSlider(state, 2), (ParamWrite{44, {3}}));
    EXPECT_EQ(state.speed, 3);
    EXPECT_EQ(SpeedSliderPosition(state), 2);
    EXPECT_FALSE(MoveSpeedSlider(state, 2));
    EXPECT_FALSE(MoveSpeedSlider(state, 6));
    EXPECT_FALSE(MoveSpeedSlider(state, -1));
    EXPECT_EQ(state.speed, 3);
}

TEST(LightingSlidersTest, BrightnessIsTheSliderPosition) {
    LightingState state;
    state.brightness = 4;
    EXPECT_FALSE(MoveBrightnessSlider(state, 4));
    EXPECT_EQ(MoveBrightnessSlider(state, 0), (ParamWrite{1, {0}}));
    EXPECT_EQ(state.brightness, 0);
    EXPECT_FALSE(MoveBrightnessSlider(state, 9));
}

TEST(LightingWritesTest, EachSettingWritesItsOffsetsInTheProfilesRecord) {
    LightingState state;
    state.brightness = 4;
    state.speed = 1;
    state.direction = 1;
    state.colourful = true;
    const int p = 2;  // record at 84
    struct Case {
        const char* what;
        ParamWrite write;
        ParamWrite expected;
    };
    const Case cases[] = {
        {"steady mode 6 writes the mode byte only", ModeWrite(p, 6, state), {84, {6}}},
        {"mode 1 carries colourful at offset 4", ModeWrite(p, 1, state), {84, {1, 4, 1, 1, 1}}},
        {"mode 16 carries colourful", ModeWrite(p, 16, state), {84, {16, 4, 1, 1, 1}}},
        {"user mode", ModeWrite(p, 20, state), {84, {20}}},
        {"row without an id writes its 0", ModeWrite(p, 0, state), {84, {0}}},
        {"brightness", BrightnessWrite(p, 3), {85, {3}}},
        {"speed", SpeedWrite(p, 5), {86, {5}}},
        {"direction", DirectionWrite(p, 1), {87, {1}}},
        {"colourful off", ColourfulWrite(p, false), {88, {0}}},
        {"colour turns colourful off", ColourWrite(p, 0x00123456), {88, {0, 0x56, 0x34, 0x12}}},
        {"base colour", BaseColourWrite(p, ColourOf(1, 2, 3)), {93, {1, 2, 3}}},
        {"report rate", ReportRateWrite(p, 2), {99, {2}}},
        {"green preset", PresetWrite(p, 2), {101, {2}}},
    };
    for (const Case& c : cases) EXPECT_EQ(c.write, c.expected) << c.what;

    state.colourful = false;
    EXPECT_EQ(ModeWrite(0, 9, state), (ParamWrite{0, {9, 4, 1, 1, 0}}));
}

TEST(LightingModesTest, RowsFollowTheFixedListPositions) {
    const LightingState inOrder =
        Announcing({4, 5, 6, 8, 7, 9, 13, 14, 15, 1, 2, 3, 11, 10, 12, 16, 18, 20});
    const std::vector<uint8_t> ids = ModeListIds(inOrder);
    ASSERT_EQ(ids.size(), 18u);
    for (int row = 0; row < 18; ++row) {
        EXPECT_EQ(ModeOfRow(inOrder, row), ids[static_cast<size_t>(row)]) << row;
        EXPECT_EQ(RowOfMode(inOrder, ModeOfRow(inOrder, row)), row);
    }
    EXPECT_EQ(RowOfMode(inOrder, 17), -1);
    EXPECT_EQ(RowOfMode(inOrder, 19), -1);
    EXPECT_EQ(RowOfMode(inOrder, 0), -1);
    EXPECT_EQ(ModeOfRow(inOrder, 18), 0);
    EXPECT_EQ(ModeOfRow(inOrder, -1), 0);

    const LightingState two = Announcing({4, 5});
    EXPECT_EQ(ModeOfRow(two, 0), 4);
    EXPECT_EQ(ModeOfRow(two, 1), 5);
    EXPECT_EQ(RowOfMode(two, 5), 1);
    EXPECT_EQ(RowOfMode(two, 1), -1);

    // Announced out of order: mode 1 would be row 9 of a two-row list.
    const LightingState shuffled = Announcing({4, 1});
    EXPECT_EQ(RowOfMode(shuffled, 1), -1);
    EXPECT_EQ(ModeOfRow(shuffled, 1), 0);

    const LightingState withPreset = Announcing({4, 17});
    EXPECT_EQ(RowOfMode(withPreset, 17), -1);
    EXPECT_FALSE(SupportsUserMode(withPreset));
}

TEST(LightingModesTest, ModeTableGivesGroupsWritableBytesAndPreviews) {
    EXPECT_EQ(EffectModes().size(), 19u);
    EXPECT_EQ(FindEffectMode(19), nullptr);
    EXPECT_EQ(FindEffectMode(12)->group, LightingGroup::VERTICAL);
    EXPECT_EQ(FindEffectMode(6)->group, LightingGroup::STEADY_COLOURED);
    EXPECT_TRUE(ModeAllowsOffset(17, PARAM_PRESET));
    EXPECT_FALSE(ModeAllowsOffset(17, PARAM_SPEED));
    EXPECT_TRUE(ModeAllowsOffset(20, 10));
    EXPECT_FALSE(ModeAllowsOffset(6, PARAM_SPEED));
    EXPECT_TRUE(ModeAllowsOffset(1, PARAM_DIRECTION));
    EXPECT_FALSE(ModeAllowsOffset(0, PARAM_BRIGHTNESS));

    struct Case {
        int mode;
        bool colourful;
        LightingPreview expected;
    };
    const Case cases[] = {
        {1, true, LightingPreview::RAINBOW},        {16, false, LightingPreview::SINGLE_COLOUR},
        {6, false, LightingPreview::SINGLE_COLOUR}, {10, false, LightingPreview::RAINBOW},
        {18, false, LightingPreview::RAINBOW},      {4, true, LightingPreview::PLAIN},
        {17, true, LightingPreview::PLAIN},         {20, true, LightingPreview::PER_KEY},
        {19, true, LightingPreview::PLAIN},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PreviewOfMode(c.mode, c.colourful), c.expected) << c.mode;
    }
    EXPECT_EQ(RainbowColour(0), ColourOf(255, 1, 0));
    EXPECT_EQ(RainbowColourOfPosition(41), ColourOf(255, 0, 41));
    EXPECT_EQ(RainbowColourOfPosition(110), ColourOf(94, 255, 0));
    EXPECT_EQ(RainbowColour(21), COLOUR_BLACK);
}

TEST(KeyColourTest, ColoursPackAsBgrInMemoryAndRgbOnTheWire) {
    EXPECT_EQ(ColourOf(0x12, 0x34, 0x56), 0x00563412u);
    EXPECT_EQ(RgbOf(0x00563412), (Rgb{0x12, 0x34, 0x56}));
    EXPECT_EQ(RgbOf(0xFF000000), (Rgb{0, 0, 0}));
}

TEST(KeyColourTest, TableGoesOutInSevenChunksOf18Keys) {
    KeyColourTable table{};
    for (int position = 0; position < KEY_COLOUR_POSITIONS; ++position) {
        table[static_cast<size_t>(position)] = ColourOf(static_cast<uint8_t>(position), 1, 2);
    }
    const auto chunks = KeyColourChunks(2, table);
    ASSERT_EQ(chunks.size(), 7u);
    for (int k = 0; k < 7; ++k) {
        EXPECT_EQ(chunks[static_cast<size_t>(k)].Address(), 1024 + 54 * k);
        EXPECT_EQ(chunks[static_cast<size_t>(k)].bytes.size(), 54u);
    }
    const KeyColourWrite& chunk3 = chunks[3];
    EXPECT_EQ(chunk3.Address(), 1024 + 162);
    EXPECT_EQ(chunk3.firstPosition, 54);
    EXPECT_EQ(chunk3.page, 2);
    EXPECT_EQ(Bytes(chunk3.bytes.begin(), chunk3.bytes.begin() + 3), (Bytes{54, 1, 2}));
    EXPECT_EQ(Bytes(chunk3.bytes.end() - 3, chunk3.bytes.end()), (Bytes{71, 1, 2}));
    EXPECT_EQ(chunks[6].bytes[51], 125);

    const KeyColourWrite fn = SingleKeyColourWrite(1, MATRIX_FN_POSITION, 0x00030201);
    EXPECT_EQ(fn.Address(), 512 + 330);
    EXPECT_EQ(fn.bytes, (Bytes{1, 2, 3}));
}

TEST(LightingShownTest, DengCheckMustBeOne) {
    testing::TempDir dir;
    IniFile settings(dir.File("plkb.ini"));
    EXPECT_FALSE(ReadLightingShown(settings));
    ASSERT_TRUE(WriteLightingShown(settings, true));
    EXPECT_EQ(IniFile(dir.File("plkb.ini")).ReadString("KEYCOLOR", "DengCheck"), "1");
    EXPECT_TRUE(ReadLightingShown(IniFile(dir.File("plkb.ini"))));
    ASSERT_TRUE(settings.WriteString("KEYCOLOR", "DengCheck", "2"));
    EXPECT_FALSE(ReadLightingShown(settings));
}

}  // namespace
}  // namespace quorvel
