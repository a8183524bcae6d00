#pragma once
// The profile image: the binary form of the whole working set, used both for the profile files
// in the data folder and for export files. Header, a constant device block, the four key
// areas, the macro records in list order and the text area, all little-endian without padding.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "model/key_assignment.h"
#include "model/macro.h"
#include "model/working_set.h"

namespace quorvel {

constexpr uint16_t PROFILE_IMAGE_MAGIC = 0x4446;
constexpr uint16_t PROFILE_HEADER_SIZE = 32;
constexpr uint16_t PROFILE_IMAGE_VERSION = 3;
constexpr uint16_t PROFILE_IMAGE_WORD6 = 1;  // the word after the version, always 1
constexpr uint16_t PROFILE_ENTRY_COUNT = WORKING_SET_ENTRIES;
constexpr int PROFILE_MAX_MACROS = MACRO_LIST_MAX;
constexpr uint8_t PROFILE_FLAG_MAX = 1;  // written as 0; 1 is accepted on import

// Header field offsets.
constexpr size_t PROFILE_OFFSET_MAGIC = 0;
constexpr size_t PROFILE_OFFSET_HEADER_SIZE = 2;
constexpr size_t PROFILE_OFFSET_VERSION = 4;
constexpr size_t PROFILE_OFFSET_WORD6 = 6;
constexpr size_t PROFILE_OFFSET_TOTAL_SIZE = 8;
constexpr size_t PROFILE_OFFSET_ENTRY_COUNT = 12;
constexpr size_t PROFILE_OFFSET_MACRO_COUNT = 14;
constexpr size_t PROFILE_OFFSET_TEXT_BYTES = 16;
constexpr size_t PROFILE_OFFSET_FLAG = 30;
constexpr size_t PROFILE_OFFSET_CHECKSUM = 31;

constexpr size_t PROFILE_DEVICE_BLOCK_OFFSET = 32;
constexpr size_t PROFILE_DEVICE_BLOCK_SIZE = 32;
constexpr size_t PROFILE_KEY_AREAS_OFFSET = 64;
// Header, device block and key areas: the part every image has in full.
constexpr size_t PROFILE_IMAGE_BASE_SIZE = 32832;

static_assert(PROFILE_DEVICE_BLOCK_OFFSET == PROFILE_HEADER_SIZE);
static_assert(PROFILE_KEY_AREAS_OFFSET == PROFILE_DEVICE_BLOCK_OFFSET + PROFILE_DEVICE_BLOCK_SIZE);
static_assert(PROFILE_IMAGE_BASE_SIZE ==
              PROFILE_KEY_AREAS_OFFSET + KEY_AREA_COUNT * KEY_AREA_BYTES);
static_assert(KEY_AREA_BYTES == KEY_AREA_ENTRIES * KEY_ASSIGNMENT_SIZE);

// Written as constants and never read back. The fifth word carries the keyboard's USB
// product id in its high half and the vendor id in its low half.
constexpr std::array<uint32_t, 8> PROFILE_DEVICE_BLOCK = {0x0020484B, 0x00008020, 0x02000004, 0,
                                                          0x7A3D0C45, 0x000E1C4F, 0,          0};
static_assert(PROFILE_DEVICE_BLOCK.size() * 4 == PROFILE_DEVICE_BLOCK_SIZE);

struct ImageHeader {
    uint16_t magic = 0;
    uint16_t headerSize = 0;
    uint16_t version = 0;
    uint16_t word6 = 0;
    uint32_t totalSize = 0;
    uint16_t entryCount = 0;
    uint16_t macroCount = 0;
    uint32_t textBytes = 0;
    uint8_t flag = 0;
    uint8_t checksum = 0;
};

// Reads PROFILE_HEADER_SIZE bytes.
ImageHeader ReadImageHeader(const uint8_t* header);

// Sum of header bytes 0-30, modulo 256.
uint8_t ImageChecksum(const uint8_t* header);

// The size an image with these counts has. 64 bits: a damaged header must not wrap around.
uint64_t ImageSizeFor(uint32_t macroCount, uint32_t textBytes);

// Writes the PROFILE_HEADER_SIZE header bytes, checksum included.
void BuildImageHeader(uint8_t* header, uint16_t macroCount, uint32_t textBytes, uint8_t flag);

// Writes the PROFILE_DEVICE_BLOCK_SIZE bytes of the device block.
void WriteDeviceBlock(uint8_t* block);

// The text area of an image: texts.Total() bytes, with the text of every type-3 or type-6 entry
// copied in entry order (UTF-16LE with its terminator) and that entry's value set to the text's
// offset. Texts left behind by entries of another type are not copied, but still count in the
// area's size; the bytes they would have taken stay zero.
std::vector<uint8_t> PackTexts(std::array<KeyArea, KEY_AREA_COUNT>& keyAreas,
                               const TextTable& texts);

// The whole image of the data with flag 0. Packs the texts first, so the type-3 and type-6
// entries of data receive their offsets.
std::vector<uint8_t> EncodeProfileImage(WorkingSetData& data);

// Reads an image without checking its header. Never reads outside bytes: a shorter image than
// its header describes gives the whole macro records that are there and the texts that lie
// inside the part of the text area that is there. A type-3 or type-6 entry whose offset is
// outside the text area, or whose text has no terminator in it, gets an empty text. Records
// come back with isNew 0. None when bytes does not hold the key areas or the header claims more
// macros than a list can hold.
std::optional<WorkingSetData> DecodeProfileImage(std::span<const uint8_t> bytes);

}  // namespace quorvel
