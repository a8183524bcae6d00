#pragma once
// One run of the tool: the global options, the binding to the keyboard (made on first use), the
// program's working set and snapshot, and the two kinds of output (text or JSON).
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "cli/cli_error.h"
#include "cli/cli_shell.h"
#include "cli/json.h"
#include "device/command_frame.h"
#include "device/device_snapshot.h"
#include "device/profile_transfer.h"
#include "model/program_paths.h"
#include "model/working_set.h"

namespace quorvel {
class DeviceLink;
}

namespace quorvel::cli {

struct GlobalOptions {
    bool virtualKeyboard = false;
    bool json = false;
    bool quiet = false;
    bool yes = false;
    std::string dataDir;   // empty: Documents/Quorvel_09A
    bool dryRun = false;   // print the frames, send no write frame, change no file
    bool full = false;     // ignore what the keyboard picture knows: read and write in full
    bool noCheck = false;  // no read-back after writes
};

class Session {
public:
    explicit Session(GlobalOptions options);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    const GlobalOptions& Options() const { return options_; }
    CliShellPort& Shell() { return shell_; }
    ProfileWorkingSet& WorkingSet() { return ProfileWorkingSet::Instance(); }
    DeviceSnapshot& Snapshot() { return DeviceSnapshot::Instance(); }
    // The program folder (user colour files live under it).
    const ProgramPaths& Paths() const { return paths_; }

    // Binds the service library (once) and waits until the keyboard's arrival has been dealt
    // with. A binding failure throws.
    DeviceLink& Link();
    // Link(), and the keyboard must be attached.
    DeviceLink& Keyboard();
    // Throws when the keyboard is gone or its active profile cannot be read.
    int ActiveProfile();
    // Loads the working set as the keyboard holds it (the active profile's file is refreshed on
    // the way, or by the caller's save next: see ProfileFileRefresh); throws naming `what` when
    // the keyboard cannot be read.
    void LoadFromKeyboard(const std::string& what,
                          ProfileFileRefresh refresh = ProfileFileRefresh::NOW);
    // Throws the error of a read of the keyboard's profiles that failed, naming `what`.
    [[noreturn]] void ProfileReadFailed(const std::string& what);

    // Results: JSON when --json, the text otherwise (text ends with a line break if not empty).
    void Print(const Json& json, const std::string& text);
    // A confirmation of a change: the JSON, or the text unless -q.
    void Report(const Json& json, const std::string& text);

    // Draws a progress bar on stderr while a long write runs, when stderr is a terminal.
    Progress ProgressBar(std::string label);
    // Ends a bar drawn by ProgressBar.
    void EndProgress();

    // Exit-1 error for a keyboard write that did not complete, naming what was meant.
    CliError WriteFailed(const std::string& what);

    // A dry run's frames, one per line in hex, then their count; nothing otherwise.
    void PrintDryRun();

private:
    void UseDataFolderCopy();

    GlobalOptions options_;
    ProgramPaths paths_;
    CliShellPort shell_;
    std::unique_ptr<DeviceLink> link_;
    bool progressDrawn_ = false;
    // A dry run works on a copy of the data folder, removed at the end.
    std::string dryRunFolder_;
    std::mutex framesMutex_;
    std::vector<CommandFrame> frames_;
};

}  // namespace quorvel::cli
