// The lighting view inside the main window on the offscreen platform, bound to the virtual
// keyboard: opening it runs the window's profile switch first, a key click in the user mode
// paints with the user mode the keyboard's profile report loaded, the previews reach the G keys
// only where they should, and changes made while Apply or an import runs end on the keyboard,
// in the files and on the screen alike.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <QTimer>

#include "app/keyboard_jobs.h"
#include "app/keyboard_map.h"
#include "app/lighting_controls.h"
#include "app/lighting_panel.h"
#include "app/lighting_widgets.h"
#include "app/message_boxes.h"
#include "app/profile_bar.h"
#include "base/ini_file.h"
#include "editors/file_dialogs.h"
#include "model/profile_store.h"
#include "tests/app/window_test_support.h"

namespace quorvel {
namespace {

constexpr int CONTROL_G1 = 1000;
constexpr int MATRIX_A = 64;

using namespace testing;

class LightingWindowTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        // User mode 0 of profile 0 paints blue with its first tool.
        IniFile(programDir_.filePath("Skins/UserDengColor_0.userd").toStdString())
            .WriteString("Mode0", "color", "0,0,255");
    }

    CLightingPanel& Panel() { return *window_->Lighting(); }
    QWidget& Control(int id) { return *Panel().Control(id); }
    void ClickSwitch() {
        static_cast<QAbstractButton&>(Control(LIGHTING_SWITCH)).click();
        Settle();
    }
    void ChooseMode(int id, bool settle = true) {
        auto& list = static_cast<QComboBox&>(Control(LIGHTING_MODE_LIST));
        list.setCurrentIndex(list.findData(id));
        if (settle) Settle();
    }
    CPngButton& MapButton(int controlId) { return *window_->Map()->ButtonForControl(controlId); }
    std::vector<std::string> Sent(size_t mark) const { return keyboard_.FramesSentSince(mark); }
    void EditKeyA() {
        ProfileWorkingSet::Instance().Lock()->keyAreas[0][KEY_ENTRY_A] = {ASSIGN_DISABLED, 0, 0};
        window_->EnableApply(true);
    }
    bool ViewHidden() {
        return !Panel().ViewShown() && Control(LIGHTING_MODE_LIST).isHidden() && !ReadDengCheck();
    }
};

TEST_F(LightingWindowTest, OpeningTheViewRunsTheProfileSwitchWhichMayRefuse) {
    CQuorvelDlg& window = Start();
    ASSERT_TRUE(ViewHidden());

    // With the key editor open the switch refuses: the view stays closed and nothing is sent.
    size_t mark = Mark();
    QTimer::singleShot(0, &window, [&] {
        ClickSwitch();
        EXPECT_TRUE(ViewHidden());
        EXPECT_TRUE(Sent(mark).empty());
        EXPECT_EQ(TakeShownMessageKeys(), std::vector<std::string>{"PROFILE_SEELCT_PROMPT2"});
        window.CloseKeyEditor();
    });
    QTimer::singleShot(10000, &window, [&] { window.CloseKeyEditor(); });
    window.OpenKeyEditor({0, KEY_ENTRY_A, CONTROL_KEY_A, 0});
    EXPECT_FALSE(window.KeyEditorOpen());
    EXPECT_TRUE(ViewHidden());

    // Unapplied key changes are asked about; No drops them, and the view opens on the switch.
    EditKeyA();
    SetNextYesNoAnswer(false);
    mark = Mark();
    ClickSwitch();
    EXPECT_EQ(TakeShownMessageKeys(), std::vector<std::string>{"PROFILE_SELECT_PROMPT"});
    EXPECT_FALSE(window.SettingsChanged());
    EXPECT_NE(ProfileWorkingSet::Instance().Lock()->keyAreas[0][KEY_ENTRY_A].type, ASSIGN_DISABLED);
    EXPECT_FALSE(Sent(mark).empty());
    EXPECT_TRUE(Panel().ViewShown());
    EXPECT_FALSE(Control(LIGHTING_MODE_LIST).isHidden());
    EXPECT_TRUE(ReadDengCheck());
    EXPECT_EQ(window.ActiveProfile(), 0);

    // A profile button brings the key view back.
    window.Bar().ButtonForControl(CONTROL_PROFILE_1 + 1)->click();
    Settle();
    EXPECT_TRUE(ViewHidden());
    EXPECT_EQ(window.ActiveProfile(), 1);
}

TEST_F(LightingWindowTest, AKeyClickInTheUserModePaintsWithTheUserModeOfTheProfileFile) {
    Start();
    ClickSwitch();
    ASSERT_TRUE(Panel().ViewShown());
    ChooseMode(USER_MODE_ID);
    EXPECT_EQ(Panel().UserMode().userColour, ColourOf(0, 0, 0xFF));
    static_cast<QAbstractButton&>(Control(LIGHTING_TOOL_USER)).click();
    MapButton(CONTROL_KEY_A).click();
    Settle();
    EXPECT_EQ(Area("keyColours", 3 * MATRIX_A, 3), "0000FF");
    EXPECT_EQ(Panel().KeyColours()[MATRIX_A], ColourOf(0, 0, 0xFF));
    // The click painted instead of opening the key editor.
    EXPECT_FALSE(window_->KeyEditorOpen());
}

TEST_F(LightingWindowTest, OnlyTheSingleColourPreviewTintsTheGKeys) {
    Start();
    const QImage plainG = MapButton(CONTROL_G1).grab().toImage();
    const QImage plainG2 = MapButton(CONTROL_G1 + 1).grab().toImage();
    const QImage plainA = MapButton(CONTROL_KEY_A).grab().toImage();
    ClickSwitch();
    ChooseMode(5);  // colourful: the rainbow
    EXPECT_NE(MapButton(CONTROL_KEY_A).grab().toImage(), plainA);
    EXPECT_EQ(MapButton(CONTROL_G1).grab().toImage(), plainG);

    static_cast<CLightingColourButton&>(Control(LIGHTING_COLOUR_A)).Choose(ColourOf(0, 0xFF, 0));
    Settle();
    EXPECT_EQ(Area("params", 4, 4), "0000FF00");
    const QImage greenG = MapButton(CONTROL_G1).grab().toImage();
    EXPECT_NE(greenG, plainG);
    EXPECT_NE(MapButton(CONTROL_G1 + 1).grab().toImage(), plainG2);

    // Neither the per-key preview nor the rainbow leaves the single colour on the G keys.
    ChooseMode(USER_MODE_ID);
    EXPECT_EQ(MapButton(CONTROL_G1).grab().toImage(), plainG);
    ChooseMode(5);  // colourful is off now: the single colour again
    EXPECT_EQ(MapButton(CONTROL_G1).grab().toImage(), greenG);
    static_cast<QAbstractButton&>(Control(LIGHTING_COLOURFUL_A)).click();
    Settle();
    EXPECT_EQ(MapButton(CONTROL_G1).grab().toImage(), plainG);
    EXPECT_NE(MapButton(CONTROL_KEY_A).grab().toImage(), plainA);

    ClickSwitch();  // closed: every key plain
    EXPECT_EQ(MapButton(CONTROL_G1).grab().toImage(), plainG);
    EXPECT_EQ(MapButton(CONTROL_KEY_A).grab().toImage(), plainA);
}

// While Apply runs, each change waits; the newest value of a slider or colour replaces the
// waiting one but still lands after the changes made since, so the keyboard ends where the
// panel does.
TEST_F(LightingWindowTest, ChangesMadeDuringASlowApplyEndOnTheKeyboardAsShown) {
    CQuorvelDlg& window = Start();
    ClickSwitch();
    ChooseMode(5);
    auto& brightness = static_cast<CLightingSlider&>(Control(LIGHTING_BRIGHTNESS_SLIDER));
    auto& colour = static_cast<CLightingColourButton&>(Control(LIGHTING_COLOUR_A));
    keyboard_.Run({"fault", "delay", "150", "4"});
    window.EnableApply(true);
    window.Apply();
    QElapsedTimer waited;
    waited.start();
    while (window.Jobs().Running() != "apply" && waited.elapsed() < 5000) QThread::msleep(1);
    // As a drag moves it.
    auto slide = [&](int position) {
        brightness.SetPosition(position);
        emit brightness.Moved(position);
    };
    slide(1);
    ChooseMode(1, false);  // mode 1 carries the brightness it was chosen with
    slide(3);
    colour.Choose(ColourOf(0, 0xFF, 0));
    static_cast<QAbstractButton&>(Control(LIGHTING_COLOURFUL_A)).click();
    colour.Choose(ColourOf(0, 0, 0xFF));
    EXPECT_EQ(window.Jobs().Running(), "apply");
    Settle();
    const LightingState& shown = Panel().State();
    EXPECT_EQ(brightness.Position(), 3);
    EXPECT_EQ(shown.brightness, 3);
    EXPECT_EQ(Panel().ChosenMode(), 1);
    EXPECT_FALSE(shown.colourful);
    EXPECT_EQ(colour.CurrentColour(), ColourOf(0, 0, 0xFF));
    EXPECT_EQ(Area("params", 0, 2), "0103");
    EXPECT_EQ(Area("params", 4, 4), "000000FF");
    // What the keyboard holds, read back, is what was shown.
    Panel().ReloadLighting();
    Settle();
    EXPECT_EQ(brightness.Position(), 3);
    EXPECT_EQ(Panel().State().colour, ColourOf(0, 0, 0xFF));
}

// An import rewrites the user colour files: the user modes come again from them. A key painted
// while the import runs waits for it, so the file keeps both the import and the key.
TEST_F(LightingWindowTest, AnImportReloadsTheUserModesAndAPaintDuringItLandsOnTop) {
    CQuorvelDlg& window = Start();
    const QString document = programDir_.filePath("carried.json");
    std::optional<FileDialogAnswer> answer = FileDialogAnswer(document, JSON_NAME_FILTER);
    SetFileDialogHook(
        [&](const FileDialogRequest&) { return std::exchange(answer, std::nullopt); });
    window.RunCommand(COMMAND_EXPORT);
    Settle();
    QFile file(document);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    file.close();
    QJsonArray profiles = root["profiles"].toArray();
    QJsonObject profile = profiles[0].toObject();
    QJsonObject lighting = profile["lighting"].toObject();
    QJsonObject userModes = lighting["userModes"].toObject();
    QJsonArray modes = userModes["modes"].toArray();
    QJsonObject first = modes[0].toObject();
    first["userColour"] = "00FF00";
    QJsonObject colours = first["colours"].toObject();
    colours["Esc"] = "123456";
    first["colours"] = colours;
    modes[0] = first;
    userModes["modes"] = modes;
    lighting["userModes"] = userModes;
    profile["lighting"] = lighting;
    profiles[0] = profile;
    root["profiles"] = profiles;
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QJsonDocument(root).toJson());
    file.close();

    ClickSwitch();
    ChooseMode(USER_MODE_ID);
    static_cast<QAbstractButton&>(Control(LIGHTING_TOOL_USER)).click();
    Settle();
    ASSERT_EQ(Panel().UserMode().userColour, ColourOf(0, 0, 0xFF));
    // The import's first reads come late, so the click is surely made before it writes.
    keyboard_.Run({"fault", "delay", "100", "3"});
    answer = FileDialogAnswer(document);
    window.RunCommand(COMMAND_IMPORT);
    ASSERT_TRUE(window.Jobs().Busy());
    MapButton(CONTROL_KEY_A).click();
    Settle();
    SetFileDialogHook({});

    UserModeState onDisk;
    KeyColourTable table{};
    KeyColourMarks marks{};
    onDisk = LoadUserMode(paths_, 0, table, marks);
    EXPECT_EQ(onDisk.userColour, ColourOf(0, 0xFF, 0));
    EXPECT_EQ(table[MATRIX_A], ColourOf(0, 0, 0xFF));
    EXPECT_EQ(Panel().UserMode(), onDisk);
    EXPECT_EQ(Panel().KeyColours(), table);
    EXPECT_EQ(Panel().KeyMarks(), marks);
    EXPECT_EQ(Area("keyColours", 3 * MATRIX_A, 3), "0000FF");
}

}  // namespace
}  // namespace quorvel
