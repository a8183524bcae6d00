#pragma once
// User colour files: per on-board profile, ten user modes of per-key colours for the
// user-defined lighting mode, kept as INI files "Skins/UserDengColor_<profile>.userd" in the
// per-user overlay (number 3 is the factory file beside the program). Every change is written
// at once. Missing files, sections and keys read as the defaults below.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "model/lighting.h"
#include "model/program_paths.h"

namespace quorvel {

constexpr int USER_MODE_COUNT = 10;
constexpr int FACTORY_USER_COLOUR_FILE = 3;
constexpr int TOOL_USER_COLOUR = 0;  // paints with the user colour, mark 0
constexpr int TOOL_BASE_COLOUR = 1;  // paints with the base colour, mark 1

// The user-mode state of the lighting panel for the active profile.
struct UserModeState {
    int currentMode = 0;  // 0-9
    int tool = TOOL_USER_COLOUR;
    Colour baseColour = COLOUR_BLACK;
    Colour userColour = COLOUR_BLACK;

    bool operator==(const UserModeState&) const = default;
};

struct KeyColourEntry {
    Colour colour = COLOUR_RED;
    uint8_t mark = 1;  // 1: painted with the base colour

    bool operator==(const KeyColourEntry&) const = default;
};

// "Skins/UserDengColor_<profile>.userd", relative to the program folder.
std::string UserFileRelativePath(int profile);
// The file that is read for a profile: the overlay copy first, else the program folder's.
std::string UserFilePath(const ProgramPaths& paths, int profile);

// Section "PRESENTMODE", key "mode"; a value outside 0-9 reads as 0.
int ReadPresentMode(const ProgramPaths& paths, int profile);
bool WritePresentMode(const ProgramPaths& paths, int profile, int userMode);

// Section "MODENAME", key = the user mode; default "0"; at most 259 characters.
std::string ReadUserModeName(const ProgramPaths& paths, int profile, int userMode);
std::array<std::string, USER_MODE_COUNT> ReadUserModeNames(const ProgramPaths& paths, int profile);
bool WriteUserModeName(const ProgramPaths& paths, int profile, int userMode, std::string_view name);

// Section "Mode<userMode>", key = the matrix position, "red,green,blue,mark"; default
// "255,0,0,1". Numbers that do not parse keep their defaults.
KeyColourEntry ReadKeyColour(const ProgramPaths& paths, int profile, int userMode, int position);
bool WriteKeyColour(const ProgramPaths& paths, int profile, int userMode, int position,
                    Colour colour, uint8_t mark);

// Keys "tool", "jcolor" (base colour) and "color" (user colour) of section "Mode<userMode>";
// defaults 0, "0,0,0", "0,0,0". Reading fills those three fields of state.
void ReadToolAndColours(const ProgramPaths& paths, int profile, int userMode, UserModeState& state);
bool WriteToolAndColours(const ProgramPaths& paths, int profile, int userMode,
                         const UserModeState& state);

// Reads the profile's current user mode with its tool and colours, and every map key's and
// Fn's colour and mark into table and marks. Sending the table is the caller's part.
UserModeState LoadUserMode(const ProgramPaths& paths, int profile, KeyColourTable& table,
                           KeyColourMarks& marks);

// A new base colour for the current user mode: stores it, and recolours and writes every key
// whose mark is 1. False, with nothing changed or written, when it is the colour already set.
// The keyboard then needs BaseColourWrite and KeyColourChunks for the profile.
bool ChangeBaseColour(const ProgramPaths& paths, int profile, UserModeState& state, Colour colour,
                      KeyColourTable& table, const KeyColourMarks& marks);
// ChangeBaseColour in two steps, for callers that write the file elsewhere: the new colour in
// state and every key whose mark is 1 (false when it is the colour already set), then the
// tool, the colours and those keys written in one replacement of the file.
bool RecolourBaseKeys(UserModeState& state, Colour colour, KeyColourTable& table,
                      const KeyColourMarks& marks);
bool WriteBaseColourKeys(const ProgramPaths& paths, int profile, const UserModeState& state,
                         const KeyColourTable& table, const KeyColourMarks& marks);

// What the state's tool paints: the user colour with mark 0, or the base colour with mark 1.
KeyColourEntry PaintedEntry(const UserModeState& state);
// Paints one key in the current user mode with the state's tool: stores the colour and mark in
// table and marks and writes the key's entry. Returns the colour painted. The keyboard then
// needs SingleKeyColourWrite for the position.
Colour PaintKeyColour(const ProgramPaths& paths, int profile, const UserModeState& state,
                      int position, KeyColourTable& table, KeyColourMarks& marks);

// Replaces the profile's file with an exact copy of the factory file, or with an empty file
// when there is no factory file. False (and error) when the file could not be written.
bool RestoreFactoryUserColours(const ProgramPaths& paths, int profile,
                               std::string* error = nullptr);

// Everything a profile's file holds, read in one pass: for export and import of whole
// profiles. Entries of positions outside the map keys and Fn keep the defaults.
struct UserModeColours {
    std::string name = "0";
    int tool = TOOL_USER_COLOUR;
    Colour baseColour = COLOUR_BLACK;
    Colour userColour = COLOUR_BLACK;
    std::array<KeyColourEntry, KEY_COLOUR_POSITIONS> keys{};

    bool operator==(const UserModeColours&) const = default;
};

struct UserColourSet {
    int currentMode = 0;
    std::array<UserModeColours, USER_MODE_COUNT> modes{};

    bool operator==(const UserColourSet&) const = default;
};

// The positions a user mode keeps colours for: the map keys in map order, then Fn.
std::vector<int> UserModeKeyPositions();

UserColourSet ReadUserColourSet(const ProgramPaths& paths, int profile);
// Replaces the profile's file with one holding exactly the set, in one atomic replacement.
// Names must fit one INI line (no line breaks). False (and error) when it cannot be written;
// the old file then stays.
bool WriteUserColourSet(const ProgramPaths& paths, int profile, const UserColourSet& set,
                        std::string* error = nullptr);
// The file WriteUserColourSet would write, made at path (for a caller that replaces several
// files together). False when it cannot be written.
bool BuildUserColourFile(const std::string& path, const UserColourSet& set);

}  // namespace quorvel
