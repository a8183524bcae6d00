#include "model/key_codes.h"

#include <algorithm>
#include <cstdio>

#include "base/texts.h"

namespace quorvel {
namespace {

struct KeyRow {
    ScanCode scanCode;
    std::string_view name;
    bool nameIsTextKey;
    uint8_t vk;
    uint8_t secondVk;  // 0 = same as vk
    HidKeyCode hidKeyCode;
    KeyListIndex listIndex;
};

constexpr KeyListIndex NL = KEY_LIST_NONE;

constexpr KeyRow Named(ScanCode s, std::string_view name, uint8_t vk, HidKeyCode hid,
                       KeyListIndex list, uint8_t secondVk = 0) {
    return {s, name, false, vk, secondVk, hid, list};
}
constexpr KeyRow Media(ScanCode s, std::string_view textKey, uint8_t vk, HidKeyCode hid) {
    return {s, textKey, true, vk, 0, hid, NL};
}

constexpr KeyRow KEY_ROWS[] = {
    Named(0x001, "Esc", 0x1B, 0x29, 37),
    Named(0x002, "1", 0x31, 0x1E, 26),
    Named(0x003, "2", 0x32, 0x1F, 27),
    Named(0x004, "3", 0x33, 0x20, 28),
    Named(0x005, "4", 0x34, 0x21, 29),
    Named(0x006, "5", 0x35, 0x22, 30),
    Named(0x007, "6", 0x36, 0x23, 31),
    Named(0x008, "7", 0x37, 0x24, 32),
    Named(0x009, "8", 0x38, 0x25, 33),
    Named(0x00A, "9", 0x39, 0x26, 34),
    Named(0x00B, "0", 0x30, 0x27, 35),
    Named(0x00C, "-", 0xBD, 0x2D, 41),
    Named(0x00D, "=", 0xBB, 0x2E, 42),
    Named(0x00E, "Backspace", 0x08, 0x2A, 38),
    Named(0x00F, "Tab", 0x09, 0x2B, 39),
    Named(0x010, "Q", 0x51, 0x14, 16),
    Named(0x011, "W", 0x57, 0x1A, 22),
    Named(0x012, "E", 0x45, 0x08, 4),
    Named(0x013, "R", 0x52, 0x15, 17),
    Named(0x014, "T", 0x54, 0x17, 19),
    Named(0x015, "Y", 0x59, 0x1C, 24),
    Named(0x016, "U", 0x55, 0x18, 20),
    Named(0x017, "I", 0x49, 0x0C, 8),
    Named(0x018, "O", 0x4F, 0x12, 14),
    Named(0x019, "P", 0x50, 0x13, 15),
    Named(0x01A, "[", 0xDB, 0x2F, 43),
    Named(0x01B, "]", 0xDD, 0x30, 44),
    Named(0x01C, "Enter", 0x0D, 0x28, 36),
    Named(0x01D, "Ctrl", 0xA2, 0xE0, 98),
    Named(0x01E, "A", 0x41, 0x04, 0),
    Named(0x01F, "S", 0x53, 0x16, 18),
    Named(0x020, "D", 0x44, 0x07, 3),
    Named(0x021, "F", 0x46, 0x09, 5),
    Named(0x022, "G", 0x47, 0x0A, 6),
    Named(0x023, "H", 0x48, 0x0B, 7),
    Named(0x024, "J", 0x4A, 0x0D, 9),
    Named(0x025, "K", 0x4B, 0x0E, 10),
    Named(0x026, "L", 0x4C, 0x0F, 11),
    Named(0x027, ";", 0xBA, 0x33, 46),
    Named(0x028, "'", 0xDE, 0x34, 47),
    Named(0x029, "`", 0xC0, 0x35, 48),
    Named(0x02A, "Shift", 0xA0, 0xE1, 99),
    Named(0x02B, "\\", 0xDC, 0x31, 45),
    Named(0x02C, "Z", 0x5A, 0x1D, 25),
    Named(0x02D, "X", 0x58, 0x1B, 23),
    Named(0x02E, "C", 0x43, 0x06, 2),
    Named(0x02F, "V", 0x56, 0x19, 21),
    Named(0x030, "B", 0x42, 0x05, 1),
    Named(0x031, "N", 0x4E, 0x11, 13),
    Named(0x032, "M", 0x4D, 0x10, 12),
    Named(0x033, ",", 0xBC, 0x36, 49),
    Named(0x034, ".", 0xBE, 0x37, 50),
    Named(0x035, "/", 0xBF, 0x38, 51),
    Named(0x036, "Right Shift", 0xA1, 0xE5, 103),
    Named(0x037, "Num *", 0x6A, 0x55, 81),
    Named(0x038, "Alt", 0xA4, 0xE2, 100),
    Named(0x039, "Space", 0x20, 0x2C, 40),
    Named(0x03A, "Caps Lock", 0x14, 0x39, 78),
    Named(0x03B, "F1", 0x70, 0x3A, 52),
    Named(0x03C, "F2", 0x71, 0x3B, 53),
    Named(0x03D, "F3", 0x72, 0x3C, 54),
    Named(0x03E, "F4", 0x73, 0x3D, 55),
    Named(0x03F, "F5", 0x74, 0x3E, 56),
    Named(0x040, "F6", 0x75, 0x3F, 57),
    Named(0x041, "F7", 0x76, 0x40, 58),
    Named(0x042, "F8", 0x77, 0x41, 59),
    Named(0x043, "F9", 0x78, 0x42, 60),
    Named(0x044, "F10", 0x79, 0x43, 61),
    Named(0x045, "Pause", 0x13, 0x48, 65),
    Named(0x046, "Scroll Lock", 0x91, 0x47, 77),
    Named(0x047, "Num 7", 0x67, 0x5F, 91, 0x24),
    Named(0x048, "Num 8", 0x68, 0x60, 92, 0x26),
    Named(0x049, "Num 9", 0x69, 0x61, 93, 0x21),
    Named(0x04A, "Num -", 0x6D, 0x56, 82),
    Named(0x04B, "Num 4", 0x64, 0x5C, 88, 0x25),
    Named(0x04C, "Num 5", 0x65, 0x5D, 89, 0x0C),
    Named(0x04D, "Num 6", 0x66, 0x5E, 90, 0x27),
    Named(0x04E, "Num +", 0x6B, 0x57, 83),
    Named(0x04F, "Num 1", 0x61, 0x59, 85, 0x23),
    Named(0x050, "Num 2", 0x62, 0x5A, 86, 0x28),
    Named(0x051, "Num 3", 0x63, 0x5B, 87, 0x22),
    Named(0x052, "Num 0", 0x60, 0x62, 94, 0x2D),
    Named(0x053, "Num .", 0x6E, 0x63, 95, 0x2E),
    Named(0x054, "Sys Req", 0x2C, 0x00, NL),
    Named(0x056, "K45", 0xE2, 0x64, 96),
    Named(0x057, "F11", 0x7A, 0x44, 62),
    Named(0x058, "F12", 0x7B, 0x45, 63),
    Named(0x064, "F13", 0x7C, 0x00, NL),
    Named(0x070, "ROMA (133)", 0xFF, 0x88, NL),
    Named(0x071, "KL", 0xE9, 0x91, NL),
    Named(0x072, "KR", 0xFF, 0x90, NL),
    Named(0x073, "K56", 0xC1, 0x87, NL),
    Named(0x079, "CHG (132)", 0xFF, 0x8A, NL),
    Named(0x07B, "N-CHG (131)", 0xEB, 0x8B, NL),
    Named(0x07D, "K14", 0xFF, 0x89, NL),
    Named(0x07E, "K107", 0xC2, 0x85, NL),
    Media(0x110, "MEDIA_PREV_TRACK_4", 0xB1, 0xD0),
    Media(0x119, "MEDIA_Next_TRACK_5", 0xB0, 0xD1),
    Named(0x11C, "Num Enter", 0x0D, 0x58, 84),
    Named(0x11D, "Right Ctrl", 0xA3, 0xE4, 102),
    Media(0x120, "MEDIA_MUTE_8", 0xAD, 0xCD),
    Media(0x121, "MEDIA_CALC_17", 0xB7, 0xC4),
    Media(0x122, "MEDIA_PALY_PAUSE_2", 0xB3, 0xCE),
    Media(0x124, "MEDIA_STOP_PALY_3", 0xB2, 0xCF),
    Media(0x12E, "MEDIA_V_LOW_6", 0xAE, 0xC1),
    Media(0x130, "MEDIA_V_ADD_7", 0xAF, 0xC0),
    Media(0x132, "MEDIA_WWW_HOME_9", 0xAC, 0xC7),
    Named(0x135, "Num /", 0x6F, 0x54, 80),
    Named(0x136, "Right Shift", 0xA1, 0xE5, 103),
    Named(0x137, "Print Screen", 0x2C, 0x46, 64),
    Named(0x138, "Right Alt", 0xA5, 0xE6, 104),
    Named(0x145, "Num Lock", 0x90, 0x53, 79),
    Named(0x146, "Break", 0x03, 0x48, 66),
    Named(0x147, "Home", 0x24, 0x4A, 69),
    Named(0x148, "\u2191", 0x26, 0x52, 73),
    Named(0x149, "Page Up", 0x21, 0x4B, 71),
    Named(0x14B, "\u2190", 0x25, 0x50, 75),
    Named(0x14D, "\u2192", 0x27, 0x4F, 76),
    Named(0x14F, "End", 0x23, 0x4D, 70),
    Named(0x150, "\u2193", 0x28, 0x51, 74),
    Named(0x151, "Page Down", 0x22, 0x4E, 72),
    Named(0x152, "Insert", 0x2D, 0x49, 67),
    Named(0x153, "Delete", 0x2E, 0x4C, 68),
    Named(0x15B, "Win", 0x5B, 0xE3, 101),
    Named(0x15C, "Right Win", 0x5C, 0xE7, 105),
    Named(0x15D, "App", 0x5D, 0x65, 97),
    Named(0x15E, "Power", 0xFF, 0x81, NL),
    Named(0x15F, "Sleep", 0x5F, 0x82, NL),
    Named(0x163, "Wake", 0xFF, 0x83, NL),
    Media(0x165, "MEDIA_WWW_SEARCH_15", 0xAA, 0xC6),
    Media(0x166, "MEDIA_WWW_FAVORITE_14", 0xAB, 0xCC),
    Media(0x167, "MEDIA_WWW_REFRESH_10", 0xA8, 0xCB),
    Media(0x168, "MEDIA_WWW_STOP_11", 0xA9, 0xCA),
    Media(0x169, "MEDIA_WWW_FORWARD_13", 0xA7, 0xC9),
    Media(0x16A, "MEDIA_WWW_BACK_12", 0xA6, 0xC8),
    Media(0x16B, "MEDIA_MY_PC_16", 0xB6, 0xC5),
    Media(0x16C, "MEDIA_MAIL_18", 0xB4, 0xC3),
    Media(0x16D, "MEDIA_PALYER_1", 0xB5, 0xC2),
    // Pseudo-keys: no physical key, no scan-code sequence.
    Named(0x16E, "Pan Left", 0x88, 0x00, NL),
    Named(0x16F, "Pan Right", 0x89, 0x00, NL),
    Named(0x170, "Double Click", 0x8A, 0x00, NL),
    Named(0x171, "Left Button", 0x01, 0x00, NL),
    Named(0x172, "Right Button", 0x02, 0x00, NL),
    Named(0x173, "Middle Button", 0x04, 0x00, NL),
    Named(0x174, "Zoom-", 0x8B, 0xD2, NL),
    Named(0x175, "Zoom+", 0x8C, 0xD3, NL),
    Named(0x176, "Copy", 0x97, 0x00, NL),
    Named(0x177, "Cut", 0x98, 0x00, NL),
    Named(0x178, "Paste", 0x99, 0x00, NL),
    Named(0x179, "Minimize", 0x9A, 0x00, NL),
    Named(0x17A, "Maximize", 0x9B, 0x00, NL),
    Named(0x17B, "Word", 0x9C, 0xD4, NL),
    Named(0x17C, "Excel", 0x9D, 0xD5, NL),
    Named(0x17D, "PowerPoint", 0x9E, 0x00, NL),
    Named(0x17E, "Calendar", 0x9F, 0x00, NL),
};

constexpr std::array<KeyInfo, KEY_INFO_ROWS> BuildKeyInfoTable() {
    std::array<KeyInfo, KEY_INFO_ROWS> table{};
    for (const KeyRow& row : KEY_ROWS) {
        KeyInfo& info = table[KeyIndexOf(row.scanCode)];
        info.vk = row.vk;
        info.listIndex = row.listIndex;
        info.name = row.name;
        info.nameIsTextKey = row.nameIsTextKey;
        info.secondVk = row.secondVk != 0 ? row.secondVk : row.vk;
        info.hidKeyCode = row.hidKeyCode;
    }
    return table;
}

constexpr std::array<KeyInfo, KEY_INFO_ROWS> KEY_INFO_TABLE = BuildKeyInfoTable();

constexpr std::array<uint16_t, CONSUMER_USAGE_COUNT> CONSUMER_USAGE_TABLE = {
    0x00E9, 0x00EA, 0x0183, 0x018A, 0x0192, 0x0194, 0x0221, 0x0223, 0x0224,
    0x0225, 0x0226, 0x0227, 0x022A, 0x00E2, 0x00CD, 0x00B7, 0x00B6, 0x00B5,
};

constexpr std::array<MediaFunction, MEDIA_COUNT> MEDIA_TABLE = {{
    {"MEDIA_PALYER_1", 0x16D, 0x0183},
    {"MEDIA_PALY_PAUSE_2", 0x122, 0x00CD},
    {"MEDIA_STOP_PALY_3", 0x124, 0x00B7},
    {"MEDIA_PREV_TRACK_4", 0x110, 0x00B6},
    {"MEDIA_Next_TRACK_5", 0x119, 0x00B5},
    {"MEDIA_V_LOW_6", 0x12E, 0x00EA},
    {"MEDIA_V_ADD_7", 0x130, 0x00E9},
    {"MEDIA_MUTE_8", 0x120, 0x00E2},
    {"MEDIA_WWW_HOME_9", 0x132, 0x0223},
    {"MEDIA_WWW_REFRESH_10", 0x167, 0x0227},
    {"MEDIA_WWW_STOP_11", 0x168, 0x0226},
    {"MEDIA_WWW_BACK_12", 0x16A, 0x0224},
    {"MEDIA_WWW_FORWARD_13", 0x169, 0x0225},
    {"MEDIA_WWW_FAVORITE_14", 0x166, 0x022A},
    {"MEDIA_WWW_SEARCH_15", 0x165, 0x0221},
    {"MEDIA_MY_PC_16", 0x16B, 0x0194},
    {"MEDIA_CALC_17", 0x121, 0x0192},
    {"MEDIA_MAIL_18", 0x16C, 0x018A},
}};

// First row in KeyIndex order wins, so the twins 0x036/0x136 resolve to 0x036.
constexpr std::array<ScanCode, KEY_LIST_COUNT> BuildKeyPickList() {
    std::array<ScanCode, KEY_LIST_COUNT> list{};
    for (int i = KEY_INFO_ROWS - 1; i >= 0; --i) {
        const KeyListIndex pos = KEY_INFO_TABLE[i].listIndex;
        if (pos < KEY_LIST_COUNT) list[pos] = ScanCodeOf(static_cast<KeyIndex>(i));
    }
    return list;
}

constexpr std::array<ScanCode, KEY_LIST_COUNT> KEY_PICK_LIST = BuildKeyPickList();

constexpr bool VkNamesNoKey(int vk) {
    return vk == VK_NONE || vk == 0x01 || vk == 0x02 || vk == 0x04 || (vk >= 0x88 && vk <= 0x8C) ||
           (vk >= 0x97 && vk <= 0x9F);
}

constexpr std::array<ScanCode, 256> BuildVkMap() {
    std::array<ScanCode, 256> map{};
    for (int i = KEY_INFO_ROWS - 1; i >= 0; --i) {
        map[KEY_INFO_TABLE[i].vk] = ScanCodeOf(static_cast<KeyIndex>(i));
    }
    for (int vk = 0; vk < 256; ++vk) {
        if (VkNamesNoKey(vk)) map[vk] = 0;
    }
    map[0x2C] = 0x137;  // Print Screen, not Sys Req
    map[0x10] = 0x02A;  // generic Shift, Control and Menu stand for the left-hand keys
    map[0x11] = 0x01D;
    map[0x12] = 0x038;
    return map;
}

constexpr std::array<ScanCode, 256> VK_MAP = BuildVkMap();

// clang-format off
constexpr std::array<MatrixKey, MAP_KEY_COUNT> MATRIX_KEYS = {{
    // row 0
    {0x001, 0}, {0x03B, 1}, {0x03C, 2}, {0x03D, 3}, {0x03E, 4}, {0x03F, 5},
    {0x040, 6}, {0x041, 7}, {0x042, 8}, {0x043, 9}, {0x044, 10}, {0x057, 11},
    {0x058, 12}, {0x137, 14}, {0x046, 15}, {0x045, 16},
    // row 1
    {0x029, 21}, {0x002, 22}, {0x003, 23}, {0x004, 24}, {0x005, 25}, {0x006, 26},
    {0x007, 27}, {0x008, 28}, {0x009, 29}, {0x00A, 30}, {0x00B, 31}, {0x00C, 32},
    {0x00D, 33}, {0x00E, 34}, {0x152, 35}, {0x147, 36}, {0x149, 37}, {0x145, 38},
    {0x135, 39}, {0x037, 40}, {0x04A, 41},
    // row 2
    {0x00F, 42}, {0x010, 43}, {0x011, 44}, {0x012, 45}, {0x013, 46}, {0x014, 47},
    {0x015, 48}, {0x016, 49}, {0x017, 50}, {0x018, 51}, {0x019, 52}, {0x01A, 53},
    {0x01B, 54}, {0x02B, 55}, {0x153, 56}, {0x14F, 57}, {0x151, 58}, {0x047, 59},
    {0x048, 60}, {0x049, 61}, {0x04E, 62},
    // row 3
    {0x03A, 63}, {0x01E, 64}, {0x01F, 65}, {0x020, 66}, {0x021, 67}, {0x022, 68},
    {0x023, 69}, {0x024, 70}, {0x025, 71}, {0x026, 72}, {0x027, 73}, {0x028, 74},
    {0x01C, 76}, {0x04B, 80}, {0x04C, 81}, {0x04D, 82},
    // row 4
    {0x02A, 84}, {0x02C, 86}, {0x02D, 87}, {0x02E, 88}, {0x02F, 89}, {0x030, 90},
    {0x031, 91}, {0x032, 92}, {0x033, 93}, {0x034, 94}, {0x035, 95}, {0x036, 97},
    {0x148, 99}, {0x04F, 101}, {0x050, 102}, {0x051, 103}, {0x11C, 104},
    // row 5 (Fn at 110 and the G keys at 125 have no scan code)
    {0x01D, 105}, {0x15B, 106}, {0x038, 107}, {0x039, 108}, {0x138, 109}, {0x15D, 111},
    {0x15C, 112}, {0x11D, 113}, {0x14B, 119}, {0x150, 120}, {0x14D, 121}, {0x052, 123},
    {0x053, 124},
}};
// clang-format on

std::string DisplayName(const KeyInfo& row) {
    return row.nameIsTextKey ? Text(row.name) : std::string(row.name);
}

// Length in bytes of the longest prefix of text that fits in maxUnits UTF-16 units without
// splitting a character. Malformed bytes count as one unit each.
size_t Utf16Prefix(std::string_view text, size_t maxUnits) {
    size_t pos = 0;
    size_t units = 0;
    while (pos < text.size()) {
        const auto lead = static_cast<unsigned char>(text[pos]);
        size_t bytes = 1;
        if (lead >= 0xF0) {
            bytes = 4;
        } else if (lead >= 0xE0) {
            bytes = 3;
        } else if (lead >= 0xC0) {
            bytes = 2;
        }
        const size_t need = bytes == 4 ? 2 : 1;
        if (pos + bytes > text.size() || units + need > maxUnits) break;
        pos += bytes;
        units += need;
    }
    return pos;
}

}  // namespace

const std::array<KeyInfo, KEY_INFO_ROWS>& KeyInfoTable() {
    return KEY_INFO_TABLE;
}
const std::array<uint16_t, CONSUMER_USAGE_COUNT>& ConsumerUsageTable() {
    return CONSUMER_USAGE_TABLE;
}
const std::array<MediaFunction, MEDIA_COUNT>& MediaTable() {
    return MEDIA_TABLE;
}
const std::array<ScanCode, KEY_LIST_COUNT>& KeyPickList() {
    return KEY_PICK_LIST;
}
const std::array<ScanCode, 256>& VkMap() {
    return VK_MAP;
}

std::string FormatScanCodeText(std::string_view pattern, ScanCode s) {
    std::string out;
    bool valueUsed = false;
    size_t pos = 0;
    while (pos < pattern.size()) {
        const char c = pattern[pos];
        if (c != '%') {
            out += c;
            ++pos;
            continue;
        }
        if (pos + 1 < pattern.size() && pattern[pos + 1] == '%') {
            out += '%';
            pos += 2;
            continue;
        }
        // %[flags][width][.precision]conversion, rebuilt from what was recognised so that
        // snprintf only ever sees a single bounded integer conversion.
        size_t end = pos + 1;
        std::string flags;
        while (end < pattern.size() &&
               std::string_view("-+ 0#").find(pattern[end]) != std::string_view::npos) {
            if (flags.size() < 5) flags += pattern[end];
            ++end;
        }
        int width = 0;
        while (end < pattern.size() && pattern[end] >= '0' && pattern[end] <= '9') {
            width = std::min(width * 10 + (pattern[end] - '0'), 64);
            ++end;
        }
        int precision = -1;
        if (end < pattern.size() && pattern[end] == '.') {
            precision = 0;
            ++end;
            while (end < pattern.size() && pattern[end] >= '0' && pattern[end] <= '9') {
                precision = std::min(precision * 10 + (pattern[end] - '0'), 64);
                ++end;
            }
        }
        const char conversion = end < pattern.size() ? pattern[end] : '\0';
        if (valueUsed || conversion == '\0' ||
            std::string_view("diuxXo").find(conversion) == std::string_view::npos) {
            out += c;
            ++pos;
            continue;
        }
        std::string conversionFormat = "%" + flags;
        if (width > 0) conversionFormat += std::to_string(width);
        if (precision >= 0) conversionFormat += "." + std::to_string(precision);
        conversionFormat += conversion;
        char buffer[160];
        std::snprintf(buffer, sizeof buffer, conversionFormat.c_str(), static_cast<unsigned>(s));
        out += buffer;
        valueUsed = true;
        pos = end + 1;
    }
    return out;
}

std::string KeyName(ScanCode s, size_t capacity) {
    if (capacity == 0) return {};
    std::string name = DisplayName(KEY_INFO_TABLE[KeyIndexOf(s)]);
    if (name.empty()) name = FormatScanCodeText(Text("UNKNOWN_KEY"), s);
    name.resize(Utf16Prefix(name, capacity - 1));
    return name;
}

std::string KeyListName(int listIndex) {
    const ScanCode s = KeyListScanCode(listIndex);
    return s == 0 ? std::string() : DisplayName(KEY_INFO_TABLE[KeyIndexOf(s)]);
}

ScanCode KeyListScanCode(int listIndex) {
    return listIndex >= 0 && listIndex < KEY_LIST_COUNT ? KEY_PICK_LIST[listIndex] : 0;
}

KeyListIndex KeyListIndexOf(ScanCode s) {
    return KEY_INFO_TABLE[KeyIndexOf(s)].listIndex;
}

HidUsage ToHidUsage(ScanCode s) {
    const HidKeyCode c = KEY_INFO_TABLE[KeyIndexOf(s)].hidKeyCode;
    if (c == 0x00 || c == 0xFF) return {};
    if (c >= 0x81 && c <= 0x83) return {HID_PAGE_GENERIC_DESKTOP, c};
    if (c >= 0xC0 && c <= 0xDF) {
        // The unused tail of the consumer table is no usage at all, not a page-12 usage 0.
        const uint16_t usage = CONSUMER_USAGE_TABLE[c - 0xC0];
        return usage == 0 ? HidUsage{} : HidUsage{HID_PAGE_CONSUMER, usage};
    }
    return {HID_PAGE_KEYBOARD, c};
}

ScanCode FromHidUsage(HidUsage usage) {
    if (usage.usage == 0) return 0;
    HidKeyCode c = 0;
    switch (usage.page) {
        case HID_PAGE_KEYBOARD:
            // The one-byte codes 0x81-0x83 and 0xC0-0xDF stand for other pages' usages; a
            // keyboard usage there (or above 0xFF) names no key rather than a media key.
            if (usage.usage > 0xFF || (usage.usage >= 0x81 && usage.usage <= 0x83) ||
                (usage.usage >= 0xC0 && usage.usage <= 0xDF))
                return 0;
            c = static_cast<HidKeyCode>(usage.usage);
            break;
        case HID_PAGE_GENERIC_DESKTOP:
            if (usage.usage < 0x81 || usage.usage > 0x83) return 0;
            c = static_cast<HidKeyCode>(usage.usage);
            break;
        case HID_PAGE_CONSUMER: {
            const auto* it =
                std::find(CONSUMER_USAGE_TABLE.begin(), CONSUMER_USAGE_TABLE.end(), usage.usage);
            if (it == CONSUMER_USAGE_TABLE.end()) return 0;
            c = static_cast<HidKeyCode>(0xC0 + (it - CONSUMER_USAGE_TABLE.begin()));
            break;
        }
        default:
            return 0;
    }
    for (int i = 0; i < KEY_INFO_ROWS; ++i) {
        if (KEY_INFO_TABLE[i].hidKeyCode == c) return ScanCodeOf(static_cast<KeyIndex>(i));
    }
    return 0;
}

ScanCode VkToScanCode(uint8_t vk) {
    return VK_MAP[vk];
}

ScanCode ResolveEventScanCode(uint8_t vk, uint32_t keyData) {
    const auto e = static_cast<ScanCode>((keyData >> 16) & 0x1FF);
    const ScanCode s = VkToScanCode(vk);
    if (e == 0x036) return e;
    if (vk == VK_NONE) return e;
    const uint32_t eventCode = (keyData >> 16) & 0xFF;
    if (eventCode == 0) return s;
    const KeyInfo& row = KEY_INFO_TABLE[KeyIndexOf(e)];
    if (vk == row.vk || vk == row.secondVk) return e;
    if (eventCode == KeyIndexOf(s)) return e;
    return s;
}

bool IsSingleTransitionKey(ScanCode s) {
    return s == 0x054 || s == 0x071 || s == 0x072 || s == 0x137;
}

ScanCode MediaScanCode(MediaIndex i) {
    return i >= 0 && i < MEDIA_COUNT ? MEDIA_TABLE[i].scanCode : 0;
}
uint16_t MediaUsage(MediaIndex i) {
    return i >= 0 && i < MEDIA_COUNT ? MEDIA_TABLE[i].consumerUsage : 0;
}
std::string_view MediaNameKey(MediaIndex i) {
    return i >= 0 && i < MEDIA_COUNT ? MEDIA_TABLE[i].nameKey : std::string_view();
}

const std::array<MatrixKey, MAP_KEY_COUNT>& MatrixKeys() {
    return MATRIX_KEYS;
}

int MatrixPositionOf(ScanCode s) {
    for (const MatrixKey& key : MATRIX_KEYS) {
        if (key.scanCode == s) return key.position;
    }
    return -1;
}

std::string KeySkinEntry(KeyIndex i) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "KEY_%03X", static_cast<unsigned>(i));
    return buffer;
}

std::string GKeySkinEntry(int gNumber) {
    return "FUNC_G" + std::to_string(gNumber);
}

}  // namespace quorvel
