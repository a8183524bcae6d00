#include "tests/wayland/test_user.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace quorvel::testing {
namespace {

constexpr const char* TEST_USER = "quorvel-wayland";

// The test user runs the programs of the build folder, so every folder above it must let
// others pass. A checkout under root's home does not; such a folder gets search permission
// for others (not reading), and says so.
std::string LetOthersReach(const std::filesystem::path& folder) {
    for (std::filesystem::path dir = folder; !dir.empty(); dir = dir.parent_path()) {
        struct stat info {};
        if (stat(dir.c_str(), &info) != 0) return "cannot look at " + dir.string();
        if ((info.st_mode & S_IXOTH) == 0) {
            if (chmod(dir.c_str(), (info.st_mode & 07777) | S_IXOTH) != 0)
                return "cannot let the test user pass through " + dir.string();
            std::fprintf(stderr, "wayland tests: %s may now be passed through by others\n",
                         dir.c_str());
        }
        if (dir == dir.root_path()) break;
    }
    return {};
}

}  // namespace

std::string BecomeTestUserIfRoot(const std::string& keep) {
    if (geteuid() != 0) return {};
    // Tests running side by side may add the user at the same moment: the one that loses finds
    // it there, or /etc/passwd locked, and looks again.
    for (int attempt = 0; attempt < 20 && getpwnam(TEST_USER) == nullptr; ++attempt) {
        if (std::system("useradd --system --user-group --no-create-home --home-dir /nonexistent "
                        "--shell /usr/sbin/nologin quorvel-wayland 2>/dev/null") != 0)
            usleep(100000);
    }
    const passwd* user = getpwnam(TEST_USER);
    if (user == nullptr) return "useradd could not create the test user quorvel-wayland";
    if (const char* bin = std::getenv("QUORVEL_BIN_DIR"); bin != nullptr && *bin != '\0') {
        std::error_code error;
        const std::filesystem::path real = std::filesystem::canonical(bin, error);
        if (std::string refused = LetOthersReach(error ? std::filesystem::absolute(bin) : real);
            !refused.empty())
            return refused;
    }
    std::error_code ignored;
    std::filesystem::create_directories(keep, ignored);
    if (chown(keep.c_str(), user->pw_uid, user->pw_gid) != 0)
        return "cannot hand " + keep + " to the test user";
    if (setgroups(0, nullptr) != 0 || setgid(user->pw_gid) != 0 || setuid(user->pw_uid) != 0)
        return "cannot switch to the test user quorvel-wayland";
    return {};
}

}  // namespace quorvel::testing
