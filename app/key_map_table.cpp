#include "app/key_map_table.h"

#include <algorithm>

namespace quorvel {

const std::array<MapKey, MAP_KEY_COUNT> MAP_KEYS{{
    {1058, 0x01E},  // A
    {1075, 0x030},  // B
    {1073, 0x02E},  // C
    {1060, 0x020},  // D
    {1046, 0x012},  // E
    {1061, 0x021},  // F
    {1062, 0x022},  // G
    {1063, 0x023},  // H
    {1051, 0x017},  // I
    {1064, 0x024},  // J
    {1065, 0x025},  // K
    {1066, 0x026},  // L
    {1077, 0x032},  // M
    {1076, 0x031},  // N
    {1052, 0x018},  // O
    {1053, 0x019},  // P
    {1044, 0x010},  // Q
    {1047, 0x013},  // R
    {1059, 0x01F},  // S
    {1048, 0x014},  // T
    {1050, 0x016},  // U
    {1074, 0x02F},  // V
    {1045, 0x011},  // W
    {1072, 0x02D},  // X
    {1049, 0x015},  // Y
    {1071, 0x02C},  // Z
    {1030, 0x002},  // 1
    {1031, 0x003},  // 2
    {1032, 0x004},  // 3
    {1033, 0x005},  // 4
    {1034, 0x006},  // 5
    {1035, 0x007},  // 6
    {1036, 0x008},  // 7
    {1037, 0x009},  // 8
    {1038, 0x00A},  // 9
    {1039, 0x00B},  // 0
    {1070, 0x01C},  // Enter
    {1022, 0x001},  // Esc
    {1043, 0x00E},  // Backspace
    {1056, 0x00F},  // Tab
    {1090, 0x039},  // Space
    {1040, 0x00C},  // -
    {1041, 0x00D},  // =
    {1054, 0x01A},  // [
    {1055, 0x01B},  // ]
    {1042, 0x02B},  // Backslash
    {1067, 0x027},  // ;
    {1068, 0x028},  // '
    {1029, 0x029},  // `
    {1078, 0x033},  // ,
    {1079, 0x034},  // .
    {1080, 0x035},  // /
    {1010, 0x03B},  // F1
    {1011, 0x03C},  // F2
    {1012, 0x03D},  // F3
    {1013, 0x03E},  // F4
    {1014, 0x03F},  // F5
    {1015, 0x040},  // F6
    {1023, 0x041},  // F7
    {1024, 0x042},  // F8
    {1025, 0x043},  // F9
    {1026, 0x044},  // F10
    {1027, 0x057},  // F11
    {1028, 0x058},  // F12
    {1091, 0x137},  // Print Screen
    {1093, 0x045},  // Pause
    {1094, 0x152},  // Insert
    {1097, 0x153},  // Delete
    {1095, 0x147},  // Home
    {1098, 0x14F},  // End
    {1096, 0x149},  // Page Up
    {1099, 0x151},  // Page Down
    {1103, 0x148},  // Up
    {1101, 0x150},  // Down
    {1100, 0x14B},  // Left
    {1102, 0x14D},  // Right
    {1092, 0x046},  // Scroll Lock
    {1069, 0x03A},  // Caps Lock
    {1088, 0x15D},  // App
    {1083, 0x01D},  // Ctrl
    {1089, 0x11D},  // Right Ctrl
    {1082, 0x02A},  // Shift
    {1081, 0x036},  // Right Shift
    {1085, 0x038},  // Alt
    {1086, 0x138},  // Right Alt
    {1084, 0x15B},  // Win
    {1087, 0x15C},  // Right Win
    {1115, 0x04F},  // Num 1
    {1116, 0x050},  // Num 2
    {1117, 0x051},  // Num 3
    {1112, 0x04B},  // Num 4
    {1113, 0x04C},  // Num 5
    {1114, 0x04D},  // Num 6
    {1108, 0x047},  // Num 7
    {1109, 0x048},  // Num 8
    {1110, 0x049},  // Num 9
    {1120, 0x052},  // Num 0
    {1104, 0x145},  // Num Lock
    {1118, 0x11C},  // Num Enter
    {1119, 0x053},  // Num .
    {1105, 0x135},  // Num /
    {1106, 0x037},  // Num *
    {1107, 0x04A},  // Num -
    {1111, 0x04E},  // Num +
}};

const std::array<int, G_KEY_COUNT> G_KEY_CONTROLS{1000, 1001, 1002, 1003, 1004,
                                                  1140, 1141, 1142, 1143};

namespace {

// Built once: entry -> key-list position.
std::array<int, KEY_AREA_ENTRIES> EntryPositions() {
    std::array<int, KEY_AREA_ENTRIES> positions;
    positions.fill(-1);
    for (int p = 0; p < MAP_KEY_COUNT; ++p) positions[KeyIndexOf(MAP_KEYS[p].scanCode)] = p;
    return positions;
}

}  // namespace

int PositionOfControl(int controlId) {
    if (controlId == CONTROL_KEY_FN) return FN_KEY_POSITION;
    for (int p = 0; p < MAP_KEY_COUNT; ++p) {
        if (MAP_KEYS[p].controlId == controlId) return p;
    }
    return -1;
}

int GNumberOfControl(int controlId) {
    auto found = std::find(G_KEY_CONTROLS.begin(), G_KEY_CONTROLS.end(), controlId);
    return found == G_KEY_CONTROLS.end() ? -1 : int(found - G_KEY_CONTROLS.begin());
}

int GKeyEntry(int n, bool bankB) {
    return (bankB ? G_KEY_ENTRY_BANK_B : G_KEY_ENTRY_BANK_A) + n;
}

int PositionOfEntry(int entryIndex) {
    static const std::array<int, KEY_AREA_ENTRIES> positions = EntryPositions();
    if (entryIndex < 0 || entryIndex >= int(positions.size())) return -1;
    return positions[entryIndex];
}

std::optional<KeySelection> SelectKey(int controlId, bool bankB) {
    KeySelection key;
    const int n = GNumberOfControl(controlId);
    if (n >= 0) {
        key.gIndex = bankB ? n + G_KEY_COUNT : n;
        key.keyCode = uint16_t(0x100 + key.gIndex);
    } else {
        key.position = PositionOfControl(controlId);
        if (key.position < 0) return std::nullopt;
        if (key.position < MAP_KEY_COUNT)
            key.keyCode = uint16_t(KeyIndexOf(MAP_KEYS[key.position].scanCode));
    }
    key.isG9 = controlId == CONTROL_G9;
    return key;
}

}  // namespace quorvel
