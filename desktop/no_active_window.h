#pragma once
// Desktops that do not tell programs which window is active (GNOME on Wayland, or no desktop
// the program knows): no window is ever reported, and the rules dialog says why.
#include "desktop/active_window_source.h"

namespace quorvel::desktop {

class NoActiveWindowSource : public ActiveWindowSource {
public:
    using ActiveWindowSource::ActiveWindowSource;
    WindowSupport Support() const override { return WindowSupport::None; }
    QList<WindowInfo> OpenWindows() const override { return {}; }
};

}  // namespace quorvel::desktop
