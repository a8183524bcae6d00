#pragma once
// The lighting side of the keyboard: reading the announced modes and the parameter records,
// and sending the parameter bytes and per-key colours the lighting panel changes. Writes go
// through the chunk writer: only what the keyboard picture does not show the keyboard holding,
// between begin and end, nothing at all when nothing differs, parameters read back afterwards
// (the per-key colours cannot be read). Results are the firmware command results (the first
// failure, else 1, CMD_READ_BACK_DIFFERS when the read-back found another value); the panel
// ignores them, the command-line tool reports them.
//
// Includes the lighting model, so it is not included together with firmware_commands.h.
#include <cstddef>
#include <cstdint>
#include <span>

#include "model/lighting.h"
#include "model/program_paths.h"
#include "model/user_colours.h"

namespace quorvel {

class DeviceLink;

constexpr int READ_LIGHTING_OK = 0;
constexpr int READ_LIGHTING_FAILED = -1;

// Where the active profile's user mode goes when ReadLighting refreshes it.
struct UserModeTarget {
    const ProgramPaths& paths;
    UserModeState& state;
    KeyColourTable& table;
    KeyColourMarks& marks;
    // Where the result of sending the colours goes, when wanted: CMD_OK (also when nothing
    // needed sending) or the first failure.
    int* coloursSent = nullptr;
};

// Reads the settings block (the announced modes) and the three parameter records, decodes the
// record of state.activeProfile into state and reads lightingShown from the settings file.
// With userModes, and when the keyboard offers the user-defined mode, also loads the active
// profile's user mode and sends, in the same session, the chunks of its colours the keyboard
// picture does not show the keyboard holding (none when nothing changed; the colours cannot be
// read, so they are known only from writes an end confirmed). READ_LIGHTING_FAILED when
// the settings block cannot be read: the announced modes are then empty and nothing else
// changes. A parameter record that cannot be read leaves the state as it was.
int ReadLighting(DeviceLink& link, LightingState& state, const UserModeTarget* userModes = nullptr);

// One framed parameter write as the lighting model built it.
int SendParamWrite(DeviceLink& link, const ParamWrite& write);
// The bytes at offset of the profile's record (at most 56 go in the one frame).
int WriteParamBytes(DeviceLink& link, int profile, size_t offset, std::span<const uint8_t> bytes);
// The mode id of the active profile, with `colourful` in the same frame for the modes that
// carry it.
int WriteMode(DeviceLink& link, const LightingState& state, int modeId);

// The profile's whole colour table in seven chunks of 18 keys, chunk k at 512 p + 54 k.
int SendKeyColours(DeviceLink& link, int profile, const KeyColourTable& table);
// One key's colour at 512 p + 3 position.
int SendKeyColour(DeviceLink& link, int profile, int position, Colour colour);
// A new base colour: the colour at offsets 9-11 and then the whole table, in one session.
int SendBaseColour(DeviceLink& link, int profile, Colour colour, const KeyColourTable& table);

// Loads the profile's current user mode from its user colour file into state, table and marks
// and sends the table.
int LoadUserMode(DeviceLink& link, const ProgramPaths& paths, int profile, UserModeState& state,
                 KeyColourTable& table, KeyColourMarks& marks);

}  // namespace quorvel
