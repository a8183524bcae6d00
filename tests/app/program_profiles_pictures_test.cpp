// The user guide's pictures of the program profiles dialog in English and Chinese: with rules and
// the list of the open windows on this X server, and on a desktop that does not say which window
// is active.
#include <QDir>
#include <QFile>

#include "tests/app/fake_window_manager.h"
#include "tests/app/guide_pictures.h"

namespace quorvel::testing {
namespace {

class ProgramProfilesPictures : public GuidePictureTest {
protected:
    // Opens the dialog from the main menu, the entry above Start with the desktop and Exit.
    bool OpenDialog() {
        return ClickControl("CONTROL_MENU") && Await(2) && TypeKeys({"Up", "Up", "Up", "Return"}) &&
               Await(2);
    }
    // Opens the list of the open windows by its arrow; returns the dialog's place.
    QRect OpenWindowList() {
        const QRect dialog = TopArea();
        const QRect list = SkinPlace("ProgramProfiles.ini", "OPEN_WINDOWS");
        EXPECT_TRUE(ClickOnScreen(dialog.topLeft() + QPoint(list.right() - 10, list.center().y())));
        EXPECT_TRUE(Await(3));
        return dialog;
    }
    void WriteRules(const QByteArray& text) {
        const QString folder = dir_.filePath("home/config/quorvel");
        ASSERT_TRUE(QDir().mkpath(folder));
        QFile file(folder + "/app-profiles.json");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }
};

TEST_F(ProgramProfilesPictures, WithRulesAndWithoutSupport) {
    WriteRules(R"({"version": 1, "enabled": true, "default": 1,
                   "rules": [{"program": "steam", "profile": 2},
                             {"program": "blender", "profile": 3}]})");
    // Windows of other programs for the list, as a window manager would list them.
    FakeWindowManager windows(TheDisplay().Name().toStdString());
    ASSERT_TRUE(windows.Connected());
    for (const char* program : {"steam", "firefox", "org.inkscape.Inkscape"})
        windows.OpenWindow(program);
    InBothLanguages(1500, [&](QProcess*, int language) {
        ASSERT_TRUE(OpenDialog());
        const QRect dialog = OpenWindowList();
        Picture("program-profiles", language, dialog | TopArea());
        ASSERT_TRUE(TypeKeys({"Escape"}));
        ASSERT_TRUE(Await(2));
        ASSERT_TRUE(ClickInTopWindow("ProgramProfiles.ini", "CONTROL_CANCEL"));
        ASSERT_TRUE(Await(1));
    });

    // A Wayland session whose compositor is not there stands for one that tells nothing; the
    // window itself still goes to this X server.
    env_.insert("WAYLAND_DISPLAY", "quorvel-test-no-compositor");
    InBothLanguages(1500, [&](QProcess*, int language) {
        ASSERT_TRUE(OpenDialog());
        Picture("program-profiles-no-support", language, TopArea());
        ASSERT_TRUE(ClickInTopWindow("ProgramProfiles.ini", "CONTROL_CANCEL"));
        ASSERT_TRUE(Await(1));
    });
}

}  // namespace
}  // namespace quorvel::testing
