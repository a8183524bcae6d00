#include "model/profile_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <vector>

#include "base/texts.h"
#include "model/profile_image.h"

namespace quorvel {
namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

bool ReadAll(int fd, std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string TextWithPath(std::string_view key, const std::string& path) {
    std::string text = Text(key);
    if (const auto at = text.find("%s"); at != std::string::npos) text.replace(at, 2, path);
    return text;
}

}  // namespace

bool IsValidImageHeader(const uint8_t* bytes) {
    const ImageHeader header = ReadImageHeader(bytes);
    return header.magic == PROFILE_IMAGE_MAGIC && header.headerSize == PROFILE_HEADER_SIZE &&
           header.version == PROFILE_IMAGE_VERSION && header.word6 == PROFILE_IMAGE_WORD6 &&
           header.totalSize >= PROFILE_IMAGE_BASE_SIZE &&
           header.entryCount == PROFILE_ENTRY_COUNT && header.macroCount <= PROFILE_MAX_MACROS &&
           header.flag <= PROFILE_FLAG_MAX &&
           header.totalSize == ImageSizeFor(header.macroCount, header.textBytes) &&
           header.checksum == ImageChecksum(bytes);
}

int ValidateProfileImage(const std::string& path, const ProfileMessageSink& showMessage) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return PROFILE_CHECK_REJECTED;
    const FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0 || fstat(file.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        return PROFILE_CHECK_UNREADABLE;
    const auto size = static_cast<uint64_t>(st.st_size);
    if (size > PROFILE_IMAGE_MAX_FILE) {
        if (showMessage)
            showMessage("EXTRA_PROFILE_TOO_LARGE", TextWithPath("EXTRA_PROFILE_TOO_LARGE", path));
        return PROFILE_CHECK_TOO_LARGE;
    }
    if (size < PROFILE_IMAGE_BASE_SIZE) return PROFILE_CHECK_REJECTED;

    // The whole file is read, not just its header, so that a file that cannot be read to its
    // end is refused here rather than half loaded later.
    std::vector<uint8_t> bytes;
    try {
        bytes.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        return PROFILE_CHECK_NO_MEMORY;
    }
    if (!ReadAll(file.Get(), bytes)) return PROFILE_CHECK_UNREADABLE;

    if (!IsValidImageHeader(bytes.data())) {
        if (showMessage)
            showMessage("PROFILE_FORMAT_ERROR", TextWithPath("PROFILE_FORMAT_ERROR", path));
        return PROFILE_CHECK_REJECTED;
    }
    return PROFILE_CHECK_VALID;
}

}  // namespace quorvel
