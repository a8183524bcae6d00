#include "tests/support/quorvelctl_runner.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace quorvel::testing {

std::string ShellQuote(const std::string& word) {
    std::string quoted = "'";
    for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string QuorvelctlUserFolder(const VirtualKeyboard& keyboard) {
    return keyboard.Dir() + "/user-data/Quorvel";
}

CtlOutcome RunQuorvelctl(const VirtualKeyboard& keyboard, const std::string& programDir,
                         const std::string& dataDir, const std::vector<std::string>& args,
                         const std::vector<std::string>& options) {
    const std::string out = keyboard.Dir() + "/quorvelctl.out";
    const std::string err = keyboard.Dir() + "/quorvelctl.err";
    std::string command = "QUORVEL_VKBD_SOCKET=" + ShellQuote(keyboard.SocketPath()) +
                          " XDG_DATA_HOME=" + ShellQuote(keyboard.Dir() + "/user-data") + " " +
                          ShellQuote(programDir + "/quorvelctl") + " --virtual";
    for (const std::string& option : options) command += " " + ShellQuote(option);
    command += " --data-dir " + ShellQuote(dataDir);
    for (const std::string& arg : args) command += " " + ShellQuote(arg);
    command += " >" + ShellQuote(out) + " 2>" + ShellQuote(err) + " </dev/null";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadWhole(out), ReadWhole(err)};
}

}  // namespace quorvel::testing
