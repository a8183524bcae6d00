#pragma once
// What the benchmarks share: a DeviceLink bound to a private virtual keyboard, a clock, and
// the one-line report every figure ends in.
#include <chrono>
#include <memory>
#include <string_view>

#include "device/device_link.h"
#include "device/shell_port.h"
#include "tests/support/virtual_keyboard.h"

namespace quorvel::bench {

// The benchmarks measure the keyboard side only; nothing is shown and every question is
// answered No.
class QuietShellPort : public ShellPort {
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

// Daemon options for a keyboard with the given macro capacity (units of 128 bytes) and USB
// latency per transfer; the rest as the daemon defaults them.
testing::VirtualKeyboard::Options KeyboardOptions(int capacityUnits, int latencyUs);

// A daemon with the given options and a link bound to it through the virtual service library,
// with the arrival work (layout, capacity) finished. Exits the process when binding fails.
class LinkedDevice {
public:
    explicit LinkedDevice(testing::VirtualKeyboard::Options options);
    ~LinkedDevice();

    DeviceLink& Link() { return *link_; }
    testing::VirtualKeyboard& Keyboard() { return *keyboard_; }

private:
    QuietShellPort shell_;
    std::unique_ptr<testing::VirtualKeyboard> keyboard_;
    std::unique_ptr<DeviceLink> link_;
};

using Clock = std::chrono::steady_clock;

inline double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Prints "<name>: <details> ratio <ratio> (goal <= <goal>) ok|MISSED"; goal 0 = no goal.
// Returns false when the goal is missed.
bool Report(std::string_view name, std::string_view details, double ratio, double goal);

// Exits with status 1 (after printing what failed) when a device operation did not succeed.
void Require(bool ok, std::string_view what);

}  // namespace quorvel::bench
