#include "base/atomic_write.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <vector>

#include "tests/base/temp_dir.h"

namespace quorvel {
namespace {

using testing::ReadWholeFile;
using testing::TempDir;
using testing::WriteWholeFile;

std::span<const uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

class AtomicWrite : public ::testing::Test {
protected:
    void TearDown() override { SetAtomicWriteFaultAfterBytes(-1); }
    TempDir dir;
};

TEST_F(AtomicWrite, ReplacesContentsAndLeavesNoTemporary) {
    const std::string path = dir.File("colours.userd");
    WriteWholeFile(path, "old contents that are longer than the new ones");
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path, Bytes("new"), &error)) << error;
    EXPECT_EQ(ReadWholeFile(path), "new");
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"colours.userd"});
}

TEST_F(AtomicWrite, InterruptedWriteKeepsOldFileWhole) {
    const std::string path = dir.File("profile.bin");
    const std::string oldText = "the old profile, every byte of it";
    const std::string newText(4096, 'N');
    for (long faultAt : {0L, 1L, 2047L, 4095L}) {
        SCOPED_TRACE(faultAt);
        WriteWholeFile(path, oldText);
        SetAtomicWriteFaultAfterBytes(faultAt);
        std::string error;
        EXPECT_FALSE(WriteFileAtomically(path, Bytes(newText), &error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(ReadWholeFile(path), oldText);
        EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"profile.bin"});
    }
}

TEST_F(AtomicWrite, InterruptedWriteOfNewFileLeavesNothing) {
    SetAtomicWriteFaultAfterBytes(10);
    EXPECT_FALSE(WriteFileAtomically(dir.File("new.ini"), Bytes(std::string(100, 'x'))));
    EXPECT_TRUE(FolderEntries(dir.Path()).empty());
}

TEST_F(AtomicWrite, FaultBeyondTheContentsDoesNotFire) {
    const std::string path = dir.File("short.ini");
    SetAtomicWriteFaultAfterBytes(5);
    EXPECT_TRUE(WriteFileAtomically(path, Bytes("12345")));
    EXPECT_EQ(ReadWholeFile(path), "12345");
}

TEST_F(AtomicWrite, KeepsPermissionsAndSymbolicLinks) {
    const std::string target = dir.File("target.ini");
    const std::string link = dir.File("link.ini");
    WriteWholeFile(target, "old");
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    std::filesystem::create_symlink(target, link);

    ASSERT_TRUE(WriteFileAtomically(link, Bytes("new")));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadWholeFile(target), "new");
    struct stat st {};
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(AtomicWrite, NewFileGetsTheAskedModeAndAReplacedOneKeepsItsOwn) {
    const std::string path = dir.File("state.json");
    ASSERT_TRUE(WriteFileAtomically(path, Bytes("first"), nullptr, 0600));
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);

    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(WriteFileAtomically(path, Bytes("second"), nullptr, 0600));
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(AtomicWrite, MissingFolderFailsWithMessage) {
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(dir.File("absent/file.ini"), Bytes("x"), &error));
    EXPECT_NE(error.find("absent"), std::string::npos) << error;
}

}  // namespace
}  // namespace quorvel
