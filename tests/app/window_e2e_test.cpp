// End to end: the main window's report-rate and profile buttons clicked with xdotool under Xvfb
// change the virtual keyboard.
#include <gtest/gtest.h>

#include <QThread>

#include "tests/app/e2e_support.h"

namespace quorvel {
namespace {

class WindowEndToEnd : public testing::EndToEndTest {
protected:
    bool WaitForArea(const QString& key, int offset, const QString& hex) const {
        return WaitUntil([&] { return DumpHex(key, offset, hex.size() / 2) == hex; }, 10000);
    }
};

TEST_F(WindowEndToEnd, ReportRateAndProfileButtonsChangeTheKeyboard) {
    ProgramCopy(1);
    QProcess* program = Launch({"--virtual"});
    ASSERT_TRUE(WaitForWindow(program, true));
    QThread::msleep(1500);  // the profiles are read and the window painted

    const QPoint rate = SkinControlCentre("FUNC_REPORT3");
    ASSERT_FALSE(rate.isNull());
    ASSERT_TRUE(ClickInMainWindow(program, rate.x(), rate.y()));
    // Profile 0 is active: byte 15 of its parameter record takes the third rate, index 2.
    EXPECT_TRUE(WaitForArea("params", 15, "02")) << DumpHex("params", 15, 1).toStdString();

    const QPoint profile = SkinControlCentre("FUNC_PROFILE2");
    ASSERT_FALSE(profile.isNull());
    ASSERT_TRUE(ClickInMainWindow(program, profile.x(), profile.y()));
    EXPECT_TRUE(WaitForArea("settings", 10, "01")) << DumpHex("settings", 10, 1).toStdString();

    EXPECT_TRUE(KillRunning(program));
}

// Outside the painting mode the lighting view takes key clicks for nothing: no key dialog, no
// colour, no assignment.
TEST_F(WindowEndToEnd, KeyClickInTheLightingViewOutsidePaintingChangesNothing) {
    QProcess* program = OpenProgram(1);
    ASSERT_TRUE(ClickControl("CONTROL_DengStaPic", 1500));  // the view opens on mode 1
    ASSERT_NE(DumpHex("params", 0, 1), "14");               // not the painting mode
    const QStringList windows = VisibleWindows(program);
    const QByteArray colours = DumpArea("keyColours");
    const QByteArray keys = DumpArea("keyBlocks");
    const QByteArray params = DumpArea("params");

    ASSERT_TRUE(ClickControl("KEY_01E", 1500));
    EXPECT_EQ(VisibleWindows(program), windows);
    EXPECT_EQ(DumpArea("keyColours"), colours);
    EXPECT_EQ(DumpArea("keyBlocks"), keys);
    EXPECT_EQ(DumpArea("params"), params);
    EXPECT_TRUE(KillRunning(program));
}

}  // namespace
}  // namespace quorvel
