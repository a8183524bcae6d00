#include "device/serial_worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

namespace quorvel {
namespace {

using namespace std::chrono_literals;

// Jobs shared between a helping caller and the worker still run one at a time, in order, and
// the caller returns only when all of them have finished.
TEST(SerialWorker, AHelpingCallerKeepsTheJobsSerialAndInOrder) {
    for (int round = 0; round < 50; ++round) {
        SerialWorker worker;
        std::atomic<int> running{0};
        std::atomic<bool> overlapped{false};
        std::vector<int> order;
        for (int i = 0; i < 8; ++i) {
            ASSERT_TRUE(worker.Post([&, i] {
                if (running.fetch_add(1) != 0) overlapped = true;
                std::this_thread::sleep_for(50us);
                order.push_back(i);
                running.fetch_sub(1);
            }));
        }
        worker.RunPendingHere();
        EXPECT_FALSE(overlapped) << "round " << round;
        EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7})) << "round " << round;
    }
}

// A job the worker has already started is waited for, not run a second time.
TEST(SerialWorker, AHelpingCallerWaitsForTheJobTheWorkerRuns) {
    SerialWorker worker;
    std::promise<void> started;
    std::promise<void> release;
    std::atomic<int> runs{0};
    ASSERT_TRUE(worker.Post([&] {
        ++runs;
        started.set_value();
        release.get_future().wait();
    }));
    started.get_future().wait();
    auto helper = std::async(std::launch::async, [&] { worker.RunPendingHere(); });
    EXPECT_EQ(helper.wait_for(20ms), std::future_status::timeout);
    release.set_value();
    helper.get();
    EXPECT_EQ(runs, 1);
}

}  // namespace
}  // namespace quorvel
