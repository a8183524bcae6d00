#pragma once
// What a keyboard leaves the factory with: its key table, the lighting effects it offers and
// the lighting records it starts from.
#include <array>
#include <cstdint>
#include <vector>

namespace quorvel::vkbd {

constexpr int KEY_SLOTS = 126;
constexpr int KEY_BLOCK_SIZE = KEY_SLOTS * 3;
static_assert(KEY_BLOCK_SIZE == 378);
constexpr int LIGHTING_RECORD_SIZE = 42;
constexpr int PROFILES = 3;

using KeyBlock = std::array<uint8_t, KEY_BLOCK_SIZE>;

// The standard slot order, or (shuffled) the same entries in another fixed slot order.
KeyBlock FactoryLayout(bool shuffled);

// The effect modes in the order the keyboard announces them.
std::vector<uint8_t> FactoryModes();

// The lighting record profile p starts with.
std::array<uint8_t, LIGHTING_RECORD_SIZE> FactoryLightingRecord(int profile);

}  // namespace quorvel::vkbd
