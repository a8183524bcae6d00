#include "model/profile_image.h"

#include <gtest/gtest.h>

#include "base/byte_order.h"

namespace quorvel {
namespace {

constexpr size_t TEXT_AREA_AT_NO_MACROS = PROFILE_IMAGE_BASE_SIZE;

size_t EntryOffset(int index) {
    return PROFILE_KEY_AREAS_OFFSET + KEY_ASSIGNMENT_SIZE * index;
}

KeyAssignment& Entry(WorkingSetData& data, int index) {
    return data.keyAreas[index / KEY_AREA_ENTRIES][index % KEY_AREA_ENTRIES];
}

void SetTextEntry(WorkingSetData& data, int index, int16_t type, std::u16string_view text) {
    Entry(data, index).type = type;
    data.texts.Set(index, text);
}

std::vector<uint8_t> Utf16Le(std::u16string_view text) {
    std::vector<uint8_t> bytes((text.size() + 1) * 2, 0);
    for (size_t i = 0; i < text.size(); ++i) WriteLe16(bytes.data() + 2 * i, text[i]);
    return bytes;
}

MacroRecord SampleMacro(uint16_t id, std::u16string_view name) {
    MacroRecord record;
    record.id = id;
    record.cycles = 3;
    record.reserved = 0x1234;
    record.SetName(name);
    record.actions = {{120, 0x1E, MACRO_STATE_PRESS}, {40000, 0x1E, MACRO_STATE_RELEASE}};
    return record;
}

// An image whose header claims the given counts, with text area bytes appended as given.
std::vector<uint8_t> ImageWithTextArea(WorkingSetData data, std::vector<uint8_t> textArea) {
    std::vector<uint8_t> image = EncodeProfileImage(data);
    BuildImageHeader(image.data(), static_cast<uint16_t>(data.macros.Count()),
                     static_cast<uint32_t>(textArea.size()), 0);
    image.insert(image.end(), textArea.begin(), textArea.end());
    return image;
}

TEST(ProfileImage, FreshImageIsHeaderDeviceBlockAndGKeyCodes) {
    WorkingSetData fresh = FreshWorkingSetData();
    const std::vector<uint8_t> image = EncodeProfileImage(fresh);
    ASSERT_EQ(image.size(), 32832u);

    std::vector<uint8_t> header = {0x46, 0x44, 0x20, 0x00, 0x03, 0x00, 0x01,
                                   0x00, 0x40, 0x80, 0x00, 0x00, 0x00, 0x08};
    header.resize(31, 0);
    header.push_back(0x76);
    EXPECT_EQ(std::vector<uint8_t>(image.begin(), image.begin() + 32), header);

    const std::vector<uint8_t> deviceBlock = {
        0x4B, 0x48, 0x20, 0x00, 0x20, 0x80, 0x00, 0x00, 0x04, 0x00, 0x00, 0x02, 0, 0, 0, 0,
        0x45, 0x0C, 0x3D, 0x7A, 0x4F, 0x1C, 0x0E, 0x00, 0,    0,    0,    0,    0, 0, 0, 0};
    EXPECT_EQ(std::vector<uint8_t>(image.begin() + 32, image.begin() + 64), deviceBlock);

    EXPECT_EQ(ReadLe16(image.data() + EntryOffset(256) + 2), 0x0301);
    EXPECT_EQ(ReadLe16(image.data() + EntryOffset(273) + 2), 0x1309);
    EXPECT_EQ(ReadLe16(image.data() + EntryOffset(512 + 256) + 2), 0);
}

TEST(ProfileImage, OneMacroAndOneProgramPath) {
    WorkingSetData data = FreshWorkingSetData();
    ASSERT_TRUE(data.macros.Replace({SampleMacro(1, u"M")}));
    SetTextEntry(data, 40, ASSIGN_PROGRAM, u"C:\\a.exe");
    Entry(data, 40).value = 77;

    const std::vector<uint8_t> image = EncodeProfileImage(data);
    ASSERT_EQ(image.size(), 32832u + 16512 + 18);
    const ImageHeader h = ReadImageHeader(image.data());
    EXPECT_EQ(h.macroCount, 1);
    EXPECT_EQ(h.textBytes, 18u);
    EXPECT_EQ(h.totalSize, image.size());
    EXPECT_EQ(ReadLeS32(image.data() + EntryOffset(40) + 4), 0);
    EXPECT_EQ(Entry(data, 40).value, 0);
    EXPECT_EQ(std::vector<uint8_t>(image.end() - 18, image.end()), Utf16Le(u"C:\\a.exe"));
    EXPECT_EQ(ReadMacroRecord(image.data() + 32832), data.macros.Records()[0]);
}

TEST(ProfileImage, TextsArePackedInEntryOrder) {
    WorkingSetData data = FreshWorkingSetData();
    SetTextEntry(data, 600, ASSIGN_TEXT, u"abcd");  // 10 bytes
    SetTextEntry(data, 10, ASSIGN_TEXT, u"xy");     // 6 bytes

    const std::vector<uint8_t> area = PackTexts(data.keyAreas, data.texts);
    EXPECT_EQ(Entry(data, 10).value, 0);
    EXPECT_EQ(Entry(data, 600).value, 6);
    std::vector<uint8_t> expected = Utf16Le(u"xy");
    const std::vector<uint8_t> second = Utf16Le(u"abcd");
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(area, expected);
}

TEST(ProfileImage, TextOfResetEntryIsCountedButNotPacked) {
    WorkingSetData data = FreshWorkingSetData();
    SetTextEntry(data, 5, ASSIGN_PROGRAM, u"old");  // 8 bytes
    Entry(data, 5).type = ASSIGN_DEFAULT;
    Entry(data, 5).value = 99;
    SetTextEntry(data, 7, ASSIGN_PROGRAM, u"ab");  // 6 bytes

    const std::vector<uint8_t> image = EncodeProfileImage(data);
    EXPECT_EQ(ReadImageHeader(image.data()).textBytes, 14u);
    ASSERT_EQ(image.size(), TEXT_AREA_AT_NO_MACROS + 14);
    EXPECT_EQ(Entry(data, 5).value, 99);
    EXPECT_EQ(Entry(data, 7).value, 0);
    std::vector<uint8_t> expected = Utf16Le(u"ab");
    expected.resize(14, 0);
    EXPECT_EQ(std::vector<uint8_t>(image.begin() + TEXT_AREA_AT_NO_MACROS, image.end()), expected);
}

TEST(ProfileImage, RoundTripKeepsChineseNamesAndTexts) {
    WorkingSetData data = FreshWorkingSetData();
    ASSERT_TRUE(data.macros.Replace({SampleMacro(2, u"宏一"), SampleMacro(1, u"复制粘贴")}));
    SetTextEntry(data, 3, ASSIGN_PROGRAM, u"C:\\程序\\运行.exe");
    SetTextEntry(data, 2 * 512 + 17, ASSIGN_TEXT, u"你好，世界 \U0001F3B9");
    SetTextEntry(data, 3 * 512 + 1, ASSIGN_TEXT, u"");
    Entry(data, 20) = {ASSIGN_MACRO, 3, 2, 0, 0};
    Entry(data, 512 + 30) = {ASSIGN_KEY, 0, 0x1E, 1, 0};

    const std::vector<uint8_t> image = EncodeProfileImage(data);
    const std::optional<WorkingSetData> back = DecodeProfileImage(image);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, data);
}

TEST(ProfileImage, TextsOutsideTheAreaOrUnterminatedAreEmpty) {
    WorkingSetData data = FreshWorkingSetData();
    Entry(data, 1) = {ASSIGN_PROGRAM, 0, 0, 0, 0};   // "ab"
    Entry(data, 2) = {ASSIGN_TEXT, 0, 7, 0, 0};      // odd: rounds down to "c"
    Entry(data, 3) = {ASSIGN_TEXT, 0, 1000, 0, 0};   // past the area
    Entry(data, 4) = {ASSIGN_TEXT, 0, -2, 0, 0};     // negative
    Entry(data, 5) = {ASSIGN_PROGRAM, 0, 10, 0, 0};  // "de" without terminator
    Entry(data, 6) = {ASSIGN_DEFAULT, 0, 0, 0, 0};   // no text for other types
    std::vector<uint8_t> area = Utf16Le(u"ab");
    const std::vector<uint8_t> c = Utf16Le(u"c");
    area.insert(area.end(), c.begin(), c.end());
    area.insert(area.end(), {'d', 0, 'e', 0});

    const std::optional<WorkingSetData> back = DecodeProfileImage(ImageWithTextArea(data, area));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back->texts.At(1), u"ab");
    EXPECT_EQ(*back->texts.At(2), u"c");
    EXPECT_EQ(*back->texts.At(3), u"");
    EXPECT_EQ(*back->texts.At(4), u"");
    EXPECT_EQ(*back->texts.At(5), u"");
    EXPECT_EQ(back->texts.At(6), nullptr);
    EXPECT_EQ(back->texts.Total(), 6u + 4 + 2 + 2 + 2);
}

TEST(ProfileImage, TruncatedImageLoadsWhatIsThere) {
    WorkingSetData data = FreshWorkingSetData();
    ASSERT_TRUE(data.macros.Replace({SampleMacro(1, u"A"), SampleMacro(2, u"B")}));
    SetTextEntry(data, 1, ASSIGN_TEXT, u"first");
    SetTextEntry(data, 2, ASSIGN_TEXT, u"second");
    const std::vector<uint8_t> image = EncodeProfileImage(data);
    const size_t textStart = 32832 + 2 * 16512;

    struct Case {
        size_t size;
        int macros;
        std::u16string text1, text2;
    };
    const Case cases[] = {
        {image.size() - 1, 2, u"first", u""},  // the second text loses its terminator
        {textStart + 12, 2, u"first", u""},    // the first text ends exactly at the cut
        {textStart + 11, 2, u"", u""},        {textStart, 2, u"", u""},
        {32832 + 16512 + 16511, 1, u"", u""}, {32832, 0, u"", u""},
    };
    for (const Case& c : cases) {
        const auto back = DecodeProfileImage(std::span(image).first(c.size));
        ASSERT_TRUE(back) << c.size;
        EXPECT_EQ(back->macros.Count(), c.macros) << c.size;
        EXPECT_EQ(back->keyAreas, data.keyAreas) << c.size;
        EXPECT_EQ(*back->texts.At(1), c.text1) << c.size;
        EXPECT_EQ(*back->texts.At(2), c.text2) << c.size;
    }
    EXPECT_FALSE(DecodeProfileImage(std::span(image).first(32831)));
}

TEST(ProfileImage, TextAreaBeyondHeaderCountIsIgnored) {
    WorkingSetData data = FreshWorkingSetData();
    Entry(data, 1) = {ASSIGN_TEXT, 0, 0, 0, 0};
    std::vector<uint8_t> image = ImageWithTextArea(data, {'a', 0, 'b', 0});
    image.insert(image.end(), {0, 0});  // a terminator the header does not cover
    const auto back = DecodeProfileImage(image);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back->texts.At(1), u"");
}

TEST(ProfileImage, RefusesMoreMacrosThanAListHolds) {
    std::vector<uint8_t> image(32832, 0);
    BuildImageHeader(image.data(), 101, 0, 0);
    EXPECT_FALSE(DecodeProfileImage(image));
}

TEST(ProfileImage, LoadedMacrosAreNeverNew) {
    WorkingSetData data = FreshWorkingSetData();
    MacroRecord record = SampleMacro(1, u"A");
    record.isNew = 1;
    ASSERT_TRUE(data.macros.Replace({record}));
    const auto back = DecodeProfileImage(EncodeProfileImage(data));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->macros.Records()[0].isNew, 0);
}

}  // namespace
}  // namespace quorvel
