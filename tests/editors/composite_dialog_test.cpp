// The key assignment dialog: opening, key capture, the pages and what Apply stores.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>

#include "editors_test_support.h"
#include "skin/png_button.h"

namespace quorvel {
namespace {

using namespace testing;

TEST_F(DialogTest, CapturedKeyIsStoredOnApplyWithColourFlagAndReservedKept) {
    SetEntry(ENTRY_A, {ASSIGN_DEFAULT, 0, 0, 1, 7});
    Open(MapKey(KEY_CODE_A));
    EXPECT_EQ(dialog_->PageType(), ASSIGN_DEFAULT);
    EXPECT_TRUE(dialog_->CapturingKeys());
    EXPECT_TRUE(dialog_->KeyBoxText().isEmpty());
    TypeKey(*dialog_, KEY_B);
    EXPECT_EQ(dialog_->KeyBoxText(), "B");
    EXPECT_TRUE(dialog_->Modified());
    ASSERT_TRUE(dialog_->ApplyChanges());
    EXPECT_EQ(Entry(ENTRY_A), (KeyAssignment{ASSIGN_KEY, 0, 0x030, 1, 7}));
    EXPECT_TRUE(host_.applyEnabled);
    EXPECT_EQ(host_.refreshed, std::vector<int>{ENTRY_A});
    EXPECT_EQ(host_.refreshedAll, 1);
    EXPECT_FALSE(dialog_->Modified());
}

TEST_F(DialogTest, CapturingTheEditedKeyItselfLeavesItNotAssigned) {
    SetEntry(ENTRY_A, {ASSIGN_KEY, 0, 0x030, 0, 0});
    Open(MapKey(KEY_CODE_A));
    EXPECT_EQ(dialog_->KeyBoxText(), "B");
    TypeKey(*dialog_, KEY_A);
    dialog_->CloseDialog(true);
    EXPECT_EQ(Entry(ENTRY_A), KeyAssignment{});
    EXPECT_FALSE(dialog_->IsOpen());
    EXPECT_FALSE(dialog_->CapturingKeys());
}

TEST_F(DialogTest, HeldKeyAndAutoRepeatGiveOneCaptureAndMediaKeysPassThrough) {
    Open(MapKey(KEY_CODE_A));
    SendKey(*dialog_, KEY_C, false);
    SendKey(*dialog_, KEY_D, false, true);  // repeats of another key capture nothing
    SendKey(*dialog_, KEY_D, true, true);
    EXPECT_EQ(dialog_->CapturedKeyCode(), 0x02E);
    // A volume key is left to the desktop: the event is not taken.
    QKeyEvent volume(QEvent::KeyPress, Qt::Key_VolumeUp, Qt::NoModifier,
                     KEY_VOLUMEUP + XKB_KEYCODE_OFFSET, 0, 0);
    volume.ignore();
    QApplication::sendEvent(dialog_.get(), &volume);
    EXPECT_EQ(dialog_->CapturedKeyCode(), 0x02E);
}

TEST_F(DialogTest, PrintScreenAndWinAreCapturedOnceAndEnterEscapeCloseNothing) {
    Open(MapKey(KEY_CODE_A));
    TypeKey(*dialog_, KEY_SYSRQ);
    EXPECT_EQ(dialog_->CapturedKeyCode(), 0x137);
    TypeKey(*dialog_, KEY_LEFTMETA);
    EXPECT_EQ(dialog_->CapturedKeyCode(), 0x15B);
    EXPECT_EQ(dialog_->KeyBoxText(), "Win");
    // While capturing, Enter and Esc are keys to assign, not dialog commands.
    TypeKey(*dialog_, KEY_ESC);
    EXPECT_EQ(dialog_->CapturedKeyCode(), 0x001);
    EXPECT_TRUE(dialog_->IsOpen());
    // On another page they do nothing at all.
    dialog_->ShowPageButton(Dialog::PAGE_MEDIA);
    EXPECT_FALSE(dialog_->CapturingKeys());
    for (int key : {Qt::Key_Escape, Qt::Key_Return}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(dialog_.get(), &press);
    }
    EXPECT_TRUE(dialog_->IsOpen());
    QKeyEvent help(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(dialog_.get(), &help);
    EXPECT_EQ(host_.helpOpened, 1);
}

TEST_F(DialogTest, ClearThenOkReleasesTheTextBlock) {
    SetEntry(ENTRY_A, {ASSIGN_TEXT, 0, 40, 0, 0});
    SetEntryText(workingSet_, 0, ENTRY_A, u"hello");
    Open(MapKey(KEY_CODE_A));
    dialog_->ClearKey();
    EXPECT_EQ(dialog_->PageType(), ASSIGN_DEFAULT);
    dialog_->CloseDialog(true);
    EXPECT_EQ(Entry(ENTRY_A), KeyAssignment{});
    WorkingSetLock data = workingSet_.Lock();
    EXPECT_EQ(data->texts.At(ENTRY_A), nullptr);
    EXPECT_EQ(data->texts.Total(), 0u);
}

TEST_F(DialogTest, ProgramKeySurvivesOkWithoutAChosenPage) {
    SetEntry(ENTRY_A, {ASSIGN_PROGRAM, 0, 0, 1, 0});
    SetEntryText(workingSet_, 0, ENTRY_A, u"/usr/bin/true");
    Open(MapKey(KEY_CODE_A));
    dialog_->CloseDialog(true);
    EXPECT_EQ(Entry(ENTRY_A), (KeyAssignment{ASSIGN_PROGRAM, 0, 0, 1, 0}));
    ASSERT_NE((*workingSet_.Lock()).texts.At(ENTRY_A), nullptr);
}

TEST_F(DialogTest, MediaOnBankBGKeyWritesItsGKeyCodeInAuxOfTheActiveProfile) {
    host_.activeProfile = 2;
    Open(GKey(10));  // G2 of bank B: entry 266
    dialog_->ShowPageButton(Dialog::PAGE_MEDIA);
    dialog_->SelectMedia(3);
    ASSERT_TRUE(dialog_->ApplyChanges());
    EXPECT_EQ(Entry(266, 2), (KeyAssignment{ASSIGN_MEDIA, 0x1302, 3, 0, 0}));
    EXPECT_EQ(Entry(266, 0).type, ASSIGN_DEFAULT);
}

TEST_F(DialogTest, FunctionPageOpensOnTheStoredFunction) {
    SetEntry(ENTRY_A, {ASSIGN_FUNCTION, 0, 9, 0, 0});
    Open(MapKey(KEY_CODE_A));
    EXPECT_FALSE(dialog_->CapturingKeys());
    dialog_->CloseDialog(true);
    EXPECT_EQ(Entry(ENTRY_A), (KeyAssignment{ASSIGN_FUNCTION, 0, 9, 0, 0}));
}

TEST_F(DialogTest, UnknownActiveProfileRefusesToOpenWithTheNoDeviceMessage) {
    host_.activeProfile = -1;
    EXPECT_FALSE(dialog_->Prepare(MapKey(KEY_CODE_A)));
    EXPECT_EQ(host_.messages, std::vector<std::string>{"MAIN_NO_DEVICE_PROMPT"});
    EXPECT_FALSE(dialog_->IsOpen());
}

TEST_F(DialogTest, BusyKeyboardRefusesApplyAndKeepsTheEdit) {
    Open(MapKey(KEY_CODE_A));
    TypeKey(*dialog_, KEY_B);
    host_.busy = true;
    EXPECT_FALSE(dialog_->ApplyChanges());
    dialog_->CloseDialog(true);
    EXPECT_TRUE(dialog_->IsOpen());
    EXPECT_EQ(Entry(ENTRY_A), KeyAssignment{});
    host_.busy = false;
    dialog_->CloseDialog(true);
    EXPECT_EQ(Entry(ENTRY_A).value, 0x030);
}

TEST_F(DialogTest, CancelIfOpenDiscardsTheEditAndStopsCapturing) {
    Open(MapKey(KEY_CODE_A));
    TypeKey(*dialog_, KEY_B);
    dialog_->CancelIfOpen();
    EXPECT_FALSE(dialog_->IsOpen());
    EXPECT_FALSE(dialog_->CapturingKeys());
    EXPECT_EQ(Entry(ENTRY_A), KeyAssignment{});
    // Keys reach the application again.
    EXPECT_TRUE(dialog_->Prepare(MapKey(KEY_CODE_A)));
}

TEST_F(DialogTest, G9OffersMacrosOnlyWhateverItsEntryHolds) {
    SetMacros({NamedMacro(4, u"one")});
    SetEntry(256 + 8, {ASSIGN_KEY, 0x0309, 0x030, 0, 0});
    Open(GKey(8, true));
    EXPECT_EQ(dialog_->PageType(), ASSIGN_MACRO);
    EXPECT_EQ(dialog_->Macros().SelectedMacro(), 0);
    dialog_->ShowPageButton(Dialog::PAGE_KEY);
    dialog_->ClearKey();
    EXPECT_EQ(dialog_->PageType(), ASSIGN_MACRO);
    dialog_->CloseDialog(true);
    EXPECT_EQ(Entry(256 + 8), (KeyAssignment{ASSIGN_MACRO, 1, 4, 0, 0}));
}

TEST_F(DialogTest, TitleAndApplyCaptionsComeFromTheLanguageFileInItsLanguage) {
    QFile source(QUORVEL_SOURCE_LANGUAGE_FILE);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    QByteArray text = source.readAll();
    QTemporaryDir dir;
    const QString path = dir.filePath("language.ini");
    for (const char* language : {"1", "0"}) {
        text.replace(QByteArray("language=") + (language[0] == '1' ? "0" : "1"),
                     QByteArray("language=") + language);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
        file.close();
        languageFile_ = path.toStdString();
        Open(MapKey(KEY_CODE_A));
        const bool english = language[0] == '1';
        EXPECT_EQ(dialog_->TitleText(), english ? "Key Settings" : QString::fromUtf8("按键设置"));
        const auto* apply = dialog_->findChild<QAbstractButton*>("CONTROL2_APPLY");
        ASSERT_NE(apply, nullptr);
        EXPECT_EQ(apply->text(), english ? "Apply" : QString::fromUtf8("应用"));
        dialog_->CloseDialog(false);
    }
}

// The on-screen keyboard button says which programs it looks for when none is installed.
TEST_F(DialogTest, OnScreenKeyboardButtonIsOfferedOnlyWhenOneIsInstalled) {
    languageFile_ = QUORVEL_SOURCE_LANGUAGE_FILE;
    QTemporaryDir bin;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit());
    Open(MapKey(KEY_CODE_A));
    EXPECT_FALSE(dialog_->OnScreenKeyboardButton().isEnabled());
    const QString tip = dialog_->OnScreenKeyboardButton().toolTip();
    EXPECT_TRUE(tip.startsWith("No on-screen keyboard is installed")) << tip.toStdString();
    EXPECT_TRUE(tip.contains("onboard, florence, matchbox-keyboard, xvkbd")) << tip.toStdString();
    dialog_->CloseDialog(false);

    QFile program(bin.filePath("xvkbd"));
    ASSERT_TRUE(program.open(QIODevice::WriteOnly));
    program.write("#!/bin/sh\n");
    program.close();
    program.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    Open(MapKey(KEY_CODE_A));
    EXPECT_TRUE(dialog_->OnScreenKeyboardButton().isEnabled());
    EXPECT_EQ(dialog_->OnScreenKeyboardButton().toolTip(), "On-screen keyboard");
    qputenv("PATH", path);
}

}  // namespace
}  // namespace quorvel
