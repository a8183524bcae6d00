#pragma once
// One function per firmware command. Each returns a result code (result_codes.h); CMD_OK
// means the keyboard accepted the command. Transfers longer than one frame go in 56-byte
// chunks, one transaction each; a failing chunk ends the transfer and the chunks before it
// stay in the keyboard.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "device/command_frame.h"
#include "device/keyboard_picture.h"
#include "model/key_table.h"
#include "model/lighting.h"

namespace quorvel {

class DeviceLink;

constexpr size_t SETTINGS_ACTIVE_PROFILE = 10;
constexpr size_t SETTINGS_MACRO_CAPACITY = 11;  // in units of MACRO_CAPACITY_UNIT bytes
constexpr int MACRO_CAPACITY_UNIT = 128;

using SettingsBlock = std::array<uint8_t, SETTINGS_BLOCK_SIZE>;
using ParamsChunk = std::array<uint8_t, 56>;

// A configuration session groups writes (and the lighting parameter reads).
int BeginSession(DeviceLink& link);
int EndSession(DeviceLink& link);

int ReadSettingsBlock(DeviceLink& link, SettingsBlock& block);
// The block as the keyboard picture knows it for this plug-in, read from the keyboard when it
// does not: the active profile and the macro capacity change only through writes, which the
// picture follows.
int RecallSettingsBlock(DeviceLink& link, SettingsBlock& block);
int WriteSettingsBlock(DeviceLink& link, const SettingsBlock& block);

// The reply always fills all 56 bytes, whatever length was asked.
int ReadParams(DeviceLink& link, ParamsChunk& data, uint8_t length, uint16_t address);
// At most 56 bytes; a longer write is refused with CMD_TOO_LONG and nothing is sent.
int WriteParams(DeviceLink& link, std::span<const uint8_t> data, uint16_t address);

// Block 0-2 is the key table of that on-board profile; others give CMD_BAD_BLOCK.
int ReadKeyBlock(DeviceLink& link, std::span<uint8_t, KEY_TABLE_BLOCK_SIZE> block,
                 unsigned blockIndex);
int WriteKeyBlock(DeviceLink& link, std::span<const uint8_t, KEY_TABLE_BLOCK_SIZE> block,
                  unsigned blockIndex);

// Reads of the key blocks, the macro area and the default layout take the chunks the keyboard
// picture knows from it and send only the rest.
//
// The macro area from offset 0, as many bytes as the span holds (0 sends nothing).
int ReadMacroArea(DeviceLink& link, std::span<uint8_t> area);
int WriteMacroArea(DeviceLink& link, std::span<const uint8_t> area);

int ReadDefaultLayout(DeviceLink& link, std::span<uint8_t, KEY_TABLE_BLOCK_SIZE> layout);

// The chunks of a full write of the key block or macro area, as the writes above cut them.
std::vector<PictureChunk> KeyBlockChunks(std::span<const uint8_t, KEY_TABLE_BLOCK_SIZE> block,
                                         unsigned blockIndex);
std::vector<PictureChunk> MacroAreaChunks(std::span<const uint8_t> area);
// One frame of a key block, macro area, parameter or per-key colour write; more than 56
// bytes gives CMD_TOO_LONG and nothing is sent.
int WriteChunk(DeviceLink& link, const PictureChunk& chunk);
// The frame that reads a range of a key block, the macro area, the default layout or (any
// other area) the settings block.
CommandFrame ReadFrameFor(PictureArea area, uint32_t address, size_t length);
// Reads a range of those areas (or the parameter area) from the keyboard itself, never from the
// picture, in chunks.
int ReadFromKeyboard(DeviceLink& link, PictureArea area, uint32_t address, std::span<uint8_t> out);
// Whether the keyboard can be asked what it holds there: its per-key colours are write-only.
bool CanReadBack(PictureArea area);
// After the end of a write's session: reads the chunks written back from the keyboard and
// compares them, CMD_READ_BACK_DIFFERS when one is not as written. Parameter reads go in a
// session of their own; per-key colours are not checked. A dry run records the reads instead
// of sending them. On any failure every chunk given becomes unknown. step is called after each
// frame.
int ReadBackChunks(DeviceLink& link, std::span<const PictureChunk> written,
                   const std::function<void()>& step = {});
// The frames ReadBackChunks sends for these chunks.
int ReadBackFrames(std::span<const PictureChunk> chunks);

// The active on-board profile (0-2) or -1 when it cannot be read. Read once, then cached
// until the keyboard goes away or the profile is set.
int GetActiveProfile(DeviceLink& link);
// Makes profile 0-2 the active one; another index sends nothing and gives CMD_BAD_BLOCK. The
// settings block is read first (nothing more goes when the profile is already active) and, when
// the link reads back, again after the write: a block not as written gives
// CMD_READ_BACK_DIFFERS.
int SetActiveProfile(DeviceLink& link, int profile);

}  // namespace quorvel
