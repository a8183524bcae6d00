// Key tables and the default layout are read from the keyboard, which may hold anything: a
// damaged or foreign layout must not make decoding or re-encoding misbehave.
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "model/key_table.h"

using namespace quorvel;

namespace {

// With two slots naming the same key, a key area cannot say which slot held what; such a
// layout is only checked for safety.
bool EachKeyHasOneSlot(const DefaultLayout& layout) {
    std::bitset<256> seen;
    for (const FirmwareKeyEntry& slot : layout.slots) {
        const KeyIndex key = KeyIndexOf(SlotScanCode(slot));
        if (key == 0) continue;
        if (seen[key]) return false;
        seen[key] = true;
    }
    return true;
}

// Assignments are compared by what the program writes for them. A key entry with an empty
// modifier mask sends nothing, exactly like a disabled key. The keyboard's factory table and this
// program write a modifier only as a one-bit mask; any other form (several bits, or the
// modifier's keyboard-page usage 0xE0-0xE7) reads as the single key it names, and on that very
// modifier's slot is written back as the default entry, which reads back as default.
KeyArea Normalised(KeyArea area, const DefaultLayout& layout) {
    for (KeyAssignment& a : area)
        if (a.type == ASSIGN_KEY && a.value == 0)
            a = {ASSIGN_DISABLED, a.aux, 0, a.colourFlag, a.reserved};
    for (const FirmwareKeyEntry& d : layout.slots) {
        const KeyIndex key = KeyIndexOf(SlotScanCode(d));
        if (key == 0) continue;
        KeyAssignment& a = area[key];
        if (a.type == ASSIGN_KEY && EncodeAssignment(a, d, {}) == d)
            a = {ASSIGN_DEFAULT, a.aux, 0, a.colourFlag, a.reserved};
    }
    return area;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first 378 bytes are the key block; the next 378, when there, are the layout it is
    // read against, otherwise the built-in layout.
    uint8_t block[KEY_TABLE_BLOCK_SIZE] = {};
    std::memcpy(block, data, std::min(size, KEY_TABLE_BLOCK_SIZE));
    const KeyTableBlock table = ReadKeyTableBlock(block);

    DefaultLayout layout = BuiltInDefaultLayout();
    if (size > KEY_TABLE_BLOCK_SIZE) {
        uint8_t layoutBytes[KEY_TABLE_BLOCK_SIZE] = {};
        std::memcpy(layoutBytes, data + KEY_TABLE_BLOCK_SIZE,
                    std::min(size - KEY_TABLE_BLOCK_SIZE, KEY_TABLE_BLOCK_SIZE));
        layout = ReadKeyTableBlock(layoutBytes);
    }

    uint8_t written[KEY_TABLE_BLOCK_SIZE];
    WriteKeyTableBlock(written, table);
    if (std::memcmp(written, block, KEY_TABLE_BLOCK_SIZE) != 0) std::abort();

    const KeyArea area = DecodeKeyTable(table, layout);
    // Decoded macros carry their position as id; encode them back the same way.
    const KeyTableBlock encoded = EncodeKeyTable(area, layout, [](int32_t id) { return id - 1; });
    // What the program writes back must read as the same assignments.
    if (EachKeyHasOneSlot(layout) &&
        !(Normalised(DecodeKeyTable(encoded, layout), layout) == Normalised(area, layout)))
        std::abort();
    return 0;
}
