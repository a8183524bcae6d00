// The shipped language file: complete in both languages, every value fits its slot, and the
// placeholders that the program fills in survive translation.
#include "app/language_file.h"

#include <gtest/gtest.h>

#include <QString>
#include <QTemporaryDir>
#include <regex>

#include "base/texts.h"

namespace quorvel {
namespace {

std::vector<std::string> Placeholders(const std::string& text) {
    static const std::regex placeholder("%[0-9]*[a-z]");
    std::vector<std::string> found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), placeholder);
         it != std::sregex_iterator(); ++it) {
        found.push_back(it->str());
    }
    return found;
}

size_t Utf16Units(const std::string& utf8) {
    return QString::fromStdString(utf8).size();
}

const LanguageKeyInfo* InfoFor(std::string_view key) {
    for (auto keys : {SlotTextKeys(), DirectTextKeys()}) {
        for (const LanguageKeyInfo& info : keys) {
            if (info.key == key) return &info;
        }
    }
    return nullptr;
}

TEST(LanguageFile, HasEveryKeyInBothSectionsFittingItsSlotWithItsPlaceholders) {
    IniFile file(QUORVEL_SOURCE_LANGUAGE_FILE);
    for (std::string_view section : {ENGLISH_SECTION, CHINESE_SECTION}) {
        for (std::string_view key : AllLanguageKeys()) {
            SCOPED_TRACE(std::string(section) + " " + std::string(key));
            ASSERT_TRUE(file.HasKey(section, key));
            std::string value = file.ReadString(section, key);
            EXPECT_FALSE(value.empty());
            const LanguageKeyInfo* info = InfoFor(key);
            ASSERT_NE(info, nullptr);
            EXPECT_LE(Utf16Units(value), info->capacity);
            if (!info->builtIn.empty()) {
                EXPECT_EQ(Placeholders(value), Placeholders(std::string(info->builtIn)));
            }
            EXPECT_EQ(value.find("ello world"), std::string::npos);
        }
    }
}

TEST(LanguageFile, KeepsTrailingBlanksOfTheQuotedTexts) {
    IniFile file(QUORVEL_SOURCE_LANGUAGE_FILE);
    EXPECT_EQ(file.ReadString(ENGLISH_SECTION, "MACRO_ERR_MAX").back(), ' ');
    EXPECT_EQ(file.ReadString(CHINESE_SECTION, "MAIN_NO_DEVICE_PROMPT").back(), ' ');
    EXPECT_EQ(file.ReadString(ENGLISH_SECTION, "PROFILE_TIP"), "Current profile: ");
}

TEST(LanguageFile, RecordDelayOptionNameDoesNotDependOnTheLanguage) {
    // The text names a stored per-user value: a translation would lose the option.
    IniFile file(QUORVEL_SOURCE_LANGUAGE_FILE);
    EXPECT_EQ(file.ReadString(ENGLISH_SECTION, "MACRO_ACTION_RECORD_DELAY"),
              file.ReadString(CHINESE_SECTION, "MACRO_ACTION_RECORD_DELAY"));
}

TEST(LightingLabels, ComeFromTheSectionOfTheLanguageValue) {
    QTemporaryDir dir;
    std::string path = dir.filePath("Main.ini").toStdString();
    IniFile skin(path);
    ASSERT_TRUE(skin.WriteString("Control_Name", "Usb", "回报率"));
    ASSERT_TRUE(skin.WriteString("Control_Name1", "Usb", "Report Rate"));
    ASSERT_TRUE(skin.WriteString("Control_Name1", "Deng", "Lighting"));

    auto chinese = ReadLightingLabels(skin, 0);
    ASSERT_TRUE(chinese);
    EXPECT_EQ(LightingLabel(*chinese, "Usb"), "回报率");
    EXPECT_EQ(LightingLabel(*chinese, "Deng"), "");  // missing keys give empty labels
    auto english = ReadLightingLabels(skin, 1);
    ASSERT_TRUE(english);
    EXPECT_EQ(LightingLabel(*english, "Usb"), "Report Rate");
    EXPECT_EQ(LightingLabel(*english, "Deng"), "Lighting");
    EXPECT_FALSE(ReadLightingLabels(skin, 2));  // labels stay as they are
}

}  // namespace
}  // namespace quorvel
