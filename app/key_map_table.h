#pragma once
// The keyboard map's fixed table, free of Qt: the 104 keys and the nine G keys with their
// dialog controls, which key-area entry each stands for, and the rule that turns a click on one
// of them into the key the key assignment dialog edits.
#include <array>
#include <cstdint>
#include <optional>

#include "app/key_painter.h"
#include "model/key_assignment.h"
#include "model/key_codes.h"

namespace quorvel {

inline constexpr int CONTROL_KEY_FN = 1174;
inline constexpr int CONTROL_G9 = 1143;

// One key of the map: its dialog control and the scan code of the key it stands for.
struct MapKey {
    int controlId;
    ScanCode scanCode;
};

// The fixed key list; the position in it is the key-list position of the key.
extern const std::array<MapKey, MAP_KEY_COUNT> MAP_KEYS;
// Controls of G1-G9.
extern const std::array<int, G_KEY_COUNT> G_KEY_CONTROLS;

// Key-list position of a key control, FN_KEY_POSITION for Fn, otherwise -1.
int PositionOfControl(int controlId);
// G number 0-8 of a G key control, otherwise -1.
int GNumberOfControl(int controlId);
// The key-area entry of G number n (0-8) in the active bank.
int GKeyEntry(int n, bool bankB);
// Key-list position of a key-area entry, -1 for entries without a map key.
int PositionOfEntry(int entryIndex);

// A click on a key or G key, as the key assignment dialog and the colour flags take it.
struct KeySelection {
    uint16_t keyCode = 0;  // key index of a key; 0x100 + G index (0-8 bank A, 9-17 bank B)
    bool isG9 = false;
    int gIndex = -1;    // 0-17 for a G key
    int position = -1;  // key-list position of a key, FN_KEY_POSITION for Fn
    // The entry whose colour flag the click flips: a key's list position, a G key's entry.
    int ColourFlagEntry() const { return gIndex >= 0 ? G_KEY_ENTRY_BANK_A + gIndex : position; }
};
// Nothing for a control that is neither a key, Fn nor a G key.
std::optional<KeySelection> SelectKey(int controlId, bool bankB);

}  // namespace quorvel
