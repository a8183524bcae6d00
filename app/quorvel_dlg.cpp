#include "app/quorvel_dlg.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>

#include "app/about_dialog.h"
#include "app/keyboard_map.h"
#include "app/lighting_view.h"
#include "app/message_boxes.h"
#include "app/profile_bar.h"
#include "app/program_profiles_dialog.h"
#include "app/qt_texts.h"
#include "app/shell_state.h"
#include "app/window_buttons.h"
#include "base/texts.h"
#include "device/device_snapshot.h"
#include "model/working_set.h"

namespace quorvel {
namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

CQuorvelDlg::~CQuorvelDlg() {
    port_.Shutdown();
    if (Shell().mainDialog.load() == this) Shell().mainDialog.store(nullptr);
}

void CQuorvelDlg::ApplyMainCaptions() {
    IniFile language = OpenLanguageFile(paths_);
    if (buttons_ != nullptr) buttons_->ApplyCaptions(language);
    setWindowTitle(FromUtf8(Text("MAIN_CAPTION")));
    if (map_ != nullptr) map_->ApplyCaptions();
    if (profileBar_ != nullptr) profileBar_->ApplyCaptions(language);
    if (lighting_ != nullptr) lighting_->ApplyCaptions();
}

void CQuorvelDlg::SwitchLanguage(int language) {
    SetCurrentLanguage(static_cast<int16_t>(language));
    // A read-only file keeps its value; the current language still changes for this run.
    StoreLanguageChoice(paths_, language);
    const IniFile languageFile = OpenLanguageFile(paths_);
    LoadTexts(languageFile);
    UseQtTextsOf(languageFile);
    ApplyMainCaptions();
    tray_.SetTooltipText(FromUtf8(Text("KEYBOARD_TRAY_DESC")));
    update();
}

void CQuorvelDlg::HideMainWindow() {
    if (tray_.InArea()) {
        hide();
        return;
    }
    // A task-bar entry to come back from; new flags would make the window anew each time.
    if ((windowFlags() & Qt::WindowType_Mask) != Qt::Window)
        setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    showMinimized();
}

void CQuorvelDlg::OnNotificationAreaLost() {
    // Hidden, the window was reachable only through the icon that just went.
    if (ready_ && !isVisible()) HideMainWindow();
}

void CQuorvelDlg::SetTrayIcon(TrayIconMode mode, int iconId) {
    const bool reportedBefore = trayState_.Reported();
    if (const std::optional<int> icon = trayState_.Request(mode, iconId)) tray_.SetIcon(*icon);
    if (!reportedBefore && trayState_.Reported() && std::exchange(openWhenReported_, false))
        ShowMainWindow();
}

void CQuorvelDlg::SetDeviceIcon(uint32_t count) {
    SetTrayIcon(TRAY_BASE_ICON, count > 0 ? ICON_KEYBOARD : ICON_NO_KEYBOARD);
}

void CQuorvelDlg::ShowGKeyBank(bool bankB) {
    gKeyBankB_ = bankB;
    if (map_ != nullptr) map_->ShowGKeyBank(bankB);
}

void CQuorvelDlg::EnableApply(bool enable) {
    settingsChanged_ = enable;
    if (buttons_ != nullptr) buttons_->EnableApply(enable);
}

void CQuorvelDlg::ShowMainWindow() {
    // A later copy started with this one may ask before the keyboard was looked for: whether
    // it is there is known with the device side's first report.
    if (!trayState_.Reported()) {
        openWhenReported_ = true;
        return;
    }
    if (!trayState_.KeyboardPresent()) {
        // Not waited for: a later copy handing over must not hang on an unanswered box.
        ShowTextMessageLater(nullptr, "MAIN_NO_DEVICE_PROMPT");
        return;
    }
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    showNormal();
    raise();
    activateWindow();
    ++openCount_;
}

// Boxes first: a box inside one of the dialogs runs a nested loop that must end before the
// dialog can close.
void CQuorvelDlg::CloseOpenWindows() {
    CloseOpenMessageBoxes();
    if (about_ != nullptr && about_->isVisible()) about_->reject();
    if (profileManager_ != nullptr) profileManager_->CloseIfOpen();
    if (programProfilesDlg_ != nullptr) programProfilesDlg_->CloseIfOpen();
    CloseKeyEditor();
}

bool CQuorvelDlg::KeyEditorOpen() const {
    return keyEditor_ != nullptr && keyEditor_->IsOpen();
}

void CQuorvelDlg::CloseKeyEditor() {
    if (keyEditor_ != nullptr) keyEditor_->CancelIfOpen();
}

void CQuorvelDlg::RequestExit() {
    if (!settingsChanged_) {
        ExitApplication();
        return;
    }
    switch (AskYesNoCancelText(this, EXIT_UNAPPLIED_TEXT)) {
        case YesNoCancel::YES:
            // A failed Apply has said why; the program stays so the changes are not lost.
            Apply([this](bool applied) {
                if (applied) ExitApplication();
            });
            break;
        case YesNoCancel::NO:
            ExitApplication();
            break;
        case YesNoCancel::CANCEL:
            break;
    }
}

void CQuorvelDlg::ExitApplication() {
    // A question of the exit route may still be open when "/Kill" ends the program.
    if (exiting_) return;
    exiting_ = true;
    hide();
    CloseOpenWindows();
    instance_.Release();
    tray_.Remove();
    trayState_.Removed();
    ready_ = false;
    // Workers still waiting for the window are let go first; then the running keyboard job
    // ends before anything it uses is freed, and the link stops its own workers afterwards.
    port_.Shutdown();
    jobs_.Shutdown();
    EnableApply(false);
    *ProfileWorkingSet::Instance().Lock() = FreshWorkingSetData();
    *DeviceSnapshot::Instance().Take() = WorkingSetData{};
    done(QDialog::Rejected);
}

void CQuorvelDlg::paintEvent(QPaintEvent* event) {
    if (pendingHides_ > 0) {
        --pendingHides_;
        QMetaObject::invokeMethod(this, &QWidget::hide, Qt::QueuedConnection);
        return;
    }
    CBaseDialog::paintEvent(event);
}

void CQuorvelDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            // Never reach OK or Cancel from the keyboard.
            event->accept();
            return;
        case Qt::Key_F1:
            OpenHelp();
            event->accept();
            return;
        default:
            CBaseDialog::keyPressEvent(event);
    }
}

void CQuorvelDlg::closeEvent(QCloseEvent* event) {
    // Closing the window only hides it; the program ends through the exit commands.
    event->ignore();
    HideMainWindow();
}

void CQuorvelDlg::reject() {
    HideMainWindow();
}

}  // namespace quorvel
