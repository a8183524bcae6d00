// Linux key codes against the key code tables, one row per key.
#include "model/evdev_key_codes.h"

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <set>
#include <utility>

#include "model/key_codes.h"

namespace quorvel {
namespace {

struct Row {
    int evdev;
    ScanCode scanCode;
};

// Every key of the keyboard map, by the name Linux gives it.
constexpr Row MAP_KEYS[] = {
    {KEY_A, 0x01E},         {KEY_B, 0x030},          {KEY_C, 0x02E},
    {KEY_D, 0x020},         {KEY_E, 0x012},          {KEY_F, 0x021},
    {KEY_G, 0x022},         {KEY_H, 0x023},          {KEY_I, 0x017},
    {KEY_J, 0x024},         {KEY_K, 0x025},          {KEY_L, 0x026},
    {KEY_M, 0x032},         {KEY_N, 0x031},          {KEY_O, 0x018},
    {KEY_P, 0x019},         {KEY_Q, 0x010},          {KEY_R, 0x013},
    {KEY_S, 0x01F},         {KEY_T, 0x014},          {KEY_U, 0x016},
    {KEY_V, 0x02F},         {KEY_W, 0x011},          {KEY_X, 0x02D},
    {KEY_Y, 0x015},         {KEY_Z, 0x02C},          {KEY_1, 0x002},
    {KEY_2, 0x003},         {KEY_3, 0x004},          {KEY_4, 0x005},
    {KEY_5, 0x006},         {KEY_6, 0x007},          {KEY_7, 0x008},
    {KEY_8, 0x009},         {KEY_9, 0x00A},          {KEY_0, 0x00B},
    {KEY_ENTER, 0x01C},     {KEY_ESC, 0x001},        {KEY_BACKSPACE, 0x00E},
    {KEY_TAB, 0x00F},       {KEY_SPACE, 0x039},      {KEY_MINUS, 0x00C},
    {KEY_EQUAL, 0x00D},     {KEY_LEFTBRACE, 0x01A},  {KEY_RIGHTBRACE, 0x01B},
    {KEY_BACKSLASH, 0x02B}, {KEY_SEMICOLON, 0x027},  {KEY_APOSTROPHE, 0x028},
    {KEY_GRAVE, 0x029},     {KEY_COMMA, 0x033},      {KEY_DOT, 0x034},
    {KEY_SLASH, 0x035},     {KEY_F1, 0x03B},         {KEY_F2, 0x03C},
    {KEY_F3, 0x03D},        {KEY_F4, 0x03E},         {KEY_F5, 0x03F},
    {KEY_F6, 0x040},        {KEY_F7, 0x041},         {KEY_F8, 0x042},
    {KEY_F9, 0x043},        {KEY_F10, 0x044},        {KEY_F11, 0x057},
    {KEY_F12, 0x058},       {KEY_SYSRQ, 0x137},      {KEY_PAUSE, 0x045},
    {KEY_INSERT, 0x152},    {KEY_DELETE, 0x153},     {KEY_HOME, 0x147},
    {KEY_END, 0x14F},       {KEY_PAGEUP, 0x149},     {KEY_PAGEDOWN, 0x151},
    {KEY_UP, 0x148},        {KEY_DOWN, 0x150},       {KEY_LEFT, 0x14B},
    {KEY_RIGHT, 0x14D},     {KEY_SCROLLLOCK, 0x046}, {KEY_CAPSLOCK, 0x03A},
    {KEY_COMPOSE, 0x15D},   {KEY_LEFTCTRL, 0x01D},   {KEY_RIGHTCTRL, 0x11D},
    {KEY_LEFTSHIFT, 0x02A}, {KEY_RIGHTSHIFT, 0x036}, {KEY_LEFTALT, 0x038},
    {KEY_RIGHTALT, 0x138},  {KEY_LEFTMETA, 0x15B},   {KEY_RIGHTMETA, 0x15C},
    {KEY_KP1, 0x04F},       {KEY_KP2, 0x050},        {KEY_KP3, 0x051},
    {KEY_KP4, 0x04B},       {KEY_KP5, 0x04C},        {KEY_KP6, 0x04D},
    {KEY_KP7, 0x047},       {KEY_KP8, 0x048},        {KEY_KP9, 0x049},
    {KEY_KP0, 0x052},       {KEY_NUMLOCK, 0x145},    {KEY_KPENTER, 0x11C},
    {KEY_KPDOT, 0x053},     {KEY_KPSLASH, 0x135},    {KEY_KPASTERISK, 0x037},
    {KEY_KPMINUS, 0x04A},   {KEY_KPPLUS, 0x04E},
};

// The multimedia functions, in MediaIndex order.
constexpr Row MEDIA_KEYS[] = {
    {KEY_CONFIG, 0x16D},       {KEY_PLAYPAUSE, 0x122}, {KEY_STOPCD, 0x124},
    {KEY_PREVIOUSSONG, 0x110}, {KEY_NEXTSONG, 0x119},  {KEY_VOLUMEDOWN, 0x12E},
    {KEY_VOLUMEUP, 0x130},     {KEY_MUTE, 0x120},      {KEY_HOMEPAGE, 0x132},
    {KEY_REFRESH, 0x167},      {KEY_STOP, 0x168},      {KEY_BACK, 0x16A},
    {KEY_FORWARD, 0x169},      {KEY_BOOKMARKS, 0x166}, {KEY_SEARCH, 0x165},
    {KEY_COMPUTER, 0x16B},     {KEY_CALC, 0x121},      {KEY_MAIL, 0x16C},
};

ScanCode Resolved(int evdev, bool repeat = false, bool release = false) {
    return ResolveNativeKeyCode(evdev + XKB_KEYCODE_OFFSET, repeat, release);
}

TEST(EvdevKeyCodes, EveryMapKeyResolvesToItsScanCodeOnPressRepeatAndRelease) {
    std::set<ScanCode> seen;
    for (const Row& row : MAP_KEYS) {
        SCOPED_TRACE(::testing::Message() << "evdev " << row.evdev);
        EXPECT_EQ(EvdevToScanCode(row.evdev), row.scanCode);
        EXPECT_EQ(Resolved(row.evdev), row.scanCode);
        EXPECT_EQ(Resolved(row.evdev, true, false), row.scanCode);
        EXPECT_EQ(Resolved(row.evdev, false, true), row.scanCode);
        seen.insert(row.scanCode);
    }
    // The rows above are the whole map: no key of it is left without a Linux code.
    for (const MatrixKey& key : MatrixKeys()) EXPECT_TRUE(seen.count(key.scanCode)) << key.scanCode;
}

TEST(EvdevKeyCodes, MediaKeysResolveToTheMultimediaFunctions) {
    for (int i = 0; i < MEDIA_COUNT; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(MEDIA_KEYS[i].scanCode, MediaScanCode(i));
        EXPECT_EQ(Resolved(MEDIA_KEYS[i].evdev), MediaScanCode(i));
    }
    // Both names Linux uses for the media player key.
    EXPECT_EQ(Resolved(KEY_MEDIA), MediaScanCode(0));
}

TEST(EvdevKeyCodes, KeyDataWordCarriesScanExtendedRepeatAndReleaseBits) {
    const KeyEventWord rightCtrl = MakeKeyEventWord(0x11D, false, true);
    EXPECT_EQ(rightCtrl.vk, 0xA3);
    EXPECT_EQ(rightCtrl.keyData, (0x1Du << 16) | KEY_DATA_EXTENDED | KEY_DATA_RELEASE);
    const KeyEventWord pause = MakeKeyEventWord(0x045, true, false);
    EXPECT_EQ(pause.vk, 0x13);
    EXPECT_EQ(pause.keyData, (0x45u << 16) | KEY_DATA_REPEAT);
}

TEST(EvdevKeyCodes, CodesWithoutAKeyAndOutOfRangeCodesGiveNoKey) {
    for (int code : {0, 84, KEY_KPEQUAL, KEY_MACRO, 255, 256, -1, 100000}) {
        EXPECT_EQ(EvdevToScanCode(code), 0) << code;
    }
    // A native code below the offset is not a key code at all.
    EXPECT_EQ(ResolveNativeKeyCode(3, false, false), 0);
}

}  // namespace
}  // namespace quorvel
