// The daemon driven the way the program drives a keyboard: through the service library.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "tests/emulator/service_client.h"
#include "tests/support/virtual_keyboard.h"

namespace quorvel::testing {
namespace {

using namespace std::chrono_literals;

constexpr uint8_t OP_BEGIN = 0x01, OP_END = 0x02, OP_READ_SETTINGS = 0x03, OP_WRITE_SETTINGS = 0x04,
                  OP_READ_PARAMS = 0x05, OP_WRITE_PARAMS = 0x06, OP_READ_KEY_BLOCK = 0x07,
                  OP_WRITE_KEY_BLOCK = 0x08, OP_READ_MACRO = 0x09, OP_WRITE_MACRO = 0x0A,
                  OP_READ_DEFAULT = 0x0F, OP_WRITE_COLOURS = 0x11;
constexpr uint8_t STATUS_OK = 0x00, STATUS_FF = 0xFF, STATUS_FE = 0xFE;
constexpr auto SILENCE = 300ms;  // long enough for a reply that is coming to have come

std::vector<uint8_t> Bytes(const Frame& reply, size_t from, size_t count) {
    return {reply.begin() + static_cast<std::ptrdiff_t>(from),
            reply.begin() + static_cast<std::ptrdiff_t>(from + count)};
}

class DaemonTest : public ::testing::Test {
protected:
    explicit DaemonTest(VirtualKeyboard::Options options = {}) : keyboard(std::move(options)) {}

    uint8_t Status(const Frame& request) {
        auto reply = client.Transact(request);
        EXPECT_TRUE(reply.has_value()) << "no reply to command " << int(request[3]);
        return reply ? (*reply)[7] : 0x55;
    }

    Frame Read(uint8_t command, uint8_t length, uint16_t address) {
        auto reply = client.Transact(MakeFrame(command, length, address));
        EXPECT_TRUE(reply && (*reply)[7] == STATUS_OK);
        return reply.value_or(Frame(64, 0));
    }

    std::vector<uint8_t> Settings() { return Bytes(Read(OP_READ_SETTINGS, 44, 0), 8, 44); }

    void InSession(const std::vector<Frame>& writes) {
        ASSERT_EQ(Status(MakeFrame(OP_BEGIN)), STATUS_OK);
        for (const auto& write : writes) ASSERT_EQ(Status(write), STATUS_OK);
        ASSERT_EQ(Status(MakeFrame(OP_END)), STATUS_OK);
    }

    VirtualKeyboard keyboard;
    ServiceClient client;
};

TEST_F(DaemonTest, RepliesEchoTheCommandAndFollowTheAreas) {
    Frame badChecksum = MakeFrame(OP_READ_SETTINGS, 44);
    badChecksum[1] ^= 1;
    struct Case {
        const char* what;
        Frame request;
        uint8_t status;
    };
    const Case cases[] = {
        {"begin", MakeFrame(OP_BEGIN), STATUS_OK},
        {"bad checksum", badChecksum, STATUS_FF},
        {"unknown command", MakeFrame(0x20), STATUS_FF},
        {"read beyond the key blocks", MakeFrame(OP_READ_KEY_BLOCK, 56, 3 * 378 - 55), STATUS_FE},
        {"last key block chunk", MakeFrame(OP_READ_KEY_BLOCK, 42, 2 * 378 + 336), STATUS_OK},
        {"length above 56", MakeFrame(OP_READ_MACRO, 57, 0), STATUS_FE},
        {"params write beyond the area", MakeFrame(OP_WRITE_PARAMS, 2, 255), STATUS_FE},
        {"key colours of page 2", MakeFrame(OP_WRITE_COLOURS, 54, 1024 + 324), STATUS_OK},
        {"key colours beyond page 2", MakeFrame(OP_WRITE_COLOURS, 3, 1536), STATUS_FE},
        {"macro area end", MakeFrame(OP_WRITE_MACRO, 1, 64 * 128 - 1), STATUS_OK},
        {"beyond the macro area", MakeFrame(OP_WRITE_MACRO, 2, 64 * 128 - 1), STATUS_FE},
        {"default layout is read only", MakeFrame(0x10, 3, 0), STATUS_FF},
        {"settings profile 3", MakeFrame(OP_WRITE_SETTINGS, 44, 0, std::vector<uint8_t>(11, 3)),
         STATUS_FE},
        {"end", MakeFrame(OP_END), STATUS_OK},
    };
    for (const auto& c : cases) {
        auto reply = client.Transact(c.request);
        ASSERT_TRUE(reply) << c.what;
        EXPECT_EQ((*reply)[3], c.request[3]) << c.what;
        EXPECT_EQ((*reply)[7], c.status) << c.what;
    }
}

TEST_F(DaemonTest, AreasRefuseWritesOutsideASessionButSettingsDoNot) {
    const Frame writes[] = {
        MakeFrame(OP_WRITE_PARAMS, 1, 0, {9}), MakeFrame(OP_WRITE_KEY_BLOCK, 3, 0, {0, 0, 0}),
        MakeFrame(OP_WRITE_MACRO, 1, 0, {1}), MakeFrame(OP_WRITE_COLOURS, 3, 0, {1, 2, 3})};
    for (const auto& write : writes) EXPECT_EQ(Status(write), STATUS_FE) << int(write[3]);
    EXPECT_EQ(Bytes(Read(OP_READ_KEY_BLOCK, 3, 0), 8, 3), (std::vector<uint8_t>{5, 0, 0}));

    auto settings = Settings();
    ASSERT_EQ(settings[11], 64);
    std::vector<uint8_t> written(settings);
    written[0] = 0xA5;
    written[10] = 2;
    written[11] = 1;   // capacity is the keyboard's own
    written[12] = 20;  // and so is its mode list
    EXPECT_EQ(Status(MakeFrame(OP_WRITE_SETTINGS, 44, 0, written)), STATUS_OK);
    auto after = Settings();
    EXPECT_EQ(after[0], 0xA5);
    EXPECT_EQ(after[10], 2);
    EXPECT_EQ(after[11], 64);
    EXPECT_EQ(after[12], 4);
}

TEST_F(DaemonTest, ParamsReadAlwaysReturnsTheWholeDataArea) {
    auto reply = Read(OP_READ_PARAMS, 1, 42);
    // Profile 1's record starts with its mode, then brightness 4.
    EXPECT_EQ(Bytes(reply, 8, 2), (std::vector<uint8_t>{5, 4}));
    EXPECT_EQ(reply[8 + 42], Read(OP_READ_PARAMS, 56, 84)[8]);
}

TEST_F(DaemonTest, FlashSurvivesARestartOnlyWhenTheSessionEnded) {
    InSession({MakeFrame(OP_WRITE_KEY_BLOCK, 3, 378, {0x02, 0x02, 0x04}),
               MakeFrame(OP_WRITE_MACRO, 2, 100, {0xAB, 0xCD})});
    ASSERT_EQ(Status(MakeFrame(OP_BEGIN)), STATUS_OK);
    ASSERT_EQ(Status(MakeFrame(OP_WRITE_PARAMS, 1, 0, {13})), STATUS_OK);  // never committed

    keyboard.Restart();
    ASSERT_EQ(client.NextCount(TAG_CTRL, 2s), 0u);
    ASSERT_EQ(client.NextCount(TAG_CTRL, 2s), 1u);  // the library found the new daemon
    EXPECT_EQ(Bytes(Read(OP_READ_KEY_BLOCK, 3, 378), 8, 3), (std::vector<uint8_t>{2, 2, 4}));
    EXPECT_EQ(Bytes(Read(OP_READ_MACRO, 2, 100), 8, 2), (std::vector<uint8_t>{0xAB, 0xCD}));
    EXPECT_EQ(Read(OP_READ_PARAMS, 56, 0)[8], 1);
    // The session did not survive the power cycle either.
    EXPECT_EQ(Status(MakeFrame(OP_WRITE_PARAMS, 1, 0, {13})), STATUS_FE);
}

TEST_F(DaemonTest, FaultsSpoilTheNextFrames) {
    keyboard.Run({"fault", "drop", "1"});
    EXPECT_FALSE(client.Transact(MakeFrame(OP_READ_SETTINGS, 44), SILENCE));
    EXPECT_EQ(Status(MakeFrame(OP_READ_SETTINGS, 44)), STATUS_OK);

    keyboard.Run({"fault", "echo", "2"});
    for (int i = 0; i < 2; ++i) {
        auto reply = client.Transact(MakeFrame(OP_BEGIN));
        ASSERT_TRUE(reply);
        EXPECT_NE((*reply)[3], OP_BEGIN);
    }
    EXPECT_EQ(client.Transact(MakeFrame(OP_BEGIN)).value()[3], OP_BEGIN);

    keyboard.Run({"fault", "status", "fe", "1"});
    EXPECT_EQ(Status(MakeFrame(OP_END)), STATUS_FE);
    keyboard.Run({"fault", "status", "ff", "1"});
    EXPECT_EQ(Status(MakeFrame(OP_END)), STATUS_FF);
    EXPECT_EQ(Status(MakeFrame(OP_END)), STATUS_OK);

    // A late reply still comes, after the next frame was written.
    keyboard.Run({"fault", "delay", "200", "1"});
    ASSERT_EQ(client.Write(MakeFrame(OP_BEGIN)), 1);
    EXPECT_FALSE(client.NextReply(50ms));
    EXPECT_TRUE(client.NextReply(2s));

    auto trace = keyboard.Trace();
    for (const char* event : {"# fault drop 1", "# fault: frame dropped", "# fault: status FE",
                              "# fault: wrong command echo", "# fault: reply 200 ms late"})
        EXPECT_NE(std::find(trace.begin(), trace.end(), event), trace.end()) << event;
}

TEST_F(DaemonTest, AFaultCanWaitForItsFrameAndALostReplyStillCounts) {
    keyboard.Run({"fault", "after", "2", "status", "fe", "1"});
    EXPECT_EQ(Status(MakeFrame(OP_BEGIN)), STATUS_OK);
    EXPECT_EQ(Status(MakeFrame(OP_READ_SETTINGS, 44)), STATUS_OK);
    EXPECT_EQ(Status(MakeFrame(OP_READ_SETTINGS, 44)), STATUS_FE);
    EXPECT_EQ(Status(MakeFrame(OP_READ_SETTINGS, 44)), STATUS_OK);

    keyboard.Run({"fault", "after", "1", "drop", "5"});
    keyboard.Run({"fault", "clear"});
    EXPECT_EQ(Status(MakeFrame(OP_READ_SETTINGS, 44)), STATUS_OK);
    EXPECT_EQ(Status(MakeFrame(OP_READ_SETTINGS, 44)), STATUS_OK);

    keyboard.Run({"fault", "lose-reply", "1"});
    EXPECT_FALSE(client.Transact(MakeFrame(OP_WRITE_KEY_BLOCK, 3, 0, {2, 2, 4}), SILENCE));
    EXPECT_EQ(Bytes(Read(OP_READ_KEY_BLOCK, 3, 0), 8, 3), (std::vector<uint8_t>{2, 2, 4}));
    auto trace = keyboard.Trace();
    for (const char* event : {"# fault after 2: status fe 1", "# fault status fe 1",
                              "# fault: reply lost"})
        EXPECT_NE(std::find(trace.begin(), trace.end(), event), trace.end()) << event;
}

TEST_F(DaemonTest, UnplugAfterAnswersTheLastFrameThenLeaves) {
    keyboard.Run({"fault", "unplug-after", "2"});
    EXPECT_EQ(Status(MakeFrame(OP_BEGIN)), STATUS_OK);
    EXPECT_EQ(Status(MakeFrame(OP_READ_SETTINGS, 44)), STATUS_OK);
    EXPECT_EQ(client.NextCount(TAG_CTRL, 2s), 0u);
    EXPECT_EQ(client.Write(MakeFrame(OP_BEGIN)), 0);
    EXPECT_EQ(client.ControlCount(), 0);
}

// The library answers presence from the counts the daemon sends, so a write refused for an
// unplug must never overtake the news of it.
TEST_F(DaemonTest, AWriteRefusedAfterAnUnplugFindsThePresenceAlreadyGone) {
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        keyboard.Run({"fault", "unplug-after", "1"});
        ASSERT_EQ(Status(MakeFrame(OP_READ_SETTINGS, 44)), STATUS_OK);
        ASSERT_EQ(client.Write(MakeFrame(OP_BEGIN)), 0);
        EXPECT_EQ(client.ControlCount(), 0);
        keyboard.Run({"plug"});
        ASSERT_EQ(client.NextCount(TAG_CTRL, 2s), 0u);
        ASSERT_EQ(client.NextCount(TAG_CTRL, 2s), 1u);
    }
}

TEST_F(DaemonTest, PlugAndUnplugReachEveryStandingRequest) {
    EXPECT_EQ(client.ControlCount(), 1);
    keyboard.Run({"unplug"});
    EXPECT_EQ(client.NextCount(TAG_CTRL, 2s), 0u);
    EXPECT_EQ(client.NextCount(TAG_CONS, 2s), 0u);
    EXPECT_EQ(client.ControlCount(), 0);
    EXPECT_EQ(client.Write(MakeFrame(OP_BEGIN)), 0);
    EXPECT_EQ(client.WriteIndicator(0x05, 0x03), 0);

    keyboard.Run({"plug"});
    EXPECT_EQ(client.NextCount(TAG_CTRL, 2s), 1u);
    EXPECT_EQ(client.NextCount(TAG_CONS, 2s), 1u);
    EXPECT_EQ(client.ControlCount(), 1);
    EXPECT_EQ(Status(MakeFrame(OP_BEGIN)), STATUS_OK);

    auto trace = keyboard.Trace();
    EXPECT_NE(std::find(trace.begin(), trace.end(), "# unplug"), trace.end());
    EXPECT_NE(std::find(trace.begin(), trace.end(), "# plug"), trace.end());
}

TEST_F(DaemonTest, KeyboardKeysSendTheirConsumerCodes) {
    keyboard.Run({"bank"});
    EXPECT_EQ(client.NextConsumerCode(2s), 0x02FF);
    keyboard.Run({"special", "on"});
    EXPECT_EQ(client.NextConsumerCode(2s), 0x1811);
    keyboard.Run({"special", "off"});
    EXPECT_EQ(client.NextConsumerCode(2s), 0x1810);
    EXPECT_NE(keyboard.Run({"dump"}).find("\"bankB\": true"), std::string::npos);

    // Profile 0 starts in mode 1; the lighting key walks the offered modes, then mode 17.
    std::vector<uint8_t> seen;
    for (int press = 0; press < 19; ++press) {
        keyboard.Run({"lighting-key"});
        EXPECT_EQ(client.NextConsumerCode(2s), 0x0401);
        seen.push_back(Read(OP_READ_PARAMS, 56, 0)[8]);
    }
    EXPECT_EQ(seen.front(), 2);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 17), 1);
    EXPECT_EQ(seen.back(), 1);
}

TEST_F(DaemonTest, TraceRecordsEveryReportInHex) {
    size_t mark = keyboard.TraceMark();
    ASSERT_EQ(Status(MakeFrame(OP_BEGIN)), STATUS_OK);
    ASSERT_EQ(client.WriteIndicator(0x05, 0x03), 1);
    auto lines = keyboard.TraceSince(mark);
    ASSERT_EQ(lines.size(), 3u);
    std::string zeros;
    for (int i = 0; i < 60; ++i) zeros += " 00";
    EXPECT_EQ(lines[0], "> CTRL 04 01 00 01" + zeros);
    EXPECT_EQ(lines[1], "< CTRL 04 01 00 01" + zeros);
    EXPECT_EQ(lines[2], "> LED 05 03");
    EXPECT_EQ(keyboard.FramesSentSince(mark), std::vector<std::string>{"04 01 00 01" + zeros});
    EXPECT_NE(keyboard.Run({"dump"}).find("\"indicator\": \"0503\""), std::string::npos);
}

TEST_F(DaemonTest, OnlyTheKeyboardsInterfacesMatch) {
    HidServDescriptor other = client.control;
    other.bytes[6] ^= 1;  // another product
    EXPECT_EQ(client.RequestGetDeviceCount(&other, nullptr, 0, nullptr), 0);
    Frame frame = MakeFrame(OP_BEGIN);
    EXPECT_EQ(client.RequestWriteOne(&other, nullptr, 0, frame.data(), 64, nullptr), 0);
    EXPECT_EQ(client.RequestGetDeviceCount(&client.consumer, nullptr, 0, nullptr), 1);
    EXPECT_EQ(client.RequestStatusGet(&client.control, nullptr, 0, frame.data(), 64, nullptr), 0);
}

TEST_F(DaemonTest, ADeletedRequestHearsNothingMore) {
    client.DeleteRequestFromUnitId(client.consUnitId);
    keyboard.Run({"bank"});
    EXPECT_FALSE(client.NextConsumerCode(SILENCE));
    EXPECT_EQ(Status(MakeFrame(OP_BEGIN)), STATUS_OK);
}

TEST_F(DaemonTest, ServesSeveralClientsAtOnce) {
    std::thread others([this] {
        for (int i = 0; i < 20; ++i) {
            keyboard.Run({"dump"});
            keyboard.Run({"special", "off"});
        }
    });
    for (int i = 0; i < 50; ++i) {
        auto reply = client.Transact(MakeFrame(OP_READ_KEY_BLOCK, 56, static_cast<uint16_t>(i)));
        ASSERT_TRUE(reply);
        ASSERT_EQ((*reply)[5], i);
        ASSERT_EQ((*reply)[7], STATUS_OK);
    }
    others.join();
    for (int i = 0; i < 20; ++i) EXPECT_EQ(client.NextConsumerCode(2s), 0x1810);
}

class ShuffledDaemonTest : public DaemonTest {
protected:
    ShuffledDaemonTest() : DaemonTest(Shuffled()) {}
    static VirtualKeyboard::Options Shuffled() {
        VirtualKeyboard::Options options;
        options.layout = "shuffled";
        return options;
    }
};

TEST_F(ShuffledDaemonTest, FactoryLayoutUsesAnotherSlotOrder) {
    std::vector<uint8_t> layout;
    for (int offset = 0; offset < 378; offset += 56) {
        uint8_t length = static_cast<uint8_t>(std::min(56, 378 - offset));
        auto chunk = Bytes(Read(OP_READ_DEFAULT, length, static_cast<uint16_t>(offset)), 8, length);
        layout.insert(layout.end(), chunk.begin(), chunk.end());
    }
    // The standard order starts with six 05 00 00 slots; the same six are elsewhere now.
    int firstSix = 0, all = 0;
    for (int slot = 0; slot < 126; ++slot) {
        bool macroSlot = Bytes(layout, slot * 3, 3) == std::vector<uint8_t>{5, 0, 0};
        all += macroSlot;
        firstSix += macroSlot && slot < 6;
    }
    EXPECT_EQ(all, 6);
    EXPECT_LT(firstSix, 6);
    // The key blocks start as the factory layout.
    EXPECT_EQ(Bytes(Read(OP_READ_KEY_BLOCK, 56, 378), 8, 56), Bytes(layout, 0, 56));
}

class UnpluggedDaemonTest : public DaemonTest {
protected:
    UnpluggedDaemonTest() : DaemonTest(SmallAndAbsent()) {}
    static VirtualKeyboard::Options SmallAndAbsent() {
        VirtualKeyboard::Options options;
        options.capacityUnits = 2;
        options.modes = "4,5";
        options.plugged = false;
        return options;
    }
};

TEST_F(UnpluggedDaemonTest, StartsAbsentAndReportsItsHardware) {
    EXPECT_EQ(client.ControlCount(), 0);
    EXPECT_EQ(client.Write(MakeFrame(OP_BEGIN)), 0);
    keyboard.Run({"plug"});
    ASSERT_EQ(client.NextCount(TAG_CTRL, 2s), 1u);
    auto settings = Settings();
    EXPECT_EQ(settings[11], 2);
    EXPECT_EQ(Bytes(settings, 12, 3), (std::vector<uint8_t>{4, 5, 0}));
    EXPECT_EQ(Status(MakeFrame(OP_READ_MACRO, 56, 200)), STATUS_OK);
    EXPECT_EQ(Status(MakeFrame(OP_READ_MACRO, 57, 200)), STATUS_FE);
    EXPECT_EQ(Status(MakeFrame(OP_READ_MACRO, 1, 256)), STATUS_FE);
}

// The stricter keyboard, one behaviour at a time: each refuses something the default one lets
// through, so a host that passes against it does not lean on the emulator's good will.
class StrictDaemonTest : public DaemonTest {
protected:
    explicit StrictDaemonTest(std::vector<std::string> args) : DaemonTest(With(std::move(args))) {}
    static VirtualKeyboard::Options With(std::vector<std::string> args) {
        VirtualKeyboard::Options options;
        options.strict = false;
        options.extraArgs = std::move(args);
        return options;
    }
};

class StrictEverything : public StrictDaemonTest {
protected:
    StrictEverything() : StrictDaemonTest({"--strict"}) {}
};

TEST_F(StrictEverything, SettingsHeadMustBeWrittenBackAsRead) {
    std::vector<uint8_t> settings = Settings();
    const std::vector<uint8_t> head = {0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6, 0x07, 0x18, 0x29, 0x3A};
    ASSERT_EQ(Bytes(settings, 0, 10), head);

    std::vector<uint8_t> zeroed(settings);
    std::fill_n(zeroed.begin(), 10, 0);
    zeroed[10] = 2;
    EXPECT_EQ(Status(MakeFrame(OP_WRITE_SETTINGS, 44, 0, zeroed)), STATUS_FE);
    EXPECT_EQ(Settings()[10], 0);

    settings[10] = 2;
    EXPECT_EQ(Status(MakeFrame(OP_WRITE_SETTINGS, 44, 0, settings)), STATUS_OK);
    EXPECT_EQ(Settings()[10], 2);
    EXPECT_NE(keyboard.Run({"dump"}).find("\"endBusyMs\": 20"), std::string::npos);
}

class StrictSessionReads : public StrictDaemonTest {
protected:
    StrictSessionReads() : StrictDaemonTest({"--session-reads"}) {}
};

TEST_F(StrictSessionReads, LightingParametersAreReadOnlyInsideASession) {
    EXPECT_EQ(Status(MakeFrame(OP_READ_PARAMS, 56, 0)), STATUS_FE);
    // The reads the host makes on arrival and for its profile files need no session.
    for (uint8_t read : {OP_READ_SETTINGS, OP_READ_KEY_BLOCK, OP_READ_MACRO, OP_READ_DEFAULT})
        EXPECT_EQ(Status(MakeFrame(read, read == OP_READ_SETTINGS ? 44 : 16, 0)), STATUS_OK)
            << int(read);
    ASSERT_EQ(Status(MakeFrame(OP_BEGIN)), STATUS_OK);
    EXPECT_EQ(Status(MakeFrame(OP_READ_PARAMS, 56, 42)), STATUS_OK);
    ASSERT_EQ(Status(MakeFrame(OP_END)), STATUS_OK);
    EXPECT_EQ(Status(MakeFrame(OP_READ_PARAMS, 56, 42)), STATUS_FE);
}

class StrictCleanFrames : public StrictDaemonTest {
protected:
    StrictCleanFrames() : StrictDaemonTest({"--clean-frames"}) {}
};

TEST_F(StrictCleanFrames, BytesACommandDoesNotUseMustBeZero) {
    auto spoiled = [](Frame frame, size_t at) {
        frame[at] = 0x5A;
        frame[1] = static_cast<uint8_t>(frame[1] + 0x5A);  // the checksum stays right
        frame[2] = static_cast<uint8_t>(frame[2] + (frame[1] < 0x5A));
        return frame;
    };
    ASSERT_EQ(Status(MakeFrame(OP_BEGIN)), STATUS_OK);
    EXPECT_EQ(Status(spoiled(MakeFrame(OP_BEGIN), 4)), STATUS_FF);
    EXPECT_EQ(Status(spoiled(MakeFrame(OP_READ_KEY_BLOCK, 3, 0), 8)), STATUS_FF);
    const Frame write = MakeFrame(OP_WRITE_KEY_BLOCK, 3, 0, {2, 2, 4});
    EXPECT_EQ(Status(spoiled(write, 11)), STATUS_FF);
    EXPECT_EQ(Bytes(Read(OP_READ_KEY_BLOCK, 3, 0), 8, 3), (std::vector<uint8_t>{5, 0, 0}));
    EXPECT_EQ(Status(write), STATUS_OK);
    EXPECT_EQ(Status(MakeFrame(OP_END)), STATUS_OK);
}

class StrictVolatileSession : public StrictDaemonTest {
protected:
    StrictVolatileSession() : StrictDaemonTest({"--volatile-session"}) {}
    void Replug() {
        keyboard.Run({"unplug"});
        ASSERT_EQ(client.NextCount(TAG_CTRL, 2s), 0u);
        keyboard.Run({"plug"});
        ASSERT_EQ(client.NextCount(TAG_CTRL, 2s), 1u);
    }
};

TEST_F(StrictVolatileSession, AnUnplugDropsWhatAnUnfinishedSessionWrote) {
    InSession({MakeFrame(OP_WRITE_MACRO, 2, 100, {0xAB, 0xCD})});
    ASSERT_EQ(Status(MakeFrame(OP_BEGIN)), STATUS_OK);
    ASSERT_EQ(Status(MakeFrame(OP_WRITE_KEY_BLOCK, 3, 378, {2, 2, 4})), STATUS_OK);
    ASSERT_EQ(Status(MakeFrame(OP_WRITE_MACRO, 1, 100, {0x11})), STATUS_OK);
    // Inside the session the keyboard reads back what it was given.
    EXPECT_EQ(Bytes(Read(OP_READ_MACRO, 1, 100), 8, 1), std::vector<uint8_t>{0x11});
    Replug();
    EXPECT_EQ(Bytes(Read(OP_READ_KEY_BLOCK, 3, 378), 8, 3), (std::vector<uint8_t>{5, 0, 0}));
    EXPECT_EQ(Bytes(Read(OP_READ_MACRO, 2, 100), 8, 2), (std::vector<uint8_t>{0xAB, 0xCD}));
}

class StrictEndBusy : public StrictDaemonTest {
protected:
    StrictEndBusy() : StrictDaemonTest({"--end-busy-ms", "300"}) {}
};

TEST_F(StrictEndBusy, FramesAfterAnEndWaitForTheFlash) {
    InSession({});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Status(MakeFrame(OP_READ_SETTINGS, 44)), STATUS_OK);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 250ms);
    const auto next = std::chrono::steady_clock::now();
    EXPECT_EQ(Status(MakeFrame(OP_READ_SETTINGS, 44)), STATUS_OK);
    EXPECT_LT(std::chrono::steady_clock::now() - next, 250ms);
}

class StrictEndBusyRefuse : public StrictDaemonTest {
protected:
    StrictEndBusyRefuse() : StrictDaemonTest({"--end-busy-ms", "300", "--end-busy-refuse"}) {}
};

TEST_F(StrictEndBusyRefuse, FramesAfterAnEndAreRefusedUntilTheFlashIsDone) {
    InSession({});
    EXPECT_EQ(Status(MakeFrame(OP_BEGIN)), STATUS_FE);
    EXPECT_EQ(Status(MakeFrame(OP_WRITE_KEY_BLOCK, 3, 0, {2, 2, 4})), STATUS_FE);
    std::this_thread::sleep_for(350ms);
    EXPECT_EQ(Bytes(Read(OP_READ_KEY_BLOCK, 3, 0), 8, 3), (std::vector<uint8_t>{5, 0, 0}));
    auto trace = keyboard.Trace();
    EXPECT_EQ(std::count(trace.begin(), trace.end(), "# busy: frame refused"), 2);
}

class StrictInOrderReplies : public StrictDaemonTest {
protected:
    StrictInOrderReplies() : StrictDaemonTest({"--in-order-replies"}) {}
};

// A reply that comes late holds back the next frame's, so it lands while the host waits for
// that next frame: the shape of a late reply inside the next chunk of a transfer.
TEST_F(StrictInOrderReplies, ALateReplyArrivesBeforeTheNextOne) {
    keyboard.Run({"fault", "delay", "200", "1"});
    ASSERT_EQ(client.Write(MakeFrame(OP_READ_KEY_BLOCK, 3, 0)), 1);
    ASSERT_EQ(client.Write(MakeFrame(OP_READ_KEY_BLOCK, 3, 3)), 1);
    EXPECT_FALSE(client.NextReply(100ms));
    auto late = client.NextReply(2s);
    auto next = client.NextReply(2s);
    ASSERT_TRUE(late && next);
    EXPECT_EQ((*late)[5], 0);
    EXPECT_EQ((*next)[5], 3);
}

TEST_F(DaemonTest, DuplicateAndUnsolicitedControlReports) {
    keyboard.Run({"fault", "duplicate", "1"});
    auto first = client.Transact(MakeFrame(OP_READ_KEY_BLOCK, 3, 6));
    auto again = client.NextReply(2s);
    ASSERT_TRUE(first && again);
    EXPECT_EQ(*first, *again);
    EXPECT_FALSE(client.NextReply(SILENCE));

    keyboard.Run({"inject", "04", "0B00", "08"});
    auto stray = client.NextReply(2s);
    ASSERT_TRUE(stray);
    EXPECT_EQ(Bytes(*stray, 0, 5), (std::vector<uint8_t>{0x04, 0x0B, 0x00, 0x08, 0x00}));
    auto trace = keyboard.Trace();
    for (const char* event : {"# fault: reply sent twice", "# injected control report"})
        EXPECT_NE(std::find(trace.begin(), trace.end(), event), trace.end()) << event;
}

}  // namespace
}  // namespace quorvel::testing
