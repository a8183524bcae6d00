#pragma once
// The keyboard work of the profile manager, run on the window's keyboard job worker. Kept free
// of Qt: the firmware headers and Qt's keywords do not mix in one file.
namespace quorvel {

class DeviceLink;

// The quick switch: with reloadFile, first the active profile's file again (a fresh working set
// when it cannot be read), then profile k made active. The firmware command's result.
int SwitchActiveProfile(DeviceLink& link, int k, bool reloadFile);

// The profile manager's Apply: profile k made active (k < 0 keeps the active one), then the
// working set reloaded from the keyboard. Nothing is reloaded when the switch failed.
int ApplyProfileChoice(DeviceLink& link, int k);

// The keyboard reported its profiles: the working set reloaded from it, or with keepEdits only
// the active profile read, so edits not yet applied (and the file Apply saved them to) stay.
int ReloadActiveProfile(DeviceLink& link, bool keepEdits);

}  // namespace quorvel
