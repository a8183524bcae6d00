#pragma once
// The fixture of the offscreen window tests: the main window on a private virtual keyboard,
// run from a program folder of the test's own, in English, with message boxes, Yes/No
// questions and file dialogs taken by their test seams. The end-to-end helpers for the built
// program under Xvfb are in e2e_support.h.
#include <gtest/gtest.h>

#include <QMenu>
#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "app/quorvel_dlg.h"
#include "tests/app/program_sandbox.h"
#include "tests/support/virtual_keyboard.h"

namespace quorvel::testing {

// A notification area the test decides on: there from the start, or appearing and going when
// told.
class TestNotificationArea : public desktop::NotificationArea {
public:
    explicit TestNotificationArea(bool present) : present_(present) {}
    bool Present() const override { return present_; }
    void Appear() {
        present_ = true;
        emit Appeared();
    }
    void Disappear() {
        present_ = false;
        emit Disappeared();
    }

private:
    bool present_;
};

// Key A: its button on the keyboard map and its entry in a profile's key area.
constexpr int CONTROL_KEY_A = 1058;
constexpr int KEY_ENTRY_A = 0x1E;

// The virtual service library stays loaded from one test to the next; this ends its
// connection so that the next test's keyboard is met afresh.
void EndVirtualServiceLibrary();

class WindowTest : public ::testing::Test {
protected:
    WindowTest() = default;
    explicit WindowTest(VirtualKeyboard::Options options) : keyboard_(std::move(options)) {}

    void SetUp() override;
    void TearDown() override;

    // The window constructed and initialised, shown when asked, once it is ready. startSwitch
    // is the "/Start" of the command line: the window stays closed.
    CQuorvelDlg& Launch(bool startSwitch = true, bool shown = false);
    // Launched with "/Start", then connected, the keyboard's profiles read (profile 0's file
    // written) and every job done.
    CQuorvelDlg& Start(bool shown = false);
    // No keyboard job, profile switch, Apply or lighting view opening is left running, and the
    // events they posted have been handled.
    void Settle();

    // The main pop-up menu, opened; null when it did not show.
    QMenu* OpenMainMenu();

    // Sets the language in the language file the program reads and loads its texts, Qt's own
    // included.
    void UseLanguage(int language);
    // The per-user copy once a choice was stored, the program folder's before.
    QString LanguageFile() const {
        return QString::fromStdString(ReadPathFor(paths_, "Skins/language.ini"));
    }

    size_t Mark() const { return keyboard_.TraceMark(); }
    // count bytes at offset of an area of the keyboard's dump, as upper-case hex.
    std::string Area(const std::string& key, size_t offset, size_t count) const;

    // Whether the next Launch finds a notification area; the area it made, to make one appear.
    bool notificationArea_ = true;
    TestNotificationArea* area_ = nullptr;
    VirtualKeyboard keyboard_;
    QTemporaryDir programDir_;
    QTemporaryDir runtimeDir_;
    ProgramPaths paths_;
    std::unique_ptr<CQuorvelDlg> window_;
};

}  // namespace quorvel::testing
