// The macro page's rules that need no window.
#include "editors/macro_editing.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

TEST(MacroEditing, TypedPausesAreClampedAndRoundedDownToTens) {
    EXPECT_EQ(ParseTypedPause("40005").ms, 40000u);
    EXPECT_TRUE(ParseTypedPause("40005").clamped);
    EXPECT_EQ(ParseTypedPause("1234").ms, 1230u);
    EXPECT_FALSE(ParseTypedPause("1234").clamped);
    EXPECT_FALSE(ParseTypedPause("40000").clamped);
    EXPECT_EQ(ParseTypedPause("").ms, 0u);
    // Far too many digits is still just too long a pause.
    EXPECT_EQ(ParseTypedPause("99999999999999999999999").ms, 40000u);
}

TEST(MacroEditing, CyclesOutsideOneTo255AreCorrected) {
    EXPECT_EQ(CorrectedCyclesText("0"), "1");
    EXPECT_EQ(CorrectedCyclesText("-4"), "1");
    EXPECT_EQ(CorrectedCyclesText(""), "1");
    EXPECT_EQ(CorrectedCyclesText("300"), "255");
    EXPECT_EQ(CorrectedCyclesText("256"), "255");
    EXPECT_EQ(CorrectedCyclesText("255"), std::nullopt);
    EXPECT_EQ(CorrectedCyclesText("1"), std::nullopt);
    EXPECT_EQ(CyclesOf("17"), 17);
}

TEST(MacroEditing, NameCounterSkipsNumbersThatBeginAnExistingName) {
    int counter = 0;
    std::vector<std::u16string> names = {u"Macro1", u"Macro10"};
    EXPECT_EQ(NextMacroName(u"Macro", counter, names), u"Macro2");
    // Case does not matter; the counter runs on from where it stopped.
    names = {u"MACRO3", u"macro4"};
    EXPECT_EQ(NextMacroName(u"Macro", counter, names), u"Macro5");
    EXPECT_EQ(counter, 5);
}

TEST(MacroEditing, ReferenceCheckCoversAllFourKeyAreasAndOnlyMacroEntries) {
    std::array<KeyArea, KEY_AREA_COUNT> areas{};
    areas[1][5] = {ASSIGN_KEY, 0, 7, 0, 0};
    EXPECT_FALSE(MacroInUse(areas, 7));
    areas[3][KEY_AREA_ENTRIES - 1] = {ASSIGN_MACRO, 0, 7, 0, 0};
    EXPECT_TRUE(MacroInUse(areas, 7));
    EXPECT_FALSE(MacroInUse(areas, 8));
}

TEST(MacroEditing, RecordedStepsShiftTheirPauseToTheRowBefore) {
    std::vector<MacroAction> steps;
    EXPECT_EQ(InsertRecordedStep(steps, -1, 111, 0x1E, MACRO_STATE_PRESS), 0);
    EXPECT_EQ(steps[0].delayMs, 0u);
    EXPECT_EQ(InsertRecordedStep(steps, 0, 222, 0x1E, MACRO_STATE_RELEASE), 1);
    EXPECT_EQ(steps[0].delayMs, 222u);
    EXPECT_EQ(steps[1].delayMs, 0u);
    // Into the middle: the selected row takes the new pause, the new row its old one.
    EXPECT_EQ(InsertRecordedStep(steps, 0, 5, 0x30, MACRO_STATE_PRESS), 1);
    EXPECT_EQ(steps[0].delayMs, 5u);
    EXPECT_EQ(steps[1].delayMs, 222u);
    EXPECT_EQ(steps[1].key, 0x30);
    EXPECT_EQ(steps.size(), 3u);
}

TEST(MacroEditing, AFullMacroTakesNoMoreSteps) {
    std::vector<MacroAction> steps(MACRO_MAX_ACTIONS);
    EXPECT_EQ(InsertRecordedStep(steps, -1, 10, 0x1E, MACRO_STATE_PRESS), -1);
    EXPECT_EQ(steps.size(), static_cast<size_t>(MACRO_MAX_ACTIONS));
}

TEST(MacroEditing, RecorderSkipsRepeatsAndClampsLongPauses) {
    uint32_t now = 0;
    MacroRecorder recorder([&] { return now; });
    recorder.Start();
    now = 100;
    ASSERT_EQ(recorder.OnKey(0x1E, false, false, true).size(), 1u);
    now = 200;
    EXPECT_TRUE(recorder.OnKey(0x1E, false, true, true).empty());
    // Held down without a repeat mark: still only the one press.
    EXPECT_TRUE(recorder.OnKey(0x1E, false, false, true).empty());
    now = 100000;
    const auto release = recorder.OnKey(0x1E, true, false, true);
    ASSERT_EQ(release.size(), 1u);
    EXPECT_EQ(release[0].pause, MACRO_PAUSE_MAX_MS);
    EXPECT_EQ(release[0].state, MACRO_STATE_RELEASE);
}

TEST(MacroEditing, ReleaseOnlyPrintScreenGetsAPressFirst) {
    uint32_t now = 0;
    MacroRecorder recorder([&] { return now; });
    recorder.Start();
    now = 70;
    auto steps = recorder.OnKey(0x137, true, false, true);
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0].pause, SINGLE_TRANSITION_PAUSE_MS);
    EXPECT_EQ(steps[0].state, MACRO_STATE_PRESS);
    EXPECT_EQ(steps[1].state, MACRO_STATE_RELEASE);
    steps = recorder.OnKey(0x137, true, false, false);
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0].pause, RECORD_FIXED_PAUSE_MS);
    // With both transitions reported there is nothing to add.
    EXPECT_EQ(recorder.OnKey(0x137, false, false, true).size(), 1u);
    EXPECT_EQ(recorder.OnKey(0x137, true, false, true).size(), 1u);
}

TEST(MacroEditing, HistoryUndoesAndRedoesAndANewEditDropsTheRedo) {
    StepHistory history;
    StepsState a{{MakeMacroAction(0, 1, 0)}, 0};
    StepsState b{{MakeMacroAction(0, 1, 0), MakeMacroAction(0, 2, 0)}, 1};
    StepsState c{{}, -1};
    history.Push(a);
    EXPECT_EQ(history.Undo(b), a);
    EXPECT_EQ(history.Redo(a), b);
    EXPECT_TRUE(history.CanUndo());
    history.Undo(b);
    history.Push(a);
    EXPECT_FALSE(history.CanRedo());
    EXPECT_EQ(history.Undo(c), a);
    EXPECT_EQ(history.Undo(a), std::nullopt);

    // An edit starting from the state already last on the undo list still ends the redo
    // branch: a later Redo must not bring back a state from before that edit.
    history.Push(a);
    history.Push(b);
    history.Undo(c);
    ASSERT_TRUE(history.CanRedo());
    history.Push(a);
    EXPECT_FALSE(history.CanRedo());
}

TEST(MacroEditing, PausesComeFromTheEventsOwnTimesNotFromWhenTheyAreHandled) {
    uint32_t now = 0;
    MacroRecorder recorder([&] { return now; });
    recorder.Start();
    // The first event is measured from the start, on the clock.
    now = 40;
    EXPECT_EQ(recorder.OnKey(0x1E, false, false, true, 5000)[0].pause, 40u);
    // Handled 900 ms late after a stall, but stamped 120 ms after the press.
    now = 940;
    EXPECT_EQ(recorder.OnKey(0x1E, true, false, true, 5120)[0].pause, 120u);
    now = 945;
    EXPECT_EQ(recorder.OnKey(0x30, false, false, true, 5300)[0].pause, 180u);
    // Without a stamp the clock measures again.
    now = 1000;
    EXPECT_EQ(recorder.OnKey(0x30, true, false, true)[0].pause, 55u);
}

}  // namespace
}  // namespace quorvel
