#include "cli/parse.h"

#include <gtest/gtest.h>

#include "cli/cli_error.h"
#include "cli/json.h"

namespace quorvel::cli {
namespace {

TEST(CliParse, KeysByNameAnyCaseAliasOrScanCode) {
    EXPECT_EQ(FindKey("caps lock"), ScanCode{0x03A});
    EXPECT_EQ(FindKey("A"), ScanCode{0x01E});
    EXPECT_EQ(FindKey("0x01E"), ScanCode{0x01E});
    EXPECT_EQ(FindKey("up"), ScanCode{0x148});
    // Two rows carry "Right Shift"; the one in the key table wins.
    EXPECT_EQ(FindKey("Right Shift"), ScanCode{0x036});
    EXPECT_FALSE(FindKey("Hyper"));
    EXPECT_FALSE(FindKey("0x0FFFF"));
}

TEST(CliParse, KeySlotsOfGKeysAndMapKeys) {
    KeySlot g = ParseKeySlot("g3", 'b');
    EXPECT_TRUE(g.isGKey);
    EXPECT_EQ(g.entry, G_KEY_ENTRY_BANK_B + 2);
    EXPECT_EQ(ParseKeySlot("Caps Lock", 'a').entry, 0x3A);
    EXPECT_THROW(ParseKeySlot("G0", 'a'), CliError);
    EXPECT_THROW(ParseKeySlot("nokey", 'a'), CliError);
}

TEST(CliParse, AssignmentsRoundTripThroughTheirTypedForm) {
    for (const char* typed :
         {"default", "disable", "stop-macro", "key:Caps Lock", "macro:7", "function:Copy"}) {
        AssignmentSpec parsed = ParseAssignmentSpec(typed);
        EXPECT_EQ(FormatAssignment(parsed.assignment), typed);
    }
    AssignmentSpec media = ParseAssignmentSpec("media:3");
    EXPECT_EQ(media.assignment.type, ASSIGN_MEDIA);
    EXPECT_EQ(ParseAssignmentSpec(FormatAssignment(media.assignment)).assignment, media.assignment);
    AssignmentSpec cycles = ParseAssignmentSpec("macro:2x5");
    EXPECT_EQ(cycles.assignment.value, 2);
    EXPECT_EQ(cycles.cycles, 5);
}

TEST(CliParse, BadAssignmentsAreUsageErrors) {
    for (const char* typed : {"macro:0", "macro:101", "macro:1x0", "media:18", "function:11",
                              "key:Nope", "default:1", "play", "media:Nope"}) {
        try {
            ParseAssignmentSpec(typed);
            ADD_FAILURE() << typed;
        } catch (const CliError& error) {
            EXPECT_EQ(error.exitCode, EXIT_USAGE) << typed;
        }
    }
}

TEST(CliParse, MacroStepsWithPauses) {
    std::vector<std::string> words = {"Shift+", "A+", "100", "A-", "0", "Shift-", "--", "40000"};
    std::vector<MacroAction> steps = ParseMacroSteps(words);
    ASSERT_EQ(steps.size(), 5u);
    EXPECT_EQ(steps[0], MakeMacroAction(0, 0x02A, MACRO_STATE_PRESS));
    EXPECT_EQ(steps[1], MakeMacroAction(100, 0x01E, MACRO_STATE_PRESS));
    EXPECT_EQ(steps[2], MakeMacroAction(0, 0x01E, MACRO_STATE_RELEASE));
    EXPECT_EQ(steps[4], MakeMacroAction(40000, 0x00C, MACRO_STATE_RELEASE));
    std::vector<std::string> again = FormatMacroSteps(steps);
    EXPECT_EQ(ParseMacroSteps(again), steps);
}

TEST(CliParse, BadMacroSteps) {
    const std::vector<std::vector<std::string>> cases = {
        {"100"}, {"A+", "10", "20"}, {"A+", "40001"}, {"A"}, {"Nokey+"}, {"A*"}};
    for (const auto& words : cases) EXPECT_THROW(ParseMacroSteps(words), CliError) << words[0];
    std::vector<std::string> tooMany(MACRO_MAX_ACTIONS + 1, "A+");
    EXPECT_THROW(ParseMacroSteps(tooMany), CliError);
}

TEST(CliParse, NumbersColoursAndProfiles) {
    EXPECT_EQ(ParseProfileNumber("1"), 0);
    EXPECT_EQ(ParseProfileNumber("3"), 2);
    EXPECT_THROW(ParseProfileNumber("0"), CliError);
    EXPECT_THROW(ParseProfileNumber("4"), CliError);
    EXPECT_THROW(ParseNumber("12x", 0, 100, "n"), CliError);
    EXPECT_EQ(ParseNumber("0x10", 0, 100, "n"), 16);
    EXPECT_EQ(ParseColour("#FF8000"), ColourOf(0xFF, 0x80, 0x00));
    EXPECT_EQ(FormatColour(ParseColour("12abEF")), "12ABEF");
    EXPECT_THROW(ParseColour("FF80"), CliError);
}

TEST(CliJson, EscapesAndKeepsKeyOrder) {
    Json json;
    json.Set("b", 1);
    json.Set("a", "x\"y\n");
    json.Set("list", Json::MakeArray()).Push(true);
    EXPECT_EQ(json.Dump(), R"({"b":1,"a":"x\"y\n","list":[true]})");
}

}  // namespace
}  // namespace quorvel::cli
