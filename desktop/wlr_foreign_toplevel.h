#pragma once
// The active window on Wayland compositors that publish their toplevels through
// zwlr_foreign_toplevel_manager_v1 (sway, Hyprland, labwc, Wayfire and others). The source keeps
// its own connection to the compositor, so it works whatever platform Qt itself runs on.
#include <QSocketNotifier>
#include <memory>
#include <vector>

#include "desktop/active_window_source.h"

struct wl_display;
struct wl_registry;
struct zwlr_foreign_toplevel_manager_v1;
struct zwlr_foreign_toplevel_handle_v1;

namespace quorvel::desktop {

class WlrForeignToplevelSource : public ActiveWindowSource {
    Q_OBJECT
public:
    // display: a socket name or absolute path as WAYLAND_DISPLAY takes it; empty for the
    // session's own. Null when no compositor answers there or it offers no toplevel list.
    static std::unique_ptr<WlrForeignToplevelSource> Connect(const QString& display = {},
                                                             QObject* parent = nullptr);
    ~WlrForeignToplevelSource() override;

    WindowSupport Support() const override { return WindowSupport::WlrForeignToplevel; }
    QList<WindowInfo> OpenWindows() const override;

private:
    // One per toplevel the compositor announced; its state counts from its first done.
    struct Toplevel {
        WlrForeignToplevelSource* owner = nullptr;
        zwlr_foreign_toplevel_handle_v1* handle = nullptr;
        quint64 number = 0;
        QString appId;
        QString pendingAppId;
        bool activated = false;
        bool pendingActivated = false;
        bool announced = false;
    };
    // The Wayland listeners, defined beside the code they call.
    struct Listeners;
    friend struct Listeners;

    explicit WlrForeignToplevelSource(wl_display* display, QObject* parent);
    void Dispatch();
    void ReportActive();
    void Disconnect();

    wl_display* display_;
    wl_registry* registry_ = nullptr;
    zwlr_foreign_toplevel_manager_v1* manager_ = nullptr;
    QSocketNotifier* notifier_ = nullptr;  // a child, ended when the connection is
    std::vector<std::unique_ptr<Toplevel>> toplevels_;
    quint64 nextNumber_ = 1;
    // The toplevel last reported active and the app_id it had, so only changes are reported.
    quint64 reportedNumber_ = 0;
    QString reportedAppId_;
};

}  // namespace quorvel::desktop
