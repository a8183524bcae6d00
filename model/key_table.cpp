#include "model/key_table.h"

#include <mutex>

#include "base/byte_order.h"

namespace quorvel {
namespace {

constexpr std::array<FirmwareKeyEntry, KEY_TABLE_SLOTS> BUILT_IN_SLOTS = {{
    // slots 0-20
    {0x05, 0x00, 0x00},
    {0x05, 0x00, 0x00},
    {0x05, 0x00, 0x00},
    {0x05, 0x00, 0x00},
    {0x05, 0x00, 0x00},
    {0x05, 0x00, 0x00},
    {0x00, 0x00, 0x00},
    {0x00, 0x00, 0x00},
    {0x02, 0x02, 0x29},
    {0x02, 0x02, 0x35},
    {0x02, 0x02, 0x2B},
    {0x02, 0x02, 0x39},
    {0x02, 0x01, 0x02},
    {0x02, 0x01, 0x01},
    {0x00, 0x00, 0x00},
    {0x00, 0x00, 0x00},
    {0x02, 0x02, 0x3A},
    {0x02, 0x02, 0x1E},
    {0x02, 0x02, 0x14},
    {0x02, 0x02, 0x04},
    {0x02, 0x02, 0x1D},
    // slots 21-41
    {0x02, 0x01, 0x08},
    {0x00, 0x00, 0x00},
    {0x00, 0x00, 0x00},
    {0x02, 0x02, 0x3B},
    {0x02, 0x02, 0x1F},
    {0x02, 0x02, 0x1A},
    {0x02, 0x02, 0x16},
    {0x02, 0x02, 0x1B},
    {0x02, 0x01, 0x04},
    {0x00, 0x00, 0x00},
    {0x00, 0x00, 0x00},
    {0x02, 0x02, 0x3C},
    {0x02, 0x02, 0x20},
    {0x02, 0x02, 0x08},
    {0x02, 0x02, 0x07},
    {0x02, 0x02, 0x06},
    {0x02, 0x02, 0x2C},
    {0x02, 0x02, 0x46},
    {0x00, 0x00, 0x00},
    {0x02, 0x02, 0x3D},
    {0x02, 0x02, 0x21},
    // slots 42-62
    {0x02, 0x02, 0x15},
    {0x02, 0x02, 0x09},
    {0x02, 0x02, 0x19},
    {0x02, 0x01, 0x40},
    {0x02, 0x02, 0x47},
    {0x00, 0x00, 0x00},
    {0x02, 0x02, 0x3E},
    {0x02, 0x02, 0x22},
    {0x02, 0x02, 0x17},
    {0x02, 0x02, 0x0A},
    {0x02, 0x02, 0x05},
    {0x05, 0x02, 0x02},
    {0x02, 0x02, 0x2E},
    {0x00, 0x00, 0x00},
    {0x02, 0x02, 0x3F},
    {0x02, 0x02, 0x23},
    {0x02, 0x02, 0x1C},
    {0x02, 0x02, 0x0B},
    {0x02, 0x02, 0x11},
    {0x02, 0x02, 0x65},
    {0x02, 0x02, 0x48},
    // slots 63-83
    {0x00, 0x00, 0x00},
    {0x02, 0x02, 0x40},
    {0x02, 0x02, 0x24},
    {0x02, 0x02, 0x18},
    {0x02, 0x02, 0x0D},
    {0x02, 0x02, 0x10},
    {0x02, 0x01, 0x10},
    {0x02, 0x02, 0x49},
    {0x00, 0x00, 0x00},
    {0x02, 0x02, 0x41},
    {0x02, 0x02, 0x25},
    {0x02, 0x02, 0x0C},
    {0x02, 0x02, 0x0E},
    {0x02, 0x02, 0x36},
    {0x02, 0x02, 0x50},
    {0x02, 0x02, 0x4A},
    {0x00, 0x00, 0x00},
    {0x02, 0x02, 0x42},
    {0x02, 0x02, 0x26},
    {0x02, 0x02, 0x12},
    {0x02, 0x02, 0x0F},
    // slots 84-104
    {0x02, 0x02, 0x37},
    {0x02, 0x02, 0x51},
    {0x02, 0x02, 0x4B},
    {0x00, 0x00, 0x00},
    {0x02, 0x02, 0x43},
    {0x02, 0x02, 0x27},
    {0x02, 0x02, 0x13},
    {0x02, 0x02, 0x33},
    {0x02, 0x02, 0x38},
    {0x02, 0x02, 0x52},
    {0x02, 0x02, 0x4C},
    {0x00, 0x00, 0x00},
    {0x02, 0x02, 0x44},
    {0x02, 0x02, 0x2D},
    {0x02, 0x02, 0x2F},
    {0x02, 0x02, 0x34},
    {0x02, 0x01, 0x20},
    {0x02, 0x02, 0x4F},
    {0x02, 0x02, 0x4D},
    {0x00, 0x00, 0x00},
    {0x02, 0x02, 0x45},
    // slots 105-125
    {0x02, 0x02, 0x2E},
    {0x02, 0x02, 0x30},
    {0x02, 0x02, 0x31},
    {0x02, 0x02, 0x28},
    {0x02, 0x02, 0x2A},
    {0x02, 0x02, 0x4E},
    {0x00, 0x00, 0x00},
    {0x03, 0xB6, 0x00},
    {0x02, 0x02, 0x53},
    {0x02, 0x02, 0x5F},
    {0x02, 0x02, 0x5C},
    {0x02, 0x02, 0x59},
    {0x02, 0x02, 0x62},
    {0x02, 0x02, 0x56},
    {0x00, 0x00, 0x00},
    {0x03, 0xCD, 0x00},
    {0x02, 0x02, 0x54},
    {0x02, 0x02, 0x60},
    {0x02, 0x02, 0x5D},
    {0x02, 0x02, 0x5A},
    {0x02, 0x02, 0x63},
}};

constexpr DefaultLayout BUILT_IN_LAYOUT{BUILT_IN_SLOTS};

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
        } else if (e.byte1 == ACTION_FUNCTION) {
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
