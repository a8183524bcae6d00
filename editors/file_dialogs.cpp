#include "editors/file_dialogs.h"

#include <QFileDialog>
#include <QFileInfo>

namespace quorvel {
namespace {

FileDialogHook& Hook() {
    static FileDialogHook hook;
    return hook;
}

const char* SuffixOf(ProfileFileFormat format) {
    return format == ProfileFileFormat::JSON ? JSON_FILE_SUFFIX : PROFILE_FILE_SUFFIX;
}

ProfileFileFormat FormatOfFilter(const QString& nameFilter) {
    return nameFilter == JSON_NAME_FILTER ? ProfileFileFormat::JSON : ProfileFileFormat::IMAGE;
}

std::optional<FileDialogAnswer> Ask(QWidget* parent, const FileDialogRequest& request) {
    if (Hook()) return Hook()(request);
    QFileDialog dialog(parent, QString(), request.proposedPath);
    dialog.setNameFilters(request.NameFilters());
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(PROFILE_FILE_SUFFIX);
    // The overwrite question must be about the file that will be written, so a name typed
    // without an extension takes the one of the filter selected.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& f) {
        dialog.setDefaultSuffix(SuffixOf(FormatOfFilter(f)));
    });
    // Read-only files are not offered; saving over an existing file is asked about.
    dialog.setFilter(dialog.filter() | QDir::Writable);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return FileDialogAnswer(dialog.selectedFiles().first(), dialog.selectedNameFilter());
}

}  // namespace

QStringList FileDialogRequest::NameFilters() const {
    if (!offerJson) return QString(PROFILE_FILE_FILTER).split(";;");
    if (save) return {IMAGE_NAME_FILTER, JSON_NAME_FILTER, ALL_FILES_NAME_FILTER};
    return {BOTH_NAME_FILTER, IMAGE_NAME_FILTER, JSON_NAME_FILTER, ALL_FILES_NAME_FILTER};
}

std::optional<QString> AskProfileFileName(QWidget* parent, const FileDialogRequest& request) {
    std::optional<FileDialogAnswer> answer = Ask(parent, request);
    if (!answer) return std::nullopt;
    return answer->path;
}

ProfileFileChoice ResolveSaveChoice(const FileDialogAnswer& answer) {
    const QString suffix = QFileInfo(answer.path).suffix();
    if (suffix.compare(JSON_FILE_SUFFIX, Qt::CaseInsensitive) == 0)
        return {answer.path, ProfileFileFormat::JSON};
    if (suffix.compare(PROFILE_FILE_SUFFIX, Qt::CaseInsensitive) == 0)
        return {answer.path, ProfileFileFormat::IMAGE};
    const ProfileFileFormat format = FormatOfFilter(answer.nameFilter);
    if (!suffix.isEmpty()) return {answer.path, format};
    // "name." already has its dot.
    const QString dot = answer.path.endsWith('.') ? QString() : QStringLiteral(".");
    return {answer.path + dot + SuffixOf(format), format};
}

std::optional<ProfileFileChoice> AskExportFile(QWidget* parent, const QString& proposedPath) {
    FileDialogRequest request;
    request.save = true;
    request.offerJson = true;
    request.proposedPath = proposedPath;
    std::optional<FileDialogAnswer> answer = Ask(parent, request);
    if (!answer) return std::nullopt;
    return ResolveSaveChoice(*answer);
}

void SetFileDialogHook(FileDialogHook hook) {
    Hook() = std::move(hook);
}

}  // namespace quorvel
