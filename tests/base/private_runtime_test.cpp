#include "base/private_runtime.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "tests/base/scoped_environment.h"
#include "tests/base/temp_dir.h"

namespace quorvel {
namespace {

using testing::ReadWholeFile;
using testing::ScopedEnvironment;
using testing::TempDir;
using testing::WriteWholeFile;

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 ? info.st_mode : 0;
}

TEST(PrivateRuntimeFolder, IsTheRuntimeFolderOnlyWhenNobodyElseCanEnterIt) {
    TempDir home;
    ScopedEnvironment environment;
    environment.Set("XDG_CACHE_HOME", home.File("cache"));
    environment.Set("XDG_RUNTIME_DIR", home.Path());
    chmod(home.Path().c_str(), 0700);
    EXPECT_EQ(PrivateRuntimeFolder(), home.Path());

    char host[256] = {};
    gethostname(host, sizeof host - 1);
    const std::string own = home.File("cache") + "/quorvel/run-" + host;
    chmod(home.Path().c_str(), 0755);
    EXPECT_EQ(PrivateRuntimeFolder(), own);
    chmod(home.Path().c_str(), 0700);
    environment.Set("XDG_RUNTIME_DIR", std::nullopt);
    ASSERT_EQ(PrivateRuntimeFolder(), own);
    EXPECT_EQ(ModeOf(own) & 0777, 0700u);

    // A folder of the same name that others can enter, or a link to one, is not used.
    chmod(own.c_str(), 0755);
    std::string error;
    EXPECT_EQ(PrivateRuntimeFolder(&error), "");
    EXPECT_NE(error.find(own), std::string::npos) << error;
    rmdir(own.c_str());
    ASSERT_EQ(symlink(home.Path().c_str(), own.c_str()), 0);
    EXPECT_EQ(PrivateRuntimeFolder(), "");
}

TEST(LockFile, OneHolderAtATimeAndNeverThroughALink) {
    TempDir dir;
    const std::string path = dir.File("channel.lock");
    const int first = TakeLockFile(path, false);
    ASSERT_GE(first, 0);
    EXPECT_EQ(ModeOf(path) & 0777, 0600u);
    EXPECT_EQ(TakeLockFile(path, false), -1);
    close(first);  // as when the holder dies
    const int second = TakeLockFile(path, false);
    EXPECT_GE(second, 0);
    close(second);

    WriteWholeFile(dir.File("target"), "keep");
    ASSERT_EQ(symlink(dir.File("target").c_str(), dir.File("link.lock").c_str()), 0);
    EXPECT_EQ(TakeLockFile(dir.File("link.lock"), false), -1);
    EXPECT_EQ(ReadWholeFile(dir.File("target")), "keep");
}

TEST(StaleSocket, OnlyASocketIsRemoved) {
    TempDir dir;
    std::string error;
    EXPECT_TRUE(RemoveStaleSocket(dir.File("none"), &error)) << error;

    const std::string file = dir.File("file");
    WriteWholeFile(file, "data");
    EXPECT_FALSE(RemoveStaleSocket(file, &error));
    EXPECT_NE(error.find("not a socket"), std::string::npos);
    EXPECT_EQ(ReadWholeFile(file), "data");

    const std::string socketPath = dir.File("socket");
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, socketPath.c_str());
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    close(fd);
    EXPECT_TRUE(RemoveStaleSocket(socketPath, &error)) << error;
    EXPECT_EQ(ModeOf(socketPath), 0u);
}

}  // namespace
}  // namespace quorvel
