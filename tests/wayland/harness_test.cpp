// The headless compositor itself: a client's window shows in sway's tree and on the screenshot,
// and keys typed through the VNC server reach the focused client.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QThread>

#include "tests/wayland/wayland_e2e_support.h"

namespace quorvel::testing {
namespace {

using SwayHarness = WaylandEndToEndTest;

TEST_F(SwayHarness, ClientWindowShowsInTheTreeOnTheScreenAndTakesTypedKeys) {
    SwaySession& sway = sway_;
    QTemporaryDir dir;
    const QString typed = dir.filePath("typed");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    sway.AddTo(env);
    QProcess client;
    client.setProcessEnvironment(env);
    // A terminal whose shell writes one typed line to a file.
    client.start("foot", {"sh", "-c", "read line; echo \"$line\" > " + typed});
    ASSERT_TRUE(client.waitForStarted(5000));
    ASSERT_TRUE(WaitUntil([&] { return !sway.Windows(client.processId()).isEmpty(); }));
    const SwayWindow window = sway.Windows(client.processId()).first();
    EXPECT_EQ(window.appId, "foot");
    EXPECT_GT(window.place.width(), 100);

    const QString shot = dir.filePath("screen.png");
    ASSERT_TRUE(sway.Screenshot(shot));
    EXPECT_EQ(QImage(shot).size(), QSize(1280, 800));

    ASSERT_TRUE(sway.Click(window.place.center()));
    ASSERT_TRUE(sway.TypeKeys({"q", "w", "Return"}));
    EXPECT_TRUE(WaitUntil([&] {
        QFile file(typed);
        return file.open(QIODevice::ReadOnly) && file.readAll() == "qw\n";
    }));
    client.waitForFinished(5000);
}

}  // namespace
}  // namespace quorvel::testing
