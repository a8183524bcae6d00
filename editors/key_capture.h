#pragma once
// Application-wide key capture for the key assignment dialog and the macro recorder. While it
// runs, every key event of a key the keyboard has (multimedia keys excepted) goes to the handler
// and nowhere else: no shortcut, default button or other widget sees it. On X11 the keyboard is
// grabbed as well, so the desktop does not act on the Win or Print Screen keys; on Wayland
// there is no grab, so the compositor is asked to pass on the keys it keeps for its shortcuts
// where it offers that (ShortcutsInhibitor).
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

#include "editors/shortcuts_inhibitor.h"
#include "model/key_codes.h"

class QKeyEvent;

namespace quorvel {

struct CapturedKey {
    ScanCode scanCode = 0;
    bool release = false;
    bool autoRepeat = false;
    // The window system's time stamp of the event in milliseconds, 0 when it has none.
    uint32_t time = 0;
};

class KeyCapture : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(const CapturedKey&)>;

    // grabber: the window that holds the keyboard grab while capturing.
    explicit KeyCapture(QWidget* grabber);
    ~KeyCapture() override;

    // Starts (or re-targets) the capture.
    void Start(Handler handler);
    // Takes the grab (on Wayland: asks the compositor for its shortcut keys) once the window is
    // on screen, for a capture started before it was shown.
    void GrabIfShown();
    // Ends it and releases the grab; safe to call at any time.
    void Stop();
    bool Active() const { return active_; }

    // The key of an event, or 0 when it is not one the capture takes (unknown keys and the
    // multimedia keys, which keep working as usual).
    static CapturedKey Translate(const QKeyEvent& event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> grabber_;
    ShortcutsInhibitor inhibitor_;
    Handler handler_;
    bool active_ = false;
};

}  // namespace quorvel
