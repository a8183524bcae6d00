#include "editors/key_capture.h"

#include <QApplication>
#include <QKeyEvent>
#include <algorithm>

#include "model/evdev_key_codes.h"

namespace quorvel {
namespace {

bool IsMediaKey(ScanCode s) {
    const auto& media = MediaTable();
    return std::any_of(media.begin(), media.end(),
                       [s](const MediaFunction& f) { return f.scanCode == s; });
}

}  // namespace

KeyCapture::KeyCapture(QWidget* grabber) : QObject(grabber), grabber_(grabber) {}

KeyCapture::~KeyCapture() {
    Stop();
}

void KeyCapture::Start(Handler handler) {
    handler_ = std::move(handler);
    if (!active_) {
        active_ = true;
        qApp->installEventFilter(this);
    }
    GrabIfShown();
}

void KeyCapture::GrabIfShown() {
    // Asked again even when Qt thinks it holds the grab: a grab asked for before the window
    // system had mapped the window is refused without a word.
    if (!active_ || !grabber_ || !grabber_->isVisible()) return;
    grabber_->grabKeyboard();
    inhibitor_.Inhibit(grabber_->window()->windowHandle());
}

void KeyCapture::Stop() {
    if (!active_) return;
    active_ = false;
    handler_ = nullptr;
    qApp->removeEventFilter(this);
    if (grabber_ && QWidget::keyboardGrabber() == grabber_) grabber_->releaseKeyboard();
    inhibitor_.Release();
}

CapturedKey KeyCapture::Translate(const QKeyEvent& event) {
    CapturedKey key;
    key.release = event.type() == QEvent::KeyRelease;
    key.autoRepeat = event.isAutoRepeat();
    key.time = static_cast<uint32_t>(event.timestamp());
    const auto native = static_cast<int>(event.nativeScanCode());
    const ScanCode s = ResolveNativeKeyCode(native, key.autoRepeat, key.release);
    if (s != 0 && !IsMediaKey(s)) key.scanCode = s;
    return key;
}

bool KeyCapture::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease &&
        type != QEvent::ShortcutOverride) {
        return QObject::eventFilter(watched, event);
    }
    const CapturedKey key = Translate(*static_cast<QKeyEvent*>(event));
    if (key.scanCode == 0) return false;
    if (type == QEvent::ShortcutOverride) {
        // Accepted, so no shortcut fires; the key event itself follows.
        event->accept();
        return true;
    }
    // The first receiver to see the event is the last: nothing below it gets it.
    if (handler_) {
        Handler handler = handler_;  // the handler may stop the capture
        handler(key);
    }
    return true;
}

}  // namespace quorvel
