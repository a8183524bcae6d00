// End to end under Xvfb on a desktop without a notification area: started from the desktop's
// autostart ("/Start"), the program shows its window minimised instead of running unseen, and
// its icon joins an area that appears later, an X11 tray manager or a StatusNotifierWatcher on
// the session bus; an area that goes away while the window is hidden in it gives the window
// back, minimised, and the icon returns with the next area.
#include <QThread>

#include "tests/app/e2e_support.h"

namespace quorvel {
namespace {

class NoNotificationArea : public testing::EndToEndTest {
protected:
    void SetUp() override {
        EndToEndTest::SetUp();
        testing::TheDisplay().RemoveNotificationArea();
        // No watcher runs on the test's bus until the test starts one.
        ASSERT_TRUE(bus_.Start(env_));
    }
    void TearDown() override {
        EndToEndTest::TearDown();
        EndArea();
    }

    // The autostarted program, its window on screen once the keyboard was read.
    QProcess* Autostarted() {
        QProcess* program = Launch({"--virtual", "/Start"});
        EXPECT_TRUE(WaitForWindow(program, true));
        return program;
    }
    // The autostarted program with an area of the kind running: its icon given to the area and
    // the window hidden.
    QProcess* HiddenInArea(const QString& kind) {
        EXPECT_TRUE(testing::StartNotificationArea(area_, kind, env_));
        QProcess* program = Launch({"--virtual", "/Start"});
        EXPECT_FALSE(testing::NextLine(area_).isEmpty()) << "no icon given to the area";
        EXPECT_TRUE(WaitForWindow(program, false));
        return program;
    }
    void EndArea() {
        area_.kill();
        area_.waitForFinished(3000);
    }
    // Cancel puts the window away: hidden into an area, minimised without one.
    bool ClickCancel(const QProcess* program) const {
        const QPoint cancel = SkinControlCentre("CONTROL_CANCEL");
        return ClickInMainWindow(program, cancel.x(), cancel.y());
    }
    bool Minimised(const QProcess* program) const {
        return RunTool("xprop", {"-id", MainWindowId(program), "WM_HINTS"}).contains("Iconic");
    }

    testing::PrivateSessionBus bus_;
    QProcess area_;
};

TEST_F(NoNotificationArea, AutostartShowsTheWindowMinimisedAndUnpluggingKeepsItThere) {
    QProcess* program = Autostarted();
    EXPECT_TRUE(Minimised(program));
    keyboard_.Run({"unplug"});
    QThread::msleep(1500);
    EXPECT_FALSE(MainWindowId(program).isEmpty());
    EXPECT_TRUE(StillRunning(program));
}

TEST_F(NoNotificationArea, TheIconJoinsAnX11TrayThatAppearsLaterAndTheWindowMayHideThen) {
    QProcess* program = Autostarted();
    ASSERT_TRUE(testing::StartNotificationArea(area_, "x11", env_));
    EXPECT_TRUE(testing::NextLine(area_).startsWith("docked ")) << "no icon docked";
    // Cancel puts the window away; with an area to come back from, it hides.
    ASSERT_TRUE(ClickCancel(program));
    EXPECT_TRUE(WaitForWindow(program, false));
}

TEST_F(NoNotificationArea, TheIconJoinsAWatcherThatAppearsLaterOnTheSessionBus) {
    Autostarted();
    ASSERT_TRUE(testing::StartNotificationArea(area_, "watcher", env_));
    EXPECT_TRUE(testing::NextLine(area_).startsWith("registered ")) << "no icon registered";
}

TEST_F(NoNotificationArea, AnX11TrayThatEndsGivesTheWindowBackAndTheNextTakesTheIcon) {
    QProcess* program = HiddenInArea("x11");
    EndArea();
    ASSERT_TRUE(WaitForWindow(program, true));
    EXPECT_TRUE(Minimised(program));
    // Until an area is back, putting the window away minimises it.
    ASSERT_TRUE(ClickCancel(program));
    QThread::msleep(1000);
    EXPECT_FALSE(MainWindowId(program).isEmpty());

    ASSERT_TRUE(testing::StartNotificationArea(area_, "x11", env_));
    EXPECT_TRUE(testing::NextLine(area_).startsWith("docked ")) << "no icon docked";
    ASSERT_TRUE(ClickCancel(program));
    EXPECT_TRUE(WaitForWindow(program, false));
}

TEST_F(NoNotificationArea, AWatcherLeavingTheBusGivesTheWindowBackAndTheNextTakesTheIcon) {
    QProcess* program = HiddenInArea("watcher");
    EndArea();
    ASSERT_TRUE(WaitForWindow(program, true));
    EXPECT_TRUE(Minimised(program));
    ASSERT_TRUE(testing::StartNotificationArea(area_, "watcher", env_));
    EXPECT_TRUE(testing::NextLine(area_).startsWith("registered ")) << "no icon registered";
}

TEST_F(NoNotificationArea, AHostLeavingTheWatcherGivesTheWindowBackAndTheIconReturnsWithIt) {
    QProcess* program = HiddenInArea("watcher");
    area_.write("host-gone\n");
    area_.waitForBytesWritten(3000);
    ASSERT_TRUE(WaitForWindow(program, true));
    EXPECT_TRUE(Minimised(program));
    area_.write("host-back\n");
    area_.waitForBytesWritten(3000);
    EXPECT_TRUE(testing::NextLine(area_).startsWith("registered ")) << "no icon registered";
}

}  // namespace
}  // namespace quorvel
