// The window's menus: the main pop-up menu (import, export, about, the two languages, checking
// the keyboard, writing everything, the program profiles, start with the desktop, exit), the
// quick-switch menu of the on-board profiles, and the file dialogs of import and export in both
// file formats.
#include <QCoreApplication>
#include <QCursor>
#include <QMenu>
#include <QSignalBlocker>
#include <atomic>
#include <memory>
#include <string>
#include <utility>

#include "app/autostart.h"
#include "app/counting_port.h"
#include "app/language_file.h"
#include "app/lighting_view.h"
#include "app/message_boxes.h"
#include "app/profile_bar.h"
#include "app/quorvel_dlg.h"
#include "base/texts.h"
#include "device/device_link.h"
#include "device/device_snapshot.h"
#include "device/keyboard_check.h"
#include "device/profile_files.h"
#include "device/profile_transfer.h"
#include "device/result_codes.h"
#include "editors/file_dialogs.h"
#include "model/profile_store.h"

namespace quorvel {
namespace {

QString ProfileFilePattern() {
    EnsureDataFolder();
    return QString::fromStdString(DataFolder()) + "/*." + PROFILE_FILE_SUFFIX;
}

}  // namespace

void CQuorvelDlg::ShowMainMenu() {
    IniFile language = OpenLanguageFile(paths_);
    mainMenu_ = std::make_unique<QMenu>();
    mainMenu_->setObjectName("MAIN_MENU");
    auto add = [&](std::string_view key, int command) {
        QAction* action =
            mainMenu_->addAction(QString::fromStdString(ReadDirectText(language, key)));
        action->setData(command);
        connect(action, &QAction::triggered, this, [this, command] { RunCommand(command); });
    };
    add("MENU_1", COMMAND_IMPORT);
    add("MENU_2", COMMAND_EXPORT);
    add("MENU_3", COMMAND_ABOUT);
    add("CHINESE_5", COMMAND_CHINESE);
    add("ENGINSH_6", COMMAND_ENGLISH);
    mainMenu_->addSeparator();
    for (auto [key, run] : {std::pair{"MENU_CHECK_KEYBOARD", &CQuorvelDlg::CheckKeyboard},
                            std::pair{"MENU_WRITE_EVERYTHING", &CQuorvelDlg::WriteEverything},
                            std::pair{"MENU_APP_PROFILES", &CQuorvelDlg::OpenProgramProfiles}}) {
        QAction* action =
            mainMenu_->addAction(QString::fromStdString(ReadDirectText(language, key)));
        action->setObjectName(key);
        connect(action, &QAction::triggered, this, [this, run = run] { (this->*run)(); });
    }

    // The menu is made anew each time it opens, so the check shows the entry as it is now,
    // whoever changed it since.
    const QString autostartCaption =
        QString::fromStdString(ReadDirectText(language, "MENU_AUTOSTART"));
    mainMenu_->addSeparator();
    QAction* autostart = mainMenu_->addAction(autostartCaption);
    autostart->setObjectName("MENU_AUTOSTART");
    autostart->setCheckable(true);
    autostart->setChecked(IsAutostartEnabled());
    connect(autostart, &QAction::toggled, this, [this, autostart, autostartCaption](bool on) {
        QString error;
        const bool done = on ? EnableAutostart(QString::fromStdString(paths_.programDir),
                                               QCoreApplication::applicationFilePath(), &error)
                             : DisableAutostart(&error);
        if (done) return;
        {
            const QSignalBlocker quiet(autostart);
            autostart->setChecked(IsAutostartEnabled());
        }
        ShowTextMessage(this, "MENU_AUTOSTART", (autostartCaption + ": " + error).toStdString());
    });
    // The notification-area menu's Exit, for desktops without one.
    mainMenu_->addSeparator();
    add("MENU_33", COMMAND_EXIT);
    mainMenu_->popup(QCursor::pos());
}

void CQuorvelDlg::ShowQuickSwitchMenu() {
    raise();
    activateWindow();
    profileBar_->ProfileMenu().popup(QCursor::pos());
}

void CQuorvelDlg::ExportProfileFile() {
    if (RefusedWhileBusy([this] { ExportProfileFile(); })) return;
    const std::optional<ProfileFileChoice> choice = AskExportFile(this, ProfileFilePattern());
    if (!choice) return;
    auto failure = std::make_shared<std::string>();
    jobs_.Run(
        "export",
        [this, failure, file = choice->path.toStdString(),
         format = choice->format](const KeyboardJobs::Report&) {
            ProfileFileResult result = quorvel::ExportProfileFile(
                link_, ProfileWorkingSet::Instance(), paths_, file, format);
            *failure = std::move(result.message);
            return result.ok ? 1 : 0;
        },
        [this, failure](int result) {
            if (result == 1) return;
            const std::string caption = ReadDirectText(OpenLanguageFile(paths_), "MENU_2");
            ShowTextMessage(this, EXPORT_FAILED_TEXT, caption + ": " + *failure);
        });
}

void CQuorvelDlg::ImportProfileFile() {
    if (RefusedWhileBusy([this] { ImportProfileFile(); })) return;
    FileDialogRequest request;
    request.offerJson = true;
    request.proposedPath = ProfileFilePattern();
    const std::optional<QString> path = AskProfileFileName(this, request);
    if (!path) return;
    // The content decides, so a document saved under any name is read as what it is.
    const bool json = DetectProfileFileFormat(path->toStdString()) == ProfileFileFormat::JSON;
    auto shown = std::make_shared<std::atomic<int>>(0);
    auto reason = std::make_shared<std::string>();
    jobs_.Run(
        "import",
        [this, shown, reason, json,
         file = path->toStdString()](const KeyboardJobs::Report& report) {
            MessageCountingPort port(port_, *shown);
            if (!json)
                return int(OutcomeOf(ImportProfile(link_, port, ProfileWorkingSet::Instance(),
                                                   DeviceSnapshot::Instance(), file, report)));
            JsonImportResult result =
                ImportProfileJson(link_, port, ProfileWorkingSet::Instance(),
                                  DeviceSnapshot::Instance(), paths_, file, report);
            *reason = result.error.Text();
            return int(result.outcome);
        },
        [this, shown, reason, json, file = *path](int result) {
            const auto outcome = ProfileImportOutcome(result);
            if (outcome == ProfileImportOutcome::REFUSED) {
                // A profile image's check has said why; a document's refusal names the value.
                if (json)
                    ShowTextMessage(
                        this, IMPORT_FAILED_TEXT,
                        Text(IMPORT_FAILED_TEXT) + "\n" + file.toStdString() + ": " + *reason);
                return;
            }
            if (outcome == ProfileImportOutcome::NOT_STARTED ||
                outcome == ProfileImportOutcome::FILES_NOT_REPLACED) {
                // Nothing was touched: the keys, the lighting and Apply stay as they were.
                const std::string_view key = outcome == ProfileImportOutcome::NOT_STARTED
                                                 ? IMPORT_NOT_STARTED_TEXT
                                                 : IMPORT_FILES_NOT_REPLACED_TEXT;
                ShowTextMessage(this, key, Text(key) + "\n" + *reason);
                return;
            }
            RefreshAllKeys();
            // A document also carries the lighting of the three profiles, and either kind may
            // have rewritten the user colour files the panel's user modes come from.
            if (lighting_ != nullptr) lighting_->ReloadLightingAndUserModes();
            // The working set holds the file either way; only a whole keyboard write makes
            // it applied.
            EnableApply(outcome != ProfileImportOutcome::IMPORTED);
            if (outcome != ProfileImportOutcome::NOT_WRITTEN) return;
            if (json)
                ShowTextMessage(this, APPLY_FAILED_TEXT, Text(APPLY_FAILED_TEXT) + "\n" + *reason);
            else if (shown->load() == 0)
                ShowTextMessage(this, APPLY_FAILED_TEXT);
        });
}

void CQuorvelDlg::CheckKeyboard() {
    if (RefusedWhileBusy()) return;
    auto text = std::make_shared<std::string>();
    jobs_.Run(
        "check",
        [this, text](const KeyboardJobs::Report&) {
            const KeyboardCheck check = CheckKeyboardAgainstFiles(link_);
            if (check.result != CMD_OK) {
                *text = Text("CHECK_KEYBOARD_FAILED");
                return 0;
            }
            *text =
                Text(check.differences.empty() ? "CHECK_KEYBOARD_SAME" : "CHECK_KEYBOARD_DIFFERS");
            for (const AreaDifference& d : check.differences)
                *text += "\n" + d.AreaName() +
                         (d.profile >= 0 ? " " + std::to_string(d.profile + 1) : std::string()) +
                         ": " + std::to_string(d.offset);
            return check.differences.empty() ? 1 : 0;
        },
        [this, text](int) { ShowTextMessage(this, "MENU_CHECK_KEYBOARD", *text); });
}

void CQuorvelDlg::WriteEverything() {
    if (RefusedWhileBusy()) return;
    jobs_.Run(
        "apply",
        [this](const KeyboardJobs::Report& report) {
            // For a keyboard other software changed: nothing known of it is trusted.
            link_.SetTrustPicture(false);
            const ApplyResult result = ApplyWorkingSet(link_, port_, ProfileWorkingSet::Instance(),
                                                       DeviceSnapshot::Instance(), report);
            link_.SetTrustPicture(true);
            return result.written;
        },
        [this](int written) {
            if (written == 1) {
                EnableApply(false);
            } else {
                ShowTextMessage(this, APPLY_FAILED_TEXT);
            }
        });
}

}  // namespace quorvel
