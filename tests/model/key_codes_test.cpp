#include "model/key_codes.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "base/texts.h"

namespace quorvel {
namespace {

TEST(KeyCodes, IndexAndScanCodeConvertBothWays) {
    struct Case {
        ScanCode scanCode;
        KeyIndex index;
    };
    for (const Case c : {Case{0x000, 0x00}, Case{0x07F, 0x7F}, Case{0x100, 0x80}, Case{0x145, 0xC5},
                         Case{0x137, 0xB7}, Case{0x17F, 0xFF}}) {
        EXPECT_EQ(KeyIndexOf(c.scanCode), c.index) << std::hex << c.scanCode;
        EXPECT_EQ(ScanCodeOf(c.index), c.scanCode) << std::hex << c.scanCode;
    }
    for (int i = 0; i < KEY_INFO_ROWS; ++i) {
        EXPECT_EQ(KeyIndexOf(ScanCodeOf(static_cast<KeyIndex>(i))), i);
    }
}

TEST(KeyCodes, TableRowsHoldTheirColumns) {
    const auto& table = KeyInfoTable();
    const KeyInfo& num7 = table[KeyIndexOf(0x047)];
    EXPECT_EQ(num7.name, "Num 7");
    EXPECT_EQ(num7.vk, 0x67);
    EXPECT_EQ(num7.secondVk, 0x24);
    EXPECT_EQ(num7.hidKeyCode, 0x5F);
    EXPECT_EQ(num7.listIndex, 91);
    // Second VK equals VK outside the numeric-pad digits.
    EXPECT_EQ(table[KeyIndexOf(0x147)].secondVk, 0x24);
    EXPECT_EQ(table[KeyIndexOf(0x136)].name, "Right Shift");
    EXPECT_EQ(table[KeyIndexOf(0x120)].name, "MEDIA_MUTE_8");
    EXPECT_TRUE(table[KeyIndexOf(0x120)].nameIsTextKey);
    const KeyInfo& empty = table[KeyIndexOf(0x055)];
    EXPECT_TRUE(empty.name.empty());
    EXPECT_EQ(empty.vk, 0);
    EXPECT_EQ(empty.hidKeyCode, 0);
    EXPECT_EQ(empty.listIndex, KEY_LIST_NONE);

    int named = 0;
    for (const KeyInfo& row : table) named += row.name.empty() ? 0 : 1;
    EXPECT_EQ(named, 155);
}

TEST(KeyCodes, PickListFollowsTheListOrder) {
    // Written out in the order the list shows them, independently of the table's column.
    std::vector<std::string> expected;
    for (char c = 'A'; c <= 'Z'; ++c) expected.emplace_back(1, c);
    for (const char* n :
         {"1",   "2",     "3", "4", "5", "6", "7",  "8", "9", "0", "Enter", "Esc", "Backspace",
          "Tab", "Space", "-", "=", "[", "]", "\\", ";", "'", "`", ",",     ".",   "/"}) {
        expected.emplace_back(n);
    }
    for (int f = 1; f <= 12; ++f) expected.push_back("F" + std::to_string(f));
    for (const char* n :
         {"Print Screen", "Pause",     "Break",  "Insert", "Delete", "Home",   "End",
          "Page Up",      "Page Down", "\u2191", "\u2193", "\u2190", "\u2192", "Scroll Lock",
          "Caps Lock",    "Num Lock",  "Num /",  "Num *",  "Num -",  "Num +",  "Num Enter"}) {
        expected.emplace_back(n);
    }
    for (int d = 1; d <= 9; ++d) expected.push_back("Num " + std::to_string(d));
    for (const char* n : {"Num 0", "Num .", "K45", "App", "Ctrl", "Shift", "Alt", "Win",
                          "Right Ctrl", "Right Shift", "Right Alt", "Right Win"}) {
        expected.emplace_back(n);
    }
    ASSERT_EQ(expected.size(), size_t{KEY_LIST_COUNT});

    std::set<ScanCode> keys;
    for (int i = 0; i < KEY_LIST_COUNT; ++i) {
        EXPECT_EQ(KeyListName(i), expected[i]) << i;
        const ScanCode s = KeyListScanCode(i);
        ASSERT_NE(s, 0) << i;
        EXPECT_EQ(KeyPickList()[i], s);
        EXPECT_EQ(KeyListIndexOf(s), i);
        keys.insert(s);
    }
    EXPECT_EQ(keys.size(), size_t{KEY_LIST_COUNT});
    // Only the second Right Shift shares a position with another row.
    int listedRows = 0;
    for (const KeyInfo& row : KeyInfoTable()) listedRows += row.listIndex < KEY_LIST_COUNT;
    EXPECT_EQ(listedRows, KEY_LIST_COUNT + 1);
    EXPECT_EQ(KeyListScanCode(103), 0x036);

    for (int outside : {-1, 106, 0xFFFF}) {
        EXPECT_EQ(KeyListScanCode(outside), 0);
        EXPECT_EQ(KeyListName(outside), "");
    }
    EXPECT_EQ(KeyListIndexOf(0x054), KEY_LIST_NONE);
}

TEST(KeyCodes, KeyNameUsesFixedNamesTextsAndTheUnknownFormat) {
    EXPECT_EQ(KeyName(0x01E), "A");
    EXPECT_EQ(KeyName(0x148), "\u2191");
    EXPECT_EQ(KeyName(0x120), Text("MEDIA_MUTE_8"));
    EXPECT_FALSE(KeyName(0x120).empty());
    EXPECT_EQ(KeyName(0x055), "Unknown Key: 055");
    EXPECT_EQ(KeyName(0x15A), "Unknown Key: 15a");
    EXPECT_EQ(KeyName(0x000), "Unknown Key: 000");
}

TEST(KeyCodes, KeyNameIsCutToCapacity) {
    struct Case {
        ScanCode key;
        size_t capacity;
        const char* expected;
    };
    for (const Case c : {Case{0x151, 5, "Page"}, Case{0x151, 1, ""}, Case{0x151, 0, ""},
                         Case{0x151, 10, "Page Down"}, Case{0x151, 260, "Page Down"},
                         Case{0x148, 2, "\u2191"}, Case{0x148, 1, ""}, Case{0x055, 8, "Unknown"}}) {
        EXPECT_EQ(KeyName(c.key, c.capacity), c.expected) << c.key << " " << c.capacity;
    }
}

TEST(KeyCodes, UnknownKeyFormatIsSafeForAnyPattern) {
    struct Case {
        const char* pattern;
        const char* expected;
    };
    for (const Case c : {
             Case{"Unknown Key: %03x", "Unknown Key: 15a"},
             Case{"%X", "15A"},
             Case{"%d%%", "346%"},
             Case{"%s %n %x", "%s %n 15a"},
             Case{"%x %x", "15a %x"},
             Case{"trailing %", "trailing %"},
             Case{"%-5xEnd", "15a  End"},
             Case{"no value", "no value"},
         }) {
        EXPECT_EQ(FormatScanCodeText(c.pattern, 0x15A), c.expected) << c.pattern;
    }
    const std::string wide = FormatScanCodeText("%999999999x", 0x15A);
    EXPECT_LE(wide.size(), 64u);
    EXPECT_EQ(wide.substr(wide.size() - 3), "15a");
}

TEST(KeyCodes, HidUsageConversions) {
    struct ToCase {
        ScanCode key;
        HidUsage usage;
    };
    for (const ToCase c : {
             ToCase{0x120, {HID_PAGE_CONSUMER, 0x00E2}},
             ToCase{0x15E, {HID_PAGE_GENERIC_DESKTOP, 0x81}},
             ToCase{0x054, {}},
             ToCase{0x174, {}},  // Zoom-: a consumer code without a usage
             ToCase{0x17C, {}},
             ToCase{0x01E, {HID_PAGE_KEYBOARD, 0x04}},
             ToCase{0x070, {HID_PAGE_KEYBOARD, 0x88}},
             ToCase{0x16D, {HID_PAGE_CONSUMER, 0x0183}},
             ToCase{0x055, {}},
         }) {
        EXPECT_EQ(ToHidUsage(c.key), c.usage) << std::hex << c.key;
    }

    struct FromCase {
        HidUsage usage;
        ScanCode key;
    };
    for (const FromCase c : {
             FromCase{{HID_PAGE_CONSUMER, 0x0183}, 0x16D},
             FromCase{{HID_PAGE_CONSUMER, 0x0999}, 0},
             FromCase{{HID_PAGE_CONSUMER, 0}, 0},
             FromCase{{HID_PAGE_GENERIC_DESKTOP, 0x84}, 0},
             FromCase{{HID_PAGE_GENERIC_DESKTOP, 0x83}, 0x163},
             FromCase{{HID_PAGE_KEYBOARD, 0x48}, 0x045},  // Pause, not Break
             FromCase{{HID_PAGE_KEYBOARD, 0xE5}, 0x036},
             FromCase{{HID_PAGE_KEYBOARD, 0x104}, 0},
             // Keyboard usages that share a one-byte code with another page's usage.
             FromCase{{HID_PAGE_KEYBOARD, 0xCC}, 0},
             FromCase{{HID_PAGE_KEYBOARD, 0x82}, 0},
             FromCase{{HID_PAGE_KEYBOARD, 0x00}, 0},
             FromCase{{HID_PAGE_KEYBOARD, 0xE8}, 0},
             FromCase{{9, 0x04}, 0},
         }) {
        EXPECT_EQ(FromHidUsage(c.usage), c.key) << c.usage.page << ":" << std::hex << c.usage.usage;
    }

    // Every key with a keyboard-page usage comes back as itself, except the second forms of
    // shared codes.
    for (int i = 0; i < KEY_INFO_ROWS; ++i) {
        const ScanCode s = ScanCodeOf(static_cast<KeyIndex>(i));
        const HidUsage u = ToHidUsage(s);
        if (u.page == HID_PAGE_NONE || s == 0x136 || s == 0x146) continue;
        EXPECT_EQ(FromHidUsage(u), s) << std::hex << s;
    }
}

TEST(KeyCodes, VkMapTakesTheFirstRowWithItsExceptions) {
    struct Case {
        uint8_t vk;
        ScanCode key;
    };
    for (const Case c : {
             Case{0x41, 0x01E}, Case{0x0D, 0x01C},  // Enter before Num Enter
             Case{0xA1, 0x036}, Case{0x24, 0x147},  // Home, second VKs take no part
             Case{0x2C, 0x137},                     // Print Screen, not Sys Req
             Case{0x10, 0x02A}, Case{0x11, 0x01D}, Case{0x12, 0x038}, Case{0xFF, 0},
             Case{0x01, 0},     Case{0x02, 0},     Case{0x04, 0},     Case{0x88, 0},
             Case{0x8C, 0},     Case{0x97, 0},     Case{0x9F, 0},     Case{0x00, 0},
             Case{0xE2, 0x056}, Case{0x5F, 0x15F}, Case{0x03, 0x146},
         }) {
        EXPECT_EQ(VkToScanCode(c.vk), c.key) << std::hex << int{c.vk};
        EXPECT_EQ(VkMap()[c.vk], c.key);
    }
}

TEST(KeyCodes, EventScanCodeWinsWhenItAgreesWithTheVirtualKey) {
    const auto data = [](uint32_t scan, bool extended) {
        return (scan << 16) | (extended ? 1u << 24 : 0u) | 1u;
    };
    struct Case {
        uint8_t vk;
        uint32_t keyData;
        ScanCode expected;
    };
    for (const Case c : {
             Case{0x24, data(0x47, false), 0x047},  // Num 7 with Num Lock off
             Case{0x24, 0, 0x147},                  // no scan code in the event
             Case{0x24, data(0x47, true), 0x147},   // extended Home
             Case{0xA3, data(0x1D, true), 0x11D},   // right Ctrl
             Case{0xA1, data(0x36, false), 0x036},
             Case{0x10, data(0x36, false), 0x036},  // generic Shift for right Shift
             Case{0xFF, data(0x70, false), 0x070},
             Case{0x41, data(0x1F, false), 0x01E},  // scan code of another key: VK decides
             Case{0x41, data(0x1E, false), 0x01E},
             Case{0x0D, data(0x1C, true), 0x11C},  // Num Enter shares Enter's VK
             Case{0x41, data(0x00, true), 0x01E},  // only the extended bit set
         }) {
        EXPECT_EQ(ResolveEventScanCode(c.vk, c.keyData), c.expected)
            << std::hex << int{c.vk} << " " << c.keyData;
    }
}

TEST(KeyCodes, SingleTransitionKeys) {
    std::vector<ScanCode> found;
    for (int i = 0; i < KEY_INFO_ROWS; ++i) {
        const ScanCode s = ScanCodeOf(static_cast<KeyIndex>(i));
        if (IsSingleTransitionKey(s)) found.push_back(s);
    }
    EXPECT_EQ(found, (std::vector<ScanCode>{0x054, 0x071, 0x072, 0x137}));
}

TEST(KeyCodes, MediaTableAgreesWithTheKeyRowsAndStaysInBounds) {
    std::set<uint16_t> usages;
    for (int i = 0; i < MEDIA_COUNT; ++i) {
        const ScanCode s = MediaScanCode(i);
        const KeyInfo& row = KeyInfoTable()[KeyIndexOf(s)];
        EXPECT_TRUE(row.nameIsTextKey) << i;
        EXPECT_EQ(row.name, MediaNameKey(i)) << i;
        EXPECT_EQ(ToHidUsage(s), (HidUsage{HID_PAGE_CONSUMER, MediaUsage(i)})) << i;
        usages.insert(MediaUsage(i));
    }
    EXPECT_EQ(usages.size(), size_t{MEDIA_COUNT});
    EXPECT_EQ(MediaNameKey(0), "MEDIA_PALYER_1");
    EXPECT_EQ(MediaUsage(7), 0x00E2);
    for (int outside : {-1, 18, 255, 1 << 20}) {
        EXPECT_EQ(MediaScanCode(outside), 0);
        EXPECT_EQ(MediaUsage(outside), 0);
        EXPECT_EQ(MediaNameKey(outside), "");
    }
}

TEST(KeyCodes, MatrixPositionsOfTheMapKeys) {
    std::set<int> positions{MATRIX_FN_POSITION, MATRIX_G_KEYS_POSITION};
    std::set<ScanCode> keys;
    for (const MatrixKey& k : MatrixKeys()) {
        EXPECT_LT(k.position, MATRIX_POSITIONS);
        EXPECT_FALSE(KeyInfoTable()[KeyIndexOf(k.scanCode)].name.empty()) << k.scanCode;
        positions.insert(k.position);
        keys.insert(k.scanCode);
    }
    EXPECT_EQ(positions.size(), size_t{MAP_KEY_COUNT + 2});
    EXPECT_EQ(keys.size(), size_t{MAP_KEY_COUNT});

    struct Case {
        ScanCode key;
        int position;
    };
    for (const Case c :
         {Case{0x001, 0},   Case{0x058, 12},  Case{0x137, 14},  Case{0x045, 16},  Case{0x029, 21},
          Case{0x04A, 41},  Case{0x00F, 42},  Case{0x04E, 62},  Case{0x03A, 63},  Case{0x01C, 76},
          Case{0x04D, 82},  Case{0x02A, 84},  Case{0x036, 97},  Case{0x148, 99},  Case{0x11C, 104},
          Case{0x01D, 105}, Case{0x15D, 111}, Case{0x11D, 113}, Case{0x14B, 119}, Case{0x053, 124},
          Case{0x136, -1},  Case{0x120, -1},  Case{0, -1}}) {
        EXPECT_EQ(MatrixPositionOf(c.key), c.position) << std::hex << c.key;
    }
}

TEST(KeyCodes, SkinEntryNames) {
    EXPECT_EQ(KeySkinEntry(KeyIndexOf(0x137)), "KEY_0B7");
    EXPECT_EQ(KeySkinEntry(0x1E), "KEY_01E");
    EXPECT_EQ(KeySkinEntry(0xFF), "KEY_0FF");
    EXPECT_EQ(GKeySkinEntry(1), "FUNC_G1");
    EXPECT_EQ(GKeySkinEntry(9), "FUNC_G9");
}

}  // namespace
}  // namespace quorvel
