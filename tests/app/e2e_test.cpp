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

TEST_F(EndToEnd, StartsIntoTheTrayConnectedAndOpensItsWindowOnce) {
    QProcess* first = Launch({"--virtual"});
    ASSERT_TRUE(WaitForState("tray", "141")) << State("tray").toStdString();
    EXPECT_EQ(State("trayCreated"), "1");
    ASSERT_TRUE(WaitForState("window", "shown"));
    QThread::msleep(1000);
    EXPECT_EQ(State("opened"), "1");
    EXPECT_TRUE(StillRunning(first));

    // Unplugging hides the window; the keyboard coming back does not open it again.
    keyboard_.Run({"unplug"});
    ASSERT_TRUE(WaitForState("tray", "128"));
    EXPECT_TRUE(WaitForState("window", "hidden"));
    keyboard_.Run({"plug"});
    ASSERT_TRUE(WaitForState("tray", "141"));
    QThread::msleep(1000);
    EXPECT_EQ(State("window"), "hidden");
    EXPECT_EQ(State("opened"), "1");
    EXPECT_TRUE(StillRunning(first));
}

TEST_F(EndToEnd, SecondCopyHandsOverAndKillEndsTheFirst) {
    QProcess* first = Launch({"--virtual", "/START"});
    ASSERT_TRUE(WaitForState("tray", "141"));
    QThread::msleep(500);
    EXPECT_EQ(State("window"), "hidden");  // "/Start" keeps it closed
    EXPECT_EQ(State("opened"), "0");

    EXPECT_EQ(RunToEnd({"--virtual"}), 0);
    EXPECT_TRUE(WaitForState("window", "shown"));
    EXPECT_EQ(State("opened"), "1");
    EXPECT_FALSE(MapsNamedSemaphore(first->processId()));

    EXPECT_EQ(RunToEnd({"/kill"}), 0);
    ASSERT_TRUE(first->waitForFinished(10000));
    EXPECT_EQ(first->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first->exitCode(), 0);
    EXPECT_EQ(State("tray"), "0");
}

TEST_F(EndToEnd, KillWithoutARunningCopyStartsNothing) {
    EXPECT_EQ(RunToEnd({"/Kill", "--virtual"}), 0);
    EXPECT_FALSE(QFile::exists(StatePath()));
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
    EXPECT_FALSE(QFile::exists(StatePath()));
}

}  // namespace
}  // namespace quorvel
