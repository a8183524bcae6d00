#include "model/key_table.h"

#include <mutex>
#include <string_view>

#include "base/byte_order.h"

namespace quorvel {
namespace {

// The factory key table in slot order, three bytes a slot as the keyboard sends them.
constexpr std::string_view BUILT_IN_LAYOUT_HEX =
    // slots 0-20
    "05 00 00 05 00 00 05 00 00 05 00 00 05 00 00 05 00 00 00 00 00 "
    "00 00 00 02 02 29 02 02 35 02 02 2B 02 02 39 02 01 02 02 01 01 "
    "00 00 00 00 00 00 02 02 3A 02 02 1E 02 02 14 02 02 04 02 02 1D "
    // slots 21-41
    "02 01 08 00 00 00 00 00 00 02 02 3B 02 02 1F 02 02 1A 02 02 16 "
    "02 02 1B 02 01 04 00 00 00 00 00 00 02 02 3C 02 02 20 02 02 08 "
    "02 02 07 02 02 06 02 02 2C 02 02 46 00 00 00 02 02 3D 02 02 21 "
    // slots 42-62
    "02 02 15 02 02 09 02 02 19 02 01 40 02 02 47 00 00 00 02 02 3E "
    "02 02 22 02 02 17 02 02 0A 02 02 05 05 02 02 02 02 2E 00 00 00 "
    "02 02 3F 02 02 23 02 02 1C 02 02 0B 02 02 11 02 02 65 02 02 48 "
    // slots 63-83
    "00 00 00 02 02 40 02 02 24 02 02 18 02 02 0D 02 02 10 02 01 10 "
    "02 02 49 00 00 00 02 02 41 02 02 25 02 02 0C 02 02 0E 02 02 36 "
    "02 02 50 02 02 4A 00 00 00 02 02 42 02 02 26 02 02 12 02 02 0F "
    // slots 84-104
    "02 02 37 02 02 51 02 02 4B 00 00 00 02 02 43 02 02 27 02 02 13 "
    "02 02 33 02 02 38 02 02 52 02 02 4C 00 00 00 02 02 44 02 02 2D "
    "02 02 2F 02 02 34 02 01 20 02 02 4F 02 02 4D 00 00 00 02 02 45 "
    // slots 105-125
    "02 02 2E 02 02 30 02 02 31 02 02 28 02 02 2A 02 02 4E 00 00 00 "
    "03 B6 00 02 02 53 02 02 5F 02 02 5C 02 02 59 02 02 62 02 02 56 "
    "00 00 00 03 CD 00 02 02 54 02 02 60 02 02 5D 02 02 5A 02 02 63";

constexpr uint8_t HexDigit(char c) {
    if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<uint8_t>(c - 'A' + 10);
    throw "not a hexadecimal digit";  // in a constant expression: a compile error
}

constexpr std::array<FirmwareKeyEntry, KEY_TABLE_SLOTS> ParseLayout(std::string_view hex) {
    std::array<uint8_t, KEY_TABLE_BLOCK_SIZE> bytes{};
    size_t count = 0;
    for (size_t pos = 0; pos < hex.size(); pos += 3) {
        if (count == bytes.size()) throw "too many bytes";
        if (pos + 1 >= hex.size() || (pos + 2 < hex.size() && hex[pos + 2] != ' ')) {
            throw "bytes are two digits and a blank";
        }
        bytes[count++] = static_cast<uint8_t>(HexDigit(hex[pos]) << 4 | HexDigit(hex[pos + 1]));
    }
    if (count != bytes.size()) throw "too few bytes";
    std::array<FirmwareKeyEntry, KEY_TABLE_SLOTS> slots{};
    for (size_t s = 0; s < slots.size(); ++s) {
        slots[s] = {bytes[3 * s], bytes[3 * s + 1], bytes[3 * s + 2]};
    }
    return slots;
}

constexpr DefaultLayout BUILT_IN_LAYOUT{ParseLayout(BUILT_IN_LAYOUT_HEX)};

std::mutex layoutMutex;
DefaultLayout currentLayout = BUILT_IN_LAYOUT;

struct ModifierKey {
    uint8_t bit;
    ScanCode scanCode;
};

// In bit order, so that the lowest set bit of a mask is found first.
constexpr std::array<ModifierKey, 8> MODIFIER_KEYS = {{
    {0x01, 0x01D},  // left Ctrl
    {0x02, 0x02A},  // left Shift
    {0x04, 0x038},  // left Alt
    {0x08, 0x15B},  // left Win
    {0x10, 0x11D},  // right Ctrl
    {0x20, 0x036},  // right Shift
    {0x40, 0x138},  // right Alt
    {0x80, 0x15C},  // right Win
}};

uint8_t ModifierBitOf(int32_t scanCode) {
    for (const ModifierKey& m : MODIFIER_KEYS) {
        if (m.scanCode == scanCode) return m.bit;
    }
    return 0;
}

constexpr FirmwareKeyEntry DISABLED{};

FirmwareKeyEntry EncodeSingleKey(int32_t value) {
    if (const uint8_t bit = ModifierBitOf(value); bit != 0) {
        return {KIND_KEYBOARD, KEYBOARD_MODIFIER, bit};
    }
    // A value that is no 16-bit scan code would alias another key after truncation.
    if (value < 0 || value > 0xFFFF) return {KIND_KEYBOARD, KEYBOARD_USAGE, 0};
    const HidUsage usage = ToHidUsage(static_cast<ScanCode>(value));
    const uint8_t code = usage.page == HID_PAGE_KEYBOARD ? static_cast<uint8_t>(usage.usage) : 0;
    return {KIND_KEYBOARD, KEYBOARD_USAGE, code};
}

FirmwareKeyEntry EncodeMacro(int32_t id, const MacroPositionOfId& macroPosition) {
    const int position = macroPosition ? macroPosition(id) : 0;
    const auto n = static_cast<uint8_t>(position >= 0 && position <= 0xFF ? position : 0);
    return {KIND_ACTION, ACTION_PLAY_MACRO, n};
}

FirmwareKeyEntry EncodeMedia(int32_t index) {
    // A stored index outside the table would make the key send a made-up usage.
    if (index < 0 || index >= MEDIA_COUNT) return DISABLED;
    const uint16_t usage = MediaUsage(index);
    return {KIND_CONSUMER, static_cast<uint8_t>(usage & 0xFF), static_cast<uint8_t>(usage >> 8)};
}

FirmwareKeyEntry EncodeFunction(int32_t index) {
    if (index < 0 || index >= KEYBOARD_FUNCTION_COUNT) return DISABLED;
    return {KIND_ACTION, ACTION_FUNCTION, static_cast<uint8_t>(index)};
}

int MediaIndexOfUsage(uint16_t usage) {
    for (int i = 0; i < MEDIA_COUNT; ++i) {
        if (MediaUsage(i) == usage) return i;
    }
    return -1;
}

// The assignment a slot holds when it differs from its default entry.
KeyAssignment DecodeEntry(const FirmwareKeyEntry& e) {
    KeyAssignment a;
    a.type = ASSIGN_DISABLED;
    if (e.kind == KIND_ACTION) {
        if (e.byte1 == ACTION_PLAY_MACRO) {
            a.type = ASSIGN_MACRO;
            a.value = e.byte2 + 1;
        } else if (e.byte1 == ACTION_STOP_MACRO) {
            a.type = ASSIGN_STOP_MACRO;
        } else if (e.byte1 == ACTION_FUNCTION && e.byte2 < KEYBOARD_FUNCTION_COUNT) {
            a.type = ASSIGN_FUNCTION;
            a.value = e.byte2;
        }
    } else if (e.kind == KIND_CONSUMER) {
        if (const int i = MediaIndexOfUsage(static_cast<uint16_t>(e.byte1 | (e.byte2 << 8)));
            i >= 0) {
            a.type = ASSIGN_MEDIA;
            a.value = i;
        }
    } else if (e.kind == KIND_KEYBOARD) {
        if (e.byte1 == KEYBOARD_USAGE) {
            if (const ScanCode s = FromHidUsage({HID_PAGE_KEYBOARD, e.byte2}); s != 0) {
                a.type = ASSIGN_KEY;
                a.value = s;
            }
        } else if (e.byte1 == KEYBOARD_MODIFIER) {
            a.type = ASSIGN_KEY;
            a.value = ModifierBitToScanCode(e.byte2);
        }
    }
    return a;
}

}  // namespace

KeyTableBlock ReadKeyTableBlock(const uint8_t* bytes) {
    KeyTableBlock b;
    for (FirmwareKeyEntry& e : b.slots) {
        e = {bytes[0], bytes[1], bytes[2]};
        bytes += FIRMWARE_KEY_ENTRY_SIZE;
    }
    return b;
}

void WriteKeyTableBlock(uint8_t* bytes, const KeyTableBlock& b) {
    for (const FirmwareKeyEntry& e : b.slots) {
        bytes[0] = e.kind;
        bytes[1] = e.byte1;
        bytes[2] = e.byte2;
        bytes += FIRMWARE_KEY_ENTRY_SIZE;
    }
}

const DefaultLayout& BuiltInDefaultLayout() {
    return BUILT_IN_LAYOUT;
}

DefaultLayout CurrentDefaultLayout() {
    std::lock_guard lock(layoutMutex);
    return currentLayout;
}

void ReplaceDefaultLayout(const DefaultLayout& layout) {
    std::lock_guard lock(layoutMutex);
    currentLayout = layout;
}

ScanCode ModifierBitToScanCode(uint8_t mask) {
    for (const ModifierKey& m : MODIFIER_KEYS) {
        if (mask & m.bit) return m.scanCode;
    }
    return 0;
}

ScanCode SlotScanCode(const FirmwareKeyEntry& e) {
    switch (e.kind) {
        case KIND_KEYBOARD:
            if (e.byte1 != KEYBOARD_USAGE) return ModifierBitToScanCode(e.byte2);
            return FromHidUsage({HID_PAGE_KEYBOARD, e.byte2});
        case KIND_CONSUMER:
            return FromHidUsage({HID_PAGE_CONSUMER, static_cast<uint16_t>(e.byte1 | e.byte2 << 8)});
        case KIND_GENERIC_DESKTOP:
            return FromHidUsage(
                {HID_PAGE_GENERIC_DESKTOP, static_cast<uint16_t>(e.byte1 | e.byte2 << 8)});
        default:
            return 0;
    }
}

FirmwareKeyEntry EncodeAssignment(const KeyAssignment& a, const FirmwareKeyEntry& d,
                                  const MacroPositionOfId& macroPosition) {
    switch (a.type) {
        case ASSIGN_DISABLED:
        case ASSIGN_TEXT:
            return DISABLED;
        case ASSIGN_KEY:
            return EncodeSingleKey(a.value);
        case ASSIGN_MACRO:
            return EncodeMacro(a.value, macroPosition);
        case ASSIGN_STOP_MACRO:
            return {KIND_ACTION, ACTION_STOP_MACRO, 0};
        case ASSIGN_MEDIA:
            return EncodeMedia(a.value);
        case ASSIGN_FUNCTION:
            return EncodeFunction(a.value);
        default:
            // Default function, start-a-program, and types no editor writes keep the key working.
            return d;
    }
}

KeyTableBlock EncodeKeyTable(const KeyArea& area, const DefaultLayout& layout,
                             const MacroPositionOfId& macroPosition) {
    KeyTableBlock block = layout;
    for (int s = 0; s < KEY_TABLE_SLOTS; ++s) {
        const FirmwareKeyEntry& d = layout.slots[s];
        const ScanCode c = SlotScanCode(d);
        if (c == 0) continue;
        block.slots[s] = EncodeAssignment(area[KeyIndexOf(c)], d, macroPosition);
    }
    return block;
}

KeyArea DecodeKeyTable(const KeyTableBlock& block, const DefaultLayout& layout) {
    KeyArea area = FreshKeyArea();
    for (int s = 0; s < KEY_TABLE_SLOTS; ++s) {
        const FirmwareKeyEntry& e = block.slots[s];
        const FirmwareKeyEntry& d = layout.slots[s];
        if (e == d) continue;
        const KeyIndex key = KeyIndexOf(SlotScanCode(d));
        if (key == 0) continue;
        const KeyAssignment decoded = DecodeEntry(e);
        area[key].type = decoded.type;
        area[key].value = decoded.value;
    }
    return area;
}

}  // namespace quorvel
