#pragma once
// The macro page of the key assignment dialog: the macro box, the steps of the selected macro,
// the recorder, the undo history of step edits and the memory meter. It works on copies of
// the working set's macros; Commit hands them to the working set.
#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "editors/key_capture.h"
#include "editors/macro_editing.h"
#include "editors/macro_meter.h"
#include "editors/macro_step_list.h"
#include "model/macro.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace quorvel {

class CPngButton;
class CompositeSkin;
class EditorHost;
class IniFile;
class KeptKeysOffer;
class ProfileWorkingSet;

class MacroPage : public QObject {
    Q_OBJECT
public:
    enum StepMove { MOVE_TOP, MOVE_UP, MOVE_DOWN, MOVE_BOTTOM };

    struct Context {
        EditorHost& host;
        ProfileWorkingSet& workingSet;
        // The dialog's key capture; the recorder takes it over while recording.
        KeyCapture& capture;
        // The dialog: parent of the page's controls and message boxes.
        QWidget& dialog;
        // A macro changed: the dialog has something to apply.
        std::function<void()> modified;
    };

    MacroPage(CompositeSkin& skin, Context context);

    void SetClock(TickClock clock);
    // Captions from the dialog's text lookup; the meter's texts from the language file.
    void ApplyCaptions(const std::function<QString(const char*)>& text, const IniFile& language);
    // The dialog opens on an entry of `openedType` whose value is `initialValue`: copies of
    // the working set's macros, none selected, the record-delay option read.
    void Open(int openedType, int32_t initialValue);
    // The page is shown; initial: as the dialog opens on it.
    void Show(bool initial);
    void SetVisible(bool visible);
    // The edit in progress finished, recording stopped and the copies handed to the working
    // set. A failed commit keeps the working set's list.
    void Commit();
    // Releases every copy as the dialog closes.
    void Close();
    void StopRecording();

    // What Apply stores for the edited key.
    bool HasMacros() const { return !macros_.empty(); }
    int SelectedMacro() const { return selectedMacro_; }
    int Cycles() const;

    // As the user works the page.
    void AddMacro();
    void DeleteMacro();
    void SelectMacro(int position);
    void TypeMacroName(const QString& text);
    void ToggleRecording();
    void ToggleRecordDelay();
    void DeleteStep();
    void ClearSteps();
    void MoveSelectedStep(StepMove move);
    void SelectStep(int row);
    void EditStepKey(int row, int listIndex);
    void EditStepState(int row, int state);
    void EditStepPause(int row, const QString& text);
    // A key the desktop keeps, put in as a press and a release after the selected step; while
    // recording it is recorded as if it had been pressed and released now.
    void AddKeptKey(ScanCode key);
    void BeginCellEdit(int row, int column);
    void SetCyclesText(const QString& text);
    void UndoSteps();
    void RedoSteps();

    // What the page shows.
    bool Recording() const { return recorder_.Recording(); }
    const std::vector<MacroRecord>& MacroCopies() const { return macros_; }
    std::vector<QString> MacroBoxTexts() const;
    int SelectedStep() const { return steps_->SelectedRow(); }
    QString StepCellText(int row, int column) const { return steps_->CellText(row, column); }
    QString CyclesText() const;
    QString MeterText() const { return meter_->Text(); }
    bool MeterOverCapacity() const { return meter_->OverCapacity(); }
    bool RecordDelayOption() const { return recordDelayOption_ == 1; }
    bool CanUndo() const;
    bool CanRedo() const;
    QTreeWidget& StepListWidget() { return steps_->Widget(); }

private:
    void Build(CompositeSkin& skin);
    void LoadSelectedMacro();
    void ShowSteps(int selectRow);
    void EnableStepControls();
    void FinishCellEdit() { steps_->FinishEdit(); }
    void OnCellEdited(const MacroStepList::CellEdit& edit);
    void OnRecordedKey(const CapturedKey& key);
    void SetBoxControlsEnabled(bool enabled);
    void SetRecordCaption(const char* textKey);
    std::vector<MacroAction>* SelectedSteps();
    bool ValidRow(int row);
    StepHistory* History();
    StepsState CurrentStepsState() const;
    void RememberSteps();
    void RestoreSteps(const StepsState& state);
    void MarkModified();
    void LoadRecordDelayOption();
    void StoreRecordDelayOption() const;
    void SetBoxSelection(int position, bool clearText = false);

    Context context_;
    bool open_ = false;
    int openedType_ = 0;
    int32_t initialValue_ = 0;
    bool shownThisOpening_ = false;

    std::vector<MacroRecord> macros_;
    int selectedMacro_ = -1;
    int nameCounter_ = 0;
    int recordDelayOption_ = 0;
    bool filling_ = false;
    std::map<uint16_t, StepHistory> histories_;
    MacroRecorder recorder_;
    // The steps as they were when the recording started: one recording is one undo step.
    std::optional<StepsState> beforeRecording_;
    bool recordingAdded_ = false;

    QLabel* heading_ = nullptr;
    QComboBox* box_ = nullptr;
    CPngButton* add_ = nullptr;
    CPngButton* delete_ = nullptr;
    MacroStepList* steps_ = nullptr;
    std::array<CPngButton*, 7> stepButtons_{};  // record, delete, clear, top, up, down, bottom
    QCheckBox* recordDelay_ = nullptr;
    QLabel* recordDelayLabel_ = nullptr;
    QLineEdit* cycles_ = nullptr;
    QLabel* cyclesLabel_ = nullptr;
    std::unique_ptr<MacroMeter> meter_;
    KeptKeysOffer* keptKeys_ = nullptr;
    std::vector<QWidget*> controls_;
};

}  // namespace quorvel
