#include "emulator/delivery_queue.h"

#include <sys/prctl.h>

namespace quorvel::vkbd {
namespace {

// Longer than a sleeping thread's usual lateness, short enough to cost little to wait awake.
constexpr auto PUNCTUAL_WINDOW = std::chrono::microseconds(150);

}  // namespace

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
        const Clock::time_point due = first->first.first;
        if (due > Clock::now() + PUNCTUAL_WINDOW) {
            // Woken a little early, to be on time in spite of the wake-up's own delay.
            wake_.wait_until(lock, due - PUNCTUAL_WINDOW);
            continue;
        }
        if (due > Clock::now()) {
            // A USB transfer ends when it ends: the last stretch is waited out awake, since a
            // sleeping thread wakes tens of microseconds late. Work scheduled meanwhile for an
            // earlier moment is found on the next turn.
            lock.unlock();
            while (Clock::now() < due) std::this_thread::yield();
            lock.lock();
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
