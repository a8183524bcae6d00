#pragma once
// Names of the lighting effect modes, as the main skin file gives them to the window.
#include <string>

#include "model/program_paths.h"

namespace quorvel {

// The English name from the skin's "Mode1" section; empty when the skin has none.
std::string LightingModeName(const ProgramPaths& paths, int modeId);

}  // namespace quorvel
