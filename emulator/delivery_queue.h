#pragma once
// Runs work at a moment in the future, in order of time and, for equal times, in order of
// scheduling. It models the keyboard-to-host half of the USB link: latency and late replies.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

namespace quorvel::vkbd {

class DeliveryQueue {
public:
    using Clock = std::chrono::steady_clock;

    DeliveryQueue();
    ~DeliveryQueue();
    DeliveryQueue(const DeliveryQueue&) = delete;
    DeliveryQueue& operator=(const DeliveryQueue&) = delete;

    void At(Clock::time_point when, std::function<void()> work);

private:
    void Run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::map<std::pair<Clock::time_point, uint64_t>, std::function<void()>> pending_;
    uint64_t nextSequence_ = 0;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace quorvel::vkbd
