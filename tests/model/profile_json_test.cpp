// Profile documents: image -> document -> image keeps every byte, the lighting and user colour
// modes come back as written, and every refused document names the JSON path of its fault.
#include "model/profile_json.h"

#include <gtest/gtest.h>

#include <functional>
#include <nlohmann/json.hpp>
#include <set>
#include <variant>

#include "base/utf16.h"
#include "model/key_table.h"
#include "model/macro_list.h"
#include "model/profile_image.h"
#include "model/profile_store.h"

namespace quorvel {
namespace {

using Json = nlohmann::ordered_json;

KeyAssignment Assign(int16_t type, int32_t value, uint16_t aux = 0) {
    KeyAssignment a;
    a.type = type;
    a.value = value;
    a.aux = aux;
    return a;
}

MacroRecord Macro(uint16_t id, std::u16string_view name, uint8_t cycles, int steps) {
    MacroRecord record;
    record.id = id;
    record.cycles = cycles;
    record.SetName(name);
    for (int k = 0; k < steps; ++k)
        record.actions.push_back(
            MakeMacroAction(static_cast<uint32_t>(k * 10 % 40000), k % 2 ? 0x01E : 0x02A, k % 2));
    return record;
}

// Every kind of entry a profile file can hold, including those without words.
WorkingSetData EveryKindOfData() {
    WorkingSetData data;
    CreateFreshWorkingSet(data);  // areas 1-3 without G-key codes: raw entries
    MacroRecord full = Macro(7, u"Full", 2, MACRO_MAX_ACTIONS);
    full.reserved = 0x1234;
    data.macros.Replace({Macro(1, u"Hello", 1, 4), Macro(3, u"Grüße ✓", 5, 2), full});
    KeyArea& a0 = data.keyAreas[0];
    a0[0x1E] = Assign(ASSIGN_DISABLED, 0);
    a0[0x1F] = Assign(ASSIGN_KEY, 0x02A);
    a0[0x20] = Assign(ASSIGN_KEY, 0x15B);
    a0[0x21] = Assign(ASSIGN_MACRO, 1);     // as read from the keyboard
    a0[0x22] = Assign(ASSIGN_MACRO, 3, 5);  // as the key editor writes it
    a0[0x23] = Assign(ASSIGN_STOP_MACRO, 0);
    a0[0x24] = Assign(ASSIGN_MEDIA, 17);
    a0[0x25] = Assign(ASSIGN_FUNCTION, 10);
    a0[0x26] = Assign(ASSIGN_PROGRAM, 0);
    a0[0x27] = Assign(ASSIGN_TEXT, 0);
    a0[0x28] = Assign(ASSIGN_MEDIA, 40);    // outside the table
    a0[0x29] = Assign(9, 3);                // unknown type
    a0[0x2A] = Assign(ASSIGN_MACRO, 3, 9);  // a stale cycles copy
    a0[0x2B] = Assign(ASSIGN_DISABLED, 0);
    a0[0x2B].colourFlag = 1;  // the window's colour-key flag
    a0[0x15D - 0x80] = Assign(ASSIGN_KEY, 0x01D);
    a0[0] = Assign(ASSIGN_KEY, 0x01E);
    a0[300] = Assign(ASSIGN_DEFAULT, 0, 0x77);
    a0[G_KEY_ENTRY_BANK_A] = Assign(ASSIGN_MACRO, 7, 2);
    a0[G_KEY_ENTRY_BANK_B + 8] = Assign(ASSIGN_TEXT, 0, a0[G_KEY_ENTRY_BANK_B + 8].aux);
    data.keyAreas[2][0x30] = Assign(ASSIGN_PROGRAM, 0);
    data.keyAreas[3][5] = Assign(ASSIGN_KEY, 0x030);
    data.texts.Set(WorkingSetEntryIndex(0, 0x26), u"/usr/bin/xterm -e top");
    data.texts.Set(WorkingSetEntryIndex(0, 0x27), u"Zeile 1\r\nZeile 2 — ✓");
    data.texts.Set(WorkingSetEntryIndex(0, G_KEY_ENTRY_BANK_B + 8), u"bank b");
    data.texts.Set(WorkingSetEntryIndex(2, 0x30), u"");
    return data;
}

ProfileDocument SampleDocument() {
    ProfileDocument document;
    document.data = EveryKindOfData();
    for (int p = 0; p < ONBOARD_PROFILE_COUNT; ++p) {
        LightingParams& params = document.lighting[static_cast<size_t>(p)].params;
        params.mode = static_cast<uint8_t>(p == 0 ? 20 : p == 1 ? 17 : 3);
        params.brightness = 3;
        params.speed = 1;
        params.direction = 1;
        params.colourful = 1;
        params.colour = {0x12, 0x34, 0x56};
        params.baseColour = {0xAB, 0xCD, 0xEF};
        params.reportRate = 2;
        params.preset = static_cast<uint8_t>(p);
        params.secondColourfulLook = 1;
        params.trigger = 1;
        params.secondColour = {1, 2, 3};
        params.secondColourOn = 1;
        params.thirdColour = {4, 5, 6};
        UserColourSet& set = document.lighting[static_cast<size_t>(p)].userColours;
        set.currentMode = 4;
        set.modes[4].name = "Ocean — 海";
        set.modes[4].tool = TOOL_BASE_COLOUR;
        set.modes[4].baseColour = ColourOf(0, 0, 255);
        set.modes[4].userColour = ColourOf(0, 255, 255);
        set.modes[4].keys[MATRIX_FN_POSITION] = KeyColourEntry{ColourOf(9, 8, 7), 0};
        set.modes[9].keys[static_cast<size_t>(MatrixKeys()[5].position)] =
            KeyColourEntry{ColourOf(1, 1, 1), 1};
        // Positions a user mode does not keep read back from a document as red and unmarked.
        const std::vector<int> kept = UserModeKeyPositions();
        for (UserModeColours& mode : set.modes)
            for (size_t k = 0; k < mode.keys.size(); ++k)
                if (std::find(kept.begin(), kept.end(), static_cast<int>(k)) == kept.end())
                    mode.keys[k] = KeyColourEntry{COLOUR_RED, 0};
    }
    return document;
}

std::string SampleText() {
    return WriteProfileJson(SampleDocument(), [](int id) { return "Mode " + std::to_string(id); });
}

ProfileDocument ReadOk(const std::string& text) {
    auto result = ReadProfileJson(text);
    if (auto* error = std::get_if<ProfileJsonError>(&result)) {
        ADD_FAILURE() << error->Text();
        return {};
    }
    return std::get<ProfileDocument>(result);
}

TEST(ProfileJson, ImageToDocumentToImageKeepsEveryByte) {
    WorkingSetData data = EveryKindOfData();
    const std::vector<uint8_t> image = EncodeProfileImage(data);
    std::optional<WorkingSetData> decoded = DecodeProfileImage(image);
    ASSERT_TRUE(decoded);
    ProfileDocument document = SampleDocument();
    document.data = *decoded;
    ProfileDocument back = ReadOk(WriteProfileJson(document, {}));
    EXPECT_EQ(EncodeProfileImage(back.data), image);
}

TEST(ProfileJson, WordsNameKeysAssignmentsAndStepsAsTheCommandLineDoes) {
    const Json json = Json::parse(SampleText());
    const Json& keys = json["profiles"][0]["keys"];
    EXPECT_EQ(keys["A"], "disable");
    EXPECT_EQ(keys["S"], "key:" + JsonKeyName(0x02A));
    EXPECT_EQ(keys["F"], "macro:1");
    EXPECT_EQ(keys["G"], "macro:3x5");
    EXPECT_EQ(keys["H"], "stop-macro");
    EXPECT_EQ(keys["J"], "media:E-mail");
    EXPECT_EQ(keys["K"], "function:Zoom+");
    EXPECT_EQ(keys["L"], "program:/usr/bin/xterm -e top");
    EXPECT_EQ(json["profiles"][0]["gKeys"]["a"]["G1"], "macro:7x2");
    EXPECT_EQ(json["profiles"][0]["gKeys"]["b"]["G9"], "text:bank b");
    EXPECT_EQ(json["profiles"][2]["keys"].size(), 1u);
    const Json& hello = json["macros"][0];
    const std::string shift = JsonKeyName(0x02A);
    EXPECT_EQ(hello["steps"], Json::array({shift + "+", 0, "A-", 10, shift + "+", 20, "A-", 30}));
    EXPECT_FALSE(hello.contains("reserved"));
    EXPECT_EQ(json["macros"][2]["reserved"], 0x1234);
    EXPECT_EQ(json["profiles"][0]["lighting"]["mode"],
              Json::parse(R"({"id":20,"name":"Mode 20"})"));
    EXPECT_EQ(json["profiles"][0]["lighting"]["speed"], 4);  // slider position of speed byte 1
    // Entries without words: the stale cycles copy, the out-of-table values, the flagged key,
    // entry 0, entry 300, area 3 and the areas without G-key codes.
    std::set<std::pair<int, int>> raw;
    for (const Json& item : json["rawEntries"])
        raw.insert({item["profileIndex"].get<int>(), item["entry"].get<int>()});
    for (auto expected : {std::pair{0, 0x28},
                          {0, 0x29},
                          {0, 0x2A},
                          {0, 0x2B},
                          {0, 0},
                          {0, 300},
                          {3, 5},
                          {1, 256},
                          {2, 273}})
        EXPECT_TRUE(raw.count(expected)) << expected.first << " " << expected.second;
    EXPECT_FALSE(keys.contains("'")) << "an entry is given once";
}

TEST(ProfileJson, LightingAndUserColourModesComeBackAsWritten) {
    ProfileDocument written = SampleDocument();
    ProfileDocument read = ReadOk(SampleText());
    for (size_t p = 0; p < ONBOARD_PROFILE_COUNT; ++p) {
        EXPECT_EQ(read.lighting[p].userColours, written.lighting[p].userColours) << p;
        EXPECT_EQ(read.lighting[p].params, written.lighting[p].params) << p;
    }
}

TEST(ProfileJson, KeyNamesLeadBackToTheirKeys) {
    std::set<std::string> seen;
    for (int row = 1; row < KEY_INFO_ROWS; ++row) {
        const ScanCode s = ScanCodeOf(static_cast<KeyIndex>(row));
        const std::string name = JsonKeyName(s);
        EXPECT_TRUE(seen.insert(name).second) << name;
        EXPECT_EQ(FindJsonKey(name), s) << name;
    }
    EXPECT_EQ(FindJsonKey("caps lock"), ScanCode{0x03A});
    EXPECT_EQ(FindJsonKey("0x03a"), ScanCode{0x03A});
    EXPECT_EQ(FindJsonKey("Up"), ScanCode{0x148});
    EXPECT_FALSE(FindJsonKey("0x080"));  // no key has that code
    EXPECT_FALSE(FindJsonKey("Fn"));
}

TEST(ProfileJson, ContentDecidesTheFormat) {
    auto bytes = [](std::string_view text) {
        return std::vector<uint8_t>(text.begin(), text.end());
    };
    EXPECT_TRUE(LooksLikeJsonDocument(bytes("\xEF\xBB\xBF \r\n\t{\"format\"")));
    EXPECT_FALSE(LooksLikeJsonDocument(bytes("FD \x20\x00")));
    EXPECT_FALSE(LooksLikeJsonDocument(bytes("[]")));
    EXPECT_FALSE(LooksLikeJsonDocument({}));
}

struct RefusedCase {
    const char* what;
    std::function<void(Json&)> change;
    const char* path;
};

TEST(ProfileJson, RefusesTheFirstFaultByItsPath) {
    const RefusedCase cases[] = {
        {"unknown top-level key", [](Json& j) { j["extra"] = 1; }, "/extra"},
        {"wrong format", [](Json& j) { j["format"] = "x"; }, "/format"},
        {"newer version", [](Json& j) { j["version"] = 2; }, "/version"},
        {"two profiles", [](Json& j) { j["profiles"].erase(2); }, "/profiles"},
        {"unknown profile key", [](Json& j) { j["profiles"][1]["colour"] = 1; },
         "/profiles/1/colour"},
        {"unknown key name", [](Json& j) { j["profiles"][0]["keys"]["Nope"] = "disable"; },
         "/profiles/0/keys/Nope"},
        {"name with a slash is escaped",
         [](Json& j) { j["profiles"][0]["keys"]["a/b"] = "disable"; }, "/profiles/0/keys/a~1b"},
        {"key named twice", [](Json& j) { j["profiles"][0]["keys"]["0x01E"] = "disable"; },
         "/profiles/0/keys/0x01E"},
        {"bad words", [](Json& j) { j["profiles"][0]["keys"]["A"] = "explode"; },
         "/profiles/0/keys/A"},
        {"missing macro", [](Json& j) { j["profiles"][1]["keys"]["A"] = "macro:99"; },
         "/profiles/1/keys/A"},
        {"cycles copy differs", [](Json& j) { j["profiles"][0]["keys"]["G"] = "macro:3x4"; },
         "/profiles/0/keys/G"},
        {"media out of table", [](Json& j) { j["profiles"][0]["keys"]["J"] = "media:18"; },
         "/profiles/0/keys/J"},
        {"G10", [](Json& j) { j["profiles"][0]["gKeys"]["a"]["G10"] = "disable"; },
         "/profiles/0/gKeys/a/G10"},
        {"bank c", [](Json& j) { j["profiles"][0]["gKeys"]["c"] = Json::object(); },
         "/profiles/0/gKeys/c"},
        {"brightness 6", [](Json& j) { j["profiles"][2]["lighting"]["brightness"] = 6; },
         "/profiles/2/lighting/brightness"},
        {"speed as text", [](Json& j) { j["profiles"][2]["lighting"]["speed"] = "3"; },
         "/profiles/2/lighting/speed"},
        {"fractional rate", [](Json& j) { j["profiles"][2]["lighting"]["reportRate"] = 1.5; },
         "/profiles/2/lighting/reportRate"},
        {"mode 256", [](Json& j) { j["profiles"][0]["lighting"]["mode"]["id"] = 256; },
         "/profiles/0/lighting/mode/id"},
        {"bad colour", [](Json& j) { j["profiles"][0]["lighting"]["colour"] = "#FF0000"; },
         "/profiles/0/lighting/colour"},
        {"missing field", [](Json& j) { j["profiles"][0]["lighting"].erase("preset"); },
         "/profiles/0/lighting"},
        {"nine user modes",
         [](Json& j) { j["profiles"][0]["lighting"]["userModes"]["modes"].erase(9); },
         "/profiles/0/lighting/userModes/modes"},
        {"user mode name on two lines",
         [](Json& j) { j["profiles"][0]["lighting"]["userModes"]["modes"][3]["name"] = "a\nb"; },
         "/profiles/0/lighting/userModes/modes/3/name"},
        {"colour of a G key",
         [](Json& j) {
             j["profiles"][0]["lighting"]["userModes"]["modes"][3]["colours"]["0x15D"] = "000000";
         },
         "/profiles/0/lighting/userModes/modes/3/colours/0x15D"},
        {"101 macros",
         [](Json& j) {
             for (int id = 8; j["macros"].size() <= 100; ++id)
                 j["macros"].push_back(
                     {{"id", id % 100 + 1}, {"name", ""}, {"cycles", 1}, {"steps", Json::array()}});
         },
         "/macros"},
        {"macro id twice", [](Json& j) { j["macros"][1]["id"] = 1; }, "/macros/1/id"},
        {"macro name too long", [](Json& j) { j["macros"][0]["name"] = std::string(250, 'x'); },
         "/macros/0/name"},
        {"cycles 256", [](Json& j) { j["macros"][0]["cycles"] = 256; }, "/macros/0/cycles"},
        {"pause first",
         [](Json& j) { j["macros"][0]["steps"].insert(j["macros"][0]["steps"].begin(), 5); },
         "/macros/0/steps/0"},
        {"two pauses", [](Json& j) { j["macros"][0]["steps"].push_back(5); }, "/macros/0/steps/8"},
        {"pause beyond 32 bits", [](Json& j) { j["macros"][0]["steps"][1] = 4294967296; },
         "/macros/0/steps/1"},
        {"step key beyond 16 bits", [](Json& j) { j["macros"][0]["steps"][0] = "0x10000+"; },
         "/macros/0/steps/0"},
        {"step without sign", [](Json& j) { j["macros"][0]["steps"][0] = "A"; },
         "/macros/0/steps/0"},
        {"2001 steps", [](Json& j) { j["macros"][2]["steps"].push_back("A+"); },
         "/macros/2/steps/4000"},
        {"raw entry twice", [](Json& j) { j["rawEntries"].push_back(j["rawEntries"][0]); },
         "/rawEntries/"},
        {"raw text on a key entry",
         [](Json& j) {
             j["rawEntries"][0]["type"] = 2;
             j["rawEntries"][0]["text"] = "x";
         },
         "/rawEntries/0/text"},
        {"raw aux too big", [](Json& j) { j["rawEntries"][0]["aux"] = 65536; },
         "/rawEntries/0/aux"},
    };
    const std::string sample = SampleText();
    for (const RefusedCase& c : cases) {
        SCOPED_TRACE(c.what);
        Json json = Json::parse(sample);
        c.change(json);
        auto result = ReadProfileJson(json.dump());
        ASSERT_TRUE(std::holds_alternative<ProfileJsonError>(result));
        const ProfileJsonError& error = std::get<ProfileJsonError>(result);
        EXPECT_EQ(error.path.rfind(c.path, 0), 0u) << error.Text();
        EXPECT_FALSE(error.message.empty());
    }
    auto broken = ReadProfileJson("{\"format\": ");
    ASSERT_TRUE(std::holds_alternative<ProfileJsonError>(broken));
    EXPECT_NE(std::get<ProfileJsonError>(broken).message.find("line 1"), std::string::npos);
}

// A hostile document must cost no more than its size: no recursion per level, and no value
// printed whole into a message.
TEST(ProfileJson, RefusesDeepNestingAndQuotesOnlyTheStartOfLongValues) {
    const size_t levels = 50000;
    const std::string deep = std::string(levels, '[') + std::string(levels, ']');
    auto nested = ReadProfileJson(deep);
    ASSERT_TRUE(std::holds_alternative<ProfileJsonError>(nested));
    EXPECT_NE(std::get<ProfileJsonError>(nested).message.find("nested"), std::string::npos);
    // The deepest nesting the program writes still reads.
    Json json = Json::parse(SampleText());
    json["profiles"][0]["lighting"]["brightness"] =
        Json::parse(deep.substr(0, 5) + "1" + deep.substr(levels, 5));
    auto shallow = ReadProfileJson(json.dump());
    ASSERT_TRUE(std::holds_alternative<ProfileJsonError>(shallow));
    EXPECT_EQ(std::get<ProfileJsonError>(shallow).Text(),
              "/profiles/0/lighting/brightness: an array is not a whole number from 0 to 5");

    const std::string huge(1 << 20, 'x');
    const std::function<void(Json&)> changes[] = {
        [&](Json& j) { j["profiles"][0]["keys"]["A"] = huge; },
        [&](Json& j) { j["profiles"][0]["keys"][huge] = "disable"; },
        [&](Json& j) { j["profiles"][0]["lighting"]["speed"] = huge; },
        [&](Json& j) { j["macros"][0]["steps"][0] = huge + "+"; },
        [&](Json& j) { j["profiles"][0]["lighting"]["colour"] = huge; },
    };
    for (const auto& change : changes) {
        Json document = Json::parse(SampleText());
        change(document);
        auto result = ReadProfileJson(document.dump());
        ASSERT_TRUE(std::holds_alternative<ProfileJsonError>(result));
        const std::string text = std::get<ProfileJsonError>(result).Text();
        EXPECT_LT(text.size(), 500u) << text.substr(0, 500);
    }
    auto unterminated = ReadProfileJson("{\"format\": \"" + huge);
    ASSERT_TRUE(std::holds_alternative<ProfileJsonError>(unterminated));
    EXPECT_LT(std::get<ProfileJsonError>(unterminated).Text().size(), 500u);
}

}  // namespace
}  // namespace quorvel
