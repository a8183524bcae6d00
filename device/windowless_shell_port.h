#pragma once
// The ShellPort of a program without a window (the command-line tool, the benchmarks): window
// messages, timers and the tray do nothing, the "window" is always ready and never opens by
// itself, messages are dropped and every question is answered No. Derive from it to show
// messages some other way.
#include "device/shell_port.h"

namespace quorvel {

class WindowlessShellPort : public ShellPort {
public:
    void SendMessage(uint32_t, uint32_t) override {}
    void PostMessage(uint32_t, uint32_t) override {}
    void StartTimer(int, int) override {}
    void StopTimer(int) override {}
    bool IsReady() override { return true; }
    bool AutoOpenDone() override { return true; }
    void SetAutoOpenDone() override {}
    void HideMainWindow() override {}
    void SetTrayIcon(TrayIconMode, int) override {}
    void ShowGKeyBank(bool) override {}
    void ShowMessageText(std::string_view, std::string_view) override {}
    bool AskYesNo(std::string_view) override { return false; }
};

}  // namespace quorvel
