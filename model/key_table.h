#pragma once
// The keyboard's own key table (126 three-byte slots per on-board profile), the default layout
// that tells which slot belongs to which key, and the conversions between a profile's key area
// and that table.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "model/key_assignment.h"
#include "model/key_codes.h"

namespace quorvel {

constexpr size_t FIRMWARE_KEY_ENTRY_SIZE = 3;
constexpr int KEY_TABLE_SLOTS = 126;
constexpr size_t KEY_TABLE_BLOCK_SIZE = KEY_TABLE_SLOTS * FIRMWARE_KEY_ENTRY_SIZE;
static_assert(KEY_TABLE_BLOCK_SIZE == 378);

constexpr int KEYBOARD_FUNCTION_COUNT = 11;  // type-8 values 0..10

// Byte 0 of a FirmwareKeyEntry.
enum FirmwareKeyKind : uint8_t {
    KIND_NONE = 0,
    KIND_KEYBOARD = 2,         // byte 1: 1 = modifier mask in byte 2, 2 = page-7 usage in byte 2
    KIND_CONSUMER = 3,         // bytes 1-2: page-12 usage, low byte first
    KIND_GENERIC_DESKTOP = 4,  // bytes 1-2: page-1 usage, low byte first
    KIND_ACTION = 5,           // byte 1: ACTION_*
};
constexpr uint8_t KEYBOARD_MODIFIER = 1;
constexpr uint8_t KEYBOARD_USAGE = 2;
constexpr uint8_t ACTION_PLAY_MACRO = 1;  // byte 2: position in the macro area
constexpr uint8_t ACTION_STOP_MACRO = 2;
constexpr uint8_t ACTION_FUNCTION = 5;  // byte 2: keyboard function 0..10

struct FirmwareKeyEntry {
    uint8_t kind = KIND_NONE;
    uint8_t byte1 = 0;
    uint8_t byte2 = 0;

    bool operator==(const FirmwareKeyEntry&) const = default;
};

struct KeyTableBlock {
    std::array<FirmwareKeyEntry, KEY_TABLE_SLOTS> slots{};

    bool operator==(const KeyTableBlock&) const = default;
};

// The factory key table; the keyboard's own copy replaces the built-in one on arrival.
using DefaultLayout = KeyTableBlock;

KeyTableBlock ReadKeyTableBlock(const uint8_t* bytes);            // KEY_TABLE_BLOCK_SIZE bytes
void WriteKeyTableBlock(uint8_t* bytes, const KeyTableBlock& b);  // KEY_TABLE_BLOCK_SIZE bytes

const DefaultLayout& BuiltInDefaultLayout();

// The process-wide default layout: the built-in one until the keyboard's is read. Readers get
// a copy, so an encoding in progress never sees a half-replaced layout.
DefaultLayout CurrentDefaultLayout();
void ReplaceDefaultLayout(const DefaultLayout& layout);

// Lowest set bit wins; 0 gives 0.
ScanCode ModifierBitToScanCode(uint8_t mask);
// The key a default-layout slot belongs to; 0 when it names no key.
ScanCode SlotScanCode(const FirmwareKeyEntry& e);

// Position of a macro in the macro list by its id; an unknown id gives 0. An empty function is
// treated as a list that knows no id.
using MacroPositionOfId = std::function<int(int32_t id)>;

// d is the slot's entry in the default layout.
FirmwareKeyEntry EncodeAssignment(const KeyAssignment& a, const FirmwareKeyEntry& d,
                                  const MacroPositionOfId& macroPosition);
KeyTableBlock EncodeKeyTable(const KeyArea& area, const DefaultLayout& layout,
                             const MacroPositionOfId& macroPosition);
// A fresh key area with the assignments the block holds against the layout. Macros come back
// with their 1-based position as id.
KeyArea DecodeKeyTable(const KeyTableBlock& block, const DefaultLayout& layout);

}  // namespace quorvel
