#include "editors/macro_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QTreeWidget>
#include <algorithm>

#include "base/texts.h"
#include "base/utf16.h"
#include "editors/composite_skin.h"
#include "editors/editor_host.h"
#include "editors/kept_keys_offer.h"
#include "model/macro_list.h"
#include "model/working_set.h"
#include "skin/png_button.h"

namespace quorvel {
namespace {

constexpr const char* SETTINGS_SECTION = "PROFILES";
constexpr const char* RECORD_DELAY_VALUE_KEY = "MACRO_ACTION_RECORD_DELAY";
constexpr const char* RECORD_DELAY_VALUE_FALLBACK = "RecordDelay";

QString FromUtf16(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

QString SettingsKey() {
    std::string name = Text(RECORD_DELAY_VALUE_KEY);
    if (name.empty()) name = RECORD_DELAY_VALUE_FALLBACK;
    return QString(SETTINGS_SECTION) + "/" + QString::fromStdString(name);
}

}  // namespace

MacroPage::MacroPage(CompositeSkin& skin, Context context)
    : QObject(&context.dialog), context_(std::move(context)), recorder_(SteadyTickClock()) {
    Build(skin);
}

void MacroPage::SetClock(TickClock clock) {
    recorder_ = MacroRecorder(std::move(clock));
}

void MacroPage::Build(CompositeSkin& skin) {
    QWidget& dialog = context_.dialog;
    heading_ = &skin.Label("MARCO_NAME_SETTING", 10.8);
    box_ = new QComboBox(&dialog);
    box_->setObjectName("FUNC_MACRO_LIST");
    box_->setEditable(true);
    box_->setInsertPolicy(QComboBox::NoInsert);
    QFont font("Verdana");
    font.setPointSizeF(12);
    box_->setFont(font);
    box_->setMaxVisibleItems(12);
    skin.Place(*box_, "FUNC_MACRO_LIST");
    // A drop-down box, not a list: only its edit line's height counts.
    box_->resize(box_->width(), box_->sizeHint().height());
    connect(box_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!filling_ && index >= 0) SelectMacro(index);
    });
    connect(box_->lineEdit(), &QLineEdit::textEdited, this,
            [this](const QString& text) { TypeMacroName(text); });
    add_ = &skin.Button("FUNC_MACRO_ADD");
    connect(add_, &QAbstractButton::clicked, this, [this] { AddMacro(); });
    delete_ = &skin.Button("FUNC_MACRO_DELETE");
    connect(delete_, &QAbstractButton::clicked, this, [this] { DeleteMacro(); });

    steps_ = new MacroStepList(
        dialog, {[this](int row, int column) { BeginCellEdit(row, column); },
                 [this](const MacroStepList::CellEdit& edit) { OnCellEdited(edit); },
                 [this] { UndoSteps(); }, [this] { RedoSteps(); }, [this] { return CanUndo(); },
                 [this] { return CanRedo(); }});
    skin.Place(steps_->Widget(), "FUNC_MACRO_LIST2");

    const char* stepKeys[] = {"FUNC_MACRO_RECORD",     "FUNC_MACRO_DELETE2", "FUNC_MACRO_CLEAR",
                              "FUNC_MACRO_UP_TOP",     "FUNC_MACRO_UP",      "FUNC_MACRO_DOWN",
                              "FUNC_MACRO_DOWN_BOTTOM"};
    for (size_t i = 0; i < stepButtons_.size(); ++i)
        stepButtons_[i] = &skin.Button(stepKeys[i], i == 0);
    connect(stepButtons_[0], &QAbstractButton::clicked, this, [this] { ToggleRecording(); });
    connect(stepButtons_[1], &QAbstractButton::clicked, this, [this] { DeleteStep(); });
    connect(stepButtons_[2], &QAbstractButton::clicked, this, [this] { ClearSteps(); });
    const StepMove moves[] = {MOVE_TOP, MOVE_UP, MOVE_DOWN, MOVE_BOTTOM};
    for (int i = 0; i < 4; ++i) {
        connect(stepButtons_[3 + i], &QAbstractButton::clicked, this,
                [this, move = moves[i]] { MoveSelectedStep(move); });
    }

    recordDelay_ = new QCheckBox(&dialog);
    recordDelay_->setObjectName("FUNC_MACRO_RECORD_DELAY");
    // A box of its own on the dark page, so the option shows when it is off as well.
    recordDelay_->setStyleSheet(
        "QCheckBox { background: transparent; }"
        "QCheckBox::indicator { width: 14px; height: 14px; border: 1px solid #e4e4e4;"
        " background: #15181d; }"
        "QCheckBox::indicator:checked { background: #19a7dd; }");
    skin.Place(*recordDelay_, "FUNC_MACRO_RECORD_DELAY");
    // The option flips on a click; the box only shows it.
    connect(recordDelay_, &QCheckBox::clicked, this, [this] { ToggleRecordDelay(); });
    recordDelayLabel_ = &skin.Label("FUNC_MACRO_RECORD_DELAY2", 9);
    cycles_ = new QLineEdit(&dialog);
    cycles_->setObjectName("FUNC_MACRO_CYCLES");
    skin.Place(*cycles_, "FUNC_MACRO_CYCLES");
    connect(cycles_, &QLineEdit::textChanged, this,
            [this](const QString& text) { SetCyclesText(text); });
    cyclesLabel_ = &skin.Label("FUNC_MACRO_CYCLES_PROMPT", 9);
    QLabel& meter = skin.Label("FUNC_MACRO_METER", 8);
    meter.setWordWrap(false);
    meter_ = std::make_unique<MacroMeter>(meter);

    // Under the macro box, down to the foot of the step list beside it.
    const int keptKeysHeight =
        steps_->Widget().geometry().bottom() - box_->geometry().bottom() - KeptKeysOffer::GAP;
    keptKeys_ =
        new KeptKeysOffer(*box_, keptKeysHeight, {"MACRO_KEPT_KEYS_NOTE", "MACRO_KEPT_KEYS_ADD"},
                          [this](ScanCode key) { AddKeptKey(key); });

    controls_ = {heading_,          box_,    add_,         delete_, &steps_->Widget(), recordDelay_,
                 recordDelayLabel_, cycles_, cyclesLabel_, &meter};
    controls_.insert(controls_.end(), stepButtons_.begin(), stepButtons_.end());
}

void MacroPage::ApplyCaptions(const std::function<QString(const char*)>& text,
                              const IniFile& language) {
    const char* stepCaptions[] = {"A_RECORD", "A_DELETE", "A_CLEAR", "A_TOP",
                                  "A_UP",     "A_DOWN",   "A_BOTTOM"};
    for (size_t i = 0; i < stepButtons_.size(); ++i)
        stepButtons_[i]->setText(text(stepCaptions[i]));
    heading_->setText(text("MACRO_NAME_SETTING"));
    recordDelayLabel_->setText(text("RECORD_DELAY"));
    cyclesLabel_->setText(text("MACRO_CYCLES"));
    steps_->SetColumnTitles(text("MACRO_KEYS_TISHI"), text("MACRO_ACTION_TISHI"),
                            text("MACRO_DELAY_MS"));
    steps_->SetUndoTexts(text("MACRO_UNDO"), text("MACRO_REDO"));
    meter_->LoadTexts(language);
    keptKeys_->ApplyCaptions(text);
}

void MacroPage::SetVisible(bool visible) {
    for (QWidget* control : controls_) control->setVisible(visible);
    keptKeys_->ShowWithPage(visible);
}

void MacroPage::Open(int openedType, int32_t initialValue) {
    open_ = true;
    openedType_ = openedType;
    initialValue_ = initialValue;
    shownThisOpening_ = false;
    histories_.clear();
    recorder_.Stop();
    LoadRecordDelayOption();
    macros_ = CopyOutMacros(context_.workingSet);
    filling_ = true;
    box_->clear();
    for (const MacroRecord& macro : macros_) box_->addItem(FromUtf16(macro.Name()));
    box_->setCurrentIndex(-1);
    box_->setEditText(QString());
    cycles_->setText("1");
    filling_ = false;
    selectedMacro_ = -1;
    ShowSteps(-1);
    EnableStepControls();
    meter_->Update(macros_, context_.host.MacroCapacity());
}

void MacroPage::Show(bool initial) {
    int select = -1;
    if (initial) {
        select = macros_.empty() ? -1 : 0;
        // Only a macro assignment's value is a macro id.
        if (openedType_ == ASSIGN_MACRO && initialValue_ != 0) {
            for (size_t i = 0; i < macros_.size(); ++i) {
                if (macros_[i].id == initialValue_) select = static_cast<int>(i);
            }
        }
    } else if (!shownThisOpening_ && initialValue_ == 0 && !macros_.empty()) {
        select = 0;
    }
    shownThisOpening_ = true;
    if (select < 0) return;
    SetBoxSelection(select);
    LoadSelectedMacro();
}

void MacroPage::SetBoxSelection(int position, bool clearText) {
    filling_ = true;
    box_->setCurrentIndex(position);
    if (clearText) box_->setEditText(QString());
    filling_ = false;
    selectedMacro_ = position;
}

void MacroPage::Commit() {
    FinishCellEdit();
    StopRecording();
    CommitMacros(context_.workingSet, macros_);
}

void MacroPage::Close() {
    FinishCellEdit();
    StopRecording();
    open_ = false;
    filling_ = true;
    box_->clear();
    steps_->Clear();
    filling_ = false;
    macros_.clear();
    histories_.clear();
    selectedMacro_ = -1;
}

int MacroPage::Cycles() const {
    return CyclesOf(cycles_->text().toStdString());
}

void MacroPage::LoadSelectedMacro() {
    filling_ = true;
    cycles_->setText(selectedMacro_ >= 0 ? QString::number(macros_[selectedMacro_].cycles)
                                         : QString("1"));
    filling_ = false;
    ShowSteps(-1);
    EnableStepControls();
    meter_->Update(macros_, context_.host.MacroCapacity());
}

void MacroPage::SelectMacro(int position) {
    if (position < 0 || position >= static_cast<int>(macros_.size())) return;
    FinishCellEdit();
    selectedMacro_ = position;
    if (!filling_) LoadSelectedMacro();
}

void MacroPage::TypeMacroName(const QString& text) {
    if (!open_) return;
    const std::u16string name = text.toStdU16String();
    if (macros_.empty()) {
        std::optional<MacroRecord> macro = CreateMacro(name, macros_);
        if (!macro) return;
        macros_.insert(macros_.begin(), std::move(*macro));
        filling_ = true;
        box_->insertItem(0, text);
        filling_ = false;
        SetBoxSelection(0);
        LoadSelectedMacro();
    } else if (selectedMacro_ >= 0) {
        macros_[selectedMacro_].SetName(name);
        filling_ = true;
        const int cursor = box_->lineEdit()->cursorPosition();
        box_->setItemText(selectedMacro_, FromUtf16(macros_[selectedMacro_].Name()));
        box_->lineEdit()->setCursorPosition(cursor);
        filling_ = false;
    } else {
        // Nothing is selected: there is no macro the text could name.
        return;
    }
    MarkModified();
}

void MacroPage::AddMacro() {
    if (!open_ || recorder_.Recording()) return;
    if (macros_.size() >= static_cast<size_t>(MACRO_LIST_MAX)) {
        context_.host.ShowMessage(&context_.dialog, "MACRO_ERR_MAX",
                                  TextWithNumber("MACRO_ERR_MAX", MACRO_LIST_MAX));
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
    box_->addItem(FromUtf16(macros_.back().Name()));
    filling_ = false;
    SetBoxSelection(static_cast<int>(macros_.size()) - 1);
    LoadSelectedMacro();
    MarkModified();
}

void MacroPage::DeleteMacro() {
    if (!open_ || recorder_.Recording()) return;
    if (selectedMacro_ < 0 || selectedMacro_ >= static_cast<int>(macros_.size())) return;
    FinishCellEdit();
    const MacroRecord& macro = macros_[selectedMacro_];
    if (!macro.isNew) {
        bool inUse = false;
        {
            WorkingSetLock data = context_.workingSet.Lock();
            inUse = MacroInUse(data->keyAreas, macro.id);
        }
        if (inUse && !context_.host.AskYesNo(&context_.dialog, "MACRO_DELETE_CONFIRM_OF_KEYS"))
            return;
        if (!open_) return;
    }
    histories_.erase(macros_[selectedMacro_].id);
    macros_.erase(macros_.begin() + selectedMacro_);
    filling_ = true;
    box_->removeItem(selectedMacro_);
    filling_ = false;
    const int next = macros_.empty() ? -1 : std::max(selectedMacro_ - 1, 0);
    SetBoxSelection(next, next < 0);
    LoadSelectedMacro();
    MarkModified();
}

void MacroPage::SetCyclesText(const QString& text) {
    if (cycles_->text() != text) {
        cycles_->setText(text);  // comes back here through the change signal
        return;
    }
    if (filling_) return;
    if (std::optional<std::string> corrected = CorrectedCyclesText(text.toStdString())) {
        cycles_->setText(QString::fromStdString(*corrected));
        return;
    }
    if (selectedMacro_ < 0) return;
    const auto cycles = static_cast<uint8_t>(CyclesOf(text.toStdString()));
    if (macros_[selectedMacro_].cycles == cycles) return;
    macros_[selectedMacro_].cycles = cycles;
    MarkModified();
}

QString MacroPage::CyclesText() const {
    return cycles_->text();
}

std::vector<QString> MacroPage::MacroBoxTexts() const {
    std::vector<QString> texts;
    for (int i = 0; i < box_->count(); ++i) texts.push_back(box_->itemText(i));
    return texts;
}

void MacroPage::MarkModified() {
    context_.modified();
    meter_->Update(macros_, context_.host.MacroCapacity());
}

void MacroPage::LoadRecordDelayOption() {
    QSettings settings;
    const QString stored = settings.value(SettingsKey(), "0").toString();
    recordDelayOption_ = stored == "1" ? 1 : 0;
    if (stored != "0" && stored != "1") settings.setValue(SettingsKey(), "0");
    recordDelay_->setChecked(recordDelayOption_ == 1);
}

void MacroPage::StoreRecordDelayOption() const {
    QSettings settings;
    settings.setValue(SettingsKey(), QString::number(recordDelayOption_));
}

void MacroPage::ToggleRecordDelay() {
    recordDelayOption_ = recordDelayOption_ == 1 ? 0 : 1;
    StoreRecordDelayOption();
    recordDelay_->setChecked(recordDelayOption_ == 1);
}

}  // namespace quorvel
