// The program profiles dialog driven by real clicks and keys under Xvfb, with the test listing
// windows as a window manager would: opened from the main menu, a program chosen from the open
// windows and another typed in, both added, OK; the rules file then holds them.
#include <QImageReader>
#include <QSize>

#include "model/app_rules.h"
#include "tests/app/e2e_support.h"
#include "tests/app/fake_window_manager.h"

namespace quorvel::testing {
namespace {

constexpr const char* SKIN = "ProgramProfiles.ini";

class ProgramProfilesEndToEnd : public EndToEndTest {
protected:
    std::string RulesPath() const {
        return dir_.filePath("home/config/quorvel/app-profiles.json").toStdString();
    }
    // The window opened last is the dialog: it has the size of the dialog's background.
    bool DialogOnTop() const {
        const QStringList shown = ShownWindows();
        const QSize size =
            QImageReader(ProgramFolder() + "/Skins/ProgramProfiles_normal.jpg").size();
        return shown.size() == 2 && WindowPlace(shown.last()).size() == size;
    }
};

TEST_F(ProgramProfilesEndToEnd, RulesAddedFromTheMainMenuEndInTheFile) {
    FakeWindowManager windows(TheDisplay().Name().toStdString());
    ASSERT_TRUE(windows.Connected());
    windows.OpenWindow("steam");
    windows.OpenWindow("firefox");
    ASSERT_NE(OpenProgram(1), nullptr);
    ASSERT_TRUE(ClickControl("CONTROL_MENU"));
    ASSERT_TRUE(WaitUntil([&] { return ShownWindows().size() == 2; }));
    ASSERT_TRUE(TypeKeys({"Up", "Up", "Up", "Return"}));  // above Start with the desktop and Exit
    ASSERT_TRUE(WaitUntil([&] { return DialogOnTop(); }));

    // The list holds firefox and steam, in that order; the first Down picks firefox.
    ASSERT_TRUE(ClickInTopWindow(SKIN, "OPEN_WINDOWS"));
    ASSERT_TRUE(TypeKeys({"Down"}));
    ASSERT_TRUE(ClickInTopWindow(SKIN, "FUNC_ADD"));
    ASSERT_TRUE(ClickInTopWindow(SKIN, "OPEN_WINDOWS"));
    ASSERT_TRUE(TypeKeys({"b", "l", "e", "n", "d", "e", "r"}));
    ASSERT_TRUE(ClickInTopWindow(SKIN, "FUNC_ADD"));
    ASSERT_TRUE(ClickInTopWindow(SKIN, "CONTROL_OK"));
    ASSERT_TRUE(WaitUntil([&] { return ShownWindows().size() == 1; }));

    const AppRulesFile file = LoadAppRules(RulesPath());
    ASSERT_EQ(file.state, AppRulesState::Loaded) << file.error;
    EXPECT_EQ(file.rules.rules, (std::vector<AppRule>{{"firefox", 1}, {"blender", 1}}));
    EXPECT_TRUE(file.rules.enabled);
}

}  // namespace
}  // namespace quorvel::testing
