// profile, profile set, export and import: the on-board profiles as a whole.
#include <filesystem>
#include <optional>
#include <string>

#include "cli/cli_error.h"
#include "cli/commands.h"
#include "cli/parse.h"
#include "device/device_link.h"
#include "device/firmware_commands.h"
#include "device/profile_files.h"
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
    std::optional<std::string> formatWord = args.TakeOption("format");
    std::string path = args.Next("file");
    args.Finish();
    ProfileFileFormat format = ProfileFileFormat::IMAGE;
    if (formatWord) {
        if (*formatWord == "json")
            format = ProfileFileFormat::JSON;
        else if (*formatWord != "fwc")
            throw UsageError("export: --format \"" + *formatWord + "\" is not fwc or json");
    } else if (std::filesystem::path(path).extension() == ".json") {
        format = ProfileFileFormat::JSON;
    }
    DeviceLink& link = session.Keyboard();
    // A second read that got through would replace the saved profile file with the keyboard's
    // coarser copy (delays in tens of ms), so a failed read ends the export.
    if (!LoadProfilesForExport(link, session.WorkingSet())) session.ProfileReadFailed("export");
    ProfileFileResult result =
        ExportProfileFile(link, session.WorkingSet(), session.Paths(), path, format);
    if (!result.ok) {
        if (link.CountControlInterfaces() == 0) throw KeyboardError("export", CMD_NO_DEVICE);
        if (format == ProfileFileFormat::IMAGE)
            throw UsageError("export: " + path + ": cannot write the file");
        throw CliError{EXIT_FAILED, "export: " + result.message};
    }
    Json json;
    json.Set("file", path);
    json.Set("format", format == ProfileFileFormat::JSON ? "json" : "fwc");
    session.Report(json, "exported to " + path + "\n");
}

namespace {

void ImportImage(Session& session, const std::string& path) {
    bool headerRejected = false;
    int check = ValidateProfileImage(path, [&](std::string_view key, std::string) {
        headerRejected = key == "PROFILE_FORMAT_ERROR";
    });
    if (check != PROFILE_CHECK_VALID) {
        if (check == PROFILE_CHECK_TOO_LARGE)
            throw UsageError("import: " + path + ": the file is larger than " +
                             std::to_string(PROFILE_IMAGE_MAX_FILE >> 20) +
                             " MiB, more than any profile file holds");
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
}

void ImportJson(Session& session, const std::string& path) {
    DeviceLink& link = session.Keyboard();
    session.ActiveProfile();
    JsonImportResult result =
        ImportProfileJson(link, session.Shell(), session.WorkingSet(), session.Snapshot(),
                          session.Paths(), path, session.ProgressBar("import"));
    session.EndProgress();
    if (result.outcome == ProfileImportOutcome::REFUSED)
        throw UsageError("import: " + path + ": " + result.error.Text());
    if (result.outcome == ProfileImportOutcome::FILES_NOT_REPLACED)
        throw CliError{EXIT_FAILED,
                       "import: the profile and user colour files could not be replaced, so "
                       "nothing was imported (" +
                           result.error.Text() + ")"};
    // Whether the keyboard changed or not, the import failed on the keyboard's side.
    if (result.outcome != ProfileImportOutcome::IMPORTED) {
        if (link.CountControlInterfaces() == 0) throw KeyboardError("import", CMD_NO_DEVICE);
        throw CliError{EXIT_FAILED, "import: " + result.error.Text()};
    }
}

}  // namespace

void RunImport(Session& session, Args& args) {
    const bool changesOnly = args.TakeFlag("changes-only");
    std::string path = args.Next("file");
    args.Finish();
    // Checked here first, so a bad file is named in one line and the keyboard is not touched.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        throw UsageError("import: " + path + ": no such file");
    session.Link().SetChangesOnlyImport(changesOnly);
    // The content decides, so a document saved under any name is read as what it is.
    const bool json = DetectProfileFileFormat(path) == ProfileFileFormat::JSON;
    if (json)
        ImportJson(session, path);
    else
        ImportImage(session, path);
    Json out;
    out.Set("file", path);
    out.Set("format", json ? "json" : "fwc");
    session.Report(out, "imported " + path + " into all three profiles\n");
}

}  // namespace quorvel::cli
