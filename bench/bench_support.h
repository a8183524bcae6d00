#pragma once
// What the benchmarks share: a DeviceLink bound to a private virtual keyboard, a clock, and
// the one-line report every figure ends in.
#include <chrono>
#include <memory>
#include <string_view>
#include <vector>

#include "device/device_link.h"
#include "device/windowless_shell_port.h"
#include "model/macro_list.h"
#include "tests/support/virtual_keyboard.h"

namespace quorvel::bench {

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
    WindowlessShellPort shell_;  // the benchmarks measure the keyboard side only
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

// A hundred named macros, each as long as capacityBytes allows with their names kept.
std::vector<MacroRecord> MacrosFillingCapacity(size_t capacityBytes);

// Exits with status 1 (after printing what failed) when a device operation did not succeed.
void Require(bool ok, std::string_view what);

}  // namespace quorvel::bench
