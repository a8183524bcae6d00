#pragma once
// The queue between a device's events and a consumer that may fall behind (a callback waiting
// for the user interface, say). Reports are dropped oldest first beyond a bound; a change in
// the number of attached devices is never dropped. Count changes coalesce instead: a device
// that comes and goes again while nothing has been delivered leaves at most "gone" and "here
// again" behind, so a keyboard plugged in and out a thousand times cannot grow the queue.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <iterator>
#include <optional>

namespace quorvel {

// Event needs `std::optional<uint32_t> CountChange() const`: the new count for a count
// change, none for a report.
template <typename Event>
class NoticeQueue {
public:
    explicit NoticeQueue(size_t maxReports) : maxReports_(maxReports) {}

    void Push(Event event) {
        if (const std::optional<uint32_t> count = event.CountChange()) {
            PushCount(*count, std::move(event));
            return;
        }
        if (reports_ >= maxReports_) DropOldestReport();
        ++reports_;
        events_.push_back(std::move(event));
    }

    std::optional<Event> Pop() {
        if (events_.empty()) return std::nullopt;
        Event event = std::move(events_.front());
        events_.pop_front();
        if (const std::optional<uint32_t> count = event.CountChange())
            delivered_ = *count;
        else
            --reports_;
        return event;
    }

    bool Empty() const { return events_.empty(); }
    size_t Size() const { return events_.size(); }
    void Clear() {
        events_.clear();
        reports_ = 0;
    }
    // Forgets the reports not yet delivered; count changes stay.
    void DropReports() {
        std::erase_if(events_, [](const Event& e) { return !e.CountChange(); });
        reports_ = 0;
    }

private:
    // The count the consumer will have seen once everything queued is delivered.
    std::optional<uint32_t> LastCount() const {
        for (auto it = events_.rbegin(); it != events_.rend(); ++it)
            if (const auto count = it->CountChange()) return count;
        return delivered_;
    }

    void PushCount(uint32_t count, Event event) {
        if (LastCount() == count) return;
        // Queued ..., a, b and now a again, b not 0: b came and went unseen, and goes. Every
        // "all gone" stays, and so does the first change after what was delivered.
        auto last = events_.rend();
        for (auto it = events_.rbegin(); it != events_.rend(); ++it) {
            if (!it->CountChange()) continue;
            if (last == events_.rend()) {
                last = it;
                continue;
            }
            if (*last->CountChange() != 0 && *it->CountChange() == count) {
                events_.erase(std::next(last).base());
                return;
            }
            break;
        }
        events_.push_back(std::move(event));
    }

    void DropOldestReport() {
        for (auto it = events_.begin(); it != events_.end(); ++it)
            if (!it->CountChange()) {
                events_.erase(it);
                --reports_;
                return;
            }
    }

    size_t maxReports_;
    size_t reports_ = 0;
    std::deque<Event> events_;
    std::optional<uint32_t> delivered_;
};

}  // namespace quorvel
