// The user guide's pictures in English and Chinese, from the program's windows under Xvfb on
// the virtual keyboard: the main window and its menu, the key dialog's pages with a recorded
// macro, the lighting modes, the profiles, and what the program shows when something goes wrong.
// Each step waits for the windows it opens or closes, so a slow machine only makes it slower.
#include "tests/app/guide_pictures.h"

#include <QThread>

#include "base/ini_file.h"

namespace quorvel::testing {
namespace {

class GuidePictures : public GuidePictureTest {
protected:
    GuidePictures() : GuidePictureTest(WithPresetMode()) {}
};

TEST_F(GuidePictures, MainWindowAndMenu) {
    InBothLanguages(1500, [&](QProcess*, int language) {
        ASSERT_TRUE(Await(1));
        Picture("main-window", language, MainArea());
        Picture(
            "profile-buttons", language,
            ControlsArea({"FUNC_PROFILES", "FUNC_PROFILE1", "FUNC_PROFILE3", "FUNC_DEFAULT"}, 8));
        ASSERT_TRUE(ClickControl("FUNC_REPORT3"));
        Picture("report-rate", language, ControlsArea({"FUNC_REPORT1", "FUNC_REPORT4"}, 30));

        ASSERT_TRUE(ClickControl("CONTROL_MENU"));
        ASSERT_TRUE(Await(2));
        Picture("main-menu", language);
        ASSERT_TRUE(TypeKeys({"Up", "Up", "Return"}));  // Start with the desktop, above Exit
        ASSERT_TRUE(Await(1));
        ASSERT_TRUE(ClickControl("CONTROL_MENU"));
        ASSERT_TRUE(Await(2));
        Picture("menu-autostart", language);
        ASSERT_TRUE(TypeKeys({"Up", "Up", "Return"}));  // and off again
        ASSERT_TRUE(Await(1));

        ASSERT_TRUE(ClickControl("CONTROL_MENU"));
        ASSERT_TRUE(Await(2));
        ASSERT_TRUE(TypeKeys({"Down", "Down", "Return"}));  // Export
        ASSERT_TRUE(Await(2));
        // The file types opened below the name; the folder above it is the test's own.
        const QRect dialog = TopArea();
        ASSERT_TRUE(ClickOnScreen({dialog.center().x(), dialog.bottom() - 24}));
        ASSERT_TRUE(Await(3));
        Picture("export-file-types", language,
                QRect(dialog.left(), dialog.bottom() - 80, dialog.width(), 80) | TopArea());
        ASSERT_TRUE(TypeKeys({"Escape", "Escape"}));
        ASSERT_TRUE(Await(1));
    });
}

// Key A becomes B, the write of it fails once, the switch to profile 2 asks about the change
// not applied (and profile 1 is made active again), then G1 gets a recorded macro and the
// other pages are shown.
TEST_F(GuidePictures, KeyDialogMacrosAndAFailedWrite) {
    InBothLanguages(1500, [&](QProcess*, int language) {
        ASSERT_TRUE(ClickControl("KEY_01E"));
        ASSERT_TRUE(Await(2));
        ASSERT_TRUE(TypeKeys({"b"}, 150));
        Picture("key-single", language, TopArea());
        ASSERT_TRUE(ClickDialog("CONTROL_OK"));
        ASSERT_TRUE(Await(1));

        keyboard_.Run({"fault", "status", "fe", "1000"});
        ASSERT_TRUE(ClickControl("CONTROL2_APPLY"));
        ASSERT_TRUE(Await(2));
        Picture("write-failed", language);
        ASSERT_TRUE(TypeKeys({"Return"}));
        ASSERT_TRUE(Await(1));
        keyboard_.Run({"fault", "clear"});

        ASSERT_TRUE(ClickControl("FUNC_PROFILE2"));
        ASSERT_TRUE(Await(2));
        Picture("profile-switch-question", language);
        ASSERT_TRUE(TypeKeys({"Return"}));  // No: the change is dropped
        ASSERT_TRUE(Await(1));
        // Back to profile 1, so that the next language's round asks the same question.
        ASSERT_TRUE(WaitUntil([&] { return DumpHex("settings", 10, 1) == "01"; }));
        ASSERT_TRUE(ClickControl("FUNC_PROFILE1"));
        ASSERT_TRUE(WaitUntil([&] { return DumpHex("settings", 10, 1) == "00"; }));

        ASSERT_TRUE(ClickControl("FUNC_G1"));
        ASSERT_TRUE(Await(2));
        ASSERT_TRUE(ClickDialog("CONTROL_MACRO"));
        ASSERT_TRUE(ClickDialog("FUNC_MACRO_ADD"));
        ASSERT_TRUE(ClickDialog("FUNC_MACRO_RECORD"));
        ASSERT_TRUE(TypeKeys({"h", "i"}, 150));
        Picture("macro-recording", language, TopArea());
        ASSERT_TRUE(ClickDialog("FUNC_MACRO_RECORD"));
        Picture("macro-recorded", language, TopArea());
        ASSERT_TRUE(ClickDialog("CONTROL_MEDIA"));
        Picture("key-media", language, TopArea());
        ASSERT_TRUE(ClickDialog("CONTROL_FUNCTION"));
        Picture("key-function", language, TopArea());
        ASSERT_TRUE(ClickDialog("CONTROL_CANCEL"));
        ASSERT_TRUE(Await(1));
    });
}

TEST_F(GuidePictures, LightingProfileManagerAndNoKeyboard) {
    ASSERT_TRUE(HomeByFixedName());  // the profile manager shows where the profiles are
    InBothLanguages(
        1500,
        [&](QProcess*, int language) {
            ASSERT_TRUE(ClickControl("CONTROL_DengStaPic"));  // the lighting view
            ASSERT_TRUE(ChooseModeRowFromEnd(9));             // mode 1, a wave with its direction
            Picture("lighting-wave", language, MainArea());
            ASSERT_TRUE(ChooseModeRowFromEnd(16));  // mode 6, steady
            Picture("lighting-steady", language, MainArea());
            ASSERT_TRUE(ChooseModeRowFromEnd(0));  // mode 17, the colour presets
            Picture("lighting-presets", language, MainArea());
            ASSERT_TRUE(ChooseModeRowFromEnd(1));  // mode 20, a user mode painted key by key
            ASSERT_TRUE(ClickControl("CONTROL_USERgjStaPic1"));
            for (const char* key : {"KEY_011", "KEY_01E", "KEY_01F", "KEY_020"})
                ASSERT_TRUE(ClickControl(key));
            Picture("lighting-painted", language, MainArea());
            // Closed again, so that the next start shows the keyboard map.
            ASSERT_TRUE(ClickControl("CONTROL_DengStaPic"));

            ASSERT_TRUE(ClickControl("FUNC_PROFILES"));
            ASSERT_TRUE(Await(2));
            Picture("profile-manager", language, TopArea());
            ASSERT_TRUE(TypeKeys({"Escape"}));
            ASSERT_TRUE(Await(1));

            keyboard_.Run({"unplug"});
            ASSERT_TRUE(WaitForWindow(Program(), false));
            EXPECT_EQ(RunToEnd({"--virtual"}), 0);  // a second start opens the running copy
            ASSERT_TRUE(Await(1));                  // the message alone
            Picture("no-keyboard", language);
            ASSERT_TRUE(TypeKeys({"Return"}));
            ASSERT_TRUE(Await(0));
            keyboard_.Run({"plug"});
        },
        [](const QString& folder) {
            // Keys painted blue show on the red of the user mode.
            IniFile((folder + "/Skins/UserDengColor_0.userd").toStdString())
                .WriteString("Mode0", "color", "0,0,255");
        });
}

}  // namespace
}  // namespace quorvel::testing
