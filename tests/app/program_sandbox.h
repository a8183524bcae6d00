#pragma once
// A copy of the program of a test's (or a benchmark's) own, run in-process on the offscreen
// platform: its program folder, everything it writes kept below one temporary folder, and the
// event loop turned while waiting for it. Free of GoogleTest, so the benchmarks use it too.
#include <QString>
#include <QStringList>
#include <functional>

#include "model/program_paths.h"

namespace quorvel::testing {

// Runs the event loop until condition holds, at most sliceMs per turn; false once timeoutMs
// have passed without it.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 15000, int sliceMs = 10);

// Copies the files of folders of the built program ("Skins", "autostart") into programDir.
void CopyProgramFolders(const QString& programDir, const QStringList& folders = {"Skins"});

// Makes programDir a program folder (the built program's folders copied in) and sends what the
// program keeps elsewhere below runtimeDir: the single-instance channel (XDG_RUNTIME_DIR), the
// overlay (XDG_DATA_HOME), the autostart entry (XDG_CONFIG_HOME), the settings and the profile
// data folder. Returns the program's paths. LeavePrivateFolders undoes what outlives the folders.
ProgramPaths UsePrivateFolders(const QString& programDir, const QString& runtimeDir,
                               const QStringList& folders = {"Skins"});
void LeavePrivateFolders();

}  // namespace quorvel::testing
