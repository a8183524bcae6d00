#include "cli/mode_names.h"

#include "model/mode_names.h"

namespace quorvel::cli {

std::string ModeName(const ProgramPaths& paths, int modeId) {
    return LightingModeName(paths, modeId);
}

}  // namespace quorvel::cli
