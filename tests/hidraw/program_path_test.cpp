// The program's own device layer and quorvelctl on libHidServ.so, against the emulated nodes.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "device/command_frame.h"
#include "device/device_events.h"
#include "device/device_link.h"
#include "device/firmware_commands.h"
#include "device/result_codes.h"
#include "device/shell_port.h"
#include "tests/device/recording_shell_port.h"
#include "tests/hidraw/hidraw_fixture.h"

extern char** environ;

namespace quorvel::testing {
namespace {

using namespace std::chrono_literals;

std::string Hex(const std::vector<uint8_t>& bytes) {
    std::string text;
    for (uint8_t b : bytes) {
        char digits[4];
        std::snprintf(digits, sizeof digits, text.empty() ? "%02X" : " %02X", b);
        text += digits;
    }
    return text;
}

std::vector<std::string> Prefixed(const std::vector<std::string>& lines,
                                  const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& line : lines)
        if (line.rfind(prefix, 0) == 0) found.push_back(line.substr(prefix.size()));
    return found;
}

std::vector<std::string> HexLines(const std::vector<std::vector<uint8_t>>& reports, size_t from) {
    std::vector<std::string> lines;
    for (size_t i = from; i < reports.size(); ++i) lines.push_back(Hex(reports[i]));
    return lines;
}

class ProgramPathTest : public HidrawTest {
protected:
    void SetUp() override {
        HidrawTest::SetUp();
        if (HasFatalFailure()) return;
        link_ = std::make_unique<DeviceLink>(shell_);
        BindOptions options;
        options.libraryDir = BinDir();
        BindResult result = link_->Bind(options);
        ASSERT_TRUE(result.Ok()) << result.message;
        ASSERT_TRUE(shell_.WaitForEvents(1));  // the arrival's UM_PROFILE
        link_->Events().WaitUntilIdle();
    }
    void TearDown() override {
        link_.reset();
        HidrawTest::TearDown();
    }

    RecordingShellPort shell_;
    std::unique_ptr<DeviceLink> link_;
};

// Catches: frames changed on their way through hidapi (report id, padding, length) and
// replies cut, merged or reordered: what crossed the nodes equals the firmware's transcript.
TEST_F(ProgramPathTest, TransfersMatchTheFirmwareTraceByteForByte) {
    // Every transfer crosses the nodes, the read-back included, not the picture of what the
    // keyboard holds.
    link_->SetTrustPicture(false);
    const size_t mark = firmware_->TraceMark();
    const size_t written = keyboard_->Written(HidrawKeyboard::CONTROL).size();
    const size_t delivered = keyboard_->Delivered(HidrawKeyboard::CONTROL).size();

    SettingsBlock settings{};
    ASSERT_EQ(ReadSettingsBlock(*link_, settings), CMD_OK);
    std::array<uint8_t, KEY_TABLE_BLOCK_SIZE> block{};
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 7 + 1);
    ASSERT_EQ(BeginSession(*link_), CMD_OK);
    ASSERT_EQ(WriteKeyBlock(*link_, block, 1), CMD_OK);
    ASSERT_EQ(EndSession(*link_), CMD_OK);
    std::array<uint8_t, KEY_TABLE_BLOCK_SIZE> back{};
    ASSERT_EQ(ReadKeyBlock(*link_, back, 1), CMD_OK);
    EXPECT_EQ(back, block);
    ASSERT_TRUE(keyboard_->WaitInputTaken(HidrawKeyboard::CONTROL));

    const std::vector<std::string> trace = firmware_->TraceSince(mark);
    const std::vector<std::string> sent = Prefixed(trace, "> CTRL ");
    const std::vector<std::string> answered = Prefixed(trace, "< CTRL ");
    // Settings, begin, 7 key-block chunks, end, 7 chunks read back.
    EXPECT_EQ(sent.size(), 1u + 1u + 7u + 1u + 7u);
    EXPECT_EQ(HexLines(keyboard_->Written(HidrawKeyboard::CONTROL), written), sent);
    EXPECT_EQ(HexLines(keyboard_->Delivered(HidrawKeyboard::CONTROL), delivered), answered);
}

// Catches: the indicator state written to the wrong interface or in another report layout.
TEST_F(ProgramPathTest, BankKeyWritesTheIndicatorOutputReport) {
    const size_t mark = firmware_->TraceMark();
    firmware_->Run({"bank"});
    ASSERT_TRUE(shell_.WaitForEvents(3));
    firmware_->Run({"bank"});
    ASSERT_TRUE(shell_.WaitForEvents(5));
    link_->Events().WaitUntilIdle();
    std::this_thread::sleep_for(100ms);

    const std::vector<std::vector<uint8_t>> expected = {{0x05, 0x03}, {0x05, 0x02}};
    EXPECT_EQ(keyboard_->Written(HidrawKeyboard::INDICATOR), expected);
    EXPECT_EQ(Prefixed(firmware_->TraceSince(mark), "> LED "),
              (std::vector<std::string>{"05 03", "05 02"}));
}

// Catches: a replugged keyboard whose layout and settings are not read again.
TEST_F(ProgramPathTest, ReplugReadsLayoutAndSettingsAgain) {
    shell_.Clear();
    keyboard_->Unplug();
    ASSERT_TRUE(shell_.WaitForEvents(1));
    link_->Events().WaitUntilIdle();
    const size_t mark = firmware_->TraceMark();
    keyboard_->Plug();
    ASSERT_TRUE(shell_.WaitForEvents(4));
    link_->Events().WaitUntilIdle();

    const std::vector<std::string> events = shell_.Events();
    EXPECT_EQ(events.front(), "send 4753 00000000");  // UM_DEVICE_GONE
    EXPECT_NE(std::find(events.begin(), events.end(), "send 5452 50524F46"), events.end());
    std::vector<uint8_t> commands;
    for (const std::string& frame : Prefixed(firmware_->TraceSince(mark), "> CTRL "))
        commands.push_back(static_cast<uint8_t>(std::stoi(frame.substr(9, 2), nullptr, 16)));
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.front(), OP_READ_DEFAULT_LAYOUT);
    EXPECT_NE(std::find(commands.begin(), commands.end(), OP_READ_SETTINGS_BLOCK), commands.end());
}

// Catches: the command-line tool's default path (no --virtual) not reaching a real keyboard.
TEST_F(HidrawTest, QuorvelctlStatusWithoutVirtualUsesTheRealLibrary) {
    const size_t mark = firmware_->TraceMark();
    std::vector<std::string> args = {BinDir() + "/quorvelctl", "status"};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const std::string folder = firmware_->Dir() + "/out.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, folder.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    pid_t pid;
    ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    std::ifstream file(folder);
    std::stringstream text;
    text << file.rdbuf();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << text.str();
    EXPECT_FALSE(text.str().empty());
    EXPECT_FALSE(Prefixed(firmware_->TraceSince(mark), "> CTRL ").empty());
}

}  // namespace
}  // namespace quorvel::testing
