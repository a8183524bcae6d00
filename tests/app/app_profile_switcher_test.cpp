// The switcher's timing and refusals with a desktop the test drives and a window it stands in
// for: settling, waiting for the user's work, the rules file and its damage.
#include "app/app_profile_switcher.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QThread>

#include "tests/app/program_sandbox.h"
#include "tests/base/temp_dir.h"

namespace quorvel {
namespace {

class FakeDesktop : public desktop::ActiveWindowSource {
public:
    desktop::WindowSupport Support() const override { return desktop::WindowSupport::X11; }
    QList<desktop::WindowInfo> OpenWindows() const override { return {}; }
    void Activate(const QString& appId, const QString& id = "0x1") {
        emit ActiveWindowChanged({id, appId, QString()});
    }
};

class AppProfileSwitcherTest : public ::testing::Test {
protected:
    void Start(const AppRules& rules) {
        ASSERT_TRUE(SaveAppRules(RulesPath(), rules));
        auto desktop = std::make_unique<FakeDesktop>();
        desktop_ = desktop.get();
        switcher_ = std::make_unique<AppProfileSwitcher>(
            std::move(desktop), RulesPath(),
            AppSwitchHost{
                .activeProfile = [this] { return active_; },
                .mustWait = [this] { return mustWait_; },
                .switchProfile =
                    [this](int k) {
                        switches_.push_back(k);
                        active_ = k;
                    },
                .isOwnWindow = [](const desktop::WindowInfo& w) { return w.id == "0xown"; }});
    }
    std::string RulesPath() const { return dir_.File("config/quorvel/app-profiles.json"); }
    // Turns the event loop for ms.
    static void Run(int ms) {
        testing::WaitFor([] { return false; }, ms, 5);
    }
    static AppRules Rules(std::optional<int> defaultProfile = std::nullopt) {
        AppRules rules;
        SetAppRule(rules, "game", 3);
        SetAppRule(rules, "editor", 2);
        rules.defaultProfile = defaultProfile;
        return rules;
    }

    testing::TempDir dir_;
    FakeDesktop* desktop_ = nullptr;
    std::unique_ptr<AppProfileSwitcher> switcher_;
    int active_ = 0;
    bool mustWait_ = false;
    std::vector<int> switches_;
};

TEST_F(AppProfileSwitcherTest, SwitchesOnceTheWindowInFrontHasSettled) {
    Start(Rules());
    desktop_->Activate("editor");
    Run(50);
    desktop_->Activate("game");
    Run(APP_SWITCH_SETTLE_MS - 50);
    EXPECT_TRUE(switches_.empty()) << "switched before the change settled";
    EXPECT_TRUE(testing::WaitFor([&] { return !switches_.empty(); }, 1000));
    Run(100);
    EXPECT_EQ(switches_, std::vector<int>{2});

    // Already on the profile, no rule and no default, our own window: nothing to do.
    desktop_->Activate("GAME");
    Run(300);
    desktop_->Activate("terminal");
    Run(300);
    desktop_->Activate("editor", "0xown");
    Run(300);
    EXPECT_EQ(switches_, std::vector<int>{2});

    // No keyboard: no profile to compare with, and no switch.
    active_ = -1;
    desktop_->Activate("editor");
    Run(300);
    EXPECT_EQ(switches_, std::vector<int>{2});
}

TEST_F(AppProfileSwitcherTest, WaitsWhileTheWindowIsBusyAndSwitchesWhenItEnds) {
    Start(Rules());
    mustWait_ = true;
    desktop_->Activate("game");
    Run(600);
    EXPECT_TRUE(switches_.empty());
    mustWait_ = false;
    EXPECT_TRUE(testing::WaitFor([&] { return !switches_.empty(); }, 500));
    EXPECT_EQ(switches_, std::vector<int>{2});
}

TEST_F(AppProfileSwitcherTest, FollowsTheRulesFileAndKeepsTheLastGoodRulesWhenItIsDamaged) {
    Start(Rules());
    active_ = 1;
    desktop_->Activate("terminal");
    Run(300);
    EXPECT_TRUE(switches_.empty());

    // A default written while the window is in front applies to it.
    ASSERT_TRUE(SaveAppRules(RulesPath(), Rules(1)));
    EXPECT_TRUE(testing::WaitFor([&] { return switches_ == std::vector<int>{0}; }, 2000));

    testing::WriteWholeFile(RulesPath(), "{\"version\": 1, \"rules\": [");
    Run(500);
    EXPECT_EQ(switcher_->Rules(), Rules(1));
    desktop_->Activate("game");
    EXPECT_TRUE(testing::WaitFor([&] { return switches_.size() == 2; }, 1000));
    EXPECT_EQ(switches_.back(), 2);

    // The folder removed and made again: the watch finds the new file.
    std::filesystem::remove_all(dir_.File("config"));
    Run(300);
    ASSERT_TRUE(SaveAppRules(RulesPath(), AppRules{}));
    EXPECT_TRUE(testing::WaitFor([&] { return switcher_->Rules() == AppRules{}; }, 2000));
}

}  // namespace
}  // namespace quorvel
