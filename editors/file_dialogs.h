#pragma once
// The file dialogs of the profile files (export, import, the profile manager's Add and Load),
// with a seam through which tests answer them without a window.
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "device/profile_files.h"

class QWidget;

namespace quorvel {

inline constexpr const char* PROFILE_FILE_SUFFIX = "fwc";
inline constexpr const char* JSON_FILE_SUFFIX = "json";
// The filter "(*.fwc)|*.fwc|(*.*)|*.*||" in Qt's form.
inline constexpr const char* PROFILE_FILE_FILTER = "(*.fwc) (*.fwc);;(*.*) (*)";
// Name filters one by one, for the dialogs that offer the JSON document too.
inline constexpr const char* IMAGE_NAME_FILTER = "(*.fwc) (*.fwc)";
inline constexpr const char* JSON_NAME_FILTER = "JSON (*.json)";
inline constexpr const char* BOTH_NAME_FILTER = "(*.fwc *.json) (*.fwc *.json)";
inline constexpr const char* ALL_FILES_NAME_FILTER = "(*.*) (*)";

// Names the box the window shows when an export fails; its text is the Export item's caption
// and the one-line reason.
inline constexpr const char* EXPORT_FAILED_TEXT = "EXPORT_FAILED";

struct FileDialogRequest {
    bool save = false;       // a save dialog that asks before overwriting; else an open dialog
    QString proposedPath;    // folder and name the dialog starts with
    bool offerJson = false;  // the window's Export and Import: the JSON document as well

    // The name filters shown, the first one selected at the start.
    QStringList NameFilters() const;
};

// What the user chose in a dialog: the file as named and the name filter selected then (empty
// stands for the first of the request's filters).
struct FileDialogAnswer {
    // Implicit, so that a hook may answer with the file alone.
    FileDialogAnswer(QString chosenPath, QString chosenFilter = {})  // NOLINT
        : path(std::move(chosenPath)), nameFilter(std::move(chosenFilter)) {}
    QString path;
    QString nameFilter;
};

// The chosen file, or nothing when the user cancelled. A save dialog gives a name without an
// extension the profile file's.
std::optional<QString> AskProfileFileName(QWidget* parent, const FileDialogRequest& request);

struct ProfileFileChoice {
    QString path;
    ProfileFileFormat format = ProfileFileFormat::IMAGE;
};

// The format a saved file gets: a name ending in ".json" or ".fwc" (any case) is that format,
// whatever filter was selected; any other name takes the selected filter's format (the
// profile file's under "all files"), and a name without an extension its extension too.
ProfileFileChoice ResolveSaveChoice(const FileDialogAnswer& answer);

// The window's Export: a save dialog offering the profile file and the JSON document.
std::optional<ProfileFileChoice> AskExportFile(QWidget* parent, const QString& proposedPath);

// Test seam: while set, the hook answers every request instead of a dialog.
using FileDialogHook = std::function<std::optional<FileDialogAnswer>(const FileDialogRequest&)>;
void SetFileDialogHook(FileDialogHook hook);

}  // namespace quorvel
