#pragma once
// The active window on X11: the window manager names it in _NET_ACTIVE_WINDOW on the root
// window, and the X server tells us when that property changes. A connection of our own keeps
// its events away from Qt's event reader, which would otherwise swallow them.
#include <xcb/xcb_ewmh.h>

#include <QSocketNotifier>
#include <memory>

#include "desktop/active_window_source.h"

namespace quorvel::desktop {

class X11ActiveWindow final : public ActiveWindowSource {
    Q_OBJECT
public:
    // Connects to display (nullptr: $DISPLAY). Nullptr when no X server answers.
    static std::unique_ptr<X11ActiveWindow> Open(const char* display = nullptr);
    ~X11ActiveWindow() override;

    WindowSupport Support() const override { return WindowSupport::X11; }
    QList<WindowInfo> OpenWindows() const override;

private:
    explicit X11ActiveWindow(xcb_connection_t* connection);
    void ReadEvents();
    xcb_window_t ReadActiveWindow() const;
    WindowInfo Describe(xcb_window_t window) const;
    QString ClassOf(xcb_window_t window) const;
    QString ExecutableOf(xcb_window_t window) const;

    // xcb's calls take the connection record as non-const even to read a property.
    mutable xcb_ewmh_connection_t ewmh_{};
    xcb_window_t root_ = XCB_WINDOW_NONE;
    xcb_window_t active_ = XCB_WINDOW_NONE;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace quorvel::desktop
