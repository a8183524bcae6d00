// End to end: the built program under Xvfb on the virtual keyboard, driven with real mouse
// clicks on the lighting view; what reaches the keyboard is read from its dump. Screenshots of
// each mode group's controls and the previews go to the screenshot folder in both languages.
#include <QDir>
#include <QRect>
#include <QThread>

#include "base/ini_file.h"
#include "model/profile_store.h"
#include "tests/app/e2e_support.h"

namespace quorvel::testing {
namespace {

// The lighting view starts closed, whatever a copy before left.
void CloseTheView(const QString& documents) {
    IniFile settings(QString("%1/%2/%3")
                         .arg(documents, QString::fromUtf8(DATA_FOLDER_NAME.data()),
                              QString::fromUtf8(SETTINGS_FILE_NAME.data()))
                         .toStdString());
    settings.WriteString("KEYCOLOR", "DengCheck", "0");
}

class LightingEndToEnd : public EndToEndTest {
protected:
    LightingEndToEnd() : EndToEndTest(WithPresetMode()) {}

    QRect Place(const char* key) const { return SkinPlace("Main.ini", key); }
    bool Click(const char* key) { return ClickControl(key); }
    QString Area(const char* key, int offset, int count) const {
        return DumpHex(key, offset, count);
    }
    bool WaitForArea(const char* key, int offset, const QString& hex) const {
        return WaitUntil([&] { return Area(key, offset, int(hex.size() / 2)) == hex; }, 5000);
    }
    void Shot(const QString& name) { EndToEndTest::Shot(QUORVEL_SCREENSHOT_DIR, name); }
    // The program in language with the lighting view closed (a copy before may have left it
    // open), and a blue user colour in user mode 0 of profile 0.
    QProcess* Open(int language) {
        QDir().mkpath(UserFolder() + "/Skins");
        IniFile user((UserFolder() + "/Skins/UserDengColor_0.userd").toStdString());
        user.WriteString("Mode0", "color", "0,0,255");
        CloseTheView(DocumentsPath());
        return OpenProgram(language);
    }
};

TEST_F(LightingEndToEnd, ClicksOnTheLightingViewReachTheKeyboard) {
    QProcess* program = Open(1);
    ASSERT_TRUE(Click("CONTROL_DengStaPic"));  // the lighting switch: the view opens on mode 1
    // The direction picture that sets 1 (leftward) in the group of modes 1-3.
    ASSERT_TRUE(Click("CONTROL_BLFXLStaPic2"));
    EXPECT_TRUE(WaitForArea("params", 3, "01"));
    // The brightness slider's second position from the left.
    const QRect slider = Place("CONTROL_LightSlider");
    ASSERT_TRUE(ClickAt({slider.x() + slider.width() * 3 / 12, slider.center().y()}));
    EXPECT_TRUE(WaitForArea("params", 1, "01")) << Area("params", 0, 8).toStdString();

    ASSERT_TRUE(ChooseModeRowFromEnd(0));  // mode 17
    EXPECT_TRUE(WaitForArea("params", 0, "11"));
    ASSERT_TRUE(Click("CONTROL_LVPIC"));  // the green preset
    EXPECT_TRUE(WaitForArea("params", 17, "02"));

    ASSERT_TRUE(ChooseModeRowFromEnd(1));  // mode 20
    EXPECT_TRUE(WaitForArea("params", 0, "14"));
    EXPECT_TRUE(KillRunning(program));
}

// The user colour comes from the profile's user colour file, which the window loads when the
// keyboard reports its profiles.
TEST_F(LightingEndToEnd, APaintedKeyReachesTheKeyboard) {
    QProcess* program = Open(1);
    ASSERT_TRUE(Click("CONTROL_DengStaPic"));
    ASSERT_TRUE(ChooseModeRowFromEnd(1));  // mode 20
    EXPECT_TRUE(WaitForArea("params", 0, "14"));
    // Tool 0 paints key A (matrix position 64) with the user colour of the file, blue.
    ASSERT_TRUE(Click("CONTROL_USERgjStaPic1"));
    ASSERT_TRUE(Click("KEY_01E"));
    EXPECT_TRUE(WaitForArea("keyColours", 3 * 64, "0000FF"))
        << Area("keyColours", 3 * 64, 3).toStdString();
    EXPECT_TRUE(KillRunning(program));
    // The user mode keeps it, painted with the user colour (mark 0).
    IniFile user((UserFolder() + "/Skins/UserDengColor_0.userd").toStdString());
    EXPECT_EQ(user.ReadString("Mode0", "64", ""), "0,0,255,0");
}

TEST_F(LightingEndToEnd, ScreenshotsOfEachModeGroupAndThePreviews) {
    struct Step {
        int rowFromEnd;
        const char* name;
    };
    // Rows counted from the end of the offered list (see WithPresetMode).
    const Step groups[] = {{17, "coloured-5"},  {18, "speed-only-4"}, {4, "vertical-12"},
                           {2, "spreading-18"}, {0, "presets-17"},    {1, "user-per-key-20"},
                           {16, "steady-6"}};
    for (int language : {1, 0}) {
        const QString tag = language == 1 ? "en" : "zh";
        QProcess* program = Open(language);
        ASSERT_TRUE(Click("CONTROL_DengStaPic"));
        ASSERT_TRUE(ChooseModeRowFromEnd(9));  // mode 1
        Shot(QString("lighting-%1-directional-1-rainbow").arg(tag));
        for (const Step& step : groups) {
            ASSERT_TRUE(ChooseModeRowFromEnd(step.rowFromEnd));
            Shot(QString("lighting-%1-%2").arg(tag, step.name));
            if (step.rowFromEnd != 1) continue;
            // The per-key preview with W, A, S and D painted blue by the user colour's tool.
            ASSERT_TRUE(Click("CONTROL_USERgjStaPic1"));
            for (const char* key : {"KEY_011", "KEY_01E", "KEY_01F", "KEY_020"})
                ASSERT_TRUE(Click(key));
            Shot(QString("lighting-%1-%2-painted").arg(tag, step.name));
        }
        // Mode 6 with its many-colours switch off: the single colour preview.
        ASSERT_TRUE(Click("CONTROL_HXsjsStaPic"));
        Shot(QString("lighting-%1-steady-6-single-colour").arg(tag));
        ASSERT_TRUE(Click("CONTROL_HXsjsStaPic"));  // many colours again for the next round
        EXPECT_TRUE(KillRunning(program));
    }
}

// The keyboard's own lighting key steps past the offered modes to mode 17, which the list does
// not offer: the effect box still names it, in either language.
class LightingKeyEndToEnd : public EndToEndTest {
protected:
    QProcess* Open(int language) {
        const QString program = ProgramCopy(language);
        CloseTheView(DocumentsPath());
        return OpenProgram(language);
    }
    bool StepToPresetMode() {
        for (int step = 0; step < 40 && DumpHex("params", 0, 1) != "11"; ++step)
            keyboard_.Run({"lighting-key"});
        return DumpHex("params", 0, 1) == "11";
    }
};

TEST_F(LightingKeyEndToEnd, TheEffectBoxNamesModeSeventeenReachedByTheLightingKey) {
    for (int language : {1, 0}) {
        QProcess* program = Open(language);
        ASSERT_TRUE(ClickControl("CONTROL_DengStaPic"));
        ASSERT_TRUE(StepToPresetMode());
        // The window reads the keyboard again after each press of its lighting key.
        QThread::msleep(1500);
        Shot(QUORVEL_SCREENSHOT_DIR,
             QString("lighting-%1-effect-box-mode-17").arg(language == 1 ? "en" : "zh"));
        EXPECT_TRUE(KillRunning(program));
    }
}

}  // namespace
}  // namespace quorvel::testing
