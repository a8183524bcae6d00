// The bounded event queue of the service libraries and the device events.
#include "base/notice_queue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace quorvel {
namespace {

struct Event {
    bool isCount = false;
    uint32_t value = 0;  // the count, or a report's number

    std::optional<uint32_t> CountChange() const {
        return isCount ? std::optional<uint32_t>(value) : std::nullopt;
    }
};

Event Count(uint32_t count) {
    return {true, count};
}
Event Report(uint32_t n) {
    return {false, n};
}

// "c1" for a count change to 1, "r7" for report 7, in delivery order.
std::string Drain(NoticeQueue<Event>& queue) {
    std::string order;
    while (auto event = queue.Pop())
        order += (order.empty() ? "" : " ") + std::string(event->isCount ? "c" : "r") +
                 std::to_string(event->value);
    return order;
}

TEST(NoticeQueue, ReportsPastTheBoundGoOldestFirstAndCountsNever) {
    NoticeQueue<Event> queue(3);
    queue.Push(Report(1));
    queue.Push(Count(0));
    for (uint32_t n = 2; n <= 100; ++n) queue.Push(Report(n));
    queue.Push(Count(1));
    queue.Push(Report(101));
    EXPECT_EQ(Drain(queue), "c0 r99 r100 c1 r101");

    queue.Push(Report(1));
    queue.Push(Count(0));
    queue.Push(Report(2));
    queue.DropReports();
    EXPECT_EQ(Drain(queue), "c0");
}

TEST(NoticeQueue, PlugCyclesCoalesceButEveryRemovalIsHeard) {
    NoticeQueue<Event> queue(8);
    queue.Push(Count(1));
    EXPECT_EQ(Drain(queue), "c1");
    // A repeat of what was delivered is no change.
    queue.Push(Count(1));
    EXPECT_EQ(Drain(queue), "");
    for (int i = 0; i < 1000; ++i) {
        queue.Push(Count(0));
        queue.Push(Count(1));
    }
    EXPECT_EQ(queue.Size(), 2u);
    EXPECT_EQ(Drain(queue), "c0 c1");
    for (int i = 0; i < 1000; ++i) {
        queue.Push(Count(0));
        queue.Push(Report(uint32_t(i)));
        queue.Push(Count(1));
    }
    queue.Push(Count(0));
    // Ends unplugged: one removal, then the last reports.
    const std::string order = Drain(queue);
    EXPECT_EQ(order.substr(0, 3), "c0 ");
    EXPECT_EQ(std::count(order.begin(), order.end(), 'c'), 1);
    EXPECT_EQ(std::count(order.begin(), order.end(), 'r'), 8);
    // Two keyboards: the transient count of one keyboard goes, not the removals.
    queue.Push(Count(1));
    queue.Push(Count(2));
    queue.Push(Count(1));
    queue.Push(Count(0));
    EXPECT_EQ(Drain(queue), "c1 c0");
}

}  // namespace
}  // namespace quorvel
