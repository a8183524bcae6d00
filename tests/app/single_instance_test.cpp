// The single-instance channel: one holder at a time, and a message is answered only after the
// running copy has handled it.
#include "app/single_instance.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <atomic>
#include <thread>

#include "device/shell_port.h"

namespace quorvel {
namespace {

TEST(SingleInstance, SecondCopyHandsItsMessageToTheFirstAndWaitsForIt) {
    QTemporaryDir dir;
    QString channel = dir.filePath("Quorvel_Mutex_09A");
    SingleInstance first(channel);
    ASSERT_TRUE(first.Acquire());
    std::vector<std::pair<uint32_t, uint32_t>> handled;
    QString error;
    ASSERT_TRUE(first.Listen([&](uint32_t m, uint32_t t) { handled.emplace_back(m, t); }, &error))
        << error.toStdString();

    SingleInstance second(channel);
    EXPECT_FALSE(second.Acquire());
    std::atomic<int> answered{-1};
    std::atomic<size_t> handledWhenAnswered{0};
    std::thread sender([&] {
        bool ok = second.SendToRunning(UM_OPEN, UM_OPEN_TAG, 5000);
        handledWhenAnswered = handled.size();
        answered = ok;
    });
    while (answered < 0) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    sender.join();
    EXPECT_EQ(answered, 1);
    EXPECT_EQ(handledWhenAnswered, 1u);
    ASSERT_EQ(handled.size(), 1u);
    EXPECT_EQ(handled[0], std::make_pair(UM_OPEN, UM_OPEN_TAG));

    first.Release();
    EXPECT_TRUE(second.Acquire());  // the lock passes on once released
}

TEST(SingleInstance, NobodyAnswersWhenNoCopyRuns) {
    QTemporaryDir dir;
    SingleInstance alone(dir.filePath("Quorvel_Mutex_09A"));
    EXPECT_FALSE(alone.SendToRunning(UM_KILL, UM_KILL_TAG, 200));
    EXPECT_TRUE(alone.Acquire());
}

}  // namespace
}  // namespace quorvel
