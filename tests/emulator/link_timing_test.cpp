// The modelled USB link seen from a raw socket: both transfers are timed from the host's send
// stamp, so the daemon's own wake-up does not add to them, yet neither ever gets shorter.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <optional>

#include "emulator/vkbd_wire.h"
#include "tests/emulator/service_client.h"
#include "tests/support/virtual_keyboard.h"

namespace quorvel::testing {
namespace {

using namespace std::chrono_literals;
using Clock = vkbd::StampClock;

constexpr auto LATENCY = 50ms;
constexpr uint8_t OP_READ_SETTINGS = 0x03;
constexpr int64_t NO_STAMP = -1;

struct Timing {
    std::optional<Clock::time_point> ack, reply;
};

class LinkTimingTest : public ::testing::Test {
protected:
    LinkTimingTest() : keyboard(Slow()) {}
    ~LinkTimingTest() override {
        if (fd >= 0) close(fd);
    }

    static VirtualKeyboard::Options Slow() {
        VirtualKeyboard::Options options;
        options.latencyUs = static_cast<int>(std::chrono::microseconds(LATENCY).count());
        return options;
    }

    void SetUp() override {
        fd = vkbd::ConnectSocket(keyboard.SocketPath());
        ASSERT_GE(fd, 0);
        timeval timeout{5, 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
        std::vector<uint8_t> count;
        ASSERT_TRUE(vkbd::SendMessage(fd, {vkbd::MSG_SUBSCRIBE}));
        ASSERT_TRUE(vkbd::ReceiveMessage(fd, count));
        ASSERT_EQ(count, (std::vector<uint8_t>{vkbd::MSG_COUNT, 1}));
    }

    // Sends one control frame carrying stamp (NO_STAMP: the short message of the command-line
    // tools) and notes when its acknowledgement and its reply come back.
    Timing Transact(int64_t stamp) {
        std::vector<uint8_t> message = {vkbd::MSG_WRITE_CTRL};
        Frame frame = MakeFrame(OP_READ_SETTINGS, 44);
        message.insert(message.end(), frame.begin(), frame.end());
        if (stamp != NO_STAMP) {
            message.resize(message.size() + vkbd::STAMP_SIZE);
            vkbd::WriteStamp(message.data() + message.size() - vkbd::STAMP_SIZE,
                             static_cast<uint64_t>(stamp));
        }
        Timing timing;
        if (!vkbd::SendMessage(fd, message)) return timing;
        std::vector<uint8_t> answer;
        while ((!timing.ack || !timing.reply) && vkbd::ReceiveMessage(fd, answer)) {
            if (answer.size() == 2 && answer[0] == vkbd::MSG_ACK && answer[1] == 1)
                timing.ack = Clock::now();
            if (answer.size() > 2 && answer[0] == vkbd::MSG_INPUT && answer[1] == vkbd::IFACE_CTRL)
                timing.reply = Clock::now();
        }
        return timing;
    }

    VirtualKeyboard keyboard;
    int fd = -1;
};

TEST_F(LinkTimingTest, TransfersRunFromTheStampAndNeverShorten) {
    const auto latencyNs = std::chrono::nanoseconds(LATENCY).count();
    struct Case {
        const char* name;
        bool stamped;
        int64_t offsetNs;  // of the stamp from the moment of sending
        int64_t originNs;  // of the moment the transfers must be timed from
    } cases[] = {
        {"no stamp", false, 0, 0},
        {"zero stamp", true, 0, 0},
        {"stamp a transfer back", true, -latencyNs, -latencyNs},
        {"stamp from the future", true, 10'000'000'000, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const uint64_t sent = vkbd::StampNow();
        const int64_t stamp = !c.stamped        ? NO_STAMP
                              : c.offsetNs == 0 ? 0
                                                : static_cast<int64_t>(sent) + c.offsetNs;
        const Timing timing = Transact(stamp);
        ASSERT_TRUE(timing.ack && timing.reply);
        const Clock::time_point origin =
            vkbd::StampTime(sent) + std::chrono::nanoseconds(c.originNs);
        EXPECT_GE(*timing.ack, origin + LATENCY);
        EXPECT_GE(*timing.reply, origin + 2 * LATENCY);
        // A transfer's worth of slack: the daemon did not time this one from the arrival.
        EXPECT_LT(*timing.reply, origin + 3 * LATENCY);
    }
}

}  // namespace
}  // namespace quorvel::testing
