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
        // A session bus of the test's own, where no watcher runs until the test starts one.
        bus_.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        ASSERT_TRUE(bus_.waitForReadyRead(10000));
        env_.insert("DBUS_SESSION_BUS_ADDRESS", QString::fromUtf8(bus_.readLine().trimmed()));
    }
    void TearDown() override {
        EndToEndTest::TearDown();
        for (QProcess* process : {&area_, &bus_}) {
            process->kill();
            process->waitForFinished(3000);
        }
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
    // Waits until the area says it was given an icon; what it said.
    QString IconGiven() {
        WaitUntil(
            [&] {
                area_.waitForReadyRead(100);
                return area_.canReadLine();
            },
            15000);
        return QString::fromUtf8(area_.readLine().trimmed());
    }

    QProcess bus_;
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
    EXPECT_TRUE(IconGiven().startsWith("docked ")) << "no icon docked";
    // Cancel puts the window away; with an area to come back from, it hides.
    ASSERT_TRUE(ClickInMainWindow(program, SkinControlCentre("CONTROL_CANCEL").x(),
                                  SkinControlCentre("CONTROL_CANCEL").y()));
    EXPECT_TRUE(WaitForWindow(program, false));
}

TEST_F(NoNotificationArea, TheIconJoinsAWatcherThatAppearsLaterOnTheSessionBus) {
    Autostarted();
    ASSERT_TRUE(testing::StartNotificationArea(area_, "watcher", env_));
    EXPECT_TRUE(IconGiven().startsWith("registered ")) << "no icon registered";
}

}  // namespace
}  // namespace quorvel
