#include "desktop/notification_area.h"

#include <xcb/xcb.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>
#include <string>

namespace quorvel::desktop {
namespace {

constexpr const char* WATCHER_SERVICE = "org.kde.StatusNotifierWatcher";
constexpr const char* WATCHER_PATH = "/StatusNotifierWatcher";
// A tray manager announces itself to clients that select structure changes on the root window,
// which the toolkit does not hand on; a look at the selection owner is one round trip.
constexpr int X11_POLL_MS = 2000;
// A watcher that does not answer must not hold the window's start for long.
constexpr int WATCHER_REPLY_MS = 1000;

xcb_connection_t* X11Connection() {
    auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                                   : nullptr;
    return x11 != nullptr ? x11->connection() : nullptr;
}

int X11ScreenNumber() {
    char* host = nullptr;
    int display = 0;
    int screen = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screen) == 0) return 0;
    free(host);
    return screen;
}

}  // namespace

DesktopNotificationArea::DesktopNotificationArea(QObject* parent) : NotificationArea(parent) {
    // Watching starts before the first look, so an area coming or going in between is not
    // missed.
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        auto* watcher = new QDBusServiceWatcher(WATCHER_SERVICE, bus,
                                                QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
                &DesktopNotificationArea::RecheckWatcher);
        // A watcher may come before its host and outlive it: the host's registration and its
        // leaving are the moments to look.
        for (const char* signal :
             {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"})
            bus.connect(WATCHER_SERVICE, WATCHER_PATH, WATCHER_SERVICE, signal, this,
                        SLOT(RecheckWatcher()));
    }
    // Watched for as long as the program runs: a tray manager that ends takes the icon with it.
    if (X11Connection() != nullptr) {
        connect(&x11Poll_, &QTimer::timeout, this, &DesktopNotificationArea::RecheckX11);
        x11Poll_.start(X11_POLL_MS);
    }
    watcherHost_ = WatcherHasHost();
    x11TrayManager_ = X11TrayManagerPresent();
}

bool DesktopNotificationArea::WatcherHasHost() const {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.interface() == nullptr ||
        !bus.interface()->isServiceRegistered(WATCHER_SERVICE))
        return false;
    QDBusMessage get = QDBusMessage::createMethodCall(WATCHER_SERVICE, WATCHER_PATH,
                                                      "org.freedesktop.DBus.Properties", "Get");
    get << QString(WATCHER_SERVICE) << QString("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = bus.call(get, QDBus::Block, WATCHER_REPLY_MS);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return false;
    return reply.arguments().first().value<QDBusVariant>().variant().toBool();
}

bool DesktopNotificationArea::X11TrayManagerPresent() const {
    xcb_connection_t* connection = X11Connection();
    if (connection == nullptr) return false;
    const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(X11ScreenNumber());
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.data()), nullptr);
    if (atom == nullptr) return false;
    xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
    const bool owned = owner != nullptr && owner->owner != XCB_NONE;
    free(owner);
    free(atom);
    return owned;
}

void DesktopNotificationArea::RecheckWatcher() {
    const bool wasPresent = Present();
    watcherHost_ = WatcherHasHost();
    Announce(wasPresent);
}

void DesktopNotificationArea::RecheckX11() {
    const bool wasPresent = Present();
    x11TrayManager_ = X11TrayManagerPresent();
    Announce(wasPresent);
}

void DesktopNotificationArea::Announce(bool wasPresent) {
    if (Present() == wasPresent) return;
    if (Present())
        emit Appeared();
    else
        emit Disappeared();
}

}  // namespace quorvel::desktop
