// End to end under Xvfb on a desktop without a notification area: started from the desktop's
// autostart ("/Start"), the program shows its window minimised instead of running unseen, and
// its icon joins an area that appears later, an X11 tray manager or a StatusNotifierWatcher on
// the session bus.
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
        area_.kill();
        area_.waitForFinished(3000);
    }

    // The autostarted program, its window on screen once the keyboard was read.
    QProcess* Autostarted() {
        QProcess* program = Launch({"--virtual", "/Start"});
        EXPECT_TRUE(WaitForWindow(program, true));
        return program;
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
    ASSERT_TRUE(ClickInMainWindow(program, SkinControlCentre("CONTROL_CANCEL").x(),
                                  SkinControlCentre("CONTROL_CANCEL").y()));
    EXPECT_TRUE(WaitForWindow(program, false));
}

TEST_F(NoNotificationArea, TheIconJoinsAWatcherThatAppearsLaterOnTheSessionBus) {
    Autostarted();
    ASSERT_TRUE(testing::StartNotificationArea(area_, "watcher", env_));
    EXPECT_TRUE(testing::NextLine(area_).startsWith("registered ")) << "no icon registered";
}

}  // namespace
}  // namespace quorvel
