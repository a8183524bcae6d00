// The virtual keyboard's state file may be damaged or edited by hand: loading it must either
// refuse it or give a flash that saves and loads back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "emulator/state_file.h"
#include "fuzz_temp_file.h"

using namespace quorvel::vkbd;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    quorvel::fuzzing::WriteScratch(std::span(data, size));
    SavedState state;
    if (LoadState(quorvel::fuzzing::ScratchPath(), state) != LoadResult::LOADED) return 0;
    std::string error;
    if (!SaveState(quorvel::fuzzing::ScratchPath(), state, error)) std::abort();
    SavedState again;
    if (LoadState(quorvel::fuzzing::ScratchPath(), again) != LoadResult::LOADED) std::abort();
    if (again.flash.settings != state.flash.settings || again.flash.params != state.flash.params ||
        again.flash.keyBlocks != state.flash.keyBlocks ||
        again.flash.macroArea != state.flash.macroArea || again.bankB != state.bankB)
        std::abort();
    return 0;
}
