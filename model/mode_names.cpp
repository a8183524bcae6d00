#include "model/mode_names.h"

#include "base/ini_file.h"

namespace quorvel {

std::string LightingModeName(const ProgramPaths& paths, int modeId) {
    IniFile skin(ReadPathFor(paths, "Skins/Main.ini"));
    return skin.ReadString("Mode1", std::to_string(modeId));
}

}  // namespace quorvel
