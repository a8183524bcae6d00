#include "model/program_paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "base/atomic_write.h"
#include "base/file_bytes.h"

namespace quorvel {

namespace fs = std::filesystem;

namespace {

std::string HomeDir() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') return home;
    const passwd* entry = getpwuid(getuid());
    return entry != nullptr && entry->pw_dir != nullptr ? entry->pw_dir : "";
}

std::string Join(const std::string& dir, const std::string& relative) {
    return (fs::path(dir) / relative).string();
}

}  // namespace

std::string DefaultOverlayDir() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    // Relative values are invalid by the base-directory rules and must be ignored.
    if (dataHome != nullptr && *dataHome == '/') return Join(dataHome, "Quorvel");
    return Join(HomeDir(), ".local/share/Quorvel");
}

std::string DefaultConfigDir() {
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome != nullptr && *configHome == '/') return Join(configHome, "quorvel");
    return Join(HomeDir(), ".config/quorvel");
}

std::string ProgramDirFor(const std::string& exeDir) {
    std::error_code ignored;
    if (fs::is_directory(Join(exeDir, "Skins"), ignored)) return exeDir;
    fs::path exe = fs::path(exeDir).lexically_normal();
    if (!exe.has_filename()) exe = exe.parent_path();
    const fs::path installed = exe.parent_path() / "share" / "quorvel";
    if (exe.filename() == "bin" && fs::is_directory(installed, ignored)) return installed.string();
    return exeDir;
}

ProgramPaths DetectProgramPaths(const std::string& exeDir) {
    return ProgramPaths{ProgramDirFor(exeDir), DefaultOverlayDir()};
}

std::string ReadPathFor(const ProgramPaths& paths, const std::string& relative) {
    const std::string overlay = Join(paths.overlayDir, relative);
    std::error_code ignored;
    if (fs::exists(overlay, ignored)) return overlay;
    return Join(paths.programDir, relative);
}

std::optional<std::string> WritePathFor(const ProgramPaths& paths, const std::string& relative,
                                        bool keepContents, std::string* error) {
    // A relative folder would land wherever the program happens to be started.
    if (!fs::path(paths.overlayDir).is_absolute()) {
        if (error != nullptr)
            *error = "no per-user data folder: neither XDG_DATA_HOME nor HOME is set";
        return std::nullopt;
    }
    const std::string target = Join(paths.overlayDir, relative);
    std::error_code ec;
    fs::create_directories(fs::path(target).parent_path(), ec);
    if (ec) {
        if (error != nullptr)
            *error = fs::path(target).parent_path().string() + ": " + ec.message();
        return std::nullopt;
    }
    if (!keepContents || fs::exists(target, ec)) return target;

    const auto original = ReadFileBytes(Join(paths.programDir, relative));
    if (original && !WriteFileAtomically(target, *original, error)) return std::nullopt;
    return target;
}

}  // namespace quorvel
