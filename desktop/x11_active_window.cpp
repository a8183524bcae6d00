#include "desktop/x11_active_window.h"

#include <unistd.h>

#include <cstdlib>

#include "desktop/process_executable.h"

namespace quorvel::desktop {
namespace {

// Text properties are short; this bounds what a hostile client can make us read.
constexpr uint32_t PROPERTY_WORDS = 256;

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

QString HexId(xcb_window_t window) {
    return QStringLiteral("0x%1").arg(window, 0, 16);
}

}  // namespace

std::unique_ptr<X11ActiveWindow> X11ActiveWindow::Open(const char* display) {
    int screen = 0;
    xcb_connection_t* connection = xcb_connect(display, &screen);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return nullptr;
    }
    std::unique_ptr<X11ActiveWindow> source(new X11ActiveWindow(connection));
    xcb_intern_atom_cookie_t* cookies = xcb_ewmh_init_atoms(connection, &source->ewmh_);
    if (xcb_ewmh_init_atoms_replies(&source->ewmh_, cookies, nullptr) == 0) {
        source->ewmh_.screens = nullptr;  // freed by the failed call
        return nullptr;
    }
    source->root_ = source->ewmh_.screens[screen]->root;

    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(connection, source->root_, XCB_CW_EVENT_MASK, &events);
    source->active_ = source->ReadActiveWindow();
    xcb_flush(connection);

    source->notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(connection),
                                                          QSocketNotifier::Read);
    connect(source->notifier_.get(), &QSocketNotifier::activated, source.get(),
            &X11ActiveWindow::ReadEvents);
    return source;
}

X11ActiveWindow::X11ActiveWindow(xcb_connection_t* connection) {
    ewmh_.connection = connection;
}

X11ActiveWindow::~X11ActiveWindow() {
    notifier_.reset();
    xcb_connection_t* connection = ewmh_.connection;
    if (ewmh_.screens != nullptr) xcb_ewmh_connection_wipe(&ewmh_);
    xcb_disconnect(connection);
}

void X11ActiveWindow::ReadEvents() {
    // Replies read while describing a window may pull later events off the socket into xcb's
    // queue, where the notifier never sees them: the loop runs until that queue is empty too.
    while (xcb_generic_event_t* raw = xcb_poll_for_event(ewmh_.connection)) {
        Reply<xcb_generic_event_t> event(raw, &std::free);
        if ((event->response_type & 0x7F) != XCB_PROPERTY_NOTIFY) continue;
        const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event.get());
        if (notify->window != root_ || notify->atom != ewmh_._NET_ACTIVE_WINDOW) continue;
        const xcb_window_t active = ReadActiveWindow();
        // Window managers rewrite the same value; and no window at all is not a program.
        if (active == active_) continue;
        active_ = active;
        if (active != XCB_WINDOW_NONE) emit ActiveWindowChanged(Describe(active));
    }
    if (xcb_connection_has_error(ewmh_.connection)) {
        qWarning("quorvel: the connection to the X server for the active window was lost");
        notifier_->setEnabled(false);
    }
}

xcb_window_t X11ActiveWindow::ReadActiveWindow() const {
    xcb_window_t window = XCB_WINDOW_NONE;
    if (xcb_ewmh_get_active_window_reply(&ewmh_, xcb_ewmh_get_active_window(&ewmh_, 0), &window,
                                         nullptr) == 0)
        return XCB_WINDOW_NONE;
    return window;
}

QList<WindowInfo> X11ActiveWindow::OpenWindows() const {
    xcb_ewmh_get_windows_reply_t list{};
    if (xcb_ewmh_get_client_list_reply(&ewmh_, xcb_ewmh_get_client_list(&ewmh_, 0), &list,
                                       nullptr) == 0)
        return {};
    QList<WindowInfo> windows;
    for (uint32_t i = 0; i < list.windows_len; ++i) windows.append(Describe(list.windows[i]));
    xcb_ewmh_get_windows_reply_wipe(&list);
    return windows;
}

WindowInfo X11ActiveWindow::Describe(xcb_window_t window) const {
    return WindowInfo{HexId(window), ClassOf(window), ExecutableOf(window)};
}

QString X11ActiveWindow::ClassOf(xcb_window_t window) const {
    const xcb_get_property_cookie_t cookie = xcb_get_property(
        ewmh_.connection, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, PROPERTY_WORDS);
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(ewmh_.connection, cookie, nullptr),
                                          &std::free);
    if (!reply || reply->format != 8) return {};
    // "instance\0class\0": the class names the program, the instance often only how it was run.
    const QByteArray value(static_cast<const char*>(xcb_get_property_value(reply.get())),
                           xcb_get_property_value_length(reply.get()));
    const qsizetype end = value.indexOf('\0');
    if (end < 0) return {};
    return QString::fromUtf8(value.mid(end + 1).split('\0').value(0));
}

QString X11ActiveWindow::ExecutableOf(xcb_window_t window) const {
    uint32_t pid = 0;
    if (xcb_ewmh_get_wm_pid_reply(&ewmh_, xcb_ewmh_get_wm_pid(&ewmh_, window), &pid, nullptr) ==
            0 ||
        pid == 0)
        return {};
    // A process number only means something on the machine the client runs on.
    const xcb_get_property_cookie_t cookie =
        xcb_get_property(ewmh_.connection, 0, window, XCB_ATOM_WM_CLIENT_MACHINE, XCB_ATOM_STRING,
                         0, PROPERTY_WORDS);
    Reply<xcb_get_property_reply_t> machine(
        xcb_get_property_reply(ewmh_.connection, cookie, nullptr), &std::free);
    if (machine && machine->format == 8 && xcb_get_property_value_length(machine.get()) > 0) {
        char host[256] = {};
        gethostname(host, sizeof host - 1);
        const QByteArray client(static_cast<const char*>(xcb_get_property_value(machine.get())),
                                xcb_get_property_value_length(machine.get()));
        if (client.split('\0').value(0) != QByteArray(host)) return {};
    }
    return ExecutableOfProcess(pid);
}

}  // namespace quorvel::desktop
