#pragma once
// Profile files in both formats, the profile image (.fwc) and the JSON document
// (model/profile_json.h): the entry points that the window's Export and Import and quorvelctl
// share. Keyboard work: run them on the keyboard job worker, never on the UI thread.
#include <string>

#include "device/device_snapshot.h"
#include "device/profile_transfer.h"
#include "model/profile_json.h"
#include "model/program_paths.h"
#include "model/working_set.h"

namespace quorvel {

class DeviceLink;
class ShellPort;

enum class ProfileFileFormat {
    IMAGE,  // the binary profile image, default extension .fwc
    JSON,   // the JSON document, default extension .json
};

// Decided by the content, not the name: a JSON document starts with '{'. A file that cannot be
// read counts as an image (its check then reports it).
ProfileFileFormat DetectProfileFileFormat(const std::string& path);

// The keyboard is the master copy, but it holds no G-key, program or text assignments and
// numbers macros by position. Loads the working set from the keyboard as
// LoadActiveProfileFromKeyboard does; when the active profile's file, as it was before, writes
// exactly the key tables and macro area the keyboard holds, the file's data is kept instead
// (and the file left as it was), so those survive an export. False when the keyboard cannot be
// read; the working set is then fresh.
bool LoadProfilesForExport(DeviceLink& link, ProfileWorkingSet& workingSet);

// Larger than any document the program writes (a full one is about 1.5 MiB); a larger file is
// refused before it is read further.
constexpr size_t PROFILE_DOCUMENT_MAX_BYTES = size_t{4} << 20;

struct ProfileFileResult {
    bool ok = false;
    std::string message;  // one line when not ok
};

// Writes the working set as it stands, with the lighting of the three on-board profiles (the
// parameter records read from the keyboard, the user colour files), as a JSON document,
// atomically. Fails, writing nothing, when the records cannot be read, the file written, or
// the document would not import again.
ProfileFileResult ExportProfileJson(DeviceLink& link, ProfileWorkingSet& workingSet,
                                    const ProgramPaths& paths, const std::string& path);

// IMAGE: the working set as a profile image (ExportProfile); JSON: ExportProfileJson.
ProfileFileResult ExportProfileFile(DeviceLink& link, ProfileWorkingSet& workingSet,
                                    const ProgramPaths& paths, const std::string& path,
                                    ProfileFileFormat format);

// The window's messages for NOT_STARTED and FILES_NOT_REPLACED (below).
inline constexpr std::string_view IMPORT_NOT_STARTED_TEXT = "EXTRA_IMPORT_NOT_STARTED";
inline constexpr std::string_view IMPORT_FILES_NOT_REPLACED_TEXT =
    "EXTRA_IMPORT_FILES_NOT_REPLACED";

// How far an import got. Only NOT_WRITTEN leaves the working set holding what the keyboard
// does not.
enum class ProfileImportOutcome {
    IMPORTED,     // working set, profile file, keyboard (and for a document its lighting and
                  // user colour files) hold the file
    REFUSED,      // the file (or, for a document, what the keyboard offers) refused it: nothing
                  // changed
    NOT_STARTED,  // the keyboard could not be read before the first write: nothing changed
    FILES_NOT_REPLACED,  // the files could not be replaced before the first keyboard write:
                         // nothing changed
    NOT_WRITTEN,  // the working set took the file, then a keyboard or file write failed part-way
};

// A profile image's outcome in the same terms (its import reads nothing first).
ProfileImportOutcome OutcomeOf(ImportResult result);

struct JsonImportResult {
    ProfileImportOutcome outcome = ProfileImportOutcome::REFUSED;
    ProfileJsonError error;  // the JSON path and reason of a refusal, or what failed
};

// Checks the whole document first (refused when larger than PROFILE_DOCUMENT_MAX_BYTES), and
// against the keyboard (the modes it offers, the room in its macro area); only then replaces
// the active profile's file and the three user colour files together (all or none:
// FILES_NOT_REPLACED when they cannot be), loads the document as the working set, writes all three
// key tables with the macro area, each profile's lighting record (fields the document does not know
// keep the keyboard's values), and each profile's current user mode's colours when the keyboard
// offers user modes. Messages of the
// key and macro write go through shell as for a profile image. NOT_STARTED when the active
// profile, the settings block or a lighting record cannot be read: those reads come before the
// working set or anything else is touched.
JsonImportResult ImportProfileJson(DeviceLink& link, ShellPort& shell,
                                   ProfileWorkingSet& workingSet, DeviceSnapshot& snapshot,
                                   const ProgramPaths& paths, const std::string& path,
                                   const Progress& progress = {});

// Either format, chosen by content. A profile image goes through ImportProfile with its
// messages; a JSON document that is refused shows PROFILE_FORMAT_ERROR with the path and the
// reason in place of the file name, then MAIN_PROMPT_INPORT. The other outcomes show
// only the key and macro write's own message, if it got that far: saying what happened is the
// caller's.
ProfileImportOutcome ImportProfileFile(DeviceLink& link, ShellPort& shell,
                                       ProfileWorkingSet& workingSet, DeviceSnapshot& snapshot,
                                       const ProgramPaths& paths, const std::string& path,
                                       const Progress& progress = {});

}  // namespace quorvel
