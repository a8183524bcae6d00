// The user guide's pictures of the program profiles dialog in English and Chinese: with rules on
// this X server, and on a desktop that does not say which window is active.
#include <QDir>
#include <QFile>

#include "tests/app/guide_pictures.h"

namespace quorvel::testing {
namespace {

class ProgramProfilesPictures : public GuidePictureTest {
protected:
    // Opens the dialog from the main menu, the entry above Start with the desktop.
    bool OpenDialog() {
        return ClickControl("CONTROL_MENU") && Await(2) && TypeKeys({"Up", "Up", "Return"}) &&
               Await(2);
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
    InBothLanguages(1500, [&](QProcess*, int language) {
        ASSERT_TRUE(OpenDialog());
        Picture("program-profiles", language, TopArea());
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
