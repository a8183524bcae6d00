#pragma once
// Messages between quorvel-vkbd and its clients (the virtual service library and the command
// line). The socket is SOCK_SEQPACKET, so every message is one packet and needs no framing;
// byte 0 names the message.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvel::vkbd {

enum MessageType : uint8_t {
    // client -> daemon
    MSG_SUBSCRIBE = 'S',   // [+ u8 flags] from now on send this client every input report and
                           // count change
    MSG_WRITE_CTRL = 'W',  // + 64-byte command frame [+ u64 send stamp]; answered by MSG_ACK
    MSG_WRITE_LED = 'L',   // + indicator report; answered by MSG_ACK
    MSG_COMMAND = 'C',     // + command-line words separated by '\n'; answered by MSG_RESULT
    // daemon -> client
    MSG_ACK = 'K',     // + u8: 1 written, 0 absent
    MSG_RESULT = 'R',  // + u8 exit code + text
    MSG_INPUT = 'D',   // + u8 interface + report bytes
    MSG_COUNT = 'P',   // + u8 count of each interface [+ plug-in name] (sent to subscribers)
};

// A subscriber's flag: every count above 0 it gets is followed by the name of that plug-in, the
// text the plug-id command answers, which saves it asking. Without the flag, or from a daemon
// that predates it, counts come alone.
constexpr uint8_t SUBSCRIBE_PLUG_NAMES = 1;

enum Interface : uint8_t {
    IFACE_CTRL = 0,
    IFACE_CONS = 1,
    IFACE_LED = 2,
};
constexpr int INTERFACE_COUNT = 3;

constexpr size_t FRAME_SIZE = 64;
// Nanoseconds on StampClock when the host handed a control frame over, little-endian after the
// frame. The daemon times the modelled USB transfers from it, so its own wake-up delay does
// not add to them. Absent or 0: the daemon takes the frame's arrival instead.
constexpr size_t STAMP_SIZE = 8;
static_assert(STAMP_SIZE == sizeof(uint64_t));
// CLOCK_MONOTONIC on Linux: the daemon and its clients run on one machine and agree on it.
using StampClock = std::chrono::steady_clock;
// Large enough for a dump of the largest macro area as hex text.
constexpr size_t MAX_MESSAGE = 256 * 1024;

// QUORVEL_VKBD_SOCKET, else quorvel-vkbd.sock in the user's private runtime folder
// ($XDG_RUNTIME_DIR, or a folder of the user's own). Empty with the reason in error when the
// user has no such folder.
std::string DefaultSocketPath(std::string* error = nullptr);

uint64_t StampNow();
StampClock::time_point StampTime(uint64_t stamp);
void WriteStamp(uint8_t* at, uint64_t stamp);
uint64_t ReadStamp(const uint8_t* at);

// Connects to the daemon; -1 when nothing listens there or what listens runs as another user.
int ConnectSocket(const std::string& path);
// One message out; false when the peer is gone.
bool SendMessage(int fd, const std::vector<uint8_t>& message);
// One message in (blocking); false on end of connection or error.
bool ReceiveMessage(int fd, std::vector<uint8_t>& message);

}  // namespace quorvel::vkbd
