#pragma once
// The identity spaces of a key (scan code, table row, virtual key, HID usage, pick-list
// position, matrix position, multimedia function) and the conversions between them. Constant
// tables and pure functions only; safe to call from any thread once the language texts are loaded.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quorvel {

// Set-1 make code in the low byte, 0x100 for keys sent with the 0xE0 prefix; Pause (0x045) and
// Num Lock (0x145) are swapped against the raw codes. 0 = no key.
using ScanCode = uint16_t;
using KeyIndex = uint8_t;        // row of KeyInfoTable, also the key's entry in a key area
using KeyListIndex = uint16_t;   // position in the key pick list
using MatrixPosition = uint8_t;  // row * 21 + column, index of the per-key colour tables
using GKeyCode = uint16_t;       // 0x0301 + n (bank A), 0x1301 + n (bank B), n = 0..8
using HidKeyCode = uint8_t;      // compact one-byte HID usage, see ToHidUsage
using MediaIndex = int;          // 0..17; wider so that stored values can be range-checked

constexpr int KEY_INFO_ROWS = 256;
constexpr KeyListIndex KEY_LIST_NONE = 0xFFFF;
constexpr int KEY_LIST_COUNT = 106;
constexpr int MEDIA_COUNT = 18;
constexpr int CONSUMER_USAGE_COUNT = 32;
constexpr uint8_t VK_NONE = 0xFF;
constexpr size_t KEY_NAME_CAPACITY = 260;  // what callers pass to KeyName

constexpr uint16_t HID_PAGE_NONE = 0;
constexpr uint16_t HID_PAGE_GENERIC_DESKTOP = 1;
constexpr uint16_t HID_PAGE_KEYBOARD = 7;
constexpr uint16_t HID_PAGE_CONSUMER = 12;

struct HidUsage {
    uint16_t page = HID_PAGE_NONE;
    uint16_t usage = 0;

    bool operator==(const HidUsage&) const = default;
};

struct KeyInfo {
    uint8_t vk = 0;
    KeyListIndex listIndex = KEY_LIST_NONE;
    std::string_view name;  // UTF-8; a language key when nameIsTextKey
    bool nameIsTextKey = false;
    uint8_t secondVk = 0;  // what numeric-pad digits report with Num Lock off; else vk
    HidKeyCode hidKeyCode = 0;
};

struct MediaFunction {
    std::string_view nameKey;  // language key of the function's name
    ScanCode scanCode;
    uint16_t consumerUsage;
};

constexpr KeyIndex KeyIndexOf(ScanCode s) {
    return s < 0x100 ? static_cast<KeyIndex>(s) : static_cast<KeyIndex>((s - 0x80) & 0xFF);
}
constexpr ScanCode ScanCodeOf(KeyIndex i) {
    return i < 128 ? ScanCode{i} : static_cast<ScanCode>(i + 128);
}

const std::array<KeyInfo, KEY_INFO_ROWS>& KeyInfoTable();
const std::array<uint16_t, CONSUMER_USAGE_COUNT>& ConsumerUsageTable();
const std::array<MediaFunction, MEDIA_COUNT>& MediaTable();
// ScanCode of each pick-list position 0..105.
const std::array<ScanCode, KEY_LIST_COUNT>& KeyPickList();
// ScanCode of each virtual key; 0 for virtual keys that name no key of the keyboard.
const std::array<ScanCode, 256>& VkMap();

// The row's display name (the language text for multimedia rows), or the UNKNOWN_KEY text
// formatted with the scan code for rows without one; cut to capacity - 1 UTF-16 units, never
// splitting a character. Capacity 0 gives an empty text.
std::string KeyName(ScanCode s, size_t capacity = KEY_NAME_CAPACITY);
// Formats a language-file pattern such as "Unknown Key: %03x" with a scan code. Only the first
// integer conversion takes the value and "%%" gives "%"; anything else is copied as it stands,
// so a damaged language file can never make the formatting read or write out of bounds.
std::string FormatScanCodeText(std::string_view pattern, ScanCode s);

std::string KeyListName(int listIndex);   // empty when no key has that position
ScanCode KeyListScanCode(int listIndex);  // 0 when no key has that position
KeyListIndex KeyListIndexOf(ScanCode s);  // the stored field, KEY_LIST_NONE when not listed

HidUsage ToHidUsage(ScanCode s);
ScanCode FromHidUsage(HidUsage usage);

ScanCode VkToScanCode(uint8_t vk);
// Scan code of a key event from its virtual key and the 32-bit key data of the event (scan code
// in bits 16-23, extended-key flag in bit 24). The event's own scan code wins whenever it
// agrees with the virtual key.
ScanCode ResolveEventScanCode(uint8_t vk, uint32_t keyData);
// Keys for which only one of the two transitions is reported.
bool IsSingleTransitionKey(ScanCode s);

// Columns of MediaTable; an index outside 0..17 gives 0 or an empty key.
ScanCode MediaScanCode(MediaIndex i);
uint16_t MediaUsage(MediaIndex i);
std::string_view MediaNameKey(MediaIndex i);

// Keyboard matrix: 6 rows of 21 columns.
constexpr int MATRIX_ROWS = 6;
constexpr int MATRIX_COLUMNS = 21;
constexpr int MATRIX_POSITIONS = MATRIX_ROWS * MATRIX_COLUMNS;  // 126
constexpr MatrixPosition MATRIX_FN_POSITION = 110;
constexpr MatrixPosition MATRIX_G_KEYS_POSITION = 125;  // the nine G keys share one colour
constexpr int MAP_KEY_COUNT = 104;                      // keys of the keyboard map, Fn excluded

struct MatrixKey {
    ScanCode scanCode;
    MatrixPosition position;
};

// The keys of the keyboard map in matrix order.
const std::array<MatrixKey, MAP_KEY_COUNT>& MatrixKeys();
// -1 when the key is not on the keyboard map.
int MatrixPositionOf(ScanCode s);

// Skin entry names of a map key ("KEY_%03X" with its KeyIndex) and of G key 1..9 ("FUNC_G%d").
std::string KeySkinEntry(KeyIndex i);
std::string GKeySkinEntry(int gNumber);

}  // namespace quorvel
