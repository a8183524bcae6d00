#pragma once
// On Wayland the compositor keeps some keys for its own shortcuts (Super, Alt+Tab, Print) and
// no grab of a client can take them. While a window captures keys it asks the compositor to
// pass them on with the keyboard-shortcuts-inhibit protocol, bound with the Wayland client
// library on Qt's own connection and on the window's surface. Compositors that do not offer
// the protocol keep their keys; the caller then says so.
#include <memory>
#include <optional>

class QWindow;

namespace quorvel {

// Whether the program draws its windows on a Wayland compositor.
bool OnWayland();

class ShortcutsInhibitor {
public:
    ShortcutsInhibitor();
    ~ShortcutsInhibitor();
    ShortcutsInhibitor(const ShortcutsInhibitor&) = delete;
    ShortcutsInhibitor& operator=(const ShortcutsInhibitor&) = delete;

    // Whether the desktop's own shortcut keys can reach a capturing window: always off Wayland
    // (the keyboard is grabbed there), on Wayland where the compositor offers the protocol.
    static bool DesktopPassesItsKeys();
    // The tests' seam: the answer DesktopPassesItsKeys gives from now on, none for the desktop's.
    static void AnswerForDesktop(std::optional<bool> passesItsKeys);

    // Asks the compositor to pass every key on to the shown window while it has the keyboard.
    // False off Wayland, without the protocol, or before the window has a surface.
    bool Inhibit(QWindow* window);
    // Withdraws the request; safe to call at any time.
    void Release();
    bool Active() const;

private:
    struct Binding;
    std::unique_ptr<Binding> binding_;
};

}  // namespace quorvel
