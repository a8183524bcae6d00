#include "app/language_file.h"

#include "base/texts.h"

namespace quorvel {

IniFile OpenLanguageFile(const ProgramPaths& paths) {
    return IniFile(ReadPathFor(paths, LANGUAGE_FILE));
}

int FileLanguageValue(const IniFile& languageFile) {
    return languageFile.ReadInt(LANGUAGE_SECTION, LANGUAGE_KEY, 0);
}

bool StoreLanguageChoice(const ProgramPaths& paths, int language) {
    std::optional<std::string> path = WritePathFor(paths, LANGUAGE_FILE, true);
    if (!path) return false;
    IniFile file(*path);
    return file.WriteString(LANGUAGE_SECTION, LANGUAGE_KEY, std::to_string(language));
}

std::optional<LightingLabels> ReadLightingLabels(const IniFile& mainSkin, int languageValue) {
    std::string_view section;
    if (languageValue == 0) {
        section = "Control_Name";
    } else if (languageValue == 1) {
        section = "Control_Name1";
    } else {
        return std::nullopt;
    }
    LightingLabels labels;
    for (size_t i = 0; i < LIGHTING_LABEL_KEYS.size(); ++i) {
        labels[i] = mainSkin.ReadString(section, LIGHTING_LABEL_KEYS[i]);
    }
    return labels;
}

std::string LightingLabel(const LightingLabels& labels, std::string_view key) {
    for (size_t i = 0; i < LIGHTING_LABEL_KEYS.size(); ++i) {
        if (LIGHTING_LABEL_KEYS[i] == key) return labels[i];
    }
    return {};
}

}  // namespace quorvel
