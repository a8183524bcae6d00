#include "model/key_assignment.h"

#include "base/byte_order.h"

namespace quorvel {

KeyAssignment ReadKeyAssignment(const uint8_t* bytes) {
    KeyAssignment a;
    a.type = ReadLeS16(bytes);
    a.aux = ReadLe16(bytes + 2);
    a.value = ReadLeS32(bytes + 4);
    a.colourFlag = ReadLe32(bytes + 8);
    a.reserved = ReadLe32(bytes + 12);
    return a;
}

void WriteKeyAssignment(uint8_t* bytes, const KeyAssignment& a) {
    WriteLe16(bytes, static_cast<uint16_t>(a.type));
    WriteLe16(bytes + 2, a.aux);
    WriteLe32(bytes + 4, static_cast<uint32_t>(a.value));
    WriteLe32(bytes + 8, a.colourFlag);
    WriteLe32(bytes + 12, a.reserved);
}

KeyArea FreshKeyArea() {
    KeyArea area{};
    for (int n = 0; n < G_KEY_COUNT; ++n) {
        area[G_KEY_ENTRY_BANK_A + n].aux = static_cast<uint16_t>(0x0301 + n);
        area[G_KEY_ENTRY_BANK_B + n].aux = static_cast<uint16_t>(0x1301 + n);
    }
    return area;
}

}  // namespace quorvel
