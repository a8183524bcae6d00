// End to end: the built quorvelctl against a private virtual keyboard.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/virtual_keyboard.h"

namespace quorvel::testing {
namespace {

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string ShellQuote(const std::string& word) {
    std::string quoted = "'";
    for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The hex digits of one field of the daemon's flat JSON dump.
std::string DumpField(const std::string& dump, const std::string& key) {
    size_t at = dump.find("\"" + key + "\"");
    if (at == std::string::npos) return {};
    size_t open = dump.find('"', dump.find(':', at) + 1);
    size_t close = dump.find('"', open + 1);
    std::string hex;
    for (char c : dump.substr(open + 1, close - open - 1))
        if (std::isxdigit(static_cast<unsigned char>(c))) hex += c;
    return hex;
}

class Quorvelctl : public ::testing::Test {
protected:
    virtual VirtualKeyboard::Options KeyboardOptions() { return {}; }

    void SetUp() override {
        keyboard_ = std::make_unique<VirtualKeyboard>(KeyboardOptions());
        dataDir_ = keyboard_->Dir() + "/data";
    }

    RunResult Run(const std::vector<std::string>& args) {
        std::string out = keyboard_->Dir() + "/out.txt";
        std::string err = keyboard_->Dir() + "/err.txt";
        std::string command = "QUORVEL_VKBD_SOCKET=" + ShellQuote(keyboard_->SocketPath()) + " " +
                              ShellQuote(BinDir() + "/quorvelctl") + " --virtual --data-dir " +
                              ShellQuote(dataDir_);
        for (const std::string& arg : args) command += " " + ShellQuote(arg);
        command += " >" + ShellQuote(out) + " 2>" + ShellQuote(err) + " </dev/null";
        int status = std::system(command.c_str());
        RunResult result;
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = ReadWhole(out);
        result.err = ReadWhole(err);
        return result;
    }

    // Runs and expects success; gives the standard output.
    std::string Ok(const std::vector<std::string>& args) {
        RunResult result = Run(args);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return result.out;
    }

    std::string KeyBlocks() { return DumpField(keyboard_->Run({"dump"}), "keyBlocks"); }
    std::string MacroArea() { return DumpField(keyboard_->Run({"dump"}), "macroArea"); }

    std::unique_ptr<VirtualKeyboard> keyboard_;
    std::string dataDir_;
};

TEST_F(Quorvelctl, StatusProfileAndLightingAsTextAndJson) {
    std::string status = Ok({"status"});
    EXPECT_NE(status.find("keyboard:        present"), std::string::npos) << status;
    EXPECT_NE(status.find("active profile:  1"), std::string::npos) << status;
    EXPECT_NE(status.find(" of 8192 bytes"), std::string::npos) << status;

    std::string json = Ok({"--json", "status"});
    EXPECT_EQ(json.rfind("{\"present\":true,\"activeProfileIndex\":0,", 0), 0u) << json;
    EXPECT_NE(json.find("\"macroCapacity\":8192"), std::string::npos) << json;
    EXPECT_NE(json.find("{\"id\":20,"), std::string::npos) << json;

    Ok({"profile", "set", "2"});
    EXPECT_EQ(Ok({"profile"}), "profile 2\n");
    EXPECT_EQ(Ok({"--json", "profile"}), "{\"activeProfileIndex\":1}\n");

    std::string lighting = Ok({"lighting"});
    EXPECT_NE(lighting.find("profile:     2"), std::string::npos) << lighting;
    Ok({"lighting", "set", "brightness=2", "colour=00FF80", "rate=1"});
    std::string after = Ok({"--json", "lighting"});
    EXPECT_NE(after.find("\"brightness\":2"), std::string::npos) << after;
    EXPECT_NE(after.find("\"colourful\":false,\"colour\":\"00FF80\""), std::string::npos) << after;
    EXPECT_NE(after.find("\"rate\":1"), std::string::npos) << after;
}

TEST_F(Quorvelctl, KeySetChangesTheActiveKeyBlockAndReadsBack) {
    std::string before = KeyBlocks();
    EXPECT_EQ(Ok({"keys"}), "no key of profile 1 is assigned\n");
    Ok({"key", "set", "Caps Lock", "key:Left"});
    Ok({"key", "set", "0x01E", "disable"});
    std::string after = KeyBlocks();
    ASSERT_EQ(after.size(), before.size());
    // Only profile 1's block (the first 378 bytes) changed.
    EXPECT_NE(after.substr(0, 756), before.substr(0, 756));
    EXPECT_EQ(after.substr(756), before.substr(756));

    std::string keys = Ok({"keys"});
    EXPECT_NE(keys.find("A                 disable"), std::string::npos) << keys;
    EXPECT_NE(keys.find("Caps Lock         key:Left"), std::string::npos) << keys;
    std::string json = Ok({"--json", "keys", "--profile", "1"});
    EXPECT_NE(json.find("\"key\":\"Caps Lock\",\"entry\":58,\"type\":2"), std::string::npos)
        << json;
    EXPECT_EQ(Ok({"keys", "--profile", "2"}), "no key of profile 2 is assigned\n");

    Ok({"key", "set", "caps lock", "default"});
    Ok({"key", "set", "a", "default"});
    EXPECT_EQ(KeyBlocks(), before);
}

TEST_F(Quorvelctl, MacroAddShowAssignAndDelete) {
    std::string added = Ok({"--json", "macro", "add", "Hello", "Shift+", "H+", "20", "H-", "Shift-",
                            "50", "I+", "I-"});
    EXPECT_EQ(added, "{\"id\":1,\"name\":\"Hello\",\"cycles\":1,\"stepCount\":6}\n");
    Ok({"macro", "add", "Two", "A+", "A-"});
    EXPECT_EQ(Ok({"macros"}), "1  Hello  (6 steps, plays 1x)\n2  Two  (2 steps, plays 1x)\n");
    std::string shown = Ok({"macro", "show", "1"});
    EXPECT_NE(shown.find("steps: Shift+ 0 H+ 20 H- 0 Shift- 50 I+ 0 I- 0"), std::string::npos)
        << shown;

    Ok({"key", "set", "F1", "macro:2x3"});
    EXPECT_NE(Ok({"keys"}).find("F1                macro:2  (Two)"), std::string::npos);
    EXPECT_NE(Ok({"macros"}).find("2  Two  (2 steps, plays 3x)"), std::string::npos);

    // Deleting the macro F1 plays sends F1 back to its default.
    Ok({"macro", "delete", "2"});
    EXPECT_EQ(Ok({"macros"}), "1  Hello  (6 steps, plays 1x)\n");
    EXPECT_EQ(Ok({"keys"}), "no key of profile 1 is assigned\n");
    EXPECT_EQ(Run({"macro", "show", "2"}).exitCode, 2);
}

TEST_F(Quorvelctl, BadUsageExitsTwoWithOneLine) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate"},
        {"--bogus", "status"},
        {"profile", "set", "4"},
        {"key", "set", "Nokey", "default"},
        {"key", "set", "A", "macro:9"},
        {"key", "set", "G1", "default", "--bank", "c"},
        {"macro", "add", "Bad", "A+", "99999"},
        {"lighting", "set", "brightness=9"},
        {"lighting", "set", "mode=19"},
        {"lighting", "default"},
        {"import", "/nonexistent/file.fwc"},
    };
    for (const auto& args : cases) {
        RunResult result = Run(args);
        std::string shown = args.empty() ? "(none)" : args[0];
        EXPECT_EQ(result.exitCode, 2) << shown << ": " << result.err;
        EXPECT_EQ(result.err.rfind("quorvelctl: ", 0), 0u) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    }
}

TEST_F(Quorvelctl, ImportExportRoundTripAndRejectedImport) {
    Ok({"macro", "add", "M", "A+", "10", "A-"});
    Ok({"key", "set", "B", "macro:1"});
    std::string first = keyboard_->Dir() + "/first.fwc";
    std::string second = keyboard_->Dir() + "/second.fwc";
    Ok({"export", first});
    Ok({"macro", "delete", "1"});
    Ok({"import", first});
    Ok({"export", second});
    EXPECT_EQ(ReadWhole(first), ReadWhole(second));
    EXPECT_NE(Ok({"keys"}).find("B                 macro:1  (M)"), std::string::npos);

    std::string bad = keyboard_->Dir() + "/bad.fwc";
    std::string bytes = ReadWhole(first);
    bytes[4] = 9;  // version
    std::ofstream(bad, std::ios::binary) << bytes;
    std::string blocks = KeyBlocks();
    RunResult rejected = Run({"import", bad});
    EXPECT_EQ(rejected.exitCode, 2);
    EXPECT_EQ(rejected.err,
              "quorvelctl: import: " + bad + ": not a profile file (header check failed)\n");
    EXPECT_EQ(KeyBlocks(), blocks);
}

TEST_F(Quorvelctl, UnplugDuringImportExitsOneAndKeepsProfileFilesWhole) {
    Ok({"macro", "add", "M", "A+", "A-"});
    std::string file = keyboard_->Dir() + "/p.fwc";
    Ok({"export", file});
    std::string profileFile = dataDir_ + "/$Profile0";
    std::string before = ReadWhole(profileFile);
    ASSERT_FALSE(before.empty());
    keyboard_->Run({"fault", "unplug-after", "20"});
    RunResult result = Run({"import", file});
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_NE(result.err.find("import: the keyboard went away during the write (result 0)"),
              std::string::npos)
        << result.err;
    // The file holds one whole image, either the old or the imported one.
    std::string after = ReadWhole(profileFile);
    EXPECT_TRUE(after == before || after == ReadWhole(file));
}

TEST_F(Quorvelctl, AbsentKeyboardExitsOne) {
    keyboard_->Run({"unplug"});
    for (const char* command : {"status", "keys", "lighting"}) {
        RunResult result = Run({command});
        EXPECT_EQ(result.exitCode, 1) << command;
        EXPECT_EQ(result.err, "quorvelctl: no keyboard attached (result 0)\n") << command;
    }
}

}  // namespace
}  // namespace quorvel::testing
