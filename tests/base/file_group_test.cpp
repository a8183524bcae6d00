// Files replaced together or not at all.
#include "base/file_group.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "temp_dir.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using testing::ReadWholeFile;
using testing::WriteWholeFile;

TEST(FileGroup, ReplacesEveryFileOrNoneAndLeavesNothingBehind) {
    testing::TempDir temp;
    const std::string a = temp.File("a"), b = temp.File("b"), c = temp.File("c");
    WriteWholeFile(a, "old a");
    {
        FileGroup group;
        WriteWholeFile(group.Stage(a), "new a");
        WriteWholeFile(group.Stage(b), "new b");
        ASSERT_TRUE(group.Commit());
    }
    EXPECT_EQ(ReadWholeFile(a), "new a");
    EXPECT_EQ(ReadWholeFile(b), "new b");

    // c is in the way of a file: nothing is replaced.
    fs::create_directories(c + "/in-the-way");
    {
        FileGroup group;
        WriteWholeFile(group.Stage(a), "newer a");
        WriteWholeFile(group.Stage(c), "new c");
        std::string error;
        EXPECT_FALSE(group.Commit(&error));
        EXPECT_EQ(error, c + ": cannot replace the file");
    }
    EXPECT_EQ(ReadWholeFile(a), "new a");
    // A group given up before Commit leaves no staged file.
    {
        FileGroup group;
        WriteWholeFile(group.Stage(b), "abandoned");
    }
    EXPECT_EQ(ReadWholeFile(b), "new b");
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(temp.Path())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 3u) << "a, b and the folder c";
}

}  // namespace
}  // namespace quorvel
