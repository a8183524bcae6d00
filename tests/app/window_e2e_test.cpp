// End to end: the main window's report-rate and profile buttons clicked with xdotool under Xvfb
// change the virtual keyboard.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include "tests/app/e2e_support.h"

namespace quorvel {
namespace {

class WindowEndToEnd : public testing::EndToEndTest {
protected:
    // count bytes at offset of a dumped area, as upper-case hex.
    std::string Area(const std::string& key, size_t offset, size_t count) const {
        const std::string dump = keyboard_.Run({"dump"});
        const size_t open = dump.find('"', dump.find(':', dump.find("\"" + key + "\"")) + 1);
        return dump.substr(open + 1 + 2 * offset, 2 * count);
    }
    bool WaitForArea(const std::string& key, size_t offset, const std::string& hex) const {
        QElapsedTimer clock;
        clock.start();
        while (Area(key, offset, hex.size() / 2) != hex) {
            if (clock.elapsed() > 10000) return false;
            QThread::msleep(50);
        }
        return true;
    }
};

TEST_F(WindowEndToEnd, ReportRateAndProfileButtonsChangeTheKeyboard) {
    ProgramCopy(1);
    QProcess* program = Launch({"--virtual"});
    ASSERT_TRUE(WaitForState("window", "shown"));
    QThread::msleep(1500);  // the profiles are read and the window painted

    const QPoint rate = SkinControlCentre("FUNC_REPORT3");
    ASSERT_FALSE(rate.isNull());
    ASSERT_TRUE(ClickInMainWindow(program, rate.x(), rate.y()));
    // Profile 0 is active: byte 15 of its parameter record takes the third rate, index 2.
    EXPECT_TRUE(WaitForArea("params", 15, "02")) << Area("params", 15, 1);

    const QPoint profile = SkinControlCentre("FUNC_PROFILE2");
    ASSERT_FALSE(profile.isNull());
    ASSERT_TRUE(ClickInMainWindow(program, profile.x(), profile.y()));
    EXPECT_TRUE(WaitForArea("settings", 10, "01")) << Area("settings", 10, 1);

    EXPECT_TRUE(KillRunning(program));
}

TEST_F(WindowEndToEnd, ScreenshotsOfTheProfileBarAndTheProfileManagerInBothLanguages) {
    QDir().mkpath(QUORVEL_SCREENSHOT_DIR);
    for (int language : {1, 0}) {
        ProgramCopy(language);
        QFile::remove(StatePath());
        QProcess* program = Launch({"--virtual"});
        ASSERT_TRUE(WaitForState("window", "shown"));
        QThread::msleep(1500);
        const QString suffix = language == 1 ? "_english.png" : "_chinese.png";
        EXPECT_TRUE(Screenshot(QString(QUORVEL_SCREENSHOT_DIR) + "/profiles" + suffix));
        const QPoint manager = SkinControlCentre("FUNC_PROFILES");
        ASSERT_TRUE(ClickInMainWindow(program, manager.x(), manager.y()));
        QThread::msleep(1500);
        EXPECT_TRUE(Screenshot(QString(QUORVEL_SCREENSHOT_DIR) + "/profile_manager" + suffix));
        EXPECT_TRUE(KillRunning(program));
        QDir(dir_.filePath("program")).removeRecursively();
    }
}

}  // namespace
}  // namespace quorvel
