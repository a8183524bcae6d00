#include "hidserv/hidapi/standing_request.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "base/byte_order.h"

namespace quorvel {
namespace {

// What the callback saw, in order: {kind, value}, value being the count or the first data
// byte. The first callback can be held until the test releases it, to let events queue up.
struct Recorder {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::pair<uint32_t, uint32_t>> seen;
    std::vector<std::thread::id> threads;
    bool holdFirst = false;
    bool released = false;
};
Recorder* recorder = nullptr;

int Record(const void* notification) {
    const auto* record = static_cast<const uint8_t*>(notification);
    const uint8_t* request = nullptr;
    std::memcpy(&request, record + 8, sizeof request);
    const uint32_t kind = ReadLe32(record);
    uint32_t value = ReadLe32(request + 4);
    if (kind == HIDSERV_NOTIFY_DATA) {
        const uint8_t* data = nullptr;
        std::memcpy(&data, request + 8, sizeof data);
        value = data[0];
    }
    std::unique_lock lock(recorder->mutex);
    recorder->seen.emplace_back(kind, value);
    recorder->threads.push_back(std::this_thread::get_id());
    recorder->changed.notify_all();
    if (recorder->holdFirst && recorder->seen.size() == 1) {
        recorder->changed.wait(lock, [] { return recorder->released; });
    }
    return 1;
}

class StandingRequestTest : public ::testing::Test {
protected:
    void SetUp() override { recorder = &state_; }
    void TearDown() override { recorder = nullptr; }

    void WaitForEvents(size_t count) {
        std::unique_lock lock(state_.mutex);
        state_.changed.wait(lock, [&] { return state_.seen.size() >= count; });
    }
    void Release() {
        std::lock_guard lock(state_.mutex);
        state_.released = true;
        state_.changed.notify_all();
    }

    Recorder state_;
};

PendingEvent Data(uint8_t first) {
    return {HIDSERV_NOTIFY_DATA, 0, 0, {first, 0x00}};
}
PendingEvent Count(uint32_t count) {
    return {HIDSERV_NOTIFY_COUNT, count, 0, {}};
}

TEST_F(StandingRequestTest, DeliversInOrderOnItsOwnThread) {
    StandingRequest request(1, {}, Record, 0x4354524C);
    request.Post(Data(7));
    request.Post(Count(1));
    request.Post(Data(8));
    WaitForEvents(3);
    using Seen = std::vector<std::pair<uint32_t, uint32_t>>;
    EXPECT_EQ(state_.seen, (Seen{{1, 7}, {0, 1}, {1, 8}}));
    EXPECT_NE(state_.threads.front(), std::this_thread::get_id());
}

TEST_F(StandingRequestTest, DroppingQueuedDataKeepsCountChanges) {
    state_.holdFirst = true;
    StandingRequest request(1, {}, Record, 0x4354524C);
    request.Post(Data(1));
    WaitForEvents(1);  // the callback is now held, so the next events wait in the queue
    request.Post(Data(2));
    request.Post(Count(0));
    request.Post(Data(3));
    request.DropQueuedData();
    request.Post(Data(4));
    Release();
    WaitForEvents(3);
    using Seen = std::vector<std::pair<uint32_t, uint32_t>>;
    EXPECT_EQ(state_.seen, (Seen{{1, 1}, {0, 0}, {1, 4}}));
}

TEST_F(StandingRequestTest, AFloodWhileTheCallbackIsBusyKeepsTheNewestReportsAndEveryUnplug) {
    state_.holdFirst = true;
    StandingRequest request(1, {}, Record, 0x434F4E53);
    request.Post(Count(1));
    WaitForEvents(1);
    for (int i = 0; i < 5000; ++i) {
        request.Post(Data(uint8_t(i)));
        if (i % 100 == 0) {
            request.Post(Count(0));
            request.Post(Count(1));
        }
    }
    request.Post(Count(0));
    Release();
    // The first count, the newest 1024 reports and what the plug cycles coalesce to: at least
    // the unplug.
    WaitForEvents(1 + 1024 + 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::lock_guard lock(state_.mutex);
    size_t reports = 0;
    std::vector<uint32_t> counts;
    for (const auto& [kind, value] : state_.seen) {
        if (kind == HIDSERV_NOTIFY_DATA)
            ++reports;
        else
            counts.push_back(value);
    }
    EXPECT_EQ(reports, 1024u);
    EXPECT_EQ(state_.seen[state_.seen.size() - 1024].second, uint8_t(5000 - 1024));
    ASSERT_GE(counts.size(), 2u);
    EXPECT_LE(counts.size(), 4u);
    EXPECT_EQ(counts[1], 0u) << "the first unplug is heard";
    EXPECT_EQ(counts.back(), 0u) << "and so is the last";
}

TEST_F(StandingRequestTest, NothingIsDeliveredAfterStop) {
    state_.holdFirst = true;
    auto request = std::make_unique<StandingRequest>(1, InterfaceKey{}, Record, 0x434F4E53);
    request->Post(Data(1));
    WaitForEvents(1);
    request->Post(Data(2));
    request->Stop();
    request->Post(Data(3));
    Release();
    request.reset();  // joins the delivery thread
    EXPECT_EQ(state_.seen.size(), 1u);
}

}  // namespace
}  // namespace quorvel
