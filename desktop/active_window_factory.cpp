#include "desktop/active_window_factory.h"

#include <QDBusConnection>
#include <QStandardPaths>
#include <cstdlib>

#include "desktop/kwin_script.h"
#include "desktop/no_active_window.h"
#include "desktop/wlr_foreign_toplevel.h"
#include "desktop/x11_active_window.h"

namespace quorvel::desktop {
namespace {

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// Compositors with the foreign-toplevel list first; KWin has none and is asked over D-Bus.
std::unique_ptr<ActiveWindowSource> WaylandSource() {
    if (auto wlr = WlrForeignToplevelSource::Connect()) return wlr;
    if (auto kwin = KWinScriptSource::Load(
            QDBusConnection::sessionBus(),
            QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation))) {
        return kwin;
    }
    return std::make_unique<NoActiveWindowSource>();
}

}  // namespace

std::unique_ptr<ActiveWindowSource> CreateActiveWindowSource() {
    // Checked first: under Wayland, $DISPLAY leads to Xwayland, whose active window is only
    // ever one of its own X clients.
    if (IsSet("WAYLAND_DISPLAY")) return WaylandSource();
    if (IsSet("DISPLAY")) return X11ActiveWindow::Open();
    return nullptr;
}

}  // namespace quorvel::desktop
