#include "model/macro.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "base/byte_order.h"

namespace quorvel {
namespace {

std::vector<MacroRecord> RecordsWithIds(std::initializer_list<uint16_t> ids) {
    std::vector<MacroRecord> list;
    for (uint16_t id : ids) {
        MacroRecord record;
        record.id = id;
        list.push_back(record);
    }
    return list;
}

TEST(MacroCreation, TakesLowestFreeIdOfEditorList) {
    struct Case {
        std::initializer_list<uint16_t> ids;
        uint16_t expected;
    };
    for (const Case& c : {Case{{1, 2, 4}, 3}, Case{{2, 3}, 1}, Case{{}, 1}, Case{{100, 1}, 2}}) {
        const std::vector<MacroRecord> list = RecordsWithIds(c.ids);
        const std::optional<MacroRecord> created = CreateMacro(u"Macro1", list);
        ASSERT_TRUE(created.has_value());
        EXPECT_EQ(created->id, c.expected);
        EXPECT_EQ(created->Name(), u"Macro1");
        EXPECT_EQ(created->cycles, 1);
        EXPECT_EQ(created->isNew, 1);
        EXPECT_EQ(created->reserved, 0);
        EXPECT_TRUE(created->actions.empty());
    }
}

TEST(MacroCreation, FullListHasNoFreeId) {
    std::vector<MacroRecord> list;
    for (int id = 100; id >= 1; --id) {
        list.emplace_back();
        list.back().id = static_cast<uint16_t>(id);
    }
    EXPECT_EQ(LowestFreeMacroId(list), 0);
    EXPECT_FALSE(CreateMacro(u"x", list).has_value());
}

TEST(MacroRecordLayout, FullRecordRoundTripsAtExactOffsets) {
    MacroRecord record;
    record.SetName(u"ab\u00e9");
    record.cycles = 255;
    record.isNew = 1;
    record.reserved = 0xBEEF;
    record.id = 100;
    for (int i = 0; i < MACRO_MAX_ACTIONS; ++i) {
        record.actions.push_back(MakeMacroAction(40000 - i, static_cast<uint16_t>(0x100 + i),
                                                 static_cast<uint16_t>(i % 2)));
    }

    std::vector<uint8_t> bytes(MACRO_RECORD_SIZE, 0xCC);
    WriteMacroRecord(bytes.data(), record);

    EXPECT_EQ(ReadLe16(&bytes[0]), u'a');
    EXPECT_EQ(ReadLe16(&bytes[2]), u'b');
    EXPECT_EQ(ReadLe16(&bytes[4]), 0x00E9);
    for (size_t i = 6; i < 500; ++i) ASSERT_EQ(bytes[i], 0) << "name byte " << i;
    EXPECT_EQ(bytes[500], 255);
    EXPECT_EQ(bytes[501], 0);
    EXPECT_EQ(ReadLe16(&bytes[502]), 1);
    EXPECT_EQ(ReadLe16(&bytes[504]), 0xBEEF);
    EXPECT_EQ(ReadLe16(&bytes[506]), 100);
    EXPECT_EQ(ReadLe16(&bytes[508]), 2000);
    EXPECT_EQ(ReadLe16(&bytes[510]), 0);
    EXPECT_EQ(ReadLe32(&bytes[512]), 40000u);
    EXPECT_EQ(ReadLe16(&bytes[516]), 0x100);
    EXPECT_EQ(ReadLe16(&bytes[518]), 0);
    EXPECT_EQ(ReadLe32(&bytes[16504]), 40000u - 1999);
    EXPECT_EQ(ReadLe16(&bytes[16508]), 0x100 + 1999);
    EXPECT_EQ(ReadLe16(&bytes[16510]), 1);

    EXPECT_EQ(ReadMacroRecord(bytes.data()), record);
}

TEST(MacroRecordLayout, UnusedActionSlotsAreWrittenZero) {
    MacroRecord record;
    record.id = 7;
    record.actions = {MakeMacroAction(10, 4, 0)};
    std::vector<uint8_t> bytes(MACRO_RECORD_SIZE, 0xCC);
    WriteMacroRecord(bytes.data(), record);
    for (size_t i = 520; i < MACRO_RECORD_SIZE; ++i) ASSERT_EQ(bytes[i], 0) << "byte " << i;
}

TEST(MacroRecordLayout, ActionStateAboveReleaseIsPress) {
    std::vector<uint8_t> bytes(MACRO_RECORD_SIZE, 0);
    WriteLe16(&bytes[508], 3);
    WriteLe16(&bytes[512 + 6], 1);
    WriteLe16(&bytes[520 + 6], 2);
    WriteLe16(&bytes[528 + 6], 0xFFFF);
    const MacroRecord read = ReadMacroRecord(bytes.data());
    ASSERT_EQ(read.actions.size(), 3u);
    EXPECT_EQ(read.actions[0].state, MACRO_STATE_RELEASE);
    EXPECT_EQ(read.actions[1].state, MACRO_STATE_PRESS);
    EXPECT_EQ(read.actions[2].state, MACRO_STATE_PRESS);

    MacroRecord handed;
    handed.actions = {MacroAction{0, 4, 5}};
    WriteMacroRecord(bytes.data(), handed);
    EXPECT_EQ(ReadLe16(&bytes[512 + 6]), 0);
}

TEST(MacroRecordLayout, ActionCountBeyondSlotsIsCapped) {
    std::vector<uint8_t> bytes(MACRO_RECORD_SIZE, 0);
    WriteLe16(&bytes[508], 0xFFFF);
    EXPECT_EQ(ReadMacroRecord(bytes.data()).actions.size(), size_t{MACRO_MAX_ACTIONS});
}

TEST(MacroName, IsCutTo249UnitsWithoutSplittingAPair) {
    const std::u16string pair = u"\U0001F600";  // two UTF-16 units
    struct Case {
        std::u16string name;
        size_t expectedUnits;
    };
    const Case cases[] = {
        {std::u16string(249, u'a'), 249},
        {std::u16string(300, u'a'), 249},
        {std::u16string(247, u'a') + pair, 249},  // pair ends exactly at the limit
        {std::u16string(248, u'a') + pair, 248},  // pair straddles the limit
        {std::u16string(248, u'a') + pair + u"b", 248},
    };
    for (const Case& c : cases) {
        MacroRecord record;
        record.SetName(c.name);
        EXPECT_EQ(record.Name(), c.name.substr(0, c.expectedUnits));

        std::vector<uint8_t> bytes(MACRO_RECORD_SIZE, 0xCC);
        WriteMacroRecord(bytes.data(), record);
        EXPECT_EQ(ReadLe16(&bytes[c.expectedUnits * 2]), 0) << "terminator";
        EXPECT_EQ(ReadMacroRecord(bytes.data()).Name(), record.Name());
    }
}

TEST(MacroName, FieldWithoutTerminatorReadsAs249Units) {
    std::vector<uint8_t> bytes(MACRO_RECORD_SIZE, 0);
    for (size_t i = 0; i < 250; ++i) WriteLe16(&bytes[i * 2], u'z');
    EXPECT_EQ(ReadMacroRecord(bytes.data()).Name(), std::u16string(249, u'z'));
}

}  // namespace
}  // namespace quorvel
