#pragma once
// The window's one keyboard worker. Every keyboard exchange the window starts (Apply, import,
// export, profile switches and reloads, report rate, lighting writes and refreshes) runs here,
// one job at a time in the order queued, so the user interface never waits for the keyboard
// and no two of the window's jobs interleave their frames.
//
// A job runs on the worker thread and returns a result code; its completion runs on the
// window's thread. Progress is posted to the window, never sent: a worker that waited for the
// window while the window waited for a lock would deadlock.
#include <QObject>
#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace quorvel {

class KeyboardJobs : public QObject {
    Q_OBJECT
public:
    // Frames done out of the frames the job will send. Callable from the worker thread.
    using Report = std::function<void(int done, int total)>;
    using Job = std::function<int(const Report& report)>;
    // Runs on the window's thread with the job's result.
    using Done = std::function<void(int result)>;

    explicit KeyboardJobs(QObject* parent = nullptr);
    // Drops the queued jobs and waits for the running one.
    ~KeyboardJobs() override;
    KeyboardJobs(const KeyboardJobs&) = delete;
    KeyboardJobs& operator=(const KeyboardJobs&) = delete;

    // Queues a job. Ignored after Shutdown.
    void Run(const QString& name, Job job, Done done = {});
    // Queues a job at the back; one with the same name still waiting to start is dropped with
    // its completion, so a burst of changes (a slider drag) costs one keyboard session for the
    // newest value rather than one per step, and still lands after every job queued before it.
    void RunLatest(const QString& name, Job job, Done done = {});

    // True from the moment a job is queued until the last queued job has completed, its
    // completion included. Window thread.
    bool Busy() const { return busy_; }
    // True from the moment a job is queued until the worker has finished the last queued job:
    // the completions may still be running (a message about the result, say), but the keyboard
    // is no longer being talked to. Window thread.
    bool Working() const { return workerActive_; }
    // The name of the job running now, empty when none. Any thread.
    QString Running() const;

    // Drops the queued jobs and waits for the running one; afterwards nothing runs and no
    // completion is delivered. Window thread; called by the exit sequence before anything the
    // jobs use is freed. Whoever the running job may wait for (the shell port's questions)
    // must have been released first.
    void Shutdown();
    // Blocks until every job queued so far has finished on the worker (their completions
    // still arrive through the event loop). For tests and benchmarks.
    void WaitForWorker();

signals:
    void BusyChanged(bool busy);
    void WorkingChanged(bool working);
    void ProgressChanged(int done, int total);

private:
    struct Entry {
        QString name;
        Job job;
        Done done;
    };

    void Queue(const QString& name, Job job, Done done, bool replaceWaiting);
    void Work();
    // Window thread, after each job.
    void Completed(const Done& done, int result);
    void SetBusy(bool busy);
    void SetWorking(bool working);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Entry> queue_;
    QString running_;
    bool working_ = false;
    bool stopping_ = false;
    // Queued jobs whose completion has not yet run; window thread only.
    int outstanding_ = 0;
    bool busy_ = false;
    bool workerActive_ = false;
    std::thread thread_;
};

}  // namespace quorvel
