#pragma once
// Whether the desktop has a notification area for the program's icon, and when one appears or
// goes: a StatusNotifierWatcher with a host on the session bus, or on X11 a tray manager holding
// the screen's _NET_SYSTEM_TRAY selection. Stock GNOME, a bare compositor and some kiosks have
// neither; a panel or an extension may bring one later, and take it away again when it quits.
#include <QObject>
#include <QTimer>
#include <memory>

namespace quorvel::desktop {

class NotificationArea : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~NotificationArea() override = default;

    virtual bool Present() const = 0;

signals:
    // An area appeared where there was none.
    void Appeared();
    // The last area went away: nothing shows the icon any more.
    void Disappeared();
};

// The answer of the desktop the program runs on. The toolkit's own check is not asked: it
// decides once, at its first use, whether the session bus has a watcher, so an icon made before
// a watcher appears never reaches it. Asking here first, and adding the icon only once the area
// is there, lets the toolkit find it.
class DesktopNotificationArea : public NotificationArea {
    Q_OBJECT
public:
    explicit DesktopNotificationArea(QObject* parent = nullptr);

    bool Present() const override { return watcherHost_ || x11TrayManager_; }

private:
    bool WatcherHasHost() const;
    bool X11TrayManagerPresent() const;
    // A slot by name: a host's coming and going reach it through the bus's string connection.
    Q_SLOT void RecheckWatcher();
    void RecheckX11();
    void Announce(bool wasPresent);

    QTimer x11Poll_;
    bool watcherHost_ = false;
    bool x11TrayManager_ = false;
};

}  // namespace quorvel::desktop
