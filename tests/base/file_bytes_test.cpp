#include "base/file_bytes.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "tests/base/temp_dir.h"

namespace quorvel {
namespace {

using testing::TempDir;
using testing::WriteWholeFile;

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

TEST(FileBytes, ReadsWholeFilesOfEverySizeAndNothingElse) {
    TempDir dir;
    // Sizes around the piece the comparison reads in, and a file far larger.
    for (const size_t size : {size_t{0}, size_t{1}, size_t{8191}, size_t{8192}, size_t{70001}}) {
        std::string text(size, '\0');
        for (size_t i = 0; i < size; ++i) text[i] = static_cast<char>(i * 7 + size);
        WriteWholeFile(dir.File("f"), text);
        EXPECT_EQ(ReadFileBytes(dir.File("f")), Bytes(text)) << size;
    }
    EXPECT_EQ(ReadFileBytes(dir.File("missing")), std::nullopt);
    EXPECT_EQ(ReadFileBytes(dir.Path()), std::nullopt);
    ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
    EXPECT_EQ(ReadFileBytes(dir.File("fifo")), std::nullopt) << "a pipe would block the read";
}

TEST(FileBytes, HoldsOnlyTheExactBytes) {
    TempDir dir;
    std::string text(20000, 'x');
    text[19999] = 'y';
    WriteWholeFile(dir.File("f"), text);
    EXPECT_TRUE(FileHoldsBytes(dir.File("f"), Bytes(text)));

    std::string lastDiffers = text;
    lastDiffers[19999] = 'z';
    EXPECT_FALSE(FileHoldsBytes(dir.File("f"), Bytes(lastDiffers)));
    EXPECT_FALSE(FileHoldsBytes(dir.File("f"), Bytes(text.substr(0, 19999))));
    EXPECT_FALSE(FileHoldsBytes(dir.File("f"), Bytes(text + "x")));
    EXPECT_FALSE(FileHoldsBytes(dir.File("missing"), {}));
    EXPECT_FALSE(FileHoldsBytes(dir.Path(), {}));

    WriteWholeFile(dir.File("empty"), "");
    EXPECT_TRUE(FileHoldsBytes(dir.File("empty"), {}));
}

}  // namespace
}  // namespace quorvel
