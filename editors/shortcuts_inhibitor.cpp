#include "editors/shortcuts_inhibitor.h"

#include <qpa/qplatformnativeinterface.h>
#include <wayland-client.h>

#include <QGuiApplication>
#include <QWindow>
#include <cstring>

#include "keyboard-shortcuts-inhibit-unstable-v1-client-protocol.h"

namespace quorvel {
namespace {

wl_display* QtDisplay() {
    if (!OnWayland()) return nullptr;
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    if (native == nullptr) return nullptr;
    return static_cast<wl_display*>(native->nativeResourceForIntegration("wl_display"));
}

// Qt leaves alone the Wayland interfaces named in this variable; so do we, so that a user (or
// a test) can see the program on a compositor without the protocol.
bool DisabledByUser(const char* interface) {
    return qEnvironmentVariable("QT_WAYLAND_DISABLED_INTERFACES")
        .split(',', Qt::SkipEmptyParts)
        .contains(QLatin1String(interface));
}

std::optional<bool>& AnswerGiven() {
    static std::optional<bool> answer;
    return answer;
}

}  // namespace

// Our own event queue on Qt's connection, so that binding and roundtrips never dispatch
// Qt's events from here.
struct ShortcutsInhibitor::Binding {
    wl_display* display = nullptr;
    wl_event_queue* queue = nullptr;
    wl_display* wrapper = nullptr;
    wl_registry* registry = nullptr;
    zwp_keyboard_shortcuts_inhibit_manager_v1* manager = nullptr;
    wl_seat* seat = nullptr;
    zwp_keyboard_shortcuts_inhibitor_v1* inhibitor = nullptr;

    explicit Binding(wl_display* qtDisplay) : display(qtDisplay) {
        queue = wl_display_create_queue(display);
        wrapper = static_cast<wl_display*>(wl_proxy_create_wrapper(display));
        wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapper), queue);
        registry = wl_display_get_registry(wrapper);
        static const wl_registry_listener LISTENER = {&Binding::OnGlobal,
                                                      [](void*, wl_registry*, uint32_t) {}};
        wl_registry_add_listener(registry, &LISTENER, this);
        wl_display_roundtrip_queue(display, queue);
    }

    ~Binding() {
        if (inhibitor) zwp_keyboard_shortcuts_inhibitor_v1_destroy(inhibitor);
        if (manager) zwp_keyboard_shortcuts_inhibit_manager_v1_destroy(manager);
        if (seat) wl_seat_destroy(seat);
        wl_registry_destroy(registry);
        wl_proxy_wrapper_destroy(wrapper);
        wl_display_flush(display);
        wl_event_queue_destroy(queue);
    }

    static void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
                         uint32_t) {
        auto* self = static_cast<Binding*>(data);
        if (std::strcmp(interface, zwp_keyboard_shortcuts_inhibit_manager_v1_interface.name) == 0 &&
            self->manager == nullptr && !DisabledByUser(interface)) {
            self->manager =
                static_cast<zwp_keyboard_shortcuts_inhibit_manager_v1*>(wl_registry_bind(
                    registry, name, &zwp_keyboard_shortcuts_inhibit_manager_v1_interface, 1));
        } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && self->seat == nullptr) {
            self->seat =
                static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        }
    }
};

bool OnWayland() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

ShortcutsInhibitor::ShortcutsInhibitor() = default;

ShortcutsInhibitor::~ShortcutsInhibitor() {
    Release();
}

void ShortcutsInhibitor::AnswerForDesktop(std::optional<bool> passesItsKeys) {
    AnswerGiven() = passesItsKeys;
}

bool ShortcutsInhibitor::DesktopPassesItsKeys() {
    if (AnswerGiven()) return *AnswerGiven();
    if (!OnWayland()) return true;
    wl_display* display = QtDisplay();
    if (display == nullptr) return false;
    // The globals a compositor offers do not change while it runs.
    static const bool offered = Binding(display).manager != nullptr;
    return offered;
}

bool ShortcutsInhibitor::Inhibit(QWindow* window) {
    if (Active()) return true;
    wl_display* display = QtDisplay();
    if (display == nullptr || window == nullptr) return false;
    auto* surface = static_cast<wl_surface*>(
        QGuiApplication::platformNativeInterface()->nativeResourceForWindow("surface", window));
    if (surface == nullptr) return false;
    auto binding = std::make_unique<Binding>(display);
    if (binding->manager == nullptr || binding->seat == nullptr) return false;
    binding->inhibitor = zwp_keyboard_shortcuts_inhibit_manager_v1_inhibit_shortcuts(
        binding->manager, surface, binding->seat);
    wl_display_flush(display);
    binding_ = std::move(binding);
    return true;
}

void ShortcutsInhibitor::Release() {
    binding_.reset();
}

bool ShortcutsInhibitor::Active() const {
    return binding_ && binding_->inhibitor != nullptr;
}

}  // namespace quorvel
