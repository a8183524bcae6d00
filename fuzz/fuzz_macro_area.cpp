// The macro area is read back from the keyboard, whose contents the program does not
// control: the decoder must stay inside the area and within the limits of a macro list.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "device/macro_area.h"
#include "model/macro_list.h"

using namespace quorvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<MacroRecord> macros = DecodeMacroArea(std::span<const uint8_t>(data, size));
    if (macros.size() > static_cast<size_t>(MACRO_LIST_MAX)) std::abort();
    for (const MacroRecord& macro : macros)
        if (macro.actions.size() > static_cast<size_t>(MACRO_MAX_ACTIONS) ||
            macro.Name().size() > MACRO_NAME_MAX_UNITS)
            std::abort();
    // What was read must be storable again: a profile file keeps whatever the keyboard held.
    MacroList list;
    if (!list.Replace(macros)) std::abort();
    return 0;
}
