// Firmware commands against the virtual keyboard, checked on its frame trace.
#include "device/firmware_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "device/command_frame.h"
#include "device/result_codes.h"
#include "linked_keyboard.h"

namespace quorvel {
namespace {

using testing::LinkedKeyboard;

class FirmwareCommands : public LinkedKeyboard {};

std::array<uint8_t, KEY_TABLE_BLOCK_SIZE> Pattern(uint8_t seed) {
    std::array<uint8_t, KEY_TABLE_BLOCK_SIZE> bytes{};
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7);
    return bytes;
}

TEST_F(FirmwareCommands, SessionAndSettingsFramesAreByteExact) {
    size_t mark = keyboard_->TraceMark();
    SettingsBlock settings{};
    EXPECT_EQ(BeginSession(*link_), CMD_OK);
    EXPECT_EQ(EndSession(*link_), CMD_OK);
    EXPECT_EQ(ReadSettingsBlock(*link_, settings), CMD_OK);
    EXPECT_EQ(keyboard_->FramesSentSince(mark),
              (std::vector<std::string>{FrameHex({0x04, 0x01, 0x00, 0x01}),
                                        FrameHex({0x04, 0x02, 0x00, 0x02}),
                                        FrameHex({0x04, 0x2F, 0x00, 0x03, 0x2C})}));
    EXPECT_EQ(settings[SETTINGS_MACRO_CAPACITY], 64);
    EXPECT_NE(settings[SUPPORTED_MODES_OFFSET], 0);
}

TEST_F(FirmwareCommands, KeyBlockGoesInSevenChunksAndReadsBack) {
    auto block = Pattern(3);
    ASSERT_EQ(BeginSession(*link_), CMD_OK);
    size_t mark = keyboard_->TraceMark();
    ASSERT_EQ(WriteKeyBlock(*link_, block, 1), CMD_OK);
    auto frames = keyboard_->FramesSentSince(mark);
    ASSERT_EQ(EndSession(*link_), CMD_OK);
    ASSERT_EQ(frames.size(), 7u);
    const int addresses[] = {378, 434, 490, 546, 602, 658, 714};
    for (size_t i = 0; i < frames.size(); ++i) {
        SCOPED_TRACE(i);
        size_t length = i < 6 ? 56 : 42;
        CommandFrame expected = BuildCommandFrame(
            OP_WRITE_KEY_BLOCK, static_cast<uint8_t>(length), static_cast<uint16_t>(addresses[i]),
            std::span<const uint8_t>(block).subspan(i * 56, length));
        EXPECT_EQ(frames[i], Hex(expected));
    }

    std::array<uint8_t, KEY_TABLE_BLOCK_SIZE> back{};
    ASSERT_EQ(ReadKeyBlock(*link_, back, 1), CMD_OK);
    EXPECT_EQ(back, block);

    mark = keyboard_->TraceMark();
    EXPECT_EQ(WriteKeyBlock(*link_, block, 3), CMD_BAD_BLOCK);
    EXPECT_EQ(ReadKeyBlock(*link_, back, 7), CMD_BAD_BLOCK);
    EXPECT_TRUE(keyboard_->FramesSentSince(mark).empty());
}

TEST_F(FirmwareCommands, MacroAreaOfNoneAndOfFiftySevenBytes) {
    ASSERT_EQ(BeginSession(*link_), CMD_OK);
    size_t mark = keyboard_->TraceMark();
    EXPECT_EQ(WriteMacroArea(*link_, {}), CMD_OK);
    EXPECT_TRUE(keyboard_->FramesSentSince(mark).empty());

    std::vector<uint8_t> area(57);
    std::iota(area.begin(), area.end(), uint8_t{1});
    ASSERT_EQ(WriteMacroArea(*link_, area), CMD_OK);
    auto frames = keyboard_->FramesSentSince(mark);
    ASSERT_EQ(EndSession(*link_), CMD_OK);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].substr(9, 8), "0A 38 00");  // command, length 56, offset 0
    EXPECT_EQ(frames[1].substr(9, 8), "0A 01 38");  // command, length 1, offset 56
    EXPECT_EQ(frames[1].substr(24, 5), "39 00");    // byte 57 of the area, then padding

    std::vector<uint8_t> back(57);
    ASSERT_EQ(ReadMacroArea(*link_, back), CMD_OK);
    EXPECT_EQ(back, area);
}

TEST_F(FirmwareCommands, ErrorStatusOnSecondChunkKeepsTheFirst) {
    std::array<uint8_t, KEY_TABLE_BLOCK_SIZE> block{};
    ASSERT_EQ(ReadKeyBlock(*link_, block, 0), CMD_OK);

    // Every attempt at the second chunk is answered FF (the picture would answer the read).
    link_->SetTrustPicture(false);
    keyboard_->Run({"fault", "after", "1", "status", "ff", "3"});
    size_t mark = keyboard_->TraceMark();
    std::array<uint8_t, KEY_TABLE_BLOCK_SIZE> got;
    got.fill(0xEE);
    const int result = ReadKeyBlock(*link_, got, 0);

    EXPECT_EQ(result, CMD_STATUS_FF);
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + 56, block.begin()));
    EXPECT_TRUE(std::all_of(got.begin() + 56, got.end(), [](uint8_t b) { return b == 0xEE; }));
    EXPECT_EQ(keyboard_->FramesSentSince(mark).size(), 4u);  // chunk 1, chunk 2 three times
}

TEST_F(FirmwareCommands, ActiveProfileIsCachedUntilTheKeyboardGoes) {
    // The arrival's settings read named it already.
    size_t mark = keyboard_->TraceMark();
    int first = GetActiveProfile(*link_);
    EXPECT_GE(first, 0);
    EXPECT_EQ(GetActiveProfile(*link_), first);
    EXPECT_TRUE(keyboard_->FramesSentSince(mark).empty());

    mark = keyboard_->TraceMark();
    ASSERT_EQ(SetActiveProfile(*link_, 2), CMD_OK);
    EXPECT_EQ(GetActiveProfile(*link_), 2);
    auto frames = keyboard_->FramesSentSince(mark);
    ASSERT_EQ(frames.size(), 3u);  // read, write and read-back of the settings block
    EXPECT_EQ(frames[1].substr(9, 5), "04 2C");
    EXPECT_EQ(frames[1].substr(18 * 3, 2), "02");  // settings byte 10 is frame byte 18

    mark = keyboard_->TraceMark();
    EXPECT_EQ(SetActiveProfile(*link_, -1), CMD_BAD_BLOCK);
    EXPECT_EQ(SetActiveProfile(*link_, 3), CMD_BAD_BLOCK);
    EXPECT_TRUE(keyboard_->FramesSentSince(mark).empty());

    shell_.Clear();
    keyboard_->Run({"unplug"});
    ExpectShellEvents(3);
    EXPECT_EQ(link_->CurrentProfileCache(), -1);
    mark = keyboard_->TraceMark();
    keyboard_->Run({"plug"});
    // UM_PROFILE and the tray icon come after the arrival's settings read on the same worker,
    // and only that worker's departure notice empties the cache again: the read named the
    // profile, and nothing needs asking.
    ExpectShellEvents(5);
    frames = keyboard_->FramesSentSince(mark);
    EXPECT_EQ(std::count_if(frames.begin(), frames.end(),
                            [](const std::string& f) { return f.substr(9, 2) == "03"; }),
              1);
    mark = keyboard_->TraceMark();
    EXPECT_EQ(GetActiveProfile(*link_), 2);
    EXPECT_TRUE(keyboard_->FramesSentSince(mark).empty());
}

TEST_F(FirmwareCommands, AnActiveProfileByteOfThreeOrMoreIsUnknown) {
    // The virtual keyboard never holds such a byte; a reply made up by hand stands in for the
    // real one, which is lost.
    for (const char* byte : {"03", "C8", "FF"}) {
        link_->ResetCurrentProfileCache();
        keyboard_->Run({"fault", "lose-reply", "1"});
        const size_t mark = keyboard_->TraceMark();
        int profile = 0;
        std::thread reader([&] { profile = GetActiveProfile(*link_); });
        ASSERT_EQ(TraceLines(mark, "> CTRL", 1).size(), 1u);
        std::vector<std::string> inject = {"inject", "04", "00", "00", "03", "2C"};
        inject.resize(1 + 18, "00");
        inject.push_back(byte);  // settings byte 10
        keyboard_->Run(inject);
        reader.join();
        EXPECT_EQ(profile, -1) << byte;
        EXPECT_EQ(link_->CurrentProfileCache(), -1);
    }
    EXPECT_GE(GetActiveProfile(*link_), 0);
}

TEST_F(FirmwareCommands, ReadFinishingAfterAResetDoesNotRefillTheCache) {
    ASSERT_EQ(SetActiveProfile(*link_, 1), CMD_OK);
    link_->ResetCurrentProfileCache();
    keyboard_->Run({"fault", "delay", "600", "1"});
    const size_t mark = keyboard_->TraceMark();
    int read = -1;
    std::thread reader([&] { read = GetActiveProfile(*link_); });
    ASSERT_EQ(TraceLines(mark, "> CTRL", 1).size(), 1u);
    // The keyboard goes away while the reply is on its way.
    link_->ResetCurrentProfileCache();
    reader.join();
    EXPECT_EQ(read, 1);  // the caller still gets what was read
    EXPECT_EQ(link_->CurrentProfileCache(), -1);
    // A set that began before a reset is not cached either.
    keyboard_->Run({"fault", "delay", "600", "1"});
    int set = 0;
    std::thread setter([&] { set = SetActiveProfile(*link_, 2); });
    ASSERT_EQ(TraceLines(mark, "> CTRL", 2).size(), 2u);
    link_->ResetCurrentProfileCache();
    setter.join();
    EXPECT_EQ(set, CMD_OK);
    EXPECT_EQ(link_->CurrentProfileCache(), -1);
    EXPECT_EQ(GetActiveProfile(*link_), 2);
}

TEST_F(FirmwareCommands, MoreThanAFrameIsTheCallersErrorAndSendsNothing) {
    const std::vector<uint8_t> tooLong(57, 1);
    std::array<uint8_t, 65> longRequest{};
    uint8_t reply[64];
    uint32_t received = 0;
    const size_t mark = keyboard_->TraceMark();
    EXPECT_EQ(WriteParams(*link_, tooLong, 0), CMD_TOO_LONG);
    EXPECT_EQ(WriteChunk(*link_, {PictureArea::KEY_COLOURS, 0, tooLong}), CMD_TOO_LONG);
    EXPECT_EQ(link_->TransactCommand(longRequest.data(), longRequest.size(), reply, sizeof reply,
                                     &received),
              CMD_TOO_LONG);
    EXPECT_TRUE(keyboard_->FramesSentSince(mark).empty());
    // 56 bytes still go in one frame.
    EXPECT_EQ(WriteParams(*link_, std::span(tooLong).first(56), 0), CMD_STATUS_FE);
}

TEST_F(FirmwareCommands, FlashSurvivesADaemonRestart) {
    auto block = Pattern(11);
    ASSERT_EQ(BeginSession(*link_), CMD_OK);
    ASSERT_EQ(WriteKeyBlock(*link_, block, 2), CMD_OK);
    ASSERT_EQ(EndSession(*link_), CMD_OK);
    shell_.Clear();
    keyboard_->Restart();
    // The library notices the daemon going and coming back: gone (3 events), arrived (2).
    ExpectShellEvents(5);
    std::array<uint8_t, KEY_TABLE_BLOCK_SIZE> back{};
    ASSERT_EQ(ReadKeyBlock(*link_, back, 2), CMD_OK);
    EXPECT_EQ(back, block);
}

TEST_F(FirmwareCommands, ConcurrentCallersAreServedOneAfterTheOther) {
    auto worker = [this](int* failures) {
        for (int i = 0; i < 20; ++i) {
            SettingsBlock settings{};
            if (ReadSettingsBlock(*link_, settings) != CMD_OK ||
                settings[SETTINGS_MACRO_CAPACITY] != 64)
                ++*failures;
        }
    };
    int failuresA = 0, failuresB = 0;
    size_t mark = keyboard_->TraceMark();
    std::thread a(worker, &failuresA), b(worker, &failuresB);
    a.join();
    b.join();
    EXPECT_EQ(failuresA + failuresB, 0);
    EXPECT_EQ(keyboard_->FramesSentSince(mark).size(), 40u);
}

}  // namespace
}  // namespace quorvel
