#pragma once
// Socket tests need a process of another user: started as root, a child process switches to
// nobody and runs a body made of plain system calls (it is forked from a threaded program).
#include <functional>
#include <string>

namespace quorvel::testing {

// Empty when a child can become nobody; otherwise why not, for GTEST_SKIP.
std::string WhyNoOtherUser();

// Runs body as nobody in a child process and returns its result (0-255), or -1 when the child
// could not switch user or died. While the child runs, idle is called every few milliseconds
// (an event loop the body talks to). Blocks until the child ends.
int RunAsNobody(const std::function<int()>& body, const std::function<void()>& idle = {});

// A folder any user may enter and create files in, removed afterwards, for the socket tests:
// the private folders the program uses would keep nobody out before the socket check could.
class SharedFolder {
public:
    SharedFolder();
    ~SharedFolder();
    SharedFolder(const SharedFolder&) = delete;
    SharedFolder& operator=(const SharedFolder&) = delete;
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// While a child running as nobody listens on a Unix socket of the type at path (mode 0777) and
// answers every message with answer, runs whileListening. False when the child could not
// listen.
bool WhileNobodyListens(const std::string& path, int type, const std::string& answer,
                        const std::function<void()>& whileListening);

// Seconds-bounded helpers for the child's body: a Unix stream or packet socket connected to
// path, -1 on failure; and whether anything (not end of file) arrives within timeoutMs.
int ConnectUnix(const std::string& path, int type);
bool AnswerArrives(int fd, int timeoutMs);

}  // namespace quorvel::testing
