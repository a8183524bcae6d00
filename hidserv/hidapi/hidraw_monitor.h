#pragma once
// Arrival and removal of hidraw nodes, as udev announces them once its rules have run.
#include <functional>
#include <thread>

struct udev;
struct udev_monitor;

namespace quorvel {

class HidrawMonitor {
public:
    using Handler = std::function<void(bool arrival)>;

    HidrawMonitor() = default;
    ~HidrawMonitor();
    HidrawMonitor(const HidrawMonitor&) = delete;
    HidrawMonitor& operator=(const HidrawMonitor&) = delete;

    // False when no monitor could be set up. A monitor also starts where udev does not seem
    // to run (no udevd control socket): it costs an idle thread, and whatever sends udev's
    // events there (a udevd started later, a device sandbox) is heard.
    bool Start(Handler handler);
    // Whether udevd runs here, so that every change is announced; without it the caller has
    // to look for changes itself as well.
    static bool UdevRunning();
    void Stop();

private:
    void Run();

    Handler handler_;
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    int wakeFd_ = -1;
    std::thread thread_;
};

}  // namespace quorvel
