#pragma once
// Every message the program shows the user: a language text in a box with an empty caption.
// Questions are Yes/No with No preselected. Tests answer the next question and keep boxes off
// the screen through the seam below.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QWidget;

namespace quorvel {

// An OK box with the text of the language key; returns when the user has closed it.
void ShowTextMessage(QWidget* parent, std::string_view textKey);
// The same with a text made from the key's language text.
void ShowTextMessage(QWidget* parent, std::string_view textKey, std::string_view text);
// The same box without waiting for it to be closed.
void ShowTextMessageLater(QWidget* parent, std::string_view textKey);
// True for Yes.
bool AskYesNoText(QWidget* parent, std::string_view textKey);

enum class YesNoCancel { YES, NO, CANCEL };
// A question with Cancel preselected; closing the box counts as Cancel.
YesNoCancel AskYesNoCancelText(QWidget* parent, std::string_view textKey);

// Closes every box still open as if the user had dismissed it (No for questions).
void CloseOpenMessageBoxes();

// Test seam. While boxes are suppressed, nothing is shown: the keys are recorded and questions
// get the next answer set (No when none is set). An answer set without suppression is used
// for the next question instead of asking.
void SetMessageBoxesSuppressed(bool suppressed);
void SetNextYesNoAnswer(std::optional<bool> answer);
// The same for Yes/No/Cancel questions; Cancel when none is set.
void SetNextYesNoCancelAnswer(std::optional<YesNoCancel> answer);
std::vector<std::string> TakeShownMessageKeys();

}  // namespace quorvel
