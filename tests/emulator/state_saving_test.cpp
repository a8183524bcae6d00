// The flash file is replaced through a temporary file of each save's own: a fixed "state.tmp"
// let two daemons on one file write into each other's temporary, and followed whatever link
// another program had put at that name.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "emulator/state_file.h"
#include "tests/base/temp_dir.h"

namespace quorvel::vkbd {
namespace {

using testing::ReadWholeFile;
using testing::TempDir;
using testing::WriteWholeFile;

TEST(StateSaving, NeverWritesThroughAFixedTemporaryName) {
    TempDir dir;
    const std::string path = dir.File("state.json");
    WriteWholeFile(dir.File("victim"), "untouched");
    ASSERT_EQ(symlink(dir.File("victim").c_str(), (path + ".tmp").c_str()), 0);
    SavedState state;
    state.bankB = true;
    std::string error;
    ASSERT_TRUE(SaveState(path, state, error)) << error;
    EXPECT_TRUE(ReadWholeFile(dir.File("victim")) == "untouched") << "written through the link";
    SavedState loaded;
    ASSERT_EQ(LoadState(path, loaded), LoadResult::LOADED);
    EXPECT_TRUE(loaded.bankB);
    // Macros in the flash can hold typed text: the file is its user's alone.
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 077, 0u);
}

TEST(StateSaving, TwoWritersLeaveOneWholeState) {
    TempDir dir;
    const std::string path = dir.File("state.json");
    std::atomic<int> failures{0};
    auto writer = [&](uint8_t fill) {
        SavedState state;
        state.flash.settings.fill(fill);
        std::string error;
        for (int i = 0; i < 100; ++i) failures += !SaveState(path, state, error);
    };
    std::thread first(writer, 0x11);
    std::thread second(writer, 0x22);
    first.join();
    second.join();
    EXPECT_EQ(failures, 0);
    SavedState loaded;
    ASSERT_EQ(LoadState(path, loaded), LoadResult::LOADED);
    const uint8_t fill = loaded.flash.settings[0];
    EXPECT_TRUE(fill == 0x11 || fill == 0x22);
    for (uint8_t byte : loaded.flash.settings) EXPECT_EQ(byte, fill);
}

}  // namespace
}  // namespace quorvel::vkbd
