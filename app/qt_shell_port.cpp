#include "app/qt_shell_port.h"

#include <QThread>
#include <QTimer>
#include <memory>
#include <string>

#include "app/message_boxes.h"
#include "app/shell_state.h"

namespace quorvel {

QtShellPort::QtShellPort(ShellWindow& window) : window_(window) {}

QtShellPort::~QtShellPort() {
    Shutdown();
}

void QtShellPort::RunOnWindow(std::function<void()> job, bool wait) {
    if (closing_) return;
    if (!wait) {
        // Queued even on the window's thread: a posted message runs after the poster returns.
        QMetaObject::invokeMethod(
            this,
            [this, job = std::move(job)] {
                if (!closing_) job();
            },
            Qt::QueuedConnection);
        return;
    }
    if (QThread::currentThread() == thread()) {
        job();
        return;
    }
    auto done = std::make_shared<bool>(false);
    QMetaObject::invokeMethod(
        this,
        [this, job = std::move(job), done] {
            if (!closing_) job();
            std::lock_guard lock(mutex_);
            *done = true;
            finished_.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [&] { return *done || closing_; });
}

void QtShellPort::Shutdown() {
    std::lock_guard lock(mutex_);
    closing_ = true;
    finished_.notify_all();
}

void QtShellPort::SendMessage(uint32_t message, uint32_t tag) {
    RunOnWindow([this, message, tag] { window_.HandleShellMessage(message, tag); }, true);
}

void QtShellPort::PostMessage(uint32_t message, uint32_t tag) {
    RunOnWindow([this, message, tag] { window_.HandleShellMessage(message, tag); }, false);
}

QTimer& QtShellPort::TimerFor(int timerId) {
    QTimer*& timer = timers_[timerId];
    if (timer == nullptr) {
        timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this, timerId] { window_.HandleTimer(timerId); });
    }
    return *timer;
}

void QtShellPort::StartTimer(int timerId, int periodMs) {
    RunOnWindow([this, timerId, periodMs] { TimerFor(timerId).start(periodMs); }, false);
}

void QtShellPort::StopTimer(int timerId) {
    RunOnWindow([this, timerId] { TimerFor(timerId).stop(); }, false);
}

bool QtShellPort::IsReady() {
    return !closing_ && window_.IsReady();
}

bool QtShellPort::AutoOpenDone() {
    return Shell().autoOpenDone.load();
}

void QtShellPort::SetAutoOpenDone() {
    Shell().autoOpenDone.store(true);
}

void QtShellPort::HideMainWindow() {
    RunOnWindow([this] { window_.HideMainWindow(); }, true);
}

void QtShellPort::SetTrayIcon(TrayIconMode mode, int iconId) {
    RunOnWindow([this, mode, iconId] { window_.SetTrayIcon(mode, iconId); }, true);
}

void QtShellPort::ShowGKeyBank(bool bankB) {
    RunOnWindow([this, bankB] { window_.ShowGKeyBank(bankB); }, true);
}

void QtShellPort::ShowMessageText(std::string_view textKey, std::string_view text) {
    std::string key(textKey);
    std::string shown(text);
    RunOnWindow([this, key, shown] { ShowTextMessage(window_.MessageParent(), key, shown); }, true);
}

bool QtShellPort::AskYesNo(std::string_view textKey) {
    std::string key(textKey);
    auto answer = std::make_shared<bool>(false);
    RunOnWindow([this, key, answer] { *answer = AskYesNoText(window_.MessageParent(), key); },
                true);
    return *answer;
}

}  // namespace quorvel
