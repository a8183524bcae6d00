// The macro page: the macro box, steps, recorder, undo, and the meter against what the
// keyboard receives.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>

#include "base/ini_file.h"
#include "device/device_snapshot.h"
#include "device/macro_area.h"
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
        if (dialog_->RecordDelayOption() != keepPauses) dialog_->ToggleRecordDelay();
        dialog_->ToggleRecording();
        ASSERT_TRUE(dialog_->Recording());
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
        dialog_->ToggleRecording();
    }
    std::vector<MacroAction> Steps() {
        return dialog_->MacroCopies()[dialog_->SelectedMacro()].actions;
    }
};

TEST_F(MacroPageTest, MacroKeyOpensOnItsMacro) {
    SetMacros({NamedMacro(1, u"a"), NamedMacro(2, u"b"), NamedMacro(5, u"c", {Step(0, SC_A, 0)})});
    SetEntry(ENTRY_A, {ASSIGN_MACRO, 1, 5, 0, 0});
    Open(MapKey(KEY_CODE_A));
    EXPECT_EQ(dialog_->PageType(), ASSIGN_MACRO);
    EXPECT_EQ(dialog_->SelectedMacro(), 2);
    EXPECT_EQ(dialog_->StepCellText(0, 0), "A");
    EXPECT_FALSE(dialog_->CapturingKeys());
}

TEST_F(MacroPageTest, RecordingAThenBGivesFourStepsWithShiftedPauses) {
    OpenOnMacroPage();
    dialog_->AddMacro();
    RecordAThenB(true);
    EXPECT_EQ(Steps(), (std::vector<MacroAction>{Step(120, SC_A, 0), Step(130, SC_A, 1),
                                                 Step(140, SC_B, 0), Step(0, SC_B, 1)}));
    EXPECT_EQ(dialog_->StepCellText(1, 1), QString::fromUtf8("  \u2191"));
    EXPECT_EQ(dialog_->StepCellText(0, 2), "120");
    EXPECT_FALSE(dialog_->Recording());
    EXPECT_EQ(QSettings().value("PROFILES/RecordDelay").toString(), "1");

    dialog_->AddMacro();
    RecordAThenB(false);
    EXPECT_EQ(Steps(), (std::vector<MacroAction>{Step(50, SC_A, 0), Step(50, SC_A, 1),
                                                 Step(50, SC_B, 0), Step(0, SC_B, 1)}));
}

TEST_F(MacroPageTest, RecordingWithAMiddleStepSelectedInsertsAfterIt) {
    SetMacros({NamedMacro(
        1, u"m", {Step(10, SC_A, 0), Step(20, SC_A, 1), Step(30, SC_B, 0), Step(40, SC_B, 1)})});
    OpenOnMacroPage();
    ASSERT_EQ(dialog_->SelectedMacro(), 0);
    dialog_->SelectStep(1);
    if (!dialog_->RecordDelayOption()) dialog_->ToggleRecordDelay();
    dialog_->ToggleRecording();
    now_ += 70;
    SendKey(*dialog_, KEY_C, false);
    now_ += 80;
    SendKey(*dialog_, KEY_C, true);
    dialog_->ToggleRecording();
    EXPECT_EQ(Steps(),
              (std::vector<MacroAction>{Step(10, SC_A, 0), Step(70, SC_A, 1), Step(80, 0x02E, 0),
                                        Step(20, 0x02E, 1), Step(30, SC_B, 0), Step(40, SC_B, 1)}));
    EXPECT_EQ(dialog_->SelectedStep(), 3);
}

TEST_F(MacroPageTest, NewMacroNamesFollowTheCounterAndTheHundredthIsTheLast) {
    SetMacros({NamedMacro(1, u"Macro1"), NamedMacro(2, u"Macro10")});
    OpenOnMacroPage();
    dialog_->AddMacro();
    EXPECT_EQ(dialog_->MacroBoxTexts().back(), "Macro2");
    EXPECT_EQ(dialog_->MacroCopies().back().id, 3);

    std::vector<MacroRecord> full;
    for (uint16_t id = 1; id <= 100; ++id) full.push_back(NamedMacro(id, u"x"));
    dialog_->CloseDialog(false);
    SetMacros(full);
    OpenOnMacroPage();
    dialog_->AddMacro();
    EXPECT_EQ(host_.messages, std::vector<std::string>{"MACRO_ERR_MAX"});
    EXPECT_NE(host_.messageTexts.back().find("100"), std::string::npos);
    EXPECT_EQ(dialog_->MacroCopies().size(), 100u);
    dialog_->DeleteMacro();
    dialog_->AddMacro();
    EXPECT_EQ(dialog_->MacroCopies().size(), 100u);
    EXPECT_EQ(host_.messages.size(), 1u);
}

TEST_F(MacroPageTest, TypedPausesAndCyclesAreKeptInRange) {
    SetMacros({NamedMacro(1, u"m", {Step(10, SC_A, 0), Step(0, SC_A, 1)})});
    OpenOnMacroPage();
    dialog_->EditStepPause(0, "40005");
    EXPECT_EQ(host_.messages, std::vector<std::string>{"MACRO_ACTION_ERR_DELAY_MAX"});
    EXPECT_EQ(dialog_->StepCellText(0, 2), "40000");
    dialog_->EditStepPause(1, "1234");
    EXPECT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(Steps()[1].delayMs, 1230u);
    dialog_->SetCyclesText("0");
    EXPECT_EQ(dialog_->CyclesText(), "1");
    dialog_->SetCyclesText("300");
    EXPECT_EQ(dialog_->CyclesText(), "255");
    EXPECT_EQ(dialog_->MacroCopies()[0].cycles, 255);
    dialog_->EditStepKey(0, 1);  // pick-list entry 1 is B
    dialog_->EditStepState(0, 1);
    EXPECT_EQ(Steps()[0], Step(40000, SC_B, 1));
}

TEST_F(MacroPageTest, StepEditsUndoAndRedo) {
    SetMacros({NamedMacro(1, u"m", {Step(10, SC_A, 0), Step(20, SC_A, 1), Step(30, SC_B, 0)})});
    OpenOnMacroPage();
    const std::vector<MacroAction> original = Steps();
    dialog_->SelectStep(2);
    dialog_->MoveSelectedStep(Dialog::MOVE_TOP);
    EXPECT_EQ(Steps()[0].key, SC_B);
    dialog_->DeleteStep();  // the moved row stays selected
    dialog_->EditStepPause(0, "500");
    const std::vector<MacroAction> edited = Steps();
    QKeyEvent undo(QEvent::KeyPress, Qt::Key_Z, Qt::ControlModifier);
    QApplication::sendEvent(dialog_.get(), &undo);
    dialog_->UndoSteps();
    dialog_->UndoSteps();
    EXPECT_EQ(Steps(), original);
    QKeyEvent redo(QEvent::KeyPress, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QApplication::sendEvent(dialog_.get(), &redo);
    dialog_->RedoSteps();
    dialog_->RedoSteps();
    EXPECT_EQ(Steps(), edited);
}

TEST_F(MacroPageTest, DeletingAMacroInUseAsksAndNoKeepsIt) {
    SetMacros({NamedMacro(1, u"a"), NamedMacro(2, u"b")});
    SetEntry(40, {ASSIGN_MACRO, 1, 2, 0, 0}, 3);  // in the last key area
    OpenOnMacroPage();
    dialog_->SelectMacro(1);
    dialog_->DeleteMacro();
    EXPECT_EQ(host_.questions, std::vector<std::string>{"MACRO_DELETE_CONFIRM_OF_KEYS"});
    EXPECT_EQ(dialog_->MacroCopies().size(), 2u);
    host_.answers.push_back(true);
    dialog_->DeleteMacro();
    EXPECT_EQ(dialog_->MacroCopies().size(), 1u);
    EXPECT_EQ(dialog_->SelectedMacro(), 0);
}

TEST_F(MacroPageTest, NewMacroReusingADeletedIdResetsTheOldAssignmentsAtCommit) {
    SetMacros({NamedMacro(1, u"a"), NamedMacro(2, u"b")});
    SetEntry(0x30, {ASSIGN_MACRO, 1, 2, 0, 0}, 1);
    OpenOnMacroPage();
    dialog_->SelectMacro(1);
    host_.answers.push_back(true);
    dialog_->DeleteMacro();
    dialog_->AddMacro();
    EXPECT_EQ(dialog_->MacroCopies().back().id, 2);
    dialog_->CloseDialog(true);
    EXPECT_EQ(Entry(0x30, 1).type, ASSIGN_DEFAULT);
    EXPECT_EQ(Macros().size(), 2u);
    EXPECT_EQ(Macros()[1].isNew, 0);
    // The edited key was given the selected (new) macro.
    EXPECT_EQ(Entry(ENTRY_A), (KeyAssignment{ASSIGN_MACRO, 1, 2, 0, 0}));
}

TEST_F(MacroPageTest, TypingWithNothingSelectedIsIgnoredAndIntoAnEmptyBoxCreatesAMacro) {
    OpenOnMacroPage();
    dialog_->TypeMacroName("mine");
    ASSERT_EQ(dialog_->MacroCopies().size(), 1u);
    EXPECT_EQ(dialog_->MacroCopies()[0].Name(), u"mine");
    EXPECT_EQ(dialog_->MacroCopies()[0].id, 1);
    dialog_->CloseDialog(false);
    EXPECT_TRUE(Macros().empty());

    SetMacros({NamedMacro(3, u"kept")});
    SetEntry(ENTRY_A, {ASSIGN_KEY, 0, SC_B, 0, 0});
    OpenOnMacroPage();  // a key value is not 0: the page leaves the box unselected
    ASSERT_EQ(dialog_->SelectedMacro(), -1);
    dialog_->TypeMacroName("lost");
    EXPECT_EQ(dialog_->MacroCopies()[0].Name(), u"kept");
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
    dialog_->AddMacro();
    dialog_->ToggleRecording();
    testing::TypeKey(*dialog_, KEY_H);
    testing::TypeKey(*dialog_, KEY_I);
    dialog_->ToggleRecording();
    const MacroAreaSize sizes = MacroAreaSizes(dialog_->MacroCopies());
    EXPECT_TRUE(dialog_->MeterText().contains(QString::number(sizes.withNames)));
    EXPECT_TRUE(dialog_->MeterText().contains(QString::number(sizes.withoutNames)));
    EXPECT_FALSE(dialog_->MeterOverCapacity());
    dialog_->CloseDialog(true);
    EXPECT_TRUE(host_.messages.empty());
    EXPECT_EQ(WrittenAreaSize(), sizes.withNames);

    // Names that no longer fit: the meter says so and Apply warns before the write.
    host_.capacity = static_cast<int>(sizes.withNames) - 1;
    ASSERT_TRUE(dialog_->Prepare(MapKey(KEY_CODE_A)));
    EXPECT_TRUE(dialog_->MeterOverCapacity());
    dialog_->ClearKey();
    dialog_->CloseDialog(true);
    EXPECT_EQ(host_.messages, std::vector<std::string>{"EXTRA_PROFILE_SPACE_TIGHT"});
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
