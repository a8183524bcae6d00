#pragma once
// The language file "Skins/language.ini" beside the program, and the lighting labels that come
// from the main skin file in the language the language file names.
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "base/ini_file.h"
#include "model/program_paths.h"

namespace quorvel {

inline constexpr const char* LANGUAGE_FILE = "Skins/language.ini";

IniFile OpenLanguageFile(const ProgramPaths& paths);

// The file's "language" value as the loader reads it (missing or not a number: 0).
int FileLanguageValue(const IniFile& languageFile);

// Stores the choice in the per-user copy of the file, made from the program folder's at the
// first choice.
// False when it could not be written; the caller keeps the choice for this run anyway.
bool StoreLanguageChoice(const ProgramPaths& paths, int language);

// The lighting panel's labels, by skin key, in the order the skin lists them.
inline constexpr std::array<std::string_view, 11> LIGHTING_LABEL_KEYS{
    "Usb", "Deng", "Light", "FX", "Speed", "Color", "JColor", "DC", "Tool", "Settings", "Button"};
using LightingLabels = std::array<std::string, LIGHTING_LABEL_KEYS.size()>;

// Section "Control_Name" for language value 0, "Control_Name1" for 1; any other value leaves the
// labels as they are (nullopt). Missing keys give empty labels.
std::optional<LightingLabels> ReadLightingLabels(const IniFile& mainSkin, int languageValue);

// The label of one key out of a set read above; empty for an unknown key.
std::string LightingLabel(const LightingLabels& labels, std::string_view key);

}  // namespace quorvel
