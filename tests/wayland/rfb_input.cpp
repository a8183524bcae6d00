#include "tests/wayland/rfb_input.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace quorvel::testing {
namespace {

constexpr int IO_TIMEOUT_MS = 5000;
constexpr unsigned char SECURITY_NONE = 1;
constexpr unsigned char MSG_KEY_EVENT = 4;
constexpr unsigned char MSG_POINTER_EVENT = 5;

uint32_t BigEndian32(const unsigned char* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

}  // namespace

RfbInput::~RfbInput() {
    if (fd_ >= 0) close(fd_);
}

QString RfbInput::Connect(const QString& socketPath) {
    fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = socketPath.toLocal8Bit();
    std::strncpy(address.sun_path, path.constData(), sizeof(address.sun_path) - 1);
    if (fd_ < 0 || connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0)
        return "cannot connect to " + socketPath;
    unsigned char version[12];
    if (!Receive(version, sizeof(version)) || std::memcmp(version, "RFB 003.", 8) != 0)
        return "no RFB greeting";
    static const unsigned char OURS[] = "RFB 003.008\n";
    if (!Send(OURS, 12)) return "version not sent";
    unsigned char count = 0;
    if (!Receive(&count, 1) || count == 0) return "the server offers no security type";
    std::vector<unsigned char> types(count);
    if (!Receive(types.data(), count)) return "security types cut short";
    if (std::find(types.begin(), types.end(), SECURITY_NONE) == types.end())
        return "the server asks for authentication";
    unsigned char result[4];
    if (!Send(&SECURITY_NONE, 1) || !Receive(result, 4) || BigEndian32(result) != 0)
        return "security handshake refused";
    const unsigned char shared = 1;
    unsigned char init[24];
    if (!Send(&shared, 1) || !Receive(init, sizeof(init))) return "no server init";
    std::vector<unsigned char> name(BigEndian32(init + 20));
    if (!Receive(name.data(), name.size())) return "server name cut short";
    return {};
}

bool RfbInput::Pointer(QPoint at, int mask) {
    const unsigned char message[6] = {MSG_POINTER_EVENT,
                                      static_cast<unsigned char>(mask),
                                      static_cast<unsigned char>(at.x() >> 8),
                                      static_cast<unsigned char>(at.x()),
                                      static_cast<unsigned char>(at.y() >> 8),
                                      static_cast<unsigned char>(at.y())};
    return Send(message, sizeof(message));
}

bool RfbInput::Key(uint32_t keysym, bool down) {
    const unsigned char message[8] = {MSG_KEY_EVENT,
                                      static_cast<unsigned char>(down ? 1 : 0),
                                      0,
                                      0,
                                      static_cast<unsigned char>(keysym >> 24),
                                      static_cast<unsigned char>(keysym >> 16),
                                      static_cast<unsigned char>(keysym >> 8),
                                      static_cast<unsigned char>(keysym)};
    return Send(message, sizeof(message));
}

bool RfbInput::Send(const unsigned char* data, size_t size) {
    while (fd_ >= 0 && size > 0) {
        const ssize_t sent = send(fd_, data, size, MSG_NOSIGNAL);
        if (sent <= 0) return false;
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return fd_ >= 0;
}

bool RfbInput::Receive(unsigned char* data, size_t size) {
    while (size > 0) {
        pollfd waiting{fd_, POLLIN, 0};
        if (poll(&waiting, 1, IO_TIMEOUT_MS) != 1) return false;
        const ssize_t got = recv(fd_, data, size, 0);
        if (got <= 0) return false;
        data += got;
        size -= static_cast<size_t>(got);
    }
    return true;
}

}  // namespace quorvel::testing
