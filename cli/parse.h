#pragma once
// What a person types on the command line, turned into the program's values: numbers, profile
// numbers, colours, key names, key assignments and macro steps. Every parser throws a usage
// CliError that names the bad word.
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/key_assignment.h"
#include "model/key_codes.h"
#include "model/lighting.h"
#include "model/macro.h"

namespace quorvel::cli {

// Decimal, or hexadecimal with 0x; must lie in low..high.
int ParseNumber(std::string_view text, int low, int high, std::string_view what);

// Profiles are numbered 1-3 on the command line; the result is the keyboard's index 0-2.
int ParseProfileNumber(std::string_view text);

// RRGGBB, with or without a leading '#'.
Colour ParseColour(std::string_view text);
std::string FormatColour(Colour colour);  // RRGGBB, upper case

bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// A key by its name in the key table (any case, "Up"/"Down"/"Left"/"Right" for the arrows) or
// by its scan code written 0x... . Keys of the keyboard's key table win over other keys of the
// same name. None when nothing matches.
std::optional<ScanCode> FindKey(std::string_view name);
// The name the tool shows for a key: its key-table name, plain words for the arrows.
std::string KeyDisplayName(ScanCode s);

// The key whose assignment a command changes or shows.
struct KeySlot {
    int entry = 0;  // entry of the key area
    bool isGKey = false;
    ScanCode scanCode = 0;
    int gNumber = 0;  // 1-9
    char bank = 'a';

    std::string Name() const;  // "Caps Lock", "G3 (bank b)"
};

// G1-G9 (bank 'a' or 'b') or a key name / scan code.
KeySlot ParseKeySlot(std::string_view text, char bank);
// The slot of key-area entry 0..273, if it is a key the tool can name.
std::optional<KeySlot> SlotOfEntry(int entry);

// An assignment as typed: default, disable, stop-macro, key:NAME, macro:ID[xCYCLES],
// media:INDEX|NAME, function:INDEX|NAME.
struct AssignmentSpec {
    KeyAssignment assignment;   // type and value
    std::optional<int> cycles;  // macro:IDxCYCLES
};
AssignmentSpec ParseAssignmentSpec(std::string_view text);
// The typed form of an assignment, so `keys` output can be fed back to `key set`; types the
// tool cannot set show as "program" and "text".
std::string FormatAssignment(const KeyAssignment& a);

std::string MediaName(int index);     // empty outside 0..17
std::string FunctionName(int index);  // empty outside 0..10

// Macro steps: KEY+ presses, KEY- releases, a number is the pause in ms after the step before.
std::vector<MacroAction> ParseMacroSteps(std::span<const std::string> words);
// The steps in the same form, one word per element.
std::vector<std::string> FormatMacroSteps(std::span<const MacroAction> actions);

}  // namespace quorvel::cli
