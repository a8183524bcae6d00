#include "desktop/wlr_foreign_toplevel.h"

#include <wayland-client.h>

#include <algorithm>
#include <cstring>

#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

namespace quorvel::desktop {

namespace {
// Version 3 only adds the parent event, which the program has no use for; older compositors
// send everything else the same way.
constexpr uint32_t MAX_MANAGER_VERSION = 3;

WindowInfo InfoOf(quint64 number, const QString& appId) {
    return WindowInfo{QString::number(number), appId, {}};
}
}  // namespace

struct WlrForeignToplevelSource::Listeners {
    static void Global(void* data, wl_registry* registry, uint32_t name, const char* interface,
                       uint32_t version) {
        auto* self = static_cast<WlrForeignToplevelSource*>(data);
        if (self->manager_ != nullptr ||
            std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) != 0) {
            return;
        }
        self->manager_ = static_cast<zwlr_foreign_toplevel_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_foreign_toplevel_manager_v1_interface,
                             std::min(version, MAX_MANAGER_VERSION)));
        zwlr_foreign_toplevel_manager_v1_add_listener(self->manager_, &MANAGER, self);
    }
    static void GlobalRemove(void*, wl_registry*, uint32_t) {}

    static void NewToplevel(void* data, zwlr_foreign_toplevel_manager_v1*,
                            zwlr_foreign_toplevel_handle_v1* handle) {
        auto* self = static_cast<WlrForeignToplevelSource*>(data);
        auto toplevel = std::make_unique<Toplevel>();
        toplevel->owner = self;
        toplevel->handle = handle;
        toplevel->number = self->nextNumber_++;
        zwlr_foreign_toplevel_handle_v1_add_listener(handle, &HANDLE, toplevel.get());
        self->toplevels_.push_back(std::move(toplevel));
    }
    static void Finished(void* data, zwlr_foreign_toplevel_manager_v1*) {
        auto* self = static_cast<WlrForeignToplevelSource*>(data);
        qWarning("quorvel: the compositor stopped reporting its windows");
        zwlr_foreign_toplevel_manager_v1_destroy(self->manager_);
        self->manager_ = nullptr;
    }

    static void Title(void*, zwlr_foreign_toplevel_handle_v1*, const char*) {}
    static void AppId(void* data, zwlr_foreign_toplevel_handle_v1*, const char* appId) {
        static_cast<Toplevel*>(data)->pendingAppId = QString::fromUtf8(appId);
    }
    static void OutputEnter(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
    static void OutputLeave(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
    static void State(void* data, zwlr_foreign_toplevel_handle_v1*, wl_array* states) {
        // The array carries whole uint32 states; a stray tail of fewer bytes is not one.
        const auto* begin = static_cast<const uint32_t*>(states->data);
        const auto* end = begin + states->size / sizeof(uint32_t);
        static_cast<Toplevel*>(data)->pendingActivated =
            std::find(begin, end, ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED) != end;
    }
    static void Done(void* data, zwlr_foreign_toplevel_handle_v1*) {
        auto* toplevel = static_cast<Toplevel*>(data);
        toplevel->appId = toplevel->pendingAppId;
        toplevel->activated = toplevel->pendingActivated;
        toplevel->announced = true;
    }
    static void Closed(void* data, zwlr_foreign_toplevel_handle_v1*) {
        auto* toplevel = static_cast<Toplevel*>(data);
        auto& list = toplevel->owner->toplevels_;
        zwlr_foreign_toplevel_handle_v1_destroy(toplevel->handle);
        std::erase_if(list, [toplevel](const auto& t) { return t.get() == toplevel; });
    }
    static void Parent(void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {}

    static constexpr wl_registry_listener REGISTRY{Global, GlobalRemove};
    static constexpr zwlr_foreign_toplevel_manager_v1_listener MANAGER{NewToplevel, Finished};
    static constexpr zwlr_foreign_toplevel_handle_v1_listener HANDLE{
        Title, AppId, OutputEnter, OutputLeave, State, Done, Closed, Parent};
};

std::unique_ptr<WlrForeignToplevelSource> WlrForeignToplevelSource::Connect(const QString& display,
                                                                            QObject* parent) {
    const QByteArray name = display.toLocal8Bit();
    wl_display* connection = wl_display_connect(display.isEmpty() ? nullptr : name.constData());
    if (connection == nullptr) return nullptr;
    std::unique_ptr<WlrForeignToplevelSource> source(
        new WlrForeignToplevelSource(connection, parent));
    // The first round trip announces the globals, the second the toplevels open now.
    if (wl_display_roundtrip(connection) < 0 || source->manager_ == nullptr ||
        wl_display_roundtrip(connection) < 0) {
        return nullptr;
    }
    source->notifier_ =
        new QSocketNotifier(wl_display_get_fd(connection), QSocketNotifier::Read, source.get());
    connect(source->notifier_, &QSocketNotifier::activated, source.get(),
            &WlrForeignToplevelSource::Dispatch);
    // Queued, so whoever connects to the new source hears which window is in front already.
    QMetaObject::invokeMethod(source.get(), &WlrForeignToplevelSource::ReportActive,
                              Qt::QueuedConnection);
    return source;
}

WlrForeignToplevelSource::WlrForeignToplevelSource(wl_display* display, QObject* parent)
    : ActiveWindowSource(parent), display_(display) {
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &Listeners::REGISTRY, this);
}

WlrForeignToplevelSource::~WlrForeignToplevelSource() {
    Disconnect();
}

void WlrForeignToplevelSource::Disconnect() {
    if (display_ == nullptr) return;
    // Disconnect may run inside the notifier's own signal.
    if (notifier_ != nullptr) {
        notifier_->setEnabled(false);
        notifier_->deleteLater();
        notifier_ = nullptr;
    }
    for (const auto& toplevel : toplevels_)
        zwlr_foreign_toplevel_handle_v1_destroy(toplevel->handle);
    toplevels_.clear();
    if (manager_ != nullptr) {
        zwlr_foreign_toplevel_manager_v1_stop(manager_);
        zwlr_foreign_toplevel_manager_v1_destroy(manager_);
        manager_ = nullptr;
    }
    wl_registry_destroy(registry_);
    wl_display_flush(display_);
    wl_display_disconnect(display_);
    display_ = nullptr;
}

void WlrForeignToplevelSource::Dispatch() {
    // The notifier says the socket is readable, so this reads without waiting.
    if (wl_display_dispatch(display_) < 0) {
        qWarning(
            "quorvel: the connection to the compositor was lost; the active window is no "
            "longer followed");
        Disconnect();
        return;
    }
    wl_display_flush(display_);
    ReportActive();
}

// Reports once per batch of events, so focus moving from one window to another (one loses
// "activated", the other gains it) is one change, never a moment with no window.
void WlrForeignToplevelSource::ReportActive() {
    const auto active = std::find_if(toplevels_.begin(), toplevels_.end(),
                                     [](const auto& t) { return t->announced && t->activated; });
    // With nothing active (an empty workspace, a panel focused) the last program stays in front
    // as far as the profile goes.
    if (active == toplevels_.end()) return;
    const Toplevel& toplevel = **active;
    if (toplevel.number == reportedNumber_ && toplevel.appId == reportedAppId_) return;
    reportedNumber_ = toplevel.number;
    reportedAppId_ = toplevel.appId;
    emit ActiveWindowChanged(InfoOf(toplevel.number, toplevel.appId));
}

QList<WindowInfo> WlrForeignToplevelSource::OpenWindows() const {
    QList<WindowInfo> windows;
    for (const auto& toplevel : toplevels_) {
        if (toplevel->announced) windows.append(InfoOf(toplevel->number, toplevel->appId));
    }
    return windows;
}

}  // namespace quorvel::desktop
