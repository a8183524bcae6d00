#pragma once
// The keyboard's macro area: one directory of macros shared by all on-board profiles, from
// which the keyboard plays them by position. Packing the program's macro list into it (names
// are dropped when space is short) and turning an area read back from the keyboard into
// macro records again.
//
// Layout, little-endian: magic 0x55AA, total size, macro count, names flag, 8 reserved bytes,
// then one 16-bit record offset per macro and the records. A record is the action count, the
// cycles, the name length in UTF-16 units, the 4-byte actions and the name (when stored).
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "model/macro.h"

namespace quorvel {

constexpr uint16_t MACRO_AREA_MAGIC = 0x55AA;
constexpr size_t MACRO_AREA_HEADER_SIZE = 16;
constexpr size_t MACRO_AREA_OFFSET_MAGIC = 0;
constexpr size_t MACRO_AREA_OFFSET_SIZE = 2;
constexpr size_t MACRO_AREA_OFFSET_COUNT = 4;
constexpr size_t MACRO_AREA_OFFSET_NAMES = 6;
constexpr size_t MACRO_AREA_RECORD_HEADER_SIZE = 4;
constexpr size_t MACRO_AREA_ACTION_SIZE = 4;
// The area's size field is 16 bits wide; a larger list can never be written.
constexpr size_t MACRO_AREA_MAX_SIZE = 0xFFFF;

// Action word 0.
constexpr uint16_t MACRO_AREA_DELAY_MASK = 0x0FFF;  // units of 10 ms
constexpr int MACRO_AREA_DELAY_UNIT_MS = 10;
constexpr int MACRO_AREA_KIND_SHIFT = 12;
constexpr uint16_t MACRO_AREA_KIND_MASK = 0x7;
constexpr uint16_t MACRO_AREA_PRESS_BIT = 0x8000;

// Sizes in bytes of the area of a macro list, with and without the names. Wider than the
// area's size field, so a list too large for it is seen as too large rather than wrapping.
struct MacroAreaSize {
    size_t withNames = 0;
    size_t withoutNames = 0;

    bool operator==(const MacroAreaSize&) const = default;
};

MacroAreaSize MacroAreaSizes(std::span<const MacroRecord> macros);

// The whole area of the list in list order (the macro's position is what key entries name).
// The caller has checked with MacroAreaSizes that it fits MACRO_AREA_MAX_SIZE.
std::vector<uint8_t> EncodeMacroArea(std::span<const MacroRecord> macros, bool withNames);

// One record per macro of the header's count, macro i getting id i + 1 and, when no name is
// stored, the MACRO_NEW_PREFIX text followed by i + 1. Never reads outside area: a record whose
// offset, actions or name lie outside it (or that has more actions than a record holds) is
// left out, and at most a macro list's worth of macros is taken. An area without the magic
// gives no macros.
std::vector<MacroRecord> DecodeMacroArea(std::span<const uint8_t> area);

// The macros' ids in list order, which is their order in the area.
std::vector<int32_t> MacroIds(std::span<const MacroRecord> macros);

}  // namespace quorvel
