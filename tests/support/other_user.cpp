#include "tests/support/other_user.h"

#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <stdexcept>

namespace quorvel::testing {

std::string WhyNoOtherUser() {
    if (geteuid() != 0) return "switching to another user needs root; run the test as root";
    if (getpwnam("nobody") == nullptr) return "there is no user nobody";
    return "";
}

int RunAsNobody(const std::function<int()>& body, const std::function<void()>& idle) {
    const passwd* nobody = getpwnam("nobody");
    if (nobody == nullptr) return -1;
    const uid_t uid = nobody->pw_uid;
    const gid_t gid = nobody->pw_gid;
    const pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setresgid(gid, gid, gid) != 0 ||
            setresuid(uid, uid, uid) != 0)
            _exit(255);
        _exit(body() & 0xFF);
    }
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(child, &status, idle ? WNOHANG : 0);
        if (done == child) break;
        if (done < 0 && errno != EINTR) return -1;
        if (idle) {
            idle();
            usleep(5000);
        }
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 255) return -1;
    return WEXITSTATUS(status);
}

namespace {

// The child's side of WhileNobodyListens: plain system calls only.
int ListenAndAnswer(const std::string& path, int type, const std::string& answer, int ready,
                    int done) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const int listener = socket(AF_UNIX, type, 0);
    if (bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 4) != 0 || chmod(path.c_str(), 0777) != 0)
        return 1;
    char byte = 1;
    if (write(ready, &byte, 1) != 1) return 1;
    // No allocation: the child of a threaded program.
    constexpr size_t MAX_CLIENTS = 14;
    pollfd fds[2 + MAX_CLIENTS] = {{done, POLLIN, 0}, {listener, POLLIN, 0}};
    size_t count = 2;
    for (;;) {
        if (poll(fds, count, -1) < 0 && errno != EINTR) return 1;
        if (fds[0].revents) return 0;
        if (fds[1].revents) {
            const int client = accept(listener, nullptr, nullptr);
            if (count < std::size(fds)) {
                fds[count++] = {client, POLLIN, 0};
            } else {
                close(client);
            }
            fds[1].revents = 0;
        }
        for (size_t i = 2; i < count; ++i) {
            if (fds[i].fd < 0 || !fds[i].revents) continue;
            char buffer[512];
            if (recv(fds[i].fd, buffer, sizeof buffer, 0) <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                continue;
            }
            send(fds[i].fd, answer.data(), answer.size(), MSG_NOSIGNAL);
        }
    }
}

}  // namespace

bool WhileNobodyListens(const std::string& path, int type, const std::string& answer,
                        const std::function<void()>& whileListening) {
    int ready[2], done[2];
    if (pipe(ready) != 0) return false;
    if (pipe(done) != 0) {
        close(ready[0]);
        close(ready[1]);
        return false;
    }
    bool started = false;
    const int result = RunAsNobody(
        [&] {
            close(ready[0]);
            close(done[1]);
            return ListenAndAnswer(path, type, answer, ready[1], done[0]);
        },
        [&] {
            if (started) return;
            started = true;
            close(ready[1]);  // a child that fails before it listens then reads as end of file
            char byte;
            if (read(ready[0], &byte, 1) == 1) whileListening();
            close(done[1]);
        });
    close(ready[0]);
    close(done[0]);
    if (!started) {
        close(ready[1]);
        close(done[1]);
    }
    return result == 0;
}

SharedFolder::SharedFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "quorvel-shared-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    chmod(path_.c_str(), 01777);
}

SharedFolder::~SharedFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

int ConnectUnix(const std::string& path, int type) {
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path) return -1;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, type | SOCK_CLOEXEC, 0);
    if (fd >= 0 && connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return fd;
    if (fd >= 0) close(fd);
    return -1;
}

bool AnswerArrives(int fd, int timeoutMs) {
    pollfd wait = {fd, POLLIN, 0};
    if (poll(&wait, 1, timeoutMs) <= 0) return false;
    char byte;
    return recv(fd, &byte, 1, MSG_DONTWAIT) > 0;
}

}  // namespace quorvel::testing
