#include "tests/wayland/wayland_e2e_support.h"

#include <QDir>
#include <QThread>

namespace quorvel::testing {

void WaylandEndToEndTest::SetUp() {
    if (!sway_.WhyNot().isEmpty()) GTEST_SKIP() << sway_.WhyNot().toStdString();
    ASSERT_TRUE(sway_.InputError().isEmpty()) << sway_.InputError().toStdString();
    PrepareFolders();
    sway_.AddTo(env_);
}

QProcess* WaylandEndToEndTest::OpenOnWayland(int language) {
    ProgramCopy(language);
    program_ = Launch({"--virtual"});
    EXPECT_TRUE(WaitUntil([&] { return MainWindow().has_value(); }, 10000));
    QThread::msleep(1500);
    return program_;
}

QList<SwayWindow> WaylandEndToEndTest::Windows() const {
    if (program_ == nullptr) return {};
    return sway_.Windows(program_->processId());
}

std::optional<SwayWindow> WaylandEndToEndTest::MainWindow() const {
    const QList<SwayWindow> windows = Windows();
    if (windows.isEmpty()) return std::nullopt;
    return windows.first();
}

std::optional<SwayWindow> WaylandEndToEndTest::WindowOfSize(QSize size, int timeoutMs) const {
    std::optional<SwayWindow> found;
    WaitUntil(
        [&] {
            for (const SwayWindow& window : Windows()) {
                if (window.place.size() == size) found = window;
            }
            return found.has_value();
        },
        timeoutMs);
    return found;
}

bool WaylandEndToEndTest::ClickIn(const SwayWindow& window, QPoint at, int settleMs) {
    const bool clicked = sway_.Click(window.place.topLeft() + at);
    QThread::msleep(settleMs);
    return clicked;
}

bool WaylandEndToEndTest::ClickMainControl(const QString& key, int settleMs) {
    const std::optional<SwayWindow> main = MainWindow();
    return main && ClickIn(*main, SkinPlace("Main.ini", key).center(), settleMs);
}

bool WaylandEndToEndTest::Type(const QStringList& keys, int delayMs) {
    const bool typed = sway_.TypeKeys(keys, delayMs);
    QThread::msleep(400);
    return typed;
}

void WaylandEndToEndTest::ShotTo(const QString& name) const {
    QDir().mkpath(QUORVEL_SCREENSHOT_DIR);
    EXPECT_TRUE(sway_.Screenshot(QString(QUORVEL_SCREENSHOT_DIR) + "/" + name + ".png"))
        << name.toStdString();
}

}  // namespace quorvel::testing
