#include "editors/file_dialogs.h"

#include <QFileDialog>

namespace quorvel {
namespace {

FileDialogHook& Hook() {
    static FileDialogHook hook;
    return hook;
}

}  // namespace

std::optional<QString> AskProfileFileName(QWidget* parent, const FileDialogRequest& request) {
    if (Hook()) return Hook()(request);
    QFileDialog dialog(parent, QString(), request.proposedPath, PROFILE_FILE_FILTER);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(PROFILE_FILE_SUFFIX);
    // Read-only files are not offered; saving over an existing file is asked about.
    dialog.setFilter(dialog.filter() | QDir::Writable);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first();
}

void SetFileDialogHook(FileDialogHook hook) {
    Hook() = std::move(hook);
}

}  // namespace quorvel
