// quorvelctl lighting and usermode against a private virtual keyboard, run from a program
// folder of its own with a per-user folder of its own, so the user colour files are the test's
// alone.
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

#include "tests/support/keyboard_dump.h"
#include "tests/support/quorvelctl_runner.h"
#include "tests/support/virtual_keyboard.h"

namespace quorvel::testing {
namespace {

namespace fs = std::filesystem;

using Outcome = CtlOutcome;

class LightingCommand : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        keyboard_ = std::make_unique<VirtualKeyboard>(
            VirtualKeyboard::OptionsWith(&VirtualKeyboard::Options::modes, GetParam()));
        program_ = keyboard_->Dir() + "/program";
        fs::create_directories(program_ + "/Skins");
        fs::copy_file(BinDir() + "/quorvelctl", program_ + "/quorvelctl");
        fs::create_symlink(BinDir() + "/libHidServVirtual.so", program_ + "/libHidServVirtual.so");
        if (fs::exists(BinDir() + "/Skins/language.ini"))
            fs::copy_file(BinDir() + "/Skins/language.ini", program_ + "/Skins/language.ini");
    }

    Outcome Run(const std::vector<std::string>& args) {
        return RunQuorvelctl(*keyboard_, program_, keyboard_->Dir() + "/data", args);
    }

    void Ok(const std::vector<std::string>& args) {
        const Outcome outcome = Run(args);
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    }

    // Refused as bad usage with one line naming the problem, and nothing written.
    void Refused(const std::vector<std::string>& args, const std::string& says) {
        const size_t mark = keyboard_->TraceMark();
        const Outcome outcome = Run(args);
        EXPECT_EQ(outcome.exitCode, 2) << args[2] << ": " << outcome.err;
        EXPECT_NE(outcome.err.find(says), std::string::npos) << outcome.err;
        EXPECT_EQ(Writes(mark), 0) << args[2];
    }

    // Parameter (0x06) and key colour (0x11) writes among the frames sent since the mark.
    int Writes(size_t mark) {
        int writes = 0;
        for (const std::string& frame : keyboard_->FramesSentSince(mark)) {
            const std::string command = frame.substr(9, 2);
            writes += command == "06" || command == "11";
        }
        return writes;
    }

    // Bytes of a hex area of the daemon's dump, as hex.
    std::string Area(const std::string& key, size_t offset, size_t count) {
        return DumpHex(*keyboard_, key, offset, count);
    }

    std::string UserFile() {
        return ReadWhole(QuorvelctlUserFolder(*keyboard_) + "/Skins/UserDengColor_0.userd");
    }

    std::unique_ptr<VirtualKeyboard> keyboard_;
    std::string program_;
};

TEST_P(LightingCommand, EverySettingGivenHoldsWhateverTheOrder) {
    Ok({"lighting", "set", "brightness=2", "speed=1", "direction=1", "colour=102030", "mode=5"});
    // Mode 5 carries the colourful byte, so offsets 0-4 went in one frame.
    EXPECT_EQ(Area("params", 0, 8), "0502040100102030");
    Ok({"lighting", "set", "mode=1", "brightness=5", "colourful=1"});
    EXPECT_EQ(Area("params", 0, 5), "0105040101");
}

TEST_P(LightingCommand, ModesOutsideTheTableOrNotOfferedAreRefused) {
    for (const char* id : {"19", "21", "255"})
        Refused({"lighting", "set", std::string("mode=") + id}, "is not a lighting mode");
    if (!GetParam().empty())
        Refused({"lighting", "set", "mode=6"}, "the keyboard offers no mode 6");
    // Any mode the keyboard offers is taken, whatever place it has in the keyboard's order.
    Ok({"lighting", "set", "mode=1"});
    EXPECT_EQ(Area("params", 0, 1), "01");
    Ok({"lighting", "set", "mode=4"});
    EXPECT_EQ(Area("params", 0, 1), "04");
}

TEST_P(LightingCommand, TheBaseColourItHasWritesNothing) {
    Ok({"lighting", "set", "base=00FF00"});
    EXPECT_EQ(Area("params", 9, 3), "00FF00");
    const std::string file = UserFile();
    const size_t mark = keyboard_->TraceMark();
    Ok({"lighting", "set", "base=00ff00"});
    EXPECT_EQ(Writes(mark), 0);
    EXPECT_EQ(UserFile(), file);
}

TEST_P(LightingCommand, PaintTakesOnlyKeysOfTheMap) {
    for (const char* position : {"G1", "125", "13", "122", "Nokey"})
        Refused({"usermode", "paint", position, "0000FF"}, "is no key of the keyboard map");
    Ok({"usermode", "paint", "A", "0000FF"});
    Ok({"usermode", "paint", "110", "00FF00"});
    // A is matrix position 64 (row 3, column 1); Fn is 110.
    EXPECT_EQ(Area("keyColours", 3 * 64, 3), "0000FF");
    EXPECT_EQ(Area("keyColours", 3 * 110, 3), "00FF00");
    // The painted keys are kept in the per-user folder; the program folder is only read.
    EXPECT_NE(UserFile().find("110=0,255,0,"), std::string::npos) << UserFile();
    for (const auto& entry : fs::directory_iterator(program_ + "/Skins"))
        EXPECT_EQ(entry.path().filename(), "language.ini");
}

// The keyboard's default modes in list order, and a few announced in another order.
INSTANTIATE_TEST_SUITE_P(Orders, LightingCommand, ::testing::Values("", "20,1,4,5,12"),
                         [](const auto& info) { return info.index == 0 ? "Listed" : "Shuffled"; });

}  // namespace
}  // namespace quorvel::testing
