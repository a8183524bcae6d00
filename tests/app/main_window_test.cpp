// The main window on the offscreen platform, bound to the virtual keyboard: start-up into the
// tray, the tray icon rules, and a language switch that changes every caption.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>

#include "app/message_boxes.h"
#include "base/texts.h"
#include "tests/app/window_test_support.h"

namespace quorvel {
namespace {

using namespace testing;

class MainWindowTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        UseLanguage(0);
        SetMessageBoxesSuppressed(false);
    }

    // A started main window, as the application object leaves it.
    CQuorvelDlg* Start(bool startSwitch) { return &Launch(startSwitch, true); }

    // Every text the user sees on the window, by control.
    std::map<std::string, QString> Captions(CQuorvelDlg& dialog) {
        std::map<std::string, QString> captions{{"title", dialog.windowTitle()},
                                                {"tray tip", dialog.Tray().TooltipText()}};
        // The editors are windows of their own and fill their captions as they open.
        for (auto* button : dialog.findChildren<CPngButton*>()) {
            if (button->window() != &dialog) continue;
            if (!button->text().isEmpty())
                captions[button->objectName().toStdString()] = button->text();
            if (!button->toolTip().isEmpty())
                captions[button->objectName().toStdString() + " tip"] = button->toolTip();
        }
        for (auto* label : dialog.findChildren<QLabel*>()) {
            // The busy notice has words only while a keyboard job runs.
            if (label->window() != &dialog || label->objectName() == "BUSY_NOTICE") continue;
            captions[label->objectName().toStdString()] = label->text();
        }
        // Qt's own texts, such as the buttons of a question, follow the language as well.
        QMessageBox question(QMessageBox::Question, {}, {}, QMessageBox::Yes | QMessageBox::No);
        captions["question Yes"] = question.button(QMessageBox::Yes)->text();
        return captions;
    }
};

TEST_F(MainWindowTest, StartsIntoTheTrayAndOpensOnceWhenTheKeyboardIsThere) {
    auto dialog = Start(false);
    ASSERT_TRUE(WaitFor([&] { return dialog->TrayIconId() == ICON_KEYBOARD; }));
    ASSERT_TRUE(WaitFor([&] { return dialog->OpenCount() == 1; }));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->Tray().IsCreated());
    dialog->ExitApplication();
    EXPECT_FALSE(dialog->Tray().IsCreated());
    EXPECT_EQ(dialog->TrayIconId(), 0);
}

TEST_F(MainWindowTest, StartSwitchKeepsTheWindowClosedAndTheIconFollowsTheBaseIconRule) {
    auto dialog = Start(true);
    ASSERT_TRUE(WaitFor([&] { return dialog->TrayIconId() == ICON_KEYBOARD; }));
    QCoreApplication::processEvents();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->OpenCount(), 0);

    dialog->SetTrayIcon(TRAY_SPECIAL_ICON, 0);
    EXPECT_EQ(dialog->TrayIconId(), ICON_SPECIAL_STATE);
    dialog->SetTrayIcon(TRAY_BASE_ICON, 0);  // back to the base icon
    EXPECT_EQ(dialog->TrayIconId(), ICON_KEYBOARD);
    dialog->SetDeviceIcon(0);
    EXPECT_EQ(dialog->Tray().IconId(), ICON_NO_KEYBOARD);
    dialog->SetTrayIcon(TRAY_SPECIAL_ICON, 0);
    dialog->SetTrayIcon(TRAY_BASE_ICON, 0);
    EXPECT_EQ(dialog->TrayIconId(), ICON_NO_KEYBOARD);

    // Without a keyboard, opening only tells the user so.
    SetMessageBoxesSuppressed(true);
    dialog->RunCommand(COMMAND_OPEN);
    SetMessageBoxesSuppressed(false);
    EXPECT_EQ(TakeShownMessageKeys(), std::vector<std::string>{"MAIN_NO_DEVICE_PROMPT"});
    EXPECT_FALSE(dialog->isVisible());
    dialog->SetDeviceIcon(1);
    dialog->RunCommand(COMMAND_OPEN);
    EXPECT_TRUE(dialog->isVisible());
    dialog->ExitApplication();
}

// A second copy started with this one hands over before the keyboard has been looked for: the
// window opens once it is found, instead of saying there is no keyboard.
TEST_F(MainWindowTest, AnOpeningAskedBeforeTheKeyboardIsLookedForWaitsForIt) {
    SetMessageBoxesSuppressed(true);
    StartOptions options;
    options.virtualKeyboard = true;
    options.start = true;
    window_ = std::make_unique<CQuorvelDlg>(paths_, options,
                                            std::make_unique<TestNotificationArea>(true));
    ASSERT_FALSE(window_->SettleInstance());
    QString error;
    ASSERT_TRUE(window_->Initialise(&error)) << error.toStdString();
    window_->HandleShellMessage(UM_OPEN, UM_OPEN_TAG);
    ASSERT_TRUE(WaitFor([&] { return window_->OpenCount() == 1; }));
    EXPECT_TRUE(window_->isVisible());
    EXPECT_TRUE(TakeShownMessageKeys().empty());
}

// The keyboard's profiles are read first: until then the profile manager's button shows the
// default profile's name, which changes with the language, and afterwards a file name, which
// does not; a test racing the read saw either.
TEST_F(MainWindowTest, LanguageSwitchChangesEveryCaptionAndIsKept) {
    CQuorvelDlg* dialog = &WindowTest::Start(true);
    IniFile shipped(QUORVEL_SOURCE_LANGUAGE_FILE);
    auto chinese = Captions(*dialog);
    EXPECT_EQ(chinese["CONTROL_OK"].toStdString(),
              shipped.ReadString(CHINESE_SECTION, "PROFILE_OK"));

    const IniFile programFile(programDir_.filePath("Skins/language.ini").toStdString());
    const int programValue = programFile.ReadInt("LANGUAGE", "language", -1);
    dialog->RunCommand(COMMAND_ENGLISH);
    auto english = Captions(*dialog);
    EXPECT_EQ(IniFile(LanguageFile().toStdString()).ReadInt("LANGUAGE", "language", -1), 1);
    // The choice is the user's: the program folder is only read.
    EXPECT_TRUE(LanguageFile().startsWith(QString::fromStdString(paths_.overlayDir)));
    EXPECT_EQ(IniFile(programFile.Path()).ReadInt("LANGUAGE", "language", -1), programValue);
    EXPECT_EQ(english["title"].toStdString(), shipped.ReadString(ENGLISH_SECTION, "MAIN_CAPTION"));
    EXPECT_EQ(english["tray tip"].toStdString(),
              shipped.ReadString(ENGLISH_SECTION, "KEYBOARD_TRAY_DESC"));
    EXPECT_EQ(english["CONTROL_CANCEL"].toStdString(),
              shipped.ReadString(ENGLISH_SECTION, "PROFILE_CANCLE"));
    EXPECT_EQ(english["CONTROL_CLOSE tip"].toStdString(),
              shipped.ReadString(ENGLISH_SECTION, "MAIN_CLOSE_PROMPT"));
    EXPECT_EQ(english["CONTROL_UsbStatic"].toStdString(),
              dialog->Skin().ReadString("Control_Name1", "Usb"));
    EXPECT_EQ(english["question Yes"], "&Yes");
    EXPECT_EQ(chinese["question Yes"], "是(&Y)");

    ASSERT_EQ(english.size(), chinese.size());
    for (const auto& [control, text] : chinese) {
        if (control == "ZELTRA_LINK tip") continue;  // an address, the same in every language
        // Key names and the bank's G-key captions read the same in both languages.
        if (control.starts_with("KEY_") || control.starts_with("FUNC_G")) continue;
        // The name of the active profile's file.
        if (control == "FUNC_PROFILES") {
            EXPECT_EQ(english[control], "$Profile0");
            EXPECT_EQ(text, "$Profile0");
            continue;
        }
        EXPECT_NE(english[control], text) << control;
        EXPECT_FALSE(english[control].isEmpty()) << control;
    }

    dialog->RunCommand(COMMAND_CHINESE);
    EXPECT_EQ(Captions(*dialog), chinese);
    EXPECT_EQ(IniFile(LanguageFile().toStdString()).ReadInt("LANGUAGE", "language", -1), 0);
    dialog->ExitApplication();
}

TEST_F(MainWindowTest, TrayMenuFollowsOnlyTheFileValue) {
    auto dialog = Start(true);
    SetCurrentLanguage(1);  // the run's choice does not count for the tray menu
    QList<QAction*> actions = dialog->Tray().Menu().actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_EQ(actions[0]->text(), "打开(&O)");
    EXPECT_EQ(dialog->Tray().Menu().defaultAction(), actions[0]);
    IniFile(LanguageFile().toStdString()).WriteString("LANGUAGE", "language", "1");
    actions = dialog->Tray().Menu().actions();
    EXPECT_EQ(actions[0]->text(), "Open(&O)");
    EXPECT_EQ(actions[1]->text(), "About(&A)");
    EXPECT_EQ(actions[2]->text(), "Exit(&X)");
    dialog->ExitApplication();
    SetCurrentLanguage(0);
}

}  // namespace
}  // namespace quorvel
