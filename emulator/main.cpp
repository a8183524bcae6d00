// quorvel-vkbd: the virtual keyboard daemon and the commands that drive it.
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "emulator/daemon.h"
#include "emulator/vkbd_wire.h"

namespace quorvel::vkbd {
namespace {

constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;
constexpr int MAX_CAPACITY_UNITS = 255;  // one byte of the settings block
constexpr int MAX_MODE_ID = 255;
// What --strict puts into bytes 0-9 of the settings block: no byte 0, so a host that zeroes
// or reorders them is caught.
constexpr const char* STRICT_SETTINGS_HEAD = "A1B2C3D4E5F60718293A";
constexpr int STRICT_END_BUSY_MS = 20;

const char* const HELP = R"(usage: quorvel-vkbd [options] serve
       quorvel-vkbd [--socket PATH] COMMAND

The Quorvel virtual keyboard: the keyboard's firmware as a daemon, reached by
libHidServVirtual.so over a Unix socket.

Commands:
  serve                  run the keyboard (in the foreground unless --daemon)
  plug | unplug          attach or remove the keyboard
  bank                   press the G-key bank key (sends 0x02FF)
  lighting-key           press the lighting key: the active profile steps to the
                         next effect mode (sends 0x0401)
  special on|off         enter or leave the special state (0x1811 / 0x1810)
  fault drop N           lose the next N frames (no reply)
  fault echo N           answer the next N frames with a wrong command echo
  fault status ff|fe N   answer the next N frames with status FF or FE
  fault unplug-after N   remove the keyboard after N more frames
  fault delay MS N       answer the next N frames MS milliseconds late
  fault duplicate N      send each of the next N replies twice
  fault lose-reply N     carry out the next N frames but lose their replies
  fault after K FAULT    arm FAULT (any of the above) once K more frames came
  fault clear            disarm every fault
  inject HEX...          send a control report nobody asked for (up to 64 bytes)
  dump                   print the whole firmware state as JSON

Options:
  --socket PATH          socket (default $QUORVEL_VKBD_SOCKET, else
                         $XDG_RUNTIME_DIR/quorvel-vkbd.sock)
  --state FILE           flash contents (default
                         $XDG_STATE_HOME/quorvel/vkbd-state.json, else
                         ~/.local/state/quorvel/vkbd-state.json)
  --trace FILE           append one line per report to FILE
  --capacity UNITS       macro area size in 128-byte units, 0-255 (default 64)
  --layout default|shuffled
                         factory key layout; shuffled uses another slot order
  --modes LIST           comma-separated effect mode ids the keyboard offers
                         (default 4,5,6,8,7,9,13,14,15,1,2,3,11,10,12,16,18,20)
  --latency-us N         delay of every USB transfer, each direction (default 0)
  --unplugged            start with no keyboard attached

Stricter firmware (each accepts less than the default keyboard):
  --settings-head HEX    factory bytes 0-9 of the settings block (20 hex digits);
                         a settings write must carry them unchanged
  --session-reads        parameter reads only inside a begin/end session
  --clean-frames         bytes a command does not use must be 0
  --volatile-session     unplugging drops what an unfinished session wrote
  --end-busy-ms N        after an end of session, frames wait N ms for the flash
  --end-busy-refuse      ... or are refused with status FE meanwhile
  --in-order-replies     a late reply holds back the replies after it
  --strict               all of the above: head A1B2C3D4E5F60718293A, busy 20 ms
  --daemon               detach; returns once the socket listens
  --help                 this text

Exit status: 0 success, 1 failure, 2 bad usage.
)";

int Usage(const std::string& message) {
    std::fprintf(stderr, "quorvel-vkbd: %s (see quorvel-vkbd --help)\n", message.c_str());
    return EXIT_USAGE;
}

bool ParseInt(const std::string& text, int low, int high, int& value) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::stoi(text);
    return value >= low && value <= high;
}

bool ParseModes(const std::string& text, std::vector<uint8_t>& modes) {
    modes.clear();
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos) end = text.size();
        int id;
        if (!ParseInt(text.substr(start, end - start), 1, MAX_MODE_ID, id)) return false;
        modes.push_back(static_cast<uint8_t>(id));
        start = end + 1;
    }
    return !modes.empty() && modes.size() <= 32;
}

bool ParseSettingsHead(const std::string& text, std::array<uint8_t, SETTINGS_HEAD_SIZE>& head) {
    if (text.size() != 2 * head.size() ||
        text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return false;
    for (size_t i = 0; i < head.size(); ++i)
        head[i] = static_cast<uint8_t>(std::stoi(text.substr(2 * i, 2), nullptr, 16));
    return true;
}

// --strict comes first whatever its place, so that the single options can tune what it set.
void ApplyStrict(DaemonOptions& options) {
    std::array<uint8_t, SETTINGS_HEAD_SIZE> head{};
    ParseSettingsHead(STRICT_SETTINGS_HEAD, head);
    Strictness& strict = options.hardware.strict;
    strict.settingsHead = head;
    strict.sessionReads = strict.cleanFrames = strict.volatileSession = true;
    options.endBusyMs = STRICT_END_BUSY_MS;
    options.inOrderReplies = true;
}

std::string DefaultStatePath() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state)
        return std::string(state) + "/quorvel/vkbd-state.json";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.local/state/quorvel/vkbd-state.json";
}

int SendCommand(const std::string& socketPath, const std::vector<std::string>& words) {
    int fd = ConnectSocket(socketPath);
    if (fd < 0) {
        std::fprintf(stderr, "quorvel-vkbd: no virtual keyboard serves %s\n", socketPath.c_str());
        return EXIT_FAILED;
    }
    std::vector<uint8_t> message = {MSG_COMMAND};
    for (size_t i = 0; i < words.size(); ++i) {
        if (i > 0) message.push_back('\n');
        message.insert(message.end(), words[i].begin(), words[i].end());
    }
    std::vector<uint8_t> answer;
    bool ok = SendMessage(fd, message) && ReceiveMessage(fd, answer) && answer.size() >= 2 &&
              answer[0] == MSG_RESULT;
    close(fd);
    if (!ok) {
        std::fprintf(stderr, "quorvel-vkbd: the daemon at %s did not answer\n", socketPath.c_str());
        return EXIT_FAILED;
    }
    std::string text(answer.begin() + 2, answer.end());
    if (answer[1] == 0) {
        std::fputs(text.c_str(), stdout);
    } else {
        std::fprintf(stderr, "quorvel-vkbd: %s\n", text.c_str());
    }
    return answer[1];
}

int Main(int argc, char** argv) {
    DaemonOptions options;
    options.socketPath = DefaultSocketPath();
    options.statePath = DefaultStatePath();
    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--strict") == 0) ApplyStrict(options);
    Strictness& strict = options.hardware.strict;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.rfind("--", 0) != 0) {
            words.push_back(arg);
            continue;
        }
        if (arg == "--help") {
            std::fputs(HELP, stdout);
            return 0;
        }
        bool* flag = arg == "--unplugged"          ? &options.startPlugged
                     : arg == "--daemon"           ? &options.detach
                     : arg == "--session-reads"    ? &strict.sessionReads
                     : arg == "--clean-frames"     ? &strict.cleanFrames
                     : arg == "--volatile-session" ? &strict.volatileSession
                     : arg == "--end-busy-refuse"  ? &options.endBusyRefuse
                     : arg == "--in-order-replies" ? &options.inOrderReplies
                                                   : nullptr;
        if (flag) {
            *flag = arg != "--unplugged";
            continue;
        }
        if (arg == "--strict") continue;
        if (i + 1 >= argc) return Usage(arg + " needs a value");
        std::string value = argv[++i];
        if (arg == "--socket") {
            options.socketPath = value;
        } else if (arg == "--state") {
            options.statePath = value;
        } else if (arg == "--trace") {
            options.tracePath = value;
        } else if (arg == "--capacity") {
            if (!ParseInt(value, 0, MAX_CAPACITY_UNITS, options.hardware.capacityUnits))
                return Usage("--capacity takes 0 to 255 units");
        } else if (arg == "--layout") {
            if (value != "default" && value != "shuffled")
                return Usage("--layout takes default or shuffled");
            options.hardware.shuffledLayout = value == "shuffled";
        } else if (arg == "--modes") {
            if (!ParseModes(value, options.hardware.modes))
                return Usage("--modes takes 1 to 32 comma-separated mode ids (1-255)");
        } else if (arg == "--settings-head") {
            std::array<uint8_t, SETTINGS_HEAD_SIZE> head{};
            if (!ParseSettingsHead(value, head))
                return Usage("--settings-head takes 20 hex digits (bytes 0-9)");
            strict.settingsHead = head;
        } else if (arg == "--end-busy-ms") {
            if (!ParseInt(value, 0, 10'000, options.endBusyMs))
                return Usage("--end-busy-ms takes milliseconds, 0 to 10000");
        } else if (arg == "--latency-us") {
            if (!ParseInt(value, 0, 10'000'000, options.latencyUs))
                return Usage("--latency-us takes microseconds, 0 to 10000000");
        } else {
            return Usage("unknown option " + arg);
        }
    }
    if (words.empty()) return Usage("missing command");
    if (options.socketPath.empty()) {
        std::string reason;
        DefaultSocketPath(&reason);
        std::fprintf(stderr, "quorvel-vkbd: %s\n", reason.c_str());
        return EXIT_FAILED;
    }
    if (words[0] == "serve") {
        if (words.size() != 1) return Usage("serve takes no arguments");
        return RunDaemon(options);
    }
    static const char* const COMMANDS[] = {"plug",    "unplug", "bank",   "lighting-key",
                                           "special", "fault",  "inject", "dump"};
    bool known = false;
    for (const char* command : COMMANDS) known = known || words[0] == command;
    if (!known) return Usage("unknown command " + words[0]);
    return SendCommand(options.socketPath, words);
}

}  // namespace
}  // namespace quorvel::vkbd

int main(int argc, char** argv) {
    return quorvel::vkbd::Main(argc, argv);
}
