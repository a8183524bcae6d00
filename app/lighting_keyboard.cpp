#include "app/lighting_keyboard.h"

#include "device/firmware_commands.h"

namespace quorvel {

int ReadActiveLighting(DeviceLink& link, LightingState& state, const UserModeTarget* userModes) {
    const int profile = GetActiveProfile(link);
    if (profile < 0) return READ_LIGHTING_FAILED;
    state.activeProfile = profile;
    return ReadLighting(link, state, userModes);
}

}  // namespace quorvel
