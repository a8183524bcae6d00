#pragma once
// The virtual keyboard's `dump`: one flat JSON object whose byte areas ("settings", "params",
// "keyColours", "keyBlocks", "macroArea", "indicator") are upper-case hex strings.
#include <cstddef>
#include <string>

#include "tests/support/virtual_keyboard.h"

namespace quorvel::testing {

// The hex text of one field of a dump; empty when the dump has no such field.
std::string DumpField(const std::string& dump, const std::string& key);

// count bytes at offset of one area of the keyboard's dump as it is now, in upper-case hex;
// shorter when the area ends first.
std::string DumpHex(const VirtualKeyboard& keyboard, const std::string& key, size_t offset,
                    size_t count);

// Whether a settings block write the keyboard received since mark (a trace mark) set byte index
// of the block to hex ("01"). Read from the trace, so it is cheap enough to poll every few ms.
bool SettingsWrittenSince(const VirtualKeyboard& keyboard, size_t mark, size_t index,
                          const std::string& hex);

}  // namespace quorvel::testing
