// profile, profile set, export and import: the on-board profiles as a whole.
#include <filesystem>
#include <string>

#include "cli/cli_error.h"
#include "cli/commands.h"
#include "cli/parse.h"
#include "device/device_link.h"
#include "device/firmware_commands.h"
#include "device/profile_transfer.h"
#include "device/result_codes.h"
#include "model/profile_check.h"
#include "model/profile_store.h"

namespace quorvel::cli {
void RunProfile(Session& session, Args& args) {
    if (args.Empty()) {
        int profile = session.ActiveProfile();
        Json json;
        json.Set("activeProfileIndex", profile);
        session.Print(json, "profile " + std::to_string(profile + 1) + "\n");
        return;
    }
    std::string sub = args.Next("sub-command");
    if (sub != "set") throw UsageError("profile: unknown sub-command \"" + sub + "\"");
    args.ExtendCommand(sub);
    int profile = ParseProfileNumber(args.Next("profile number (1-3)"));
    args.Finish();
    DeviceLink& link = session.Keyboard();
    int result = SetActiveProfile(link, profile);
    if (result != CMD_OK) throw KeyboardError("profile set", result);
    // As the window does when the keyboard reports a switch: the data folder follows.
    session.LoadFromKeyboard("profile set");
    Json json;
    json.Set("activeProfileIndex", profile);
    session.Report(json, "profile " + std::to_string(profile + 1) + " is active\n");
}

void RunExport(Session& session, Args& args) {
    std::string path = args.Next("file");
    args.Finish();
    session.LoadFromKeyboard("export");
    if (!ExportProfile(session.WorkingSet(), path))
        throw UsageError("export: " + path + ": cannot write the file");
    Json json;
    json.Set("file", path);
    session.Report(json, "exported to " + path + "\n");
}

void RunImport(Session& session, Args& args) {
    std::string path = args.Next("file");
    args.Finish();
    // Checked here first, so a bad file is named in one line and the keyboard is not touched.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        throw UsageError("import: " + path + ": no such file");
    bool headerRejected = false;
    int check =
        ValidateProfileImage(path, [&](std::string_view, std::string) { headerRejected = true; });
    if (check != PROFILE_CHECK_VALID) {
        if (headerRejected)
            throw UsageError("import: " + path + ": not a profile file (header check failed)");
        if (check == PROFILE_CHECK_UNREADABLE)
            throw UsageError("import: " + path + ": cannot read the file");
        throw UsageError("import: " + path + ": not a profile file (too short or too long)");
    }
    DeviceLink& link = session.Keyboard();
    session.ActiveProfile();
    ImportResult result = ImportProfile(link, session.Shell(), session.WorkingSet(),
                                        session.Snapshot(), path, session.ProgressBar("import"));
    session.EndProgress();
    if (result == ImportResult::REJECTED)
        throw UsageError("import: " + path + ": not a profile file");
    if (result == ImportResult::NOT_WRITTEN) throw session.WriteFailed("import");
    Json json;
    json.Set("file", path);
    session.Report(json, "imported " + path + " into all three profiles\n");
}

}  // namespace quorvel::cli
