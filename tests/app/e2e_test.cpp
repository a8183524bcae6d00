// End to end: the built program under Xvfb with the virtual keyboard.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QThread>

#include "tests/app/e2e_support.h"

namespace quorvel {
namespace {

// Named semaphores are files in /dev/shm that another user can create first; the program has
// no use for any, so none may be mapped. Other test runs on the machine may hold such names,
// so the process's own mappings are what counts.
bool MapsNamedSemaphore(qint64 pid) {
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("/dev/shm/sem.");
}

using EndToEnd = testing::EndToEndTest;

TEST_F(EndToEnd, OpensItsWindowOnceConnectedAndNotAgainWhenTheKeyboardReturns) {
    QProcess* first = Launch({"--virtual"});
    ASSERT_TRUE(WaitForWindow(first, true));
    EXPECT_TRUE(StillRunning(first));

    // Unplugging hides the window; the keyboard coming back does not open it again.
    keyboard_.Run({"unplug"});
    EXPECT_TRUE(WaitForWindow(first, false));
    const size_t mark = keyboard_.TraceMark();
    keyboard_.Run({"plug"});
    ASSERT_TRUE(WaitUntil([&] { return !keyboard_.FramesSentSince(mark).empty(); }));
    QThread::msleep(1000);
    EXPECT_TRUE(MainWindowId(first).isEmpty());
    EXPECT_TRUE(StillRunning(first));
}

// The second copy starts as soon as the first listens for it: its hand-over may reach the
// first before that has found the keyboard, and must still open the window.
TEST_F(EndToEnd, SecondCopyHandsOverAndKillEndsTheFirst) {
    QProcess* first = Launch({"--virtual", "/START"});
    ASSERT_TRUE(WaitUntil([&] { return QFile::exists(dir_.filePath("run/Quorvel_Mutex_09A")); }));
    EXPECT_EQ(RunToEnd({"--virtual"}), 0);
    EXPECT_TRUE(WaitForWindow(first, true));
    EXPECT_FALSE(MapsNamedSemaphore(first->processId()));

    EXPECT_EQ(RunToEnd({"/kill"}), 0);
    ASSERT_TRUE(first->waitForFinished(10000));
    EXPECT_EQ(first->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first->exitCode(), 0);
}

TEST_F(EndToEnd, StartSwitchKeepsTheWindowClosed) {
    QProcess* first = Launch({"--virtual", "/START"});
    ASSERT_TRUE(WaitUntil([&] { return !keyboard_.FramesSentSince(0).empty(); }));
    QThread::msleep(1500);
    EXPECT_TRUE(MainWindowId(first).isEmpty());
    EXPECT_TRUE(StillRunning(first));
}

TEST_F(EndToEnd, KillWithoutARunningCopyStartsNothing) {
    EXPECT_EQ(RunToEnd({"/Kill", "--virtual"}), 0);
    EXPECT_TRUE(keyboard_.FramesSentSince(0).empty());
}

TEST_F(EndToEnd, MissingSkinPictureEndsTheStartWithOneLine) {
    for (const char* picture : {"main_over.jpg", "main_color1.jpg"}) {
        ProgramCopy(1, picture);
        QString error;
        int code = RunToEnd({"--virtual"}, &error);
        EXPECT_NE(code, 0) << picture;
        EXPECT_NE(code, -1) << picture;
        EXPECT_EQ(error.count('\n'), 1) << error.toStdString();
        EXPECT_TRUE(error.contains(picture)) << error.toStdString();
        QDir(dir_.filePath("program")).removeRecursively();
    }
}

// Without a folder only this user can enter, no copy could find the running one: the start
// ends with the reason instead of running unreachable.
TEST_F(EndToEnd, WithoutAPrivateRuntimeFolderTheStartEndsWithOneLine) {
    QFile notAFolder(dir_.filePath("cache"));
    ASSERT_TRUE(notAFolder.open(QIODevice::WriteOnly));
    notAFolder.close();
    env_.remove("XDG_RUNTIME_DIR");
    env_.insert("XDG_CACHE_HOME", notAFolder.fileName());
    QString error;
    EXPECT_EQ(RunToEnd({"--virtual"}, &error), 1);
    // Qt adds its own warning about XDG_RUNTIME_DIR; the program says one line.
    EXPECT_EQ(error.count("quorvel: "), 1) << error.toStdString();
    EXPECT_TRUE(error.contains("quorvel: " + notAFolder.fileName())) << error.toStdString();
    EXPECT_TRUE(keyboard_.FramesSentSince(0).empty());
}

}  // namespace
}  // namespace quorvel
