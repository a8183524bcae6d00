// Export and import of profile files against the virtual keyboard: what the keyboard holds after
// an import, round trips through files and the keyboard, rejected files, and an import cut short
// by the keyboard going away.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "device/device_snapshot.h"
#include "device/firmware_commands.h"
#include "device/macro_area.h"
#include "device/profile_transfer.h"
#include "linked_keyboard.h"
#include "model/key_table.h"
#include "model/profile_image.h"
#include "transfer_test_support.h"

namespace quorvel {
namespace {

using testing::DumpBytes;
using testing::FileBytes;
using testing::LinkedKeyboard;
using testing::Macro;
using testing::WriteBytes;

constexpr ScanCode KEY_A = 0x01E;
constexpr ScanCode KEY_B = 0x030;
constexpr ScanCode LEFT_SHIFT = 0x02A;
const KeyIndex A = KeyIndexOf(KEY_A);
const KeyIndex B = KeyIndexOf(KEY_B);

// Something of every kind the keyboard stores, and a program and a text it does not.
void FillWorkingSet(WorkingSetData& data) {
    data.macros.Replace({
        Macro(1, u"one", {MakeMacroAction(100, KEY_A, 0), MakeMacroAction(0, KEY_A, 1)}),
        Macro(2, u"two", {MakeMacroAction(30, LEFT_SHIFT, 0), MakeMacroAction(70, KEY_B, 0)}, 4),
    });
    data.keyAreas[0][A] = {ASSIGN_KEY, 0, KEY_B, 0, 0};
    data.keyAreas[1][B] = {ASSIGN_MACRO, 0, 2, 0, 0};
    data.keyAreas[1][A] = {ASSIGN_FUNCTION, 0, 3, 0, 0};
    data.keyAreas[2][A] = {ASSIGN_TEXT, 0, 0, 0, 0};
    data.texts.Set(WorkingSetEntryIndex(2, A), u"hello");
    data.keyAreas[2][B] = {ASSIGN_PROGRAM, 0, 0, 0, 0};
    data.texts.Set(WorkingSetEntryIndex(2, B), u"/usr/bin/true");
}

class ImportTest : public LinkedKeyboard {
protected:
    std::string Path(const std::string& name) const { return folder_.Dir() + "/" + name; }

    // An export of FillWorkingSet's data.
    std::string ExportSample() {
        ProfileWorkingSet source;
        FillWorkingSet(*source.Lock());
        const std::string path = Path("sample.fwc");
        EXPECT_TRUE(ExportProfile(source, path));
        return path;
    }

    std::vector<std::string> Events() { return shell_.Events(); }

    testing::ScopedDataFolder folder_;
    ProfileWorkingSet workingSet_;
    DeviceSnapshot snapshot_;
};

TEST_F(ImportTest, WritesEveryProfileAndReadsBackTheSame) {
    ASSERT_EQ(LoadActiveProfileFromKeyboard(*link_, workingSet_), ProfileSource::KEYBOARD);
    const std::string profileFile = ProfileFilePath(GetActiveProfile(*link_));
    const std::string sample = ExportSample();
    shell_.Clear();

    size_t mark = keyboard_->TraceMark();
    std::pair<int, int> progress;
    ASSERT_EQ(ImportProfile(*link_, shell_, workingSet_, snapshot_, sample,
                            [&](int done, int total) {
                                progress = {done, total};
                            }),
              ImportResult::IMPORTED);
    EXPECT_TRUE(Events().empty());
    const size_t frames = keyboard_->FramesSentSince(mark).size();
    EXPECT_EQ(progress, std::make_pair(static_cast<int>(frames), static_cast<int>(frames)));

    // The keyboard holds all three tables and the macro area with names.
    WorkingSetData imported = *workingSet_.Lock();
    const DefaultLayout layout = CurrentDefaultLayout();
    std::vector<uint8_t> expectedBlocks(3 * KEY_TABLE_BLOCK_SIZE);
    for (int p = 0; p < 3; ++p)
        WriteKeyTableBlock(&expectedBlocks[p * KEY_TABLE_BLOCK_SIZE],
                           EncodeKeyTable(imported.keyAreas[p], layout, [&](int32_t id) {
                               return imported.macros.IndexOfId(id);
                           }));
    EXPECT_EQ(DumpBytes(*keyboard_, "keyBlocks"), expectedBlocks);
    const std::vector<uint8_t> area = EncodeMacroArea(imported.macros.Records(), true);
    const std::vector<uint8_t> macroArea = DumpBytes(*keyboard_, "macroArea");
    EXPECT_EQ(std::vector<uint8_t>(macroArea.begin(), macroArea.begin() + area.size()), area);

    // Export, import, export: the same file; the profile file was saved as well.
    ASSERT_TRUE(ExportProfile(workingSet_, Path("again.fwc")));
    EXPECT_EQ(FileBytes(Path("again.fwc")), FileBytes(sample));
    EXPECT_EQ(FileBytes(profileFile), FileBytes(sample));

    // Read back from the keyboard: the same, except what the keyboard cannot keep.
    ProfileWorkingSet readBack;
    ASSERT_EQ(LoadActiveProfileFromKeyboard(*link_, readBack), ProfileSource::KEYBOARD);
    ASSERT_TRUE(ExportProfile(readBack, Path("back.fwc")));
    std::optional<WorkingSetData> back = DecodeProfileImage(FileBytes(Path("back.fwc")));
    ASSERT_TRUE(back);
    WorkingSetData expected;
    for (int p = 0; p < 3; ++p) expected.keyAreas[p] = FreshKeyArea();  // G keys carry their codes
    FillWorkingSet(expected);
    expected.keyAreas[2][A] = {ASSIGN_DISABLED, 0, 0, 0, 0};  // a text turns the key off
    expected.keyAreas[2][B] = {};                             // a program keeps its default
    expected.texts.Clear();
    EXPECT_TRUE(back->keyAreas == expected.keyAreas);
    EXPECT_EQ(back->macros, expected.macros);
    EXPECT_EQ(back->texts, expected.texts);
}

TEST_F(ImportTest, RejectedFilesChangeNothing) {
    ASSERT_EQ(LoadActiveProfileFromKeyboard(*link_, workingSet_), ProfileSource::KEYBOARD);
    const std::string profileFile = ProfileFilePath(GetActiveProfile(*link_));
    const std::vector<uint8_t> profileBefore = FileBytes(profileFile);
    const WorkingSetData dataBefore = *workingSet_.Lock();
    const std::vector<uint8_t> blocksBefore = DumpBytes(*keyboard_, "keyBlocks");
    const std::vector<uint8_t> good = FileBytes(ExportSample());

    struct Case {
        std::string what;
        std::vector<uint8_t> bytes;
        bool headerMessage;
    };
    std::vector<Case> cases;
    std::vector<uint8_t> tooMany = good;
    BuildImageHeader(tooMany.data(), 101, ReadImageHeader(good.data()).textBytes, 0);
    cases.push_back({"101 macros", tooMany, true});
    cases.push_back(
        {"32,831 bytes", std::vector<uint8_t>(good.begin(), good.begin() + 32831), false});
    for (size_t byte = 0; byte < PROFILE_HEADER_SIZE; ++byte) {
        std::vector<uint8_t> changed = good;
        changed[byte] ^= 0x01;
        cases.push_back({"header byte " + std::to_string(byte), changed, true});
    }
    cases.push_back({"missing file", {}, false});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = Path("bad.fwc");
        std::filesystem::remove(path);
        if (!c.bytes.empty()) WriteBytes(path, c.bytes);
        shell_.Clear();
        size_t mark = keyboard_->TraceMark();
        EXPECT_EQ(ImportProfile(*link_, shell_, workingSet_, snapshot_, path),
                  ImportResult::REJECTED);
        EXPECT_TRUE(keyboard_->FramesSentSince(mark).empty());
        EXPECT_EQ(FileBytes(profileFile), profileBefore);
        EXPECT_TRUE(*workingSet_.Lock() == dataBefore);
        std::vector<std::string> expected;
        if (c.headerMessage) expected.push_back("message PROFILE_FORMAT_ERROR");
        expected.push_back("message MAIN_PROMPT_INPORT");
        EXPECT_EQ(Events(), expected);
        if (c.headerMessage) {
            // The format error names the file the user picked.
            EXPECT_NE(shell_.MessageTexts().front().find(path), std::string::npos);
        }
    }
    EXPECT_EQ(DumpBytes(*keyboard_, "keyBlocks"), blocksBefore);
}

TEST_F(ImportTest, AcceptsFlagOne) {
    std::vector<uint8_t> bytes = FileBytes(ExportSample());
    const ImageHeader header = ReadImageHeader(bytes.data());
    BuildImageHeader(bytes.data(), header.macroCount, header.textBytes, 1);
    WriteBytes(Path("flag.fwc"), bytes);
    EXPECT_EQ(ImportProfile(*link_, shell_, workingSet_, snapshot_, Path("flag.fwc")),
              ImportResult::IMPORTED);
    EXPECT_EQ(workingSet_.Lock()->macros.Count(), 2);
}

TEST_F(ImportTest, RefusedMacroAreaIsNotWrittenAndNoKeyBlockFollows) {
    const std::string sample = ExportSample();
    const std::vector<uint8_t> blocksBefore = DumpBytes(*keyboard_, "keyBlocks");
    EXPECT_EQ(ImportProfile(*link_, shell_, workingSet_, snapshot_, sample,
                            [&](int done, int) {
                                if (done == 1) keyboard_->Run({"fault", "status", "fe", "3"});
                            }),
              ImportResult::NOT_WRITTEN);
    EXPECT_EQ(DumpBytes(*keyboard_, "keyBlocks"), blocksBefore);
}

TEST_F(ImportTest, UnplugDuringTheWriteLeavesWholeFilesAndReportsFailure) {
    std::vector<std::vector<uint8_t>> before;
    for (int p = 0; p < 3; ++p) {
        ASSERT_TRUE(ReadProfileFromKeyboard(*link_, ProfileFilePath(p)));
        before.push_back(FileBytes(ProfileFilePath(p)));
    }
    const int active = GetActiveProfile(*link_);
    ASSERT_GE(active, 0);
    const std::string sample = ExportSample();
    const std::vector<uint8_t> incoming = FileBytes(sample);

    keyboard_->Run({"fault", "unplug-after", "6"});
    EXPECT_EQ(ImportProfile(*link_, shell_, workingSet_, snapshot_, sample),
              ImportResult::NOT_WRITTEN);
    for (int p = 0; p < 3; ++p) {
        SCOPED_TRACE(p);
        const std::vector<uint8_t> now = FileBytes(ProfileFilePath(p));
        EXPECT_TRUE(now == before[p] || now == incoming);
    }
    // The profile file is saved before the keyboard is written.
    EXPECT_EQ(FileBytes(ProfileFilePath(active)), incoming);
}

}  // namespace
}  // namespace quorvel
