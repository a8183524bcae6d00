#include "base/atomic_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace quorvel {
namespace {

std::atomic<long> faultAfterBytes{-1};
std::atomic<unsigned> temporaryCounter{0};

bool Fail(std::string* error, const std::string& what, int err) {
    if (error) *error = what + ": " + std::strerror(err);
    return false;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Writing through a symbolic link must replace its target, not turn the link into a file.
std::string ResolveTarget(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char resolved[PATH_MAX];
    if (!realpath(path.c_str(), resolved)) return path;
    return resolved;
}

// O_EXCL with our own unique name rather than mkstemp: the file then gets the caller's mode less
// the umask instead of mkstemp's fixed 0600.
int CreateTemporary(const std::string& target, std::string& temporaryPath, unsigned mode) {
    const std::string prefix =
        FolderOf(target) + "/." + BaseNameOf(target) + ".tmp." + std::to_string(getpid()) + ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryPath = prefix + std::to_string(temporaryCounter.fetch_add(1));
        const int fd = open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
    const long fault = faultAfterBytes.load();
    size_t allowed = bytes.size();
    if (fault >= 0 && static_cast<size_t>(fault) < bytes.size()) allowed = fault;
    size_t done = 0;
    while (done < allowed) {
        const ssize_t n = write(fd, bytes.data() + done, allowed - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (allowed < bytes.size()) {
        errno = ENOSPC;
        return false;
    }
    return true;
}

}  // namespace

void SetAtomicWriteFaultAfterBytes(long n) {
    faultAfterBytes.store(n < 0 ? -1 : n);
}

bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes,
                         std::string* error, unsigned newFileMode, FlushToDisk flush) {
    const std::string target = ResolveTarget(path);
    std::string temporaryPath;
    const int fd = CreateTemporary(target, temporaryPath, newFileMode);
    if (fd < 0) return Fail(error, "cannot create a temporary file beside " + target, errno);

    const auto abandon = [&](const std::string& what) {
        const int err = errno;
        close(fd);
        unlink(temporaryPath.c_str());
        return Fail(error, what, err);
    };

    // A replaced file keeps the permissions it had.
    struct stat old {};
    if (stat(target.c_str(), &old) == 0 && fchmod(fd, old.st_mode & 07777) != 0)
        return abandon("cannot copy the permissions of " + target);
    if (!WriteAll(fd, bytes)) return abandon("cannot write " + temporaryPath);
    if (flush == FlushToDisk::YES && fsync(fd) != 0)
        return abandon("cannot flush " + temporaryPath);
    if (close(fd) != 0) {
        const int err = errno;
        unlink(temporaryPath.c_str());
        return Fail(error, "cannot close " + temporaryPath, err);
    }
    if (rename(temporaryPath.c_str(), target.c_str()) != 0) {
        const int err = errno;
        unlink(temporaryPath.c_str());
        return Fail(error, "cannot replace " + target, err);
    }
    // The rename is what makes the new contents visible; flushing the folder only makes it
    // survive a power cut. Some file systems refuse fsync on folders, so its result does not
    // turn a completed replacement into a reported failure.
    if (flush == FlushToDisk::NO) return true;
    const int folder = open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
    return true;
}

}  // namespace quorvel
