// End to end: the built quorvelctl against a private virtual keyboard.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "base/byte_order.h"
#include "base/ini_file.h"
#include "base/texts.h"
#include "cli/cli_shell.h"
#include "model/key_codes.h"
#include "model/profile_image.h"
#include "tests/device/transfer_test_support.h"
#include "tests/support/keyboard_dump.h"
#include "tests/support/quorvelctl_runner.h"
#include "tests/support/virtual_keyboard.h"

namespace quorvel::testing {
namespace {

using RunResult = CtlOutcome;

// A message as quorvelctl prints it: the text of the language file beside the binaries (the
// built-in text without one), on one line.
std::string MessageLine(std::string_view textKey) {
    const std::string language = BinDir() + "/Skins/language.ini";
    if (std::filesystem::exists(language)) LoadTexts(IniFile(language));
    return "quorvelctl: " + cli::OneLine(textKey, Text(textKey));
}

class Quorvelctl : public ::testing::Test {
protected:
    virtual VirtualKeyboard::Options KeyboardOptions() { return {}; }

    void SetUp() override {
        keyboard_ = std::make_unique<VirtualKeyboard>(KeyboardOptions());
        dataDir_ = keyboard_->Dir() + "/data";
    }

    RunResult Run(const std::vector<std::string>& args) {
        return RunQuorvelctl(*keyboard_, BinDir(), dataDir_, args);
    }

    // Runs and expects success; gives the standard output.
    std::string Ok(const std::vector<std::string>& args) {
        RunResult result = Run(args);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return result.out;
    }

    std::string KeyBlocks() { return DumpField(keyboard_->Run({"dump"}), "keyBlocks"); }
    std::string MacroArea() { return DumpField(keyboard_->Run({"dump"}), "macroArea"); }

    // Key-block (0x08) and macro-area (0x0A) writes among the frames sent since the mark.
    int WritesSince(size_t mark) {
        int writes = 0;
        for (const std::string& frame : keyboard_->FramesSentSince(mark)) {
            std::string command = frame.substr(9, 2);  // byte 3 of "04 xx xx CC ..."
            writes += command == "08" || command == "0A";
        }
        return writes;
    }

    // The three profile files of the data folder, one after the other.
    std::string ProfileFiles() {
        std::string all;
        for (int k = 0; k < ONBOARD_PROFILE_COUNT; ++k)
            all += ReadWhole(dataDir_ + "/$Profile" + std::to_string(k)) + "|";
        return all;
    }

    // Points the tool at a new daemon with its own data folder; the old one lives on in the
    // returned handle, so files kept in its folder stay readable.
    std::unique_ptr<VirtualKeyboard> SwitchToFreshKeyboard() {
        std::unique_ptr<VirtualKeyboard> previous = std::move(keyboard_);
        keyboard_ = std::make_unique<VirtualKeyboard>(KeyboardOptions());
        dataDir_ = keyboard_->Dir() + "/data";
        return previous;
    }

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

// The saved profile file keeps a macro's delays to the millisecond; the keyboard keeps tens of
// ms. An export whose read of the keyboard fails must fail, not read again and replace the file
// with the keyboard's coarser copy.
TEST_F(Quorvelctl, ExportWhoseKeyboardReadFailsLeavesTheProfileFile) {
    Ok({"macro", "add", "Fine", "A+", "263", "A-"});
    const std::string profileFile = dataDir_ + "/$Profile0";
    const std::string before = ReadWhole(profileFile);
    // Every reply to the second key block frame of the export's read is lost. --full: what
    // the tool knows of the keyboard would spare it the reads.
    const size_t mark = keyboard_->TraceMark();
    Ok({"export", "--full", keyboard_->Dir() + "/measured.fwc"});
    const std::vector<std::string> frames = keyboard_->FramesSentSince(mark);
    const auto keyBlockRead = std::find_if(frames.begin(), frames.end(), [](const std::string& f) {
        return f.substr(9, 2) == "07";  // byte 3 of "04 xx xx CC ..."
    });
    ASSERT_NE(keyBlockRead, frames.end());
    const auto lostAt = std::to_string(keyBlockRead - frames.begin() + 1);
    keyboard_->Run({"fault", "after", lostAt, "lose-reply", "3"});
    RunResult failed = Run({"export", "--full", keyboard_->Dir() + "/failed.fwc"});
    EXPECT_EQ(failed.exitCode, 1) << failed.err;
    EXPECT_EQ(failed.err, "quorvelctl: export: cannot read the profiles from the keyboard\n");
    EXPECT_EQ(ReadWhole(profileFile), before);

    keyboard_->Run({"fault", "clear"});
    const std::string exported = keyboard_->Dir() + "/exported.fwc";
    Ok({"export", exported});
    EXPECT_EQ(ReadWhole(profileFile), before);
}

// Writing commands leave the profile file to their own save; it must still end up saying
// what the keyboard holds, which a reading command then finds nothing to change in.
TEST_F(Quorvelctl, WritingCommandsLeaveTheProfileFileAsTheKeyboardHasIt) {
    const std::string profileFile = dataDir_ + "/$Profile0";
    Ok({"macro", "add", "Fine", "A+", "263", "A-"});
    // (A deletion is left out: the keyboard numbers the macros after it anew, so the file the
    // next read makes differs in their ids, as it did before writing commands left it to their
    // save.)
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"key", "set", "A", "key:B"},
          std::vector<std::string>{"macro", "add", "Other", "B+", "B-"}}) {
        SCOPED_TRACE(command[0] + " " + command[1]);
        Ok(command);
        const std::string written = ReadWhole(profileFile);
        Ok({"keys"});
        EXPECT_TRUE(ReadWhole(profileFile) == written);
    }
}

TEST_F(Quorvelctl, AbsentKeyboardExitsOne) {
    keyboard_->Run({"unplug"});
    for (const char* command : {"status", "keys", "lighting"}) {
        RunResult result = Run({command});
        EXPECT_EQ(result.exitCode, 1) << command;
        EXPECT_EQ(result.err, "quorvelctl: no keyboard attached (result 0)\n") << command;
    }
}

TEST_F(Quorvelctl, ImportWritesAllThreeKeyBlocksAndTheMacroArea) {
    constexpr ScanCode KEY_A = 0x01E, KEY_E = 0x012, KEY_F = 0x021;
    // Three different profiles and two macros, made on a first keyboard.
    Ok({"macro", "add", "One", "A+", "10", "A-"});
    Ok({"macro", "add", "--cycles", "2", "Two", "B+", "B-"});
    Ok({"key", "set", "A", "key:B"});
    Ok({"profile", "set", "2"});
    Ok({"key", "set", "C", "macro:2"});
    Ok({"key", "set", "F", "disable"});
    Ok({"profile", "set", "3"});
    Ok({"key", "set", "D", "stop-macro"});
    Ok({"key", "set", "G", "macro:1"});
    Ok({"profile", "set", "1"});
    std::string made = keyboard_->Dir() + "/made.fwc";
    Ok({"export", made});
    const std::vector<uint8_t> madeBlocks = DumpBytes(*keyboard_, "keyBlocks");
    const std::vector<uint8_t> madeArea = DumpBytes(*keyboard_, "macroArea");
    std::optional<WorkingSetData> madeData = DecodeProfileImage(FileBytes(made));
    ASSERT_TRUE(madeData);
    ASSERT_EQ(madeData->keyAreas[0][KeyIndexOf(KEY_A)].type, ASSIGN_KEY);
    ASSERT_EQ(madeData->keyAreas[1][KeyIndexOf(KEY_F)].type, ASSIGN_DISABLED);
    ASSERT_EQ(madeData->keyAreas[2][KeyIndexOf(KEY_E)].type, ASSIGN_DEFAULT);

    // The file adds a text key where profile 2 has its disabled key and a program key on a
    // default key of profile 3: the keyboard gets the same entries for them.
    WorkingSetData withTexts = *madeData;
    withTexts.keyAreas[1][KeyIndexOf(KEY_F)] = KeyAssignment{.type = ASSIGN_TEXT};
    withTexts.texts.Set(WorkingSetEntryIndex(1, KeyIndexOf(KEY_F)), u"typed text");
    withTexts.keyAreas[2][KeyIndexOf(KEY_E)] = KeyAssignment{.type = ASSIGN_PROGRAM};
    withTexts.texts.Set(WorkingSetEntryIndex(2, KeyIndexOf(KEY_E)), u"/usr/bin/true");

    std::unique_ptr<VirtualKeyboard> first = SwitchToFreshKeyboard();
    const std::vector<uint8_t> freshBlocks = DumpBytes(*keyboard_, "keyBlocks");
    const std::vector<uint8_t> freshArea = DumpBytes(*keyboard_, "macroArea");
    std::string file = keyboard_->Dir() + "/import.fwc";
    WriteBytes(file, EncodeProfileImage(withTexts));
    Ok({"import", file});

    const std::vector<uint8_t> blocks = DumpBytes(*keyboard_, "keyBlocks");
    ASSERT_EQ(blocks.size(), freshBlocks.size());
    const size_t blockSize = blocks.size() / ONBOARD_PROFILE_COUNT;
    for (int p = 0; p < ONBOARD_PROFILE_COUNT; ++p) {
        auto from = static_cast<ptrdiff_t>(p * blockSize);
        auto to = static_cast<ptrdiff_t>((p + 1) * blockSize);
        EXPECT_FALSE(
            std::equal(blocks.begin() + from, blocks.begin() + to, freshBlocks.begin() + from))
            << "profile " << p + 1 << " was not written";
    }
    EXPECT_EQ(blocks, madeBlocks);
    EXPECT_NE(DumpBytes(*keyboard_, "macroArea"), freshArea);
    EXPECT_EQ(DumpBytes(*keyboard_, "macroArea"), madeArea);

    // Read back, the text key is a disabled key and the program key a default one.
    std::string back = keyboard_->Dir() + "/back.fwc";
    Ok({"export", back});
    std::optional<WorkingSetData> backData = DecodeProfileImage(FileBytes(back));
    ASSERT_TRUE(backData);
    for (int area = 0; area < ONBOARD_PROFILE_COUNT; ++area)
        EXPECT_EQ(backData->keyAreas[area], madeData->keyAreas[area]) << "key area " << area;
    EXPECT_EQ(backData->macros, madeData->macros);

    std::string again = keyboard_->Dir() + "/again.fwc";
    Ok({"import", back});
    Ok({"export", again});
    EXPECT_EQ(FileBytes(again), FileBytes(back));
}

TEST_F(Quorvelctl, RejectedImportChangesNothing) {
    Ok({"macro", "add", "M", "A+", "A-"});
    Ok({"key", "set", "B", "macro:1"});
    std::string good = keyboard_->Dir() + "/good.fwc";
    Ok({"export", good});
    const std::vector<uint8_t> bytes = FileBytes(good);
    ASSERT_GT(bytes.size(), PROFILE_IMAGE_BASE_SIZE);

    std::vector<uint8_t> tooManyMacros = bytes;
    WriteLe16(&tooManyMacros[PROFILE_OFFSET_MACRO_COUNT], PROFILE_MAX_MACROS + 1);
    tooManyMacros[PROFILE_OFFSET_CHECKSUM] = ImageChecksum(tooManyMacros.data());
    std::vector<uint8_t> oneByteShort(bytes.begin(), bytes.begin() + PROFILE_IMAGE_BASE_SIZE - 1);
    std::vector<uint8_t> changedHeader = bytes;
    changedHeader[PROFILE_OFFSET_ENTRY_COUNT] ^= 1;  // checksum left as it was
    std::vector<uint8_t> tooLarge = bytes;
    tooLarge.resize((size_t{16} << 20) + 1);
    const struct {
        std::string name;
        std::vector<uint8_t> image;
        std::string reason;
    } cases[] = {
        {"101 macros", tooManyMacros, "not a profile file (header check failed)"},
        {"32,831 bytes", oneByteShort, "not a profile file (too short or too long)"},
        {"changed header byte", changedHeader, "not a profile file (header check failed)"},
        {"16 MiB and a byte", tooLarge,
         "the file is larger than 16 MiB, more than any profile file holds"},
    };

    const std::string keys = Ok({"keys"});
    const std::string macros = Ok({"macros"});
    const std::string profileFiles = ProfileFiles();
    const std::string blocks = KeyBlocks();
    const std::string area = MacroArea();
    for (const auto& [name, image, reason] : cases) {
        std::string file = keyboard_->Dir() + "/rejected.fwc";
        WriteBytes(file, image);
        size_t mark = keyboard_->TraceMark();
        RunResult result = Run({"import", file});
        EXPECT_EQ(result.exitCode, 2) << name;
        EXPECT_EQ(result.err, "quorvelctl: import: " + file + ": " + reason + "\n");
        EXPECT_EQ(WritesSince(mark), 0) << name;
        EXPECT_EQ(ProfileFiles(), profileFiles) << name;
    }
    EXPECT_EQ(KeyBlocks(), blocks);
    EXPECT_EQ(MacroArea(), area);
    EXPECT_EQ(Ok({"keys"}), keys);
    EXPECT_EQ(Ok({"macros"}), macros);
}

// 128 bytes of macro space.
class QuorvelctlSmallMacroSpace : public Quorvelctl {
protected:
    VirtualKeyboard::Options KeyboardOptions() override {
        return VirtualKeyboard::OptionsWith(&VirtualKeyboard::Options::capacityUnits, 1);
    }
};

TEST_F(QuorvelctlSmallMacroSpace, NamesAreDroppedWhenOnlyTheStepsFit) {
    // Twenty steps take 16 + 2 + 4 + 80 = 102 bytes; the twenty-letter name 40 more.
    std::vector<std::string> args = {"macro", "add", "TwentyLettersOfNames"};
    for (int i = 0; i < 10; ++i) args.insert(args.end(), {"A+", "A-"});
    RunResult result = Run(args);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, MessageLine("EXTRA_PROFILE_SPACE_TIGHT") + "\n");

    const std::vector<uint8_t> area = DumpBytes(*keyboard_, "macroArea");
    ASSERT_GE(area.size(), 22u);
    // Magic, total size 102, one macro, names flag 0; the record: 20 actions, once, no name.
    EXPECT_EQ(std::vector<uint8_t>(area.begin(), area.begin() + 8),
              (std::vector<uint8_t>{0xAA, 0x55, 102, 0, 1, 0, 0, 0}));
    EXPECT_EQ(std::vector<uint8_t>(area.begin() + 18, area.begin() + 22),
              (std::vector<uint8_t>{20, 0, 1, 0}));
    EXPECT_EQ(Ok({"macros"}), "1  Macro1  (20 steps, plays 1x)\n");
}

class QuorvelctlNoMacroSpace : public Quorvelctl {
protected:
    VirtualKeyboard::Options KeyboardOptions() override {
        return VirtualKeyboard::OptionsWith(&VirtualKeyboard::Options::capacityUnits, 0);
    }
};

TEST_F(QuorvelctlNoMacroSpace, EveryWriteIsRefusedAndNothingIsSent) {
    std::string file = keyboard_->Dir() + "/empty.fwc";
    Ok({"export", file});
    const std::vector<std::vector<std::string>> cases = {
        {"macro", "add", "M", "A+", "A-"},
        {"import", file},
        {"key", "set", "A", "disable"},
    };
    for (const auto& args : cases) {
        size_t mark = keyboard_->TraceMark();
        RunResult result = Run(args);
        EXPECT_EQ(result.exitCode, 1) << args[0] << ": " << result.err;
        const std::string message = MessageLine("EXTRA_MACRO_TOO_LONG");
        EXPECT_NE(result.err.find(message.substr(std::string("quorvelctl: ").size())),
                  std::string::npos)
            << args[0] << ": " << result.err;
        EXPECT_EQ(WritesSince(mark), 0) << args[0];
    }
}

}  // namespace
}  // namespace quorvel::testing
