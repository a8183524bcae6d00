#pragma once
// Qt's own texts (the buttons of message boxes and questions, the file dialog) in the language
// of the program's texts, from the Qt translations Debian ships (qt6-translations-l10n). Where
// they are not installed, Qt's texts stay English.
namespace quorvel {

class IniFile;

// Follows the language file's "language" value, as the text slots do, so that a box's buttons
// speak the language of its text. Call after LoadTexts; UI thread.
void UseQtTextsOf(const IniFile& languageFile);

}  // namespace quorvel
