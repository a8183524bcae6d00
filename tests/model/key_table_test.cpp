#include "model/key_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <numeric>
#include <random>
#include <set>
#include <thread>
#include <vector>

#include "base/texts.h"
#include "model/describe_assignment.h"

namespace quorvel {
namespace {

KeyAssignment Assign(int16_t type, int32_t value = 0) {
    KeyAssignment a;
    a.type = type;
    a.value = value;
    return a;
}

// Macro ids 1..5 sit at list positions 0..4; other ids are unknown.
int MacroPosition(int32_t id) {
    return id >= 1 && id <= 5 ? id - 1 : 0;
}

int SlotOf(const DefaultLayout& layout, ScanCode key) {
    for (int s = 0; s < KEY_TABLE_SLOTS; ++s) {
        if (SlotScanCode(layout.slots[s]) == key) return s;
    }
    return -1;
}

TEST(KeyTable, BuiltInLayoutBytes) {
    std::array<uint8_t, KEY_TABLE_BLOCK_SIZE> bytes{};
    WriteKeyTableBlock(bytes.data(), BuiltInDefaultLayout());
    struct Case {
        int slot;
        FirmwareKeyEntry entry;
    };
    for (const Case c : {Case{0, {5, 0, 0}}, Case{5, {5, 0, 0}}, Case{6, {0, 0, 0}},
                         Case{8, {2, 2, 0x29}}, Case{12, {2, 1, 0x02}}, Case{45, {2, 1, 0x40}},
                         Case{53, {5, 2, 2}}, Case{61, {2, 2, 0x65}}, Case{112, {3, 0xB6, 0}},
                         Case{119, {0, 0, 0}}, Case{120, {3, 0xCD, 0}}, Case{125, {2, 2, 0x63}}}) {
        EXPECT_EQ(bytes[3 * c.slot], c.entry.kind) << c.slot;
        EXPECT_EQ(bytes[3 * c.slot + 1], c.entry.byte1) << c.slot;
        EXPECT_EQ(bytes[3 * c.slot + 2], c.entry.byte2) << c.slot;
    }
    EXPECT_EQ(ReadKeyTableBlock(bytes.data()), BuiltInDefaultLayout());
}

TEST(KeyTable, BuiltInLayoutSlotsBelongToDistinctKeys) {
    std::set<ScanCode> keys;
    int keySlots = 0;
    for (const FirmwareKeyEntry& e : BuiltInDefaultLayout().slots) {
        const ScanCode s = SlotScanCode(e);
        if (s == 0) continue;
        ++keySlots;
        keys.insert(s);
        EXPECT_NE(KeyIndexOf(s), 0);
    }
    // "=" (usage 0x2E) has two slots, 54 and 105; the numeric pad is only partly there.
    EXPECT_EQ(keySlots, 100);
    EXPECT_EQ(keys.size(), 99u);
    EXPECT_EQ(SlotScanCode(BuiltInDefaultLayout().slots[54]), 0x00D);
    EXPECT_EQ(SlotScanCode(BuiltInDefaultLayout().slots[105]), 0x00D);
    EXPECT_EQ(SlotOf(BuiltInDefaultLayout(), 0x001), 8);
    EXPECT_EQ(SlotOf(BuiltInDefaultLayout(), 0x02A), 12);
    EXPECT_EQ(SlotOf(BuiltInDefaultLayout(), 0x110), 112);
    EXPECT_EQ(SlotOf(BuiltInDefaultLayout(), 0x122), 120);
    EXPECT_EQ(SlotOf(BuiltInDefaultLayout(), 0x15D), 61);
}

TEST(KeyTable, ModifierBitsAndSlotKeys) {
    struct ModCase {
        uint8_t mask;
        ScanCode key;
    };
    for (const ModCase c :
         {ModCase{0x01, 0x01D}, ModCase{0x02, 0x02A}, ModCase{0x04, 0x038}, ModCase{0x08, 0x15B},
          ModCase{0x10, 0x11D}, ModCase{0x20, 0x036}, ModCase{0x40, 0x138}, ModCase{0x80, 0x15C},
          ModCase{0x00, 0}, ModCase{0x06, 0x02A}, ModCase{0xC0, 0x138}}) {
        EXPECT_EQ(ModifierBitToScanCode(c.mask), c.key) << int{c.mask};
    }

    struct SlotCase {
        FirmwareKeyEntry entry;
        ScanCode key;
    };
    for (const SlotCase c : {
             SlotCase{{2, 2, 0x04}, 0x01E},
             SlotCase{{2, 1, 0x20}, 0x036},
             SlotCase{{2, 7, 0x01}, 0x01D},  // any byte 1 other than 2 is a modifier mask
             SlotCase{{2, 2, 0x00}, 0},
             SlotCase{{3, 0xE2, 0x00}, 0x120},
             SlotCase{{3, 0x83, 0x01}, 0x16D},
             SlotCase{{3, 0x99, 0x09}, 0},
             SlotCase{{4, 0x81, 0x00}, 0x15E},
             SlotCase{{4, 0x84, 0x00}, 0},
             SlotCase{{5, 0, 0}, 0},
             SlotCase{{0, 0, 0}, 0},
             SlotCase{{9, 2, 4}, 0},
         }) {
        EXPECT_EQ(SlotScanCode(c.entry), c.key)
            << int{c.entry.kind} << " " << int{c.entry.byte1} << " " << int{c.entry.byte2};
    }
}

TEST(KeyTable, EncodeAssignmentPerType) {
    const FirmwareKeyEntry d{2, 2, 0x29};
    struct Case {
        KeyAssignment a;
        FirmwareKeyEntry expected;
    };
    for (const Case c : {
             Case{Assign(ASSIGN_DEFAULT), d},
             Case{Assign(ASSIGN_PROGRAM, 1234), d},
             Case{Assign(ASSIGN_DISABLED), {0, 0, 0}},
             Case{Assign(ASSIGN_TEXT, 88), {0, 0, 0}},
             Case{Assign(ASSIGN_KEY, 0x02A), {2, 1, 0x02}},
             Case{Assign(ASSIGN_KEY, 0x036), {2, 1, 0x20}},
             Case{Assign(ASSIGN_KEY, 0x15C), {2, 1, 0x80}},
             Case{Assign(ASSIGN_KEY, 0x01E), {2, 2, 0x04}},
             Case{Assign(ASSIGN_KEY, 0x146), {2, 2, 0x48}},
             Case{Assign(ASSIGN_KEY, 0x130), {2, 2, 0x00}},  // multimedia key
             Case{Assign(ASSIGN_KEY, 0x15E), {2, 2, 0x00}},  // Power: generic desktop page
             Case{Assign(ASSIGN_KEY, 0x1001E), {2, 2, 0x00}},
             Case{Assign(ASSIGN_KEY, -1), {2, 2, 0x00}},
             Case{Assign(ASSIGN_MACRO, 3), {5, 1, 2}},
             Case{Assign(ASSIGN_MACRO, 77), {5, 1, 0}},  // unknown id: the first macro
             Case{Assign(ASSIGN_STOP_MACRO), {5, 2, 0}},
             Case{Assign(ASSIGN_MEDIA, 0), {3, 0x83, 0x01}},
             Case{Assign(ASSIGN_MEDIA, 7), {3, 0xE2, 0x00}},
             Case{Assign(ASSIGN_MEDIA, 17), {3, 0x8A, 0x01}},
             Case{Assign(ASSIGN_MEDIA, 18), {0, 0, 0}},
             Case{Assign(ASSIGN_MEDIA, -1), {0, 0, 0}},
             Case{Assign(ASSIGN_FUNCTION, 0), {5, 5, 0}},
             Case{Assign(ASSIGN_FUNCTION, 10), {5, 5, 10}},
             Case{Assign(ASSIGN_FUNCTION, 11), {0, 0, 0}},
             Case{Assign(ASSIGN_FUNCTION, 256), {0, 0, 0}},
             Case{Assign(ASSIGN_FUNCTION, -1), {0, 0, 0}},
             Case{Assign(9, 5), d},
             Case{Assign(-1, 5), d},
         }) {
        const FirmwareKeyEntry e = EncodeAssignment(c.a, d, MacroPosition);
        EXPECT_EQ(e, c.expected) << "type " << c.a.type << " value " << c.a.value << " -> "
                                 << int{e.kind} << " " << int{e.byte1} << " " << int{e.byte2};
    }
    EXPECT_EQ(EncodeAssignment(Assign(ASSIGN_MACRO, 3), d, {}), (FirmwareKeyEntry{5, 1, 0}));
    EXPECT_EQ(EncodeAssignment(Assign(ASSIGN_MACRO, 3), d, [](int32_t) { return 300; }),
              (FirmwareKeyEntry{5, 1, 0}));
}

TEST(KeyTable, EncodeKeyTableVisitsOnlySlotsWithAKey) {
    const DefaultLayout& layout = BuiltInDefaultLayout();
    EXPECT_EQ(EncodeKeyTable(FreshKeyArea(), layout, MacroPosition), layout);

    KeyArea area = FreshKeyArea();
    for (int n = 0; n < 2 * G_KEY_COUNT; ++n) area[G_KEY_ENTRY_BANK_A + n].type = ASSIGN_DISABLED;
    area[0] = Assign(ASSIGN_DISABLED);  // KeyIndex 0 is no key
    EXPECT_EQ(EncodeKeyTable(area, layout, MacroPosition), layout);

    // Mute belongs to whichever slot carries its consumer usage.
    DefaultLayout withMute = layout;
    withMute.slots[119] = {3, 0xE2, 0x00};
    area = FreshKeyArea();
    area[KeyIndexOf(0x120)] = Assign(ASSIGN_DISABLED);
    const KeyTableBlock block = EncodeKeyTable(area, withMute, MacroPosition);
    EXPECT_EQ(block.slots[119], (FirmwareKeyEntry{0, 0, 0}));
    for (int s = 0; s < KEY_TABLE_SLOTS; ++s) {
        if (s != 119) {
            EXPECT_EQ(block.slots[s], withMute.slots[s]) << s;
        }
    }
}

TEST(KeyTable, DecodeAgainstTheLayout) {
    const DefaultLayout& layout = BuiltInDefaultLayout();
    EXPECT_EQ(DecodeKeyTable(layout, layout), FreshKeyArea());

    const int slotA = SlotOf(layout, 0x01E);
    ASSERT_GE(slotA, 0);
    struct Case {
        FirmwareKeyEntry entry;
        KeyAssignment expected;
    };
    for (const Case c : {
             Case{{0, 0, 0}, Assign(ASSIGN_DISABLED)},
             Case{{5, 1, 4}, Assign(ASSIGN_MACRO, 5)},
             Case{{5, 1, 0xFF}, Assign(ASSIGN_MACRO, 256)},
             Case{{5, 2, 7}, Assign(ASSIGN_STOP_MACRO)},
             Case{{5, 5, 3}, Assign(ASSIGN_FUNCTION, 3)},
             Case{{5, 5, 11}, Assign(ASSIGN_DISABLED)},  // no such function: never re-sent as one
             Case{{5, 9, 3}, Assign(ASSIGN_DISABLED)},
             Case{{3, 0xE2, 0x00}, Assign(ASSIGN_MEDIA, 7)},
             Case{{3, 0x8A, 0x01}, Assign(ASSIGN_MEDIA, 17)},
             Case{{3, 0x99, 0x09}, Assign(ASSIGN_DISABLED)},
             Case{{2, 2, 0x05}, Assign(ASSIGN_KEY, 0x030)},
             Case{{2, 2, 0xE8}, Assign(ASSIGN_DISABLED)},
             Case{{2, 2, 0xCC}, Assign(ASSIGN_DISABLED)},  // not the media key that shares 0xCC
             Case{{2, 2, 0x81}, Assign(ASSIGN_DISABLED)},
             Case{{2, 2, 0x00}, Assign(ASSIGN_DISABLED)},
             Case{{2, 1, 0x40}, Assign(ASSIGN_KEY, 0x138)},
             Case{{2, 1, 0x06}, Assign(ASSIGN_KEY, 0x02A)},  // one key holds only the lowest bit
             Case{{2, 2, 0xE1}, Assign(ASSIGN_KEY, 0x02A)},  // a modifier as a keyboard usage
             Case{{2, 3, 0x40}, Assign(ASSIGN_DISABLED)},
             Case{{4, 0x81, 0x00}, Assign(ASSIGN_DISABLED)},
         }) {
        KeyTableBlock block = layout;
        block.slots[slotA] = c.entry;
        KeyArea expected = FreshKeyArea();
        expected[KeyIndexOf(0x01E)] = c.expected;
        EXPECT_EQ(DecodeKeyTable(block, layout), expected)
            << int{c.entry.kind} << " " << int{c.entry.byte1} << " " << int{c.entry.byte2};
    }

    // A changed slot whose default names no key is ignored.
    KeyTableBlock block = layout;
    block.slots[0] = {2, 2, 0x04};
    block.slots[53] = {0, 0, 0};
    EXPECT_EQ(DecodeKeyTable(block, layout), FreshKeyArea());
}

// One assignment of every type, on keys spread over the layout.
KeyArea AreaWithEveryType() {
    KeyArea area = FreshKeyArea();
    area[KeyIndexOf(0x01E)] = Assign(ASSIGN_DISABLED);
    area[KeyIndexOf(0x030)] = Assign(ASSIGN_KEY, 0x01E);
    area[KeyIndexOf(0x001)] = Assign(ASSIGN_KEY, 0x15B);
    area[KeyIndexOf(0x03B)] = Assign(ASSIGN_PROGRAM, 40);
    area[KeyIndexOf(0x039)] = Assign(ASSIGN_MACRO, 4);
    area[KeyIndexOf(0x147)] = Assign(ASSIGN_STOP_MACRO);
    area[KeyIndexOf(0x04F)] = Assign(ASSIGN_TEXT, 80);
    area[KeyIndexOf(0x110)] = Assign(ASSIGN_MEDIA, 16);
    area[KeyIndexOf(0x11D)] = Assign(ASSIGN_FUNCTION, 10);
    area[KeyIndexOf(0x15D)] = Assign(ASSIGN_KEY, 0x122);  // not on the keyboard page
    return area;
}

KeyArea ExpectedReadBack() {
    KeyArea area = AreaWithEveryType();
    area[KeyIndexOf(0x03B)] = Assign(ASSIGN_DEFAULT);   // programs live only in profile files
    area[KeyIndexOf(0x04F)] = Assign(ASSIGN_DISABLED);  // so do texts
    area[KeyIndexOf(0x15D)] = Assign(ASSIGN_DISABLED);  // sent as 02 02 00
    return area;
}

TEST(KeyTable, EveryTypeSurvivesAWriteAndReadBack) {
    const DefaultLayout& layout = BuiltInDefaultLayout();
    const KeyTableBlock block = EncodeKeyTable(AreaWithEveryType(), layout, MacroPosition);
    std::array<uint8_t, KEY_TABLE_BLOCK_SIZE> bytes{};
    WriteKeyTableBlock(bytes.data(), block);
    EXPECT_EQ(DecodeKeyTable(ReadKeyTableBlock(bytes.data()), layout), ExpectedReadBack());
}

TEST(KeyTable, ShuffledLayoutStillMapsEachKey) {
    const DefaultLayout& builtIn = BuiltInDefaultLayout();
    std::vector<int> order(KEY_TABLE_SLOTS);
    std::iota(order.begin(), order.end(), 0);
    std::mt19937 random(7);
    std::shuffle(order.begin(), order.end(), random);
    DefaultLayout shuffled;
    for (int s = 0; s < KEY_TABLE_SLOTS; ++s) shuffled.slots[s] = builtIn.slots[order[s]];

    const KeyArea area = AreaWithEveryType();
    const KeyTableBlock plain = EncodeKeyTable(area, builtIn, MacroPosition);
    const KeyTableBlock moved = EncodeKeyTable(area, shuffled, MacroPosition);
    for (int s = 0; s < KEY_TABLE_SLOTS; ++s) {
        EXPECT_EQ(moved.slots[s], plain.slots[order[s]]) << s;
    }
    EXPECT_EQ(DecodeKeyTable(moved, shuffled), ExpectedReadBack());
    // Read against the wrong layout, the keys come out wrong: the layout is what names a slot.
    EXPECT_NE(DecodeKeyTable(moved, builtIn), ExpectedReadBack());
}

TEST(KeyTable, CurrentLayoutIsReplacedWhole) {
    const DefaultLayout builtIn = BuiltInDefaultLayout();
    DefaultLayout other;
    for (auto& e : other.slots) e = {2, 2, 0x04};

    ReplaceDefaultLayout(other);
    EXPECT_EQ(CurrentDefaultLayout(), other);

    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; i < 2000; ++i) ReplaceDefaultLayout(i % 2 ? builtIn : other);
        stop = true;
    });
    int torn = 0;
    while (!stop) {
        const DefaultLayout seen = CurrentDefaultLayout();
        torn += seen != builtIn && seen != other;
    }
    writer.join();
    EXPECT_EQ(torn, 0);

    ReplaceDefaultLayout(builtIn);
    EXPECT_EQ(CurrentDefaultLayout(), builtIn);
}

class DescribeAssignmentTest : public ::testing::Test {
protected:
    void SetUp() override { ResetTextsToBuiltIn(); }

    static std::string MacroName(int32_t id) { return id == 2 ? "Combo" : ""; }

    static AssignmentDescription Describe(ScanCode key, const KeyAssignment& a) {
        return DescribeAssignment(DescribedKey::MapKey(key), a, MacroName);
    }
};

TEST_F(DescribeAssignmentTest, TipTexts) {
    EXPECT_EQ(Describe(0x01E, Assign(ASSIGN_KEY, 0x030)),
              (AssignmentDescription{true, "AKeys, Set: Key(B)"}));
    EXPECT_EQ(Describe(0x01E, Assign(ASSIGN_DEFAULT, 0x030)), (AssignmentDescription{false, "A"}));

    struct Case {
        KeyAssignment a;
        std::string tip;
    };
    const std::string set = "EscKeys, Set: ";
    for (const Case& c : {
             Case{Assign(ASSIGN_DISABLED), set},
             Case{Assign(ASSIGN_PROGRAM, 12), set},
             Case{Assign(ASSIGN_STOP_MACRO), set},
             Case{Assign(ASSIGN_TEXT, 12), set},
             Case{Assign(9, 1), set},
             Case{Assign(ASSIGN_KEY, 0x055), set + "Key(Unknown Key: 055)"},
             Case{Assign(ASSIGN_MACRO, 2), set + "Macro(Combo)"},
             Case{Assign(ASSIGN_MACRO, 3), set + "Macro()"},
             Case{Assign(ASSIGN_MEDIA, 7), set + "Media(" + Text("MEDIA_MUTE_8") + ")"},
             Case{Assign(ASSIGN_MEDIA, 18), set},
             Case{Assign(ASSIGN_MEDIA, -1), set},
             Case{Assign(ASSIGN_FUNCTION, 0), set + "Function(Open)"},
             Case{Assign(ASSIGN_FUNCTION, 8), set + "Function(Select All)"},
             Case{Assign(ASSIGN_FUNCTION, 10), set + "Function(Zoom+)"},
             Case{Assign(ASSIGN_FUNCTION, 11), set},
             Case{Assign(ASSIGN_FUNCTION, -1), set},
         }) {
        EXPECT_EQ(Describe(0x001, c.a), (AssignmentDescription{true, c.tip}))
            << "type " << c.a.type << " value " << c.a.value;
    }
}

TEST_F(DescribeAssignmentTest, GKeysAndMissingMacroNames) {
    EXPECT_EQ(DescribeAssignment(DescribedKey::GKey(3), Assign(ASSIGN_MACRO, 2), MacroName),
              (AssignmentDescription{true, "G3Keys, Set: Macro(Combo)"}));
    EXPECT_EQ(DescribeAssignment(DescribedKey::GKey(9), KeyAssignment{}, MacroName),
              (AssignmentDescription{false, "G9"}));
    EXPECT_EQ(DescribeAssignment(DescribedKey::MapKey(0x01E), Assign(ASSIGN_MACRO, 2), {}),
              (AssignmentDescription{true, "AKeys, Set: Macro()"}));
    EXPECT_EQ(KeyboardFunctionNameKey(0), "FUNC_KEY_DESC1");
    EXPECT_EQ(KeyboardFunctionNameKey(10), "FUNC_KEY_DESC11");
    EXPECT_EQ(KeyboardFunctionNameKey(11), "");
}

}  // namespace
}  // namespace quorvel
