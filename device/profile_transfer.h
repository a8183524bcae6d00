#pragma once
// Moving whole profiles between the keyboard, the working set and files: reading the
// keyboard's key tables and macro area into a profile file, loading the working set from the
// keyboard, saving it, and export and import of profile files. Long keyboard work belongs off
// the user-interface thread; these functions take the working-set lock only for as long as
// they touch the working set, and never while a message is shown.
#include <string>

#include "device/device_snapshot.h"
#include "model/working_set.h"

namespace quorvel {

class DeviceLink;
class ShellPort;

inline constexpr std::string_view IMPORT_FAILED_TEXT = "MAIN_PROMPT_INPORT";

// What loading from the keyboard does with the profile file it read for.
enum class ProfileFileRefresh {
    NOW,        // replaced at once when it does not say what the keyboard holds
    WITH_SAVE,  // left to the caller, who saves the working set next anyway; made when missing
};

// Reads the key tables of the three on-board profiles and the macro area and writes them to
// path as a profile image (no texts, area 3 empty), replacing the file atomically. False when
// the active profile is unknown, a read fails or the file cannot be written; the file is then
// untouched. When loaded is given it receives what loading the file then gives.
bool ReadProfileFromKeyboard(DeviceLink& link, const std::string& path,
                             WorkingSetData* loaded = nullptr,
                             ProfileFileRefresh refresh = ProfileFileRefresh::NOW);

enum class ProfileSource {
    KEYBOARD,  // the active profile's file was read from the keyboard and loaded
    FRESH,     // no keyboard, unknown profile or a failed read: a fresh working set
};

// Replaces the active profile's profile file from the keyboard and the working set from that
// file, or with a fresh working set when that fails. Key displays and the Apply state are the
// caller's to refresh afterwards.
ProfileSource LoadActiveProfileFromKeyboard(DeviceLink& link, ProfileWorkingSet& workingSet,
                                            ProfileFileRefresh refresh = ProfileFileRefresh::NOW);

// Rewrites the active profile's profile file when it exists; never creates it.
bool SaveWorkingSet(DeviceLink& link, ProfileWorkingSet& workingSet);

struct ApplyResult {
    bool saved = false;  // the active profile's file was rewritten
    int written = 0;     // 1 when the keyboard took every frame of the write
};

// Apply: under the working-set lock, saves the active profile's file and writes that profile's
// key table with the macro area; the message (if any) is shown after the locks are released.
ApplyResult ApplyWorkingSet(DeviceLink& link, ShellPort& shell, ProfileWorkingSet& workingSet,
                            DeviceSnapshot& snapshot, const Progress& progress = {});

// Writes the working set as a profile image to path (atomically). False when it cannot.
bool ExportProfile(ProfileWorkingSet& workingSet, const std::string& path);

enum class ImportResult {
    IMPORTED,     // working set, profile file and all three on-board profiles hold the file
    REJECTED,     // the file failed the check or could not be read: nothing changed
    NOT_WRITTEN,  // the working set and profile file took the file; the keyboard write failed
};

// Checks the file (a bad header shows PROFILE_FORMAT_ERROR; every rejection shows
// MAIN_PROMPT_INPORT), loads it as the working set, saves the active profile's file and writes
// all three on-board profiles with the macro area to the keyboard. A rejected file changes
// nothing and sends nothing.
ImportResult ImportProfile(DeviceLink& link, ShellPort& shell, ProfileWorkingSet& workingSet,
                           DeviceSnapshot& snapshot, const std::string& path,
                           const Progress& progress = {});

}  // namespace quorvel
