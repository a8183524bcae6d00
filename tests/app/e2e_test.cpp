// End to end: the built program under Xvfb with the virtual keyboard. Each test has its own
// runtime folder and home, so no test sees another's running copy.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "tests/support/virtual_keyboard.h"

namespace quorvel {
namespace {

QString Bin() {
    return QString::fromStdString(testing::BinDir());
}

constexpr const char* FIRST_MACRO_EVENT = "/dev/shm/sem.Quorvel_Event_Main_01";

// The names are system-wide, so another copy (another test run) may hold the same name;
// a file's identity tells whose it is. 0 when there is none.
ino_t FileIdentity(const char* path) {
    struct stat info {};
    return stat(path, &info) == 0 ? info.st_ino : 0;
}

class Display {
public:
    Display() {
        number_ = 90 + getpid() % 100;
        server_.start("Xvfb", {QString(":%1").arg(number_), "-screen", "0", "1280x800x24",
                               "-nolisten", "tcp"});
        QString socket = QString("/tmp/.X11-unix/X%1").arg(number_);
        for (int i = 0; i < 200 && !QFile::exists(socket); ++i) QThread::msleep(20);
    }
    ~Display() {
        server_.terminate();
        server_.waitForFinished(3000);
    }
    QString Name() const { return QString(":%1").arg(number_); }

private:
    int number_;
    QProcess server_;
};

Display& TheDisplay() {
    static Display display;
    return display;
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        QDir().mkpath(dir_.filePath("run"));
        QFile::setPermissions(dir_.filePath("run"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QDir().mkpath(dir_.filePath("home"));
        env_ = QProcessEnvironment::systemEnvironment();
        env_.insert("DISPLAY", TheDisplay().Name());
        env_.insert("QT_QPA_PLATFORM", "xcb");
        env_.insert("XDG_RUNTIME_DIR", dir_.filePath("run"));
        env_.insert("HOME", dir_.filePath("home"));
        env_.insert("XDG_DATA_HOME", dir_.filePath("home/data"));
        env_.insert("QUORVEL_SHELL_STATE_FILE", StatePath());
        env_.insert("QUORVEL_VKBD_SOCKET", QString::fromStdString(keyboard_.SocketPath()));
    }
    void TearDown() override {
        for (QProcess* process : running_) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(3000);
            }
            delete process;
        }
    }

    QString StatePath() const { return dir_.filePath("state"); }

    QProcess* Launch(const QStringList& arguments) {
        auto* process = new QProcess;
        process->setProcessEnvironment(env_);
        process->start(Bin() + "/quorvel", arguments);
        running_.push_back(process);
        // Without an event loop here, only a wait moves the process out of "starting".
        EXPECT_TRUE(process->waitForStarted(5000)) << process->errorString().toStdString();
        return process;
    }

    // state() alone is not refreshed without an event loop; polling for the end is.
    static bool StillRunning(QProcess* process) {
        return process->state() == QProcess::Running && !process->waitForFinished(0);
    }

    // Runs a copy to its end; returns its exit code, -1 when it did not end in time.
    int RunToEnd(const QStringList& arguments, QString* standardError = nullptr) {
        QProcess* process = Launch(arguments);
        if (!process->waitForFinished(15000)) return -1;
        if (standardError) *standardError = QString::fromUtf8(process->readAllStandardError());
        return process->exitCode();
    }

    QString State(const QString& key) const {
        QFile file(StatePath());
        if (!file.open(QIODevice::ReadOnly)) return {};
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (line.startsWith(key.toUtf8() + "="))
                return QString::fromUtf8(line.mid(key.size() + 1));
        }
        return {};
    }

    bool WaitForState(const QString& key, const QString& value, int timeoutMs = 10000) {
        QElapsedTimer clock;
        clock.start();
        while (State(key) != value) {
            if (clock.elapsed() > timeoutMs) return false;
            QThread::msleep(20);
        }
        return true;
    }

    // A program folder of its own: a copy of the skins, the language file set to language.
    QString ProgramCopy(int language, const QString& leaveOut = {}) {
        QString folder = dir_.filePath("program");
        QDir().mkpath(folder + "/Skins");
        for (const QString& name : QDir(Bin() + "/Skins").entryList(QDir::Files)) {
            if (name != leaveOut) QFile::copy(Bin() + "/Skins/" + name, folder + "/Skins/" + name);
        }
        QFile languageFile(folder + "/Skins/language.ini");
        languageFile.open(QIODevice::ReadWrite);
        QByteArray text = languageFile.readAll();
        text.replace("language=1", QByteArray("language=") + QByteArray::number(language));
        languageFile.resize(0);
        languageFile.write(text);
        env_.insert("QUORVEL_PROGRAM_DIR", folder);
        return folder;
    }

    testing::VirtualKeyboard keyboard_;
    QTemporaryDir dir_;
    QProcessEnvironment env_;
    std::vector<QProcess*> running_;
};

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
    EXPECT_TRUE(QFile::exists("/dev/shm/sem.Quorvel_Event_Main_208"));
    ino_t firstEvent = FileIdentity(FIRST_MACRO_EVENT);
    EXPECT_NE(firstEvent, 0u);

    EXPECT_EQ(RunToEnd({"/kill"}), 0);
    ASSERT_TRUE(first->waitForFinished(10000));
    EXPECT_EQ(first->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first->exitCode(), 0);
    EXPECT_EQ(State("tray"), "0");
    EXPECT_NE(FileIdentity(FIRST_MACRO_EVENT), firstEvent);
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

TEST_F(EndToEnd, ScreenshotsOfTheMainWindowInBothLanguages) {
    QDir().mkpath(QUORVEL_SCREENSHOT_DIR);
    for (int language : {1, 0}) {
        ProgramCopy(language);
        QFile::remove(StatePath());
        QProcess* program = Launch({"--virtual"});
        ASSERT_TRUE(WaitForState("window", "shown"));
        QThread::msleep(700);  // let it paint
        QString shot = QString(QUORVEL_SCREENSHOT_DIR) +
                       (language == 1 ? "/main_english.png" : "/main_chinese.png");
        QProcess import;
        import.setProcessEnvironment(env_);
        import.start("import", {"-window", "root", shot});
        ASSERT_TRUE(import.waitForFinished(15000));
        EXPECT_EQ(import.exitCode(), 0);
        EXPECT_GT(QFile(shot).size(), 10000);
        EXPECT_EQ(RunToEnd({"/Kill"}), 0);
        EXPECT_TRUE(program->waitForFinished(10000));
        QDir(dir_.filePath("program")).removeRecursively();
    }
}

}  // namespace
}  // namespace quorvel
