// What the window hears when the keyboard reports events or comes and goes.
#include "device/device_events.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "device/shell_port.h"
#include "linked_keyboard.h"
#include "model/key_table.h"

namespace quorvel {
namespace {

using testing::LinkedKeyboard;
using Events = std::vector<std::string>;

const std::string PROFILE = "send 5452 50524F46";
const std::string GONE = "send 4753 00000000";
const std::string OPEN = "post 5350 4F50454E";
const std::string KEYBOARD_ICON = "tray 0 141";
const std::string NO_KEYBOARD_ICON = "tray 0 128";

class DeviceEventsTest : public LinkedKeyboard {};

TEST_F(DeviceEventsTest, ArrivalAtStartOpensTheWindowOnceAndPlugCyclesStayInOrder) {
    EXPECT_EQ(shell_.Events(), (Events{PROFILE, KEYBOARD_ICON, OPEN}));
    EXPECT_EQ(link_->Events().MacroCapacity(), 64 * 128);

    shell_.Clear();
    for (int i = 0; i < 3; ++i) {
        keyboard_->Run({"unplug"});
        keyboard_->Run({"plug"});
    }
    Events cycle = {GONE, "hide", NO_KEYBOARD_ICON, PROFILE, KEYBOARD_ICON};
    Events expected;
    for (int i = 0; i < 3; ++i) expected.insert(expected.end(), cycle.begin(), cycle.end());
    // An arrival read can find the keyboard already gone again; its failure message is fine.
    Events heard;
    for (int wait = 0; wait < 500 && heard.size() < expected.size(); ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        heard = shell_.Events();
        std::erase(heard, "message MAIN_DEFAULT_MATRIX_PROMPT");
    }
    EXPECT_EQ(heard, expected);
}

class ArrivalOnTheBinder : public LinkedKeyboard {
    bool ArrivalHere() override { return true; }
};

// Bound the way quorvelctl binds: the arrival is over when Bind returns, and later comings and
// goings are still heard.
TEST_F(ArrivalOnTheBinder, BindReturnsWithTheArrivalHandledAndLaterChangesStillCome) {
    EXPECT_EQ(shell_.Events(), (Events{PROFILE, KEYBOARD_ICON, OPEN}));
    EXPECT_EQ(link_->Events().MacroCapacity(), 64 * 128);

    shell_.Clear();
    keyboard_->Run({"unplug"});
    keyboard_->Run({"plug"});
    ExpectShellEvents(5);
    EXPECT_EQ(shell_.Events(), (Events{GONE, "hide", NO_KEYBOARD_ICON, PROFILE, KEYBOARD_ICON}));
}

TEST_F(DeviceEventsTest, RepeatedCountChangesNothing) {
    shell_.Clear();
    link_->Events().StartPresenceWorker(1);
    link_->Events().WaitUntilIdle();
    EXPECT_TRUE(shell_.Events().empty());
}

TEST_F(DeviceEventsTest, BankKeyTogglesTheIndicatorBothWays) {
    shell_.Clear();
    size_t mark = keyboard_->TraceMark();
    keyboard_->Run({"bank"});
    ExpectShellEvents(2);
    EXPECT_EQ(link_->IndicatorState()[1], 0x03);
    keyboard_->Run({"bank"});
    ExpectShellEvents(4);
    EXPECT_EQ(shell_.Events(),
              (Events{"send 5045 004C4544", "bank B", "send 5045 004C4544", "bank A"}));
    EXPECT_EQ(TraceLines(mark, "> LED", 2), (Events{"> LED 05 03", "> LED 05 02"}));
    EXPECT_EQ(link_->IndicatorState(), (std::array<uint8_t, 2>{0x05, 0x02}));
}

TEST_F(DeviceEventsTest, ConsumerCodes) {
    struct Case {
        uint16_t code;
        Events heard;
    };
    const Case cases[] = {
        {0x0401, {"timer 1051 0"}},
        {0x1811, {"tray 1 0"}},
        {0x1810, {"tray 0 0"}},
        {0x1801, {}},
        {0x1804, {}},
        {0x0000, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        shell_.Clear();
        link_->Events().OnConsumerCode(c.code);
        link_->Events().WaitUntilIdle();
        EXPECT_EQ(shell_.Events(), c.heard);
    }
    shell_.Clear();
    keyboard_->Run({"special", "on"});
    keyboard_->Run({"special", "off"});
    ExpectShellEvents(2);
    EXPECT_EQ(shell_.Events(), (Events{"tray 1 0", "tray 0 0"}));
}

class AbsentAtStart : public LinkedKeyboard {
protected:
    testing::VirtualKeyboard::Options KeyboardOptions() override {
        testing::VirtualKeyboard::Options options;
        options.plugged = false;
        options.capacityUnits = 10;
        options.layout = "shuffled";
        return options;
    }
};

TEST_F(AbsentAtStart, LaterArrivalReadsTheKeyboardButDoesNotOpenTheWindow) {
    EXPECT_TRUE(shell_.AutoOpenDone());
    EXPECT_TRUE(shell_.Events().empty());
    EXPECT_EQ(link_->Events().MacroCapacity(), 0);

    keyboard_->Run({"plug"});
    ExpectShellEvents(2);
    EXPECT_EQ(shell_.Events(), (Events{PROFILE, KEYBOARD_ICON}));
    EXPECT_EQ(link_->Events().MacroCapacity(), 10 * 128);
    EXPECT_NE(CurrentDefaultLayout(), BuiltInDefaultLayout());
}

TEST_F(AbsentAtStart, ShutdownDuringTheArrivalReadsEndsThemAtOnce) {
    // Every frame of the arrival's reads goes unanswered: each would wait out three attempts.
    keyboard_->Run({"fault", "drop", "100"});
    const size_t mark = keyboard_->TraceMark();
    keyboard_->Run({"plug"});
    ASSERT_EQ(TraceLines(mark, "> CTRL", 1).size(), 1u);

    const auto start = std::chrono::steady_clock::now();
    link_.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    const size_t afterUnbind = keyboard_->TraceMark();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(keyboard_->FramesSentSince(afterUnbind).empty());
    // The cut-short reads are not reported as the keyboard's failure.
    EXPECT_TRUE(shell_.Events().empty()) << ::testing::PrintToString(shell_.Events());
}

class NotReadyWindow : public LinkedKeyboard {
protected:
    void SetUp() override {
        keyboard_ = std::make_unique<testing::VirtualKeyboard>();
        shell_.SetReady(false);
        link_ = std::make_unique<DeviceLink>(shell_);
        BindOptions options;
        options.virtualKeyboard = true;
        options.libraryDir = testing::BinDir();
        ASSERT_TRUE(link_->Bind(options).Ok());
    }
};

TEST_F(NotReadyWindow, PresenceWorkerWaitsForTheWindowBeforeTheIcon) {
    ASSERT_TRUE(shell_.WaitForEvents(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    EXPECT_EQ(shell_.Events(), Events{PROFILE});
    shell_.SetReady(true);
    ExpectShellEvents(3);
    EXPECT_EQ(shell_.Events(), (Events{PROFILE, KEYBOARD_ICON, OPEN}));
}

// A keyboard flooding events while the window is busy must not queue a job per event: the
// bank presses are counted, the other kinds keep their latest, and plug cycles coalesce.
TEST_F(NotReadyWindow, FloodedEventsAreCoalescedNotQueued) {
    ASSERT_TRUE(shell_.WaitForEvents(1));
    shell_.Clear();
    DeviceEvents& events = link_->Events();
    for (int i = 0; i < 100001; ++i) {
        events.OnConsumerCode(EVENT_BANK_KEY);
        events.OnConsumerCode(EVENT_LIGHTING_CHANGED);
        events.OnConsumerCode(i % 2 == 0 ? EVENT_SPECIAL_STATE_ENTERED : EVENT_SPECIAL_STATE_LEFT);
    }
    for (int i = 0; i < 1000; ++i) {
        events.StartPresenceWorker(0);
        events.StartPresenceWorker(1);
    }
    shell_.SetReady(true);
    events.WaitUntilIdle();
    Events heard = shell_.Events();
    std::erase(heard, "message MAIN_DEFAULT_MATRIX_PROMPT");
    // An odd number of presses: the bank ends changed, after a handful of toggles at most.
    const auto toB = std::count(heard.begin(), heard.end(), "bank B");
    EXPECT_EQ(toB - std::count(heard.begin(), heard.end(), "bank A"), 1)
        << ::testing::PrintToString(heard);
    EXPECT_LE(toB, 3);
    EXPECT_LE(std::count(heard.begin(), heard.end(), "timer 1051 0"), 2);
    EXPECT_LE(std::count(heard.begin(), heard.end(), "tray 1 0"), 2);
    // The thousand plug cycles left one removal and one arrival at most, each acted on.
    EXPECT_LE(std::count(heard.begin(), heard.end(), GONE), 1);
    EXPECT_LE(std::count(heard.begin(), heard.end(), PROFILE), 1);
    EXPECT_EQ(link_->IndicatorState()[1], 0x03);
}

}  // namespace
}  // namespace quorvel
