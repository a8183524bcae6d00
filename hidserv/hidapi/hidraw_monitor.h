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

    // False when udev is not running here; the caller then has to look for changes itself.
    bool Start(Handler handler);
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
