// Command line, session flag, tray icon rule and named events of the shell.
#include <gtest/gtest.h>

#include "app/command_line.h"
#include "app/session_watch.h"
#include "app/tray_icon_state.h"

namespace quorvel {
namespace {

TEST(CommandLine, SwitchesMatchWithoutRegardToCaseInAnyOrder) {
    struct Case {
        QStringList arguments;
        bool kill, start, virtualKeyboard, help;
    } cases[] = {
        {{}, false, false, false, false},
        {{"/kill"}, true, false, false, false},
        {{"/KILL", "/start"}, true, true, false, false},
        {{"/sTaRt"}, false, true, false, false},
        {{"--virtual", "/Start"}, false, true, true, false},
        {{"--HELP"}, false, false, false, true},
        {{"Start", "-kill", "/Killer", "/Start2"}, false, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        StartOptions options = ParseCommandLine(c.arguments);
        EXPECT_EQ(options.kill, c.kill);
        EXPECT_EQ(options.start, c.start);
        EXPECT_EQ(options.virtualKeyboard, c.virtualKeyboard);
        EXPECT_EQ(options.help, c.help);
    }
}

TEST(TrayIconState, ChangesOnlyOnADifferentIconAndFallsBackToTheBaseIcon) {
    TrayIconState fresh;
    fresh.Created();
    EXPECT_FALSE(fresh.Reported());
    EXPECT_FALSE(fresh.KeyboardPresent());
    // The base icon without a keyboard is already shown; asking for it again changes nothing.
    EXPECT_EQ(fresh.Request(TRAY_BASE_ICON, 0), std::nullopt);
    EXPECT_EQ(fresh.Request(TRAY_BASE_ICON, ICON_NO_KEYBOARD), std::nullopt);
    EXPECT_TRUE(fresh.Reported());
    EXPECT_EQ(fresh.Request(TRAY_BASE_ICON, ICON_KEYBOARD), ICON_KEYBOARD);
    EXPECT_EQ(fresh.Request(TRAY_BASE_ICON, ICON_KEYBOARD), std::nullopt);
    EXPECT_TRUE(fresh.KeyboardPresent());
    EXPECT_EQ(fresh.Request(TRAY_SPECIAL_ICON, 0), ICON_SPECIAL_STATE);
    EXPECT_TRUE(fresh.KeyboardPresent());  // the special state leaves the base as it was
    EXPECT_EQ(fresh.Request(TRAY_BASE_ICON, 0), ICON_KEYBOARD);
    EXPECT_EQ(fresh.Request(TrayIconMode(7), ICON_NO_KEYBOARD), std::nullopt);
    EXPECT_EQ(fresh.Shown(), ICON_KEYBOARD);
    fresh.Removed();
    EXPECT_EQ(fresh.Shown(), 0);
}

TEST(CommandLine, UsageListsEverySwitch) {
    QString usage = UsageText("quorvel");
    for (const char* name : {"/Start", "/Kill", "--virtual", "--help"}) {
        EXPECT_TRUE(usage.contains(name)) << name;
    }
}

TEST(SessionAwayState, OnlyTheMatchingReturnClearsTheFlag) {
    struct Case {
        std::vector<int> changes;
        bool away;
    } cases[] = {
        {{SESSION_LOCK}, true},
        {{SESSION_LOCK, SESSION_UNLOCK}, false},
        {{SESSION_LOCK, SESSION_LOCK}, true},
        {{SESSION_LOCK, SESSION_CONSOLE_CONNECT}, true},
        {{SESSION_CONSOLE_DISCONNECT, SESSION_CONSOLE_CONNECT}, false},
        {{SESSION_CONSOLE_DISCONNECT, SESSION_UNLOCK}, true},
        // The later reason decides.
        {{SESSION_LOCK, SESSION_CONSOLE_DISCONNECT, SESSION_UNLOCK}, true},
        {{SESSION_LOCK, SESSION_CONSOLE_DISCONNECT, SESSION_CONSOLE_CONNECT}, false},
        {{SESSION_UNLOCK}, false},
        {{SESSION_LOCK, 5, 3}, true},
    };
    for (const Case& c : cases) {
        SessionAwayState state;
        for (int change : c.changes) state.OnSessionChange(change);
        EXPECT_EQ(state.Away(), c.away) << ::testing::PrintToString(c.changes);
    }
}

}  // namespace
}  // namespace quorvel
