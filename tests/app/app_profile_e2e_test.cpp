// End to end under Xvfb without a window manager: the test sets _NET_ACTIVE_WINDOW on the root
// window as a window manager would, and the running program switches the virtual keyboard's
// active profile by the rules quorvelctl wrote.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QThread>

#include "tests/app/e2e_support.h"
#include "tests/app/fake_window_manager.h"
#include "tests/support/keyboard_dump.h"

namespace quorvel::testing {
namespace {

// Byte of the settings block that holds the active profile (0-2).
constexpr int ACTIVE_PROFILE_BYTE = 10;
// How long a switch may take from the change of active window, the settling included.
constexpr int SWITCH_BOUND_MS = 500;

class AppProfileEndToEnd : public EndToEndTest {
protected:
    void SetUp() override {
        EndToEndTest::SetUp();
        // The program must take the X server for its desktop, whatever session runs the test.
        env_.remove("WAYLAND_DISPLAY");
        ASSERT_TRUE(wm_.Connected());
    }

    void Ctl(const QStringList& arguments) {
        ASSERT_FALSE(RunTool(BinFolder() + "/quorvelctl", arguments).isNull())
            << arguments.join(' ').toStdString();
    }
    QString ActiveProfile() const { return DumpHex("settings", ACTIVE_PROFILE_BYTE, 1); }
    // Makes window active and waits until the keyboard's active profile is profile ("00"-"02").
    // The time is taken from the trace, read every 10 ms, so that it is the program's and not
    // that of the dump: false when the keyboard's settings write came later than boundMs.
    bool FollowsWithin(uint32_t window, const QString& profile, int boundMs) {
        const size_t mark = keyboard_.TraceMark();
        QElapsedTimer since;
        since.start();
        wm_.Activate(window);
        const auto written = [&] {
            return SettingsWrittenSince(keyboard_, mark, ACTIVE_PROFILE_BYTE,
                                        profile.toStdString());
        };
        while (!written() && since.elapsed() < 5000) QThread::msleep(10);
        const qint64 took = since.elapsed();
        RecordProperty("switch_ms", int(took));
        EXPECT_LE(took, boundMs) << "profile " << profile.toStdString();
        return took <= boundMs && WaitUntil([&] { return ActiveProfile() == profile; }, 2000);
    }
    // True when the active profile stays profile for a while.
    bool Stays(const QString& profile, int forMs = 1000) {
        return !WaitUntil([&] { return ActiveProfile() != profile; }, forMs);
    }
    QProcess* Start() {
        QProcess* program = OpenProgram();
        EXPECT_EQ(ActiveProfile(), "00");
        return program;
    }

    FakeWindowManager wm_{TheDisplay().Name().toStdString()};
};

TEST_F(AppProfileEndToEnd, FollowsTheWindowInFrontAndRuleChangesWithoutRestart) {
    Ctl({"app-profile", "set", "Alpha", "2"});
    Ctl({"app-profile", "set", "beta", "3"});
    Ctl({"app-profile", "default", "1"});
    QProcess* program = Start();
    const uint32_t alpha = wm_.OpenWindow("Alpha");
    const uint32_t beta = wm_.OpenWindow("BETA");
    const uint32_t other = wm_.OpenWindow("Gamma");

    EXPECT_TRUE(FollowsWithin(alpha, "01", SWITCH_BOUND_MS)) << ActiveProfile().toStdString();
    EXPECT_TRUE(FollowsWithin(beta, "02", SWITCH_BOUND_MS)) << ActiveProfile().toStdString();
    // No rule: the default.
    EXPECT_TRUE(FollowsWithin(other, "00", SWITCH_BOUND_MS)) << ActiveProfile().toStdString();

    // Passing through a window is no switch.
    wm_.Activate(alpha);
    wm_.Activate(other);
    EXPECT_TRUE(Stays("00"));

    // Our own window is no program: the profile stays as it is.
    EXPECT_TRUE(FollowsWithin(beta, "02", SWITCH_BOUND_MS));
    wm_.Activate(MainWindowId(program).toUInt());
    EXPECT_TRUE(Stays("02"));

    // A rule removed while its window is in front: the window gets the default within 2 s.
    EXPECT_TRUE(FollowsWithin(alpha, "01", SWITCH_BOUND_MS));
    Ctl({"app-profile", "remove", "alpha"});
    EXPECT_TRUE(WaitUntil([&] { return ActiveProfile() == "00"; }, 2000));
    // Rules off: nothing switches.
    Ctl({"app-profile", "off"});
    QThread::msleep(500);
    wm_.Activate(beta);
    EXPECT_TRUE(Stays("00"));
    EXPECT_TRUE(KillRunning(program));
}

TEST_F(AppProfileEndToEnd, WaitsWhileTheKeyDialogIsOpenAndSwitchesWhenItIsCancelled) {
    Ctl({"app-profile", "set", "Alpha", "3"});
    QProcess* program = Start();
    const uint32_t alpha = wm_.OpenWindow("Alpha");
    const int windowsBefore = VisibleWindows(program).size();
    ASSERT_TRUE(ClickControl("KEY_01E", 600));
    QString dialog;
    ASSERT_TRUE(WaitUntil([&] {
        const QStringList shown = VisibleWindows(program);
        if (shown.size() <= windowsBefore) return false;
        dialog = ShownWindows().last();
        return true;
    }));

    wm_.Activate(alpha);
    EXPECT_TRUE(Stays("00", 1500));

    const QPoint cancel = SkinPlace("Composite.ini", "CONTROL_CANCEL").center();
    ASSERT_FALSE(RunTool("xdotool", {"mousemove", "--window", dialog, QString::number(cancel.x()),
                                     QString::number(cancel.y()), "click", "1"})
                     .isNull());
    EXPECT_TRUE(WaitUntil([&] { return VisibleWindows(program).size() == windowsBefore; }));
    EXPECT_TRUE(WaitUntil([&] { return ActiveProfile() == "02"; }, 2000))
        << ActiveProfile().toStdString();
    EXPECT_TRUE(KillRunning(program));
}

}  // namespace
}  // namespace quorvel::testing
