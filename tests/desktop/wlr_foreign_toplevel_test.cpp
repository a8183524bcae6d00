// The foreign-toplevel source and the session's choice of source, against a headless sway with
// terminals of their own app_id.
#include "desktop/wlr_foreign_toplevel.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "desktop/active_window_factory.h"
#include "tests/desktop/terminals.h"
#include "tests/wayland/sway_session.h"

namespace quorvel::desktop {
namespace {

using quorvel::testing::SwaySession;
using quorvel::testing::Terminals;
using quorvel::testing::TheSway;

QStringList AppIds(const QList<WindowInfo>& windows) {
    QStringList ids;
    for (const WindowInfo& window : windows) ids.append(window.appId);
    ids.sort();
    return ids;
}

QString DisplayOf(const SwaySession& sway) {
    QProcessEnvironment env;
    sway.AddTo(env);
    return env.value(QStringLiteral("WAYLAND_DISPLAY"));
}

class WlrForeignToplevelTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!sway_.WhyNot().isEmpty()) GTEST_SKIP() << qPrintable(sway_.WhyNot());
        ASSERT_TRUE(terminals_.Start(QStringLiteral("quorvel-alpha")));
        ASSERT_TRUE(terminals_.Start(QStringLiteral("quorvel-beta")));
        source_ = WlrForeignToplevelSource::Connect(DisplayOf(sway_));
        ASSERT_NE(source_, nullptr);
        spy_ =
            std::make_unique<QSignalSpy>(source_.get(), &ActiveWindowSource::ActiveWindowChanged);
    }
    void TearDown() override {
        source_.reset();
        // The next test starts from the windows it opens.
        EXPECT_TRUE(terminals_.End(QStringLiteral("quorvel-alpha")));
        EXPECT_TRUE(terminals_.End(QStringLiteral("quorvel-beta")));
    }
    QString LastActive() const {
        return spy_->isEmpty() ? QString() : spy_->last().at(0).value<WindowInfo>().appId;
    }
    bool ActiveBecomes(const QString& appId) {
        return QTest::qWaitFor([&] { return LastActive() == appId; }, 5000);
    }

    SwaySession& sway_ = TheSway();
    Terminals terminals_{sway_};
    std::unique_ptr<WlrForeignToplevelSource> source_;
    std::unique_ptr<QSignalSpy> spy_;
};

TEST_F(WlrForeignToplevelTest, FollowsFocusBetweenProgramsAndListsTheOpenOnes) {
    EXPECT_EQ(source_->Support(), WindowSupport::WlrForeignToplevel);
    // The window in front when the source starts is reported without a focus change.
    EXPECT_TRUE(ActiveBecomes(QStringLiteral("quorvel-beta")));
    EXPECT_EQ(AppIds(source_->OpenWindows()),
              QStringList({QStringLiteral("quorvel-alpha"), QStringLiteral("quorvel-beta")}));

    ASSERT_TRUE(terminals_.Focus(QStringLiteral("quorvel-alpha")));
    EXPECT_TRUE(ActiveBecomes(QStringLiteral("quorvel-alpha")));
    // Back and forth quickly: every report names a window, and the last is the one in front.
    for (const char* appId : {"quorvel-beta", "quorvel-alpha", "quorvel-beta"}) {
        ASSERT_TRUE(terminals_.Focus(QString::fromUtf8(appId)));
    }
    EXPECT_TRUE(ActiveBecomes(QStringLiteral("quorvel-beta")));
    QSet<QString> ids;
    for (const QList<QVariant>& report : *spy_) {
        const auto window = report.at(0).value<WindowInfo>();
        EXPECT_FALSE(window.appId.isEmpty());
        ids.insert(window.id + window.appId);
    }
    EXPECT_EQ(ids.size(), 2) << "each window keeps one id";

    ASSERT_TRUE(terminals_.End(QStringLiteral("quorvel-beta")));
    EXPECT_TRUE(ActiveBecomes(QStringLiteral("quorvel-alpha")));
    EXPECT_EQ(AppIds(source_->OpenWindows()), QStringList({QStringLiteral("quorvel-alpha")}));
}

TEST_F(WlrForeignToplevelTest, TheSessionChoosesTheToplevelListOnSuchCompositors) {
    qputenv("WAYLAND_DISPLAY", DisplayOf(sway_).toLocal8Bit());
    const auto chosen = CreateActiveWindowSource();
    qunsetenv("WAYLAND_DISPLAY");
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(chosen->Support(), WindowSupport::WlrForeignToplevel);
    EXPECT_EQ(AppIds(chosen->OpenWindows()),
              QStringList({QStringLiteral("quorvel-alpha"), QStringLiteral("quorvel-beta")}));
}

TEST(WlrForeignToplevel, CompositorEndingLeavesNoWindowsAndNoReports) {
    auto sway = std::make_unique<SwaySession>();
    if (!sway->WhyNot().isEmpty()) GTEST_SKIP() << qPrintable(sway->WhyNot());
    Terminals terminals(*sway);
    ASSERT_TRUE(terminals.Start(QStringLiteral("quorvel-gamma")));
    const auto source = WlrForeignToplevelSource::Connect(DisplayOf(*sway));
    ASSERT_NE(source, nullptr);
    QSignalSpy spy(source.get(), &ActiveWindowSource::ActiveWindowChanged);
    ASSERT_TRUE(spy.wait(5000));
    sway.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return source->OpenWindows().isEmpty(); }, 5000));
    QTest::qWait(100);
    EXPECT_EQ(spy.size(), 1);
}

TEST(WlrForeignToplevel, NoSourceWhereNoCompositorListens) {
    QTemporaryDir dir;
    EXPECT_EQ(WlrForeignToplevelSource::Connect(dir.filePath(QStringLiteral("wayland-0"))),
              nullptr);
}

}  // namespace
}  // namespace quorvel::desktop
