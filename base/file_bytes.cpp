#include "base/file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace quorvel {
namespace {

// An open regular file, closed when it goes.
class RegularFile {
public:
    // Opened without waiting: a pipe would hold the open until something writes to it. Reads
    // of a regular file never wait either way.
    explicit RegularFile(const std::string& path)
        : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {
        struct stat status {};
        if (fd_ >= 0 && (fstat(fd_, &status) != 0 || !S_ISREG(status.st_mode))) {
            close(fd_);
            fd_ = -1;
        }
        if (fd_ >= 0) size_ = static_cast<size_t>(status.st_size);
    }
    ~RegularFile() {
        if (fd_ >= 0) close(fd_);
    }
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    size_t Size() const { return size_; }

    // Up to length bytes; fewer only at the end of the file, negative on an error.
    ssize_t Read(uint8_t* into, size_t length) {
        size_t done = 0;
        while (done < length) {
            const ssize_t got = read(fd_, into + done, length - done);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) return -1;
            if (got == 0) break;
            done += static_cast<size_t>(got);
        }
        return static_cast<ssize_t>(done);
    }

private:
    int fd_ = -1;
    size_t size_ = 0;
};

}  // namespace

std::optional<std::vector<uint8_t>> ReadFileBytes(const std::string& path) {
    RegularFile file(path);
    if (!file.IsOpen()) return std::nullopt;
    // Sized from the file, then read to its real end: it may have grown or shrunk meanwhile.
    std::vector<uint8_t> bytes(file.Size() + 1);
    size_t have = 0;
    for (;;) {
        const ssize_t got = file.Read(bytes.data() + have, bytes.size() - have);
        if (got < 0) return std::nullopt;
        have += static_cast<size_t>(got);
        if (have < bytes.size()) break;
        bytes.resize(bytes.size() * 2);
    }
    bytes.resize(have);
    return bytes;
}

bool FileHoldsBytes(const std::string& path, std::span<const uint8_t> bytes) {
    RegularFile file(path);
    if (!file.IsOpen() || file.Size() != bytes.size()) return false;
    // In pieces: a buffer the size of the file would cost fresh pages for nothing.
    std::array<uint8_t, 8192> piece;
    for (size_t done = 0; done < bytes.size();) {
        const size_t length = std::min(piece.size(), bytes.size() - done);
        if (file.Read(piece.data(), length) != static_cast<ssize_t>(length) ||
            std::memcmp(piece.data(), bytes.data() + done, length) != 0)
            return false;
        done += length;
    }
    // Grown since it was measured: it holds more than bytes.
    return file.Read(piece.data(), 1) == 0;
}

}  // namespace quorvel
