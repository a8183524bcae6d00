#pragma once
// The 64-byte frame exchanged with the keyboard's control interface, in both directions:
//   0 report id 0x04 | 1-2 checksum (LE) | 3 command code | 4 length or sub-code |
//   5-6 address (LE) | 7 status (0 in requests) | 8-63 data area
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace quorvel {

constexpr size_t COMMAND_FRAME_SIZE = 64;
constexpr size_t FRAME_DATA_OFFSET = 8;
constexpr size_t FRAME_DATA_SIZE = 56;
static_assert(FRAME_DATA_OFFSET + FRAME_DATA_SIZE == COMMAND_FRAME_SIZE);

constexpr uint8_t FRAME_REPORT_ID = 0x04;
constexpr size_t FRAME_CHECKSUM_OFFSET = 1;
constexpr size_t FRAME_COMMAND_OFFSET = 3;
constexpr size_t FRAME_LENGTH_OFFSET = 4;
constexpr size_t FRAME_ADDRESS_OFFSET = 5;
constexpr size_t FRAME_STATUS_OFFSET = 7;

constexpr uint8_t FRAME_STATUS_FF = 0xFF;
constexpr uint8_t FRAME_STATUS_FE = 0xFE;

// Command codes (byte 3).
constexpr uint8_t OP_BEGIN = 0x01;
constexpr uint8_t OP_END = 0x02;
constexpr uint8_t OP_READ_SETTINGS_BLOCK = 0x03;
constexpr uint8_t OP_WRITE_SETTINGS_BLOCK = 0x04;
constexpr uint8_t OP_READ_PARAMS = 0x05;
constexpr uint8_t OP_WRITE_PARAMS = 0x06;
constexpr uint8_t OP_READ_KEY_BLOCK = 0x07;
constexpr uint8_t OP_WRITE_KEY_BLOCK = 0x08;
constexpr uint8_t OP_READ_MACRO_AREA = 0x09;
constexpr uint8_t OP_WRITE_MACRO_AREA = 0x0A;
constexpr uint8_t OP_READ_DEFAULT_LAYOUT = 0x0F;
constexpr uint8_t OP_WRITE_KEY_COLOURS = 0x11;

using CommandFrame = std::array<uint8_t, COMMAND_FRAME_SIZE>;

// Sum of bytes 3-63; it fits in 16 bits (61 * 255).
uint16_t FrameChecksum(const CommandFrame& frame);

// A request frame with its checksum filled in. At most FRAME_DATA_SIZE bytes of data are
// taken; the rest of the data area stays 0.
CommandFrame BuildCommandFrame(uint8_t command, uint8_t lengthOrSubCode, uint16_t address,
                               std::span<const uint8_t> data = {});

}  // namespace quorvel
