// The macro page's steps: editing, moving and deleting them, recording them from the keyboard,
// and the undo history of those edits.
#include <QComboBox>
#include <QTreeWidget>
#include <algorithm>

#include "base/texts.h"
#include "editors/editor_host.h"
#include "editors/kept_keys_offer.h"
#include "editors/macro_page.h"
#include "skin/png_button.h"

namespace quorvel {

std::vector<MacroAction>* MacroPage::SelectedSteps() {
    if (selectedMacro_ < 0 || selectedMacro_ >= static_cast<int>(macros_.size())) return nullptr;
    return &macros_[selectedMacro_].actions;
}

bool MacroPage::ValidRow(int row) {
    const std::vector<MacroAction>* steps = SelectedSteps();
    return steps && row >= 0 && row < static_cast<int>(steps->size());
}

void MacroPage::ShowSteps(int selectRow) {
    const std::vector<MacroAction>* steps = SelectedSteps();
    steps_->Show(steps ? std::span<const MacroAction>(*steps) : std::span<const MacroAction>(),
                 selectRow);
}

void MacroPage::SelectStep(int row) {
    steps_->Select(row);
}

void MacroPage::EnableStepControls() {
    const bool selected = selectedMacro_ >= 0;
    for (CPngButton* button : stepButtons_) button->setEnabled(selected);
    keptKeys_->setEnabled(selected);
}

StepHistory* MacroPage::History() {
    if (selectedMacro_ < 0 || selectedMacro_ >= static_cast<int>(macros_.size())) return nullptr;
    return &histories_[macros_[selectedMacro_].id];
}

bool MacroPage::CanUndo() const {
    if (selectedMacro_ < 0 || recorder_.Recording()) return false;
    const auto history = histories_.find(macros_[selectedMacro_].id);
    return history != histories_.end() && history->second.CanUndo();
}

bool MacroPage::CanRedo() const {
    if (selectedMacro_ < 0 || recorder_.Recording()) return false;
    const auto history = histories_.find(macros_[selectedMacro_].id);
    return history != histories_.end() && history->second.CanRedo();
}

StepsState MacroPage::CurrentStepsState() const {
    StepsState state;
    if (selectedMacro_ >= 0 && selectedMacro_ < static_cast<int>(macros_.size()))
        state.steps = macros_[selectedMacro_].actions;
    state.selected = steps_->SelectedRow();
    return state;
}

void MacroPage::RememberSteps() {
    if (StepHistory* history = History()) history->Push(CurrentStepsState());
}

void MacroPage::RestoreSteps(const StepsState& state) {
    std::vector<MacroAction>* steps = SelectedSteps();
    if (!steps) return;
    *steps = state.steps;
    ShowSteps(state.selected);
    MarkModified();
}

void MacroPage::UndoSteps() {
    StepHistory* history = History();
    if (!history || recorder_.Recording()) return;
    FinishCellEdit();
    if (std::optional<StepsState> state = history->Undo(CurrentStepsState())) RestoreSteps(*state);
}

void MacroPage::RedoSteps() {
    StepHistory* history = History();
    if (!history || recorder_.Recording()) return;
    FinishCellEdit();
    if (std::optional<StepsState> state = history->Redo(CurrentStepsState())) RestoreSteps(*state);
}

void MacroPage::DeleteStep() {
    const int row = steps_->SelectedRow();
    if (!ValidRow(row)) return;
    FinishCellEdit();
    RememberSteps();
    std::vector<MacroAction>& steps = *SelectedSteps();
    steps.erase(steps.begin() + row);
    ShowSteps(-1);
    MarkModified();
}

void MacroPage::ClearSteps() {
    std::vector<MacroAction>* steps = SelectedSteps();
    if (!steps || steps->empty()) return;
    FinishCellEdit();
    if (!context_.host.AskYesNo(&context_.dialog, "MACRO_ACTION_CLEAR_CONFIRM") || !open_) return;
    RememberSteps();
    SelectedSteps()->clear();
    ShowSteps(-1);
    MarkModified();
}

void MacroPage::MoveSelectedStep(StepMove move) {
    std::vector<MacroAction>* steps = SelectedSteps();
    const int row = steps_->SelectedRow();
    if (!steps || row < 0) return;
    FinishCellEdit();
    const int last = static_cast<int>(steps->size()) - 1;
    const int target = move == MOVE_TOP    ? 0
                       : move == MOVE_UP   ? row - 1
                       : move == MOVE_DOWN ? row + 1
                                           : last;
    if (std::clamp(target, 0, last) == row) return;
    RememberSteps();
    ShowSteps(MoveStep(*steps, row, target));
    steps_->Widget().setFocus();
    MarkModified();
}

void MacroPage::EditStepKey(int row, int listIndex) {
    const ScanCode key = KeyListScanCode(listIndex);
    if (!ValidRow(row) || key == 0) return;
    MacroAction& step = (*SelectedSteps())[row];
    if (step.key == key) return;
    RememberSteps();
    step.key = key;
    steps_->Update(row, step);
    MarkModified();
}

void MacroPage::EditStepState(int row, int state) {
    if (!ValidRow(row)) return;
    const uint16_t value = state == MACRO_STATE_RELEASE ? MACRO_STATE_RELEASE : MACRO_STATE_PRESS;
    MacroAction& step = (*SelectedSteps())[row];
    if (step.state == value) return;
    RememberSteps();
    step.state = value;
    steps_->Update(row, step);
    MarkModified();
}

void MacroPage::EditStepPause(int row, const QString& text) {
    if (!ValidRow(row)) return;
    const TypedPause pause = ParseTypedPause(text.toStdString());
    if (pause.clamped) {
        context_.host.ShowMessage(&context_.dialog, "MACRO_ACTION_ERR_DELAY_MAX",
                                  TextWithNumber("MACRO_ACTION_ERR_DELAY_MAX", MACRO_PAUSE_MAX_MS));
        if (!open_ || !ValidRow(row)) return;
    }
    MacroAction& step = (*SelectedSteps())[row];
    if (step.delayMs != pause.ms) {
        RememberSteps();
        step.delayMs = pause.ms;
        MarkModified();
    }
    steps_->Update(row, step);
}

void MacroPage::AddKeptKey(ScanCode key) {
    std::vector<MacroAction>* steps = SelectedSteps();
    // A press needs its release, or the key would stay down when the macro ends.
    if (!steps || !open_ || steps->size() + 2 > static_cast<size_t>(MACRO_MAX_ACTIONS)) return;
    FinishCellEdit();
    if (recorder_.Recording()) {
        OnRecordedKey({key, false});
        OnRecordedKey({key, true});
        return;
    }
    RememberSteps();
    const int pressed = InsertRecordedStep(*steps, steps_->SelectedRow(), RECORD_FIXED_PAUSE_MS,
                                           key, MACRO_STATE_PRESS);
    ShowSteps(InsertRecordedStep(*steps, pressed, RECORD_FIXED_PAUSE_MS, key, MACRO_STATE_RELEASE));
    MarkModified();
}

void MacroPage::BeginCellEdit(int row, int column) {
    if (!ValidRow(row)) return;
    // Typing a pause while recording would put the typed digits into the macro.
    if (column == 2) StopRecording();
    steps_->BeginEdit(row, column, (*SelectedSteps())[row]);
}

void MacroPage::OnCellEdited(const MacroStepList::CellEdit& edit) {
    if (edit.column == 0) EditStepKey(edit.row, edit.chosen);
    if (edit.column == 1) EditStepState(edit.row, edit.chosen);
    if (edit.column == 2) EditStepPause(edit.row, edit.pauseText);
}

void MacroPage::SetRecordCaption(const char* textKey) {
    stepButtons_[0]->setText(QString::fromStdString(Text(textKey)));
}

void MacroPage::SetBoxControlsEnabled(bool enabled) {
    for (QWidget* control : {static_cast<QWidget*>(add_), static_cast<QWidget*>(delete_),
                             static_cast<QWidget*>(box_)}) {
        control->setEnabled(enabled);
    }
}

void MacroPage::ToggleRecording() {
    if (recorder_.Recording()) {
        StopRecording();
        return;
    }
    if (selectedMacro_ < 0 || !open_) return;
    FinishCellEdit();
    SetRecordCaption("MACRO_ACTION_STOP_RECORD");
    stepButtons_[0]->SetChecked(true);
    SetBoxControlsEnabled(false);
    beforeRecording_ = CurrentStepsState();
    recordingAdded_ = false;
    recorder_.Start();
    context_.capture.Start([this](const CapturedKey& key) { OnRecordedKey(key); });
}

void MacroPage::StopRecording() {
    if (!recorder_.Recording()) return;
    recorder_.Stop();
    context_.capture.Stop();
    SetRecordCaption("MACRO_ACTION_RECORD");
    stepButtons_[0]->SetChecked(false);
    SetBoxControlsEnabled(true);
    if (recordingAdded_ && beforeRecording_) {
        if (StepHistory* history = History()) history->Push(std::move(*beforeRecording_));
    }
    beforeRecording_.reset();
    meter_->Update(macros_, context_.host.MacroCapacity());
}

void MacroPage::OnRecordedKey(const CapturedKey& key) {
    std::vector<MacroAction>* steps = SelectedSteps();
    if (!steps) return;
    const std::vector<RecordedStep> recorded = recorder_.OnKey(
        key.scanCode, key.release, key.autoRepeat, recordDelayOption_ == 1, key.time);
    int row = steps_->SelectedRow();
    bool added = false;
    // Only the new row and the one before it (whose pause changed) are drawn again, so a long
    // recording costs the same for every key.
    for (const RecordedStep& step : recorded) {
        const int at = InsertRecordedStep(*steps, row, step.pause, step.key, step.state);
        if (at < 0) break;  // a full macro takes no more steps
        steps_->Insert(at, (*steps)[at]);
        if (at > 0) steps_->Update(at - 1, (*steps)[at - 1]);
        row = at;
        added = true;
    }
    if (!added) return;
    steps_->Select(row);
    recordingAdded_ = true;
    context_.modified();
}

}  // namespace quorvel
