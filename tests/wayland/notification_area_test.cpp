// A Wayland desktop without a notification area (a bare compositor, no watcher on the session
// bus): started from the desktop's autostart, the program shows its window, since the
// compositor may not minimise it, its icon joins a watcher that appears later, and the window
// comes back when that watcher goes.
#include <gtest/gtest.h>

#include <QThread>

#include "tests/wayland/wayland_e2e_support.h"

namespace quorvel::testing {
namespace {

using NoNotificationAreaOnWayland = WaylandEndToEndTest;

TEST_F(NoNotificationAreaOnWayland,
       AutostartShowsTheWindowTheIconJoinsALaterWatcherAndLeavesWithIt) {
    PrivateSessionBus bus;
    ASSERT_TRUE(bus.Start(env_));
    ProgramCopy(1);
    program_ = Launch({"--virtual", "/Start"});
    ASSERT_TRUE(WaitUntil([&] { return MainWindow().has_value(); }, 10000));
    // Its first frame follows its place in the tree.
    QThread::msleep(1500);
    ShotTo("no-notification-area");

    QProcess area;
    ASSERT_TRUE(StartNotificationArea(area, "watcher", env_));
    EXPECT_TRUE(NextLine(area).startsWith("registered ")) << "no icon registered";
    // With an area to come back from, Cancel hides the window.
    // The pointer moves onto the button from outside the window: left over it by an earlier
    // test, it would not enter the new window's surface and the click would go nowhere.
    ASSERT_TRUE(sway_.MovePointer({1, 790}));
    ASSERT_TRUE(ClickMainControl("CONTROL_CANCEL"));
    EXPECT_TRUE(WaitUntil([&] { return !MainWindow().has_value(); }, 10000));
    // The watcher leaving the bus takes the icon with it: the window comes back.
    area.kill();
    area.waitForFinished(3000);
    EXPECT_TRUE(WaitUntil([&] { return MainWindow().has_value(); }, 10000));
}

}  // namespace
}  // namespace quorvel::testing
