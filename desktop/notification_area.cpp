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
    // Watching starts before the first look, so an area appearing in between is not missed.
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        auto* watcher = new QDBusServiceWatcher(WATCHER_SERVICE, bus,
                                                QDBusServiceWatcher::WatchForRegistration, this);
        connect(watcher, &QDBusServiceWatcher::serviceRegistered, this,
                &DesktopNotificationArea::Recheck);
        // A watcher may come before its host: the host's registration is the moment to look.
        bus.connect(WATCHER_SERVICE, WATCHER_PATH, WATCHER_SERVICE, "StatusNotifierHostRegistered",
                    this, SLOT(Recheck()));
    }
    if (X11Connection() != nullptr) {
        connect(&x11Poll_, &QTimer::timeout, this, &DesktopNotificationArea::Recheck);
        x11Poll_.start(X11_POLL_MS);
    }
    present_ = Present();
    if (present_) x11Poll_.stop();
}

bool DesktopNotificationArea::Present() const {
    return WatcherHasHost() || X11TrayManagerPresent();
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

void DesktopNotificationArea::Recheck() {
    if (present_ || !Present()) return;
    present_ = true;
    x11Poll_.stop();
    emit Appeared();
}

}  // namespace quorvel::desktop
