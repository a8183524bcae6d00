#include "tests/wayland/test_user.h"

#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace quorvel::testing {
namespace {

constexpr const char* TEST_USER = "quorvel-wayland";

}  // namespace

std::string BecomeTestUserIfRoot(const std::string& keep) {
    if (geteuid() != 0) return {};
    if (getpwnam(TEST_USER) == nullptr &&
        std::system("useradd --system --user-group --no-create-home --home-dir /nonexistent "
                    "--shell /usr/sbin/nologin quorvel-wayland") != 0)
        return "useradd could not create the test user quorvel-wayland";
    const passwd* user = getpwnam(TEST_USER);
    if (user == nullptr) return "the test user quorvel-wayland is unknown after useradd";
    std::error_code ignored;
    std::filesystem::create_directories(keep, ignored);
    if (chown(keep.c_str(), user->pw_uid, user->pw_gid) != 0)
        return "cannot hand " + keep + " to the test user";
    if (setgroups(0, nullptr) != 0 || setgid(user->pw_gid) != 0 || setuid(user->pw_uid) != 0)
        return "cannot switch to the test user quorvel-wayland";
    return {};
}

}  // namespace quorvel::testing
