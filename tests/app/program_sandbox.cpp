#include "tests/app/program_sandbox.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>

#include "model/profile_store.h"
#include "tests/support/virtual_keyboard.h"

namespace quorvel::testing {

bool WaitFor(const std::function<bool()>& condition, int timeoutMs, int sliceMs) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, sliceMs);
    }
    return true;
}

void CopyProgramFolders(const QString& programDir, const QStringList& folders) {
    const QString bin = QString::fromStdString(BinDir());
    for (const QString& folder : folders) {
        const QString from = bin + "/" + folder, to = programDir + "/" + folder;
        QDir().mkpath(to);
        for (const QString& name : QDir(from).entryList(QDir::Files))
            QFile::copy(from + "/" + name, to + "/" + name);
    }
}

ProgramPaths UsePrivateFolders(const QString& programDir, const QString& runtimeDir,
                               const QStringList& folders) {
    CopyProgramFolders(programDir, folders);
    const QDir runtime(runtimeDir);
    qputenv("XDG_RUNTIME_DIR", runtimeDir.toUtf8());
    qputenv("XDG_DATA_HOME", runtime.filePath("data").toUtf8());
    qputenv("XDG_CONFIG_HOME", runtime.filePath("config").toUtf8());
    QCoreApplication::setOrganizationName("Quorvel_Brannic");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, runtime.filePath("settings"));
    SetDataFolderOverride(runtime.filePath("documents/Quorvel_09A").toStdString());
    ProgramPaths paths;
    paths.programDir = programDir.toStdString();
    paths.overlayDir = runtime.filePath("data/Quorvel").toStdString();
    return paths;
}

void LeavePrivateFolders() {
    SetDataFolderOverride({});
    qunsetenv("XDG_CONFIG_HOME");
}

}  // namespace quorvel::testing
