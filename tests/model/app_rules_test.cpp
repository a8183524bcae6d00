#include "model/app_rules.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/atomic_write.h"
#include "tests/base/scoped_environment.h"
#include "tests/base/temp_dir.h"

namespace quorvel {
namespace {

using testing::ReadWholeFile;
using testing::WriteWholeFile;

class AppRulesTest : public ::testing::Test {
protected:
    std::string Path() const { return dir_.File("config/quorvel/app-profiles.json"); }

    testing::TempDir dir_;
};

TEST_F(AppRulesTest, LivesInTheConfigFolderOfTheUser) {
    testing::ScopedEnvironment env;
    env.Set("XDG_CONFIG_HOME", dir_.File("config"));
    EXPECT_EQ(DefaultAppRulesPath(), Path());
    // A relative value is invalid and falls back to the home folder.
    env.Set("XDG_CONFIG_HOME", std::string("relative"));
    env.Set("HOME", dir_.Path());
    EXPECT_EQ(DefaultAppRulesPath(), dir_.File(".config/quorvel/app-profiles.json"));
}

TEST_F(AppRulesTest, MissingFileIsEmptyRulesAndSavedRulesComeBack) {
    AppRulesFile missing = LoadAppRules(Path());
    EXPECT_EQ(missing.state, AppRulesState::Missing);
    EXPECT_EQ(missing.rules, AppRules{});

    AppRules rules;
    rules.enabled = false;
    rules.defaultProfile = 3;
    SetAppRule(rules, "Firefox", 2);
    SetAppRule(rules, "steam", 1);
    std::string error;
    ASSERT_TRUE(SaveAppRules(Path(), rules, &error)) << error;
    const AppRulesFile loaded = LoadAppRules(Path());
    EXPECT_EQ(loaded.state, AppRulesState::Loaded) << loaded.error;
    EXPECT_EQ(loaded.rules, rules);
    EXPECT_NE(ReadWholeFile(Path()).find("\"version\": 1"), std::string::npos);
}

TEST_F(AppRulesTest, HandWrittenFileWithOnlyVersionAndRulesReads) {
    std::filesystem::create_directories(dir_.File("config/quorvel"));
    WriteWholeFile(Path(), R"({"version":1,"rules":[{"program":"  Code ","profile":3}]})");
    const AppRulesFile loaded = LoadAppRules(Path());
    ASSERT_EQ(loaded.state, AppRulesState::Loaded) << loaded.error;
    EXPECT_TRUE(loaded.rules.enabled);
    EXPECT_EQ(loaded.rules.defaultProfile, std::nullopt);
    EXPECT_EQ(loaded.rules.rules, (std::vector<AppRule>{{"Code", 3}}));
}

TEST_F(AppRulesTest, DamagedOrNewerFilesAreReportedAndNeverOverwritten) {
    std::filesystem::create_directories(dir_.File("config/quorvel"));
    const char* damaged[] = {
        "",
        "{\"version\":1,\"rules\":[",
        "[1,2]",
        R"({"rules":[]})",
        R"({"version":2,"rules":[]})",
        R"({"version":1,"default":4})",
        R"({"version":1,"default":"2"})",
        R"({"version":1,"enabled":1})",
        R"({"version":1,"rules":[{"program":"a","profile":0}]})",
        R"({"version":1,"rules":[{"program":"","profile":1}]})",
        R"({"version":1,"rules":[{"program":"a\nb","profile":1}]})",
        R"({"version":1,"rules":[{"profile":1}]})",
        R"({"version":1,"rules":[{"program":"a"}]})",
        R"({"version":1,"rules":[{"program":"a","profile":1},{"program":"A","profile":2}]})",
        R"({"version":1,"rules":{"program":"a","profile":1}})",
    };
    AppRules rules;
    SetAppRule(rules, "steam", 1);
    for (const char* text : damaged) {
        SCOPED_TRACE(text);
        WriteWholeFile(Path(), text);
        const AppRulesFile loaded = LoadAppRules(Path());
        EXPECT_EQ(loaded.state, AppRulesState::Damaged);
        EXPECT_NE(loaded.error.find(Path()), std::string::npos) << loaded.error;
        EXPECT_EQ(loaded.rules, AppRules{});

        std::string error;
        EXPECT_FALSE(SaveAppRules(Path(), rules, &error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(ReadWholeFile(Path()), text);
    }
}

TEST_F(AppRulesTest, FailedWriteKeepsTheOldRules) {
    AppRules before;
    SetAppRule(before, "steam", 1);
    ASSERT_TRUE(SaveAppRules(Path(), before));
    const std::string old = ReadWholeFile(Path());

    AppRules after = before;
    SetAppRule(after, "a-much-longer-program-name", 2);
    SetAtomicWriteFaultAfterBytes(10);
    std::string error;
    EXPECT_FALSE(SaveAppRules(Path(), after, &error));
    SetAtomicWriteFaultAfterBytes(-1);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadWholeFile(Path()), old);
}

TEST(AppRulesEditing, OneRulePerProgramWhateverItsCase) {
    AppRules rules;
    SetAppRule(rules, "Firefox", 2);
    SetAppRule(rules, "FIREFOX", 3);
    ASSERT_EQ(rules.rules.size(), 1u);
    EXPECT_EQ(rules.rules[0], (AppRule{"Firefox", 3}));
    EXPECT_FALSE(RemoveAppRule(rules, "firefox-esr"));
    EXPECT_TRUE(RemoveAppRule(rules, "firefox"));
    EXPECT_TRUE(rules.rules.empty());

    EXPECT_EQ(CleanProgramName(" \t "), std::nullopt);
    EXPECT_EQ(CleanProgramName("x\x7f"), std::nullopt);
    EXPECT_EQ(CleanProgramName("\tSteam Helper "), "Steam Helper");
}

TEST(AppRulesMatching, AppIdThenExecutableThenDefaultIgnoringCase) {
    AppRules rules;
    SetAppRule(rules, "firefox", 2);
    SetAppRule(rules, "Code", 3);
    SetAppRule(rules, "java", 1);

    EXPECT_EQ(ProfileForWindow(rules, "Firefox", ""), 2);
    EXPECT_EQ(ProfileForWindow(rules, "", "CODE"), 3);
    // The application id names the program better than a shared runtime's executable.
    EXPECT_EQ(ProfileForWindow(rules, "code", "java"), 3);
    EXPECT_EQ(ProfileForWindow(rules, "minecraft", "java"), 1);
    // Matching is on whole names.
    EXPECT_EQ(ProfileForWindow(rules, "firefox-esr", "firefo"), std::nullopt);
    EXPECT_EQ(ProfileForWindow(rules, "", ""), std::nullopt);

    rules.defaultProfile = 1;
    EXPECT_EQ(ProfileForWindow(rules, "xterm", "xterm"), 1);
    rules.enabled = false;
    EXPECT_EQ(ProfileForWindow(rules, "firefox", ""), std::nullopt);
}

}  // namespace
}  // namespace quorvel
