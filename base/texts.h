#pragma once
// Process-wide language text slots. Every visible text is named by its language key and starts
// with a built-in text; LoadTexts overwrites the slots from the language file.
//
// Texts are UTF-8. A slot holds a fixed number of UTF-16 code units (107 for most keys, fewer
// for the firmware update texts); longer values are cut to fit, never splitting a surrogate
// pair. Slots are filled from the UI thread and may be read from any thread.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

class IniFile;

// Section and key names of the language file. "ENGINSH" is spelled so in every shipped file.
inline constexpr std::string_view LANGUAGE_SECTION = "LANGUAGE";
inline constexpr std::string_view LANGUAGE_KEY = "language";
inline constexpr std::string_view CHINESE_SECTION = "CHINESE";
inline constexpr std::string_view ENGLISH_SECTION = "ENGINSH";

inline constexpr std::size_t TEXT_SLOT_UNITS = 107;

// Which value decides between the two sections. The text slots, the tray menu and the composite
// dialog follow the file's "language" value alone; the main window captions, the main pop-up
// menu and the about box also follow the current language of this run.
enum class LanguageRule { FILE_VALUE, FILE_OR_CURRENT };

struct LanguageKeyInfo {
    std::string_view key;
    std::string_view builtIn;  // empty where the readers start with no text
    std::size_t capacity;      // UTF-16 code units, terminator not counted
    LanguageRule rule;
};

// The current text of a language key, as UTF-8. An unknown key gives an empty text.
std::string Text(std::string_view key);

// Fills every slot from the section the file's "language" value selects. A key missing from
// that section (or a missing file) leaves its slot empty, not with the built-in text.
void LoadTexts(const IniFile& languageFile);

// Puts every slot back to its built-in text.
void ResetTextsToBuiltIn();

// The language chosen in this run: 0 Chinese (the value at start), 1 English.
int16_t CurrentLanguage();
void SetCurrentLanguage(int16_t language);

// True when the file's "language" value is 1 (missing or not a number counts as 0), or, under
// FILE_OR_CURRENT, when the current language is 1.
bool IsEnglish(const IniFile& languageFile, LanguageRule rule = LanguageRule::FILE_OR_CURRENT);

// The texts that their windows read from the language file each time they need them (menus,
// main window captions, about box, composite dialog) instead of from a slot: the value from the
// section the key's rule selects, empty when missing, cut to the key's capacity. An unknown key
// gives an empty text.
std::string ReadDirectText(const IniFile& languageFile, std::string_view key);

// Keys held in slots, in loading order, and keys read directly. A few keys are in both lists
// (the main window tooltips are kept in slots and also read again with the captions).
std::span<const LanguageKeyInfo> SlotTextKeys();
std::span<const LanguageKeyInfo> DirectTextKeys();
// Every key the language file should have, each once.
std::vector<std::string_view> AllLanguageKeys();

}  // namespace quorvel
