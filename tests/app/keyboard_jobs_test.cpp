// The window's keyboard worker: jobs run off the window's thread one at a time, completions and
// progress come back to the window's thread, a burst of the same change costs one job, and the
// exit waits for the job that is running.
#include "app/keyboard_jobs.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace quorvel {
namespace {

using namespace std::chrono_literals;

void PumpWhile(const KeyboardJobs& jobs) {
    while (jobs.Busy()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

TEST(KeyboardJobs, RunsInOrderOffTheWindowThreadAndCompletesOnIt) {
    KeyboardJobs jobs;
    const auto window = std::this_thread::get_id();
    std::vector<int> order;
    std::vector<int> results;
    std::atomic<bool> ranOnWindow{false};
    std::vector<std::pair<int, int>> progress;
    QObject::connect(&jobs, &KeyboardJobs::ProgressChanged,
                     [&](int done, int total) { progress.emplace_back(done, total); });
    for (int i = 0; i < 3; ++i) {
        jobs.Run(
            "write",
            [&, i](const KeyboardJobs::Report& report) {
                if (std::this_thread::get_id() == window) ranOnWindow = true;
                order.push_back(i);
                report(i, 3);
                return i + 10;
            },
            [&, window](int result) {
                EXPECT_EQ(std::this_thread::get_id(), window);
                results.push_back(result);
            });
    }
    EXPECT_TRUE(jobs.Busy());
    PumpWhile(jobs);
    EXPECT_FALSE(ranOnWindow);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(results, (std::vector<int>{10, 11, 12}));
    EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{0, 3}, {1, 3}, {2, 3}}));
}

TEST(KeyboardJobs, ABurstOfTheSameChangeRunsOnceWithTheNewestValue) {
    KeyboardJobs jobs;
    std::atomic<bool> release{false};
    // Holds the worker so the burst queues behind it.
    jobs.Run("hold", [&](const KeyboardJobs::Report&) {
        while (!release) std::this_thread::sleep_for(1ms);
        return 1;
    });
    std::vector<std::string> sent;
    int completions = 0;
    auto latest = [&](const char* name, int value) {
        jobs.RunLatest(
            name,
            [&sent, name, value](const KeyboardJobs::Report&) {
                sent.push_back(name + std::to_string(value));
                return 1;
            },
            [&completions](int) { ++completions; });
    };
    for (int value = 1; value <= 50; ++value) latest("speed", value);
    // The newest of a name waits behind what was queued since its older value: B1, mode, B2
    // leaves B2 on the keyboard.
    latest("brightness", 1);
    jobs.Run("mode", [&sent](const KeyboardJobs::Report&) {
        sent.push_back("mode");
        return 1;
    });
    latest("brightness", 2);
    release = true;
    PumpWhile(jobs);
    EXPECT_EQ(sent, (std::vector<std::string>{"speed50", "mode", "brightness2"}));
    EXPECT_EQ(completions, 2);
}

// The work ends when the worker has no job left, before that job's completion runs (which may
// show a message for as long as the user takes); busy ends after it. A job queued by a
// completion is work again.
TEST(KeyboardJobs, WorkEndsBeforeTheLastCompletionAndBusyAfterIt) {
    KeyboardJobs jobs;
    std::vector<std::string> events;
    QObject::connect(&jobs, &KeyboardJobs::WorkingChanged,
                     [&](bool working) { events.push_back(working ? "work" : "rest"); });
    QObject::connect(&jobs, &KeyboardJobs::BusyChanged,
                     [&](bool busy) { events.push_back(busy ? "busy" : "idle"); });
    const auto noted = [&](const char* name) {
        return [&, name](int) {
            events.push_back(std::string(name) + (jobs.Working() ? " working" : " resting") +
                             (jobs.Busy() ? " busy" : " idle"));
        };
    };
    const auto work = [](const KeyboardJobs::Report&) { return 1; };
    jobs.Run("first", work, noted("first"));
    jobs.Run("second", work, [&](int result) {
        noted("second")(result);
        jobs.Run("follow-up", work, noted("follow-up"));
    });
    PumpWhile(jobs);
    EXPECT_EQ(events, (std::vector<std::string>{"busy", "work", "first working busy", "rest",
                                                "second resting busy", "work", "rest",
                                                "follow-up resting busy", "idle"}));
}

TEST(KeyboardJobs, BusyChangesOnceEachWayAndShutdownWaitsForTheRunningJob) {
    KeyboardJobs jobs;
    std::vector<bool> busyChanges;
    QObject::connect(&jobs, &KeyboardJobs::BusyChanged,
                     [&](bool busy) { busyChanges.push_back(busy); });
    std::atomic<bool> started{false};
    std::atomic<bool> finished{false};
    bool laterJobRan = false;
    bool completionRan = false;
    jobs.Run(
        "apply",
        [&](const KeyboardJobs::Report&) {
            started = true;
            std::this_thread::sleep_for(50ms);
            finished = true;
            return 1;
        },
        [&](int) { completionRan = true; });
    jobs.Run("later", [&](const KeyboardJobs::Report&) {
        laterJobRan = true;
        return 1;
    });
    while (!started) std::this_thread::sleep_for(1ms);
    EXPECT_EQ(jobs.Running(), "apply");
    jobs.Shutdown();
    EXPECT_TRUE(finished);
    QCoreApplication::processEvents();
    EXPECT_FALSE(laterJobRan);
    EXPECT_FALSE(completionRan);
    EXPECT_EQ(busyChanges, (std::vector<bool>{true, false}));
    jobs.Run("after exit", [&](const KeyboardJobs::Report&) {
        laterJobRan = true;
        return 1;
    });
    EXPECT_FALSE(jobs.Busy());
}

}  // namespace
}  // namespace quorvel
