#include "app/tray_icon_state.h"

namespace quorvel {

std::optional<int> TrayIconState::Request(TrayIconMode mode, int iconId) {
    int wanted;
    if (mode == TRAY_SPECIAL_ICON) {
        wanted = ICON_SPECIAL_STATE;
    } else if (mode == TRAY_BASE_ICON) {
        if (iconId != 0) {
            base_ = iconId;
            reported_ = true;
        }
        wanted = base_;
    } else {
        return std::nullopt;
    }
    if (wanted == shown_) return std::nullopt;
    shown_ = wanted;
    return wanted;
}

}  // namespace quorvel
