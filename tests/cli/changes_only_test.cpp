// quorvelctl writes only what differs from what the keyboard is known to hold, against a
// private virtual keyboard with a large macro area, measured on its frame trace.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/keyboard_dump.h"
#include "tests/support/quorvelctl_runner.h"
#include "tests/support/virtual_keyboard.h"

namespace quorvel::testing {
namespace {

constexpr int LARGE_CAPACITY = 255;

class ChangesOnly : public ::testing::Test {
protected:
    void SetUp() override {
        keyboard_ = std::make_unique<VirtualKeyboard>(
            VirtualKeyboard::OptionsWith(&VirtualKeyboard::Options::capacityUnits, LARGE_CAPACITY));
        dataDir_ = keyboard_->Dir() + "/data";
        // The picture files of this keyboard's plug-ins stay in its folder.
        setenv("XDG_RUNTIME_DIR", (keyboard_->Dir()).c_str(), 1);
    }

    CtlOutcome Run(const std::vector<std::string>& args) {
        return RunQuorvelctl(*keyboard_, BinDir(), dataDir_, args);
    }
    std::string Ok(const std::vector<std::string>& args) {
        CtlOutcome result = Run(args);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return result.out;
    }

    // Two macros of 2000 steps each: about 16 KB of macro area.
    void FillMacroArea() {
        for (const char* name : {"Left", "Right"}) {
            std::vector<std::string> args = {"macro", "add", name};
            for (int step = 0; step < 1000; ++step) {
                args.push_back("A+");
                args.push_back("A-");
            }
            Ok(args);
        }
    }

    // Frames sent since the mark whose command is one of the writes (or, unless dataOnly,
    // begin/end).
    int WriteFramesSince(size_t mark, bool dataOnly = false) const {
        int writes = 0;
        for (const std::string& frame : keyboard_->FramesSentSince(mark)) {
            const std::string command = frame.substr(9, 2);
            writes += (!dataOnly && (command == "01" || command == "02")) || command == "04" ||
                      command == "06" || command == "08" || command == "0A" || command == "11";
        }
        return writes;
    }

    std::unique_ptr<VirtualKeyboard> keyboard_;
    std::string dataDir_;
};

TEST_F(ChangesOnly, OneKeyIsAHandfulOfFramesAndTheSameCommandTwiceWritesNothing) {
    FillMacroArea();
    const std::string areaBefore = DumpField(keyboard_->Run({"dump"}), "macroArea");
    Ok({"key", "set", "A", "key:B"});

    size_t mark = keyboard_->TraceMark();
    Ok({"key", "set", "Caps Lock", "key:Left"});
    const std::vector<std::string> frames = keyboard_->FramesSentSince(mark);
    // Every frame of the process: begin, the one chunk, end, its read-back. The plug-in's
    // settings block and default layout come from its picture.
    EXPECT_EQ(frames.size(), 4u);
    EXPECT_EQ(WriteFramesSince(mark), 3);
    EXPECT_NE(Ok({"keys"}).find("Caps Lock         key:Left"), std::string::npos);
    EXPECT_EQ(DumpField(keyboard_->Run({"dump"}), "macroArea"), areaBefore);

    mark = keyboard_->TraceMark();
    Ok({"key", "set", "Caps Lock", "key:Left"});
    EXPECT_EQ(WriteFramesSince(mark), 0);
    EXPECT_EQ(Ok({"verify"}).find("differs"), std::string::npos);
}

TEST_F(ChangesOnly, AProfileSwitchIsWhereTheNextProcessWritesWithoutAskingAgain) {
    Ok({"key", "set", "A", "key:B"});
    Ok({"profile", "set", "2"});
    const size_t mark = keyboard_->TraceMark();
    Ok({"key", "set", "A", "key:C"});
    for (const std::string& frame : keyboard_->FramesSentSince(mark))
        EXPECT_NE(frame.substr(9, 2), "03") << "a settings read: " << frame;
    EXPECT_NE(Ok({"keys"}).find("A                 key:C"), std::string::npos);
    Ok({"profile", "set", "1"});
    EXPECT_NE(Ok({"keys"}).find("A                 key:B"), std::string::npos);

    // A new plug-in is asked again.
    keyboard_->Run({"unplug"});
    keyboard_->Run({"plug"});
    const size_t replugged = keyboard_->TraceMark();
    Ok({"key", "set", "A", "key:D"});
    int settingsReads = 0;
    for (const std::string& frame : keyboard_->FramesSentSince(replugged))
        settingsReads += frame.substr(9, 2) == "03";
    EXPECT_EQ(settingsReads, 1);
}

TEST_F(ChangesOnly, DryRunPrintsFrameForFrameWhatTheCommandThenSends) {
    Ok({"macro", "add", "Hello", "H+", "50", "H-"});
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"key", "set", "A", "macro:1"},
          std::vector<std::string>{"macro", "add", "Bye", "B+", "B-"},
          std::vector<std::string>{"macro", "delete", "1"},
          std::vector<std::string>{"lighting", "set", "brightness=1", "rate=2"},
          std::vector<std::string>{"usermode", "paint", "A", "00FF00"},
          std::vector<std::string>{"profile", "set", "3"}}) {
        const std::string keysBefore = DumpField(keyboard_->Run({"dump"}), "keyBlocks");
        std::vector<std::string> dry = {"--dry-run"};
        dry.insert(dry.end(), command.begin(), command.end());
        size_t mark = keyboard_->TraceMark();
        const std::string printed = Ok(dry);
        EXPECT_EQ(WriteFramesSince(mark), 0) << command[0];
        EXPECT_EQ(DumpField(keyboard_->Run({"dump"}), "keyBlocks"), keysBefore);

        mark = keyboard_->TraceMark();
        Ok(command);
        std::string sent;
        for (const std::string& frame : keyboard_->FramesSentSince(mark)) sent += frame + "\n";
        const std::vector<std::string> frames = keyboard_->FramesSentSince(mark);
        sent += std::to_string(frames.size()) + " frames\n";
        // The command's own report comes first, then the frames.
        ASSERT_GE(printed.size(), sent.size());
        EXPECT_EQ(printed.substr(printed.size() - sent.size()), sent) << command[0];
    }
}

TEST_F(ChangesOnly, ReplugMakesEverythingUnknownAndVerifyNamesWhatChangedMeanwhile) {
    Ok({"key", "set", "A", "key:B"});
    Ok({"key", "set", "F1", "key:F2"});
    // Another machine's Quorvel (a picture of its own) changes the keyboard while it is away.
    keyboard_->Run({"unplug"});
    keyboard_->Run({"plug"});
    const std::string own = keyboard_->Dir();
    setenv("XDG_RUNTIME_DIR", (own + "/other-run").c_str(), 1);
    CtlOutcome other =
        RunQuorvelctl(*keyboard_, BinDir(), own + "/other-data", {"key", "set", "A", "key:C"}, {});
    setenv("XDG_RUNTIME_DIR", own.c_str(), 1);
    ASSERT_EQ(other.exitCode, 0) << other.err;
    keyboard_->Run({"unplug"});
    keyboard_->Run({"plug"});

    CtlOutcome verify = Run({"verify"});
    EXPECT_EQ(verify.exitCode, 1);
    EXPECT_NE(verify.out.find("key table of profile 1: differs at offset"), std::string::npos)
        << verify.out;
    EXPECT_EQ(verify.out.find("macro area"), std::string::npos) << verify.out;

    // The next write reads what it no longer knows (verify just read it) and leaves the
    // keyboard exactly as the files now say.
    Ok({"key", "set", "F1", "key:F3"});
    EXPECT_EQ(Ok({"verify"}).find("differs"), std::string::npos);
    const std::string keys = Ok({"keys"});
    EXPECT_NE(keys.find("A                 key:C"), std::string::npos) << keys;
    EXPECT_NE(keys.find("F1                key:F3"), std::string::npos) << keys;
}

TEST_F(ChangesOnly, VerifyNamesALightingRecordTheKeyboardsOwnKeyChanged) {
    // Not read yet on this plug-in: nothing to compare the records with.
    EXPECT_NE(Ok({"verify"}).find("lighting of profile 1: not checked"), std::string::npos);
    Ok({"lighting", "set", "brightness=3"});
    EXPECT_EQ(Ok({"verify"}).find("lighting"), std::string::npos);

    keyboard_->Run({"lighting-key"});
    CtlOutcome verify = Run({"verify"});
    EXPECT_EQ(verify.exitCode, 1);
    EXPECT_NE(verify.out.find("lighting of profile 1: differs at offset 0"), std::string::npos)
        << verify.out;
    // Verify read what the keyboard now holds: it is the picture from here on.
    EXPECT_EQ(Run({"verify"}).exitCode, 0);
}

TEST_F(ChangesOnly, FullWritesEverythingAndImportIsFullUnlessAskedOtherwise) {
    Ok({"key", "set", "A", "key:B"});
    size_t mark = keyboard_->TraceMark();
    Ok({"key", "set", "A", "key:B", "--full"});
    // All seven chunks of the key block and the 16-byte macro area, with begin and end.
    EXPECT_EQ(WriteFramesSince(mark), 2 + 7 + 1);

    const std::string file = keyboard_->Dir() + "/all.fwc";
    Ok({"export", file});
    mark = keyboard_->TraceMark();
    Ok({"import", file});
    EXPECT_EQ(WriteFramesSince(mark), 2 + 3 * 7 + 1);
    mark = keyboard_->TraceMark();
    Ok({"import", "--changes-only", file});
    EXPECT_EQ(WriteFramesSince(mark), 0);
}

TEST_F(ChangesOnly, LightingPaintAndProfileSwitchesThatChangeNothingWriteNothing) {
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"lighting", "set", "brightness=2", "rate=1"},
          std::vector<std::string>{"usermode", "paint", "A", "FF0000"},
          std::vector<std::string>{"profile", "set", "2"}}) {
        size_t mark = keyboard_->TraceMark();
        Ok(command);
        EXPECT_GT(WriteFramesSince(mark, true), 0) << command[0];
        // Reading the lighting takes a session of its own; nothing is written in it.
        mark = keyboard_->TraceMark();
        Ok(command);
        EXPECT_EQ(WriteFramesSince(mark, true), 0) << command[0];
    }
}

}  // namespace
}  // namespace quorvel::testing
