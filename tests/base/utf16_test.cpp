#include "base/utf16.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

TEST(Utf16, ValidTextRoundTrips) {
    const struct {
        std::string utf8;
        std::u16string utf16;
    } cases[] = {
        {"", u""},
        {"C:\\Tools\\run.exe", u"C:\\Tools\\run.exe"},
        {"\xC3\xA9", u"\u00E9"},
        {"\xE5\xAE\x8F\xE4\xB8\x80", u"\u5B8F\u4E00"},  // 宏一
        {"\xEF\xBF\xBF", u"\uFFFF"},
        {"\xF0\x9F\x8E\xB9", u"\U0001F3B9"},
        {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToUtf16(c.utf8), c.utf16) << c.utf8;
        EXPECT_EQ(ToUtf8(c.utf16), c.utf8) << c.utf8;
    }
}

TEST(Utf16, IllFormedUtf8BecomesReplacementCharacters) {
    const struct {
        std::string utf8;
        std::u16string expected;
    } cases[] = {
        {"a\x80"
         "b",
         u"a\uFFFDb"},                                      // lone continuation byte
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong lead byte
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},            // overlong three-byte form
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {"\xF5", u"\uFFFD"},
        {"\xE5\xAE", u"\uFFFD"},  // truncated at the end of the text
        {"\xE5\xAE"
         "x",
         u"\uFFFDx"},  // truncated before an ASCII byte
        {"\xF0\x9F\x8E", u"\uFFFD"},
        {"\xE5\xAE\xE5\xAE\x8F", u"\uFFFD\u5B8F"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ToUtf16(c.utf8), c.expected) << ::testing::PrintToString(c.utf8);
}

TEST(Utf16, UnpairedSurrogatesBecomeReplacementCharacters) {
    const struct {
        std::u16string utf16;
        std::string expected;
    } cases[] = {
        {std::u16string{char16_t(0xD83C)}, "\xEF\xBF\xBD"},
        {std::u16string{char16_t(0xDFB9), u'a'},
         "\xEF\xBF\xBD"
         "a"},
        {std::u16string{char16_t(0xD83C), u'a'},
         "\xEF\xBF\xBD"
         "a"},
        {std::u16string{char16_t(0xD83C), char16_t(0xD83C), char16_t(0xDFB9)},
         "\xEF\xBF\xBD\xF0\x9F\x8E\xB9"},
    };
    for (const auto& c : cases) EXPECT_EQ(ToUtf8(c.utf16), c.expected);
}

TEST(Utf16, EmbeddedNulIsKept) {
    const std::string utf8("a\0b", 3);
    EXPECT_EQ(ToUtf16(utf8), std::u16string(u"a\0b", 3));
    EXPECT_EQ(ToUtf8(std::u16string(u"a\0b", 3)), utf8);
}

}  // namespace
}  // namespace quorvel
