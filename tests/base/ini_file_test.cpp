#include "base/ini_file.h"

#include <gtest/gtest.h>

#include "base/atomic_write.h"
#include "tests/base/temp_dir.h"

namespace quorvel {
namespace {

using testing::ReadWholeFile;
using testing::TempDir;
using testing::WriteWholeFile;

const std::string SAMPLE =
    "; settings written by hand\r\n"
    "[Main]\r\n"
    "  Name  =  Value with spaces   \r\n"
    "name = second, never read\r\n"
    ";Hidden=1\r\n"
    "Chinese=键盘设置\r\n"
    "Quoted=\"  padded  \"\r\n"
    "Number= 42abc\r\n"
    "Negative=-7\r\n"
    "Word=abc\r\n"
    "Empty=\r\n"
    "\r\n"
    "[main]\r\n"
    "Other=in a second section of the same name\r\n"
    "[Second]\r\n"
    "Name=two";

class IniFileTest : public ::testing::Test {
protected:
    void TearDown() override { SetAtomicWriteFaultAfterBytes(-1); }
    std::string Sample() {
        WriteWholeFile(path, SAMPLE);
        return path;
    }
    TempDir dir;
    std::string path = dir.File("settings.ini");
};

TEST_F(IniFileTest, ReadsLikeProfileStrings) {
    const IniFile ini(Sample());
    EXPECT_EQ(ini.ReadString("MAIN", "NAME", "x"), "Value with spaces");
    EXPECT_EQ(ini.ReadString(" main ", "chinese"), "键盘设置");
    EXPECT_EQ(ini.ReadString("Main", "Quoted"), "  padded  ");
    EXPECT_EQ(ini.ReadString("Main", "Empty", "fallback"), "");
    EXPECT_EQ(ini.ReadString("Second", "Name"), "two");
    EXPECT_FALSE(ini.HasKey("Main", "Hidden"));
    EXPECT_FALSE(ini.HasKey("Main", ";Hidden"));
    // Only the first section of a name counts.
    EXPECT_EQ(ini.ReadString("Main", "Other", "fallback"), "fallback");
}

TEST_F(IniFileTest, ReadsIntegersLikeGetPrivateProfileInt) {
    const IniFile ini(Sample());
    EXPECT_EQ(ini.ReadInt("Main", "Number", 5), 42);
    EXPECT_EQ(ini.ReadInt("Main", "Negative", 5), -7);
    EXPECT_EQ(ini.ReadInt("Main", "Word", 5), 0);
    EXPECT_EQ(ini.ReadInt("Main", "Empty", 5), 5);
    EXPECT_EQ(ini.ReadInt("Main", "Missing", 5), 5);
}

TEST_F(IniFileTest, DefaultsLoseTheirTrailingBlanksOnly) {
    const IniFile ini(Sample());
    const struct {
        std::string_view fallback, expected;
    } cases[] = {
        {"fallback  ", "fallback"},
        {"  lead", "  lead"},
        {" both \t ", " both"},
        {"   ", ""},
        {"a b ", "a b"},
        {"\"q\" ", "\"q\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fallback);
        EXPECT_EQ(ini.ReadString("Main", "Missing", c.fallback), c.expected);
        EXPECT_EQ(ini.ReadString("Absent", "Name", c.fallback), c.expected);
    }
    // A value that is present keeps what it reads as, whatever the default.
    EXPECT_EQ(ini.ReadString("Main", "Empty", "fallback  "), "");
}

TEST_F(IniFileTest, IntegersWrapLikeTheProfileFunctions) {
    const struct {
        std::string_view value;
        int fallback, expected;
    } cases[] = {
        {"4294967297", 5, 1},
        {"-4294967297", 5, -1},
        {"2147483647", 5, 2147483647},
        {"2147483648", 5, -2147483647 - 1},
        {"-2147483648", 5, -2147483647 - 1},
        {"4294967295", 5, -1},
        {"99999999999999999999x", 5, 1661992959},  // 10^20 - 1 modulo 2^32
        {"", 5, 5},
        {"   ", 7, 7},
        {"\"\"", 3, 3},
        {"-", 5, 0},
        {"x1", 5, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        WriteWholeFile(path, "[S]\nk=" + std::string(c.value) + "\n");
        EXPECT_EQ(IniFile(path).ReadInt("S", "k", c.fallback), c.expected);
    }
}

TEST_F(IniFileTest, LoneCarriageReturnsEndLines) {
    const struct {
        std::string name, text;
    } cases[] = {
        {"CR", "[A]\rone=1\rtwo=2\r[B]\rone=b\r"},
        {"CR without a last line end", "[A]\rone=1\rtwo=2\r[B]\rone=b"},
        {"mixed", "[A]\r\none=1\ntwo=2\r[B]\none=b\r\n"},
        {"blank CR lines", "\r\r[A]\r\rone=1\rtwo=2\r\r[B]\rone=b\r"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteWholeFile(path, c.text);
        IniFile ini(path);
        EXPECT_EQ(ini.ReadInt("A", "one", 0), 1);
        EXPECT_EQ(ini.ReadString("A", "two"), "2");
        EXPECT_EQ(ini.ReadString("B", "one"), "b");
        EXPECT_FALSE(ini.HasKey("A", "one=1"));
    }

    // Writes keep a CR file's line end: in place, at the end of a section, and a new section.
    WriteWholeFile(path, "[A]\rone=1\r[B]\rone=b");
    IniFile ini(path);
    ASSERT_TRUE(ini.WriteString("A", "one", "10"));
    ASSERT_TRUE(ini.WriteString("A", "three", "3"));
    ASSERT_TRUE(ini.WriteString("B", "two", "c"));
    ASSERT_TRUE(ini.WriteString("C", "k", "v"));
    EXPECT_EQ(ReadWholeFile(path), "[A]\rone=10\rthree=3\r[B]\rone=b\rtwo=c\r[C]\rk=v\r");
    EXPECT_EQ(IniFile(path).ReadString("A", "three"), "3");
}

TEST_F(IniFileTest, MissingFileAndSectionGiveDefaults) {
    const IniFile missing(dir.File("absent.ini"));
    EXPECT_EQ(missing.ReadString("Main", "Name", "default"), "default");
    EXPECT_EQ(missing.ReadInt("Main", "Number", 9), 9);
    const IniFile ini(Sample());
    EXPECT_EQ(ini.ReadString("Absent", "Name", "default"), "default");
    EXPECT_FALSE(ini.HasKey("Absent", "Name"));
}

TEST_F(IniFileTest, LongValuesAreCutWithoutSplittingCharacters) {
    const std::string emoji = "\xF0\x9F\x98\x80";  // two UTF-16 units
    WriteWholeFile(path, "[S]\nlong=" + std::string(300, 'x') + "\nedge=" + std::string(258, 'a') +
                             emoji + "\n");
    const IniFile ini(path);
    EXPECT_EQ(ini.ReadString("S", "long"), std::string(259, 'x'));
    EXPECT_EQ(ini.ReadString("S", "edge"), std::string(258, 'a'));
}

TEST_F(IniFileTest, WriteChangesOnlyTheValueInPlace) {
    IniFile ini(Sample());
    ASSERT_TRUE(ini.WriteString("MAIN", "name", "新的值"));
    std::string expected = SAMPLE;
    expected.replace(expected.find("Value with spaces   "), 20, "新的值");
    EXPECT_EQ(ReadWholeFile(path), expected);
    EXPECT_EQ(IniFile(path).ReadString("Main", "Name"), "新的值");
    EXPECT_EQ(ini.ReadString("Main", "Name"), "新的值");
}

TEST_F(IniFileTest, NewKeyGoesToTheEndOfItsSection) {
    IniFile ini(Sample());
    ASSERT_TRUE(ini.WriteString("main", "Added", "1"));
    std::string expected = SAMPLE;
    expected.insert(expected.find("Empty=\r\n") + 8, "Added=1\r\n");
    EXPECT_EQ(ReadWholeFile(path), expected);

    // The last section has no line end of its own yet.
    ASSERT_TRUE(ini.WriteString("Second", "Tail", "2"));
    EXPECT_TRUE(ReadWholeFile(path).ends_with("Name=two\r\nTail=2\r\n"));
}

TEST_F(IniFileTest, NewSectionGoesToTheEnd) {
    IniFile ini(Sample());
    ASSERT_TRUE(ini.WriteString("KEYCOLOR", "DengCheck", "1"));
    EXPECT_EQ(ReadWholeFile(path), SAMPLE + "\r\n[KEYCOLOR]\r\nDengCheck=1\r\n");

    IniFile fresh(dir.File("fresh.ini"));
    ASSERT_TRUE(fresh.WriteString("LANGUAGE", "language", "1"));
    EXPECT_EQ(ReadWholeFile(fresh.Path()), "[LANGUAGE]\nlanguage=1\n");
}

TEST_F(IniFileTest, SeveralKeysAreWrittenTogetherOrNotAtAll) {
    IniFile ini(dir.File("colours.ini"));
    const IniEntry batch[] = {{"1", "255,0,0,1"}, {"Name", "new"}, {"2", "0,0,255,0"}};
    ASSERT_TRUE(ini.WriteStrings("Mode0", batch));
    EXPECT_EQ(ReadWholeFile(ini.Path()), "[Mode0]\n1=255,0,0,1\nName=new\n2=0,0,255,0\n");

    const IniEntry refused[] = {{"1", "0,0,0,0"}, {"bad=key", "x"}};
    EXPECT_FALSE(ini.WriteStrings("Mode0", refused));
    EXPECT_EQ(ini.ReadString("Mode0", "1"), "255,0,0,1");
    EXPECT_EQ(ReadWholeFile(ini.Path()), "[Mode0]\n1=255,0,0,1\nName=new\n2=0,0,255,0\n");
}

TEST_F(IniFileTest, ValuesRoundTripExactly) {
    IniFile ini(dir.File("round.ini"));
    for (const std::string value :
         {"请选择正确的更新文件! ", "  both sides  ", "\"quoted\"", "'single'", "a = b ; c", ""}) {
        SCOPED_TRACE(value);
        ASSERT_TRUE(ini.WriteString("S", "k", value));
        EXPECT_EQ(IniFile(ini.Path()).ReadString("S", "k", "fallback"), value);
    }
}

TEST_F(IniFileTest, ByteOrderMarkIsSkippedAndKept) {
    WriteWholeFile(path, "\xEF\xBB\xBF[LANGUAGE]\nlanguage=1\n");
    IniFile withBom(path);
    EXPECT_EQ(withBom.ReadInt("language", "LANGUAGE", 0), 1);
    ASSERT_TRUE(withBom.WriteString("LANGUAGE", "language", "0"));
    EXPECT_EQ(ReadWholeFile(path), "\xEF\xBB\xBF[LANGUAGE]\nlanguage=0\n");

    const std::string plainPath = dir.File("plain.ini");
    WriteWholeFile(plainPath, "[LANGUAGE]\nlanguage=1\n");
    ASSERT_TRUE(IniFile(plainPath).WriteString("LANGUAGE", "language", "0"));
    EXPECT_EQ(ReadWholeFile(plainPath), "[LANGUAGE]\nlanguage=0\n");
}

TEST_F(IniFileTest, WriteKeepsChangesMadeByOtherWriters) {
    IniFile first(path);
    IniFile second(path);
    ASSERT_TRUE(first.WriteString("S", "a", "1"));
    ASSERT_TRUE(second.WriteString("S", "b", "2"));
    const IniFile after(path);
    EXPECT_EQ(after.ReadString("S", "a"), "1");
    EXPECT_EQ(after.ReadString("S", "b"), "2");
}

TEST_F(IniFileTest, RefusedWritesLeaveFileAndObjectAlone) {
    IniFile ini(Sample());
    EXPECT_FALSE(ini.WriteString("Main", "Name", "two\nlines"));
    EXPECT_FALSE(ini.WriteString("Main", "Na=me", "x"));
    EXPECT_FALSE(ini.WriteString("Ma]in", "Name", "x"));
    EXPECT_FALSE(ini.WriteString("", "Name", "x"));
    EXPECT_FALSE(ini.WriteString("Main", " ", "x"));
    SetAtomicWriteFaultAfterBytes(20);
    EXPECT_FALSE(ini.WriteString("Main", "Name", "lost"));
    EXPECT_EQ(ReadWholeFile(path), SAMPLE);
    EXPECT_EQ(ini.ReadString("Main", "Name"), "Value with spaces");

    EXPECT_FALSE(IniFile(dir.File("absent/x.ini")).WriteString("S", "k", "v"));
}

}  // namespace
}  // namespace quorvel
