#include "model/user_colours.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "base/atomic_write.h"
#include "base/ini_file.h"
#include "tests/base/temp_dir.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using testing::ReadWholeFile;
using testing::WriteWholeFile;

class UserColoursTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir_.File("program/Skins"));
        paths_ = ProgramPaths{dir_.File("program"), dir_.File("overlay")};
    }

    std::string ProgramFile(int profile) const {
        return dir_.File("program/" + UserFileRelativePath(profile));
    }
    std::string OverlayFile(int profile) const {
        return dir_.File("overlay/" + UserFileRelativePath(profile));
    }

    testing::TempDir dir_;
    ProgramPaths paths_;
};

TEST_F(UserColoursTest, FileNamesFollowTheProfileNumber) {
    EXPECT_EQ(UserFileRelativePath(1), "Skins/UserDengColor_1.userd");
    EXPECT_EQ(UserFilePath(paths_, 3), ProgramFile(3));
}

TEST_F(UserColoursTest, MissingFileLoadsRedMarkedKeysBlackColoursAndModeZero) {
    KeyColourTable table{};
    KeyColourMarks marks{};
    const UserModeState state = LoadUserMode(paths_, 2, table, marks);
    EXPECT_EQ(state, UserModeState{});

    int loaded = 0;
    for (const MatrixKey& key : MatrixKeys()) {
        EXPECT_EQ(table[key.position], COLOUR_RED);
        EXPECT_EQ(marks[key.position], 1);
        ++loaded;
    }
    EXPECT_EQ(loaded, 104);
    EXPECT_EQ(table[MATRIX_FN_POSITION], COLOUR_RED);
    EXPECT_EQ(marks[MATRIX_FN_POSITION], 1);
    EXPECT_EQ(table[MATRIX_G_KEYS_POSITION], COLOUR_BLACK);  // the G keys have no entry
    EXPECT_EQ(marks[MATRIX_G_KEYS_POSITION], 0);
    EXPECT_EQ(ReadUserModeNames(paths_, 2)[9], "0");
    EXPECT_FALSE(fs::exists(OverlayFile(2)));
    EXPECT_FALSE(fs::exists(ProgramFile(2)));
}

TEST_F(UserColoursTest, EveryValueReadsBackAsWritten) {
    ASSERT_TRUE(WritePresentMode(paths_, 1, 3));
    ASSERT_TRUE(WriteUserModeName(paths_, 1, 4, "Night shift"));
    ASSERT_TRUE(WriteKeyColour(paths_, 1, 3, MATRIX_FN_POSITION, ColourOf(1, 2, 3), 0));
    ASSERT_TRUE(WriteKeyColour(paths_, 1, 3, 64, ColourOf(250, 0, 9), 1));
    UserModeState written{3, TOOL_BASE_COLOUR, ColourOf(10, 20, 30), ColourOf(40, 50, 60)};
    ASSERT_TRUE(WriteToolAndColours(paths_, 1, 3, written));

    const std::string text = ReadWholeFile(OverlayFile(1));
    EXPECT_NE(
        text.find("[Mode3]\n110=1,2,3,0\n64=250,0,9,1\ntool=1\njcolor=10,20,30\ncolor=40,50,60\n"),
        std::string::npos)
        << text;
    EXPECT_NE(text.find("[MODENAME]\n4=Night shift\n"), std::string::npos) << text;

    EXPECT_EQ(ReadPresentMode(paths_, 1), 3);
    EXPECT_EQ(ReadUserModeName(paths_, 1, 4), "Night shift");
    EXPECT_EQ(ReadKeyColour(paths_, 1, 3, MATRIX_FN_POSITION),
              (KeyColourEntry{ColourOf(1, 2, 3), 0}));
    UserModeState read;
    ReadToolAndColours(paths_, 1, 3, read);
    read.currentMode = 3;
    EXPECT_EQ(read, written);

    KeyColourTable table{};
    KeyColourMarks marks{};
    EXPECT_EQ(LoadUserMode(paths_, 1, table, marks), written);
    EXPECT_EQ(table[MATRIX_FN_POSITION], ColourOf(1, 2, 3));
    EXPECT_EQ(marks[MATRIX_FN_POSITION], 0);
    EXPECT_EQ(table[64], ColourOf(250, 0, 9));
    EXPECT_EQ(table[0], COLOUR_RED);  // Esc has no entry in mode 3
}

TEST_F(UserColoursTest, NamesAreCutTo259Characters) {
    ASSERT_TRUE(WriteUserModeName(paths_, 0, 0, std::string(300, 'x')));
    EXPECT_EQ(ReadUserModeName(paths_, 0, 0), std::string(259, 'x'));
    EXPECT_FALSE(WriteUserModeName(paths_, 0, 10, "beyond the ten modes"));
}

TEST_F(UserColoursTest, DamagedValuesFallBackToTheirDefaults) {
    WriteWholeFile(ProgramFile(0),
                   "[PRESENTMODE]\nmode=57\n[Mode0]\n0=12,abc\n1=300,-5,7,9\n2=\n3=1, 2 ,3,0\n"
                   "tool=7\njcolor=5\ncolor=x\n");
    EXPECT_EQ(ReadPresentMode(paths_, 0), 0);
    struct Case {
        int position;
        KeyColourEntry expected;
    };
    const Case cases[] = {
        {0, {ColourOf(12, 0, 0), 1}},   // stops at the first number that does not parse
        {1, {ColourOf(255, 0, 7), 1}},  // out of range components are clamped, any mark is 1
        {2, {COLOUR_RED, 1}},
        {3, {ColourOf(1, 2, 3), 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadKeyColour(paths_, 0, 0, c.position), c.expected) << c.position;
    }
    UserModeState state;
    state.tool = TOOL_BASE_COLOUR;
    ReadToolAndColours(paths_, 0, 0, state);
    EXPECT_EQ(state.tool, TOOL_USER_COLOUR);
    EXPECT_EQ(state.baseColour, ColourOf(5, 0, 0));
    EXPECT_EQ(state.userColour, COLOUR_BLACK);
}

TEST_F(UserColoursTest, BinaryGarbageReadsAsDefaults) {
    std::string garbage(37, '\0');
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>(i * 97 + 13);
    WriteWholeFile(ProgramFile(0), garbage);
    KeyColourTable table{};
    KeyColourMarks marks{};
    EXPECT_EQ(LoadUserMode(paths_, 0, table, marks), UserModeState{});
    EXPECT_EQ(table[MATRIX_FN_POSITION], COLOUR_RED);
    EXPECT_EQ(ReadUserModeName(paths_, 0, 1), "0");
}

TEST_F(UserColoursTest, BaseColourRecoloursExactlyTheMarkedKeys) {
    KeyColourTable table{};
    KeyColourMarks marks{};
    UserModeState state = LoadUserMode(paths_, 0, table, marks);
    state.userColour = ColourOf(0, 0, 200);
    const Colour painted = PaintKeyColour(paths_, 0, state, 64, table, marks);  // tool 0
    EXPECT_EQ(painted, ColourOf(0, 0, 200));
    EXPECT_EQ(marks[64], 0);

    const Colour blue = ColourOf(0, 0, 255);
    ASSERT_TRUE(ChangeBaseColour(paths_, 0, state, blue, table, marks));
    EXPECT_EQ(state.baseColour, blue);
    EXPECT_EQ(table[64], ColourOf(0, 0, 200));
    EXPECT_EQ(table[0], blue);
    EXPECT_EQ(table[MATRIX_FN_POSITION], blue);
    EXPECT_EQ(table[MATRIX_G_KEYS_POSITION], COLOUR_BLACK);
    EXPECT_EQ(ReadKeyColour(paths_, 0, 0, 0), (KeyColourEntry{blue, 1}));
    EXPECT_EQ(ReadKeyColour(paths_, 0, 0, 64), (KeyColourEntry{ColourOf(0, 0, 200), 0}));

    const std::string before = ReadWholeFile(OverlayFile(0));
    EXPECT_FALSE(ChangeBaseColour(paths_, 0, state, blue, table, marks));
    EXPECT_EQ(ReadWholeFile(OverlayFile(0)), before);

    state.tool = TOOL_BASE_COLOUR;
    PaintKeyColour(paths_, 0, state, 64, table, marks);
    EXPECT_EQ(marks[64], 1);
    EXPECT_EQ(ReadKeyColour(paths_, 0, 0, 64), (KeyColourEntry{blue, 1}));
}

TEST_F(UserColoursTest, FactoryRestoreCopiesTheFactoryFileByteForByte) {
    const std::string factory = "\xEF\xBB\xBF[MODENAME]\r\n0=Factory\r\n[Mode0]\r\n0=1,2,3,0\r\n";
    WriteWholeFile(ProgramFile(3), factory);
    WriteWholeFile(OverlayFile(1), "[MODENAME]\n0=Mine\n[Mode5]\n7=9,9,9,1\n");
    ASSERT_TRUE(RestoreFactoryUserColours(paths_, 1));
    EXPECT_EQ(ReadWholeFile(OverlayFile(1)), factory);
    EXPECT_EQ(ReadUserModeName(paths_, 1, 0), "Factory");
}

TEST_F(UserColoursTest, FactoryRestoreWithoutFactoryFileLeavesAnEmptyFile) {
    WriteWholeFile(OverlayFile(2), "[PRESENTMODE]\nmode=4\n");
    ASSERT_TRUE(RestoreFactoryUserColours(paths_, 2));
    ASSERT_TRUE(fs::exists(OverlayFile(2)));
    EXPECT_EQ(fs::file_size(OverlayFile(2)), 0u);
    EXPECT_EQ(ReadPresentMode(paths_, 2), 0);
}

TEST_F(UserColoursTest, InterruptedWritesLeaveTheOldFileWhole) {
    KeyColourTable table{};
    KeyColourMarks marks{};
    UserModeState state = LoadUserMode(paths_, 0, table, marks);
    ASSERT_TRUE(ChangeBaseColour(paths_, 0, state, ColourOf(1, 2, 3), table, marks));
    std::string factory = "[Mode0]\n";
    for (int position = 0; position < 126; ++position)
        factory += std::to_string(position) + "=10,20,30,1\n";
    WriteWholeFile(ProgramFile(3), factory);
    const std::string before = ReadWholeFile(OverlayFile(0));
    ASSERT_GT(before.size(), 1000u);

    for (const long cut : {0L, 1L, 500L, static_cast<long>(before.size()) - 1}) {
        SCOPED_TRACE(cut);
        SetAtomicWriteFaultAfterBytes(cut);
        UserModeState changed = state;
        ChangeBaseColour(paths_, 0, changed, ColourOf(9, 9, 9), table, marks);
        EXPECT_FALSE(RestoreFactoryUserColours(paths_, 0));
        SetAtomicWriteFaultAfterBytes(-1);
        EXPECT_EQ(ReadWholeFile(OverlayFile(0)), before);
    }
    // No temporary file is left beside them.
    for (const auto& entry : fs::directory_iterator(dir_.File("overlay/Skins")))
        EXPECT_TRUE(entry.path().extension() == ".userd") << entry.path();
}

// A whole set (an import) replaces the file the way every other write does: a symbolic link
// stays a link to the new contents, the permissions stay, nothing is left beside it, and a
// failed write leaves the old file.
TEST_F(UserColoursTest, AWholeSetKeepsTheLinkAndPermissionsOrTheOldFile) {
    const std::string real = dir_.File("elsewhere.userd");
    WriteWholeFile(real, "[MODENAME]\n0=Before\n");
    ASSERT_EQ(chmod(real.c_str(), 0640), 0);
    fs::create_directories(dir_.File("overlay/Skins"));
    fs::create_symlink(real, OverlayFile(1));
    UserColourSet set;
    set.currentMode = 3;
    set.modes[3].name = "After";
    set.modes[3].keys[64] = {ColourOf(1, 2, 3), 0};

    SetAtomicWriteFaultAfterBytes(10);
    std::string error;
    EXPECT_FALSE(WriteUserColourSet(paths_, 1, set, &error));
    SetAtomicWriteFaultAfterBytes(-1);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadWholeFile(real), "[MODENAME]\n0=Before\n");

    ASSERT_TRUE(WriteUserColourSet(paths_, 1, set, &error)) << error;
    EXPECT_TRUE(fs::is_symlink(OverlayFile(1)));
    EXPECT_EQ(ReadUserColourSet(paths_, 1), set);
    struct stat info {};
    ASSERT_EQ(stat(real.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    for (const auto& entry : fs::directory_iterator(dir_.File("overlay/Skins")))
        EXPECT_EQ(entry.path(), OverlayFile(1));
}

// The program folder is writable here, as it is to root, and still never written.
TEST_F(UserColoursTest, WritesGoToTheOverlayStartingFromAnOlderCopyBesideTheProgram) {
    WriteWholeFile(ProgramFile(1), "[MODENAME]\n1=Older\n");
    WriteWholeFile(ProgramFile(3), "[MODENAME]\n0=Factory\n");
    EXPECT_EQ(UserFilePath(paths_, 1), ProgramFile(1));
    EXPECT_EQ(ReadUserModeName(paths_, 1, 1), "Older");

    ASSERT_TRUE(WriteUserModeName(paths_, 1, 4, "Mine"));
    EXPECT_EQ(ReadWholeFile(ProgramFile(1)), "[MODENAME]\n1=Older\n");
    EXPECT_EQ(UserFilePath(paths_, 1), OverlayFile(1));
    EXPECT_EQ(ReadUserModeName(paths_, 1, 4), "Mine");
    EXPECT_EQ(ReadUserModeName(paths_, 1, 1), "Older");  // the first write kept the rest

    // A profile without a file of its own gets one in the overlay only.
    ASSERT_TRUE(WritePresentMode(paths_, 0, 2));
    EXPECT_FALSE(fs::exists(ProgramFile(0)));
    EXPECT_EQ(ReadPresentMode(paths_, 0), 2);

    ASSERT_TRUE(RestoreFactoryUserColours(paths_, 1));
    EXPECT_EQ(ReadWholeFile(OverlayFile(1)), "[MODENAME]\n0=Factory\n");
    EXPECT_EQ(ReadWholeFile(ProgramFile(1)), "[MODENAME]\n1=Older\n");
    std::vector<std::string> programFiles;
    for (const auto& entry : fs::directory_iterator(dir_.File("program/Skins")))
        programFiles.push_back(entry.path().filename().string());
    std::sort(programFiles.begin(), programFiles.end());
    EXPECT_EQ(programFiles,
              (std::vector<std::string>{"UserDengColor_1.userd", "UserDengColor_3.userd"}));
}

TEST_F(UserColoursTest, WithoutAnAbsoluteOverlayNothingIsWritten) {
    for (const char* overlay : {"", "relative/overlay"}) {
        paths_.overlayDir = overlay;
        std::string error;
        EXPECT_FALSE(WriteUserColourSet(paths_, 0, UserColourSet{}, &error)) << overlay;
        EXPECT_FALSE(error.empty());
        EXPECT_FALSE(WritePresentMode(paths_, 0, 1)) << overlay;
    }
    EXPECT_FALSE(fs::exists("relative"));
    EXPECT_TRUE(fs::is_empty(dir_.File("program/Skins")));
}

TEST(ProgramPathsTest, OverlayFolderFollowsXdgDataHome) {
    testing::TempDir dir;
    const char* saved = std::getenv("XDG_DATA_HOME");
    const std::string restore = saved != nullptr ? saved : "";
    setenv("XDG_DATA_HOME", dir.Path().c_str(), 1);
    EXPECT_EQ(DetectProgramPaths(dir.Path()).overlayDir, dir.File("Quorvel"));
    setenv("XDG_DATA_HOME", "relative/data", 1);
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        EXPECT_EQ(DefaultOverlayDir(), (fs::path(home) / ".local/share/Quorvel").string());
    }
    if (saved != nullptr) {
        setenv("XDG_DATA_HOME", restore.c_str(), 1);
    } else {
        unsetenv("XDG_DATA_HOME");
    }
}

}  // namespace
}  // namespace quorvel
