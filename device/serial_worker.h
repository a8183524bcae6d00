#pragma once
// One background thread, started with the first job, that runs queued jobs one at a time, in the
// order they were queued. Device events use it so that each event is acted on once, in order, and
// never blocks the service library's thread.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace quorvel {

class SerialWorker {
public:
    SerialWorker();
    // Stop, then waits for the running job.
    ~SerialWorker();
    SerialWorker(const SerialWorker&) = delete;
    SerialWorker& operator=(const SerialWorker&) = delete;

    // False, and the job dropped, when stopping or when MAX_PENDING jobs already wait: posters
    // coalesce what they post, so the bound is a backstop that no keyboard can push past.
    bool Post(std::function<void()> job);
    static constexpr size_t MAX_PENDING = 64;
    // Drops the jobs not yet started and refuses new ones; the running job sees Stopping().
    void Stop();
    // True once the owner is shutting down; long-running jobs poll it.
    bool Stopping();
    // Blocks until every job posted so far has finished.
    void Drain();
    // The same, with the jobs that have not started run on the calling thread, still one at a
    // time and in order: a caller that would only wait saves the worker's wake-up. Only for
    // jobs that may run on the caller's thread.
    void RunPendingHere();

private:
    void Run();
    // Runs the first queued job with the lock released; the lock is held again on return.
    void RunFirst(std::unique_lock<std::mutex>& lock);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> jobs_;
    bool running_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace quorvel
