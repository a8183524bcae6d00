#include "emulator/daemon_process.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "base/private_runtime.h"
#include "emulator/vkbd_wire.h"

namespace quorvel::vkbd {

// Binds the socket unless another daemon already serves it. A lock file makes the test for a
// stale socket and the bind one step, so two starters cannot both take the path.
int Listen(const std::string& path, std::string& error) {
    sockaddr_un address{};
    if (path.size() >= sizeof(address.sun_path)) {
        error = "socket path too long: " + path;
        return -1;
    }
    std::error_code ignored;
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
    int lockFd = TakeLockFile(path + ".lock", true);
    if (lockFd < 0) {
        error = "cannot lock " + path + ".lock: " + std::strerror(errno);
        return -1;
    }
    int fd = -1;
    if (int probe = ConnectSocket(path); probe >= 0) {
        close(probe);
        error = "a virtual keyboard already serves " + path;
    } else if (!RemoveStaleSocket(path, &error)) {
        error = "cannot listen: " + error;
    } else {
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        if (fd < 0 || bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
            listen(fd, 16) != 0) {
            error = "cannot listen on " + path + ": " + std::strerror(errno);
            if (fd >= 0) close(fd);
            fd = -1;
        }
    }
    close(lockFd);  // releases the lock; the listening socket now answers for us
    return fd;
}

int AcceptOwnClient(int listenFd) {
    for (;;) {
        const int fd = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0 && PeerIsThisUser(fd)) return fd;
        if (fd >= 0) {
            close(fd);
        } else if (errno != EINTR && errno != ECONNABORTED) {
            return -1;
        }
    }
}

void CloseInheritedFiles(int keep) {
    long limit = sysconf(_SC_OPEN_MAX);
    if (limit < 0 || limit > 65536) limit = 65536;
    for (int fd = STDERR_FILENO + 1; fd < limit; ++fd)
        if (fd != keep) close(fd);
}

void DetachStandardStreams() {
    int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null < 0) return;
    dup2(null, STDIN_FILENO);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    close(null);
}

}  // namespace quorvel::vkbd
