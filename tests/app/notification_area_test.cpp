// The main window on a desktop without a notification area: it never leaves the program where
// nobody can see it, its menu holds what the icon's menu would, an area that appears later
// takes the icon, and one that goes away gives the window back.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>

#include "base/texts.h"
#include "tests/app/window_test_support.h"

namespace quorvel {
namespace {

using namespace testing;

// The icon joins the area with the picture of the moment and the window may hide into it again.
void ExpectTheIconToJoinAnAreaThatAppears(CQuorvelDlg& window, TestNotificationArea& area) {
    window.SetDeviceIcon(0);
    area.Appear();
    EXPECT_TRUE(window.Tray().InArea());
    EXPECT_EQ(window.Tray().IconId(), ICON_NO_KEYBOARD);
    window.RunCommand(COMMAND_CANCEL);
    EXPECT_FALSE(window.isVisible());
}

class NoNotificationAreaTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        notificationArea_ = false;
    }

    bool OnScreenMinimised() const { return window_->isVisible() && window_->isMinimized(); }
};

TEST_F(NoNotificationAreaTest, TheWindowStaysOnScreenMinimisedUntilAnAreaAppears) {
    CQuorvelDlg& window = Start();
    EXPECT_TRUE(OnScreenMinimised());
    EXPECT_EQ(window.OpenCount(), 0);
    EXPECT_TRUE(window.Tray().IsCreated());
    EXPECT_FALSE(window.Tray().InArea());

    // Every way the window would go into the area: Cancel, OK, closing it, the keyboard gone.
    for (int command : {COMMAND_CANCEL, COMMAND_OK}) {
        window.showNormal();
        window.RunCommand(command);
        EXPECT_TRUE(OnScreenMinimised()) << command;
    }
    window.showNormal();
    window.close();
    EXPECT_TRUE(OnScreenMinimised());
    window.HideMainWindow();
    EXPECT_TRUE(OnScreenMinimised());

    ExpectTheIconToJoinAnAreaThatAppears(window, *area_);
}

// A panel that quits while the window is hidden in it must not leave the program unseen.
TEST_F(WindowTest, AnAreaGoingAwayBringsTheHiddenWindowBackMinimisedUntilOneReturns) {
    CQuorvelDlg& window = Start();
    ASSERT_TRUE(window.Tray().InArea());
    ASSERT_FALSE(window.isVisible());
    area_->Disappear();
    EXPECT_FALSE(window.Tray().InArea());
    EXPECT_TRUE(window.isVisible() && window.isMinimized());
    window.showNormal();
    window.RunCommand(COMMAND_CANCEL);
    EXPECT_TRUE(window.isVisible() && window.isMinimized());

    ExpectTheIconToJoinAnAreaThatAppears(window, *area_);

    // A window on screen when the area goes stays as it is.
    window.showNormal();
    area_->Disappear();
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isMinimized());
}

TEST_F(NoNotificationAreaTest, TheMainMenuHoldsAboutAndExitInBothLanguages) {
    Start();
    const IniFile shipped(QUORVEL_SOURCE_LANGUAGE_FILE);
    for (int language : {0, 1}) {
        UseLanguage(language);
        QMenu* menu = OpenMainMenu();
        ASSERT_NE(menu, nullptr);
        std::map<int, QString> items;
        for (QAction* action : menu->actions())
            if (action->data().isValid()) items[action->data().toInt()] = action->text();
        const std::string_view section = language == 1 ? ENGLISH_SECTION : CHINESE_SECTION;
        EXPECT_EQ(items[COMMAND_ABOUT].toStdString(), shipped.ReadString(section, "MENU_3"));
        EXPECT_EQ(items[COMMAND_EXIT].toStdString(), shipped.ReadString(section, "MENU_33"));
        menu->close();
    }
    QMenu* menu = OpenMainMenu();
    ASSERT_NE(menu, nullptr);
    for (QAction* action : menu->actions())
        if (action->data().toInt() == COMMAND_EXIT) action->trigger();
    EXPECT_FALSE(window_->IsReady());
    EXPECT_FALSE(window_->Tray().IsCreated());
}

}  // namespace
}  // namespace quorvel
