// The macro page of the key assignment dialog: the macro box, the steps, the recorder, the
// memory meter and the undo history of step edits.
#include <QCheckBox>
#include <QComboBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QTreeWidget>
#include <algorithm>

#include "base/texts.h"
#include "base/utf16.h"
#include "device/macro_area.h"
#include "editors/composite_dialog.h"
#include "editors/key_capture.h"
#include "model/macro_list.h"
#include "model/working_set.h"
#include "skin/png_button.h"

namespace quorvel {
namespace {

constexpr const char* SETTINGS_SECTION = "PROFILES";
constexpr const char* RECORD_DELAY_VALUE_KEY = "MACRO_ACTION_RECORD_DELAY";
constexpr const char* RECORD_DELAY_VALUE_FALLBACK = "RecordDelay";
constexpr int PAUSE_EDIT_DIGITS = 9;

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

QString FromUtf16(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

// A language text with its first "%d" replaced by the number.
std::string TextWithNumber(std::string_view key, long long number) {
    std::string text = Text(key);
    const size_t at = text.find("%d");
    if (at != std::string::npos) text.replace(at, 2, std::to_string(number));
    return text;
}

QString StateText(uint16_t state) {
    return state == MACRO_STATE_RELEASE ? QString::fromUtf8("  \u2191")
                                        : QString::fromUtf8("\u2193");
}

QString SettingsKey() {
    std::string name = Text(RECORD_DELAY_VALUE_KEY);
    if (name.empty()) name = RECORD_DELAY_VALUE_FALLBACK;
    return QString(SETTINGS_SECTION) + "/" + FromUtf8(name);
}

}  // namespace

void Quorvel_DlgComposite::FillMacroBox() {
    macros_ = CopyOutMacros(workingSet_);
    filling_ = true;
    macroBox_->clear();
    for (const MacroRecord& macro : macros_) macroBox_->addItem(FromUtf16(macro.Name()));
    macroBox_->setCurrentIndex(-1);
    macroBox_->setEditText(QString());
    filling_ = false;
    selectedMacro_ = -1;
    ReloadSteps(-1);
    EnableStepControls();
}

void Quorvel_DlgComposite::ShowMacroPage(bool initial) {
    int select = -1;
    if (initial) {
        select = macros_.empty() ? -1 : 0;
        // Only a macro assignment's value is a macro id.
        if (openedType_ == ASSIGN_MACRO && initialValue_ != 0) {
            for (size_t i = 0; i < macros_.size(); ++i) {
                if (macros_[i].id == initialValue_) select = static_cast<int>(i);
            }
        }
    } else if (!macroPageShown_ && initialValue_ == 0 && !macros_.empty()) {
        select = 0;
    }
    macroPageShown_ = true;
    if (select < 0) return;
    filling_ = true;
    macroBox_->setCurrentIndex(select);
    filling_ = false;
    selectedMacro_ = select;
    LoadSelectedMacro();
}

void Quorvel_DlgComposite::LoadSelectedMacro() {
    filling_ = true;
    cycles_->setText(selectedMacro_ >= 0 ? QString::number(macros_[selectedMacro_].cycles)
                                         : QString("1"));
    filling_ = false;
    ReloadSteps(-1);
    EnableStepControls();
    UpdateMeter();
}

void Quorvel_DlgComposite::SelectMacro(int position) {
    if (position < 0 || position >= static_cast<int>(macros_.size())) return;
    FinishCellEdit();
    selectedMacro_ = position;
    if (!filling_) LoadSelectedMacro();
}

void Quorvel_DlgComposite::TypeMacroName(const QString& text) {
    if (openCount_ <= 0) return;
    const std::u16string name = text.toStdU16String();
    if (macros_.empty()) {
        std::optional<MacroRecord> macro = CreateMacro(name, macros_);
        if (!macro) return;
        macros_.insert(macros_.begin(), std::move(*macro));
        filling_ = true;
        macroBox_->insertItem(0, text);
        macroBox_->setCurrentIndex(0);
        filling_ = false;
        selectedMacro_ = 0;
        LoadSelectedMacro();
    } else if (selectedMacro_ >= 0) {
        macros_[selectedMacro_].SetName(name);
        filling_ = true;
        const int cursor = macroBox_->lineEdit()->cursorPosition();
        macroBox_->setItemText(selectedMacro_, FromUtf16(macros_[selectedMacro_].Name()));
        macroBox_->lineEdit()->setCursorPosition(cursor);
        filling_ = false;
    } else {
        // Nothing is selected: there is no macro the text could name.
        return;
    }
    MarkModified();
}

void Quorvel_DlgComposite::AddMacro() {
    if (openCount_ <= 0 || recorder_.Recording()) return;
    if (macros_.size() >= static_cast<size_t>(MACRO_LIST_MAX)) {
        host_.ShowMessage(this, "MACRO_ERR_MAX", TextWithNumber("MACRO_ERR_MAX", MACRO_LIST_MAX));
        return;
    }
    FinishCellEdit();
    if (macros_.empty()) nameCounter_ = 0;
    std::vector<std::u16string> names;
    for (const MacroRecord& macro : macros_) names.push_back(macro.Name());
    const std::u16string name =
        NextMacroName(ToUtf16(Text("MACRO_NEW_PREFIX")), nameCounter_, names);
    std::optional<MacroRecord> macro = CreateMacro(name, macros_);
    if (!macro) return;
    macros_.push_back(std::move(*macro));
    filling_ = true;
    macroBox_->addItem(FromUtf16(macros_.back().Name()));
    macroBox_->setCurrentIndex(static_cast<int>(macros_.size()) - 1);
    filling_ = false;
    selectedMacro_ = static_cast<int>(macros_.size()) - 1;
    LoadSelectedMacro();
    MarkModified();
}

void Quorvel_DlgComposite::DeleteMacro() {
    if (openCount_ <= 0 || recorder_.Recording()) return;
    if (selectedMacro_ < 0 || selectedMacro_ >= static_cast<int>(macros_.size())) return;
    FinishCellEdit();
    const MacroRecord& macro = macros_[selectedMacro_];
    if (!macro.isNew) {
        bool inUse = false;
        {
            WorkingSetLock data = workingSet_.Lock();
            inUse = MacroInUse(data->keyAreas, macro.id);
        }
        if (inUse && !host_.AskYesNo(this, "MACRO_DELETE_CONFIRM_OF_KEYS")) return;
        if (openCount_ <= 0) return;
    }
    histories_.erase(macros_[selectedMacro_].id);
    macros_.erase(macros_.begin() + selectedMacro_);
    filling_ = true;
    macroBox_->removeItem(selectedMacro_);
    const int next = macros_.empty() ? -1 : std::max(selectedMacro_ - 1, 0);
    macroBox_->setCurrentIndex(next);
    if (next < 0) macroBox_->setEditText(QString());
    filling_ = false;
    selectedMacro_ = next;
    LoadSelectedMacro();
    MarkModified();
}

std::vector<MacroAction>* Quorvel_DlgComposite::SelectedSteps() {
    if (selectedMacro_ < 0 || selectedMacro_ >= static_cast<int>(macros_.size())) return nullptr;
    return &macros_[selectedMacro_].actions;
}

int Quorvel_DlgComposite::SelectedStep() const {
    const QList<QTreeWidgetItem*> selected = stepList_->selectedItems();
    return selected.isEmpty() ? -1 : stepList_->indexOfTopLevelItem(selected.front());
}

void Quorvel_DlgComposite::SelectStep(int row) {
    QTreeWidgetItem* item = stepList_->topLevelItem(row);
    stepList_->clearSelection();
    if (!item) return;
    stepList_->setCurrentItem(item);
    item->setSelected(true);
    stepList_->scrollToItem(item);
}

void Quorvel_DlgComposite::ReloadSteps(int selectRow) {
    stepList_->clear();
    const std::vector<MacroAction>* steps = SelectedSteps();
    if (steps) {
        QList<QTreeWidgetItem*> rows;
        const QBrush grey = palette().brush(QPalette::Disabled, QPalette::Text);
        for (const MacroAction& step : *steps) {
            auto* item = new QTreeWidgetItem({FromUtf8(KeyName(step.key)), StateText(step.state),
                                              QString::number(step.delayMs)});
            item->setForeground(0, grey);
            item->setForeground(1, grey);
            rows.append(item);
        }
        stepList_->addTopLevelItems(rows);
    }
    SelectStep(selectRow);
}

void Quorvel_DlgComposite::UpdateStepRow(int row) {
    const std::vector<MacroAction>* steps = SelectedSteps();
    QTreeWidgetItem* item = stepList_->topLevelItem(row);
    if (!steps || !item || row >= static_cast<int>(steps->size())) return;
    const MacroAction& step = (*steps)[row];
    item->setText(0, FromUtf8(KeyName(step.key)));
    item->setText(1, StateText(step.state));
    item->setText(2, QString::number(step.delayMs));
}

QString Quorvel_DlgComposite::StepCellText(int row, int column) const {
    QTreeWidgetItem* item = stepList_->topLevelItem(row);
    return item ? item->text(column) : QString();
}

void Quorvel_DlgComposite::EnableStepControls() {
    const bool selected = selectedMacro_ >= 0;
    for (CPngButton* button : stepButtons_) button->setEnabled(selected);
}

StepsState Quorvel_DlgComposite::CurrentStepsState() const {
    StepsState state;
    if (selectedMacro_ >= 0 && selectedMacro_ < static_cast<int>(macros_.size()))
        state.steps = macros_[selectedMacro_].actions;
    state.selected = SelectedStep();
    return state;
}

void Quorvel_DlgComposite::RememberSteps() {
    if (selectedMacro_ < 0) return;
    histories_[macros_[selectedMacro_].id].Push(CurrentStepsState());
}

void Quorvel_DlgComposite::RestoreSteps(const StepsState& state) {
    std::vector<MacroAction>* steps = SelectedSteps();
    if (!steps) return;
    *steps = state.steps;
    ReloadSteps(state.selected);
    MarkModified();
}

void Quorvel_DlgComposite::UndoSteps() {
    if (selectedMacro_ < 0 || recorder_.Recording()) return;
    FinishCellEdit();
    StepHistory& history = histories_[macros_[selectedMacro_].id];
    if (std::optional<StepsState> state = history.Undo(CurrentStepsState())) RestoreSteps(*state);
}

void Quorvel_DlgComposite::RedoSteps() {
    if (selectedMacro_ < 0 || recorder_.Recording()) return;
    FinishCellEdit();
    StepHistory& history = histories_[macros_[selectedMacro_].id];
    if (std::optional<StepsState> state = history.Redo(CurrentStepsState())) RestoreSteps(*state);
}

void Quorvel_DlgComposite::MarkModified() {
    SetModified(true);
    UpdateMeter();
}

void Quorvel_DlgComposite::DeleteStep() {
    std::vector<MacroAction>* steps = SelectedSteps();
    const int row = SelectedStep();
    if (!steps || row < 0 || row >= static_cast<int>(steps->size())) return;
    FinishCellEdit();
    RememberSteps();
    steps->erase(steps->begin() + row);
    ReloadSteps(-1);
    MarkModified();
}

void Quorvel_DlgComposite::ClearSteps() {
    std::vector<MacroAction>* steps = SelectedSteps();
    if (!steps || steps->empty()) return;
    FinishCellEdit();
    if (!host_.AskYesNo(this, "MACRO_ACTION_CLEAR_CONFIRM") || openCount_ <= 0) return;
    RememberSteps();
    steps->clear();
    ReloadSteps(-1);
    MarkModified();
}

void Quorvel_DlgComposite::MoveSelectedStep(StepMove move) {
    std::vector<MacroAction>* steps = SelectedSteps();
    const int row = SelectedStep();
    if (!steps || row < 0) return;
    FinishCellEdit();
    const int last = static_cast<int>(steps->size()) - 1;
    const int target = move == MOVE_TOP    ? 0
                       : move == MOVE_UP   ? row - 1
                       : move == MOVE_DOWN ? row + 1
                                           : last;
    if (std::clamp(target, 0, last) == row) return;
    RememberSteps();
    const int now = MoveStep(*steps, row, target);
    ReloadSteps(now);
    stepList_->setFocus();
    MarkModified();
}

void Quorvel_DlgComposite::EditStepKey(int row, int listIndex) {
    std::vector<MacroAction>* steps = SelectedSteps();
    const ScanCode key = KeyListScanCode(listIndex);
    if (!steps || row < 0 || row >= static_cast<int>(steps->size()) || key == 0) return;
    if ((*steps)[row].key == key) return;
    RememberSteps();
    (*steps)[row].key = key;
    UpdateStepRow(row);
    MarkModified();
}

void Quorvel_DlgComposite::EditStepState(int row, int state) {
    std::vector<MacroAction>* steps = SelectedSteps();
    if (!steps || row < 0 || row >= static_cast<int>(steps->size())) return;
    const uint16_t value = state == MACRO_STATE_RELEASE ? MACRO_STATE_RELEASE : MACRO_STATE_PRESS;
    if ((*steps)[row].state == value) return;
    RememberSteps();
    (*steps)[row].state = value;
    UpdateStepRow(row);
    MarkModified();
}

void Quorvel_DlgComposite::EditStepPause(int row, const QString& text) {
    std::vector<MacroAction>* steps = SelectedSteps();
    if (!steps || row < 0 || row >= static_cast<int>(steps->size())) return;
    const TypedPause pause = ParseTypedPause(text.toStdString());
    if (pause.clamped) {
        host_.ShowMessage(this, "MACRO_ACTION_ERR_DELAY_MAX",
                          TextWithNumber("MACRO_ACTION_ERR_DELAY_MAX", MACRO_PAUSE_MAX_MS));
        if (openCount_ <= 0) return;
    }
    if ((*steps)[row].delayMs != pause.ms) {
        RememberSteps();
        (*steps)[row].delayMs = pause.ms;
        MarkModified();
    }
    UpdateStepRow(row);
}

void Quorvel_DlgComposite::BeginCellEdit(QTreeWidgetItem* item, int column) {
    const std::vector<MacroAction>* steps = SelectedSteps();
    const int row = stepList_->indexOfTopLevelItem(item);
    if (!steps || row < 0 || row >= static_cast<int>(steps->size())) return;
    FinishCellEdit();
    const MacroAction step = (*steps)[row];
    cellEditRow_ = row;
    cellEditColumn_ = column;
    if (column == 2) {
        StopRecording();
        auto* edit = new QLineEdit(QString::number(step.delayMs));
        edit->setValidator(new QIntValidator(0, 999999999, edit));
        edit->setMaxLength(PAUSE_EDIT_DIGITS);
        connect(edit, &QLineEdit::editingFinished, this, [this] { FinishCellEdit(); });
        cellEditor_ = edit;
    } else {
        auto* box = new QComboBox;
        if (column == 0) {
            for (int i = 0; i < KEY_LIST_COUNT; ++i) box->addItem(FromUtf8(KeyListName(i)));
            const KeyListIndex at = KeyListIndexOf(step.key);
            box->setCurrentIndex(at == KEY_LIST_NONE ? -1 : at);
        } else {
            box->addItems({StateText(MACRO_STATE_PRESS), StateText(MACRO_STATE_RELEASE)});
            box->setCurrentIndex(step.state == MACRO_STATE_RELEASE ? 1 : 0);
        }
        connect(box, &QComboBox::activated, this, [this] { FinishCellEdit(); });
        cellEditor_ = box;
    }
    stepList_->setItemWidget(item, column, cellEditor_);
    cellEditor_->setFocus();
    if (auto* box = qobject_cast<QComboBox*>(cellEditor_)) box->showPopup();
}

void Quorvel_DlgComposite::FinishCellEdit() {
    QWidget* editor = cellEditor_;
    if (!editor) return;
    // Cleared first: what the edit does (a message box, a reload) may end the edit again.
    cellEditor_ = nullptr;
    editor->disconnect(this);
    const int row = cellEditRow_;
    const int column = cellEditColumn_;
    QString pauseText;
    int chosen = -1;
    if (auto* edit = qobject_cast<QLineEdit*>(editor)) pauseText = edit->text();
    if (auto* box = qobject_cast<QComboBox*>(editor)) chosen = box->currentIndex();
    if (QTreeWidgetItem* item = stepList_->topLevelItem(row))
        stepList_->removeItemWidget(item, column);
    if (column == 0 && chosen >= 0) EditStepKey(row, chosen);
    if (column == 1 && chosen >= 0) EditStepState(row, chosen);
    if (column == 2) EditStepPause(row, pauseText);
}

void Quorvel_DlgComposite::SetCyclesText(const QString& text) {
    if (cycles_->text() != text) {
        cycles_->setText(text);  // comes back here through the change signal
        return;
    }
    if (filling_) return;
    if (std::optional<std::string> corrected = CorrectedCyclesText(text.toStdString())) {
        cycles_->setText(FromUtf8(*corrected));
        return;
    }
    if (selectedMacro_ < 0) return;
    const auto cycles = static_cast<uint8_t>(CyclesOf(text.toStdString()));
    if (macros_[selectedMacro_].cycles == cycles) return;
    macros_[selectedMacro_].cycles = cycles;
    MarkModified();
}

QString Quorvel_DlgComposite::CyclesText() const {
    return cycles_->text();
}

std::vector<QString> Quorvel_DlgComposite::MacroBoxTexts() const {
    std::vector<QString> texts;
    for (int i = 0; i < macroBox_->count(); ++i) texts.push_back(macroBox_->itemText(i));
    return texts;
}

void Quorvel_DlgComposite::SetRecordCaption(const char* textKey) {
    stepButtons_[0]->setText(FromUtf8(Text(textKey)));
}

void Quorvel_DlgComposite::ToggleRecording() {
    if (recorder_.Recording()) {
        StopRecording();
        return;
    }
    if (selectedMacro_ < 0 || openCount_ <= 0) return;
    FinishCellEdit();
    SetRecordCaption("MACRO_ACTION_STOP_RECORD");
    stepButtons_[0]->SetChecked(true);
    for (QWidget* control : {static_cast<QWidget*>(addMacro_), static_cast<QWidget*>(deleteMacro_),
                             static_cast<QWidget*>(macroBox_)}) {
        control->setEnabled(false);
    }
    recorder_.Start();
    capture_->Start([this](const CapturedKey& key) { OnRecordedKey(key); });
}

void Quorvel_DlgComposite::StopRecording() {
    if (!recorder_.Recording()) return;
    recorder_.Stop();
    capture_->Stop();
    SetRecordCaption("MACRO_ACTION_RECORD");
    stepButtons_[0]->SetChecked(false);
    for (QWidget* control : {static_cast<QWidget*>(addMacro_), static_cast<QWidget*>(deleteMacro_),
                             static_cast<QWidget*>(macroBox_)}) {
        control->setEnabled(true);
    }
}

void Quorvel_DlgComposite::OnRecordedKey(const CapturedKey& key) {
    std::vector<MacroAction>* steps = SelectedSteps();
    if (!steps) return;
    const std::vector<RecordedStep> recorded =
        recorder_.OnKey(key.scanCode, key.release, key.autoRepeat, recordDelayOption_ == 1);
    if (recorded.empty()) return;
    RememberSteps();
    int row = SelectedStep();
    bool added = false;
    for (const RecordedStep& step : recorded) {
        const int at = InsertRecordedStep(*steps, row, step.pause, step.key, step.state);
        if (at < 0) break;  // a full macro takes no more steps
        row = at;
        added = true;
    }
    if (!added) return;
    ReloadSteps(row);
    MarkModified();
}

void Quorvel_DlgComposite::LoadRecordDelayOption() {
    QSettings settings;
    const QString stored = settings.value(SettingsKey(), "0").toString();
    recordDelayOption_ = stored == "1" ? 1 : 0;
    if (stored != "0" && stored != "1") settings.setValue(SettingsKey(), "0");
    recordDelay_->setChecked(recordDelayOption_ == 1);
}

void Quorvel_DlgComposite::StoreRecordDelayOption() {
    QSettings settings;
    settings.setValue(SettingsKey(), QString::number(recordDelayOption_));
}

void Quorvel_DlgComposite::ToggleRecordDelay() {
    recordDelayOption_ = recordDelayOption_ == 1 ? 0 : 1;
    StoreRecordDelayOption();
    recordDelay_->setChecked(recordDelayOption_ == 1);
}

void Quorvel_DlgComposite::UpdateMeter() {
    if (!meter_) return;
    const MacroAreaSize sizes = MacroAreaSizes(macros_);
    const int capacity = host_.MacroCapacity();
    QString text;
    QString colour = "#e4e4e4";
    meterOver_ = false;
    // Both texts may use any of the three numbers.
    text = QString(capacity <= 0 ? meterUnknownText_ : meterText_)
               .replace("%1", QString::number(sizes.withNames))
               .replace("%2", QString::number(capacity))
               .replace("%3", QString::number(sizes.withoutNames));
    if (capacity > 0) {
        const auto cap = static_cast<size_t>(capacity);
        meterOver_ = sizes.withNames > cap;
        if (sizes.withoutNames > cap) {
            colour = "#ff6060";
        } else if (sizes.withNames > cap) {
            colour = "#ffc040";
        }
    }
    meter_->setText(text);
    meter_->setStyleSheet(QString("color: %1; background: transparent;").arg(colour));
}

QString Quorvel_DlgComposite::MeterText() const {
    return meter_->text();
}

void Quorvel_DlgComposite::WarnCapacity() {
    const int capacity = host_.MacroCapacity();
    if (capacity <= 0) return;
    const MacroAreaSize sizes = MacroAreaSizes(macros_);
    const auto cap = static_cast<size_t>(capacity);
    // The capacity check's own messages, before the write instead of after it.
    if (sizes.withoutNames > cap) {
        host_.ShowMessage(this, "EXTRA_MACRO_TOO_LONG", Text("EXTRA_MACRO_TOO_LONG"));
    } else if (sizes.withNames > cap) {
        host_.ShowMessage(this, "EXTRA_PROFILE_SPACE_TIGHT", Text("EXTRA_PROFILE_SPACE_TIGHT"));
    }
}

}  // namespace quorvel
