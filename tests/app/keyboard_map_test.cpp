// The keyboard map of the main window on the offscreen platform: the real window bound to the
// virtual keyboard, with the skin the build generates. Assignments are put into the working set
// the way the editors and the profile reload leave them.
#include "app/keyboard_map.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QSettings>
#include <QTimer>
#include <atomic>
#include <thread>

#include "app/message_boxes.h"
#include "app/shell_state.h"
#include "base/texts.h"
#include "model/macro.h"
#include "skin/skin_file.h"
#include "tests/app/window_test_support.h"

namespace quorvel {
namespace {

constexpr int CONTROL_F1 = 1010;
constexpr int POSITION_A = 0;

using namespace testing;

// Lighting panel stand-in: records what the map asks it to paint.
struct RecordingPainter : KeyPainter {
    bool shown = false;
    bool painting = false;
    std::vector<int> painted;
    bool ViewShown() const override { return shown; }
    bool PaintingKeys() const override { return shown && painting; }
    void PaintKey(int position) override { painted.push_back(position); }
};

class KeyboardMapTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        // A message box opens as a modal window here, where ClickKey finds it.
        SetMessageBoxesSuppressed(false);
    }

    void RemoveSkinEntry(const QString& key) {
        QFile file(programDir_.filePath("Skins/Main.ini"));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QList<QByteArray> lines = file.readAll().split('\n');
        file.close();
        lines.removeIf([&](const QByteArray& line) { return line.startsWith(key.toUtf8() + "="); });
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(lines.join('\n'));
    }

    // Started and shown, so that the keys take clicks and draw.
    KeyboardMap& Start() { return *WindowTest::Start(true).Map(); }

    KeyboardMap& Map() { return *window_->Map(); }

    // Clicks a key and cancels the key dialog it opens; returns the key's picture while the
    // dialog was open (null when none opened).
    QImage ClickKey(int controlId) {
        QImage whileOpen;
        QTimer closer;
        closer.setInterval(20);
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (QWidget* editor = QApplication::activeModalWidget()) {
                whileOpen = Button(controlId).grab().toImage();
                editor->close();
            }
        });
        closer.start();
        Button(controlId).click();
        return whileOpen;
    }
    CPngButton& Button(int controlId) { return *Map().ButtonForControl(controlId); }

    KeyAssignment Entry(int entry) {
        return ProfileWorkingSet::Instance().Lock()->keyAreas[Map().ShownArea()][entry];
    }
    void SetEntry(int entry, KeyAssignment a) {
        ProfileWorkingSet::Instance().Lock()->keyAreas[Map().ShownArea()][entry] = a;
    }

    void SwitchBank() {
        const bool before = Map().ShownBankB();
        keyboard_.Run({"bank"});
        ASSERT_TRUE(WaitFor([&] { return Map().ShownBankB() != before; }));
        Settle();
    }
};

TEST_F(KeyboardMapTest, BankBAddressesTheSecondBanksEntriesAndCodes) {
    KeyboardMap& map = Start();
    const int g1 = G_KEY_CONTROLS[0];
    SetEntry(G_KEY_ENTRY_BANK_B, {ASSIGN_KEY, 0x1301, 0x030, 0, 0});
    map.RefreshAll();
    EXPECT_FALSE(Button(g1).IsChecked());  // bank A's G1 carries nothing
    EXPECT_EQ(Button(g1).text(), "A1");

    SwitchBank();
    EXPECT_EQ(Button(g1).text(), "B1");
    EXPECT_EQ(Button(G_KEY_CONTROLS[4]).text(), "B5");
    EXPECT_EQ(Button(G_KEY_CONTROLS[5]).text(), "");
    EXPECT_TRUE(Button(g1).IsChecked());
    EXPECT_EQ(Button(g1).toolTip().toStdString(),
              "G1" + Text("KEY_PROMPT_SET") + Text("KEY_PROMPT_SINGLE") + "B)");

    EXPECT_FALSE(ClickKey(g1).isNull());
    EXPECT_EQ(map.Selected().keyCode, 0x109);
    EXPECT_EQ(map.Selected().controlId, uint32_t(g1));
    EXPECT_EQ(map.Selected().isG9, 0u);
    ClickKey(G_KEY_CONTROLS[8]);
    EXPECT_EQ(map.Selected().keyCode, 0x111);
    EXPECT_EQ(map.Selected().isG9, 1u);

    // Colour flags of G keys live in their own entries, never in those of keys A-R.
    map.SetColourKeysMode(true);
    Button(g1).click();
    EXPECT_EQ(Entry(G_KEY_ENTRY_BANK_B).colourFlag, 1u);
    EXPECT_EQ(Entry(G_KEY_ENTRY_BANK_A).colourFlag, 0u);
    EXPECT_EQ(Entry(9).colourFlag, 0u);
    EXPECT_EQ(Button(g1).CurrentLook(), CPngButton::Look::ColourOn);
    EXPECT_TRUE(window_->SettingsChanged());

    SwitchBank();
    EXPECT_EQ(Button(g1).text(), "A1");
    EXPECT_EQ(Button(g1).CurrentLook(), CPngButton::Look::ColourOff);
    EXPECT_FALSE(Button(g1).IsChecked());
}

TEST_F(KeyboardMapTest, ClicksGoToThePainterFirstAndFnOnlyEverPaints) {
    KeyboardMap& map = Start();
    RecordingPainter painter;
    map.SetKeyPainter(&painter);
    const QImage ordinaryA = Button(CONTROL_KEY_A).grab().toImage();
    map.SetColourKeysMode(true);

    Button(CONTROL_KEY_FN).click();
    EXPECT_TRUE(painter.painted.empty());
    EXPECT_EQ(map.Selected().controlId, 0u);
    EXPECT_FALSE(window_->SettingsChanged());

    // The lighting view shown outside the painting mode: a click on a key does nothing at all.
    painter.shown = true;
    map.SetColourKeysMode(false);
    EXPECT_TRUE(ClickKey(CONTROL_KEY_A).isNull());
    map.SetColourKeysMode(true);
    Button(CONTROL_KEY_A).click();
    EXPECT_TRUE(painter.painted.empty());
    EXPECT_EQ(Entry(POSITION_A).colourFlag, 0u);
    EXPECT_EQ(map.Selected().controlId, 0u);
    EXPECT_FALSE(window_->SettingsChanged());

    painter.painting = true;
    Button(CONTROL_KEY_FN).click();
    Button(CONTROL_KEY_A).click();
    EXPECT_EQ(painter.painted, (std::vector<int>{FN_KEY_POSITION, POSITION_A}));
    EXPECT_EQ(Entry(POSITION_A).colourFlag, 0u);
    // G keys take no part in per-key colouring: they keep their ordinary route.
    Button(G_KEY_CONTROLS[0]).click();
    EXPECT_EQ(painter.painted.size(), 2u);
    EXPECT_EQ(Entry(G_KEY_ENTRY_BANK_A).colourFlag, 1u);

    painter.shown = false;
    map.SetColourKeysMode(false);
    const QImage whileEdited = ClickKey(CONTROL_KEY_A);
    EXPECT_FALSE(whileEdited.isNull());
    EXPECT_NE(whileEdited, ordinaryA);
    EXPECT_EQ(map.Selected().keyCode, KEY_ENTRY_A);
    EXPECT_EQ(map.Selected().controlId, uint32_t(CONTROL_KEY_A));
    // Cancelled: the key is back to its ordinary look and nothing was assigned.
    EXPECT_EQ(Entry(KEY_ENTRY_A), KeyAssignment{});
    EXPECT_EQ(Button(CONTROL_KEY_A).grab().toImage(), ordinaryA);
    map.SetKeyPainter(nullptr);
}

// The keyboard reporting its profiles replaces the working set: the colour looks follow it.
TEST_F(KeyboardMapTest, ColourLooksFollowAReloadFromTheKeyboard) {
    KeyboardMap& map = Start();
    map.SetColourKeysMode(true);
    KeyAssignment marked = Entry(POSITION_A);
    marked.colourFlag = 1;
    SetEntry(POSITION_A, marked);
    map.RefreshColourLooks();
    ASSERT_EQ(Button(CONTROL_KEY_A).CurrentLook(), CPngButton::Look::ColourOn);

    keyboard_.Run({"unplug"});
    ASSERT_TRUE(WaitFor([&] { return window_->TrayIconId() == ICON_NO_KEYBOARD; }));
    keyboard_.Run({"plug"});
    ASSERT_TRUE(WaitFor([&] { return window_->TrayIconId() == ICON_KEYBOARD; }));
    Settle();
    ASSERT_TRUE(WaitFor([&] { return Entry(POSITION_A).colourFlag == 0; }));
    Settle();
    EXPECT_EQ(Button(CONTROL_KEY_A).CurrentLook(), CPngButton::Look::ColourOff);
}

TEST_F(KeyboardMapTest, KeysTheSkinLeavesOutStayDisabledAtOneOneWhateverTheLayout) {
    RemoveSkinEntry("KEY_01E");
    RemoveSkinEntry("KEY_03B");  // F1, which the Flip layout turns on and off
    KeyboardMap& map = Start();
    for (int control : {CONTROL_KEY_A, CONTROL_F1}) {
        EXPECT_EQ(Button(control).geometry(), QRect(1, 1, 1, 1));
        EXPECT_FALSE(Button(control).isEnabled());
    }
    map.Flip().Toggle();
    map.Flip().Toggle();
    EXPECT_FALSE(Button(CONTROL_F1).isEnabled());
    EXPECT_TRUE(Button(CONTROL_F1 + 1).isEnabled());

    map.SetColourKeysMode(true);
    Button(CONTROL_KEY_A).click();
    map.OnKeyClicked(CONTROL_KEY_A);
    EXPECT_EQ(Entry(POSITION_A).colourFlag, 0u);
    EXPECT_EQ(map.Selected().controlId, 0u);
}

TEST_F(KeyboardMapTest, FlipStoredAsAnyNonZeroCountsAsOnAndTogglesOff) {
    QSettings().setValue("PROFILES/Flip", "5");
    KeyboardMap& map = Start();
    auto layout = [&] {
        std::string state;
        for (int control = CONTROL_F1; control < CONTROL_F1 + 4; ++control)
            state += Button(control).isEnabled() ? 'F' : '-';
        for (int d = 0; d < FLIP_D_KEY_COUNT; ++d)
            state += Button(CONTROL_FLIP_D1 + d).isEnabled() ? 'D' : '-';
        return state;
    };
    auto leftArrowOrigin = [&] {
        return QPoint(Button(CONTROL_LEFT_ARROW).OriginX(), Button(CONTROL_LEFT_ARROW).OriginY());
    };
    auto frameOrigin = [&](const char* frame) {
        SkinRect r = ReadSkinRect(window_->Skin(), SKIN_SECTION_FRAMES, frame);
        return QPoint(r.x, r.y);
    };
    EXPECT_EQ(layout(), "----DDDDDD");
    EXPECT_EQ(leftArrowOrigin(), frameOrigin("UP_ARROW_LEFT1"));

    Button(CONTROL_FLIP_2).click();
    EXPECT_EQ(QSettings().value("PROFILES/Flip").toString(), "0");
    EXPECT_EQ(layout(), "FFFF------");
    EXPECT_EQ(leftArrowOrigin(), frameOrigin("DOWN_ARROW_LEFT1"));
    map.Flip().Toggle();
    EXPECT_EQ(QSettings().value("PROFILES/Flip").toString(), "1");
    EXPECT_EQ(layout(), "----DDDDDD");

    // The D keys only show the layout: a click on them picks nothing.
    Button(CONTROL_FLIP_D1).click();
    EXPECT_EQ(map.Selected().controlId, 0u);
}

TEST_F(KeyboardMapTest, ModeSwitchShowsTheFlagsAndSwitchingBackRestoresEveryLook) {
    KeyboardMap& map = Start();
    SetEntry(KEY_ENTRY_A, {ASSIGN_DISABLED, 0, 0, 0, 0});
    SetEntry(POSITION_A, {ASSIGN_DEFAULT, 0, 0, 1, 0});
    map.RefreshAll();
    auto looks = [&] {
        std::vector<CPngButton::Look> all;
        for (const MapKey& key : MAP_KEYS) all.push_back(Button(key.controlId).CurrentLook());
        for (int control : G_KEY_CONTROLS) all.push_back(Button(control).CurrentLook());
        return all;
    };
    const auto ordinary = looks();
    EXPECT_EQ(Button(CONTROL_KEY_A).CurrentLook(), CPngButton::Look::Checked);
    const QString functionCaption = Button(CONTROL_MODE_SWITCH).text();
    EXPECT_EQ(functionCaption.toStdString(), Text("MAIN_SWITCH_FUNCTION_TEXT"));

    Button(CONTROL_MODE_SWITCH).click();
    EXPECT_EQ(Shell().colourKeysMode.load(), 1);
    EXPECT_EQ(Button(CONTROL_MODE_SWITCH).text().toStdString(), Text("MAIN_SWITCH_COLOR_TEXT"));
    EXPECT_EQ(Button(CONTROL_KEY_A).CurrentLook(), CPngButton::Look::ColourOn);
    EXPECT_EQ(Button(MAP_KEYS[1].controlId).CurrentLook(), CPngButton::Look::ColourOff);
    Button(MAP_KEYS[1].controlId).click();
    EXPECT_EQ(Entry(1).colourFlag, 1u);
    EXPECT_EQ(Button(MAP_KEYS[1].controlId).CurrentLook(), CPngButton::Look::ColourOn);

    Button(CONTROL_MODE_SWITCH).click();
    EXPECT_EQ(looks(), ordinary);
    EXPECT_EQ(Button(CONTROL_MODE_SWITCH).text(), functionCaption);
}

TEST_F(KeyboardMapTest, TipsNameTheKeyAndWhatItWasSetTo) {
    KeyboardMap& map = Start();
    MacroRecord macro;
    macro.id = 7;
    macro.SetName(u"Combo");
    ProfileWorkingSet::Instance().Lock()->macros.Replace({macro});
    const int b = 0x30, c = 0x2E, d = 0x20, e = 0x12;
    SetEntry(KEY_ENTRY_A, {ASSIGN_KEY, 0, 0x030, 0, 0});
    SetEntry(b, {ASSIGN_MACRO, 1, 7, 0, 0});
    SetEntry(c, {ASSIGN_FUNCTION, 0, 4, 0, 0});
    SetEntry(d, {ASSIGN_MEDIA, 0, 99, 0, 0});  // from a file: no such function
    SetEntry(e, {ASSIGN_STOP_MACRO, 0, 0, 0, 0});
    map.RefreshAll();

    const std::string set = Text("KEY_PROMPT_SET");
    auto tip = [&](int control) { return Button(control).toolTip().toStdString(); };
    EXPECT_EQ(tip(CONTROL_KEY_A), "A" + set + Text("KEY_PROMPT_SINGLE") + "B)");
    EXPECT_EQ(tip(1075), "B" + set + Text("KEY_PROMPT_MACRO") + "Combo)");
    EXPECT_EQ(tip(1073), "C" + set + Text("KEY_PROMPT_FUNCTION") + Text("FUNC_KEY_DESC5") + ")");
    EXPECT_EQ(tip(1060), "D" + set);
    EXPECT_EQ(tip(1046), "E" + set);
    EXPECT_EQ(tip(1061), "F");
    EXPECT_TRUE(Button(1060).IsChecked());
    EXPECT_FALSE(Button(1061).IsChecked());

    // An editor's change reaches one button; the other keys keep what they showed.
    SetEntry(KEY_ENTRY_A, {});
    SetEntry(b, {});
    window_->RefreshKey(KEY_ENTRY_A);
    EXPECT_EQ(tip(CONTROL_KEY_A), "A");
    EXPECT_FALSE(Button(CONTROL_KEY_A).IsChecked());
    EXPECT_TRUE(Button(1075).IsChecked());
}

TEST_F(KeyboardMapTest, ResetKeepsTheGKeyCodesAndFlagsAndOtherProfilesResetsShowNothing) {
    KeyboardMap& map = Start();
    SwitchBank();
    const int shown = map.ShownArea();
    SetEntry(G_KEY_ENTRY_BANK_B + 2, {ASSIGN_MACRO, 3, 5, 1, 0});
    SetEntry(KEY_ENTRY_A, {ASSIGN_KEY, 0, 0x030, 1, 0});
    map.RefreshAll();
    ASSERT_TRUE(Button(CONTROL_KEY_A).IsChecked());

    // A macro deletion resetting the same entry in another profile leaves this one as it is.
    map.OnAssignmentReset((shown + 1) % ONBOARD_PROFILE_COUNT, KEY_ENTRY_A);
    EXPECT_TRUE(Button(CONTROL_KEY_A).IsChecked());
    map.OnAssignmentReset(shown, KEY_ENTRY_A);
    EXPECT_FALSE(Button(CONTROL_KEY_A).IsChecked());

    ASSERT_TRUE(map.ResetProfileAssignments());
    EXPECT_EQ(Entry(G_KEY_ENTRY_BANK_B + 2), (KeyAssignment{ASSIGN_DEFAULT, 0x1303, 0, 1, 0}));
    EXPECT_EQ(Entry(KEY_ENTRY_A), (KeyAssignment{ASSIGN_DEFAULT, 0, 0, 1, 0}));
    for (int n = 0; n < G_KEY_COUNT; ++n) {
        EXPECT_EQ(Entry(G_KEY_ENTRY_BANK_A + n).aux, 0x0301 + n);
        EXPECT_EQ(Entry(G_KEY_ENTRY_BANK_B + n).aux, 0x1301 + n);
    }
    EXPECT_FALSE(Button(G_KEY_CONTROLS[2]).IsChecked());
    EXPECT_TRUE(window_->SettingsChanged());
}

TEST_F(KeyboardMapTest, WhileAJobHoldsTheWorkingSetClicksAreRefusedAndRedrawsWait) {
    KeyboardMap& map = Start();
    std::atomic<bool> locked{false};
    std::atomic<bool> release{false};
    window_->Jobs().Run("hold", [&](const KeyboardJobs::Report&) {
        WorkingSetLock data = ProfileWorkingSet::Instance().Lock();
        data->keyAreas[map.ShownArea()][KEY_ENTRY_A] = {ASSIGN_DISABLED, 0, 0, 0, 0};
        locked = true;
        for (int i = 0; i < 500 && !release; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return 1;
    });
    ASSERT_TRUE(WaitFor([&] { return locked.load(); }));

    QElapsedTimer clock;
    clock.start();
    map.SetColourKeysMode(true);
    Button(CONTROL_KEY_A).click();
    map.SetColourKeysMode(false);
    EXPECT_TRUE(ClickKey(CONTROL_KEY_A).isNull());
    map.RefreshAll();
    EXPECT_LT(clock.elapsed(), 1000);  // nothing above waited for the lock
    EXPECT_EQ(map.Selected().controlId, 0u);
    EXPECT_FALSE(Button(CONTROL_KEY_A).IsChecked());

    release = true;
    ASSERT_TRUE(WaitFor([&] { return !window_->Jobs().Busy(); }));
    EXPECT_TRUE(Button(CONTROL_KEY_A).IsChecked());
    EXPECT_EQ(Entry(POSITION_A).colourFlag, 0u);
}

TEST_F(KeyboardMapTest, TintsDrawOverTheKeyAndClearingRestoresIt) {
    KeyboardMap& map = Start();
    const QImage plain = Button(CONTROL_KEY_A).grab().toImage();
    const QImage plainFn = Button(CONTROL_KEY_FN).grab().toImage();
    map.SetKeyTint(POSITION_A, QColor(Qt::red), false);
    const QImage tinted = Button(CONTROL_KEY_A).grab().toImage();
    map.SetKeyTint(POSITION_A, QColor(Qt::red), true);
    const QImage marked = Button(CONTROL_KEY_A).grab().toImage();
    map.SetKeyTint(FN_KEY_POSITION, QColor(Qt::blue), false);
    EXPECT_NE(tinted, plain);
    EXPECT_NE(marked, tinted);
    // The legend in the middle stays visible through the wash.
    const QPoint middle(plain.width() / 2, plain.height() / 2);
    EXPECT_GT(tinted.pixelColor(middle).red(), plain.pixelColor(middle).red());
    EXPECT_NE(Button(CONTROL_KEY_FN).grab().toImage(), plainFn);

    map.ClearKeyTints();
    EXPECT_EQ(Button(CONTROL_KEY_A).grab().toImage(), plain);
    EXPECT_EQ(Button(CONTROL_KEY_FN).grab().toImage(), plainFn);
}

// Pictures of the map for people to look at, when QUORVEL_MAP_SCREENSHOT_DIR names a folder:
// assigned keys in both languages and colour keys mode with a few marked keys.
TEST_F(KeyboardMapTest, Screenshots) {
    const QString folder = qEnvironmentVariable("QUORVEL_MAP_SCREENSHOT_DIR");
    if (folder.isEmpty()) GTEST_SKIP() << "QUORVEL_MAP_SCREENSHOT_DIR not set";
    QDir().mkpath(folder);
    KeyboardMap& map = Start();
    SetEntry(KEY_ENTRY_A, {ASSIGN_KEY, 0, 0x030, 1, 0});
    SetEntry(0x1F, {ASSIGN_MEDIA, 0, 3, 0, 0});     // S
    SetEntry(0x39, {ASSIGN_DISABLED, 0, 0, 0, 0});  // Space
    SetEntry(G_KEY_ENTRY_BANK_A + 1, {ASSIGN_MACRO, 0x0302, 1, 0, 0});
    for (int p : {3, 5, 36, 40}) SetEntry(p, {Entry(p).type, Entry(p).aux, Entry(p).value, 1, 0});
    window_->SetDeviceIcon(1);
    window_->ShowMainWindow();
    auto shoot = [&](const QString& name) {
        WaitFor([] { return false; }, 300);
        const QPixmap picture = window_->grab();
        EXPECT_TRUE(picture.save(folder + "/" + name + ".png")) << name.toStdString();
    };
    for (int language : {1, 0}) {
        window_->SwitchLanguage(language);
        map.SetColourKeysMode(false);
        map.RefreshAll();
        const QString suffix = language == 1 ? "english" : "chinese";
        shoot("map_assigned_" + suffix);
        map.SetColourKeysMode(true);
        shoot("map_colour_keys_" + suffix);
    }
    map.SetColourKeysMode(false);
}

}  // namespace
}  // namespace quorvel
