#pragma once
// A key's assignment as held in memory and in profile files, and the key area of a profile.
#include <array>
#include <cstddef>
#include <cstdint>

namespace quorvel {

constexpr size_t KEY_ASSIGNMENT_SIZE = 16;
constexpr int KEY_AREA_ENTRIES = 512;
constexpr int KEY_AREA_COUNT = 4;
constexpr int ONBOARD_PROFILE_COUNT = 3;  // key areas 0-2; area 3 is carried along
constexpr size_t KEY_AREA_BYTES = KEY_AREA_ENTRIES * KEY_ASSIGNMENT_SIZE;  // 8,192
constexpr int G_KEY_ENTRY_BANK_A = 256;                                    // G1..G9 bank A
constexpr int G_KEY_ENTRY_BANK_B = 265;                                    // G1..G9 bank B
constexpr int G_KEY_COUNT = 9;

enum AssignmentType : int16_t {
    ASSIGN_DEFAULT = 0,
    ASSIGN_DISABLED = 1,
    ASSIGN_KEY = 2,
    ASSIGN_PROGRAM = 3,
    ASSIGN_MACRO = 4,
    ASSIGN_STOP_MACRO = 5,
    ASSIGN_TEXT = 6,
    ASSIGN_MEDIA = 7,
    ASSIGN_FUNCTION = 8,
};

struct KeyAssignment {
    int16_t type = ASSIGN_DEFAULT;
    uint16_t aux = 0;  // GKeyCode of a G key entry, or the macro's cycles for type 4
    int32_t value = 0;
    uint32_t colourFlag = 0;
    uint32_t reserved = 0;

    bool operator==(const KeyAssignment&) const = default;
};

using KeyArea = std::array<KeyAssignment, KEY_AREA_ENTRIES>;

KeyAssignment ReadKeyAssignment(const uint8_t* bytes);            // 16 bytes
void WriteKeyAssignment(uint8_t* bytes, const KeyAssignment& a);  // 16 bytes

// All zero except the G-key entries, which carry their GKeyCode in aux.
KeyArea FreshKeyArea();

}  // namespace quorvel
