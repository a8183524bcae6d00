// The window on the offscreen platform tells the truth about what the keyboard and the files
// hold: a failed read keeps what was shown and says so, Apply names what failed, and closing
// with changes not applied asks first.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <atomic>
#include <thread>

#include "app/busy_notice.h"
#include "app/message_boxes.h"
#include "app/profile_bar.h"
#include "editors/profile_jobs.h"
#include "model/profile_store.h"
#include "tests/app/window_test_support.h"

namespace quorvel {
namespace {

using namespace testing;

class WindowTruthTest : public WindowTest {
protected:
    void TearDown() override {
        SetNextYesNoCancelAnswer(std::nullopt);
        WindowTest::TearDown();
    }
    void EditKeyA() {
        ProfileWorkingSet::Instance().Lock()->keyAreas[0][KEY_ENTRY_A] = {ASSIGN_DISABLED, 0, 0};
        window_->EnableApply(true);
    }
    KeyAssignment KeyA() const {
        return ProfileWorkingSet::Instance().Lock()->keyAreas[0][KEY_ENTRY_A];
    }
    bool KeysWrittenSince(size_t mark) const {
        constexpr uint8_t OP_WRITE_KEYS = 0x08;
        for (const std::string& frame : keyboard_.FramesSentSince(mark)) {
            const QStringList bytes = QString::fromStdString(frame).split(' ', Qt::SkipEmptyParts);
            if (bytes.size() > 3 && bytes[3].toUInt(nullptr, 16) == OP_WRITE_KEYS) return true;
        }
        return false;
    }
    bool Exited() const { return !window_->IsReady() && !window_->Tray().IsCreated(); }
};

// Applied first, so the key is the keyboard's own and not an edit the reload would keep.
TEST_F(WindowTruthTest, AFailedReloadKeepsWhatWasShownAndSaysSo) {
    CQuorvelDlg& window = Start();
    EditKeyA();
    window.RunCommand(COMMAND_APPLY);
    Settle();
    ASSERT_FALSE(window.SettingsChanged());
    TakeShownMessageKeys();

    // The active profile is read, then every frame of the key blocks is refused. The window's
    // picture of the keyboard is not trusted, as for a keyboard other software changed, so the
    // reload asks the keyboard instead of answering from what Apply wrote.
    window.Link().SetTrustPicture(false);
    keyboard_.Run({"fault", "after", "1", "status", "fe", "60"});
    window.HandleShellMessage(UM_PROFILE, UM_PROFILE_TAG);
    Settle();
    keyboard_.Run({"fault", "clear"});
    window.Link().SetTrustPicture(true);
    EXPECT_EQ(KeyA().type, ASSIGN_DISABLED);
    EXPECT_TRUE(window.Map()->ButtonForControl(CONTROL_KEY_A)->IsChecked());
    EXPECT_EQ(TakeShownMessageKeys(), std::vector<std::string>{PROFILE_READ_FAILED_TEXT});
}

TEST_F(WindowTruthTest, ApplyGivesAProfileWithoutAFileOneAndNamesAFailedSave) {
    CQuorvelDlg& window = Start();
    const QString file = QString::fromStdString(ProfileFilePath(0));
    ASSERT_TRUE(QFile::remove(file));  // as after a failed read at arrival
    EditKeyA();
    window.RunCommand(COMMAND_APPLY);
    Settle();
    EXPECT_FALSE(window.SettingsChanged());
    WorkingSetData saved;
    ASSERT_TRUE(LoadProfileFile(file.toStdString(), saved));
    EXPECT_EQ(saved.keyAreas[0][KEY_ENTRY_A].type, ASSIGN_DISABLED);
    EXPECT_TRUE(TakeShownMessageKeys().empty());

    // A folder in the file's place: the keyboard takes everything, the file cannot be written.
    ASSERT_TRUE(QFile::remove(file));
    ASSERT_TRUE(QDir().mkpath(file));
    window.EnableApply(true);
    window.RunCommand(COMMAND_APPLY);
    Settle();
    EXPECT_TRUE(window.SettingsChanged());
    EXPECT_EQ(TakeShownMessageKeys(), std::vector<std::string>{APPLY_NOT_SAVED_TEXT});
}

TEST_F(WindowTruthTest, CloseWithUnappliedChangesAsksCancelStaysAndYesAppliesThenExits) {
    CQuorvelDlg& window = Start();
    EditKeyA();
    SetNextYesNoCancelAnswer(YesNoCancel::CANCEL);
    size_t mark = Mark();
    window.RunCommand(COMMAND_CLOSE);
    Settle();
    EXPECT_EQ(TakeShownMessageKeys(), std::vector<std::string>{EXIT_UNAPPLIED_TEXT});
    EXPECT_FALSE(Exited());
    EXPECT_TRUE(window.SettingsChanged());
    EXPECT_FALSE(KeysWrittenSince(mark));

    SetNextYesNoCancelAnswer(YesNoCancel::YES);
    mark = Mark();
    window.RunCommand(COMMAND_EXIT);
    Settle();
    EXPECT_TRUE(KeysWrittenSince(mark));
    EXPECT_TRUE(Exited());
}

TEST_F(WindowTruthTest, CloseAnsweredNoExitsWithoutWriting) {
    CQuorvelDlg& window = Start();
    EditKeyA();
    SetNextYesNoCancelAnswer(YesNoCancel::NO);
    const size_t mark = Mark();
    window.RunCommand(COMMAND_CLOSE);
    EXPECT_TRUE(Exited());
    EXPECT_FALSE(KeysWrittenSince(mark));
}

TEST_F(WindowTruthTest, KillEndsWithoutAsking) {
    CQuorvelDlg& window = Start();
    EditKeyA();
    window.HandleShellMessage(UM_KILL, UM_KILL_TAG);
    EXPECT_TRUE(Exited());
    EXPECT_TRUE(TakeShownMessageKeys().empty());
}

// A job holds the keyboard: a key click is refused with the notice and opens nothing; a profile
// button is put off with the notice and switches once the job has ended.
TEST_F(WindowTruthTest, WhileAJobRunsClicksSayWhyAndAProfileButtonRunsLater) {
    CQuorvelDlg& window = Start();
    std::atomic<bool> release = false;
    window.Jobs().Run("held", [&](const KeyboardJobs::Report&) {
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return 1;
    });
    window.Map()->ButtonForControl(CONTROL_KEY_A)->click();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(window.Notice().ShownKey(), KEYBOARD_BUSY_TEXT);
    EXPECT_FALSE(window.Notice().isHidden());

    window.Bar().ButtonForControl(CONTROL_PROFILE_1 + 1)->click();
    EXPECT_EQ(window.Notice().ShownKey(), KEYBOARD_BUSY_LATER_TEXT);
    EXPECT_EQ(window.ActiveProfile(), 0);
    release = true;
    ASSERT_TRUE(WaitFor([&] { return window.ActiveProfile() == 1; }));
    Settle();
    EXPECT_EQ(window.Bar().CheckedProfile(), 1);
    EXPECT_TRUE(WaitFor([&] { return window.Notice().ShownKey().empty(); }, 10000));
    EXPECT_TRUE(window.Notice().isHidden());
}

}  // namespace
}  // namespace quorvel
