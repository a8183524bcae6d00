#pragma once
// The device side's port into the main window, on Qt. Calls from other threads are queued to
// the window's thread; "send" waits until the window has handled the call, "post" does not.
// A send from the window's own thread is served directly.
//
// A worker blocked in a send must never hold up the shutdown: Shutdown() releases every waiter
// and drops what is still queued, so the window can then stop the workers and wait for them.
#include <QObject>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>

#include "device/shell_port.h"

class QTimer;
class QWidget;

namespace quorvel {

// What the port drives; the main window implements it.
class ShellWindow {
public:
    virtual ~ShellWindow() = default;
    virtual void HandleShellMessage(uint32_t message, uint32_t tag) = 0;
    virtual void HandleTimer(int timerId) = 0;
    virtual bool IsReady() const = 0;
    virtual void HideMainWindow() = 0;
    virtual void SetTrayIcon(TrayIconMode mode, int iconId) = 0;
    virtual void ShowGKeyBank(bool bankB) = 0;
    // Parent of the message boxes the device side asks for.
    virtual QWidget* MessageParent() = 0;
};

class QtShellPort : public QObject, public ShellPort {
    Q_OBJECT
public:
    // Lives on the calling thread, which must be the window's.
    explicit QtShellPort(ShellWindow& window);
    ~QtShellPort() override;

    void SendMessage(uint32_t message, uint32_t tag) override;
    void PostMessage(uint32_t message, uint32_t tag) override;
    void StartTimer(int timerId, int periodMs) override;
    void StopTimer(int timerId) override;
    bool IsReady() override;
    bool AutoOpenDone() override;
    void SetAutoOpenDone() override;
    void HideMainWindow() override;
    void SetTrayIcon(TrayIconMode mode, int iconId) override;
    void ShowGKeyBank(bool bankB) override;
    void ShowMessageText(std::string_view textKey, std::string_view text) override;
    bool AskYesNo(std::string_view textKey) override;

    // From now on nothing reaches the window and no caller waits any longer. Window thread.
    void Shutdown();
    bool IsShutDown() const { return closing_.load(); }

private:
    // Runs job on the window's thread; with wait, returns once it has run (or was dropped).
    void RunOnWindow(std::function<void()> job, bool wait);
    QTimer& TimerFor(int timerId);

    ShellWindow& window_;
    std::atomic<bool> closing_{false};
    std::mutex mutex_;
    std::condition_variable finished_;
    std::map<int, QTimer*> timers_;  // window thread only; children of this object
};

}  // namespace quorvel
