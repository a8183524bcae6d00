// The single-instance channel: one holder at a time, and a message is answered only after the
// running copy has handled it.
#include "app/single_instance.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QTemporaryDir>
#include <atomic>
#include <thread>

#include "base/byte_order.h"
#include "device/shell_port.h"
#include "tests/base/scoped_environment.h"
#include "tests/support/other_user.h"

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

TEST(SingleInstance, AnotherUserCannotHandTheRunningCopyAMessage) {
    if (std::string why = testing::WhyNoOtherUser(); !why.empty()) GTEST_SKIP() << why;
    testing::SharedFolder shared;
    const std::string path = shared.File(INSTANCE_NAME);
    SingleInstance first(QString::fromStdString(path));
    ASSERT_TRUE(first.Acquire());
    int handled = 0;
    QString error;
    ASSERT_TRUE(first.Listen([&](uint32_t, uint32_t) { ++handled; }, &error))
        << error.toStdString();
    // Opened up, so that only the running copy's own check stands between the two users.
    chmod(path.c_str(), 0777);
    const int result = testing::RunAsNobody(
        [&path] {
            const int fd = testing::ConnectUnix(path, SOCK_STREAM);
            if (fd < 0) return 2;
            uint8_t request[INSTANCE_REQUEST_SIZE];
            WriteLe32(request, UM_KILL);
            WriteLe32(request + 4, UM_KILL_TAG);
            send(fd, request, sizeof request, MSG_NOSIGNAL);
            return testing::AnswerArrives(fd, 2000) ? 1 : 0;
        },
        [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 5); });
    EXPECT_EQ(result, 0) << "1: answered, 2: could not connect";
    EXPECT_EQ(handled, 0);
}

TEST(SingleInstance, ACopyOfAnotherUserIsNotTheRunningCopy) {
    if (std::string why = testing::WhyNoOtherUser(); !why.empty()) GTEST_SKIP() << why;
    testing::SharedFolder shared;
    const std::string path = shared.File(INSTANCE_NAME);
    bool delivered = true;
    ASSERT_TRUE(testing::WhileNobodyListens(path, SOCK_STREAM, std::string(4, '\0'), [&] {
        delivered =
            SingleInstance(QString::fromStdString(path)).SendToRunning(UM_OPEN, UM_OPEN_TAG, 1000);
    }));
    EXPECT_FALSE(delivered);
}

// Without XDG_RUNTIME_DIR the channel used to be /tmp/Quorvel_Mutex_09A-UID: whoever took that
// name first made every start believe a copy already ran.
TEST(SingleInstance, TheSquattedTemporaryNameIsNotUsed) {
    QTemporaryDir cache;
    testing::ScopedEnvironment environment;
    environment.Set("XDG_RUNTIME_DIR", std::nullopt);
    environment.Set("XDG_CACHE_HOME", cache.path().toStdString());
    const QString squatted =
        QDir::tempPath() + QStringLiteral("/%1-%2").arg(INSTANCE_NAME).arg(getuid());
    QLockFile squatter(squatted + ".lock");
    const bool squatting = squatter.tryLock(0);

    const QString channel = SingleInstance::DefaultChannelPath();
    EXPECT_TRUE(channel.startsWith(cache.path() + "/")) << channel.toStdString();
    struct stat folder {};
    ASSERT_EQ(stat(QFileInfo(channel).path().toStdString().c_str(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
    SingleInstance instance;
    EXPECT_TRUE(instance.Acquire());
    if (squatting) squatter.unlock();
}

}  // namespace
}  // namespace quorvel
