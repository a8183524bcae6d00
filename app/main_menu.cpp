// The window's menus: the main pop-up menu (import, export, about, the two languages), the
// quick-switch menu of the on-board profiles, and the file dialogs of import and export.
#include <QCursor>
#include <QMenu>
#include <atomic>
#include <memory>

#include "app/counting_port.h"
#include "app/language_file.h"
#include "app/message_boxes.h"
#include "app/profile_bar.h"
#include "app/quorvel_dlg.h"
#include "base/texts.h"
#include "device/device_snapshot.h"
#include "device/profile_transfer.h"
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
    mainMenu_->popup(QCursor::pos());
}

void CQuorvelDlg::ShowQuickSwitchMenu() {
    raise();
    activateWindow();
    profileBar_->ProfileMenu().popup(QCursor::pos());
}

void CQuorvelDlg::ExportProfileFile() {
    if (RefuseWhileBusy()) return;
    FileDialogRequest request;
    request.save = true;
    request.proposedPath = ProfileFilePattern();
    const std::optional<QString> path = AskProfileFileName(this, request);
    if (!path) return;
    jobs_.Run("export", [file = path->toStdString()](const KeyboardJobs::Report&) {
        return ExportProfile(ProfileWorkingSet::Instance(), file) ? 1 : 0;
    });
}

void CQuorvelDlg::ImportProfileFile() {
    if (RefuseWhileBusy()) return;
    FileDialogRequest request;
    request.proposedPath = ProfileFilePattern();
    const std::optional<QString> path = AskProfileFileName(this, request);
    if (!path) return;
    auto shown = std::make_shared<std::atomic<int>>(0);
    jobs_.Run(
        "import",
        [this, shown, file = path->toStdString()](const KeyboardJobs::Report& report) {
            MessageCountingPort port(port_, *shown);
            return int(ImportProfile(link_, port, ProfileWorkingSet::Instance(),
                                     DeviceSnapshot::Instance(), file, report));
        },
        [this, shown](int result) {
            const auto imported = ImportResult(result);
            if (imported == ImportResult::REJECTED) return;
            RefreshAllKeys();
            // The working set holds the file either way; only a whole keyboard write makes
            // it applied.
            EnableApply(imported != ImportResult::IMPORTED);
            if (imported == ImportResult::NOT_WRITTEN && shown->load() == 0)
                ShowTextMessage(this, APPLY_FAILED_TEXT);
        });
}

}  // namespace quorvel
