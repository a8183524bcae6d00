// The X11 active-window source against an X server without a window manager: the test plays
// the window manager's part on the root window.
#include "desktop/x11_active_window.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include "tests/app/e2e_support.h"
#include "tests/app/fake_window_manager.h"

namespace quorvel::desktop {
namespace {

using testing::FakeWindowManager;

class X11ActiveWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "x11_active_window_test";
        static char* argv[] = {name, nullptr};
        if (QCoreApplication::instance() == nullptr) new QCoreApplication(argc, argv);
    }

    void SetUp() override {
        source_ = X11ActiveWindow::Open(display_.c_str());
        ASSERT_NE(source_, nullptr);
        connect();
    }

    void connect() {
        QObject::connect(source_.get(), &ActiveWindowSource::ActiveWindowChanged,
                         [this](const WindowInfo& window) { seen_.push_back(window); });
    }

    // The events the server has sent by now, handled.
    void Drain() {
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 150) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }

    const std::string display_ = testing::TheDisplay().Name().toStdString();
    FakeWindowManager wm_{display_};
    std::unique_ptr<X11ActiveWindow> source_;
    std::vector<WindowInfo> seen_;
};

TEST_F(X11ActiveWindowTest, ReportsEachNewActiveWindowWithClassAndExecutable) {
    ASSERT_TRUE(wm_.Connected());
    const uint32_t alpha = wm_.OpenWindow("Alpha", uint32_t(getpid()), "alpha-instance");
    const uint32_t beta = wm_.OpenWindow("Beta");
    // A test binary rebuilt while it runs is "name (deleted)", and the source names the program.
    const QString ownExecutable = QFileInfo(QFileInfo("/proc/self/exe").symLinkTarget())
                                      .fileName()
                                      .remove(QStringLiteral(" (deleted)"));

    wm_.Activate(alpha);
    Drain();
    ASSERT_EQ(seen_.size(), 1u);
    EXPECT_EQ(seen_[0].id.toStdString(), FakeWindowManager::IdText(alpha));
    EXPECT_EQ(seen_[0].appId, "Alpha");
    EXPECT_EQ(seen_[0].executable, ownExecutable);

    // The same window again, and no window at all, are not news.
    wm_.Activate(alpha);
    wm_.Activate(0);
    Drain();
    EXPECT_EQ(seen_.size(), 1u);

    // A window without a process number has no executable; coming back after no window is news.
    for (const uint32_t window : {beta, 0u, alpha}) {
        wm_.Activate(window);
        Drain();
    }
    ASSERT_EQ(seen_.size(), 3u);
    EXPECT_EQ(seen_[1].appId, "Beta");
    EXPECT_EQ(seen_[1].executable, "");
    EXPECT_EQ(seen_[2].appId, "Alpha");

    const QList<WindowInfo> open = source_->OpenWindows();
    ASSERT_EQ(open.size(), 2);
    EXPECT_EQ(open[0].appId, "Alpha");
    EXPECT_EQ(open[1].appId, "Beta");
    EXPECT_EQ(open[1].id.toStdString(), FakeWindowManager::IdText(beta));
}

TEST_F(X11ActiveWindowTest, NoServerNoSource) {
    EXPECT_EQ(X11ActiveWindow::Open(":987"), nullptr);
}

}  // namespace
}  // namespace quorvel::desktop
