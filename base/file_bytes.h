#pragma once
// Whole files read and compared with plain system calls. A command reads a few small files at
// start; a file stream would first build a locale and then copy the bytes one by one through
// its own buffer, which costs more than the reading itself.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quorvel {

// The contents of a regular file; none when path is not one or cannot be read.
std::optional<std::vector<uint8_t>> ReadFileBytes(const std::string& path);

// True when the regular file at path holds exactly bytes.
bool FileHoldsBytes(const std::string& path, std::span<const uint8_t> bytes);

}  // namespace quorvel
