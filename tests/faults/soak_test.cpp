// A long seeded run of quorvelctl commands with faults armed between them. The model of what the
// keyboard and the files must hold is a second virtual keyboard that gets the same commands
// without faults: after every step both keyboards must hold the same key tables, macro area,
// lighting and key colours, both active profile files and every export must match byte for
// byte, and every profile file must be whole. A step that failed under a fault is run once more
// after the fault has cleared, as a user would (a macro change is first undone by importing the
// profile set as it was, since running it twice is not the same as once).
//
// QUORVEL_SOAK_STEPS (default 60) and QUORVEL_SOAK_SEED (default 1; "clock" picks one) set the
// run; a failure names the seed and the step, and the same seed replays the same run.
// QUORVEL_SOAK_SKIP leaves out disturbances by name (comma-separated: unplug, fe, ff, lost,
// drop, fe-once, late, twice, stray, kill; default none).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "base/byte_order.h"
#include "base/utf16.h"
#include "fault_support.h"
#include "model/profile_check.h"
#include "model/profile_image.h"
#include "model/profile_store.h"
#include "tests/support/quorvelctl_runner.h"
#include "tests/support/virtual_keyboard.h"

namespace quorvel::testing {
namespace {

namespace fs = std::filesystem;

constexpr int DEFAULT_STEPS = 60;
constexpr int DEFAULT_SEED = 1;
constexpr int MAX_MACROS = 12;
constexpr int PROFILES = 3;
const char* const LETTERS[] = {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M",
                               "N", "O", "P", "Q", "R", "S", "T", "U", "V", "W", "X", "Y", "Z"};
// Modes every keyboard of the default list offers.
const char* const MODES[] = {"1", "2", "4", "5", "13", "20"};

int EnvNumber(const char* name, long fallback) {
    const char* text = std::getenv(name);
    return text && *text ? static_cast<int>(std::strtol(text, nullptr, 10))
                         : static_cast<int>(fallback);
}

// One keyboard with the program folder and data folder quorvelctl uses with it.
struct Station {
    explicit Station(VirtualKeyboard::Options options)
        : keyboard(std::make_unique<VirtualKeyboard>(std::move(options))) {
        // A program folder of its own: user colour files live beside the program.
        program = keyboard->Dir() + "/program";
        data = keyboard->Dir() + "/data";
        fs::create_directories(program + "/Skins");
        fs::copy_file(BinDir() + "/quorvelctl", program + "/quorvelctl");
        fs::create_symlink(BinDir() + "/libHidServVirtual.so", program + "/libHidServVirtual.so");
        if (fs::exists(BinDir() + "/Skins/language.ini"))
            fs::copy_file(BinDir() + "/Skins/language.ini", program + "/Skins/language.ini");
    }

    CtlOutcome Run(const std::vector<std::string>& args) const {
        return RunQuorvelctl(*keyboard, program, data, args, {"-q"});
    }

    std::string Export(const std::string& name) const { return keyboard->Dir() + "/" + name; }
    std::string ProfileFile(int p) const { return data + "/$Profile" + std::to_string(p); }

    std::unique_ptr<VirtualKeyboard> keyboard;
    std::string program, data;
};

// What the two keyboards must agree on: every stored area, as the dump shows it.
std::string Stored(const VirtualKeyboard& keyboard) {
    const std::string dump = keyboard.Run({"dump"});
    std::string stored;
    for (const char* key : {"settings", "params", "keyColours", "keyBlocks", "macroArea"}) {
        const std::vector<uint8_t> bytes = DumpArea(dump, key);
        stored += std::string(key) + ":" + std::string(bytes.begin(), bytes.end()) + "|";
    }
    return stored;
}

struct Step {
    Step(std::vector<std::string> args, bool repeatable = true, std::string exportName = {})
        : args(std::move(args)), repeatable(repeatable), exportName(std::move(exportName)) {}

    std::vector<std::string> args;
    bool repeatable;         // running it twice leaves what running it once leaves
    std::string exportName;  // the file an export writes, compared between the two
};

class Soak : public ::testing::Test {
protected:
    void SetUp() override {
        VirtualKeyboard::Options options;
        options.strict = true;
        options.extraArgs = {"--end-busy-ms", "5"};
        tested_ = std::make_unique<Station>(options);
        model_ = std::make_unique<Station>(options);
    }

    std::string Pick(const std::vector<std::string>& from) {
        return from[std::uniform_int_distribution<size_t>(0, from.size() - 1)(rng_)];
    }
    int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
    std::string Colour() {
        char text[8];
        std::snprintf(text, sizeof text, "%06X", Between(0, 0xFFFFFF));
        return text;
    }
    std::string Letter() { return LETTERS[Between(0, 25)]; }

    Step NextStep(int index) {
        switch (Between(0, 9)) {
            case 0:
            case 1: {
                std::string assignment = Pick({"default", "key:" + Letter(), "disable"});
                if (macros_ > 0 && Between(0, 2) == 0)
                    assignment = "macro:" + std::to_string(Between(1, macros_));
                return {{"key", "set", Letter(), assignment}};
            }
            case 2:
                if (macros_ < MAX_MACROS) {
                    Step step{{"macro", "add", "m" + std::to_string(index)}, false};
                    for (int n = Between(1, 12); n > 0; --n) {
                        const std::string key = Letter();
                        step.args.insert(step.args.end(),
                                         {key + "+", std::to_string(Between(0, 300)), key + "-"});
                    }
                    return step;
                }
                [[fallthrough]];
            case 3:
                if (macros_ > 0)
                    return {{"macro", "delete", std::to_string(Between(1, macros_))}, false};
                return {{"profile", "set", std::to_string(Between(1, PROFILES))}};
            case 4:
                return {{"profile", "set", std::to_string(Between(1, PROFILES))}};
            case 5:
                return {{"lighting", "set", "mode=" + std::string(MODES[Between(0, 5)]),
                         "brightness=" + std::to_string(Between(0, 5)),
                         "speed=" + std::to_string(Between(0, 5)), "colour=" + Colour()}};
            case 6:
                return {{"usermode", "paint", Letter(), Between(0, 3) ? Colour() : "base"}};
            case 7: {
                const std::string name = "export" + std::to_string(exports_.size()) + ".fwc";
                exports_.push_back(name);
                return {{"export", name}, true, name};
            }
            case 8:
                if (!exports_.empty()) {
                    // An earlier profile set comes back; its macros are the keyboard's again.
                    return {{"import", Pick(exports_)}};
                }
                [[fallthrough]];
            default:
                return {{"lighting", "set", "brightness=" + std::to_string(Between(0, 5))}};
        }
    }

    static bool Skipped(const char* name) {
        const char* skip = std::getenv("QUORVEL_SOAK_SKIP");
        if (!skip) return false;
        std::stringstream list(skip);
        for (std::string word; std::getline(list, word, ',');)
            if (word == name) return true;
        return false;
    }

    // Arms a fault for the next step, or does something to the keyboard between steps.
    std::string Disturb() {
        static const char* const NAMES[] = {"unplug",  "fe",   "ff",    "lost",  "drop",
                                            "fe-once", "late", "twice", "stray", "kill"};
        const std::string at = std::to_string(Between(0, 160));
        const int kind = Between(0, 19);
        if (kind < 10 && Skipped(NAMES[kind])) return "";
        switch (kind) {
            case 0:
                tested_->keyboard->Run({"fault", "unplug-after", std::to_string(Between(1, 160))});
                return "unplug";
            case 1:
                tested_->keyboard->Run({"fault", "after", at, "status", "fe", "3"});
                return "status FE at " + at;
            case 2:
                tested_->keyboard->Run({"fault", "after", at, "status", "ff", "3"});
                return "status FF at " + at;
            case 3:
                tested_->keyboard->Run({"fault", "after", at, "lose-reply", "3"});
                return "replies lost at " + at;
            case 4:
                tested_->keyboard->Run({"fault", "after", at, "drop", "1"});
                return "one frame dropped at " + at;
            case 5:
                tested_->keyboard->Run({"fault", "after", at, "status", "fe", "1"});
                return "one FE at " + at;
            case 6:
                tested_->keyboard->Run({"fault", "after", at, "delay", "1100", "1"});
                return "a reply 1100 ms late at " + at;
            case 7:
                tested_->keyboard->Run({"fault", "after", at, "duplicate", "1"});
                return "a reply twice at " + at;
            case 8:
                tested_->keyboard->Run({"inject", "04", "00", "00", "08"});
                return "a stray control report";
            case 9:
                tested_->keyboard->Crash();
                return "keyboard killed and restarted";
            default:
                return "";
        }
    }

    void Clear() {
        tested_->keyboard->Run({"fault", "clear"});
        tested_->keyboard->Run({"plug"});
    }

    // Both stations agree on everything the step could have touched.
    void Compare(const Step& step) {
        ASSERT_EQ(Stored(*tested_->keyboard), Stored(*model_->keyboard))
            << "the keyboard differs from the model";
        ExpectWholeProfileFiles();
        if (!step.exportName.empty()) {
            const std::string name = step.exportName;
            EXPECT_EQ(ExportedContents(tested_->Export(name)),
                      ExportedContents(model_->Export(name)))
                << "the export differs";
        }
    }

    // What an export says of the keyboard: the three profiles' keys and the macros. Macro ids
    // are the program's own and follow its history, so they are left out.
    static std::string ExportedContents(const std::string& path) {
        WorkingSetData data;
        if (!LoadProfileFile(path, data)) return "unreadable";
        std::string text;
        const std::vector<MacroRecord>& macros = data.macros.Records();
        for (int area = 0; area < PROFILES; ++area)
            for (const KeyAssignment& a : data.keyAreas[static_cast<size_t>(area)]) {
                // A key names its macro by id; the macro's place in the list is what counts.
                int value = a.value;
                if (a.type == ASSIGN_MACRO)
                    value = static_cast<int>(
                        std::find_if(macros.begin(), macros.end(),
                                     [&](const MacroRecord& m) { return m.id == a.value; }) -
                        macros.begin());
                text += std::to_string(a.type) + ":" + std::to_string(value) + ",";
            }
        for (const MacroRecord& macro : macros) {
            text += "|" + std::to_string(macro.cycles) + ":" + ToUtf8(macro.Name());
            for (const MacroAction& a : macro.actions)
                text += ";" + std::to_string(a.key) + "/" + std::to_string(a.state) + "/" +
                        std::to_string(a.delayMs);
        }
        return text;
    }

    // A profile file is a valid image exactly as long as its header says, or absent.
    void ExpectWholeProfileFiles() {
        for (int p = 0; p < PROFILES; ++p) {
            const std::string bytes = ReadWhole(tested_->ProfileFile(p));
            if (bytes.empty()) continue;
            const auto* image = reinterpret_cast<const uint8_t*>(bytes.data());
            EXPECT_TRUE(bytes.size() >= PROFILE_HEADER_SIZE && IsValidImageHeader(image) &&
                        ReadLe32(image + PROFILE_OFFSET_TOTAL_SIZE) == bytes.size())
                << "profile file " << p << " is torn";
        }
    }

    // The macros the model keyboard holds, from its macro area's header.
    int CountMacros() {
        const std::vector<uint8_t> area = DumpArea(model_->keyboard->Run({"dump"}), "macroArea");
        return area.size() >= 6 && ReadLe16(&area[0]) == 0x55AA ? ReadLe16(&area[4]) : 0;
    }

    std::unique_ptr<Station> tested_, model_;
    std::mt19937 rng_;
    int macros_ = 0;
    std::vector<std::string> exports_;
};

TEST_F(Soak, SeededRunOfCommandsWithFaults) {
    const int steps = EnvNumber("QUORVEL_SOAK_STEPS", DEFAULT_STEPS);
    const char* seedText = std::getenv("QUORVEL_SOAK_SEED");
    const bool fromClock = seedText && std::string(seedText) == "clock";
    const unsigned seed = static_cast<unsigned>(
        fromClock ? std::chrono::system_clock::now().time_since_epoch().count() % 1000000
                  : EnvNumber("QUORVEL_SOAK_SEED", DEFAULT_SEED));
    rng_.seed(seed);
    const auto start = std::chrono::steady_clock::now();
    int failedUnderFault = 0;
    for (int i = 0; i < steps; ++i) {
        Step step = NextStep(i);
        // Exports and imports name files of each station's own folder.
        auto argsFor = [&step](const Station& station) {
            std::vector<std::string> args = step.args;
            if (args[0] == "export" || args[0] == "import") args[1] = station.Export(args[1]);
            return args;
        };
        const std::string fault = Disturb();
        std::string line;
        for (const std::string& arg : step.args) line += " " + arg;
        SCOPED_TRACE("seed " + std::to_string(seed) + ", step " + std::to_string(i) + ":" + line +
                     (fault.empty() ? "" : " [" + fault + "]"));

        const CtlOutcome tried = tested_->Run(argsFor(*tested_));
        Clear();
        ASSERT_NE(tried.exitCode, 2) << tried.err;
        if (tried.exitCode != 0) {
            ASSERT_FALSE(fault.empty()) << "failed without a fault: " << tried.err;
            ++failedUnderFault;
            ExpectWholeProfileFiles();
            if (!step.repeatable) {
                const CtlOutcome saved = model_->Run({"export", model_->Export("undo.fwc")});
                ASSERT_EQ(saved.exitCode, 0) << saved.err;
                fs::copy_file(model_->Export("undo.fwc"), tested_->Export("undo.fwc"),
                              fs::copy_options::overwrite_existing);
                const CtlOutcome undone =
                    tested_->Run({"import", tested_->Export("undo.fwc")});
                ASSERT_EQ(undone.exitCode, 0) << "the undo failed: " << undone.err;
            }
            const CtlOutcome again = tested_->Run(argsFor(*tested_));
            ASSERT_EQ(again.exitCode, 0) << "the step failed again without a fault: " << again.err;
        }
        const CtlOutcome modelled = model_->Run(argsFor(*model_));
        ASSERT_EQ(modelled.exitCode, 0) << "the model refused the step: " << modelled.err;
        Compare(step);
        if (HasFatalFailure() || HasFailure()) {
            ADD_FAILURE() << "replay with QUORVEL_SOAK_SEED=" << seed;
            return;
        }
        // An import brings the macros of its file; the model knows how many there are now.
        macros_ = CountMacros();
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("soak: seed %u, %d steps, %d failed under a fault and were run again, %.1f s\n",
                seed, steps, failedUnderFault, seconds);
}

}  // namespace
}  // namespace quorvel::testing
