#pragma once
// What the desktop says about its windows: which one is active, and which are open. One
// implementation per kind of desktop, each in its own file; the program picks one at start.
#include <QList>
#include <QObject>
#include <QString>

namespace quorvel::desktop {

struct WindowInfo {
    // The desktop's own handle of the window, for the log (X11 window id, toplevel number).
    QString id;
    // X11: the class part of WM_CLASS; Wayland: app_id. Empty where the window has none.
    QString appId;
    // File name of the window's process executable; empty where the desktop does not say.
    QString executable;
};

// How the program learns which window is active on this desktop.
enum class WindowSupport {
    X11,                  // _NET_ACTIVE_WINDOW on the root window
    WlrForeignToplevel,   // the compositor's foreign-toplevel list
    KWin,                 // a KWin script reporting over D-Bus
    None,                 // the desktop does not tell programs which window is active
};

class ActiveWindowSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~ActiveWindowSource() override = default;

    virtual WindowSupport Support() const = 0;
    // The windows open now, for choosing a program in the rules dialog.
    virtual QList<WindowInfo> OpenWindows() const = 0;

signals:
    // Sent on every change of the active window, also when it changes back and forth quickly;
    // settling is the listener's business.
    void ActiveWindowChanged(const quorvel::desktop::WindowInfo& window);
};

}  // namespace quorvel::desktop
