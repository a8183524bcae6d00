#include "hidserv/hidapi/standing_request.h"

#include <condition_variable>
#include <mutex>

#include "base/notice_queue.h"
#include "hidserv/hidapi/notification.h"

namespace quorvel {

namespace {

// A callback that never returns must not make the library hoard every report meanwhile.
constexpr size_t MAX_QUEUED_REPORTS = 1024;

}  // namespace

struct StandingRequest::Queue {
    HidServCallback callback;
    uint32_t tag;
    std::mutex mutex;
    std::condition_variable wake;
    NoticeQueue<PendingEvent> events{MAX_QUEUED_REPORTS};
    bool stopped = false;
    bool finished = false;

    void Run() {
        std::unique_lock lock(mutex);
        while (true) {
            wake.wait(lock, [this] { return stopped || !events.Empty(); });
            if (stopped) break;
            std::optional<PendingEvent> event = events.Pop();
            lock.unlock();
            Deliver(std::move(*event));
            lock.lock();
        }
        finished = true;
    }

    void Deliver(PendingEvent event) const {
        if (event.kind == HIDSERV_NOTIFY_COUNT) {
            Notification notification(tag, event.count);
            callback(notification.Record());
        } else {
            Notification notification(tag, std::move(event.data), event.code);
            callback(notification.Record());
        }
    }
};

StandingRequest::StandingRequest(uint32_t unitId, const InterfaceKey& key, HidServCallback callback,
                                 uint32_t tag)
    : unitId_(unitId), key_(key), callback_(callback), queue_(std::make_shared<Queue>()) {
    queue_->callback = callback;
    queue_->tag = tag;
    thread_ = std::thread([queue = queue_] { queue->Run(); });
}

StandingRequest::~StandingRequest() {
    Stop();
    // A callback may delete its own request; its thread then ends once the callback returns.
    if (thread_.get_id() == std::this_thread::get_id()) {
        thread_.detach();
    } else {
        thread_.join();
    }
}

void StandingRequest::Post(PendingEvent event) {
    {
        std::lock_guard lock(queue_->mutex);
        if (queue_->stopped) return;
        queue_->events.Push(std::move(event));
    }
    queue_->wake.notify_one();
}

void StandingRequest::DropQueuedData() {
    std::lock_guard lock(queue_->mutex);
    queue_->events.DropReports();
}

void StandingRequest::Stop() {
    {
        std::lock_guard lock(queue_->mutex);
        queue_->stopped = true;
    }
    queue_->wake.notify_one();
}

bool StandingRequest::Finished() const {
    std::lock_guard lock(queue_->mutex);
    return queue_->finished;
}

}  // namespace quorvel
