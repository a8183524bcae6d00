#include "tests/support/quorvelctl_runner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace quorvel::testing {

namespace {

// The test's environment with the given variables set to their values, replaced where set.
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& settings) {
    std::vector<std::string> env = settings;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const char* equals = std::strchr(*entry, '=');
        const std::string name(*entry, equals ? static_cast<size_t>(equals - *entry) : 0);
        bool replaced = false;
        for (const std::string& setting : settings)
            replaced = replaced || setting.compare(0, name.size() + 1, name + "=") == 0;
        if (!replaced) env.emplace_back(*entry);
    }
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& words) {
    std::vector<char*> pointers;
    for (std::string& word : words) pointers.push_back(word.data());
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

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
    std::vector<std::string> argv = {programDir + "/quorvelctl", "--virtual"};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.insert(argv.end(), {"--data-dir", dataDir});
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> env =
        EnvironmentWith({"QUORVEL_VKBD_SOCKET=" + keyboard.SocketPath(),
                         "XDG_DATA_HOME=" + keyboard.Dir() + "/user-data"});

    // Started directly, not through a shell, so that timing it times quorvelctl alone.
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    const int started = posix_spawn(&pid, argv[0].c_str(), &files, nullptr, Pointers(argv).data(),
                                    Pointers(env).data());
    posix_spawn_file_actions_destroy(&files);
    if (started != 0) throw std::runtime_error("cannot start " + argv[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadWhole(out), ReadWhole(err)};
}

}  // namespace quorvel::testing
