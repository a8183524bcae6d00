#pragma once
// Test fixture: a private quorvel-vkbd daemon in a fresh temporary folder (socket, flash state,
// frame trace), with the virtual service library pointed at it through QUORVEL_VKBD_SOCKET.
#include <csignal>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace quorvel::testing {

// Folder of the built executables and service libraries (QUORVEL_BIN_DIR, set by ctest).
std::string BinDir();

// QUORVEL_VKBD_STRICT=1 runs every fixture's keyboard with --strict, so whole suites can be
// checked against the least forgiving firmware.
bool StrictKeyboardRequested();

class VirtualKeyboard {
public:
    struct Options {
        int capacityUnits = 64;                   // --capacity
        std::string layout = "default";           // --layout default|shuffled
        std::string modes;                        // --modes LIST; empty = the daemon's default
        int latencyUs = 0;                        // --latency-us
        bool plugged = true;                      // start with the keyboard attached
        bool strict = StrictKeyboardRequested();  // --strict
        std::vector<std::string> extraArgs;       // further daemon options
    };

    VirtualKeyboard();
    explicit VirtualKeyboard(Options options);
    ~VirtualKeyboard();  // stops the daemon and removes the folder
    VirtualKeyboard(const VirtualKeyboard&) = delete;
    VirtualKeyboard& operator=(const VirtualKeyboard&) = delete;

    const std::string& Dir() const { return dir_; }
    const std::string& SocketPath() const { return socket_; }
    const std::string& StatePath() const { return state_; }
    const std::string& TracePath() const { return trace_; }

    // Runs `quorvel-vkbd --socket <socket> args...` (plug, unplug, bank, fault ..., dump) and
    // returns its standard output; a non-zero exit fails the current test.
    std::string Run(const std::vector<std::string>& args) const;

    // Lines of the trace file, and a mark to read only what came after it.
    std::vector<std::string> Trace() const;
    size_t TraceMark() const { return Trace().size(); }
    std::vector<std::string> TraceSince(size_t mark) const;
    // Only the host-to-keyboard control frames ("> CTRL ..." lines, hex part only).
    std::vector<std::string> FramesSentSince(size_t mark) const;

    // Stops the daemon and starts it again on the same state file (a power cycle).
    void Restart();
    // The same, but the daemon is killed (SIGKILL) and gets no chance to finish anything.
    void Crash();

    // The default options but for one field: OptionsWith(&Options::capacityUnits, 1).
    template <typename Field, typename Value>
    static Options OptionsWith(Field Options::*field, Value value) {
        Options options;
        options.*field = std::move(value);
        return options;
    }

private:
    void Start();
    void Stop(int signal = SIGTERM);

    Options options_;
    std::string dir_, socket_, state_, trace_;
    int pid_ = -1;
};

}  // namespace quorvel::testing
