// Who may talk to whom over the virtual keyboard's socket: only processes of the same user, in
// both directions, and the daemon never removes a file that is not a socket.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "emulator/vkbd_wire.h"
#include "tests/base/scoped_environment.h"
#include "tests/base/temp_dir.h"
#include "tests/support/other_user.h"
#include "tests/support/virtual_keyboard.h"

namespace quorvel::testing {
namespace {

enum ChildResult { REFUSED, ANSWERED, UNREACHABLE };

TEST(SocketAccess, AnotherUserGetsNoAnswerFromTheDaemon) {
    if (std::string why = WhyNoOtherUser(); !why.empty()) GTEST_SKIP() << why;
    VirtualKeyboard keyboard;
    // Opened up, so that only the daemon's own check stands between the two users.
    chmod(keyboard.Dir().c_str(), 0755);
    chmod(keyboard.SocketPath().c_str(), 0777);
    const std::string path = keyboard.SocketPath();
    const int result = RunAsNobody([&path] {
        const int fd = ConnectUnix(path, SOCK_SEQPACKET);
        if (fd < 0) return UNREACHABLE;
        const char command[] = {vkbd::MSG_COMMAND, 'd', 'u', 'm', 'p'};
        send(fd, command, sizeof command, MSG_NOSIGNAL);
        return AnswerArrives(fd, 2000) ? ANSWERED : REFUSED;
    });
    EXPECT_EQ(result, REFUSED);
    EXPECT_FALSE(keyboard.Run({"dump"}).empty()) << "the daemon still serves its own user";
}

TEST(SocketAccess, ClientsHangUpOnADaemonOfAnotherUser) {
    if (std::string why = WhyNoOtherUser(); !why.empty()) GTEST_SKIP() << why;
    SharedFolder shared;
    const std::string path = shared.File("vkbd.sock");
    int connected = -2;
    const std::string count = {vkbd::MSG_COUNT, 1};
    ASSERT_TRUE(WhileNobodyListens(path, SOCK_SEQPACKET, count, [&] {
        connected = vkbd::ConnectSocket(path);
        if (connected >= 0) close(connected);
    }));
    EXPECT_EQ(connected, -1);
}

// Without XDG_RUNTIME_DIR the socket used to be /tmp/quorvel-vkbd-UID.sock, a name any user
// could bind first to play the keyboard.
TEST(SocketAccess, TheDefaultSocketIsNotTheSharedTemporaryName) {
    TempDir cache;
    ScopedEnvironment environment;
    environment.Set("QUORVEL_VKBD_SOCKET", std::nullopt);
    environment.Set("XDG_RUNTIME_DIR", std::nullopt);
    environment.Set("XDG_CACHE_HOME", cache.Path());
    const std::string squatted = "/tmp/quorvel-vkbd-" + std::to_string(getuid()) + ".sock";
    const std::string path = vkbd::DefaultSocketPath();
    EXPECT_EQ(path.rfind(cache.Path() + "/", 0), 0u) << path;
    EXPECT_NE(path, squatted);

    const int squatter = socket(AF_UNIX, SOCK_SEQPACKET, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, squatted.c_str());
    if (bind(squatter, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        listen(squatter, 4);
        EXPECT_EQ(vkbd::ConnectSocket(vkbd::DefaultSocketPath()), -1);
        unlink(squatted.c_str());
    }
    close(squatter);
}

TEST(SocketAccess, TheDaemonLeavesAnythingButASocketAtItsPath) {
    TempDir dir;
    const std::string path = dir.File("vkbd.sock");
    WriteWholeFile(path, "somebody's notes\n");
    const std::string command = BinDir() + "/quorvel-vkbd --socket " + path + " --state " +
                                dir.File("state.json") + " serve 2>" + dir.File("err");
    EXPECT_NE(std::system(command.c_str()), 0);
    EXPECT_EQ(ReadWholeFile(path), "somebody's notes\n");
    EXPECT_NE(ReadWholeFile(dir.File("err")).find("not a socket"), std::string::npos)
        << ReadWholeFile(dir.File("err"));
}

}  // namespace
}  // namespace quorvel::testing
