#pragma once
// End-to-end fixture: the built program under Xvfb with a private virtual keyboard. Each test
// has its own runtime folder and home, so no test sees another's running copy.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <vector>

#include "tests/support/virtual_keyboard.h"

namespace quorvel::testing {

// Folder of the built executables, as a QString.
QString BinFolder();

// Starts a notification area of the test helper's kind ("x11", "watcher") with env; true once
// it is there. Its output says which icons it was given.
bool StartNotificationArea(QProcess& host, const QString& kind, const QProcessEnvironment& env);
// The next line a helper prints, trimmed; empty when none came in time.
QString NextLine(QProcess& helper, int timeoutMs = 15000);

// A session bus of the test's own, where nothing runs until the test starts it; ended with the
// object.
class PrivateSessionBus {
public:
    ~PrivateSessionBus();
    // Starts the bus and points env's DBUS_SESSION_BUS_ADDRESS at it.
    bool Start(QProcessEnvironment& env);

private:
    QProcess daemon_;
};

// One Xvfb server per test process, with a notification area as most desktops have one. The
// server picks a free display number itself; QUORVEL_TEST_DISPLAY sets one instead (to watch a
// test on a server started by hand, say).
class XDisplay {
public:
    XDisplay();
    ~XDisplay();
    XDisplay(const XDisplay&) = delete;
    XDisplay& operator=(const XDisplay&) = delete;
    QString Name() const { return QString(":%1").arg(number_); }
    // For the tests of a desktop without one; the area is gone when this returns.
    void RemoveNotificationArea();

private:
    int number_;
    QProcess server_;
    QProcess notificationArea_;
};

XDisplay& TheDisplay();

// Offered modes: the listable ones in list order, then the preset mode, so the mode list's
// last row is mode 17 and the one above it mode 20.
VirtualKeyboard::Options WithPresetMode();

class EndToEndTest : public ::testing::Test {
protected:
    EndToEndTest();
    explicit EndToEndTest(VirtualKeyboard::Options keyboardOptions);
    void SetUp() override;
    void TearDown() override;
    // Everything SetUp does but the display: the private folders and the program's environment.
    void PrepareFolders();

    // The fake home's Documents folder, where the program keeps its profile files.
    QString DocumentsPath() const { return dir_.filePath("home/Documents"); }
    // Where the program keeps the files it changes (user colours, the language choice).
    QString UserFolder() const { return dir_.filePath("home/data/Quorvel"); }

    // Starts the program with arguments; the process is killed at the end of the test.
    QProcess* Launch(const QStringList& arguments);
    // state() alone is not refreshed without an event loop; polling for the end is.
    static bool StillRunning(QProcess* process);
    // Runs a copy to its end; returns its exit code, -1 when it did not end in time.
    int RunToEnd(const QStringList& arguments, QString* standardError = nullptr);
    // Ends a running copy the way the user would from a second copy ("/Kill"), and waits.
    bool KillRunning(QProcess* process);

    // Waits until the program's main window is mapped (shown) or no window of it is (hidden),
    // as the X server sees it.
    bool WaitForWindow(const QProcess* program, bool shown, int timeoutMs = 10000) const;

    // A program folder of its own: a copy of the skins and the autostart entry, the language
    // file set to language (the per-user choice of an earlier copy removed), leaving out one
    // file when asked.
    QString ProgramCopy(int language, const QString& leaveOut = {});

    // Runs a helper tool (xdotool, import) on the test display; returns its standard output,
    // or a null string when it failed.
    QString RunTool(const QString& program, const QStringList& arguments,
                    int timeoutMs = 15000) const;
    // The X window ids of the program's shown windows, and the last of them (the main window
    // while nothing else is open), empty when none is found.
    QStringList VisibleWindows(const QProcess* program) const;
    QString MainWindowId(const QProcess* program) const;
    // Clicks at a point of the program's main window (window coordinates).
    bool ClickInMainWindow(const QProcess* program, int x, int y) const;
    // The centre of a control's rectangle in the program's generated main skin file.
    QPoint SkinControlCentre(const QString& skinKey) const;
    // Grabs the whole screen into a PNG file.
    bool Screenshot(const QString& file) const;
    // The program's shown windows (main window, dialogs, menus, message boxes), X ids from the
    // bottom of the stack to its top, so the last one is the window opened last.
    QStringList ShownWindows() const;
    // A window's place on the screen; empty when it is not found.
    QRect WindowPlace(const QString& windowId) const;
    // Everything the program shows: the union of its shown windows' places.
    QRect ShownArea() const;
    // Moves the pointer to the screen's corner, off the windows, so that no button is hovered
    // and no tip shows in a picture.
    bool ParkPointer() const;
    // Cuts area out of the screen into a PNG file without time stamps, so that a window that
    // did not change gives the same file.
    bool ScreenshotOf(const QRect& area, const QString& file) const;

    // The usual start of a GUI test: a program copy in language, started on the virtual
    // keyboard, its window shown and its first keyboard reads given time to end. Remembered
    // as Program() for the clicks below.
    QProcess* OpenProgram(int language = 1);
    QProcess* Program() const { return program_; }
    // The folder ProgramCopy made; empty before.
    QString ProgramFolder() const { return programFolder_; }
    // A control's rectangle as a skin file of the program copy places it ("Main.ini",
    // "Composite.ini"); a control the file lacks gives a 1x1 rectangle at (1, 1).
    QRect SkinPlace(const QString& skinFile, const QString& key) const;
    // A real click at a point, or on the centre of a control of the main skin file, of the
    // opened program's main window; then a pause for the program to act on it.
    bool ClickAt(QPoint at, int settleMs = 400);
    bool ClickControl(const QString& key, int settleMs = 400);
    // A real click on the centre of a control of a dialog's skin file ("Composite.ini"), in the
    // window opened last; then a pause for the program to act on it.
    bool ClickInTopWindow(const QString& skinFile, const QString& key, int settleMs = 500);
    // Types keys (xdotool key names) into whatever has the focus.
    bool TypeKeys(const QStringList& keys, int delayMs = 80);
    // Picks a row of the lighting view's mode list counted from its end (0 = the last row).
    bool ChooseModeRowFromEnd(int fromEnd);
    // One area of the keyboard's dump ("params", "keyColours", "keyBlocks", ...) as bytes.
    QByteArray DumpArea(const QString& key) const;
    // Upper-case hex of count bytes at offset of a dumped area.
    QString DumpHex(const QString& key, int offset, int count) const;
    // Polls check until it holds or timeoutMs passed.
    static bool WaitUntil(const std::function<bool()>& check, int timeoutMs = 8000);
    // Saves a screenshot under the name (without extension) into folder.
    void Shot(const QString& folder, const QString& name) const;
    // English, then Chinese: a fresh program copy in the language, given to prepare, started
    // (remembered as Program()), its window shown and given paintMs, handed to shoot, then ended
    // with "/Kill" and its folder removed. Stops at the first fatal failure.
    void InBothLanguages(int paintMs,
                         const std::function<void(QProcess* program, int language)>& shoot,
                         const std::function<void(const QString& folder)>& prepare = {});

    VirtualKeyboard keyboard_;
    QTemporaryDir dir_;
    QString programFolder_;
    QProcess* program_ = nullptr;
    QProcessEnvironment env_;
    std::vector<QProcess*> running_;
};

}  // namespace quorvel::testing
