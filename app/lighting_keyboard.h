#pragma once
// The keyboard reads of the lighting panel, kept apart from Qt: the firmware command headers
// use names that Qt's keywords take.
#include "device/lighting_io.h"

namespace quorvel {

// Reads the keyboard's active profile into state.activeProfile, then its lighting
// (ReadLighting). READ_LIGHTING_FAILED when the active profile cannot be read.
int ReadActiveLighting(DeviceLink& link, LightingState& state, const UserModeTarget* userModes);

}  // namespace quorvel
