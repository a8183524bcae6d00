#include "cli/mode_names.h"

#include "base/ini_file.h"

namespace quorvel::cli {

std::string ModeName(const ProgramPaths& paths, int modeId) {
    IniFile skin(ReadPathFor(paths, "Skins/Main.ini"));
    return skin.ReadString("Mode1", std::to_string(modeId));
}

}  // namespace quorvel::cli
