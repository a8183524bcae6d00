#pragma once
// What the fault matrix and the soak share: reading the keyboard's stored areas from one dump,
// the trace, and a profile set that fills most of the keyboard's macro area.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "model/working_set.h"
#include "tests/support/virtual_keyboard.h"

namespace quorvel::testing {

// What the keyboard keeps of a profile set: its three key blocks and the macro area.
struct KeyboardState {
    std::vector<uint8_t> keyBlocks;
    std::vector<uint8_t> macroArea;
    bool operator==(const KeyboardState&) const = default;
};

// One byte area of a `quorvel-vkbd dump`; empty when the dump has no such field.
std::vector<uint8_t> DumpArea(const std::string& dump, const std::string& key);
KeyboardState KeyboardContents(const VirtualKeyboard& keyboard);
// Where two states first differ, for a failure message.
std::string Difference(const KeyboardState& held, const KeyboardState& expected);

// The command code of each frame, from FramesSentSince.
std::vector<int> CommandCodes(const std::vector<std::string>& frames);

// Waits until a trace line after mark equals line.
bool WaitForTraceLine(const VirtualKeyboard& keyboard, size_t mark, const std::string& line,
                      std::chrono::milliseconds wait);

// Ten named macros of 196 steps (7996 bytes of macro area with names, 143 frames) and moved
// keys in all three profiles; variants differ in every macro step and every moved key.
void FillFullProfileSet(WorkingSetData& data, int variant);

}  // namespace quorvel::testing
