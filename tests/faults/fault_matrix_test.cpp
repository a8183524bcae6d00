// Nothing lost under faults: a full Apply and an import of a full profile set, with a fault at
// every frame of the write. For each case the operation must come back, must not claim success
// for a keyboard it did not finish, must leave every profile file either as it was or as the new
// one byte for byte, and one more run after the fault has cleared must leave the keyboard holding
// exactly what a run without faults leaves.
//
// QUORVEL_FAULT_STRIDE=1 runs every frame index; the default runs every 24th plus the first and
// last frame of each command, which is what CI runs.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "device/device_snapshot.h"
#include "device/firmware_commands.h"
#include "device/profile_transfer.h"
#include "fault_support.h"
#include "linked_keyboard.h"
#include "model/key_codes.h"
#include "model/profile_store.h"
#include "transfer_test_support.h"

namespace quorvel {
namespace {

using namespace std::chrono_literals;
using testing::FileBytes;

enum class Operation { APPLY, IMPORT };
enum class Fault { UNPLUG, STATUS_FE, STATUS_FF, REPLY_LOST, DAEMON_KILLED };
constexpr int DEFAULT_STRIDE = 24;
// Every attempt of a transaction meets the fault, so the frame fails for good.
constexpr const char* ATTEMPTS = "3";
constexpr auto RECONNECT_WAIT = 10s;
// A lost reply is waited out by every attempt; the keyboard answers others in milliseconds.
constexpr int LOST_REPLY_WAIT_MS = 250;

const char* Name(Operation operation) {
    return operation == Operation::APPLY ? "Apply" : "Import";
}

const char* Name(Fault fault) {
    switch (fault) {
        case Fault::UNPLUG:
            return "unplug";
        case Fault::STATUS_FE:
            return "status FE";
        case Fault::STATUS_FF:
            return "status FF";
        case Fault::REPLY_LOST:
            return "reply lost";
        case Fault::DAEMON_KILLED:
            return "daemon killed";
    }
    return "?";
}

struct Tally {
    int frames = 0;
    std::set<Fault> faults;
    int cases = 0;
    int lost = 0;
};

// Totals over the faults run in this process, printed once at the end.
std::map<Operation, Tally>& Totals() {
    static std::map<Operation, Tally> totals;
    return totals;
}

class PrintTotals : public ::testing::Environment {
public:
    void TearDown() override {
        for (const auto& [operation, tally] : Totals())
            std::printf("%s: %d frames x %zu faults, %d cases, %d lost\n", Name(operation),
                        tally.frames, tally.faults.size(), tally.cases, tally.lost);
    }
};
const auto* const PRINT_TOTALS = ::testing::AddGlobalTestEnvironment(new PrintTotals);

int Stride() {
    const char* text = std::getenv("QUORVEL_FAULT_STRIDE");
    const int stride = text ? std::atoi(text) : 0;
    return stride > 0 ? stride : DEFAULT_STRIDE;
}

class FaultMatrix : public testing::LinkedKeyboard,
                    public ::testing::WithParamInterface<std::tuple<Operation, Fault>> {
protected:
    testing::VirtualKeyboard::Options KeyboardOptions() override {
        // The least forgiving keyboard, but without the commit pause: it only adds time here.
        testing::VirtualKeyboard::Options options;
        options.strict = true;
        options.extraArgs = {"--end-busy-ms", "0"};
        return options;
    }

    void SetUp() override {
        LinkedKeyboard::SetUp();
        if (HasFatalFailure()) return;
        for (int p = 0; p < ONBOARD_PROFILE_COUNT; ++p)
            ASSERT_TRUE(ReadProfileFromKeyboard(*link_, ProfileFilePath(p)));
        oldPath_ = folder_.Dir() + "/old.fwc";
        newPath_ = folder_.Dir() + "/new.fwc";
        ASSERT_TRUE(WriteSample(oldPath_, 0));
        ASSERT_TRUE(WriteSample(newPath_, 1));
        {
            // Apply writes the active profile's table, and may rewrite the others when macros
            // moved; either way they must hold what the keyboard already has.
            WorkingSetLock apply = applySet_.Lock();
            ASSERT_TRUE(LoadProfileFile(newPath_, *apply));
            WorkingSetData old;
            ASSERT_TRUE(LoadProfileFile(oldPath_, old));
            const int active = GetActiveProfile(*link_);
            for (int area = 0; area < KEY_AREA_COUNT; ++area)
                if (area != active) apply->keyAreas[area] = old.keyAreas[area];
        }

        // The run without faults: how many frames, what the keyboard and the files hold.
        ASSERT_TRUE(Restore());
        for (int p = 0; p < ONBOARD_PROFILE_COUNT; ++p) oldFiles_.push_back(ProfileFile(p));
        const size_t mark = keyboard_->TraceMark();
        ASSERT_TRUE(Run());
        frameCommands_ = testing::CommandCodes(keyboard_->FramesSentSince(mark));
        ASSERT_GT(frameCommands_.size(), 150u);
        for (int p = 0; p < ONBOARD_PROFILE_COUNT; ++p) newFiles_.push_back(ProfileFile(p));
        expected_ = testing::KeyboardContents(*keyboard_);
    }

    Operation CurrentOperation() const { return std::get<0>(GetParam()); }

    // A profile set that fills most of the macro area, with keys of every profile moved.
    bool WriteSample(const std::string& path, int variant) {
        ProfileWorkingSet set;
        testing::FillFullProfileSet(*set.Lock(), variant);
        return ExportProfile(set, path);
    }

    std::vector<uint8_t> ProfileFile(int p) const { return FileBytes(ProfileFilePath(p)); }

    // The keyboard and the active profile's file back to the old profile set.
    bool Restore() {
        ProfileWorkingSet set;
        return ImportProfile(*link_, shell_, set, snapshot_, oldPath_) == ImportResult::IMPORTED;
    }

    // The operation under test; true when it reports success.
    bool Run() {
        if (CurrentOperation() == Operation::APPLY)
            return ApplyWorkingSet(*link_, shell_, applySet_, snapshot_).written == 1;
        ProfileWorkingSet set;
        return ImportProfile(*link_, shell_, set, snapshot_, newPath_) == ImportResult::IMPORTED;
    }

    // Waits until the library sees the keyboard again and the arrival has been handled.
    bool Reconnected() {
        const auto deadline = std::chrono::steady_clock::now() + RECONNECT_WAIT;
        while (link_->CountControlInterfaces() == 0) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(5ms);
        }
        link_->Events().WaitUntilIdle();
        return true;
    }

    // Runs the operation with the fault at frame k; true when the keyboard lost nothing.
    bool RunCase(Fault fault, int k) {
        SCOPED_TRACE(std::string(Name(fault)) + " at frame " + std::to_string(k));
        if (!Restore()) {
            ADD_FAILURE() << "the old profile set could not be written";
            return false;
        }
        const std::string at = std::to_string(k);
        const size_t mark = keyboard_->TraceMark();
        bool reported = false;
        switch (fault) {
            case Fault::UNPLUG:
                if (k == 0)
                    keyboard_->Run({"unplug"});
                else
                    keyboard_->Run({"fault", "unplug-after", at});
                reported = Run();
                keyboard_->Run({"plug"});
                break;
            case Fault::STATUS_FE:
            case Fault::STATUS_FF:
                keyboard_->Run({"fault", "after", at, "status",
                                fault == Fault::STATUS_FE ? "fe" : "ff", ATTEMPTS});
                reported = Run();
                break;
            case Fault::REPLY_LOST:
                keyboard_->Run({"fault", "after", at, "lose-reply", ATTEMPTS});
                link_->SetReplyWait(LOST_REPLY_WAIT_MS);
                reported = Run();
                link_->SetReplyWait(REPLY_WAIT_MS);
                break;
            case Fault::DAEMON_KILLED: {
                // Frame k never reaches the firmware: the daemon dies with it in hand.
                keyboard_->Run({"fault", "after", at, "drop", "1000"});
                auto running = std::async(std::launch::async, [this] { return Run(); });
                const bool frozen =
                    testing::WaitForTraceLine(*keyboard_, mark, "# fault: frame dropped", 10s);
                keyboard_->Crash();
                reported = running.get();
                EXPECT_TRUE(frozen) << "frame " << k << " never came";
                break;
            }
        }
        if (!Reconnected()) {
            ADD_FAILURE() << "the keyboard did not come back";
            return false;
        }

        bool whole = true;
        for (int p = 0; p < ONBOARD_PROFILE_COUNT; ++p) {
            const std::vector<uint8_t> now = ProfileFile(p);
            if (now != oldFiles_[p] && now != newFiles_[p]) {
                ADD_FAILURE() << "profile file " << p << " is torn";
                whole = false;
            }
        }
        // A restarted keyboard may take a resent first frame and let the write finish; then
        // the success must be true.
        const bool mayFinish = fault == Fault::DAEMON_KILLED;
        if (reported && !(mayFinish && testing::KeyboardContents(*keyboard_) == expected_)) {
            ADD_FAILURE() << "success reported for an unfinished write";
            whole = false;
        }

        const bool again = Run();
        EXPECT_TRUE(again) << "the run after the fault failed";
        const testing::KeyboardState held = testing::KeyboardContents(*keyboard_);
        const bool keyboardRight = held == expected_;
        EXPECT_TRUE(keyboardRight) << "the keyboard does not hold the new profile set: "
                                   << testing::Difference(held, expected_);
        for (int p = 0; p < ONBOARD_PROFILE_COUNT; ++p)
            EXPECT_EQ(ProfileFile(p), newFiles_[p]) << "profile file " << p;
        shell_.Clear();
        return whole && again && keyboardRight;
    }

    // The frames to fault: every stride-th, and the first and last of each command's run.
    std::vector<int> Indices() const {
        const int stride = Stride();
        std::set<int> indices;
        const int n = static_cast<int>(frameCommands_.size());
        for (int k = 0; k < n; ++k) {
            const bool edge = k == 0 || k == n - 1 || frameCommands_[k] != frameCommands_[k - 1] ||
                              frameCommands_[k] != frameCommands_[k + 1];
            if (k % stride == 0 || edge) indices.insert(k);
        }
        return {indices.begin(), indices.end()};
    }

    testing::ScopedDataFolder folder_;
    DeviceSnapshot snapshot_;
    ProfileWorkingSet applySet_;
    std::string oldPath_, newPath_;
    std::vector<int> frameCommands_;
    std::vector<std::vector<uint8_t>> oldFiles_, newFiles_;
    testing::KeyboardState expected_;
};

TEST_P(FaultMatrix, NothingIsLost) {
    const auto [operation, fault] = GetParam();
    const auto start = std::chrono::steady_clock::now();
    const std::vector<int> indices = Indices();
    int lost = 0;
    for (int k : indices) {
        lost += !RunCase(fault, k);
        if (HasFatalFailure()) break;
    }
    const auto seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const int frames = static_cast<int>(frameCommands_.size());
    std::printf("%s, %s: %d frames, %zu cases (stride %d), %d lost, %.1f s\n", Name(operation),
                Name(fault), frames, indices.size(), Stride(), lost, seconds);
    Tally& tally = Totals()[operation];
    tally.frames = frames;
    tally.faults.insert(fault);
    tally.cases += static_cast<int>(indices.size());
    tally.lost += lost;
    EXPECT_EQ(lost, 0);
}

INSTANTIATE_TEST_SUITE_P(Writes, FaultMatrix,
                         ::testing::Combine(::testing::Values(Operation::APPLY, Operation::IMPORT),
                                            ::testing::Values(Fault::UNPLUG, Fault::STATUS_FE,
                                                              Fault::STATUS_FF, Fault::REPLY_LOST,
                                                              Fault::DAEMON_KILLED)),
                         [](const auto& info) {
                             std::string name = std::string(Name(std::get<0>(info.param))) + "_" +
                                                Name(std::get<1>(info.param));
                             for (char& c : name)
                                 if (c == ' ') c = '_';
                             return name;
                         });

}  // namespace
}  // namespace quorvel
