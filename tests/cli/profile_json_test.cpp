// End to end: JSON profile documents through the built quorvelctl and a private virtual
// keyboard. The tool runs from a copy in its own program folder, so the user colour files it
// writes stay in the test's folder.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/quorvelctl_runner.h"
#include "tests/support/virtual_keyboard.h"

namespace quorvel::testing {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

using Outcome = CtlOutcome;

void WriteWhole(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// The names a document gives modes come from the skin; they are not what is compared, and
// neither is the order of keys within an object.
nlohmann::json Comparable(const Json& document) {
    nlohmann::json comparable = nlohmann::json::parse(document.dump());
    for (auto& profile : comparable["profiles"]) profile["lighting"]["mode"].erase("name");
    return comparable;
}

class ProfileJsonCli : public ::testing::Test {
protected:
    void SetUp() override {
        VirtualKeyboard::Options options;
        options.capacityUnits = 255;
        // Every mode group, the preset mode included.
        options.modes = "4,5,6,8,7,9,13,14,15,1,2,3,11,10,12,16,18,20,17";
        keyboard_ = std::make_unique<VirtualKeyboard>(options);
        dir_ = keyboard_->Dir();
        programDir_ = dir_ + "/program";
        fs::create_directories(programDir_ + "/Skins");
        fs::copy_file(BinDir() + "/quorvelctl", programDir_ + "/quorvelctl");
        fs::create_symlink(BinDir() + "/libHidServVirtual.so",
                           programDir_ + "/libHidServVirtual.so");
        for (const char* file : {"Main.ini", "language.ini"})
            if (fs::exists(BinDir() + "/Skins/" + file))
                fs::create_symlink(BinDir() + "/Skins/" + file,
                                   programDir_ + "/Skins/" + std::string(file));
    }

    Outcome Run(const std::vector<std::string>& args) {
        return RunQuorvelctl(*keyboard_, programDir_, dir_ + "/data", args);
    }

    void Ok(const std::vector<std::string>& args) {
        Outcome outcome = Run(args);
        ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    }

    Json Export() {
        const std::string path = dir_ + "/exported.json";
        Ok({"export", "--format", "json", path});
        return Json::parse(ReadWhole(path));
    }

    std::string Import(const Json& document) {
        const std::string path = dir_ + "/profiles.json";
        WriteWhole(path, document.dump(2));
        return path;
    }

    // Everything an import could change: the keyboard's flash, the data folder, the user
    // colour files.
    std::string Everything() {
        std::string all;
        const Json dump = Json::parse(keyboard_->Run({"dump"}));
        for (const char* field : {"params", "keyColours", "keyBlocks", "macroArea", "settings"})
            all += dump[field].get<std::string>() + "|";
        for (const std::string& folder : {dir_ + "/data", programDir_ + "/Skins"}) {
            if (!fs::exists(folder)) continue;
            std::vector<std::string> files;
            for (const auto& file : fs::directory_iterator(folder)) files.push_back(file.path());
            std::sort(files.begin(), files.end());
            for (const std::string& file : files) all += file + ":" + ReadWhole(file) + "|";
        }
        return all;
    }

    // A document with 100 macros, every kind of assignment on keys and G keys, texts, and the
    // given effect modes for the three profiles.
    Json FullDocument(const std::array<int, 3>& modes) {
        Json document = Export();
        Json macros = Json::array();
        for (int id = 1; id <= 100; ++id)
            macros.push_back(
                {{"id", id},
                 {"name", "Macro number " + std::to_string(id)},
                 {"cycles", id % 7 + 1},
                 {"steps", {"Shift+", 10 * (id % 4), "A+", 20, "A-", 0, "Shift-", 40000}}});
        document["macros"] = macros;
        Json& first = document["profiles"][0];
        first["keys"] = {{"A", "disable"},
                         {"B", "key:Caps Lock"},
                         {"C", "macro:5"},
                         {"D", "macro:6x7"},
                         {"E", "stop-macro"},
                         {"F", "media:Volume Up"},
                         {"G", "function:Paste"},
                         {"H", "program:/usr/bin/xterm -e top"},
                         {"I", "text:Grüße, 世界\nline two"}};
        first["gKeys"] = {{"a", {{"G1", "macro:100"}, {"G5", "key:Esc"}}},
                          {"b", {{"G9", "text:bank b"}, {"G2", "function:Undo"}}}};
        document["profiles"][1]["keys"] = {{"Caps Lock", "key:Ctrl"}, {"Z", "macro:100x3"}};
        document["profiles"][2]["keys"] = {{"Esc", "media:Mute"}};
        for (size_t p = 0; p < 3; ++p) {
            Json& lighting = document["profiles"][p]["lighting"];
            lighting["mode"] = {{"id", modes[p]}};
            lighting["brightness"] = static_cast<int>(p) + 2;
            lighting["speed"] = 5 - static_cast<int>(p);
            lighting["direction"] = static_cast<int>(p % 2);
            lighting["colourful"] = p != 1;
            lighting["colour"] = "10" + std::to_string(p) + "0A0";
            lighting["baseColour"] = "0000F" + std::to_string(p);
            lighting["preset"] = static_cast<int>(p) + 1;
            lighting["reportRate"] = 3 - static_cast<int>(p);
            Json& userModes = lighting["userModes"];
            userModes["currentIndex"] = static_cast<int>(p) + 3;
            Json& mode = userModes["modes"][p + 3];
            mode["name"] = "Mode of profile " + std::to_string(p + 1);
            mode["tool"] = 1;
            mode["colours"]["Esc"] = "00FF00";
            mode["colours"]["Fn"] = "123456";
            mode["baseColourKeys"] = {"F1", "Fn"};
        }
        return document;
    }

    std::unique_ptr<VirtualKeyboard> keyboard_;
    std::string dir_, programDir_;
};

TEST_F(ProfileJsonCli, DocumentThroughTheKeyboardComesBackTheSameForEveryModeGroup) {
    // Directional, coloured, speed only; vertical, steady, spreading; user per-key, preset,
    // speed only with many colours.
    for (const std::array<int, 3>& modes :
         {std::array{1, 5, 4}, std::array{12, 6, 18}, std::array{20, 17, 10}}) {
        SCOPED_TRACE(modes[0]);
        const Json document = FullDocument(modes);
        Ok({"import", Import(document)});
        const nlohmann::json difference =
            nlohmann::json::diff(Comparable(document), Comparable(Export()));
        EXPECT_TRUE(difference.empty()) << difference.dump().substr(0, 2000);

        // The lighting went to the keyboard itself, not only to the files.
        const std::string params = Json::parse(keyboard_->Run({"dump"}))["params"];
        for (size_t p = 0; p < 3; ++p) {
            const int mode = std::stoi(params.substr(p * 84, 2), nullptr, 16);
            EXPECT_EQ(mode, modes[p]);
        }
    }
}

TEST_F(ProfileJsonCli, ProfileFileToDocumentToProfileFileKeepsTheBytes) {
    Ok({"import", Import(FullDocument({1, 5, 20}))});
    const std::string fwc = dir_ + "/a.fwc", json = dir_ + "/a.json", again = dir_ + "/b.fwc";
    Ok({"export", fwc});
    Ok({"export", json});  // the name chooses JSON when --format is not given
    ASSERT_EQ(ReadWhole(json).front(), '{');
    Ok({"import", json});
    Ok({"export", "--format", "fwc", again});
    EXPECT_EQ(ReadWhole(again), ReadWhole(fwc));

    // A document saved under a profile-file name is still read as a document.
    const std::string disguised = dir_ + "/disguised.fwc";
    fs::copy_file(json, disguised);
    Outcome outcome = Run({"--json", "import", disguised});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_NE(outcome.out.find("\"format\":\"json\""), std::string::npos) << outcome.out;
}

struct Refusal {
    const char* what;
    std::function<void(Json&)> change;
    const char* message;  // what stderr must hold after "import: FILE: "
};

TEST_F(ProfileJsonCli, RefusedDocumentsChangeNothing) {
    const Json valid = FullDocument({1, 5, 20});
    Ok({"import", Import(valid)});
    const std::string before = Everything();
    const Refusal refusals[] = {
        {"unknown key", [](Json& d) { d["profiles"][0]["lighting"]["glow"] = 1; },
         "/profiles/0/lighting/glow: unknown key"},
        {"out of range", [](Json& d) { d["profiles"][1]["lighting"]["brightness"] = 9; },
         "/profiles/1/lighting/brightness: 9 is not a whole number from 0 to 5"},
        {"no such key", [](Json& d) { d["profiles"][2]["keys"]["Hyper"] = "disable"; },
         "/profiles/2/keys/Hyper: no key named \"Hyper\""},
        {"macro not in the list", [](Json& d) { d["profiles"][2]["keys"]["Q"] = "macro:101"; },
         "/profiles/2/keys/Q"},
        {"101 macros", [](Json& d) { d["macros"].push_back(d["macros"][0]); },
         "/macros: the keyboard holds at most 100 macros, not 101"},
        {"mode the keyboard does not offer",
         [](Json& d) { d["profiles"][1]["lighting"]["mode"]["id"] = 19; },
         "/profiles/1/lighting/mode/id: the keyboard offers no mode 19"},
        {"macro area too small",
         [](Json& d) {
             Json steps = Json::array();
             for (int k = 0; k < 1000; ++k) steps.insert(steps.end(), {"A+", 10, "A-", 10});
             for (Json& macro : d["macros"]) macro["steps"] = steps;
         },
         "/macros: the macros need"},
        {"not JSON", [](Json& d) { d = "{"; }, "not JSON"},
        {"nested 50,000 levels",
         [](Json& d) {
             d = "{\"format\": " + std::string(50000, '[') + std::string(50000, ']') + "}";
         },
         "not a profile document: nested more than 16 levels deep\n"},
        {"larger than any document",
         [](Json& d) { d = "{" + std::string(size_t{5} << 20, ' ') + "}"; },
         "the file is larger than 4 MiB, more than any profile document holds\n"},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.what);
        Json document = valid;
        refusal.change(document);
        const std::string path = dir_ + "/refused.json";
        WriteWhole(path, document.is_string() ? document.get<std::string>() : document.dump(1));
        Outcome outcome = Run({"import", path});
        EXPECT_EQ(outcome.exitCode, 2);
        EXPECT_NE(outcome.err.find("quorvelctl: import: " + path + ": " + refusal.message),
                  std::string::npos)
            << outcome.err;
        EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
        EXPECT_EQ(Everything(), before);
    }
}

TEST_F(ProfileJsonCli, AKeyboardThatCannotBeReadBeforeTheFirstWriteKeepsEverythingAndFails) {
    const Json first = FullDocument({1, 5, 20}), second = FullDocument({12, 6, 18});
    // A clean import shows where its reads end: the lighting records are read in a session of
    // their own before anything is written.
    const size_t mark = keyboard_->TraceMark();
    Ok({"import", Import(first)});
    const std::vector<std::string> frames = keyboard_->FramesSentSince(mark);
    const auto begin = std::find_if(frames.begin(), frames.end(), [](const std::string& frame) {
        return frame.substr(9, 2) == "01";  // byte 3 of "04 xx xx CC ...": begin
    });
    ASSERT_NE(begin, frames.end());
    const std::string firstLightingRead = std::to_string(begin - frames.begin() + 2);
    const std::string before = Everything();

    keyboard_->Run({"fault", "after", firstLightingRead, "status", "fe", "1000"});
    const Outcome outcome = Run({"import", Import(second)});
    keyboard_->Run({"fault", "clear"});
    EXPECT_EQ(outcome.exitCode, 1) << "a keyboard failure, not a bad file";
    EXPECT_NE(
        outcome.err.find("quorvelctl: import: cannot read the keyboard's settings and lighting"),
        std::string::npos)
        << outcome.err;
    EXPECT_EQ(Everything(), before);
}

// The files of an import change together: when one user colour file cannot be replaced, none
// is, nor the profile file, and the keyboard is not written either.
TEST_F(ProfileJsonCli, AFileThatCannotBeReplacedLeavesEveryFileAndTheKeyboardAsTheyWere) {
    Ok({"import", Import(FullDocument({1, 5, 20}))});
    std::string blocked;
    for (const auto& file : fs::recursive_directory_iterator(dir_))
        if (file.path().filename() == "UserDengColor_2.userd") blocked = file.path();
    ASSERT_FALSE(blocked.empty());
    fs::remove(blocked);
    fs::create_directories(blocked + "/in-the-way");
    const auto snapshot = [this] {
        std::string all = Everything();
        std::vector<std::string> files;
        for (const auto& file : fs::recursive_directory_iterator(dir_ + "/data"))
            if (file.is_regular_file()) files.push_back(file.path());
        std::sort(files.begin(), files.end());
        for (const std::string& file : files) all += file + ":" + ReadWhole(file) + "|";
        return all;
    };
    const std::string before = snapshot();

    const Outcome outcome = Run({"import", Import(FullDocument({12, 6, 18}))});
    EXPECT_EQ(outcome.exitCode, 1) << outcome.err;
    EXPECT_EQ(outcome.err,
              "quorvelctl: import: the profile and user colour files could not be replaced, so "
              "nothing was imported (" +
                  blocked + ": cannot replace the file)\n");
    EXPECT_EQ(snapshot(), before);
}

}  // namespace
}  // namespace quorvel::testing
