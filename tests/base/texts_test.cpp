#include "base/texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "base/ini_file.h"
#include "tests/base/temp_dir.h"

namespace quorvel {
namespace {

using testing::TempDir;
using testing::WriteWholeFile;

const std::string EMOJI = "\xF0\x9F\x98\x80";  // one character, two UTF-16 units

class TextsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetTextsToBuiltIn();
        SetCurrentLanguage(0);
    }
    void TearDown() override { SetUp(); }

    IniFile LanguageFile(const std::string& text) {
        WriteWholeFile(path, text);
        return IniFile(path);
    }

    TempDir dir;
    std::string path = dir.File("language.ini");
};

TEST_F(TextsTest, BuiltInTextsKeepTheirEscapesAndBlanks) {
    EXPECT_EQ(Text("MACRO_ERR_SAME"), "Same macro name!   ");
    EXPECT_EQ(Text("EXTRA_MACRO_TOO_LONG"),
              "Macro space exceeds the hardware space.\r\n Please reduce the number of macros or "
              "macro action number，and then download.");
    EXPECT_EQ(Text("MACRO_DELETE_CONFIRM_OF_KEYS"),
              "Detect some key points to set this macro, \n  really need to remove this macro?  ");
    EXPECT_EQ(Text("MAIN_UPDATE_BACKUP_NG"), "备份失败,请重新备份!");
    EXPECT_EQ(Text("MAIN_BUTTON_ZELTRA_VER"), "");
    EXPECT_EQ(Text("NO_SUCH_KEY"), "");
}

TEST_F(TextsTest, LanguageValueChoosesTheSection) {
    struct Case {
        const char* languageLines;
        const char* expected;
    };
    for (const Case& c :
         {Case{"[LANGUAGE]\nlanguage=1\n", "Open"}, Case{"[language]\nLANGUAGE = 1\n", "Open"},
          Case{"[LANGUAGE]\nlanguage=2\n", "打开"}, Case{"[LANGUAGE]\nlanguage=0\n", "打开"},
          Case{"[LANGUAGE]\nlanguage=english\n", "打开"}, Case{"", "打开"}}) {
        SCOPED_TRACE(c.languageLines);
        LoadTexts(LanguageFile(std::string(c.languageLines) +
                               "[CHINESE]\nFUNC_KEY_DESC1=打开\n[ENGINSH]\nFUNC_KEY_DESC1=Open\n"));
        EXPECT_EQ(Text("FUNC_KEY_DESC1"), c.expected);
    }
}

TEST_F(TextsTest, KeyMissingFromTheChosenSectionIsEmpty) {
    SetCurrentLanguage(1);  // the loader looks only at the file
    LoadTexts(
        LanguageFile("[LANGUAGE]\nlanguage=0\n[CHINESE]\nFUNC_KEY_DESC1=打开\n"
                     "[ENGINSH]\nFUNC_KEY_DESC1=Open\nFUNC_KEY_DESC2=New\n"));
    EXPECT_EQ(Text("FUNC_KEY_DESC1"), "打开");
    EXPECT_EQ(Text("FUNC_KEY_DESC2"), "");

    LoadTexts(IniFile(dir.File("absent.ini")));
    EXPECT_EQ(Text("MAIN_CAPTION"), "");
    ResetTextsToBuiltIn();
    EXPECT_EQ(Text("MAIN_CAPTION"), "Gaming Keyboard Settings");
}

TEST_F(TextsTest, LongValuesAreCutToTheSlot) {
    const std::string a105(105, 'a');
    LoadTexts(LanguageFile(
        "[CHINESE]\nMAIN_CAPTION=" + std::string(200, 'c') + "\nMAIN_HELP_PROMPT=" + a105 + EMOJI +
        "\nMAIN_MENU_PROMPT=a" + a105 + EMOJI + "\nMAIN_UPDATE_BACKUP_OK=备份成功啦!" +
        "\nMAIN_UPDATE_BACKUP_NG=备份成" + EMOJI + "\nMAIN_SHELL_ERROR_TEXT=无法执行更新文件! \n"));
    EXPECT_EQ(Text("MAIN_CAPTION"), std::string(107, 'c'));
    EXPECT_EQ(Text("MAIN_HELP_PROMPT"), a105 + EMOJI);
    EXPECT_EQ(Text("MAIN_MENU_PROMPT"), "a" + a105);
    EXPECT_EQ(Text("MAIN_UPDATE_BACKUP_OK"), "备份成功啦");
    EXPECT_EQ(Text("MAIN_UPDATE_BACKUP_NG"), "备份成" + EMOJI);
    // Trailing blanks are trimmed on read, as by the profile functions.
    EXPECT_EQ(Text("MAIN_SHELL_ERROR_TEXT"), "无法执行更新文件!");
}

TEST_F(TextsTest, CutCountsUtf16Units) {
    struct Case {
        std::string text;
        size_t units;
        std::string expected;
    };
    for (const Case& c : {Case{"备份成功!", 5, "备份成功!"}, Case{"备份成功!", 4, "备份成功"},
                          Case{"ab" + EMOJI, 3, "ab"}, Case{"ab" + EMOJI, 4, "ab" + EMOJI},
                          Case{"a\xFF\xFE"
                               "b",
                               3, "a\xFF\xFE"},
                          Case{"", 0, ""}}) {
        EXPECT_EQ(CutToUtf16Units(c.text, c.units), c.expected) << c.text << " " << c.units;
    }
}

TEST_F(TextsTest, IsEnglishFollowsFileAndCurrentLanguage) {
    struct Case {
        const char* file;
        int16_t current;
        bool fileOnly;
        bool fileOrCurrent;
    };
    for (const Case& c : {Case{"[LANGUAGE]\nlanguage=1\n", 0, true, true},
                          Case{"[LANGUAGE]\nlanguage=1\n", 1, true, true},
                          Case{"[LANGUAGE]\nlanguage=0\n", 1, false, true},
                          Case{"[LANGUAGE]\nlanguage=2\n", 0, false, false},
                          Case{"", 1, false, true}, Case{"", 0, false, false}}) {
        SCOPED_TRACE(std::string(c.file) + " current " + std::to_string(c.current));
        const IniFile file = LanguageFile(c.file);
        SetCurrentLanguage(c.current);
        EXPECT_EQ(IsEnglish(file, LanguageRule::FILE_VALUE), c.fileOnly);
        EXPECT_EQ(IsEnglish(file), c.fileOrCurrent);
    }
}

TEST_F(TextsTest, DirectTextsFollowTheirReadersRule) {
    const IniFile file = LanguageFile(
        "[LANGUAGE]\nlanguage=0\n"
        "[CHINESE]\nMENU_1=导入\nMENU_11=打开(&O)\nSINGLE_KEY=单键\nPROFILE_1=情景一\n"
        "[ENGINSH]\nMENU_1=Import\nMENU_11=Open the window(&O)\nSINGLE_KEY=Single key\n");
    EXPECT_EQ(ReadDirectText(file, "MENU_1"), "导入");
    EXPECT_EQ(ReadDirectText(file, "MENU_11"), "打开(&O)");

    SetCurrentLanguage(1);
    EXPECT_EQ(ReadDirectText(file, "MENU_1"), "Import");
    EXPECT_EQ(ReadDirectText(file, "PROFILE_1"), "");
    // The tray menu and the composite dialog look only at the file.
    EXPECT_EQ(ReadDirectText(file, "MENU_11"), "打开(&O)");
    EXPECT_EQ(ReadDirectText(file, "SINGLE_KEY"), "单键");

    const IniFile english = LanguageFile(
        "[LANGUAGE]\nlanguage=1\n[ENGINSH]\n"
        "MENU_11=Open the window(&O)\n");
    EXPECT_EQ(ReadDirectText(english, "MENU_11"), "Open the ");  // nine units
    EXPECT_EQ(ReadDirectText(english, "NOT_A_KEY"), "");
}

TEST_F(TextsTest, KeyListsAreCompleteAndDistinct) {
    const auto all = AllLanguageKeys();
    EXPECT_EQ(all.size(), SlotTextKeys().size() + DirectTextKeys().size() - 3);
    for (std::string_view key : {"MACRO_ACTION_RECORD_DELAY", "MAIN_NO_DEVICE_PROMPT", "MENU_33",
                                 "GUANYU_BANQUAN", "MEDIA_EDIT_TISHI"})
        EXPECT_NE(std::find(all.begin(), all.end(), key), all.end()) << key;
}

TEST_F(TextsTest, ReadersMayRunWhileTextsReload) {
    const IniFile file = LanguageFile("[CHINESE]\nMAIN_CAPTION=键盘设置\n");
    std::atomic<bool> stop{false};
    std::thread reader([&] {
        while (!stop) {
            const std::string caption = Text("MAIN_CAPTION");
            ASSERT_TRUE(caption == "键盘设置" || caption == "Gaming Keyboard Settings") << caption;
        }
    });
    for (int i = 0; i < 200; ++i) {
        LoadTexts(file);
        ResetTextsToBuiltIn();
    }
    stop = true;
    reader.join();
}

}  // namespace
}  // namespace quorvel
