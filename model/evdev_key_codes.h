#pragma once
// Key events as Linux reports them (evdev key codes; X11 and Wayland add 8 to them) turned into
// the virtual key and key data word that ResolveEventScanCode reads, so key capture and macro
// recording share one path with every other reader of key events.
#include <cstdint>

#include "model/key_codes.h"

namespace quorvel {

// X11 and Wayland key codes are evdev codes plus this.
constexpr int XKB_KEYCODE_OFFSET = 8;

// Key data word bits.
constexpr uint32_t KEY_DATA_SCAN_SHIFT = 16;      // scan code low byte in bits 16-23
constexpr uint32_t KEY_DATA_EXTENDED = 1u << 24;  // the 0xE0-prefixed keys
constexpr uint32_t KEY_DATA_REPEAT = 1u << 30;    // the key was already down
constexpr uint32_t KEY_DATA_RELEASE = 1u << 31;

// The program's ScanCode of an evdev key code; 0 for codes that name no key of the keyboard.
ScanCode EvdevToScanCode(int evdevCode);

struct KeyEventWord {
    uint8_t vk = VK_NONE;
    uint32_t keyData = 0;
};

// The virtual key and key data of an event of key s.
KeyEventWord MakeKeyEventWord(ScanCode s, bool repeat, bool release);

// The ScanCode of a key event from its X11/Wayland key code, through ResolveEventScanCode.
ScanCode ResolveNativeKeyCode(int nativeKeyCode, bool repeat, bool release);

}  // namespace quorvel
