// The command router: every button, menu item and tray command of the window by its number,
// and the help page, link and about box they open.
#include <QDesktopServices>
#include <QUrl>
#include <algorithm>

#include "app/about_dialog.h"
#include "app/app_profile_switcher.h"
#include "app/help_page.h"
#include "app/keyboard_map.h"
#include "app/lighting_panel.h"
#include "app/profile_bar.h"
#include "app/program_profiles_dialog.h"
#include "app/quorvel_dlg.h"
#include "app/window_buttons.h"
#include "model/profile_store.h"

namespace quorvel {
namespace {

QString PathBesideProgram(const ProgramPaths& paths, const std::string& relative) {
    return QString::fromStdString(ReadPathFor(paths, relative));
}

}  // namespace

void CQuorvelDlg::RunCommand(int command) {
    switch (command) {
        case COMMAND_OK:
            Apply();
            HideMainWindow();
            break;
        case COMMAND_APPLY:
            Apply();
            break;
        case COMMAND_CANCEL:
            HideMainWindow();
            break;
        case COMMAND_HELP:
            OpenHelp();
            break;
        case COMMAND_MINIMIZE:
            showMinimized();
            break;
        case COMMAND_MENU:
            ShowMainMenu();
            break;
        case COMMAND_LINK:
            OpenLink();
            break;
        case COMMAND_OPEN:
            ShowMainWindow();
            break;
        case COMMAND_ABOUT:
            OpenAbout();
            break;
        case COMMAND_CLOSE:
        case COMMAND_EXIT:
        case COMMAND_EXIT_ALSO:
            RequestExit();
            break;
        case COMMAND_CHINESE:
            SwitchLanguage(0);
            break;
        case COMMAND_ENGLISH:
            SwitchLanguage(1);
            break;
        case COMMAND_IMPORT:
            ImportProfileFile();
            break;
        case COMMAND_EXPORT:
            ExportProfileFile();
            break;
        case CONTROL_PROFILE_1:
        case CONTROL_PROFILE_1 + 1:
        case CONTROL_PROFILE_1 + 2:
            SelectProfile(command - CONTROL_PROFILE_1);
            break;
        case CONTROL_PROFILES:
            OpenProfileManager();
            break;
        case COMMAND_QUICK_SWITCH_MENU:
            ShowQuickSwitchMenu();
            break;
        case CONTROL_MACRO:
            // Macro stands for a click on G9.
            if (map_ != nullptr) map_->OnKeyClicked(CONTROL_G9);
            break;
        case CONTROL_DEFAULT:
            // The lighting panel asks, resets the keys through the map and then applies.
            if (!RefusedWhileBusy() && lightingPanel_ != nullptr) lightingPanel_->RestoreDefaults();
            break;
        default: {
            const auto rate =
                std::find(REPORT_RATE_CONTROLS.begin(), REPORT_RATE_CONTROLS.end(), command);
            if (rate != REPORT_RATE_CONTROLS.end()) {
                SetReportRate(int(rate - REPORT_RATE_CONTROLS.begin()));
            } else if (command >= COMMAND_QUICK_SWITCH_DEFAULT &&
                       command <= COMMAND_QUICK_SWITCH_LAST) {
                // Item c switches to profile c - 9001; the default item asks for -1.
                profileManager_->SwitchProfile(command - COMMAND_QUICK_SWITCH_DEFAULT - 1);
            }
            break;
        }
    }
}

// A link without a scheme names a file relative to the program folder.
void CQuorvelDlg::OpenLink() {
    const QUrl url(linkAddress_);
    if (!url.scheme().isEmpty()) {
        QDesktopServices::openUrl(url);
        return;
    }
    QDesktopServices::openUrl(
        QUrl::fromLocalFile(PathBesideProgram(paths_, linkAddress_.toStdString())));
}

void CQuorvelDlg::OpenHelp() {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(HelpPagePath(paths_))));
}

void CQuorvelDlg::OpenProgramProfiles() {
    QString error;
    if (!programProfilesDlg_->Open(&error)) {
        qWarning("quorvel: the program profiles cannot be shown: %s", qPrintable(error));
        return;
    }
    programProfiles_->ReloadRules();
}

void CQuorvelDlg::OpenAbout() {
    if (about_ == nullptr) about_ = new CAboutDlg(paths_, this);
    about_->ShowTexts();
}

}  // namespace quorvel
