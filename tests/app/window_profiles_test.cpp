// The main window's profile bar, Apply, report rate, device messages and profile manager on
// the offscreen platform, bound to the virtual keyboard through the real service library.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <algorithm>

#include "app/busy_indicator.h"
#include "app/keyboard_map.h"
#include "app/message_boxes.h"
#include "app/profile_bar.h"
#include "base/texts.h"
#include "editors/file_dialogs.h"
#include "model/profile_store.h"
#include "tests/app/window_test_support.h"

namespace quorvel {
namespace {

constexpr uint8_t OP_BEGIN = 0x01, OP_END = 0x02, OP_WRITE_SETTINGS = 0x04, OP_READ_PARAMS = 0x05,
                  OP_WRITE_PARAMS = 0x06, OP_WRITE_KEYS = 0x08, OP_WRITE_MACROS = 0x0A,
                  OP_READ_KEYS = 0x07, OP_READ_MACROS = 0x09;
constexpr size_t ACTIVE_PROFILE_BYTE = 10;

struct Frame {
    std::vector<uint8_t> bytes;
    uint8_t Command() const { return bytes[3]; }
    int Length() const { return bytes[4]; }
    int Address() const { return bytes[5] | bytes[6] << 8; }
    uint8_t Data(int i) const { return bytes[8 + i]; }
};

std::vector<Frame> Parse(const std::vector<std::string>& lines) {
    std::vector<Frame> frames;
    for (const std::string& line : lines) {
        Frame frame;
        for (const QString& byte : QString::fromStdString(line).split(' ', Qt::SkipEmptyParts))
            frame.bytes.push_back(uint8_t(byte.toUInt(nullptr, 16)));
        frames.push_back(frame);
    }
    return frames;
}

std::vector<uint8_t> Commands(const std::vector<Frame>& frames) {
    std::vector<uint8_t> out;
    for (const Frame& frame : frames) out.push_back(frame.Command());
    return out;
}

bool Has(const std::vector<uint8_t>& commands, uint8_t command) {
    return std::find(commands.begin(), commands.end(), command) != commands.end();
}

using namespace testing;

class WindowProfilesTest : public WindowTest {
protected:
    std::vector<Frame> Sent(size_t mark) const { return Parse(keyboard_.FramesSentSince(mark)); }
    // An edit in the active profile's key area, as the key dialog would leave it.
    void EditKeyA() {
        const int area = std::max(0, window_->ActiveProfile());
        ProfileWorkingSet::Instance().Lock()->keyAreas[area][KEY_ENTRY_A] = {ASSIGN_DISABLED, 0, 0};
        window_->EnableApply(true);
    }
    KeyAssignment KeyA(int area) const {
        return ProfileWorkingSet::Instance().Lock()->keyAreas[area][KEY_ENTRY_A];
    }
    QString CheckedMenuItem() {
        for (QAction* action : window_->Bar().ProfileMenu().actions()) {
            if (action->isChecked()) return action->text();
        }
        return {};
    }
};

TEST_F(WindowProfilesTest, ReportRateAndProfileButtonsWriteTheKeyboard) {
    CQuorvelDlg& window = Start();
    const int p = window.ActiveProfile();
    ASSERT_EQ(p, 0);

    size_t mark = Mark();
    window.Bar().ButtonForControl(REPORT_RATE_CONTROLS[2])->click();
    Settle();
    std::vector<Frame> sent = Sent(mark);
    ASSERT_EQ(Commands(sent), (std::vector<uint8_t>{OP_BEGIN, OP_WRITE_PARAMS, OP_END, OP_BEGIN,
                                                    OP_READ_PARAMS, OP_END}));
    EXPECT_EQ(sent[1].Length(), 1);
    EXPECT_EQ(sent[1].Address(), 42 * p + 15);
    EXPECT_EQ(sent[1].Data(0), 2);
    EXPECT_EQ(Area("params", 42 * p + 15, 1), "02");
    EXPECT_EQ(window.Bar().CheckedReportRate(), 2);

    mark = Mark();
    window.Bar().ButtonForControl(CONTROL_PROFILE_1 + 1)->click();
    Settle();
    sent = Sent(mark);
    std::vector<Frame> settingsWrites;
    for (const Frame& frame : sent)
        if (frame.Command() == OP_WRITE_SETTINGS) settingsWrites.push_back(frame);
    ASSERT_FALSE(settingsWrites.empty());
    EXPECT_EQ(settingsWrites.back().Data(ACTIVE_PROFILE_BYTE), 1);
    EXPECT_EQ(Area("settings", ACTIVE_PROFILE_BYTE, 1), "01");
    EXPECT_EQ(window.ActiveProfile(), 1);
    EXPECT_EQ(window.Bar().CheckedProfile(), 1);
    EXPECT_EQ(window.Map()->ShownArea(), 1);
    EXPECT_EQ(CheckedMenuItem(), "$Profile1");
    EXPECT_EQ(window.Bar().ButtonForControl(CONTROL_PROFILES)->text(), "$Profile1");

    // The keyboard reporting its profiles again reloads profile 2 from it.
    keyboard_.Run({"unplug"});
    ASSERT_TRUE(WaitFor([&] { return window.TrayIconId() == ICON_NO_KEYBOARD; }));
    keyboard_.Run({"plug"});
    ASSERT_TRUE(WaitFor([&] { return window.TrayIconId() == ICON_KEYBOARD; }));
    Settle();
    EXPECT_EQ(window.ActiveProfile(), 1);
    EXPECT_EQ(window.Bar().CheckedProfile(), 1);
    EXPECT_EQ(window.Map()->ShownArea(), 1);
}

TEST_F(WindowProfilesTest, ApplyWritesOnlyWhatChangedAndStaysPendingWhenTheKeyboardRefuses) {
    CQuorvelDlg& window = Start();
    int busyChanges = 0;
    QObject::connect(&window.Jobs(), &KeyboardJobs::BusyChanged, [&] { ++busyChanges; });
    size_t mark = Mark();
    window.RunCommand(COMMAND_APPLY);
    EXPECT_TRUE(window.Busy().Running());
    Settle();
    std::vector<uint8_t> commands = Commands(Sent(mark));
    EXPECT_FALSE(Has(commands, OP_WRITE_KEYS));
    EXPECT_FALSE(Has(commands, OP_WRITE_MACROS));
    EXPECT_EQ(busyChanges, 2);

    // Status FE on every attempt at the first macro-area chunk, right after begin. The failure
    // is said once, on screen, with the busy indicator at rest: the keyboard work is over.
    EditKeyA();
    keyboard_.Run({"fault", "after", "1", "status", "fe", "3"});
    SetMessageBoxesSuppressed(false);
    QStringList boxes;
    bool indicatorMoving = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) return;
        boxes << box->text();
        indicatorMoving =
            indicatorMoving || window.Busy().Running() || window.Busy().Percent() >= 0;
        CloseOpenMessageBoxes();
    });
    watch.start(5);
    mark = Mark();
    window.RunCommand(COMMAND_APPLY);
    Settle();
    watch.stop();
    SetMessageBoxesSuppressed(true);
    EXPECT_EQ(boxes, QStringList{QString::fromStdString(Text(APPLY_FAILED_TEXT))});
    EXPECT_FALSE(indicatorMoving);
    commands = Commands(Sent(mark));
    ASSERT_GE(commands.size(), 2u);
    EXPECT_EQ(commands[1], OP_WRITE_MACROS);
    EXPECT_FALSE(Has(commands, OP_WRITE_KEYS));
    EXPECT_TRUE(window.SettingsChanged());
    EXPECT_TRUE(window.findChild<CPngButton*>("CONTROL2_APPLY")->isEnabled());

    // Applied again, everything goes and Apply is done.
    mark = Mark();
    window.RunCommand(COMMAND_APPLY);
    Settle();
    commands = Commands(Sent(mark));
    EXPECT_TRUE(Has(commands, OP_WRITE_MACROS));
    EXPECT_TRUE(Has(commands, OP_WRITE_KEYS));
    EXPECT_FALSE(window.SettingsChanged());
}

TEST_F(WindowProfilesTest, UnplugDuringApplyKeepsTheEditsAndALaterApplyWritesThem) {
    CQuorvelDlg& window = Start();
    EditKeyA();
    const QByteArray fileBefore = [] {
        QFile file(QString::fromStdString(ProfileFilePath(0)));
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }();
    keyboard_.Run({"fault", "unplug-after", "3"});
    window.RunCommand(COMMAND_APPLY);
    Settle();
    ASSERT_TRUE(WaitFor([&] { return window.TrayIconId() == ICON_NO_KEYBOARD; }));
    EXPECT_TRUE(window.SettingsChanged());
    // The file holds the edit, whole.
    WorkingSetData fromFile;
    ASSERT_TRUE(LoadProfileFile(ProfileFilePath(0), fromFile));
    EXPECT_EQ(fromFile.keyAreas[0][KEY_ENTRY_A].type, ASSIGN_DISABLED);
    EXPECT_NE(fileBefore.size(), 0);

    keyboard_.Run({"plug"});
    ASSERT_TRUE(WaitFor([&] { return window.TrayIconId() == ICON_KEYBOARD; }));
    Settle();
    EXPECT_TRUE(window.SettingsChanged());
    EXPECT_EQ(KeyA(0).type, ASSIGN_DISABLED);
    const size_t mark = Mark();
    window.RunCommand(COMMAND_APPLY);
    Settle();
    const std::vector<uint8_t> commands = Commands(Sent(mark));
    EXPECT_EQ(commands.front(), OP_BEGIN);
    EXPECT_TRUE(Has(commands, OP_WRITE_MACROS));
    EXPECT_TRUE(Has(commands, OP_WRITE_KEYS));
    // The session ends with End; after it the write reads back what it wrote.
    const auto end = std::find(commands.rbegin(), commands.rend(), OP_END);
    ASSERT_NE(end, commands.rend());
    EXPECT_TRUE(std::all_of(commands.rbegin(), end,
                            [](uint8_t c) { return c == OP_READ_KEYS || c == OP_READ_MACROS; }));
    EXPECT_FALSE(window.SettingsChanged());
}

TEST_F(WindowProfilesTest, BankKeyTwiceShowsBankBThenBankA) {
    CQuorvelDlg& window = Start();
    keyboard_.Run({"bank"});
    ASSERT_TRUE(WaitFor([&] { return window.GKeyBankB(); }));
    EXPECT_TRUE(window.Map()->ShownBankB());
    keyboard_.Run({"bank"});
    ASSERT_TRUE(WaitFor([&] { return !window.GKeyBankB(); }));
    EXPECT_FALSE(window.Map()->ShownBankB());
}

TEST_F(WindowProfilesTest, QuickSwitchAsksAboutUnappliedEdits) {
    CQuorvelDlg& window = Start();
    CQuorvel_DlgProfile& manager = window.ProfileManager();
    std::optional<bool> switched;
    auto remember = [&](bool result) { switched = result; };

    // Profile 5 does not exist: the switch goes to profile 0.
    manager.SwitchProfile(1, remember);
    Settle();
    ASSERT_EQ(switched, true);
    manager.SwitchProfile(5, remember);
    Settle();
    EXPECT_EQ(window.ActiveProfile(), 0);
    EXPECT_EQ(CheckedMenuItem(), "$Profile0");

    // Yes: Apply's frames go before the set-profile frame.
    EditKeyA();
    SetNextYesNoAnswer(true);
    size_t mark = Mark();
    manager.SwitchProfile(1, remember);
    Settle();
    std::vector<uint8_t> commands = Commands(Sent(mark));
    const auto keys = std::find(commands.begin(), commands.end(), OP_WRITE_KEYS);
    const auto set = std::find(commands.begin(), commands.end(), OP_WRITE_SETTINGS);
    ASSERT_NE(keys, commands.end());
    ASSERT_NE(set, commands.end());
    EXPECT_LT(keys, set);
    EXPECT_EQ(KeyA(0).type, ASSIGN_DISABLED);
    EXPECT_FALSE(window.SettingsChanged());
    EXPECT_EQ(window.ActiveProfile(), 1);

    // No: the edit is dropped by reading the profile file again, then the switch happens.
    TakeShownMessageKeys();
    EditKeyA();
    SetNextYesNoAnswer(false);
    manager.SwitchProfile(2, remember);
    Settle();
    EXPECT_EQ(TakeShownMessageKeys(), std::vector<std::string>{"PROFILE_SELECT_PROMPT"});
    EXPECT_EQ(switched, true);
    EXPECT_NE(KeyA(1).type, ASSIGN_DISABLED);
    EXPECT_FALSE(window.SettingsChanged());
    EXPECT_EQ(window.ActiveProfile(), 2);
    EXPECT_EQ(window.Bar().CheckedProfile(), 2);
    // A profile reached by a switch has its file, so Apply can save it.
    EditKeyA();
    window.RunCommand(COMMAND_APPLY);
    Settle();
    EXPECT_FALSE(window.SettingsChanged());

    // The keyboard refusing the switch changes nothing on screen and says so.
    TakeShownMessageKeys();
    keyboard_.Run({"fault", "after", "1", "status", "fe", "3"});
    manager.SwitchProfile(0, remember);
    Settle();
    EXPECT_EQ(switched, false);
    EXPECT_EQ(window.Bar().CheckedProfile(), 2);
    EXPECT_EQ(CheckedMenuItem(), "$Profile2");
    EXPECT_EQ(TakeShownMessageKeys(), std::vector<std::string>{PROFILE_SWITCH_FAILED_TEXT});

    // The same refusal chosen from the quick-switch menu: one item stays checked, the active one.
    keyboard_.Run({"fault", "after", "1", "status", "fe", "3"});
    for (QAction* action : window.Bar().ProfileMenu().actions()) {
        if (action->data().toInt() == COMMAND_QUICK_SWITCH_DEFAULT + 1) action->trigger();
    }
    Settle();
    EXPECT_EQ(window.Bar().CheckedProfile(), 2);
    int checked = 0;
    for (QAction* action : window.Bar().ProfileMenu().actions()) checked += action->isChecked();
    EXPECT_EQ(checked, 1);
    EXPECT_EQ(CheckedMenuItem(), "$Profile2");
}

TEST_F(WindowProfilesTest, ProfileManagerRowsAddLoadDeleteAndApply) {
    CQuorvelDlg& window = Start();
    CQuorvel_DlgProfile& manager = window.ProfileManager();
    const QString added = runtimeDir_.filePath("documents/Quorvel_09A/Added.fwc");
    SetFileDialogHook([&](const FileDialogRequest& request) -> std::optional<QString> {
        if (request.save) {
            EXPECT_TRUE(request.proposedPath.endsWith("/New profile"))
                << request.proposedPath.toStdString();
            return added;
        }
        return std::nullopt;
    });
    QTimer::singleShot(0, &manager, [&] {
        EXPECT_EQ(manager.RowCount(), 3);
        EXPECT_EQ(manager.CheckedRow(), 0);
        manager.RunControl(PROFILE_CONTROL_ADD);
        EXPECT_EQ(manager.RowCount(), 4);
        EXPECT_EQ(manager.RowName(3), "Added");
        WorkingSetData fresh;
        EXPECT_TRUE(LoadProfileFile(added.toStdString(), fresh));
        EXPECT_EQ(fresh.macros.Count(), 0);
        manager.SelectRow(3);
        manager.RunControl(PROFILE_CONTROL_DELETE);
        EXPECT_EQ(manager.RowCount(), 3);
        EXPECT_TRUE(QFile::exists(added));
        EXPECT_TRUE(manager.Modified());
        manager.CheckRow(2);
        EXPECT_EQ(manager.CheckedRow(), 2);
        manager.RunControl(1);  // OK: Apply, then close
    });
    QTimer::singleShot(10000, &manager, [&] { manager.CloseIfOpen(); });
    ASSERT_TRUE(manager.Open());
    EXPECT_FALSE(manager.IsOpen());
    EXPECT_EQ(window.ActiveProfile(), 2);
    EXPECT_EQ(Area("settings", ACTIVE_PROFILE_BYTE, 1), "02");
    EXPECT_EQ(CheckedMenuItem(), "$Profile2");
}

TEST_F(WindowProfilesTest, KeyboardGoneWhileAProfileManagerQuestionIsOpen) {
    CQuorvelDlg& window = Start();
    CQuorvel_DlgProfile& manager = window.ProfileManager();
    EditKeyA();
    SetMessageBoxesSuppressed(false);
    std::optional<bool> secondRequest;
    const size_t mark = Mark();
    QTimer::singleShot(0, &manager, [&] {
        QTimer::singleShot(300, &manager, [&] {
            // A second request while the question is open is refused, not queued.
            manager.SwitchProfile(1, [&](bool switched) { secondRequest = switched; });
            keyboard_.Run({"unplug"});
        });
        manager.RunControl(PROFILE_CONTROL_APPLY);  // asks before dropping the edit
    });
    QTimer::singleShot(10000, &manager, [&] {
        CloseOpenMessageBoxes();
        manager.CloseIfOpen();
    });
    ASSERT_TRUE(manager.Open());
    EXPECT_FALSE(manager.IsOpen());
    EXPECT_EQ(secondRequest, false);
    ASSERT_TRUE(WaitFor([&] { return window.TrayIconId() == ICON_NO_KEYBOARD; }));
    Settle();
    // Nothing was switched or reloaded, and the edit is still there to apply.
    EXPECT_FALSE(Has(Commands(Sent(mark)), OP_WRITE_SETTINGS));
    EXPECT_TRUE(window.SettingsChanged());
    EXPECT_EQ(KeyA(0).type, ASSIGN_DISABLED);
}

}  // namespace
}  // namespace quorvel
