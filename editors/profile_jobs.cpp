#include "editors/profile_jobs.h"

#include <filesystem>

#include "device/firmware_commands.h"
#include "device/profile_transfer.h"
#include "device/result_codes.h"
#include "model/profile_store.h"

namespace quorvel {
namespace {

// Unlike a fresh start, a failed read here replaces nothing: a fresh working set would show
// every key and macro gone while the keyboard still holds them.
int LoadFromKeyboard(DeviceLink& link) {
    const int active = GetActiveProfile(link);
    if (active < 0 || active >= ONBOARD_PROFILE_COUNT || !EnsureDataFolder())
        return PROFILE_READ_FAILED;
    const std::string path = ProfileFilePath(active);
    WorkingSetData loaded;
    if (!ReadProfileFromKeyboard(link, path, &loaded)) return PROFILE_READ_FAILED;
    *ProfileWorkingSet::Instance().Lock() = std::move(loaded);
    return CMD_OK;
}

}  // namespace

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
    if (result == CMD_OK) CreateMissingProfileFile(k);
    return result;
}

void CreateMissingProfileFile(int k) {
    if (k < 0 || !EnsureDataFolder()) return;
    const std::string path = ProfileFilePath(k);
    std::error_code error;
    if (!std::filesystem::exists(path, error) && !error)
        WriteProfileImage(path, ProfileWorkingSet::Instance());
}

int ApplyProfileChoice(DeviceLink& link, int k) {
    if (k >= 0) {
        const int set = SetActiveProfile(link, k);
        if (set != CMD_OK) return set;
    }
    return LoadFromKeyboard(link);
}

int ReloadActiveProfile(DeviceLink& link, bool keepEdits) {
    if (keepEdits) return GetActiveProfile(link) >= 0 ? CMD_OK : CMD_NO_DEVICE;
    return LoadFromKeyboard(link);
}

}  // namespace quorvel
