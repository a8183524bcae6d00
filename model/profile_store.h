#pragma once
// The program's data folder in the user's Documents folder, with the settings file and one
// profile file per on-board profile, and the file side of loading and saving the working set.
#include <future>
#include <string>
#include <string_view>

#include "model/working_set.h"

namespace quorvel {

inline constexpr std::string_view DATA_FOLDER_NAME = "Quorvel_09A";
inline constexpr std::string_view SETTINGS_FILE_NAME = "plkb.ini";
inline constexpr std::string_view SETTINGS_SECTION_KEYCOLOR = "KEYCOLOR";
inline constexpr std::string_view SETTINGS_KEY_DENG_CHECK = "DengCheck";

// $XDG_DOCUMENTS_DIR when set, otherwise Documents in the home folder.
std::string DefaultDocumentsFolder();

// Process-wide. The window passes the desktop's Documents location here; empty goes back to
// DefaultDocumentsFolder().
void SetDocumentsFolder(std::string folder);
// Process-wide. A data folder used instead of <documents>/Quorvel_09A (the command line's data
// folder option and tests); empty removes the override.
void SetDataFolderOverride(std::string folder);

std::string DataFolder();
// Creates the data folder and any missing parent; true when it exists afterwards.
bool EnsureDataFolder();

// <data folder>/$Profile<k>, after EnsureDataFolder.
std::string ProfileFilePath(int profile);
// <data folder>/plkb.ini, after EnsureDataFolder.
std::string SettingsFilePath();

// [KEYCOLOR] DengCheck: whether the lighting panel was showing when last left.
bool ReadDengCheck();
bool WriteDengCheck(bool lightingPanelShown);

// Writes the image of the data (texts packed, so their entries receive their offsets) as the
// new contents of path, atomically: on failure the previous file stays whole. The first form is
// for callers holding the working-set lock, the second takes it.
bool WriteProfileImage(const std::string& path, WorkingSetData& data);
bool WriteProfileImage(const std::string& path, ProfileWorkingSet& workingSet);

// Reads a profile image file into data (held under the caller's lock) without checking its
// header; files from outside pass ValidateProfileImage first. A file shorter than its header
// says loads what is there. On failure (no file, unreadable, shorter than the key areas, more
// macros than a list holds, out of memory) data is left exactly as it was.
bool LoadProfileFile(const std::string& path, WorkingSetData& data);

// Rewrites the active profile's profile file when it exists; never creates it. False when it
// does not exist, the profile is unknown (negative) or the write fails.
bool SaveWorkingSet(int activeProfile, WorkingSetData& data);
bool SaveWorkingSet(int activeProfile, ProfileWorkingSet& workingSet);
// The same, with the file written and flushed on a thread of its own, so that a keyboard write
// the caller starts meanwhile does not wait for the disk. The image is taken from data before
// this returns; get() the result before the file is read again.
std::future<bool> SaveWorkingSetAlongside(int activeProfile, WorkingSetData& data);

// The fresh working set: G-key codes in area 0, no macros, no texts.
void CreateFreshWorkingSet(WorkingSetData& data);
// Drops every text, every macro and every assignment.
void FreeWorkingSet(WorkingSetData& data);

}  // namespace quorvel
