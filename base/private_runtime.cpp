#include "base/private_runtime.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace quorvel {
namespace {

bool IsPrivateFolder(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid() &&
           (info.st_mode & 077) == 0;
}

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] == '/' ? value : "";
}

std::string CacheFolder() {
    if (std::string cache = Environment("XDG_CACHE_HOME"); !cache.empty()) return cache;
    std::string home = Environment("HOME");
    if (home.empty()) {
        const passwd* user = getpwuid(geteuid());
        if (user == nullptr || user->pw_dir == nullptr || user->pw_dir[0] != '/') return "";
        home = user->pw_dir;
    }
    return home + "/.cache";
}

bool MakeFolder(const std::string& path) {
    return mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

}  // namespace

std::string PrivateRuntimeFolder(std::string* error) {
    if (std::string runtime = Environment("XDG_RUNTIME_DIR");
        !runtime.empty() && IsPrivateFolder(runtime))
        return runtime;
    const std::string cache = CacheFolder();
    if (cache.empty()) {
        if (error)
            *error = "no private folder for sockets: neither XDG_RUNTIME_DIR nor HOME is set";
        return "";
    }
    // Unix sockets and locks do not reach across machines that share a home folder.
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) != 0 || host[0] == '\0') std::strcpy(host, "localhost");
    const std::string folder = cache + "/quorvel/run-" + host;
    const bool made = MakeFolder(cache) && MakeFolder(cache + "/quorvel") && MakeFolder(folder);
    if (!made || !IsPrivateFolder(folder)) {
        if (error) {
            *error = folder + (made ? ": not a folder of this user's with mode 0700"
                                    : ": " + std::string(std::strerror(errno)));
        }
        return "";
    }
    return folder;
}

int TakeLockFile(const std::string& path, bool wait) {
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    struct stat info {};
    int result = fstat(fd, &info);
    if (result == 0 && (!S_ISREG(info.st_mode) || info.st_uid != geteuid())) {
        errno = EPERM;
        result = -1;
    }
    while (result == 0 && flock(fd, LOCK_EX | (wait ? 0 : LOCK_NB)) != 0) {
        if (errno != EINTR) result = -1;
    }
    if (result != 0) {
        const int saved = errno;
        close(fd);
        errno = saved;
        return -1;
    }
    return fd;
}

bool RemoveStaleSocket(const std::string& path, std::string* error) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) {
        if (errno == ENOENT) return true;
        if (error) *error = path + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISSOCK(info.st_mode)) {
        if (error) *error = path + " is not a socket; it is left as it is";
        return false;
    }
    if (unlink(path.c_str()) != 0 && errno != ENOENT) {
        if (error) *error = path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool PeerIsThisUser(int fd) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && size == sizeof peer &&
           peer.uid == geteuid();
}

}  // namespace quorvel
