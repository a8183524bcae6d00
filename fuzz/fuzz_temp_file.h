#pragma once
// One scratch file per fuzzing process, for the parsers that only read from a path. It lives
// in /dev/shm when there is one: the profile targets write tens of kilobytes per input.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>

namespace quorvel::fuzzing {

inline const std::string& ScratchPath() {
    static const std::string path = [] {
        const std::filesystem::path shm = "/dev/shm";
        const auto folder =
            std::filesystem::is_directory(shm) ? shm : std::filesystem::temp_directory_path();
        std::string result =
            (folder / ("quorvel-fuzz-" + std::to_string(getpid()) + ".bin")).string();
        static const std::string removeAtExit = result;
        std::atexit([] { std::remove(removeAtExit.c_str()); });
        return result;
    }();
    return path;
}

inline void WriteScratch(std::span<const uint8_t> bytes) {
    std::ofstream out(ScratchPath(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) std::abort();
}

}  // namespace quorvel::fuzzing
