#include "base/executable_dir.h"

#include <filesystem>

namespace quorvel {

const std::string& ExecutableDir() {
    static const std::string dir = [] {
        std::error_code error;
        const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
        return error ? std::string(".") : exe.parent_path().string();
    }();
    return dir;
}

}  // namespace quorvel
