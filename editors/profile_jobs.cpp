#include "editors/profile_jobs.h"

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
    return SetActiveProfile(link, k);
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
