#include "device/profile_files.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <optional>
#include <variant>
#include <vector>

#include "base/atomic_write.h"
#include "base/file_bytes.h"
#include "base/file_group.h"
#include "base/texts.h"
#include "device/chunk_writer.h"
#include "device/device_events.h"
#include "device/device_link.h"
#include "device/firmware_commands.h"
#include "device/lighting_io.h"
#include "device/macro_area.h"
#include "device/profile_files_contents.h"
#include "device/profile_transfer.h"
#include "device/result_codes.h"
#include "device/shell_port.h"
#include "model/key_table.h"
#include "model/mode_names.h"
#include "model/profile_image.h"
#include "model/profile_store.h"

namespace quorvel {
namespace {

using Records = std::array<LightingParams, ONBOARD_PROFILE_COUNT>;

// The three parameter records, read in one session as the lighting panel reads them.
bool ReadLightingRecords(DeviceLink& link, Records& records) {
    BeginSession(link);
    bool ok = true;
    for (int p = 0; p < ONBOARD_PROFILE_COUNT && ok; ++p) {
        ParamsChunk chunk{};
        ok = ReadParams(link, chunk, static_cast<uint8_t>(LIGHTING_PARAMS_READ_SIZE),
                        ParamAddress(p)) == CMD_OK;
        if (auto record = ReadLightingParams(chunk); ok && record) records[p] = *record;
    }
    EndSession(link);
    return ok;
}

bool Offers(const SettingsBlock& settings, int modeId) {
    for (size_t k = SUPPORTED_MODES_OFFSET; k < SETTINGS_BLOCK_SIZE; ++k)
        if (settings[k] != 0 && settings[k] == modeId) return true;
    return false;
}

// The whole file; none, and why, when it cannot be read or is larger than any document.
std::optional<std::string> ReadDocumentText(const std::string& path, std::string& refusal) {
    std::ifstream in(path, std::ios::binary);
    std::string text(PROFILE_DOCUMENT_MAX_BYTES + 1, '\0');
    if (in) in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (!in && !in.eof()) {
        refusal = "cannot read the file";
        return std::nullopt;
    }
    text.resize(static_cast<size_t>(in.gcount()));
    if (text.size() > PROFILE_DOCUMENT_MAX_BYTES) {
        refusal = "the file is larger than " + std::to_string(PROFILE_DOCUMENT_MAX_BYTES >> 20) +
                  " MiB, more than any profile document holds";
        return std::nullopt;
    }
    return text;
}

JsonImportResult Refused(std::string path, std::string message) {
    return {ProfileImportOutcome::REFUSED, {std::move(path), std::move(message)}};
}

JsonImportResult NotStarted(std::string message) {
    return {ProfileImportOutcome::NOT_STARTED, {"", std::move(message)}};
}

JsonImportResult NotWritten(std::string message) {
    return {ProfileImportOutcome::NOT_WRITTEN, {"", std::move(message)}};
}

// The active profile's file (when there is one, as SaveWorkingSet keeps it) and the three user
// colour files, replaced together; false, and error, with every file as it was.
bool ReplaceImportedFiles(const ProgramPaths& paths, int active, const ProfileDocument& document,
                          std::string& error) {
    FileGroup files;
    const std::string profileFile = ProfileFilePath(active);
    if (std::filesystem::is_regular_file(profileFile)) {
        WorkingSetData data = document.data;
        if (!WriteFileAtomically(files.Stage(profileFile), EncodeProfileImage(data), &error))
            return false;
    }
    for (int p = 0; p < ONBOARD_PROFILE_COUNT; ++p) {
        const auto target = WritePathFor(paths, UserFileRelativePath(p), false, &error);
        if (!target) return false;
        if (!BuildUserColourFile(files.Stage(*target),
                                 document.lighting[static_cast<size_t>(p)].userColours)) {
            error = *target + ": cannot write the user colour file";
            return false;
        }
    }
    return files.Commit(&error);
}

}  // namespace

ProfileFileFormat DetectProfileFileFormat(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> head(64);
    in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return LooksLikeJsonDocument(head) ? ProfileFileFormat::JSON : ProfileFileFormat::IMAGE;
}

bool LoadProfilesForExport(DeviceLink& link, ProfileWorkingSet& workingSet) {
    EnsureDataFolder();
    const int active = GetActiveProfile(link);
    std::optional<WorkingSetData> saved;
    std::optional<std::vector<uint8_t>> savedBytes;
    if (active >= 0 && active < ONBOARD_PROFILE_COUNT) {
        savedBytes = ReadFileBytes(ProfileFilePath(active));
        WorkingSetData data;
        if (savedBytes && LoadProfileFile(ProfileFilePath(active), data)) saved = std::move(data);
    }
    if (LoadActiveProfileFromKeyboard(link, workingSet) != ProfileSource::KEYBOARD) return false;
    if (!saved || MacroAreaSizes(saved->macros.Records()).withoutNames > MACRO_AREA_MAX_SIZE)
        return true;
    WorkingSetLock data = workingSet.Lock();
    const DefaultLayout layout = CurrentDefaultLayout();
    if (ImageOnKeyboard(*saved, layout) == ImageOnKeyboard(*data, layout)) {
        *data = std::move(*saved);
        WriteFileAtomically(ProfileFilePath(active), *savedBytes);
    }
    return true;
}

ProfileFileResult ExportProfileJson(DeviceLink& link, ProfileWorkingSet& workingSet,
                                    const ProgramPaths& paths, const std::string& path) {
    ProfileDocument document;
    Records records{};
    if (!ReadLightingRecords(link, records))
        return {false, "cannot read the lighting from the keyboard"};
    for (int p = 0; p < ONBOARD_PROFILE_COUNT; ++p) {
        document.lighting[static_cast<size_t>(p)].params = records[static_cast<size_t>(p)];
        document.lighting[static_cast<size_t>(p)].userColours = ReadUserColourSet(paths, p);
    }
    document.data = *workingSet.Lock();
    const std::string text =
        WriteProfileJson(document, [&](int id) { return LightingModeName(paths, id); });
    // A backup that cannot be restored is worse than none: nothing is written then.
    const auto readBack = ReadProfileJson(text);
    if (const auto* refusal = std::get_if<ProfileJsonError>(&readBack))
        return {false, "the document would not import again (" + refusal->Text() +
                           "), so it was not written"};
    std::string error;
    if (!WriteFileAtomically(
            path, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()), &error))
        return {false, path + ": " + error};
    return {true, {}};
}

ProfileFileResult ExportProfileFile(DeviceLink& link, ProfileWorkingSet& workingSet,
                                    const ProgramPaths& paths, const std::string& path,
                                    ProfileFileFormat format) {
    if (format == ProfileFileFormat::JSON) return ExportProfileJson(link, workingSet, paths, path);
    if (!ExportProfile(workingSet, path)) return {false, path + ": cannot write the file"};
    return {true, {}};
}

JsonImportResult ImportProfileJson(DeviceLink& link, ShellPort& shell,
                                   ProfileWorkingSet& workingSet, DeviceSnapshot& snapshot,
                                   const ProgramPaths& paths, const std::string& path,
                                   const Progress& progress) {
    std::string unreadable;
    const std::optional<std::string> text = ReadDocumentText(path, unreadable);
    if (!text) return Refused("", unreadable);
    auto parsed = ReadProfileJson(*text);
    if (auto* error = std::get_if<ProfileJsonError>(&parsed))
        return {ProfileImportOutcome::REFUSED, *error};
    ProfileDocument& document = std::get<ProfileDocument>(parsed);

    // What only the keyboard can say is checked before the first write as well.
    const int active = GetActiveProfile(link);
    SettingsBlock settings{};
    Records records{};
    if (active < 0 || ReadSettingsBlock(link, settings) != CMD_OK ||
        !ReadLightingRecords(link, records))
        return NotStarted("cannot read the keyboard's settings and lighting");
    for (int p = 0; p < ONBOARD_PROFILE_COUNT; ++p) {
        const int mode = document.lighting[static_cast<size_t>(p)].params.mode;
        // The mode the keyboard reports as current stands even when it does not announce it.
        if (!Offers(settings, mode) && mode != records[static_cast<size_t>(p)].mode)
            return Refused("/profiles/" + std::to_string(p) + "/lighting/mode/id",
                           "the keyboard offers no mode " + std::to_string(mode));
    }
    const size_t needed = MacroAreaSizes(document.data.macros.Records()).withoutNames;
    const int capacity = link.Events().MacroCapacity();
    if (needed > static_cast<size_t>(std::max(capacity, 0)) || needed > MACRO_AREA_MAX_SIZE)
        return Refused("/macros", "the macros need " + std::to_string(needed) +
                                      " bytes of macro area, the keyboard holds " +
                                      std::to_string(capacity));

    // Every file first, all of them or none: a failure part-way would leave some profiles
    // with the document's colours and others with the old ones.
    std::string error;
    if (!ReplaceImportedFiles(paths, active, document, error))
        return {ProfileImportOutcome::FILES_NOT_REPLACED, {"", error}};

    KeyboardWrite write;
    {
        const ImportWriteScope full(link);
        WorkingSetLock data = workingSet.Lock();
        *data = std::move(document.data);
        write = RefreshDeviceSnapshot(link, snapshot, *data, true, progress);
    }
    ShowWriteMessage(shell, write);
    if (!write.Ok()) return NotWritten("the keyboard did not take the key tables and macros");

    const bool userModes = Offers(settings, USER_MODE_ID);
    for (int p = 0; p < ONBOARD_PROFILE_COUNT; ++p) {
        const ProfileLighting& lighting = document.lighting[static_cast<size_t>(p)];
        const auto bytes =
            EncodeLightingParams(MergeLighting(records[static_cast<size_t>(p)], lighting.params));
        if (WriteParamBytes(link, p, 0, std::span(bytes.data(), LIGHTING_DOCUMENT_SPAN)) != CMD_OK)
            return NotWritten("the keyboard did not take the lighting of profile " +
                              std::to_string(p + 1));
        if (!userModes) continue;
        KeyColourTable table{};
        KeyColourMarks marks{};
        LoadUserMode(paths, p, table, marks);
        if (SendKeyColours(link, p, table) != CMD_OK)
            return NotWritten("the keyboard did not take the key colours of profile " +
                              std::to_string(p + 1));
    }
    return {ProfileImportOutcome::IMPORTED, {}};
}

ProfileImportOutcome OutcomeOf(ImportResult result) {
    switch (result) {
        case ImportResult::IMPORTED:
            return ProfileImportOutcome::IMPORTED;
        case ImportResult::REJECTED:
            return ProfileImportOutcome::REFUSED;
        case ImportResult::NOT_WRITTEN:
            break;
    }
    return ProfileImportOutcome::NOT_WRITTEN;
}

ProfileImportOutcome ImportProfileFile(DeviceLink& link, ShellPort& shell,
                                       ProfileWorkingSet& workingSet, DeviceSnapshot& snapshot,
                                       const ProgramPaths& paths, const std::string& path,
                                       const Progress& progress) {
    if (DetectProfileFileFormat(path) == ProfileFileFormat::IMAGE)
        return OutcomeOf(ImportProfile(link, shell, workingSet, snapshot, path, progress));
    const JsonImportResult result =
        ImportProfileJson(link, shell, workingSet, snapshot, paths, path, progress);
    if (result.outcome == ProfileImportOutcome::REFUSED) {
        std::string text = Text("PROFILE_FORMAT_ERROR");
        if (const auto at = text.find("%s"); at != std::string::npos)
            text.replace(at, 2, path + "\n  " + result.error.Text());
        shell.ShowMessageText("PROFILE_FORMAT_ERROR", text);
        shell.ShowMessage(IMPORT_FAILED_TEXT);
    }
    return result.outcome;
}

}  // namespace quorvel
