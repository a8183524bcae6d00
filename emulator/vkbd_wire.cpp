#include "emulator/vkbd_wire.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/byte_order.h"
#include "base/private_runtime.h"

namespace quorvel::vkbd {

std::string DefaultSocketPath(std::string* error) {
    if (const char* env = std::getenv("QUORVEL_VKBD_SOCKET"); env && *env) return env;
    const std::string folder = PrivateRuntimeFolder(error);
    return folder.empty() ? folder : folder + "/quorvel-vkbd.sock";
}

uint64_t StampNow() {
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(StampClock::now().time_since_epoch())
            .count());
}

StampClock::time_point StampTime(uint64_t stamp) {
    return StampClock::time_point(std::chrono::duration_cast<StampClock::duration>(
        std::chrono::nanoseconds(static_cast<int64_t>(stamp))));
}

void WriteStamp(uint8_t* at, uint64_t stamp) {
    WriteLe32(at, static_cast<uint32_t>(stamp));
    WriteLe32(at + 4, static_cast<uint32_t>(stamp >> 32));
}

uint64_t ReadStamp(const uint8_t* at) {
    return ReadLe32(at) | static_cast<uint64_t>(ReadLe32(at + 4)) << 32;
}

int ConnectSocket(const std::string& path) {
    sockaddr_un address{};
    if (path.size() >= sizeof(address.sun_path)) return -1;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        !PeerIsThisUser(fd)) {
        close(fd);
        return -1;
    }
    return fd;
}

bool SendMessage(int fd, const std::vector<uint8_t>& message) {
    ssize_t sent;
    do {
        sent = send(fd, message.data(), message.size(), MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    return sent == static_cast<ssize_t>(message.size());
}

bool ReceiveMessage(int fd, std::vector<uint8_t>& message) {
    // Ask for the packet's size first, so small messages do not pay for the largest.
    uint8_t probe;
    ssize_t size;
    do {
        size = recv(fd, &probe, 1, MSG_PEEK | MSG_TRUNC);
    } while (size < 0 && errno == EINTR);
    if (size <= 0) {
        message.clear();
        return false;
    }
    message.resize(static_cast<size_t>(size));
    ssize_t got;
    do {
        got = recv(fd, message.data(), message.size(), 0);
    } while (got < 0 && errno == EINTR);
    if (got <= 0) {
        message.clear();
        return false;
    }
    message.resize(static_cast<size_t>(got));
    return true;
}

}  // namespace quorvel::vkbd
