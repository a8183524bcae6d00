#pragma once
// Results of keyboard operations. Callers mostly compare with CMD_OK; the others say why a
// command did not complete.

namespace quorvel {

constexpr int CMD_OK = 1;             // a reply with the matching command code arrived
constexpr int CMD_NO_DEVICE = 0;      // no control interface of the keyboard is present
constexpr int CMD_WRITE_FAILED = -1;  // the service library refused the frame
constexpr int CMD_NO_REPLY = -2;      // three attempts without a matching reply
constexpr int CMD_STATUS_FF = -102;   // the reply carried error status 0xFF
constexpr int CMD_STATUS_FE = -103;   // the reply carried error status 0xFE
constexpr int CMD_BAD_BLOCK = -201;   // profile or key-block index outside 0-2; nothing sent
constexpr int CMD_TOO_LONG = -202;    // more data than one frame carries (56 bytes); nothing sent
constexpr int CMD_READ_BACK_DIFFERS = -301;  // a chunk read back after the write is not as written

}  // namespace quorvel
