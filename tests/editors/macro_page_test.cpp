// The macro page: the macro box, steps, recorder, undo, and the meter against what the
// keyboard receives.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "base/ini_file.h"
#include "device/device_snapshot.h"
#include "device/macro_area.h"
#include "editors/shortcuts_inhibitor.h"
#include "editors_test_support.h"
#include "model/macro_list.h"
#include "tests/device/linked_keyboard.h"
#include "tests/device/transfer_test_support.h"

namespace quorvel {
namespace {

using namespace testing;

constexpr ScanCode SC_A = 0x01E;
constexpr ScanCode SC_B = 0x030;

MacroAction Step(uint32_t pause, ScanCode key, uint16_t state) {
    return MakeMacroAction(pause, key, state);
}

class MacroPageTest : public DialogTest {
protected:
    void OpenOnMacroPage() {
        Open(MapKey(KEY_CODE_A));
        dialog_->ShowPageButton(Dialog::PAGE_MACRO);
    }
    // Types A then B while recording, 30 ms apart per transition.
    void RecordAThenB(bool keepPauses) {
        if (dialog_->Macros().RecordDelayOption() != keepPauses)
            dialog_->Macros().ToggleRecordDelay();
        dialog_->Macros().ToggleRecording();
        ASSERT_TRUE(dialog_->Macros().Recording());
        const int keys[] = {KEY_A, KEY_B};
        uint32_t gap = 110;
        for (int key : keys) {
            now_ += gap;
            gap += 10;
            SendKey(*dialog_, key, false);
            SendKey(*dialog_, key, false, true);  // held a while: repeats record nothing
            now_ += gap;
            gap += 10;
            SendKey(*dialog_, key, true);
        }
        dialog_->Macros().ToggleRecording();
    }
    std::vector<MacroAction> Steps() {
        return dialog_->Macros().MacroCopies()[dialog_->Macros().SelectedMacro()].actions;
    }
};

TEST_F(MacroPageTest, MacroKeyOpensOnItsMacro) {
    SetMacros({NamedMacro(1, u"a"), NamedMacro(2, u"b"), NamedMacro(5, u"c", {Step(0, SC_A, 0)})});
    SetEntry(ENTRY_A, {ASSIGN_MACRO, 1, 5, 0, 0});
    Open(MapKey(KEY_CODE_A));
    EXPECT_EQ(dialog_->PageType(), ASSIGN_MACRO);
    EXPECT_EQ(dialog_->Macros().SelectedMacro(), 2);
    EXPECT_EQ(dialog_->Macros().StepCellText(0, 0), "A");
    EXPECT_FALSE(dialog_->CapturingKeys());
}

TEST_F(MacroPageTest, RecordingAThenBGivesFourStepsWithShiftedPauses) {
    OpenOnMacroPage();
    dialog_->Macros().AddMacro();
    RecordAThenB(true);
    EXPECT_EQ(Steps(), (std::vector<MacroAction>{Step(120, SC_A, 0), Step(130, SC_A, 1),
                                                 Step(140, SC_B, 0), Step(0, SC_B, 1)}));
    EXPECT_EQ(dialog_->Macros().StepCellText(1, 1), QString::fromUtf8("  \u2191"));
    EXPECT_EQ(dialog_->Macros().StepCellText(0, 2), "120");
    EXPECT_FALSE(dialog_->Macros().Recording());
    EXPECT_EQ(QSettings().value("PROFILES/RecordDelay").toString(), "1");

    dialog_->Macros().AddMacro();
    RecordAThenB(false);
    EXPECT_EQ(Steps(), (std::vector<MacroAction>{Step(50, SC_A, 0), Step(50, SC_A, 1),
                                                 Step(50, SC_B, 0), Step(0, SC_B, 1)}));
}

TEST_F(MacroPageTest, RecordingWithAMiddleStepSelectedInsertsAfterIt) {
    SetMacros({NamedMacro(
        1, u"m", {Step(10, SC_A, 0), Step(20, SC_A, 1), Step(30, SC_B, 0), Step(40, SC_B, 1)})});
    OpenOnMacroPage();
    ASSERT_EQ(dialog_->Macros().SelectedMacro(), 0);
    dialog_->Macros().SelectStep(1);
    if (!dialog_->Macros().RecordDelayOption()) dialog_->Macros().ToggleRecordDelay();
    dialog_->Macros().ToggleRecording();
    now_ += 70;
    SendKey(*dialog_, KEY_C, false);
    now_ += 80;
    SendKey(*dialog_, KEY_C, true);
    dialog_->Macros().ToggleRecording();
    EXPECT_EQ(Steps(),
              (std::vector<MacroAction>{Step(10, SC_A, 0), Step(70, SC_A, 1), Step(80, 0x02E, 0),
                                        Step(20, 0x02E, 1), Step(30, SC_B, 0), Step(40, SC_B, 1)}));
    EXPECT_EQ(dialog_->Macros().SelectedStep(), 3);
}

TEST_F(MacroPageTest, NewMacroNamesFollowTheCounterAndTheHundredthIsTheLast) {
    SetMacros({NamedMacro(1, u"Macro1"), NamedMacro(2, u"Macro10")});
    OpenOnMacroPage();
    dialog_->Macros().AddMacro();
    EXPECT_EQ(dialog_->Macros().MacroBoxTexts().back(), "Macro2");
    EXPECT_EQ(dialog_->Macros().MacroCopies().back().id, 3);

    std::vector<MacroRecord> full;
    for (uint16_t id = 1; id <= 100; ++id) full.push_back(NamedMacro(id, u"x"));
    dialog_->CloseDialog(false);
    SetMacros(full);
    OpenOnMacroPage();
    dialog_->Macros().AddMacro();
    EXPECT_EQ(host_.messages, std::vector<std::string>{"MACRO_ERR_MAX"});
    EXPECT_NE(host_.messageTexts.back().find("100"), std::string::npos);
    EXPECT_EQ(dialog_->Macros().MacroCopies().size(), 100u);
    dialog_->Macros().DeleteMacro();
    dialog_->Macros().AddMacro();
    EXPECT_EQ(dialog_->Macros().MacroCopies().size(), 100u);
    EXPECT_EQ(host_.messages.size(), 1u);
}

TEST_F(MacroPageTest, TypedPausesAndCyclesAreKeptInRange) {
    SetMacros({NamedMacro(1, u"m", {Step(10, SC_A, 0), Step(0, SC_A, 1)})});
    OpenOnMacroPage();
    dialog_->Macros().EditStepPause(0, "40005");
    EXPECT_EQ(host_.messages, std::vector<std::string>{"MACRO_ACTION_ERR_DELAY_MAX"});
    EXPECT_EQ(dialog_->Macros().StepCellText(0, 2), "40000");
    dialog_->Macros().EditStepPause(1, "1234");
    EXPECT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(Steps()[1].delayMs, 1230u);
    dialog_->Macros().SetCyclesText("0");
    EXPECT_EQ(dialog_->Macros().CyclesText(), "1");
    dialog_->Macros().SetCyclesText("300");
    EXPECT_EQ(dialog_->Macros().CyclesText(), "255");
    EXPECT_EQ(dialog_->Macros().MacroCopies()[0].cycles, 255);
    dialog_->Macros().EditStepKey(0, 1);  // pick-list entry 1 is B
    dialog_->Macros().EditStepState(0, 1);
    EXPECT_EQ(Steps()[0], Step(40000, SC_B, 1));
}

TEST_F(MacroPageTest, StepEditsUndoAndRedoFromTheListsMenuAndShortcuts) {
    SetMacros({NamedMacro(1, u"m", {Step(10, SC_A, 0), Step(20, SC_A, 1), Step(30, SC_B, 0)})});
    languageFile_ = QUORVEL_SOURCE_LANGUAGE_FILE;
    OpenOnMacroPage();
    MacroPage& page = dialog_->Macros();
    const std::vector<MacroAction> original = Steps();
    page.SelectStep(2);
    page.MoveSelectedStep(MacroPage::MOVE_TOP);
    EXPECT_EQ(Steps()[0].key, SC_B);
    page.DeleteStep();  // the moved row stays selected
    page.EditStepPause(0, "500");
    const std::vector<MacroAction> edited = Steps();

    // The list's context menu offers Undo and Redo, enabled as there is something to do.
    QTreeWidget& list = page.StepListWidget();
    std::vector<std::pair<QString, bool>> offered;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* action : menu->actions())
            offered.emplace_back(action->text(), action->isEnabled());
        menu->actions().front()->trigger();
        menu->close();
    });
    emit list.customContextMenuRequested(QPoint(5, 5));
    EXPECT_EQ(offered, (std::vector<std::pair<QString, bool>>{{"Undo", true}, {"Redo", false}}));
    EXPECT_EQ(Steps()[0].delayMs, 10u);

    // Ctrl+Z and Ctrl+Shift+Z in the list, where the focus is while working on steps.
    dialog_->show();
    dialog_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog_.get()));
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(&list, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Steps(), original);
    QTest::keyClick(&list, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(&list, Qt::Key_Y, Qt::ControlModifier);
    page.RedoSteps();
    EXPECT_EQ(Steps(), edited);
    EXPECT_FALSE(page.CanRedo());
}

TEST_F(MacroPageTest, RecordingTakesEventTimesAppendsRowsAndIsOneUndoStep) {
    SetMacros({NamedMacro(1, u"m", {Step(10, SC_A, 0), Step(20, SC_A, 1)})});
    OpenOnMacroPage();
    MacroPage& page = dialog_->Macros();
    if (!page.RecordDelayOption()) page.ToggleRecordDelay();
    page.SelectStep(1);
    // A mark on a row the recording does not touch shows whether the list was rebuilt.
    page.StepListWidget().topLevelItem(0)->setData(0, Qt::UserRole, 42);
    page.ToggleRecording();
    // The program is slow to handle the events: the clock runs ahead of their stamps.
    now_ += 30;
    SendKey(*dialog_, KEY_C, false, false, 70000);
    now_ += 700;
    SendKey(*dialog_, KEY_C, true, false, 70090);
    now_ += 900;
    SendKey(*dialog_, KEY_D, false, false, 70250);
    now_ += 5;
    SendKey(*dialog_, KEY_D, true, false, 70260);
    page.ToggleRecording();
    EXPECT_EQ(Steps(), (std::vector<MacroAction>{Step(10, SC_A, 0), Step(30, SC_A, 1),
                                                 Step(90, 0x02E, 0), Step(160, 0x02E, 1),
                                                 Step(10, 0x020, 0), Step(20, 0x020, 1)}));
    // Rows were added to the list, not the list rebuilt for every key.
    EXPECT_EQ(page.StepListWidget().topLevelItem(0)->data(0, Qt::UserRole), 42);
    EXPECT_EQ(page.StepCellText(3, 2), "160");
    EXPECT_EQ(page.SelectedStep(), 5);
    // The whole recording goes with one Undo and comes back with one Redo.
    page.UndoSteps();
    EXPECT_EQ(Steps(), (std::vector<MacroAction>{Step(10, SC_A, 0), Step(20, SC_A, 1)}));
    EXPECT_FALSE(page.CanUndo());
    page.RedoSteps();
    EXPECT_EQ(Steps().size(), 6u);
}

TEST_F(MacroPageTest, DeletingAMacroInUseAsksAndNoKeepsIt) {
    SetMacros({NamedMacro(1, u"a"), NamedMacro(2, u"b")});
    SetEntry(40, {ASSIGN_MACRO, 1, 2, 0, 0}, 3);  // in the last key area
    OpenOnMacroPage();
    dialog_->Macros().SelectMacro(1);
    dialog_->Macros().DeleteMacro();
    EXPECT_EQ(host_.questions, std::vector<std::string>{"MACRO_DELETE_CONFIRM_OF_KEYS"});
    EXPECT_EQ(dialog_->Macros().MacroCopies().size(), 2u);
    host_.answers.push_back(true);
    dialog_->Macros().DeleteMacro();
    EXPECT_EQ(dialog_->Macros().MacroCopies().size(), 1u);
    EXPECT_EQ(dialog_->Macros().SelectedMacro(), 0);
}

TEST_F(MacroPageTest, NewMacroReusingADeletedIdResetsTheOldAssignmentsAtCommit) {
    SetMacros({NamedMacro(1, u"a"), NamedMacro(2, u"b")});
    SetEntry(0x30, {ASSIGN_MACRO, 1, 2, 0, 0}, 1);
    OpenOnMacroPage();
    dialog_->Macros().SelectMacro(1);
    host_.answers.push_back(true);
    dialog_->Macros().DeleteMacro();
    dialog_->Macros().AddMacro();
    EXPECT_EQ(dialog_->Macros().MacroCopies().back().id, 2);
    dialog_->CloseDialog(true);
    EXPECT_EQ(Entry(0x30, 1).type, ASSIGN_DEFAULT);
    EXPECT_EQ(Macros().size(), 2u);
    EXPECT_EQ(Macros()[1].isNew, 0);
    // The edited key was given the selected (new) macro.
    EXPECT_EQ(Entry(ENTRY_A), (KeyAssignment{ASSIGN_MACRO, 1, 2, 0, 0}));
}

TEST_F(MacroPageTest, TypingWithNothingSelectedIsIgnoredAndIntoAnEmptyBoxCreatesAMacro) {
    OpenOnMacroPage();
    dialog_->Macros().TypeMacroName("mine");
    ASSERT_EQ(dialog_->Macros().MacroCopies().size(), 1u);
    EXPECT_EQ(dialog_->Macros().MacroCopies()[0].Name(), u"mine");
    EXPECT_EQ(dialog_->Macros().MacroCopies()[0].id, 1);
    dialog_->CloseDialog(false);
    EXPECT_TRUE(Macros().empty());

    SetMacros({NamedMacro(3, u"kept")});
    SetEntry(ENTRY_A, {ASSIGN_KEY, 0, SC_B, 0, 0});
    OpenOnMacroPage();  // a key value is not 0: the page leaves the box unselected
    ASSERT_EQ(dialog_->Macros().SelectedMacro(), -1);
    dialog_->Macros().TypeMacroName("lost");
    EXPECT_EQ(dialog_->Macros().MacroCopies()[0].Name(), u"kept");
    // With no macro chosen the key gets none.
    dialog_->CloseDialog(true);
    EXPECT_EQ(Entry(ENTRY_A), (KeyAssignment{ASSIGN_MACRO, 1, 0, 0, 0}));
}

class MeterTest : public testing::LinkedKeyboard {
protected:
    void SetUp() override {
        LinkedKeyboard::SetUp();
        ResetTextsToBuiltIn();
        host_.capacity = link_->Events().MacroCapacity();
        dialog_ = std::make_unique<Quorvel_DlgComposite>(host_, workingSet_, QUORVEL_SKIN_DIR,
                                                         [] { return IniFile(std::string()); });
    }
    void TearDown() override {
        dialog_.reset();
        LinkedKeyboard::TearDown();
    }
    // The macro area's total size as the keyboard holds it after the window's Apply.
    size_t WrittenAreaSize() {
        RefreshDeviceSnapshot(*link_, shell_, workingSet_, snapshot_, false);
        const std::vector<uint8_t> area = testing::DumpBytes(*keyboard_, "macroArea");
        return area.size() < 4 ? 0 : area[2] | area[3] << 8;
    }

    testing::TestHost host_;
    ProfileWorkingSet workingSet_;
    DeviceSnapshot snapshot_;
    std::unique_ptr<Quorvel_DlgComposite> dialog_;
};

TEST_F(MeterTest, FiguresEqualTheMacroAreaApplyWrites) {
    ASSERT_GT(host_.capacity, 0);
    ASSERT_TRUE(dialog_->Prepare(MapKey(KEY_CODE_A)));
    dialog_->ShowPageButton(Dialog::PAGE_MACRO);
    dialog_->Macros().AddMacro();
    dialog_->Macros().ToggleRecording();
    testing::TypeKey(*dialog_, KEY_H);
    testing::TypeKey(*dialog_, KEY_I);
    dialog_->Macros().ToggleRecording();
    const MacroAreaSize sizes = MacroAreaSizes(dialog_->Macros().MacroCopies());
    EXPECT_TRUE(dialog_->Macros().MeterText().contains(QString::number(sizes.withNames)));
    EXPECT_TRUE(dialog_->Macros().MeterText().contains(QString::number(sizes.withoutNames)));
    EXPECT_FALSE(dialog_->Macros().MeterOverCapacity());
    dialog_->CloseDialog(true);
    EXPECT_TRUE(host_.messages.empty());
    EXPECT_EQ(WrittenAreaSize(), sizes.withNames);

    // Names that no longer fit: the meter says so; the message is the window's Apply's, once,
    // not the dialog's at every OK.
    host_.capacity = static_cast<int>(sizes.withNames) - 1;
    ASSERT_TRUE(dialog_->Prepare(MapKey(KEY_CODE_A)));
    EXPECT_TRUE(dialog_->Macros().MeterOverCapacity());
    dialog_->ClearKey();
    dialog_->CloseDialog(true);
    EXPECT_TRUE(host_.messages.empty());
}

// A desktop that keeps Win, Right Win and Print Screen: the recorder never sees them, so the
// macro page offers them from a list.
class KeptKeysTest : public MacroPageTest {
protected:
    void SetUp() override {
        MacroPageTest::SetUp();
        ShortcutsInhibitor::AnswerForDesktop(false);
        languageFile_ = QUORVEL_SOURCE_LANGUAGE_FILE;
    }
    void TearDown() override {
        ShortcutsInhibitor::AnswerForDesktop(std::nullopt);
        MacroPageTest::TearDown();
    }
    bool Offered(const char* offer) const {
        const auto* widget = dialog_->findChild<QWidget*>(offer);
        return widget != nullptr && widget->isVisibleTo(dialog_.get());
    }
    QComboBox& List() const { return *dialog_->findChild<QComboBox*>("MACRO_KEPT_KEYS_ADD"); }
    void Pick(int row) {
        List().setCurrentIndex(row);
        emit List().activated(row);
    }
};

TEST_F(KeptKeysTest, EachPageOffersItsListOnlyWhereTheDesktopKeepsTheKeys) {
    SetMacros({NamedMacro(1, u"m")});
    OpenOnMacroPage();
    EXPECT_TRUE(Offered("MACRO_KEPT_KEYS_NOTE"));
    EXPECT_FALSE(Offered("KEPT_KEYS_NOTE"));
    const QLabel* note = dialog_->findChild<QWidget*>("MACRO_KEPT_KEYS_NOTE")->findChild<QLabel*>();
    EXPECT_TRUE(note->text().startsWith("This desktop keeps Win, Right Win, Print Screen for"))
        << note->text().toStdString();
    EXPECT_EQ(List().placeholderText(), "Add a key the desktop keeps");
    EXPECT_EQ(List().count(), 3);
    dialog_->ShowPageButton(Dialog::PAGE_KEY);
    EXPECT_FALSE(Offered("MACRO_KEPT_KEYS_NOTE"));
    EXPECT_TRUE(Offered("KEPT_KEYS_NOTE"));
    dialog_->CloseDialog(false);

    ShortcutsInhibitor::AnswerForDesktop(true);
    OpenOnMacroPage();
    EXPECT_FALSE(Offered("MACRO_KEPT_KEYS_NOTE"));
    dialog_->ShowPageButton(Dialog::PAGE_KEY);
    EXPECT_FALSE(Offered("KEPT_KEYS_NOTE"));
}

TEST_F(KeptKeysTest, APickedKeyIsAPressAndAReleaseAfterTheSelectedStepAndOneUndoStep) {
    const std::vector<MacroAction> original{Step(10, SC_A, 0), Step(20, SC_A, 1),
                                            Step(30, SC_B, 0)};
    SetMacros({NamedMacro(1, u"m", original)});
    OpenOnMacroPage();
    MacroPage& page = dialog_->Macros();
    page.SelectStep(0);
    Pick(2);
    EXPECT_EQ(Steps(),
              (std::vector<MacroAction>{Step(50, SC_A, 0), Step(50, 0x137, 0), Step(10, 0x137, 1),
                                        Step(20, SC_A, 1), Step(30, SC_B, 0)}));
    EXPECT_EQ(page.SelectedStep(), 2);
    EXPECT_EQ(page.StepCellText(1, 0), "Print Screen");
    // The list shows its prompt again, ready for the next key.
    EXPECT_EQ(List().currentIndex(), -1);
    EXPECT_TRUE(dialog_->Modified());
    page.UndoSteps();
    EXPECT_EQ(Steps(), original);

    // Picked while recording, the key is recorded in its place among the typed ones.
    if (page.RecordDelayOption()) page.ToggleRecordDelay();
    page.SelectStep(2);
    page.ToggleRecording();
    now_ += 100;
    Pick(0);
    now_ += 100;
    TypeKey(*dialog_, KEY_C);
    page.ToggleRecording();
    EXPECT_EQ(Steps(),
              (std::vector<MacroAction>{Step(10, SC_A, 0), Step(20, SC_A, 1), Step(50, SC_B, 0),
                                        Step(50, 0x15B, 0), Step(50, 0x15B, 1), Step(50, 0x02E, 0),
                                        Step(30, 0x02E, 1)}));
    page.UndoSteps();
    EXPECT_EQ(Steps(), original);
}

TEST_F(KeptKeysTest, NothingIsPutInWithoutAMacroOrRoomForBothSteps) {
    OpenOnMacroPage();
    EXPECT_FALSE(List().isEnabled());
    dialog_->CloseDialog(false);

    SetMacros(
        {NamedMacro(1, u"m", std::vector<MacroAction>(MACRO_MAX_ACTIONS - 1, Step(0, SC_A, 0)))});
    OpenOnMacroPage();
    EXPECT_TRUE(List().isEnabled());
    Pick(1);
    EXPECT_EQ(Steps().size(), static_cast<size_t>(MACRO_MAX_ACTIONS - 1));
    EXPECT_FALSE(dialog_->Macros().CanUndo());
}

// Screenshots of every page in both languages, for looking at by hand.
TEST_F(MacroPageTest, ScreenshotsOfEachPageInEnglishAndChinese) {
    QFile source(QUORVEL_SOURCE_LANGUAGE_FILE);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray english = source.readAll();
    QDir().mkpath(QUORVEL_SCREENSHOT_DIR);
    SetMacros({NamedMacro(1, u"Combo", {Step(120, SC_A, 0), Step(80, SC_A, 1), Step(0, SC_B, 0)}),
               NamedMacro(2, u"Reload")});
    SetEntry(ENTRY_A, {ASSIGN_MACRO, 1, 1, 0, 0});
    for (const char* language : {"1", "0"}) {
        QByteArray text = english;
        text.replace("language=1", QByteArray("language=") + language);
        const QString path = QDir::temp().filePath("quorvel_editors_language.ini");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
        file.close();
        LoadTexts(IniFile(path.toStdString()));
        languageFile_ = path.toStdString();
        const char* names[] = {"key", "macro", "media", "function"};
        for (int page :
             {Dialog::PAGE_MACRO, Dialog::PAGE_KEY, Dialog::PAGE_MEDIA, Dialog::PAGE_FUNCTION}) {
            Open(MapKey(KEY_CODE_A));
            if (page == Dialog::PAGE_KEY) {
                dialog_->ClearKey();
                TypeKey(*dialog_, KEY_B);
            } else {
                dialog_->ShowPageButton(static_cast<Dialog::Page>(page));
            }
            const QString shot =
                QString("%1/keydialog_%2_%3.png")
                    .arg(QUORVEL_SCREENSHOT_DIR, names[page], language[0] == '1' ? "en" : "zh");
            EXPECT_TRUE(dialog_->grab().save(shot));
            dialog_->CloseDialog(false);
        }
    }
    ResetTextsToBuiltIn();
}

}  // namespace
}  // namespace quorvel
