#include "app/keyboard_jobs.h"

#include <QMetaObject>
#include <algorithm>

namespace quorvel {

KeyboardJobs::KeyboardJobs(QObject* parent) : QObject(parent), thread_([this] { Work(); }) {}

KeyboardJobs::~KeyboardJobs() {
    Shutdown();
}

void KeyboardJobs::Run(const QString& name, Job job, Done done) {
    Queue(name, std::move(job), std::move(done), false);
}

void KeyboardJobs::RunLatest(const QString& name, Job job, Done done) {
    Queue(name, std::move(job), std::move(done), true);
}

void KeyboardJobs::Queue(const QString& name, Job job, Done done, bool replaceWaiting) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        bool replaced = false;
        if (replaceWaiting) {
            // The newest job goes to the back: left in the waiting one's place it would run
            // before jobs queued after that one, and an older value of theirs would land last.
            auto waiting = std::find_if(queue_.begin(), queue_.end(),
                                        [&name](const Entry& entry) { return entry.name == name; });
            replaced = waiting != queue_.end();
            if (replaced) queue_.erase(waiting);
        }
        queue_.push_back({name, std::move(job), std::move(done)});
        if (replaced) return;
    }
    ++outstanding_;
    SetBusy(true);
    SetWorking(true);
    changed_.notify_all();
}

QString KeyboardJobs::Running() const {
    std::lock_guard lock(mutex_);
    return running_;
}

void KeyboardJobs::Shutdown() {
    {
        std::lock_guard lock(mutex_);
        if (stopping_ && !thread_.joinable()) return;
        stopping_ = true;
        queue_.clear();
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
    outstanding_ = 0;
    SetWorking(false);
    SetBusy(false);
}

void KeyboardJobs::WaitForWorker() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return stopping_ || (queue_.empty() && !working_); });
}

void KeyboardJobs::Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_) return;
        Entry entry = std::move(queue_.front());
        queue_.pop_front();
        running_ = entry.name;
        working_ = true;
        lock.unlock();

        const Report report = [this](int done, int total) {
            QMetaObject::invokeMethod(
                this, [this, done, total] { emit ProgressChanged(done, total); },
                Qt::QueuedConnection);
        };
        const int result = entry.job(report);
        QMetaObject::invokeMethod(
            this, [this, done = std::move(entry.done), result] { Completed(done, result); },
            Qt::QueuedConnection);

        lock.lock();
        running_.clear();
        working_ = false;
        changed_.notify_all();
    }
}

void KeyboardJobs::Completed(const Done& done, int result) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
    }
    // The last queued job's work is over before its completion runs; a completion that shows
    // a message would otherwise leave the window looking busy with the keyboard behind it.
    if (outstanding_ == 1) SetWorking(false);
    if (done) done(result);
    if (--outstanding_ == 0) SetBusy(false);
}

void KeyboardJobs::SetBusy(bool busy) {
    if (busy_ == busy) return;
    busy_ = busy;
    emit BusyChanged(busy);
}

void KeyboardJobs::SetWorking(bool working) {
    if (workerActive_ == working) return;
    workerActive_ = working;
    emit WorkingChanged(working);
}

}  // namespace quorvel
