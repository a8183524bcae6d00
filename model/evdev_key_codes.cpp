#include "model/evdev_key_codes.h"

#include <array>
#include <utility>

namespace quorvel {
namespace {

// Evdev codes 1-88 are the set-1 make codes of the same keys, apart from Num Lock (69), which
// the program keeps at 0x145 (it swaps Num Lock and Pause against the raw codes).
constexpr int EVDEV_SET1_LAST = 88;
constexpr int EVDEV_NUM_LOCK = 69;

// Everything past the set-1 block, and the keypad and navigation keys Linux numbers apart.
constexpr std::pair<int, ScanCode> EVDEV_EXTRA[] = {
    {89, 0x073},   // Ro (K56)
    {92, 0x079},   // Henkan (CHG)
    {93, 0x070},   // Katakana/Hiragana
    {94, 0x07B},   // Muhenkan (N-CHG)
    {95, 0x07E},   // keypad Japanese comma (K107)
    {96, 0x11C},   // Num Enter
    {97, 0x11D},   // Right Ctrl
    {98, 0x135},   // Num /
    {99, 0x137},   // Print Screen (also Sys Req)
    {100, 0x138},  // Right Alt
    {102, 0x147},  // Home
    {103, 0x148},  // Up
    {104, 0x149},  // Page Up
    {105, 0x14B},  // Left
    {106, 0x14D},  // Right
    {107, 0x14F},  // End
    {108, 0x150},  // Down
    {109, 0x151},  // Page Down
    {110, 0x152},  // Insert
    {111, 0x153},  // Delete
    {113, 0x120},  // Mute
    {114, 0x12E},  // Volume down
    {115, 0x130},  // Volume up
    {116, 0x15E},  // Power
    {119, 0x045},  // Pause
    {122, 0x072},  // Hangul (KR)
    {123, 0x071},  // Hanja (KL)
    {124, 0x07D},  // Yen (K14)
    {125, 0x15B},  // Win
    {126, 0x15C},  // Right Win
    {127, 0x15D},  // App (menu)
    {128, 0x168},  // browser stop
    {140, 0x121},  // calculator
    {142, 0x15F},  // Sleep
    {143, 0x163},  // Wake
    {155, 0x16C},  // mail
    {156, 0x166},  // favourites
    {157, 0x16B},  // my computer
    {158, 0x16A},  // browser back
    {159, 0x169},  // browser forward
    {163, 0x119},  // next track
    {164, 0x122},  // play/pause
    {165, 0x110},  // previous track
    {166, 0x124},  // stop
    {171, 0x16D},  // media player (consumer control configuration)
    {172, 0x132},  // browser home
    {173, 0x167},  // browser refresh
    {183, 0x064},  // F13
    {217, 0x165},  // browser search
    {226, 0x16D},  // media player (media select)
};

constexpr int EVDEV_TABLE_SIZE = 256;

constexpr std::array<ScanCode, EVDEV_TABLE_SIZE> BuildTable() {
    std::array<ScanCode, EVDEV_TABLE_SIZE> table{};
    for (int code = 1; code <= EVDEV_SET1_LAST; ++code) table[code] = static_cast<ScanCode>(code);
    // 84 is unused by the keyboard; 85 has no key in the table.
    table[84] = 0;
    table[85] = 0;
    table[EVDEV_NUM_LOCK] = 0x145;
    for (const auto& [code, scanCode] : EVDEV_EXTRA) table[code] = scanCode;
    return table;
}

constexpr std::array<ScanCode, EVDEV_TABLE_SIZE> EVDEV_TABLE = BuildTable();

}  // namespace

ScanCode EvdevToScanCode(int evdevCode) {
    if (evdevCode < 0 || evdevCode >= EVDEV_TABLE_SIZE) return 0;
    return EVDEV_TABLE[evdevCode];
}

KeyEventWord MakeKeyEventWord(ScanCode s, bool repeat, bool release) {
    KeyEventWord word;
    if (s == 0) return word;
    word.vk = KeyInfoTable()[KeyIndexOf(s)].vk;
    word.keyData = static_cast<uint32_t>(s & 0xFF) << KEY_DATA_SCAN_SHIFT;
    if (s & 0x100) word.keyData |= KEY_DATA_EXTENDED;
    if (repeat) word.keyData |= KEY_DATA_REPEAT;
    if (release) word.keyData |= KEY_DATA_RELEASE;
    return word;
}

ScanCode ResolveNativeKeyCode(int nativeKeyCode, bool repeat, bool release) {
    const ScanCode s = EvdevToScanCode(nativeKeyCode - XKB_KEYCODE_OFFSET);
    if (s == 0) return 0;
    const KeyEventWord word = MakeKeyEventWord(s, repeat, release);
    return ResolveEventScanCode(word.vk, word.keyData);
}

}  // namespace quorvel
