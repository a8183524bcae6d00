#pragma once
// The file dialogs of the profile files (export, import, the profile manager's Add and Load),
// with a seam through which tests answer them without a window.
#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace quorvel {

inline constexpr const char* PROFILE_FILE_SUFFIX = "fwc";
// The filter "(*.fwc)|*.fwc|(*.*)|*.*||" in Qt's form.
inline constexpr const char* PROFILE_FILE_FILTER = "(*.fwc) (*.fwc);;(*.*) (*)";

struct FileDialogRequest {
    bool save = false;     // a save dialog that asks before overwriting; else an open dialog
    QString proposedPath;  // folder and name the dialog starts with
};

// The chosen file, or nothing when the user cancelled.
std::optional<QString> AskProfileFileName(QWidget* parent, const FileDialogRequest& request);

// Test seam: while set, the hook answers every request instead of a dialog.
using FileDialogHook = std::function<std::optional<QString>(const FileDialogRequest&)>;
void SetFileDialogHook(FileDialogHook hook);

}  // namespace quorvel
