#include "hidserv/hidapi/hidraw_monitor.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace quorvel {

HidrawMonitor::~HidrawMonitor() {
    Stop();
}

bool HidrawMonitor::UdevRunning() {
    return access("/run/udev/control", F_OK) == 0;
}

bool HidrawMonitor::Start(Handler handler) {
    udev_ = udev_new();
    if (!udev_) return false;
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (!monitor_ || wakeFd_ < 0 ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0) {
        Stop();
        return false;
    }
    handler_ = std::move(handler);
    thread_ = std::thread([this] { Run(); });
    return true;
}

void HidrawMonitor::Stop() {
    if (thread_.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(wakeFd_, &one, sizeof one);
        thread_.join();
    }
    if (wakeFd_ >= 0) close(wakeFd_);
    wakeFd_ = -1;
    if (monitor_) udev_monitor_unref(monitor_);
    monitor_ = nullptr;
    if (udev_) udev_unref(udev_);
    udev_ = nullptr;
}

void HidrawMonitor::Run() {
    pollfd fds[2] = {{udev_monitor_get_fd(monitor_), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    while (true) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents) return;
        if (!(fds[0].revents & POLLIN)) continue;
        udev_device* device = udev_monitor_receive_device(monitor_);
        if (!device) continue;
        const char* action = udev_device_get_action(device);
        const bool arrival = action && std::strcmp(action, "add") == 0;
        const bool removal = action && std::strcmp(action, "remove") == 0;
        udev_device_unref(device);
        if (arrival || removal) handler_(arrival);
    }
}

}  // namespace quorvel
