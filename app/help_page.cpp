#include "app/help_page.h"

#include <filesystem>

#include "app/language_file.h"
#include "base/texts.h"

namespace quorvel {

namespace {
constexpr const char* ENGLISH_PAGE = "Help/index.html";
constexpr const char* CHINESE_PAGE = "Help/index.zh.html";
}  // namespace

std::string HelpPagePath(const ProgramPaths& paths) {
    if (!IsEnglish(OpenLanguageFile(paths))) {
        const std::string chinese = ReadPathFor(paths, CHINESE_PAGE);
        std::error_code ignored;
        if (std::filesystem::exists(chinese, ignored)) return chinese;
    }
    return ReadPathFor(paths, ENGLISH_PAGE);
}

}  // namespace quorvel
