// A notification area for the end-to-end tests, run beside the program:
//   notification_area_host x11      owns the display's tray selection and embeds each icon
//                                    that asks to dock into a window of its own, never shown;
//   notification_area_host watcher   a StatusNotifierWatcher with a host on the session bus;
//                                    "host-gone" and "host-back" on its input make the host
//                                    leave and return, as a panel does that quits and restarts.
// Each prints one line per icon it was given ("docked <window>", "registered <service>") and
// runs until it is ended.
//   notification_area_host x11-absent  prints "absent" once the display's tray selection has
//                                    no owner, and ends.
#include <unistd.h>
#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QSocketNotifier>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr uint32_t REQUEST_DOCK = 0;

xcb_atom_t Atom(xcb_connection_t* connection, const std::string& name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.data()), nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : XCB_NONE;
    free(reply);
    return atom;
}

xcb_atom_t TraySelection(xcb_connection_t* connection, int screenNumber) {
    return Atom(connection, "_NET_SYSTEM_TRAY_S" + std::to_string(screenNumber));
}

// Returns once the tray selection has no owner: the server lets an ended manager's selection go
// only when it gets round to the closed connection, which a loaded machine delays.
int WaitUntilNoX11Tray() {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) return 1;
    const xcb_atom_t selection = TraySelection(connection, screenNumber);
    for (int tries = 0; tries < 1000; ++tries) {
        xcb_get_selection_owner_reply_t* reply = xcb_get_selection_owner_reply(
            connection, xcb_get_selection_owner(connection, selection), nullptr);
        const bool owned = reply != nullptr && reply->owner != XCB_NONE;
        free(reply);
        if (!owned) {
            std::printf("absent\n");
            return 0;
        }
        usleep(10000);
    }
    return 1;
}

int RunX11TrayManager() {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) return 1;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber; ++i) xcb_screen_next(&screens);
    const xcb_screen_t* screen = screens.data;
    const xcb_window_t area = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, area, screen->root, 0, 0, 64, 64, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    const xcb_atom_t selection = TraySelection(connection, screenNumber);
    const xcb_atom_t opcode = Atom(connection, "_NET_SYSTEM_TRAY_OPCODE");
    xcb_set_selection_owner(connection, area, selection, XCB_CURRENT_TIME);

    // The announcement clients already running wait for.
    xcb_client_message_event_t announce{};
    announce.response_type = XCB_CLIENT_MESSAGE;
    announce.format = 32;
    announce.window = screen->root;
    announce.type = Atom(connection, "MANAGER");
    announce.data.data32[0] = XCB_CURRENT_TIME;
    announce.data.data32[1] = selection;
    announce.data.data32[2] = area;
    xcb_send_event(connection, 0, screen->root, XCB_EVENT_MASK_STRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&announce));
    xcb_flush(connection);
    std::printf("owned\n");
    std::fflush(stdout);

    while (xcb_generic_event_t* event = xcb_wait_for_event(connection)) {
        if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
            const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
            if (message->type == opcode && message->data.data32[1] == REQUEST_DOCK) {
                const xcb_window_t icon = message->data.data32[2];
                xcb_reparent_window(connection, icon, area, 0, 0);
                xcb_map_window(connection, icon);
                xcb_flush(connection);
                std::printf("docked %u\n", icon);
                std::fflush(stdout);
            }
        }
        free(event);
    }
    return 0;
}

class Watcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ HostRegistered)
    Q_PROPERTY(int ProtocolVersion READ ProtocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ Items)

public:
    bool HostRegistered() const { return hostRegistered_; }
    void SetHostRegistered(bool registered) {
        hostRegistered_ = registered;
        QDBusConnection::sessionBus().send(QDBusMessage::createSignal(
            "/StatusNotifierWatcher", "org.kde.StatusNotifierWatcher",
            registered ? "StatusNotifierHostRegistered" : "StatusNotifierHostUnregistered"));
    }
    int ProtocolVersion() const { return 0; }
    QStringList Items() const { return items_; }

public slots:
    void RegisterStatusNotifierItem(const QString& service) {
        items_ << service;
        std::printf("registered %s\n", qPrintable(service));
        std::fflush(stdout);
    }
    void RegisterStatusNotifierHost(const QString&) {}

private:
    QStringList items_;
    bool hostRegistered_ = true;
};

int RunWatcher(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    Watcher watcher;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(
            "/StatusNotifierWatcher", &watcher,
            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties) ||
        !bus.registerService("org.kde.StatusNotifierWatcher"))
        return 1;
    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char line[64] = {};
        if (std::fgets(line, sizeof line, stdin) == nullptr) {
            input.setEnabled(false);
            return;
        }
        if (std::strncmp(line, "host-gone", 9) == 0) watcher.SetHostRegistered(false);
        if (std::strncmp(line, "host-back", 9) == 0) watcher.SetHostRegistered(true);
    });
    std::printf("owned\n");
    std::fflush(stdout);
    return application.exec();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "x11") == 0) return RunX11TrayManager();
    if (argc == 2 && std::strcmp(argv[1], "watcher") == 0) return RunWatcher(argc, argv);
    if (argc == 2 && std::strcmp(argv[1], "x11-absent") == 0) return WaitUntilNoX11Tray();
    std::fputs("usage: notification_area_host x11|watcher|x11-absent\n", stderr);
    return 2;
}

#include "notification_area_host.moc"
