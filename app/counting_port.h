#pragma once
// A shell port that passes everything on and counts the messages shown, so the window can tell
// whether a failed keyboard write has already been explained to the user.
#include <atomic>

#include "device/shell_port.h"

namespace quorvel {

class MessageCountingPort : public ShellPort {
public:
    MessageCountingPort(ShellPort& port, std::atomic<int>& shown) : port_(port), shown_(shown) {}
    void SendMessage(uint32_t message, uint32_t tag) override { port_.SendMessage(message, tag); }
    void PostMessage(uint32_t message, uint32_t tag) override { port_.PostMessage(message, tag); }
    void StartTimer(int timerId, int periodMs) override { port_.StartTimer(timerId, periodMs); }
    void StopTimer(int timerId) override { port_.StopTimer(timerId); }
    bool IsReady() override { return port_.IsReady(); }
    bool AutoOpenDone() override { return port_.AutoOpenDone(); }
    void SetAutoOpenDone() override { port_.SetAutoOpenDone(); }
    void HideMainWindow() override { port_.HideMainWindow(); }
    void SetTrayIcon(TrayIconMode mode, int iconId) override { port_.SetTrayIcon(mode, iconId); }
    void ShowGKeyBank(bool bankB) override { port_.ShowGKeyBank(bankB); }
    void ShowMessageText(std::string_view textKey, std::string_view text) override {
        ++shown_;
        port_.ShowMessageText(textKey, text);
    }
    bool AskYesNo(std::string_view textKey) override { return port_.AskYesNo(textKey); }

private:
    ShellPort& port_;
    std::atomic<int>& shown_;
};

}  // namespace quorvel
