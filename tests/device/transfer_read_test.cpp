// Reading profiles from the keyboard into profile files and the working set.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <optional>
#include <vector>

#include "base/byte_order.h"
#include "device/device_snapshot.h"
#include "device/firmware_commands.h"
#include "device/macro_area.h"
#include "device/profile_transfer.h"
#include "device/result_codes.h"
#include "linked_keyboard.h"
#include "model/key_table.h"
#include "model/profile_check.h"
#include "model/profile_image.h"
#include "transfer_test_support.h"

namespace quorvel {
namespace {

using testing::DumpBytes;
using testing::FileBytes;
using testing::LinkedKeyboard;

constexpr ScanCode KEY_A = 0x01E;
constexpr ScanCode KEY_B = 0x030;

class ReadTest : public LinkedKeyboard {
protected:
    void WriteRawMacroArea(const std::vector<uint8_t>& area) {
        ASSERT_EQ(BeginSession(*link_), CMD_OK);
        ASSERT_EQ(WriteMacroArea(*link_, area), CMD_OK);
        ASSERT_EQ(EndSession(*link_), CMD_OK);
    }

    // The file at path holding the same bytes with its last one flipped; returns those bytes.
    static std::vector<uint8_t> FlipLastByte(const std::string& path) {
        std::vector<uint8_t> changed = FileBytes(path);
        changed.back() ^= 1;
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(changed.data()),
                   static_cast<std::streamsize>(changed.size()));
        return changed;
    }

    testing::ScopedDataFolder folder_;
};

TEST_F(ReadTest, AreaWithoutMagicHoldsNoMacros) {
    WriteRawMacroArea(std::vector<uint8_t>(16, 0));
    const std::string path = folder_.Dir() + "/read";
    ASSERT_TRUE(ReadProfileFromKeyboard(*link_, path));
    const std::vector<uint8_t> file = FileBytes(path);
    ASSERT_EQ(file.size(), 32832u);
    EXPECT_TRUE(IsValidImageHeader(file.data()));
    EXPECT_EQ(ReadLe16(&file[PROFILE_OFFSET_MACRO_COUNT]), 0);
}

TEST_F(ReadTest, AFileThatAlreadySaysItIsLeftAloneAndAnyOtherReplaced) {
    const std::string path = folder_.Dir() + "/read";
    ASSERT_TRUE(ReadProfileFromKeyboard(*link_, path));
    const std::vector<uint8_t> keyboard = FileBytes(path);
    struct stat before {};
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    WorkingSetData loaded;
    ASSERT_TRUE(ReadProfileFromKeyboard(*link_, path, &loaded));
    struct stat after {};
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);  // not replaced
    std::optional<WorkingSetData> fromFile = DecodeProfileImage(keyboard);
    ASSERT_TRUE(fromFile);
    EXPECT_TRUE(loaded == *fromFile);

    // One byte off, the same size: replaced with what the keyboard holds.
    FlipLastByte(path);
    ASSERT_TRUE(ReadProfileFromKeyboard(*link_, path));
    EXPECT_EQ(FileBytes(path), keyboard);
}

// A caller that saves next leaves the file to that save; only a missing one is made at once.
TEST_F(ReadTest, AFileLeftToTheCallersSaveIsOnlyMadeWhenMissing) {
    const std::string path = folder_.Dir() + "/read";
    WorkingSetData loaded;
    ASSERT_TRUE(ReadProfileFromKeyboard(*link_, path, &loaded, ProfileFileRefresh::WITH_SAVE));
    const std::vector<uint8_t> keyboard = FileBytes(path);
    std::optional<WorkingSetData> fromFile = DecodeProfileImage(keyboard);
    ASSERT_TRUE(fromFile);
    EXPECT_TRUE(loaded == *fromFile);

    const std::vector<uint8_t> stale = FlipLastByte(path);
    WorkingSetData again;
    ASSERT_TRUE(ReadProfileFromKeyboard(*link_, path, &again, ProfileFileRefresh::WITH_SAVE));
    EXPECT_EQ(FileBytes(path), stale);
    EXPECT_TRUE(again == loaded);
}

TEST_F(ReadTest, DamagedDirectoryKeepsTheMacrosThatFit) {
    // Claims 64 KiB and two macros: one well-formed, one far outside the keyboard's area.
    std::vector<uint8_t> area(28, 0);
    WriteLe16(&area[0], MACRO_AREA_MAGIC);
    WriteLe16(&area[2], 0xFFFF);
    WriteLe16(&area[4], 2);
    WriteLe16(&area[16], 20);
    WriteLe16(&area[18], 0xFFF0);
    const uint8_t record[] = {1, 0, 1, 0, 0x0A, 0xA0, 0x02, 0x04};
    std::copy(std::begin(record), std::end(record), area.begin() + 20);
    WriteRawMacroArea(area);

    ProfileWorkingSet workingSet;
    ASSERT_EQ(LoadActiveProfileFromKeyboard(*link_, workingSet), ProfileSource::KEYBOARD);
    WorkingSetLock data = workingSet.Lock();
    ASSERT_EQ(data->macros.Count(), 1);
    EXPECT_EQ(data->macros.Records()[0].actions.size(), 1u);
}

TEST_F(ReadTest, NoKeyboardGivesAFreshWorkingSet) {
    ProfileWorkingSet workingSet;
    workingSet.Lock()->keyAreas[0][5].type = ASSIGN_DISABLED;
    keyboard_->Run({"unplug"});
    for (int i = 0; i < 500 && link_->CountControlInterfaces() != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    link_->Events().WaitUntilIdle();
    EXPECT_EQ(LoadActiveProfileFromKeyboard(*link_, workingSet), ProfileSource::FRESH);
    EXPECT_TRUE(*workingSet.Lock() == FreshWorkingSetData());
}

class ShuffledLayout : public ReadTest {
protected:
    testing::VirtualKeyboard::Options KeyboardOptions() override {
        testing::VirtualKeyboard::Options options;
        options.layout = "shuffled";
        return options;
    }
};

TEST_F(ShuffledLayout, AnAppliedKeyComesBackOnTheSameKey) {
    ProfileWorkingSet workingSet;
    DeviceSnapshot snapshot;
    ASSERT_EQ(LoadActiveProfileFromKeyboard(*link_, workingSet), ProfileSource::KEYBOARD);
    const int active = GetActiveProfile(*link_);
    workingSet.Lock()->keyAreas[active][KeyIndexOf(KEY_A)] = {ASSIGN_KEY, 0, KEY_B, 0, 0};
    const ApplyResult applied = ApplyWorkingSet(*link_, shell_, workingSet, snapshot);
    EXPECT_TRUE(applied.saved);
    EXPECT_EQ(applied.written, 1);

    // The keyboard has it in the slot its own layout gives key A.
    const std::vector<uint8_t> layout = DumpBytes(*keyboard_, "defaultLayout");
    const std::vector<uint8_t> blocks = DumpBytes(*keyboard_, "keyBlocks");
    int slot = -1;
    for (int s = 0; s < KEY_TABLE_SLOTS; ++s)
        if (SlotScanCode({layout[3 * s], layout[3 * s + 1], layout[3 * s + 2]}) == KEY_A) slot = s;
    ASSERT_GE(slot, 0);
    ASSERT_NE(SlotScanCode(BuiltInDefaultLayout().slots[slot]), KEY_A);  // really shuffled
    const size_t at = active * KEY_TABLE_BLOCK_SIZE + 3 * slot;
    EXPECT_EQ(std::vector<uint8_t>(blocks.begin() + at, blocks.begin() + at + 3),
              (std::vector<uint8_t>{KIND_KEYBOARD, KEYBOARD_USAGE, 0x05}));

    ProfileWorkingSet readBack;
    ASSERT_EQ(LoadActiveProfileFromKeyboard(*link_, readBack), ProfileSource::KEYBOARD);
    WorkingSetLock data = readBack.Lock();
    for (int entry = 0; entry < KEY_AREA_ENTRIES; ++entry) {
        const KeyAssignment& a = data->keyAreas[active][entry];
        if (entry == KeyIndexOf(KEY_A))
            EXPECT_EQ(a, (KeyAssignment{ASSIGN_KEY, 0, KEY_B, 0, 0}));
        else
            EXPECT_EQ(a.type, ASSIGN_DEFAULT) << entry;
    }
}

}  // namespace
}  // namespace quorvel
