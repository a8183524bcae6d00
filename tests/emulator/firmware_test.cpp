// The firmware and its flash file, without a socket in between.
#include "emulator/firmware.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "base/byte_order.h"
#include "emulator/flat_json.h"
#include "emulator/state_file.h"

namespace quorvel::vkbd {
namespace {

Frame Request(uint8_t command, uint8_t length = 0, uint16_t address = 0,
              std::vector<uint8_t> data = {}) {
    Frame frame{};
    frame[0] = 0x04;
    frame[3] = command;
    frame[4] = length;
    WriteLe16(&frame[5], address);
    std::copy(data.begin(), data.end(), frame.begin() + 8);
    WriteLe16(&frame[1], FrameChecksum(frame.data()));
    return frame;
}

uint8_t ActiveMode(const Firmware& firmware) {
    const Flash& flash = firmware.GetFlash();
    return flash.params[flash.settings[SETTINGS_ACTIVE_PROFILE] * LIGHTING_RECORD_SIZE];
}

TEST(FirmwareTest, RepliesCarryTheirOwnChecksum) {
    Firmware firmware{Hardware{}};
    Frame reply = firmware.Handle(Request(0x03, 44)).reply;
    EXPECT_EQ(ReadLe16(&reply[1]), FrameChecksum(reply.data()));
    EXPECT_EQ(reply[8 + SETTINGS_CAPACITY], 64);
}

TEST(FirmwareTest, OnlyEndOfSessionAndSettingsWritesCommitTheFlash) {
    Firmware firmware{Hardware{}};
    EXPECT_FALSE(firmware.Handle(Request(0x01)).flashChanged);
    EXPECT_FALSE(firmware.Handle(Request(0x06, 1, 0, {4})).flashChanged);
    EXPECT_TRUE(firmware.Handle(Request(0x02)).flashChanged);
    std::vector<uint8_t> settings(firmware.GetFlash().settings.begin(),
                                  firmware.GetFlash().settings.end());
    EXPECT_TRUE(firmware.Handle(Request(0x04, 44, 0, settings)).flashChanged);
    EXPECT_FALSE(firmware.Handle(Request(0x04, 43, 0, settings)).flashChanged);
}

TEST(FirmwareTest, LightingKeyWalksTheOfferedModesAndThePresetMode) {
    Hardware hardware;
    hardware.modes = {4, 5};
    Firmware firmware{hardware};
    std::vector<uint8_t> seen;
    for (int i = 0; i < 4; ++i) {
        firmware.StepLightingMode();
        seen.push_back(ActiveMode(firmware));
    }
    // Mode 1 of the factory record is not offered: the walk starts at the first mode.
    EXPECT_EQ(seen, (std::vector<uint8_t>{4, 5, 17, 4}));
}

TEST(FirmwareTest, LoadedFlashKeepsTheHardwareFacts) {
    Hardware hardware;
    hardware.capacityUnits = 3;
    Firmware firmware{hardware};
    Flash saved = firmware.GetFlash();
    saved.settings[SETTINGS_ACTIVE_PROFILE] = 7;
    saved.settings[SETTINGS_CAPACITY] = 200;
    saved.settings[SETTINGS_MODES] = 0;
    saved.macroArea.assign(1000, 0x11);
    firmware.LoadFlash(saved);
    const Flash& flash = firmware.GetFlash();
    EXPECT_EQ(flash.settings[SETTINGS_ACTIVE_PROFILE], 0);
    EXPECT_EQ(flash.settings[SETTINGS_CAPACITY], 3);
    EXPECT_EQ(flash.settings[SETTINGS_MODES], 4);
    ASSERT_EQ(flash.macroArea.size(), 3u * 128);
    EXPECT_EQ(flash.macroArea[383], 0x11);
}

class StateFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/quorvel-state-XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern));
        dir_ = pattern;
        path_ = dir_ + "/deeper/state.json";
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string dir_, path_;
};

TEST_F(StateFileTest, RoundTripsAndRefusesDamage) {
    SavedState state;
    state.flash = Firmware{Hardware{}}.GetFlash();
    state.flash.keyColours[1535] = 0x7E;
    state.indicator = {0x05, 0x03};
    state.bankB = true;
    std::string error;
    ASSERT_TRUE(SaveState(path_, state, error)) << error;
    EXPECT_FALSE(std::filesystem::exists(path_ + ".tmp"));

    SavedState loaded;
    ASSERT_EQ(LoadState(path_, loaded), LoadResult::LOADED);
    EXPECT_EQ(loaded.flash.keyColours, state.flash.keyColours);
    EXPECT_EQ(loaded.flash.macroArea, state.flash.macroArea);
    EXPECT_EQ(loaded.indicator, state.indicator);
    EXPECT_TRUE(loaded.bankB);

    EXPECT_EQ(LoadState(dir_ + "/none.json", loaded), LoadResult::MISSING);
    const char* damaged[] = {"", "{", "{\"format\": \"quorvel-vkbd-state\"}", "[1]",
                             "{\"a\": \"b\" \"c\": 1}"};
    for (const char* text : damaged) {
        std::ofstream(path_) << text;
        EXPECT_EQ(LoadState(path_, loaded), LoadResult::DAMAGED) << text;
    }
}

TEST(FlatJsonTest, HexAndValues) {
    uint8_t bytes[] = {0x00, 0xAB, 0x7F};
    EXPECT_EQ(HexString(bytes, 3), "00AB7F");
    EXPECT_EQ(HexString(bytes, 3, " "), "00 AB 7F");
    EXPECT_EQ(ParseHex("00ab7F"), (std::vector<uint8_t>{0x00, 0xAB, 0x7F}));
    EXPECT_FALSE(ParseHex("0"));
    EXPECT_FALSE(ParseHex("0G"));

    FlatJsonWriter json;
    json.String("s", "x");
    json.Number("n", -5);
    json.Bool("b", false);
    auto values = ParseFlatJson(json.Text());
    ASSERT_TRUE(values);
    EXPECT_EQ((*values)["s"], "x");
    EXPECT_EQ((*values)["n"], "-5");
    EXPECT_EQ((*values)["b"], "false");
}

}  // namespace
}  // namespace quorvel::vkbd
