#pragma once
// The keyboard work of the profile manager, run on the window's keyboard job worker. Kept free
// of Qt: the firmware headers and Qt's keywords do not mix in one file.
namespace quorvel {

class DeviceLink;

// The quick switch: with reloadFile, first the active profile's file again (a fresh working set
// when it cannot be read), then profile k made active. The firmware command's result.
int SwitchActiveProfile(DeviceLink& link, int k, bool reloadFile);

// Apply saves only into a profile file that exists: profile k gets one from the working set
// when it has none yet (first reached by a switch, or its read failed at arrival).
void CreateMissingProfileFile(int k);

// The profile was switched or reported, but reading it from the keyboard failed: the working
// set keeps what it held, so the window keeps showing it and says the read failed.
inline constexpr int PROFILE_READ_FAILED = -1001;
inline constexpr const char* PROFILE_READ_FAILED_TEXT = "EXTRA_PROFILE_READ_FAILED";

// The profile manager's Apply: profile k made active (k < 0 keeps the active one), then the
// working set reloaded from the keyboard. Nothing is reloaded when the switch failed.
int ApplyProfileChoice(DeviceLink& link, int k);

// The keyboard reported its profiles: the working set reloaded from it, or with keepEdits only
// the active profile read, so edits not yet applied (and the file Apply saved them to) stay.
int ReloadActiveProfile(DeviceLink& link, bool keepEdits);

}  // namespace quorvel
