#pragma once
// The key assignment dialog: what one key (or G key) does - another key, a macro, a
// multimedia function or a keyboard function - with the macro editor and recorder on its macro
// page. It edits copies; its Apply stores one assignment and the macro list in the working set
// and leaves the keyboard to the main window's Apply.
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "base/ini_file.h"
#include "editors/composite_skin.h"
#include "editors/editor_host.h"
#include "editors/key_capture.h"
#include "editors/macro_page.h"
#include "model/key_assignment.h"
#include "skin/base_dialog.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QTimer;

namespace quorvel {

class CPngButton;
class KeptKeysOffer;
class ProfileWorkingSet;

class Quorvel_DlgComposite : public CBaseDialog {
    Q_OBJECT
public:
    enum Page { PAGE_KEY = 0, PAGE_MACRO = 1, PAGE_MEDIA = 2, PAGE_FUNCTION = 3 };

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

    MacroPage& Macros() { return *macroPage_; }

    // Buttons and boxes, as the user works them.
    void ShowPageButton(Page page);
    void ClearKey();
    bool ApplyChanges();
    void SelectMedia(int index);
    void SelectFunction(int index);
    void OpenOnScreenKeyboard();

    // What the dialog shows.
    int PageType() const { return pageType_; }
    ScanCode CapturedKeyCode() const { return capturedKey_; }
    bool Modified() const { return modified_; }
    bool CapturingKeys() const { return capturingKeys_; }
    QString KeyBoxText() const;
    QString TitleText() const;
    const CPngButton& OnScreenKeyboardButton() const { return *osk_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    bool BuildControls();
    void ApplyCaptions();
    void ShowPage(bool initial);
    void ShowOnlyPageControls(Page page);
    void StartKeyCapture();
    void StopKeyCapture();
    void OnCapturedKey(const CapturedKey& key);
    void RefreshBusy();
    void SetModified(bool modified);
    void StoreAssignment();

    // A caption of the dialog: the language file's text, else the loaded text of the key.
    std::string Caption(const IniFile& language, const char* textKey) const;

    EditorHost& host_;
    ProfileWorkingSet& workingSet_;
    std::function<IniFile()> languageFile_;
    CompositeSkin skin_;
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
    bool modified_ = false;
    int openCount_ = 0;

    KeyCapture* capture_ = nullptr;
    bool capturingKeys_ = false;
    MacroPage* macroPage_ = nullptr;

    // Controls.
    std::array<CPngButton*, 4> pageButtons_{};
    CPngButton* clear_ = nullptr;
    CPngButton* osk_ = nullptr;
    CPngButton* ok_ = nullptr;
    CPngButton* cancel_ = nullptr;
    CPngButton* apply_ = nullptr;
    QLabel* title_ = nullptr;
    QLabel* pageMask_ = nullptr;
    QLabel* heading_ = nullptr;
    QLabel* singleHint_ = nullptr;
    QLabel* mediaHeading_ = nullptr;
    QLabel* functionHeading_ = nullptr;
    QLineEdit* keyBox_ = nullptr;
    KeptKeysOffer* keptKeys_ = nullptr;
    QComboBox* mediaList_ = nullptr;
    QComboBox* functionList_ = nullptr;
    QTimer* busyTimer_ = nullptr;
};

}  // namespace quorvel
