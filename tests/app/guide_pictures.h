#pragma once
// The user guide's pictures, taken from the program's real windows under Xvfb on the virtual
// keyboard. Each one is cut from the screen and written where the guide's pages take it from,
// docs/images/en/NAME.png and docs/images/zh/NAME.png; the names a test wrote are listed in the
// build folder, for the check that every picture is named by a page and every named one made.
#include <QRect>
#include <QStringList>
#include <initializer_list>

#include "tests/app/e2e_support.h"

namespace quorvel::testing {

class GuidePictureTest : public EndToEndTest {
protected:
    using EndToEndTest::EndToEndTest;
    void TearDown() override;

    // Writes the picture of area (the program's shown windows when empty) in the language the
    // program runs in: 1 English, 0 Chinese. The pointer is moved off the windows first, and the
    // picture is taken once the area has stopped changing; a test fails when it never does.
    void Picture(const QString& name, int language, QRect area = {});
    // The main window's place (the lowest shown window), and the window opened last.
    QRect MainArea() const;
    QRect TopArea() const;
    // The main skin file's controls on the screen, with margin around them.
    QRect ControlsArea(std::initializer_list<const char*> keys, int margin) const;
    // Moves the pointer off the windows and waits until the program shows this many windows
    // (main window, dialogs, menus, message boxes), then lets them paint.
    bool Await(int windows);
    // A real click at a point of the screen, then a pause for the program to act on it.
    bool ClickOnScreen(QPoint at);
    // A real click on a control of the dialog skin file, in the window opened last.
    bool ClickDialog(const char* key);
    // Gives the programs started from now on a home by a fixed name, a link to the test's own,
    // so that a picture showing a file's path does not carry the random name of the test's
    // folder. Tests doing this, in any build on the machine, take turns.
    bool HomeByFixedName();

private:
    // Cuts area out of the screen into file once two cuts in a row are the same.
    bool SettledScreenshotOf(const QRect& area, const QString& file) const;

    QStringList written_;
    int homeLock_ = -1;
};

}  // namespace quorvel::testing
