// "Start with the desktop": the user's copy of the autostart entry is written from the shipped
// one with this executable's path, recognised, switched off by the desktop's own keys, removed.
#include "app/autostart.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

namespace quorvel {
namespace {

class Autostart : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        savedConfig_ = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", home_.filePath("config").toUtf8());
        programDir_ = home_.filePath("share/quorvel");
        QDir().mkpath(programDir_ + "/autostart");
        const QString shipped =
            QFileInfo(QUORVEL_SOURCE_LANGUAGE_FILE).absolutePath() + "/quorvel-autostart.desktop";
        ASSERT_TRUE(QFile::copy(shipped, programDir_ + "/" + AUTOSTART_ENTRY_RELATIVE));
    }
    void TearDown() override { qputenv("XDG_CONFIG_HOME", savedConfig_); }

    static QString UserCopy() {
        QFile file(UserAutostartPath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QTemporaryDir home_;
    QByteArray savedConfig_;
    QString programDir_;
};

TEST_F(Autostart, EnableWritesAValidEntryForThisExecutableAndDisableRemovesIt) {
    EXPECT_EQ(UserAutostartPath(), home_.filePath("config/autostart/quorvel.desktop"));
    EXPECT_FALSE(IsAutostartEnabled());

    QString error;
    ASSERT_TRUE(EnableAutostart(programDir_, "/opt/My Tools/bin/quorvel", &error))
        << error.toStdString();
    EXPECT_TRUE(IsAutostartEnabled());
    const QString copy = UserCopy();
    EXPECT_TRUE(copy.contains("\nExec=\"/opt/My Tools/bin/quorvel\" /Start\n"))
        << copy.toStdString();
    EXPECT_TRUE(copy.contains("Icon=quorvel"));
    const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
    if (!validator.isEmpty()) {
        EXPECT_EQ(QProcess::execute(validator, {UserAutostartPath()}), 0);
    }

    ASSERT_TRUE(DisableAutostart(&error));
    EXPECT_FALSE(QFile::exists(UserAutostartPath()));
    EXPECT_FALSE(IsAutostartEnabled());
    EXPECT_TRUE(DisableAutostart()) << "nothing to remove is not a failure";
}

// Each awkward folder name must survive both unescapings of Exec: the validator accepts the
// entry, and a desktop launcher starts exactly that file with /Start.
TEST_F(Autostart, ExecKeepsAwkwardProgramPathsIntact) {
    struct Case {
        QString folder;
        QString exec;  // the folder as it must appear inside the quoted Exec argument
    };
    const Case cases[] = {
        {"per %cent", "per %%cent"},          {"say \"hi\"", "say \\\\\"hi\\\\\""},
        {"back\\slash", "back\\\\\\\\slash"}, {"cost $HOME `id`", "cost \\\\$HOME \\\\`id\\\\`"},
        {"it's; a & b", "it's; a & b"},       {"tab\there", "tab\\there"},
    };
    const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
    const QString launcher = QStandardPaths::findExecutable("gio");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder.toStdString());
        const QString folder = home_.filePath(c.folder);
        ASSERT_TRUE(QDir().mkpath(folder));
        const QString program = folder + "/quorvel";
        const QString ranFile = home_.filePath("ran");
        QFile::remove(ranFile);
        {
            QFile script(program);
            ASSERT_TRUE(script.open(QIODevice::WriteOnly));
            script.write("#!/bin/sh\nprintf '%s|%s' \"$0\" \"$*\" > \"$RAN_FILE\"\n");
            script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        ASSERT_TRUE(EnableAutostart(programDir_, program));
        const QString expected = "\nExec=\"" + home_.path() + "/" + c.exec + "/quorvel\" /Start\n";
        EXPECT_TRUE(UserCopy().contains(expected)) << UserCopy().toStdString();
        if (!validator.isEmpty()) {
            EXPECT_EQ(QProcess::execute(validator, {UserAutostartPath()}), 0);
        }
        // GLib looks the unexpanded first word up as a file, so it refuses any path with %.
        if (launcher.isEmpty() || c.folder.contains('%')) continue;
        QProcess launch;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("RAN_FILE", ranFile);
        launch.setProcessEnvironment(environment);
        launch.start(launcher, {"launch", UserAutostartPath()});
        ASSERT_TRUE(launch.waitForFinished(10000));
        QFile ran(ranFile);
        for (int wait = 0; wait < 100 && ran.size() == 0; ++wait) QThread::msleep(50);
        ASSERT_TRUE(ran.open(QIODevice::ReadOnly)) << launch.readAllStandardError().toStdString();
        EXPECT_EQ(QString::fromUtf8(ran.readAll()), program + "|/Start");
    }
}

TEST_F(Autostart, ACopySwitchedOffByTheDesktopCountsAsOff) {
    ASSERT_TRUE(EnableAutostart(programDir_, "/usr/bin/quorvel"));
    for (const char* line : {"Hidden=true", "X-GNOME-Autostart-enabled=false"}) {
        QString text = UserCopy();
        text.replace("X-GNOME-Autostart-enabled=true", line);
        QFile file(UserAutostartPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.toUtf8());
        file.close();
        EXPECT_FALSE(IsAutostartEnabled()) << line;
    }
}

TEST_F(Autostart, WithoutTheShippedEntryNothingIsWritten) {
    QFile::remove(programDir_ + "/" + AUTOSTART_ENTRY_RELATIVE);
    QString error;
    EXPECT_FALSE(EnableAutostart(programDir_, "/usr/bin/quorvel", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFile::exists(UserAutostartPath()));
}

}  // namespace
}  // namespace quorvel
