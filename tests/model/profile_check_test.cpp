#include "model/profile_check.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/byte_order.h"
#include "base/texts.h"
#include "model/profile_image.h"
#include "tests/base/temp_dir.h"

namespace quorvel {
namespace {

using testing::TempDir;
using testing::WriteWholeFile;

class ProfileCheck : public ::testing::Test {
protected:
    void SetUp() override { ResetTextsToBuiltIn(); }

    // The image of a working set with one macro and one text, as the program writes it.
    static std::vector<uint8_t> ValidImage() {
        WorkingSetData data = FreshWorkingSetData();
        MacroRecord record;
        record.id = 1;
        EXPECT_TRUE(data.macros.Replace({record}));
        data.keyAreas[0][4].type = ASSIGN_TEXT;
        data.texts.Set(4, u"hello");
        return EncodeProfileImage(data);
    }

    std::string Write(const std::vector<uint8_t>& bytes, const std::string& name = "p.fwc") {
        const std::string path = temp_.File(name);
        WriteWholeFile(path, std::string(bytes.begin(), bytes.end()));
        return path;
    }

    int Validate(const std::string& path) {
        return ValidateProfileImage(path, [this](std::string_view key, std::string text) {
            messages_.push_back(std::string(key) + "|" + text);
        });
    }

    TempDir temp_;
    std::vector<std::string> messages_;
};

TEST_F(ProfileCheck, AcceptsWrittenImagesWhateverTheirLength) {
    std::vector<uint8_t> image = ValidImage();
    EXPECT_EQ(Validate(Write(image)), PROFILE_CHECK_VALID);

    image.push_back(0xEE);  // longer than the header says
    EXPECT_EQ(Validate(Write(image)), PROFILE_CHECK_VALID);

    image.resize(PROFILE_IMAGE_BASE_SIZE);  // shorter, but holds the key areas
    EXPECT_EQ(Validate(Write(image)), PROFILE_CHECK_VALID);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(ProfileCheck, FlagOneIsAccepted) {
    std::vector<uint8_t> image = ValidImage();
    const ImageHeader h = ReadImageHeader(image.data());
    BuildImageHeader(image.data(), h.macroCount, h.textBytes, 1);
    EXPECT_EQ(Validate(Write(image)), PROFILE_CHECK_VALID);
}

TEST_F(ProfileCheck, MissingShortOrUnreadableFilesFailSilently) {
    EXPECT_EQ(Validate(temp_.File("missing.fwc")), PROFILE_CHECK_REJECTED);
    EXPECT_EQ(Validate(Write(std::vector<uint8_t>(32831, 0))), PROFILE_CHECK_REJECTED);
    std::vector<uint8_t> shortImage = ValidImage();
    shortImage.resize(32831);
    EXPECT_EQ(Validate(Write(shortImage)), PROFILE_CHECK_REJECTED);
    std::filesystem::create_directory(temp_.File("folder.fwc"));
    EXPECT_EQ(Validate(temp_.File("folder.fwc")), PROFILE_CHECK_UNREADABLE);
    EXPECT_TRUE(messages_.empty());
}

// Refused by its size, never read into memory whole, and said so: the import message alone
// would blame the format.
TEST_F(ProfileCheck, AFileLargerThanAnyImageIsRefusedWithItsOwnMessage) {
    std::vector<uint8_t> image = ValidImage();
    image.resize(PROFILE_IMAGE_MAX_FILE, 0);
    EXPECT_NE(Validate(Write(image)), PROFILE_CHECK_TOO_LARGE);
    image.push_back(0);
    const std::string path = Write(image);
    EXPECT_EQ(Validate(path), PROFILE_CHECK_TOO_LARGE);
    EXPECT_EQ(messages_, std::vector<std::string>{"EXTRA_PROFILE_TOO_LARGE|The file is larger than "
                                                  "16 MiB, more than any profile file holds: " +
                                                  path});
}

TEST_F(ProfileCheck, HeaderFailureShowsTheFormatErrorWithThePath) {
    std::vector<uint8_t> image(PROFILE_IMAGE_BASE_SIZE, 0);
    BuildImageHeader(image.data(), 101, 0, 0);
    const std::string path = Write(image, "many macros.fwc");
    EXPECT_EQ(Validate(path), PROFILE_CHECK_REJECTED);
    EXPECT_EQ(messages_, std::vector<std::string>{"PROFILE_FORMAT_ERROR|wrong file format, revert "
                                                  "to the default values: \n  " +
                                                  path});
}

// Fields broken one at a time with the checksum made to match.
TEST_F(ProfileCheck, EachHeaderFieldIsChecked) {
    const struct {
        const char* what;
        size_t offset;
        int width;
        uint32_t value;
    } cases[] = {
        {"magic", PROFILE_OFFSET_MAGIC, 2, 0x4447},
        {"header size", PROFILE_OFFSET_HEADER_SIZE, 2, 33},
        {"version", PROFILE_OFFSET_VERSION, 2, 2},
        {"word 6", PROFILE_OFFSET_WORD6, 2, 0},
        {"total size", PROFILE_OFFSET_TOTAL_SIZE, 4, 32832 + 16512 + 11},
        {"total size below base", PROFILE_OFFSET_TOTAL_SIZE, 4, 32831},
        {"entry count", PROFILE_OFFSET_ENTRY_COUNT, 2, 2047},
        {"macro count", PROFILE_OFFSET_MACRO_COUNT, 2, 2},
        {"text bytes", PROFILE_OFFSET_TEXT_BYTES, 4, 14},
        {"flag", PROFILE_OFFSET_FLAG, 1, 2},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> image = ValidImage();
        if (c.width == 1) image[c.offset] = static_cast<uint8_t>(c.value);
        if (c.width == 2) WriteLe16(image.data() + c.offset, static_cast<uint16_t>(c.value));
        if (c.width == 4) WriteLe32(image.data() + c.offset, c.value);
        image[PROFILE_OFFSET_CHECKSUM] = ImageChecksum(image.data());
        EXPECT_EQ(Validate(Write(image)), PROFILE_CHECK_REJECTED) << c.what;
    }
    EXPECT_EQ(messages_.size(), std::size(cases));
}

TEST_F(ProfileCheck, EveryHeaderByteIsCoveredByTheChecksum) {
    const std::vector<uint8_t> valid = ValidImage();
    for (size_t at = 0; at < PROFILE_HEADER_SIZE; ++at) {
        for (uint8_t delta : {1, 0x80}) {
            std::vector<uint8_t> image = valid;
            image[at] = static_cast<uint8_t>(image[at] + delta);
            EXPECT_EQ(Validate(Write(image)), PROFILE_CHECK_REJECTED) << at << " +" << int(delta);
        }
    }
}

}  // namespace
}  // namespace quorvel
