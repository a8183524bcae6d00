// A begin...end session is one unit: another thread's session frames never land inside it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "device/command_frame.h"
#include "device/device_snapshot.h"
#include "device/firmware_commands.h"
#include "device/lighting_io.h"
#include "device/profile_transfer.h"
#include "device/result_codes.h"
#include "linked_keyboard.h"
#include "transfer_test_support.h"

namespace quorvel {
namespace {

using testing::LinkedKeyboard;

class Session : public LinkedKeyboard {
protected:
    // Command codes of the frames sent since mark, in the order the keyboard took them.
    std::vector<int> CommandsSince(size_t mark) {
        std::vector<int> codes;
        for (const std::string& frame : keyboard_->FramesSentSince(mark))
            codes.push_back(std::stoi(frame.substr(9, 2), nullptr, 16));
        return codes;
    }

    // Runs other on a second thread once the write on this thread has sent its begin, and
    // gives it time to send its own frames before the write goes on.
    template <typename Write, typename Other>
    void Overlap(Write write, Other other) {
        std::thread second;
        write([&](int done, int) {
            if (done != 1 || second.joinable()) return;
            second = std::thread(other);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        });
        ASSERT_TRUE(second.joinable());
        second.join();
    }

    testing::ScopedDataFolder folder_;
    ProfileWorkingSet workingSet_;
    DeviceSnapshot snapshot_;
};

TEST_F(Session, LightingWriteDuringApplyWaitsForItsEnd) {
    ASSERT_GE(GetActiveProfile(*link_), 0);
    size_t mark = keyboard_->TraceMark();
    int lightingResult = 0;
    ApplyResult applied;
    Overlap(
        [&](const Progress& progress) {
            applied = ApplyWorkingSet(*link_, shell_, workingSet_, snapshot_, progress);
        },
        [&] { lightingResult = SendKeyColour(*link_, 0, 5, ColourOf(9, 8, 7)); });
    EXPECT_EQ(applied.written, 1);
    EXPECT_EQ(lightingResult, CMD_OK);

    // The read-back after the end belongs to the write too.
    std::vector<int> expected = {OP_BEGIN, OP_WRITE_MACRO_AREA};
    expected.insert(expected.end(), 7, OP_WRITE_KEY_BLOCK);
    expected.insert(expected.end(), {OP_END, OP_READ_MACRO_AREA});
    expected.insert(expected.end(), 7, OP_READ_KEY_BLOCK);
    expected.insert(expected.end(), {OP_BEGIN, OP_WRITE_KEY_COLOURS, OP_END});
    EXPECT_EQ(CommandsSince(mark), expected);
}

TEST_F(Session, ProfileReadDuringImportSeesTheKeyboardAfterIt) {
    // A read of the key tables and the macro area started during a write of all three
    // profiles reads them once the write is done, never a mix of before and after.
    ProfileWorkingSet source;
    source.Lock()->macros.Replace(
        {testing::Macro(1, u"m", {MakeMacroAction(10, 0x01E, MACRO_STATE_PRESS)})});
    const std::string sample = folder_.Dir() + "/sample.fwc";
    ASSERT_TRUE(ExportProfile(source, sample));
    const std::string readBack = folder_.Dir() + "/read.fwc";

    size_t mark = keyboard_->TraceMark();
    bool read = false;
    ImportResult imported = ImportResult::REJECTED;
    Overlap(
        [&](const Progress& progress) {
            imported = ImportProfile(*link_, shell_, workingSet_, snapshot_, sample, progress);
        },
        [&] { read = ReadProfileFromKeyboard(*link_, readBack); });
    EXPECT_EQ(imported, ImportResult::IMPORTED);
    ASSERT_TRUE(read);

    const std::vector<int> codes = CommandsSince(mark);
    const auto end = std::find(codes.begin(), codes.end(), OP_END);
    ASSERT_NE(end, codes.end());
    for (auto code = codes.begin(); code != end; ++code)
        EXPECT_NE(*code, OP_READ_KEY_BLOCK) << "a read inside the import's session";
    WorkingSetData back;
    ASSERT_TRUE(LoadProfileFile(readBack, back));
    EXPECT_EQ(back.macros.Records().size(), 1u);
}

}  // namespace
}  // namespace quorvel
