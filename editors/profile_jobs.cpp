#include "editors/profile_jobs.h"

#include <filesystem>

#include "device/firmware_commands.h"
#include "device/profile_transfer.h"
#include "device/result_codes.h"
#include "model/profile_store.h"

namespace quorvel {

int SwitchActiveProfile(DeviceLink& link, int k, bool reloadFile) {
    if (reloadFile) {
        // Loaded aside first, so a failed read never leaves half a working set.
        const int active = GetActiveProfile(link);
        WorkingSetData loaded;
        if (active < 0 || !LoadProfileFile(ProfileFilePath(active), loaded)) {
            loaded = WorkingSetData{};
            CreateFreshWorkingSet(loaded);
        }
        *ProfileWorkingSet::Instance().Lock() = std::move(loaded);
    }
    const int result = SetActiveProfile(link, k);
    // Apply saves only into a file that exists; a profile first reached by a switch gets one
    // now, or every later Apply of it would stay pending.
    if (result == CMD_OK && EnsureDataFolder()) {
        const std::string path = ProfileFilePath(k);
        std::error_code error;
        if (!std::filesystem::exists(path, error))
            WriteProfileImage(path, ProfileWorkingSet::Instance());
    }
    return result;
}

int ApplyProfileChoice(DeviceLink& link, int k) {
    if (k >= 0) {
        const int set = SetActiveProfile(link, k);
        if (set != CMD_OK) return set;
    }
    LoadActiveProfileFromKeyboard(link, ProfileWorkingSet::Instance());
    return CMD_OK;
}

int ReloadActiveProfile(DeviceLink& link, bool keepEdits) {
    if (keepEdits) return GetActiveProfile(link) >= 0 ? CMD_OK : CMD_NO_DEVICE;
    LoadActiveProfileFromKeyboard(link, ProfileWorkingSet::Instance());
    return CMD_OK;
}

}  // namespace quorvel
