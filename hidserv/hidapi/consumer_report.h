#pragma once
// The 16-bit code of a consumer-control input report.
#include <cstddef>
#include <cstdint>

namespace quorvel {

enum class ReportNumbering { UNKNOWN, NUMBERED, UNNUMBERED };

// Reads the code after the report id when reports are numbered. With UNKNOWN numbering an odd
// length means an id byte before 16-bit codes. Reports too short to hold a code give 0, the
// consumer usage for "nothing pressed"; a single byte is taken as an 8-bit code.
uint16_t DecodeConsumerCode(const uint8_t* report, size_t size, ReportNumbering numbering);

}  // namespace quorvel
