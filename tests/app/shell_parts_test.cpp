// Command line, session flag and named events of the shell.
#include <gtest/gtest.h>

#include "app/command_line.h"
#include "app/session_watch.h"

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
