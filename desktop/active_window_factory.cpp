#include "desktop/active_window_factory.h"

#include <cstdlib>

#include "desktop/x11_active_window.h"

namespace quorvel::desktop {
namespace {

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

}  // namespace

std::unique_ptr<ActiveWindowSource> CreateActiveWindowSource() {
    // Checked first: under Wayland, $DISPLAY leads to Xwayland, whose active window is only
    // ever one of its own X clients.
    if (IsSet("WAYLAND_DISPLAY")) return nullptr;
    if (IsSet("DISPLAY")) return X11ActiveWindow::Open();
    return nullptr;
}

}  // namespace quorvel::desktop
