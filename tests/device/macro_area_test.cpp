// The keyboard's macro area: exact bytes of what the program writes, and reading back areas the
// program did not write without ever reading past them.
#include "device/macro_area.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/byte_order.h"
#include "base/texts.h"
#include "model/key_codes.h"
#include "transfer_test_support.h"

namespace quorvel {
namespace {

using testing::Macro;

constexpr ScanCode KEY_A = 0x01E;
constexpr ScanCode KEY_B = 0x030;
constexpr ScanCode LEFT_SHIFT = 0x02A;
constexpr ScanCode POWER = 0x15E;  // generic desktop 0x81

MacroRecord PressA() {
    return Macro(1, u"ab", {MakeMacroAction(100, KEY_A, MACRO_STATE_PRESS)});
}

TEST(MacroArea, EmptyListIsTheSixteenByteHeader) {
    EXPECT_EQ(MacroAreaSizes({}), (MacroAreaSize{16, 16}));
    EXPECT_EQ(EncodeMacroArea({}, true),
              (std::vector<uint8_t>{0xAA, 0x55, 0x10, 0x00, 0x00, 0x00, 0x01, 0x00, 0, 0, 0, 0, 0,
                                    0, 0, 0}));
}

TEST(MacroArea, OneMacroWithAndWithoutItsName) {
    const std::vector<MacroRecord> list = {PressA()};
    EXPECT_EQ(MacroAreaSizes(list), (MacroAreaSize{30, 26}));

    const std::vector<uint8_t> named = EncodeMacroArea(list, true);
    ASSERT_EQ(named.size(), 30u);
    EXPECT_EQ(std::vector<uint8_t>(named.begin(), named.begin() + 18),
              (std::vector<uint8_t>{0xAA, 0x55, 30, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 18, 0}));
    EXPECT_EQ(std::vector<uint8_t>(named.begin() + 18, named.end()),
              (std::vector<uint8_t>{0x01, 0x00, 0x01, 0x02, 0x0A, 0xA0, 0x02, 0x04, 0x61, 0x00,
                                    0x62, 0x00}));

    const std::vector<uint8_t> bare = EncodeMacroArea(list, false);
    ASSERT_EQ(bare.size(), 26u);
    EXPECT_EQ(ReadLe16(&bare[2]), 26);
    EXPECT_EQ(ReadLe16(&bare[6]), 0);
    EXPECT_EQ(std::vector<uint8_t>(bare.begin() + 18, bare.end()),
              (std::vector<uint8_t>{0x01, 0x00, 0x01, 0x00, 0x0A, 0xA0, 0x02, 0x04}));
}

TEST(MacroArea, ActionKindsAndDirections) {
    struct Case {
        MacroAction action;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {MakeMacroAction(0, LEFT_SHIFT, MACRO_STATE_PRESS), {0x00, 0xA0, 0x01, 0x02}},
        {MakeMacroAction(0, LEFT_SHIFT, MACRO_STATE_RELEASE), {0x00, 0x20, 0x01, 0x02}},
        {MakeMacroAction(40000, KEY_B, MACRO_STATE_RELEASE), {0xA0, 0x2F, 0x02, 0x05}},
        {MakeMacroAction(19, MediaScanCode(0), MACRO_STATE_PRESS), {0x01, 0xB0, 0x83, 0x01}},
        {MakeMacroAction(0, POWER, MACRO_STATE_RELEASE), {0x00, 0x40, 0x81, 0x00}},
        {MakeMacroAction(50, 0, MACRO_STATE_PRESS), {0x05, 0x80, 0x00, 0x00}},
        // Beyond the field: the longest pause, not a wrapped short one.
        {MakeMacroAction(99999, KEY_A, MACRO_STATE_PRESS), {0xFF, 0xAF, 0x02, 0x04}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.bytes));
        const std::vector<uint8_t> area = EncodeMacroArea({{Macro(1, u"", {c.action})}}, false);
        ASSERT_EQ(area.size(), 26u);
        EXPECT_EQ(std::vector<uint8_t>(area.begin() + 22, area.end()), c.bytes);
    }
}

TEST(MacroArea, DecodesWhatItEncodes) {
    ResetTextsToBuiltIn();
    std::vector<MacroRecord> list = {
        Macro(1, u"first", {MakeMacroAction(120, KEY_A, 0), MakeMacroAction(0, KEY_A, 1)}, 3),
        Macro(2, u"", {}),
        Macro(3, u"\u00e9t\u00e9",
              {MakeMacroAction(10, LEFT_SHIFT, 0), MakeMacroAction(4090, POWER, 1),
               MakeMacroAction(0, MediaScanCode(3), 0)},
              255),
    };
    const std::vector<MacroRecord> named = DecodeMacroArea(EncodeMacroArea(list, true));
    list[1].SetName(u"Macro2");  // no stored name: the default one
    EXPECT_EQ(named, list);

    const std::vector<MacroRecord> bare = DecodeMacroArea(EncodeMacroArea(list, false));
    ASSERT_EQ(bare.size(), 3u);
    EXPECT_EQ(bare[0].Name(), u"Macro1");
    EXPECT_EQ(bare[2].Name(), u"Macro3");
    EXPECT_EQ(bare[2].actions, list[2].actions);
    EXPECT_EQ(bare[2].id, 3);
}

// A hand-made area: header for `count` macros and then whatever the test puts in.
std::vector<uint8_t> Area(uint16_t count, size_t size) {
    std::vector<uint8_t> area(size, 0);
    WriteLe16(&area[0], MACRO_AREA_MAGIC);
    WriteLe16(&area[2], static_cast<uint16_t>(size));
    WriteLe16(&area[4], count);
    return area;
}

TEST(MacroArea, DamagedAreasGiveTheMacrosThatFit) {
    ResetTextsToBuiltIn();
    // Three macros; the middle one is damaged in each case, the others are one press of A.
    auto build = [](auto damage) {
        std::vector<uint8_t> area = Area(3, 16 + 6 + 3 * 8);
        for (int i = 0; i < 3; ++i) {
            const size_t at = 22 + 8 * i;
            WriteLe16(&area[16 + 2 * i], static_cast<uint16_t>(at));
            area[at] = 1;
            area[at + 2] = 1;
            area[at + 4] = 0x0A;
            area[at + 5] = 0xA0;
            area[at + 6] = 0x02;
            area[at + 7] = 0x04;
        }
        damage(area);
        return DecodeMacroArea(area);
    };
    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> damage;
    };
    const Case cases[] = {
        {"offset past the area", [](auto& a) { WriteLe16(&a[18], 0xFFF0); }},
        {"offset at the last byte",
         [](auto& a) { WriteLe16(&a[18], static_cast<uint16_t>(a.size() - 1)); }},
        {"action count past the area", [](auto& a) { WriteLe16(&a[30], 100); }},
        {"more actions than a record holds",
         [](auto& a) {
             WriteLe16(&a[30], MACRO_MAX_ACTIONS + 1);
             a.resize(60000);
         }},
        {"name past the area", [](auto& a) { a[33] = 200; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<MacroRecord> macros = build(c.damage);
        ASSERT_EQ(macros.size(), 2u);
        EXPECT_EQ(macros[0].id, 1);
        EXPECT_EQ(macros[1].id, 3);  // ids stay the positions key entries refer to
        EXPECT_EQ(macros[1].Name(), u"Macro3");
        EXPECT_EQ(macros[1].actions, (std::vector<MacroAction>{MakeMacroAction(100, KEY_A, 0)}));
    }
}

TEST(MacroArea, HeadersThatPromiseTooMuch) {
    EXPECT_TRUE(DecodeMacroArea({}).empty());
    EXPECT_TRUE(DecodeMacroArea(std::vector<uint8_t>(15, 0xAA)).empty());
    std::vector<uint8_t> noMagic = EncodeMacroArea({{PressA()}}, true);
    noMagic[0] = 0;
    EXPECT_TRUE(DecodeMacroArea(noMagic).empty());

    // A count far beyond the offset table that fits: only the table inside the area is read.
    // Entry 0 points into the table itself (a record of no actions); the others point at the
    // header, whose magic reads as far too many actions.
    std::vector<uint8_t> area = Area(0xFFFF, 22);
    WriteLe16(&area[16], 18);
    const std::vector<MacroRecord> macros = DecodeMacroArea(area);
    ASSERT_EQ(macros.size(), 1u);
    EXPECT_EQ(macros[0].id, 1);
    EXPECT_TRUE(macros[0].actions.empty());

    // More than a macro list holds: the first hundred.
    std::vector<MacroRecord> many(101, Macro(1, u"", {}));
    EXPECT_EQ(DecodeMacroArea(EncodeMacroArea(many, false)).size(), 100u);
}

}  // namespace
}  // namespace quorvel
