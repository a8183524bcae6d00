#pragma once
// The key assignment dialog: what one key (or G key) does - another key, a macro, a
// multimedia function or a keyboard function - with the macro editor and recorder on its macro
// page. It edits copies; its Apply stores one assignment and the macro list in the working set
// and leaves the keyboard to the main window's Apply.
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/ini_file.h"
#include "editors/editor_host.h"
#include "editors/key_capture.h"
#include "editors/macro_editing.h"
#include "model/key_assignment.h"
#include "model/macro.h"
#include "skin/base_dialog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace quorvel {

class CPngButton;
class KeyCapture;
class ProfileWorkingSet;

// Where the dialog goes beside the key: right and below, right and above, left and below, left
// and above, whichever first fits the available area; otherwise right and below, kept on it.
QPoint PlaceBesideKey(QRect key, QSize dialog, QRect available);

class Quorvel_DlgComposite : public CBaseDialog {
    Q_OBJECT
public:
    enum Page { PAGE_KEY = 0, PAGE_MACRO = 1, PAGE_MEDIA = 2, PAGE_FUNCTION = 3 };
    enum StepMove { MOVE_TOP, MOVE_UP, MOVE_DOWN, MOVE_BOTTOM };

    // skinFolder ends in '/' and holds Composite.ini and its pictures. The captions are read
    // from the language file that languageFile opens, again at every opening.
    Quorvel_DlgComposite(EditorHost& host, ProfileWorkingSet& workingSet, const QString& skinFolder,
                         std::function<IniFile()> languageFile, QWidget* parent = nullptr);
    ~Quorvel_DlgComposite() override;

    // Opens the dialog modally for the key and returns when it is closed. Refused (the
    // no-device message, nothing opened) while the active profile is unknown.
    void Run(const SelectedKey& key);
    // Closes an open dialog as Cancel (keyboard removed, program ending).
    void CancelIfOpen();
    bool IsOpen() const { return openCount_ > 0; }

    // The two halves of Run, for tests that drive the dialog without a modal loop: Prepare does
    // everything opening does and returns false when the dialog must not open.
    bool Prepare(const SelectedKey& key);
    void CloseDialog(bool apply);

    void SetClock(TickClock clock);

    // Buttons and boxes, as the user works them.
    void ShowPageButton(Page page);
    void ClearKey();
    bool ApplyChanges();
    void SelectMedia(int index);
    void SelectFunction(int index);
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
    void SetCyclesText(const QString& text);
    void UndoSteps();
    void RedoSteps();

    // What the dialog shows.
    int PageType() const { return pageType_; }
    ScanCode CapturedKeyCode() const { return capturedKey_; }
    bool Modified() const { return modified_; }
    bool Recording() const { return recorder_.Recording(); }
    bool CapturingKeys() const;
    int SelectedMacro() const { return selectedMacro_; }
    const std::vector<MacroRecord>& MacroCopies() const { return macros_; }
    std::vector<QString> MacroBoxTexts() const;
    int SelectedStep() const;
    QString KeyBoxText() const;
    QString CyclesText() const;
    QString StepCellText(int row, int column) const;
    QString MeterText() const;
    bool MeterOverCapacity() const { return meterOver_; }
    bool RecordDelayOption() const { return recordDelayOption_ == 1; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    bool BuildControls();
    CPngButton& AddButton(const char* skinKey, bool checkedLook = false);
    QLabel& AddLabel(const char* skinKey, double pointSize);
    void ApplyCaptions();
    void Place();
    void ShowPage(bool initial);
    void ShowOnlyPageControls(Page page);
    void StartKeyCapture();
    void StopKeyCapture();
    void OnCapturedKey(const CapturedKey& key);
    void OnRecordedKey(const CapturedKey& key);
    void StartOnScreenKeyboard();
    void ReleaseCopies();
    void RefreshBusy();

    // Macro page.
    void FillMacroBox();
    void ShowMacroPage(bool initial);
    void LoadSelectedMacro();
    void SaveCycles();
    void ReloadSteps(int selectRow);
    void UpdateStepRow(int row);
    void EnableStepControls();
    void StopRecording();
    void FinishCellEdit();
    void BeginCellEdit(QTreeWidgetItem* item, int column);
    std::vector<MacroAction>* SelectedSteps();
    StepsState CurrentStepsState() const;
    void RememberSteps();
    void RestoreSteps(const StepsState& state);
    void MarkModified();
    void UpdateMeter();
    void WarnCapacity();
    void LoadRecordDelayOption();
    void StoreRecordDelayOption();
    void SetRecordCaption(const char* textKey);
    void SetModified(bool modified);

    // A caption of the dialog: the language file's text, else the loaded text of the key.
    std::string Caption(const IniFile& language, const char* textKey) const;

    EditorHost& host_;
    ProfileWorkingSet& workingSet_;
    std::function<IniFile()> languageFile_;
    bool skinReady_ = false;

    // Opening state.
    SelectedKey key_;
    int area_ = 0;
    int editedEntryIndex_ = 0;
    bool macroOnlyKey_ = false;
    int pageType_ = ASSIGN_DEFAULT;
    int32_t initialValue_ = 0;
    ScanCode capturedKey_ = 0;
    ScanCode lastCapturePress_ = 0;
    int openedType_ = ASSIGN_DEFAULT;
    bool modified_ = false;
    int openCount_ = 0;
    bool macroPageShown_ = false;

    // Macro page state.
    std::vector<MacroRecord> macros_;
    int selectedMacro_ = -1;
    int nameCounter_ = 0;
    int recordDelayOption_ = 0;
    bool filling_ = false;
    bool meterOver_ = false;
    std::map<uint16_t, StepHistory> histories_;
    MacroRecorder recorder_;
    KeyCapture* capture_ = nullptr;
    bool capturingKeys_ = false;

    // Controls.
    std::array<QPixmap, 4> looks_;  // normal, over, down, disabled
    std::array<QPixmap, 4> pageImages_;
    std::array<CPngButton*, 4> pageButtons_{};
    CPngButton* clear_ = nullptr;
    CPngButton* osk_ = nullptr;
    CPngButton* ok_ = nullptr;
    CPngButton* cancel_ = nullptr;
    CPngButton* apply_ = nullptr;
    QLabel* pageMask_ = nullptr;
    QLabel* heading_ = nullptr;
    QLabel* singleHint_ = nullptr;
    QLabel* macroHeading_ = nullptr;
    QLabel* mediaHeading_ = nullptr;
    QLabel* functionHeading_ = nullptr;
    QLineEdit* keyBox_ = nullptr;
    QComboBox* mediaList_ = nullptr;
    QComboBox* functionList_ = nullptr;
    QComboBox* macroBox_ = nullptr;
    CPngButton* addMacro_ = nullptr;
    CPngButton* deleteMacro_ = nullptr;
    QTreeWidget* stepList_ = nullptr;
    std::array<CPngButton*, 7> stepButtons_{};  // record, delete, clear, top, up, down, bottom
    QCheckBox* recordDelay_ = nullptr;
    QLabel* recordDelayLabel_ = nullptr;
    QLineEdit* cycles_ = nullptr;
    QLabel* cyclesLabel_ = nullptr;
    QLabel* meter_ = nullptr;
    // The meter's texts from the language file ("%1" used, "%2" capacity, "%3" without names).
    QString meterText_;
    QString meterUnknownText_;
    QWidget* cellEditor_ = nullptr;
    int cellEditRow_ = -1;
    int cellEditColumn_ = -1;
    QTimer* busyTimer_ = nullptr;
};

}  // namespace quorvel
