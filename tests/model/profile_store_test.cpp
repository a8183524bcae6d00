#include "model/profile_store.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "base/atomic_write.h"
#include "model/profile_image.h"
#include "tests/base/temp_dir.h"

namespace quorvel {
namespace {

using testing::ReadWholeFile;
using testing::TempDir;
using testing::WriteWholeFile;

class ProfileStore : public ::testing::Test {
protected:
    void SetUp() override { SetDataFolderOverride(temp_.File("data")); }
    void TearDown() override {
        SetAtomicWriteFaultAfterBytes(-1);
        SetDataFolderOverride({});
        SetDocumentsFolder({});
    }

    static WorkingSetData SampleData() {
        WorkingSetData data = FreshWorkingSetData();
        MacroRecord record;
        record.id = 1;
        record.SetName(u"宏一");
        record.actions = {{10, 0x1E, MACRO_STATE_PRESS}, {0, 0x1E, MACRO_STATE_RELEASE}};
        EXPECT_TRUE(data.macros.Replace({record}));
        data.keyAreas[1][5] = {ASSIGN_PROGRAM, 0, 0, 0, 0};
        data.texts.Set(WorkingSetEntryIndex(1, 5), u"/usr/bin/计算器");
        data.keyAreas[0][9] = {ASSIGN_MACRO, 1, 1, 0, 0};
        return data;
    }

    TempDir temp_;
};

TEST_F(ProfileStore, FolderAndFileNames) {
    SetDataFolderOverride({});
    SetDocumentsFolder(temp_.File("docs"));
    EXPECT_EQ(ProfileFilePath(2), temp_.File("docs") + "/Quorvel_09A/$Profile2");
    EXPECT_TRUE(std::filesystem::is_directory(temp_.File("docs/Quorvel_09A")));
    EXPECT_EQ(SettingsFilePath(), temp_.File("docs") + "/Quorvel_09A/plkb.ini");

    SetDocumentsFolder({});
    const char* saved = getenv("XDG_DOCUMENTS_DIR");
    const std::optional<std::string> previous =
        saved ? std::optional<std::string>(saved) : std::nullopt;
    setenv("XDG_DOCUMENTS_DIR", temp_.File("xdg").c_str(), 1);
    EXPECT_EQ(DataFolder(), temp_.File("xdg") + "/Quorvel_09A");
    unsetenv("XDG_DOCUMENTS_DIR");
    if (const char* home = getenv("HOME")) {
        EXPECT_EQ(DefaultDocumentsFolder(), std::string(home) + "/Documents");
    }
    if (previous) setenv("XDG_DOCUMENTS_DIR", previous->c_str(), 1);

    SetDataFolderOverride(temp_.File("data"));
    EXPECT_EQ(ProfileFilePath(0), temp_.File("data") + "/$Profile0");
}

TEST_F(ProfileStore, LightingPanelFlag) {
    EXPECT_FALSE(ReadDengCheck());
    ASSERT_TRUE(WriteDengCheck(true));
    EXPECT_TRUE(ReadDengCheck());
    EXPECT_EQ(ReadWholeFile(SettingsFilePath()), "[KEYCOLOR]\nDengCheck=1\n");
    ASSERT_TRUE(WriteDengCheck(false));
    EXPECT_FALSE(ReadDengCheck());
}

TEST_F(ProfileStore, SaveAndLoadRoundTrip) {
    WorkingSetData data = SampleData();
    const std::string path = ProfileFilePath(1);
    ASSERT_TRUE(WriteProfileImage(path, data));

    WorkingSetData loaded;
    ASSERT_TRUE(LoadProfileFile(path, loaded));
    EXPECT_EQ(loaded, data);
}

TEST_F(ProfileStore, WriteTakesTheWorkingSetLock) {
    ProfileWorkingSet workingSet;
    *workingSet.Lock() = SampleData();
    ASSERT_TRUE(WriteProfileImage(temp_.File("export.fwc"), workingSet));
    WorkingSetData loaded;
    ASSERT_TRUE(LoadProfileFile(temp_.File("export.fwc"), loaded));
    EXPECT_EQ(loaded, *workingSet.Lock());
}

TEST_F(ProfileStore, FailedLoadLeavesTheWorkingSetAsItWas) {
    WorkingSetData before = SampleData();
    std::vector<uint8_t> tooManyMacros(PROFILE_IMAGE_BASE_SIZE, 0);
    BuildImageHeader(tooManyMacros.data(), 101, 0, 0);
    WriteWholeFile(temp_.File("many"), std::string(tooManyMacros.begin(), tooManyMacros.end()));
    WriteWholeFile(temp_.File("short"), std::string(PROFILE_IMAGE_BASE_SIZE - 1, '\0'));
    std::filesystem::create_directory(temp_.File("folder"));

    for (const char* name : {"missing", "many", "short", "folder"}) {
        WorkingSetData data = before;
        EXPECT_FALSE(LoadProfileFile(temp_.File(name), data)) << name;
        EXPECT_EQ(data, before) << name;
    }
}

TEST_F(ProfileStore, LoadsTruncatedFile) {
    WorkingSetData data = SampleData();
    std::vector<uint8_t> image = EncodeProfileImage(data);
    image.resize(image.size() - 2);  // cuts the text's terminator
    WriteWholeFile(temp_.File("cut"), std::string(image.begin(), image.end()));

    WorkingSetData loaded;
    ASSERT_TRUE(LoadProfileFile(temp_.File("cut"), loaded));
    EXPECT_EQ(loaded.macros, data.macros);
    EXPECT_EQ(loaded.keyAreas, data.keyAreas);
    EXPECT_EQ(*loaded.texts.At(WorkingSetEntryIndex(1, 5)), u"");
}

TEST_F(ProfileStore, FailedWriteKeepsTheOldFileWhole) {
    WorkingSetData old = FreshWorkingSetData();
    const std::string path = ProfileFilePath(0);
    ASSERT_TRUE(WriteProfileImage(path, old));
    const std::string oldBytes = ReadWholeFile(path);

    WorkingSetData data = SampleData();
    for (long after : {0L, 1L, 31L, 32L, 32832L, 40000L, 32832L + 16512L}) {
        SetAtomicWriteFaultAfterBytes(after);
        EXPECT_FALSE(WriteProfileImage(path, data)) << after;
        EXPECT_EQ(ReadWholeFile(path), oldBytes) << after;
    }
    SetAtomicWriteFaultAfterBytes(-1);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(DataFolder()), {}), 1);
}

TEST_F(ProfileStore, SaveOnlyRewritesAnExistingProfileFile) {
    WorkingSetData data = SampleData();
    EXPECT_FALSE(SaveWorkingSet(2, data));
    EXPECT_FALSE(std::filesystem::exists(ProfileFilePath(2)));
    EXPECT_FALSE(SaveWorkingSet(-1, data));

    WriteWholeFile(ProfileFilePath(2), "old");
    ProfileWorkingSet workingSet;
    *workingSet.Lock() = data;
    ASSERT_TRUE(SaveWorkingSet(2, workingSet));
    WorkingSetData loaded;
    ASSERT_TRUE(LoadProfileFile(ProfileFilePath(2), loaded));
    EXPECT_EQ(loaded, data);
}

}  // namespace
}  // namespace quorvel
