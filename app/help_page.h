#pragma once
// The user guide beside the program: Help/index.html in English, Help/index.zh.html in Chinese.
#include <string>

#include "model/program_paths.h"

namespace quorvel {

// The guide in the interface's language (the language file's choice or this run's switch);
// the English page when the Chinese one is missing.
std::string HelpPagePath(const ProgramPaths& paths);

}  // namespace quorvel
