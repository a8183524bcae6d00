#include "emulator/delivery_queue.h"

#include <sys/prctl.h>

namespace quorvel::vkbd {

DeliveryQueue::DeliveryQueue() : thread_([this] { Run(); }) {}

DeliveryQueue::~DeliveryQueue() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void DeliveryQueue::At(Clock::time_point when, std::function<void()> work) {
    {
        std::lock_guard lock(mutex_);
        pending_.emplace(std::make_pair(when, nextSequence_++), std::move(work));
    }
    wake_.notify_all();
}

void DeliveryQueue::Run() {
    // The default timer slack of 50 us would make every delivery late by about that much.
    prctl(PR_SET_TIMERSLACK, 1UL);
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (pending_.empty()) {
            wake_.wait(lock);
            continue;
        }
        auto first = pending_.begin();
        if (first->first.first > Clock::now()) {
            wake_.wait_until(lock, first->first.first);
            continue;
        }
        auto work = std::move(first->second);
        pending_.erase(first);
        lock.unlock();
        work();
        lock.lock();
    }
}

}  // namespace quorvel::vkbd
