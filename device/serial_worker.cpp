#include "device/serial_worker.h"

#include <system_error>

namespace quorvel {

SerialWorker::SerialWorker() = default;

SerialWorker::~SerialWorker() {
    Stop();
    if (thread_.joinable()) thread_.join();
}

void SerialWorker::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        jobs_.clear();
    }
    changed_.notify_all();
}

bool SerialWorker::Post(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_ || jobs_.size() >= MAX_PENDING) return false;
        // Started with the first job: most workers of a short-lived process never get one.
        if (!thread_.joinable()) {
            try {
                thread_ = std::thread([this] { Run(); });
            } catch (const std::system_error&) {
                return false;
            }
        }
        jobs_.push_back(std::move(job));
    }
    changed_.notify_all();
    return true;
}

bool SerialWorker::Stopping() {
    std::lock_guard lock(mutex_);
    return stopping_;
}

void SerialWorker::Drain() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return stopping_ || (jobs_.empty() && !running_); });
}

void SerialWorker::RunPendingHere() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !running_; });
        if (stopping_ || jobs_.empty()) return;
        RunFirst(lock);
    }
}

void SerialWorker::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        // Not while a helping caller runs one: the jobs stay one at a time.
        changed_.wait(lock, [this] { return stopping_ || (!jobs_.empty() && !running_); });
        if (stopping_) return;
        RunFirst(lock);
    }
}

void SerialWorker::RunFirst(std::unique_lock<std::mutex>& lock) {
    auto job = std::move(jobs_.front());
    jobs_.pop_front();
    running_ = true;
    lock.unlock();
    job();
    lock.lock();
    running_ = false;
    changed_.notify_all();
}

}  // namespace quorvel
