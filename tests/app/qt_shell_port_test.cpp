// The Qt port: sends from workers wait for the window, posts do not, and a shutdown lets every
// waiting worker go instead of deadlocking the exit.
#include "app/qt_shell_port.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QWidget>
#include <atomic>
#include <thread>

#include "app/message_boxes.h"

namespace quorvel {
namespace {

struct FakeWindow : ShellWindow {
    std::vector<uint32_t> messages;
    std::vector<int> timers;
    std::thread::id handlerThread;
    void HandleShellMessage(uint32_t message, uint32_t) override {
        handlerThread = std::this_thread::get_id();
        messages.push_back(message);
    }
    void HandleTimer(int timerId) override { timers.push_back(timerId); }
    bool IsReady() const override { return true; }
    void HideMainWindow() override {}
    void SetTrayIcon(TrayIconMode, int) override {}
    void ShowGKeyBank(bool) override {}
    QWidget* MessageParent() override { return nullptr; }
};

void PumpUntil(const std::atomic<bool>& done) {
    while (!done) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

TEST(QtShellPort, SendFromAWorkerReturnsAfterTheWindowThreadHandledIt) {
    FakeWindow window;
    QtShellPort port(window);
    std::atomic<bool> done{false};
    size_t seenBySender = 0;
    std::thread worker([&] {
        port.SendMessage(UM_PROFILE, UM_PROFILE_TAG);
        seenBySender = window.messages.size();
        done = true;
    });
    PumpUntil(done);
    worker.join();
    EXPECT_EQ(seenBySender, 1u);
    EXPECT_EQ(window.handlerThread, std::this_thread::get_id());
}

TEST(QtShellPort, PostIsQueuedAndSendOnTheWindowThreadIsDirect) {
    FakeWindow window;
    QtShellPort port(window);
    port.PostMessage(UM_OPEN, UM_OPEN_TAG);
    EXPECT_TRUE(window.messages.empty());
    port.SendMessage(UM_GKEY_STATE, UM_GKEY_STATE_TAG);
    EXPECT_EQ(window.messages, std::vector<uint32_t>{UM_GKEY_STATE});
    QCoreApplication::processEvents();
    EXPECT_EQ(window.messages, (std::vector<uint32_t>{UM_GKEY_STATE, UM_OPEN}));
}

TEST(QtShellPort, ShutdownReleasesAWaitingWorkerAndDropsTheMessage) {
    FakeWindow window;
    QtShellPort port(window);
    std::atomic<bool> done{false};
    // The window thread is busy (not pumping) while the worker waits, as during the exit.
    std::thread worker([&] {
        port.SendMessage(UM_PROFILE, UM_PROFILE_TAG);
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(done);
    port.Shutdown();
    worker.join();
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.messages.empty());
    port.SendMessage(UM_OPEN, UM_OPEN_TAG);  // nothing reaches the window any more
    EXPECT_TRUE(window.messages.empty());
}

TEST(QtShellPort, TimerRunsOnTheWindowThreadUntilStopped) {
    FakeWindow window;
    QtShellPort port(window);
    std::thread([&] { port.StartTimer(TIMER_LIGHTING_REFRESH, 0); }).join();
    for (int i = 0; i < 5 && window.timers.empty(); ++i) QCoreApplication::processEvents();
    ASSERT_FALSE(window.timers.empty());
    EXPECT_EQ(window.timers[0], TIMER_LIGHTING_REFRESH);
    port.StopTimer(TIMER_LIGHTING_REFRESH);
    window.timers.clear();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.timers.empty());
}

TEST(QtShellPort, QuestionsFromWorkersGetTheAnswerTheTestSets) {
    FakeWindow window;
    QtShellPort port(window);
    SetMessageBoxesSuppressed(true);
    SetNextYesNoAnswer(true);
    std::atomic<bool> done{false};
    bool first = false, second = true;
    std::thread worker([&] {
        first = port.AskYesNo("MAIN_PROMPT_DEFAULT");
        second = port.AskYesNo("MAIN_PROMPT_DEFAULT");  // no answer set: No
        port.ShowMessage("MAIN_NO_DEVICE_PROMPT");
        done = true;
    });
    PumpUntil(done);
    worker.join();
    SetMessageBoxesSuppressed(false);
    EXPECT_TRUE(first);
    EXPECT_FALSE(second);
    EXPECT_EQ(TakeShownMessageKeys(),
              (std::vector<std::string>{"MAIN_PROMPT_DEFAULT", "MAIN_PROMPT_DEFAULT",
                                        "MAIN_NO_DEVICE_PROMPT"}));
}

}  // namespace
}  // namespace quorvel
