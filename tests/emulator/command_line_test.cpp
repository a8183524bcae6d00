// quorvel-vkbd as a program: its usage errors, its start-up, and the library starting it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "emulator/vkbd_wire.h"
#include "tests/emulator/service_client.h"
#include "tests/support/virtual_keyboard.h"

extern char** environ;

namespace quorvel::testing {
namespace {

struct Outcome {
    int exitCode;
    std::string errors;
};

Outcome RunVkbd(std::vector<std::string> args) {
    args.insert(args.begin(), BinDir() + "/quorvel-vkbd");
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    int err[2];
    EXPECT_EQ(pipe2(err, O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, err[0]);
    pid_t pid;
    int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(err[1]);
    std::string errors;
    char buffer[512];
    for (ssize_t n; (n = read(err[0], buffer, sizeof(buffer))) > 0;) errors.append(buffer, n);
    close(err[0]);
    int status = 0;
    if (spawned == 0) waitpid(pid, &status, 0);
    return {spawned == 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1, errors};
}

// The daemon behind a socket, found through the socket itself.
pid_t ServerPid(const std::string& socketPath) {
    int fd = vkbd::ConnectSocket(socketPath);
    if (fd < 0) return -1;
    ucred credentials{};
    socklen_t size = sizeof(credentials);
    getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size);
    close(fd);
    return credentials.pid;
}

// Stops a detached daemon and waits until it is gone: it removes its socket on the way out,
// which would race the removal of its folder.
void StopDaemon(pid_t pid) {
    kill(pid, SIGTERM);
    for (int i = 0; i < 500 && kill(pid, 0) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/quorvel-cli-XXXXXX";
        path = mkdtemp(pattern);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string path;
};

TEST(CommandLineTest, BadUsageExitsWithTwoAndOneLine) {
    TempDir dir;
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate"},
        {"--capacity", "256", "serve"},
        {"--layout", "sideways", "serve"},
        {"--modes", "4,,5", "serve"},
        {"--latency-us", "-1", "serve"},
        {"--socket"},
        {"serve", "now"},
    };
    for (const auto& args : cases) {
        Outcome outcome = RunVkbd(args);
        EXPECT_EQ(outcome.exitCode, 2) << ::testing::PrintToString(args);
        EXPECT_EQ(std::count(outcome.errors.begin(), outcome.errors.end(), '\n'), 1)
            << outcome.errors;
    }
    Outcome absent = RunVkbd({"--socket", dir.path + "/none.sock", "bank"});
    EXPECT_EQ(absent.exitCode, 1);
    EXPECT_NE(absent.errors.find("no virtual keyboard serves"), std::string::npos);
}

TEST(CommandLineTest, DaemonRefusesBadCommandsAndADamagedStateFile) {
    VirtualKeyboard keyboard;
    const std::vector<std::vector<std::string>> refused = {{"fault", "drop", "x"},
                                                           {"fault", "status", "fd", "1"},
                                                           {"special", "maybe"},
                                                           {"fault", "delay", "10"}};
    for (const auto& args : refused) {
        std::vector<std::string> all = {"--socket", keyboard.SocketPath()};
        all.insert(all.end(), args.begin(), args.end());
        EXPECT_EQ(RunVkbd(all).exitCode, 2) << ::testing::PrintToString(args);
    }

    TempDir dir;
    std::ofstream(dir.path + "/state.json") << "{\"format\": \"something else\"}";
    Outcome outcome =
        RunVkbd({"--socket", dir.path + "/s", "--state", dir.path + "/state.json", "serve"});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_NE(outcome.errors.find("damaged"), std::string::npos);
}

TEST(CommandLineTest, DetachedDaemonListensWhenTheCommandReturns) {
    TempDir dir;
    std::string socketPath = dir.path + "/vkbd.sock";
    ASSERT_EQ(
        RunVkbd({"--socket", socketPath, "--state", dir.path + "/state.json", "serve", "--daemon"})
            .exitCode,
        0);
    pid_t pid = ServerPid(socketPath);
    ASSERT_GT(pid, 0);
    // A second one finds the socket taken.
    Outcome second = RunVkbd({"--socket", socketPath, "serve"});
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_NE(second.errors.find("already serves"), std::string::npos);
    StopDaemon(pid);
}

TEST(CommandLineTest, LibraryStartsTheDaemonWhenNoneAnswers) {
    TempDir dir;
    std::string socketPath = dir.path + "/auto.sock";
    setenv("QUORVEL_VKBD_SOCKET", socketPath.c_str(), 1);
    setenv("XDG_STATE_HOME", dir.path.c_str(), 1);
    pid_t pid = -1;
    {
        ServiceClient client;
        pid = ServerPid(socketPath);
        ASSERT_GT(pid, 0);
        EXPECT_EQ(client.ControlCount(), 1);
        auto reply = client.Transact(MakeFrame(0x02));
        ASSERT_TRUE(reply);
        EXPECT_EQ((*reply)[7], 0);
    }
    // The flash is written after the reply, but always before the daemon stops.
    StopDaemon(pid);
    EXPECT_TRUE(std::filesystem::exists(dir.path + "/quorvel/vkbd-state.json"));
}

}  // namespace
}  // namespace quorvel::testing
