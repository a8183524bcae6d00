#include "tests/support/virtual_keyboard.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace quorvel::testing {
namespace {

constexpr auto START_TIMEOUT = std::chrono::seconds(10);
constexpr auto POLL_PERIOD = std::chrono::milliseconds(5);
const char* const SENT_PREFIX = "> CTRL ";

bool SocketAccepts(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
    int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    bool ok = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    close(fd);
    return ok;
}

std::vector<char*> ArgumentVector(std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    return argv;
}

}  // namespace

std::string BinDir() {
    if (const char* dir = std::getenv("QUORVEL_BIN_DIR"); dir && *dir) return dir;
    // Test executables are built into the same folder as the binaries.
    std::error_code error;
    auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? "." : self.parent_path().string();
}

bool StrictKeyboardRequested() {
    const char* strict = std::getenv("QUORVEL_VKBD_STRICT");
    return strict && std::string(strict) == "1";
}

VirtualKeyboard::VirtualKeyboard() : VirtualKeyboard(Options{}) {}

VirtualKeyboard::VirtualKeyboard(Options options) : options_(std::move(options)) {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorvel-vkbd-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    dir_ = pattern;
    socket_ = dir_ + "/vkbd.sock";
    state_ = dir_ + "/state.json";
    trace_ = dir_ + "/trace.txt";
    setenv("QUORVEL_VKBD_SOCKET", socket_.c_str(), 1);
    Start();
}

VirtualKeyboard::~VirtualKeyboard() {
    Stop();
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

void VirtualKeyboard::Start() {
    std::vector<std::string> args = {BinDir() + "/quorvel-vkbd",
                                     "--socket",
                                     socket_,
                                     "--state",
                                     state_,
                                     "--trace",
                                     trace_,
                                     "--capacity",
                                     std::to_string(options_.capacityUnits),
                                     "--layout",
                                     options_.layout,
                                     "--latency-us",
                                     std::to_string(options_.latencyUs)};
    if (!options_.modes.empty()) args.insert(args.end(), {"--modes", options_.modes});
    if (!options_.plugged) args.push_back("--unplugged");
    if (options_.strict) args.push_back("--strict");
    args.insert(args.end(), options_.extraArgs.begin(), options_.extraArgs.end());
    args.push_back("serve");
    auto argv = ArgumentVector(args);
    pid_t pid;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start " + args[0]);
    pid_ = pid;
    auto deadline = std::chrono::steady_clock::now() + START_TIMEOUT;
    while (!SocketAccepts(socket_)) {
        int status;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            throw std::runtime_error("quorvel-vkbd exited at start");
        }
        if (std::chrono::steady_clock::now() > deadline) {
            Stop();
            throw std::runtime_error("quorvel-vkbd did not listen on " + socket_);
        }
        std::this_thread::sleep_for(POLL_PERIOD);
    }
}

void VirtualKeyboard::Stop(int signal) {
    if (pid_ <= 0) return;
    kill(pid_, signal);
    int status;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
}

void VirtualKeyboard::Restart() {
    Stop();
    Start();
}

void VirtualKeyboard::Crash() {
    Stop(SIGKILL);
    Start();
}

std::string VirtualKeyboard::Run(const std::vector<std::string>& args) const {
    std::vector<std::string> all = {BinDir() + "/quorvel-vkbd", "--socket", socket_};
    all.insert(all.end(), args.begin(), args.end());
    auto argv = ArgumentVector(all);
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    pid_t pid;
    int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    std::string output;
    if (spawned == 0) {
        char buffer[4096];
        ssize_t n;
        while ((n = read(out[0], buffer, sizeof(buffer))) > 0 || (n < 0 && errno == EINTR))
            if (n > 0) output.append(buffer, static_cast<size_t>(n));
    }
    close(out[0]);
    int status = -1;
    if (spawned == 0)
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    std::string line;
    for (const auto& arg : args) line += " " + arg;
    EXPECT_TRUE(spawned == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "quorvel-vkbd" << line << " failed";
    return output;
}

std::vector<std::string> VirtualKeyboard::Trace() const {
    std::vector<std::string> lines;
    std::ifstream in(trace_);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> VirtualKeyboard::TraceSince(size_t mark) const {
    auto lines = Trace();
    if (mark >= lines.size()) return {};
    return {lines.begin() + static_cast<std::ptrdiff_t>(mark), lines.end()};
}

std::vector<std::string> VirtualKeyboard::FramesSentSince(size_t mark) const {
    std::vector<std::string> frames;
    for (const auto& line : TraceSince(mark))
        if (line.rfind(SENT_PREFIX, 0) == 0)
            frames.push_back(line.substr(std::strlen(SENT_PREFIX)));
    return frames;
}

}  // namespace quorvel::testing
