#pragma once
// Little-endian field access for the fixed binary layouts of frames and files. Layouts are
// read and written field by field through these helpers, never by casting structs.
#include <cstddef>
#include <cstdint>

namespace quorvel {

inline uint16_t ReadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

inline uint32_t ReadLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline int16_t ReadLeS16(const uint8_t* p) { return static_cast<int16_t>(ReadLe16(p)); }
inline int32_t ReadLeS32(const uint8_t* p) { return static_cast<int32_t>(ReadLe32(p)); }

inline void WriteLe16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void WriteLe32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

}  // namespace quorvel
