#pragma once
// Replacing a file so that a crash or a failed write never leaves it torn or missing: the new
// contents go to a temporary file in the same folder, are flushed to disk and then renamed over
// the old file in one step.
#include <cstdint>
#include <span>
#include <string>

namespace quorvel {

// Writes bytes as the new contents of path. On failure the old file (if any) is left exactly as
// it was, the temporary file is removed, and error (when given) says what went wrong. A path
// that is a symbolic link keeps the link: the file it points to is replaced. A replaced file
// keeps its permissions; a new one gets newFileMode less the umask. FlushToDisk::NO leaves
// out both flushes: the replacement is still whole for every reader, but a power cut may bring
// back the old contents (or none), which suits files that do not outlive a reboot.
enum class FlushToDisk : uint8_t { YES, NO };
bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes,
                         std::string* error = nullptr, unsigned newFileMode = 0666,
                         FlushToDisk flush = FlushToDisk::YES);

// Test seam, process-wide: while n >= 0, every atomic write refuses the bytes beyond the first
// n of the new contents and fails as a full disk would (contents of n bytes or fewer are written
// normally). -1 switches the fault off.
void SetAtomicWriteFaultAfterBytes(long n);

}  // namespace quorvel
