// Count messages that name the plug-in, for subscribers that ask, and the plain ones for those
// that do not.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "emulator/vkbd_wire.h"
#include "tests/support/virtual_keyboard.h"

namespace quorvel::testing {
namespace {

class Subscriber {
public:
    Subscriber(const VirtualKeyboard& keyboard, std::vector<uint8_t> request)
        : fd_(vkbd::ConnectSocket(keyboard.SocketPath())) {
        timeval timeout{5, 0};
        setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
        vkbd::SendMessage(fd_, request);
    }
    ~Subscriber() {
        if (fd_ >= 0) close(fd_);
    }
    Subscriber(const Subscriber&) = delete;
    Subscriber& operator=(const Subscriber&) = delete;

    // The next count message, as text after its type: the count digit, then any name.
    std::string NextCount() {
        std::vector<uint8_t> message;
        while (vkbd::ReceiveMessage(fd_, message))
            if (!message.empty() && message[0] == vkbd::MSG_COUNT && message.size() >= 2)
                return std::to_string(message[1]) + std::string(message.begin() + 2, message.end());
        return "nothing";
    }

private:
    int fd_;
};

// What the plug-id command answers on a connection of its own.
std::string PlugId(const VirtualKeyboard& keyboard) {
    const int fd = vkbd::ConnectSocket(keyboard.SocketPath());
    const std::string text = static_cast<char>(vkbd::MSG_COMMAND) + std::string("plug-id");
    const std::vector<uint8_t> message(text.begin(), text.end());
    std::vector<uint8_t> answer;
    const bool answered = vkbd::SendMessage(fd, message) && vkbd::ReceiveMessage(fd, answer);
    close(fd);
    if (!answered || answer.size() < 2 || answer[0] != vkbd::MSG_RESULT || answer[1] != 0)
        return "";
    return {answer.begin() + 2, answer.end()};
}

TEST(PlugNames, EveryArrivalIsNamedAsPlugIdNamesItForThoseWhoAsk) {
    VirtualKeyboard keyboard;
    Subscriber naming(keyboard, {vkbd::MSG_SUBSCRIBE, vkbd::SUBSCRIBE_PLUG_NAMES});
    Subscriber plain(keyboard, {vkbd::MSG_SUBSCRIBE});

    const std::string first = PlugId(keyboard);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(naming.NextCount(), "1" + first);
    EXPECT_EQ(plain.NextCount(), "1");

    keyboard.Run({"unplug"});
    EXPECT_EQ(naming.NextCount(), "0");
    EXPECT_EQ(plain.NextCount(), "0");
    keyboard.Run({"plug"});
    const std::string second = PlugId(keyboard);
    EXPECT_NE(second, first);
    EXPECT_EQ(naming.NextCount(), "1" + second);
    EXPECT_EQ(plain.NextCount(), "1");
}

}  // namespace
}  // namespace quorvel::testing
