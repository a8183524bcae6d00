#pragma once
// Which picture the notification-area icon shows: the base icon the device side last reported
// (no keyboard, or a keyboard), or the special state's icon over it. Free of Qt, so the rule is
// tested on its own; the window turns its answers into icon changes.
#include <optional>

#include "device/shell_port.h"

namespace quorvel {

class TrayIconState {
public:
    // The icon was added with the no-keyboard picture, or removed at exit.
    void Created() { shown_ = ICON_NO_KEYBOARD; }
    void Removed() { shown_ = 0; }

    // A request of the device side (SetTrayIcon): the icon to show when it differs from the one
    // shown, otherwise nothing. An unknown mode changes nothing.
    std::optional<int> Request(TrayIconMode mode, int iconId);

    // 0 while the icon is not in the notification area.
    int Shown() const { return shown_; }
    bool KeyboardPresent() const { return base_ == ICON_KEYBOARD; }
    // The device side has said at least once whether a keyboard is there.
    bool Reported() const { return reported_; }

private:
    int shown_ = 0;
    int base_ = ICON_NO_KEYBOARD;
    bool reported_ = false;
};

}  // namespace quorvel
