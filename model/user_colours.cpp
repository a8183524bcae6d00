#include "model/user_colours.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/atomic_write.h"
#include "base/file_bytes.h"
#include "base/ini_file.h"
#include "model/key_codes.h"

namespace quorvel {

namespace {

constexpr std::string_view PRESENT_MODE_SECTION = "PRESENTMODE";
constexpr std::string_view PRESENT_MODE_KEY = "mode";
constexpr std::string_view MODE_NAME_SECTION = "MODENAME";
constexpr std::string_view DEFAULT_MODE_NAME = "0";
constexpr std::string_view TOOL_KEY = "tool";
constexpr std::string_view BASE_COLOUR_KEY = "jcolor";
constexpr std::string_view USER_COLOUR_KEY = "color";

bool IsUserMode(int userMode) {
    return userMode >= 0 && userMode < USER_MODE_COUNT;
}

std::string ModeSection(int userMode) {
    return "Mode" + std::to_string(userMode);
}

IniFile OpenForRead(const ProgramPaths& paths, int profile) {
    return IniFile(UserFilePath(paths, profile));
}

std::optional<IniFile> OpenForWrite(const ProgramPaths& paths, int profile) {
    auto target = WritePathFor(paths, UserFileRelativePath(profile), /*keepContents=*/true);
    if (!target) return std::nullopt;
    return IniFile(*target);
}

bool WriteValue(const ProgramPaths& paths, int profile, std::string_view section,
                std::string_view key, std::string_view value) {
    auto file = OpenForWrite(paths, profile);
    return file && file->WriteString(section, key, value);
}

void SkipBlanks(std::string_view text, size_t& pos) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
}

// Comma-separated decimal numbers, read the way "%d,%d,..." scans them: reading stops at the
// first thing that is not the expected number or comma, and the values not reached keep what
// they held.
void ScanNumbers(std::string_view text, std::span<int> values) {
    size_t pos = 0;
    for (size_t i = 0; i < values.size(); ++i) {
        SkipBlanks(text, pos);
        if (i > 0) {
            if (pos >= text.size() || text[pos] != ',') return;
            ++pos;
            SkipBlanks(text, pos);
        }
        bool negative = false;
        if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
            negative = text[pos++] == '-';
        }
        if (pos >= text.size() || text[pos] < '0' || text[pos] > '9') return;
        long long value = 0;
        for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
            value = std::min<long long>(value * 10 + (text[pos] - '0'), INT_MAX);
        }
        values[i] = static_cast<int>(negative ? -value : value);
    }
}

uint8_t ColourByte(int value) {
    return static_cast<uint8_t>(std::clamp(value, 0, 255));
}

std::string FormatRgb(Colour colour) {
    const Rgb rgb = RgbOf(colour);
    return std::to_string(rgb.red) + "," + std::to_string(rgb.green) + "," +
           std::to_string(rgb.blue);
}

Colour ReadRgbValue(const IniFile& file, const std::string& section, std::string_view key) {
    std::array<int, 3> rgb = {0, 0, 0};
    ScanNumbers(file.ReadString(section, key, "0,0,0"), rgb);
    return ColourOf(ColourByte(rgb[0]), ColourByte(rgb[1]), ColourByte(rgb[2]));
}

KeyColourEntry KeyColourOf(std::string_view text) {
    std::array<int, 4> values = {255, 0, 0, 1};
    ScanNumbers(text, values);
    return KeyColourEntry{
        ColourOf(ColourByte(values[0]), ColourByte(values[1]), ColourByte(values[2])),
        static_cast<uint8_t>(values[3] != 0 ? 1 : 0)};
}

constexpr std::string_view DEFAULT_KEY_COLOUR = "255,0,0,1";

KeyColourEntry ReadKeyColourFrom(const IniFile& file, int userMode, int position) {
    return KeyColourOf(
        file.ReadString(ModeSection(userMode), std::to_string(position), DEFAULT_KEY_COLOUR));
}

bool WriteKeyColourTo(IniFile& file, int userMode, int position, Colour colour, uint8_t mark) {
    return file.WriteString(ModeSection(userMode), std::to_string(position),
                            FormatRgb(colour) + "," + (mark != 0 ? "1" : "0"));
}

void ReadToolAndColoursFrom(const IniFile& file, int userMode, UserModeState& state) {
    const std::string section = ModeSection(userMode);
    const int tool = file.ReadInt(section, TOOL_KEY, TOOL_USER_COLOUR);
    state.tool = tool == TOOL_BASE_COLOUR ? TOOL_BASE_COLOUR : TOOL_USER_COLOUR;
    state.baseColour = ReadRgbValue(file, section, BASE_COLOUR_KEY);
    state.userColour = ReadRgbValue(file, section, USER_COLOUR_KEY);
}

// The map's keys and Fn: the positions a user mode keeps colours for.
template <typename Visit>
void ForEachUserModeKey(Visit visit) {
    for (const MatrixKey& key : MatrixKeys()) visit(static_cast<int>(key.position));
    visit(static_cast<int>(MATRIX_FN_POSITION));
}

// Every key colour of a user mode from one pass over the file: looking each key up on its own
// would read the whole file once per key.
template <typename Store>
void ReadKeyColoursFrom(const IniFile& file, int userMode, Store store) {
    std::unordered_map<std::string, std::string> values;
    for (auto& [key, value] : file.ReadSection(ModeSection(userMode)))
        values.emplace(std::move(key), std::move(value));
    ForEachUserModeKey([&](int position) {
        const auto found = values.find(std::to_string(position));
        store(position, KeyColourOf(found != values.end() ? std::string_view(found->second)
                                                          : DEFAULT_KEY_COLOUR));
    });
}

}  // namespace

std::string UserFileRelativePath(int profile) {
    return "Skins/UserDengColor_" + std::to_string(profile) + ".userd";
}

std::string UserFilePath(const ProgramPaths& paths, int profile) {
    return ReadPathFor(paths, UserFileRelativePath(profile));
}

int ReadPresentMode(const ProgramPaths& paths, int profile) {
    const int mode = OpenForRead(paths, profile).ReadInt(PRESENT_MODE_SECTION, PRESENT_MODE_KEY, 0);
    return IsUserMode(mode) ? mode : 0;
}

bool WritePresentMode(const ProgramPaths& paths, int profile, int userMode) {
    if (!IsUserMode(userMode)) return false;
    return WriteValue(paths, profile, PRESENT_MODE_SECTION, PRESENT_MODE_KEY,
                      std::to_string(userMode));
}

std::string ReadUserModeName(const ProgramPaths& paths, int profile, int userMode) {
    return OpenForRead(paths, profile)
        .ReadString(MODE_NAME_SECTION, std::to_string(userMode), DEFAULT_MODE_NAME);
}

std::array<std::string, USER_MODE_COUNT> ReadUserModeNames(const ProgramPaths& paths, int profile) {
    const IniFile file = OpenForRead(paths, profile);
    std::array<std::string, USER_MODE_COUNT> names;
    for (int mode = 0; mode < USER_MODE_COUNT; ++mode) {
        names[static_cast<size_t>(mode)] =
            file.ReadString(MODE_NAME_SECTION, std::to_string(mode), DEFAULT_MODE_NAME);
    }
    return names;
}

bool WriteUserModeName(const ProgramPaths& paths, int profile, int userMode,
                       std::string_view name) {
    if (!IsUserMode(userMode)) return false;
    return WriteValue(paths, profile, MODE_NAME_SECTION, std::to_string(userMode),
                      CutToUtf16Units(name, INI_VALUE_MAX_UNITS));
}

KeyColourEntry ReadKeyColour(const ProgramPaths& paths, int profile, int userMode, int position) {
    return ReadKeyColourFrom(OpenForRead(paths, profile), userMode, position);
}

bool WriteKeyColour(const ProgramPaths& paths, int profile, int userMode, int position,
                    Colour colour, uint8_t mark) {
    if (!IsUserMode(userMode) || !IsValidKeyPosition(position)) return false;
    auto file = OpenForWrite(paths, profile);
    return file && WriteKeyColourTo(*file, userMode, position, colour, mark);
}

void ReadToolAndColours(const ProgramPaths& paths, int profile, int userMode,
                        UserModeState& state) {
    ReadToolAndColoursFrom(OpenForRead(paths, profile), userMode, state);
}

namespace {

// The painting tool and colours of a user mode, as entries of its section.
std::vector<std::pair<std::string, std::string>> ToolAndColourValues(const UserModeState& state) {
    return {{std::string(TOOL_KEY), std::to_string(state.tool)},
            {std::string(BASE_COLOUR_KEY), FormatRgb(state.baseColour)},
            {std::string(USER_COLOUR_KEY), FormatRgb(state.userColour)}};
}

bool WriteSectionValues(IniFile& file, int userMode,
                        const std::vector<std::pair<std::string, std::string>>& values) {
    std::vector<IniEntry> entries;
    entries.reserve(values.size());
    for (const auto& [key, value] : values) entries.push_back({key, value});
    return file.WriteStrings(ModeSection(userMode), entries);
}

}  // namespace

bool WriteToolAndColours(const ProgramPaths& paths, int profile, int userMode,
                         const UserModeState& state) {
    if (!IsUserMode(userMode)) return false;
    auto file = OpenForWrite(paths, profile);
    return file && WriteSectionValues(*file, userMode, ToolAndColourValues(state));
}

UserModeState LoadUserMode(const ProgramPaths& paths, int profile, KeyColourTable& table,
                           KeyColourMarks& marks) {
    const IniFile file = OpenForRead(paths, profile);
    UserModeState state;
    const int mode = file.ReadInt(PRESENT_MODE_SECTION, PRESENT_MODE_KEY, 0);
    state.currentMode = IsUserMode(mode) ? mode : 0;
    ReadToolAndColoursFrom(file, state.currentMode, state);
    ReadKeyColoursFrom(file, state.currentMode, [&](int position, const KeyColourEntry& entry) {
        table[static_cast<size_t>(position)] = entry.colour;
        marks[static_cast<size_t>(position)] = entry.mark;
    });
    return state;
}

bool RecolourBaseKeys(UserModeState& state, Colour colour, KeyColourTable& table,
                      const KeyColourMarks& marks) {
    if (colour == state.baseColour) return false;
    state.baseColour = colour;
    ForEachUserModeKey([&](int position) {
        const auto index = static_cast<size_t>(position);
        if (marks[index] == 1) table[index] = colour;
    });
    return true;
}

bool WriteBaseColourKeys(const ProgramPaths& paths, int profile, const UserModeState& state,
                         const KeyColourTable& table, const KeyColourMarks& marks) {
    if (!IsUserMode(state.currentMode)) return false;
    // The base colour and every key painted with it go to the file in one replacement.
    auto values = ToolAndColourValues(state);
    ForEachUserModeKey([&](int position) {
        const auto index = static_cast<size_t>(position);
        if (marks[index] == 1)
            values.emplace_back(std::to_string(position), FormatRgb(table[index]) + ",1");
    });
    auto file = OpenForWrite(paths, profile);
    return file && WriteSectionValues(*file, state.currentMode, values);
}

bool ChangeBaseColour(const ProgramPaths& paths, int profile, UserModeState& state, Colour colour,
                      KeyColourTable& table, const KeyColourMarks& marks) {
    if (!RecolourBaseKeys(state, colour, table, marks)) return false;
    WriteBaseColourKeys(paths, profile, state, table, marks);
    return true;
}

KeyColourEntry PaintedEntry(const UserModeState& state) {
    if (state.tool == TOOL_BASE_COLOUR) return {state.baseColour, 1};
    return {state.userColour, 0};
}

Colour PaintKeyColour(const ProgramPaths& paths, int profile, const UserModeState& state,
                      int position, KeyColourTable& table, KeyColourMarks& marks) {
    const KeyColourEntry painted = PaintedEntry(state);
    if (!IsValidKeyPosition(position)) return painted.colour;
    table[static_cast<size_t>(position)] = painted.colour;
    marks[static_cast<size_t>(position)] = painted.mark;
    WriteKeyColour(paths, profile, state.currentMode, position, painted.colour, painted.mark);
    return painted.colour;
}

bool RestoreFactoryUserColours(const ProgramPaths& paths, int profile, std::string* error) {
    const auto factory =
        ReadFileBytes(ReadPathFor(paths, UserFileRelativePath(FACTORY_USER_COLOUR_FILE)));
    const auto target =
        WritePathFor(paths, UserFileRelativePath(profile), /*keepContents=*/false, error);
    if (!target) return false;
    return WriteFileAtomically(
        *target, factory ? std::span<const uint8_t>(*factory) : std::span<const uint8_t>(), error);
}

std::vector<int> UserModeKeyPositions() {
    std::vector<int> positions;
    ForEachUserModeKey([&](int position) { positions.push_back(position); });
    return positions;
}

UserColourSet ReadUserColourSet(const ProgramPaths& paths, int profile) {
    const IniFile file = OpenForRead(paths, profile);
    UserColourSet set;
    const int current = file.ReadInt(PRESENT_MODE_SECTION, PRESENT_MODE_KEY, 0);
    set.currentMode = IsUserMode(current) ? current : 0;
    for (int mode = 0; mode < USER_MODE_COUNT; ++mode) {
        UserModeColours& colours = set.modes[static_cast<size_t>(mode)];
        colours.name = file.ReadString(MODE_NAME_SECTION, std::to_string(mode), DEFAULT_MODE_NAME);
        UserModeState state;
        ReadToolAndColoursFrom(file, mode, state);
        colours.tool = state.tool;
        colours.baseColour = state.baseColour;
        colours.userColour = state.userColour;
        ReadKeyColoursFrom(file, mode, [&](int position, const KeyColourEntry& entry) {
            colours.keys[static_cast<size_t>(position)] = entry;
        });
    }
    return set;
}

bool BuildUserColourFile(const std::string& path, const UserColourSet& set) {
    if (!WriteFileAtomically(path, {})) return false;
    IniFile file(path);
    bool ok =
        file.WriteString(PRESENT_MODE_SECTION, PRESENT_MODE_KEY, std::to_string(set.currentMode));
    std::vector<std::pair<std::string, std::string>> names;
    for (int mode = 0; mode < USER_MODE_COUNT; ++mode)
        names.emplace_back(std::to_string(mode), set.modes[static_cast<size_t>(mode)].name);
    std::vector<IniEntry> nameEntries;
    for (const auto& [key, value] : names) nameEntries.push_back({key, value});
    ok = ok && file.WriteStrings(MODE_NAME_SECTION, nameEntries);
    for (int mode = 0; ok && mode < USER_MODE_COUNT; ++mode) {
        const UserModeColours& colours = set.modes[static_cast<size_t>(mode)];
        UserModeState state;
        state.tool = colours.tool;
        state.baseColour = colours.baseColour;
        state.userColour = colours.userColour;
        auto values = ToolAndColourValues(state);
        ForEachUserModeKey([&](int position) {
            const KeyColourEntry& entry = colours.keys[static_cast<size_t>(position)];
            values.emplace_back(std::to_string(position),
                                FormatRgb(entry.colour) + (entry.mark != 0 ? ",1" : ",0"));
        });
        ok = WriteSectionValues(file, mode, values);
    }
    return ok;
}

bool WriteUserColourSet(const ProgramPaths& paths, int profile, const UserColourSet& set,
                        std::string* error) {
    const auto target = WritePathFor(paths, UserFileRelativePath(profile), false, error);
    if (!target) return false;
    // Built aside; the finished text replaces the file through the atomic writer, which keeps a
    // symbolic link and the file's permissions and makes the new name durable.
    const std::string building = *target + ".building";
    const auto bytes = BuildUserColourFile(building, set) ? ReadFileBytes(building) : std::nullopt;
    std::error_code ignored;
    std::filesystem::remove(building, ignored);
    if (!bytes) {
        if (error != nullptr) *error = *target + ": cannot write the user colour file";
        return false;
    }
    return WriteFileAtomically(*target, *bytes, error);
}

}  // namespace quorvel
