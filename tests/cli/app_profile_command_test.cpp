// quorvelctl app-profile: the rules file it writes, its JSON, and its refusals.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/base/scoped_environment.h"
#include "tests/support/quorvelctl_runner.h"
#include "tests/support/virtual_keyboard.h"

namespace quorvel::testing {
namespace {

class AppProfileCommand : public ::testing::Test {
protected:
    void SetUp() override { env_.Set("XDG_CONFIG_HOME", keyboard_.Dir() + "/config"); }

    CtlOutcome Run(const std::vector<std::string>& args,
                   const std::vector<std::string>& options = {}) {
        std::vector<std::string> words{"app-profile"};
        words.insert(words.end(), args.begin(), args.end());
        return RunQuorvelctl(keyboard_, BinDir(), keyboard_.Dir() + "/data", words, options);
    }
    std::string RulesFile() const {
        return ReadWhole(keyboard_.Dir() + "/config/quorvel/app-profiles.json");
    }

    VirtualKeyboard keyboard_;
    ScopedEnvironment env_;
};

TEST_F(AppProfileCommand, EditsTheRulesAndPrintsThemAsJson) {
    EXPECT_EQ(Run({"set", "Alpha", "2"}).exitCode, 0);
    EXPECT_EQ(Run({"set", "beta", "3"}).exitCode, 0);
    EXPECT_EQ(Run({"set", "ALPHA", "1"}).exitCode, 0);
    EXPECT_EQ(Run({"default", "2"}).exitCode, 0);
    const CtlOutcome list = Run({"list"}, {"--json"});
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_EQ(list.out, "{\"file\":\"" + keyboard_.Dir() +
                            "/config/quorvel/app-profiles.json\",\"enabled\":true,"
                            "\"defaultProfile\":2,\"rules\":[{\"program\":\"Alpha\",\"profile\":1},"
                            "{\"program\":\"beta\",\"profile\":3}]}\n");

    EXPECT_EQ(Run({"remove", "BETA"}).exitCode, 0);
    EXPECT_EQ(Run({"default", "none"}).exitCode, 0);
    EXPECT_EQ(Run({"off"}).exitCode, 0);
    EXPECT_EQ(RulesFile(),
              "{\n  \"version\": 1,\n  \"enabled\": false,\n  \"default\": null,\n"
              "  \"rules\": [\n    {\n      \"program\": \"Alpha\",\n      \"profile\": 1\n"
              "    }\n  ]\n}\n");

    // A dry run and refused words change nothing.
    const std::string before = RulesFile();
    EXPECT_EQ(Run({"set", "gamma", "3"}, {"--dry-run"}).exitCode, 0);
    EXPECT_EQ(Run({"remove", "gamma"}).exitCode, 2);
    EXPECT_EQ(Run({"set", "gamma", "4"}).exitCode, 2);
    EXPECT_EQ(Run({"set", " ", "1"}).exitCode, 2);
    EXPECT_EQ(Run({"default", "0"}).exitCode, 2);
    EXPECT_EQ(Run({"rename", "a"}).exitCode, 2);
    EXPECT_EQ(RulesFile(), before);
}

TEST_F(AppProfileCommand, DamagedFileIsNamedAndLeftAlone) {
    ASSERT_EQ(Run({"set", "Alpha", "2"}).exitCode, 0);
    const std::string path = keyboard_.Dir() + "/config/quorvel/app-profiles.json";
    const std::string damaged = "{\"version\": 1, \"rules\": [{\"program\": \"Alpha\"";
    { std::ofstream(path, std::ios::trunc) << damaged; }
    for (const auto& args : {std::vector<std::string>{"list"}, {"set", "Beta", "1"}, {"off"}}) {
        const CtlOutcome outcome = Run(args);
        EXPECT_EQ(outcome.exitCode, 2);
        EXPECT_NE(outcome.err.find(path), std::string::npos) << outcome.err;
    }
    EXPECT_EQ(RulesFile(), damaged);
}

}  // namespace
}  // namespace quorvel::testing
