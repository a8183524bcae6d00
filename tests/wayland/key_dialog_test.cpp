// The key dialog and the language switch on Wayland, with real clicks and key presses through
// the compositor: a key of the map is given another key and Apply writes it to the keyboard;
// the language chosen in the main menu changes the window and is kept in the user's file.
#include <QFile>
#include <QImage>
#include <QThread>

#include "base/ini_file.h"
#include "device/macro_area.h"
#include "tests/wayland/wayland_e2e_support.h"

namespace quorvel::testing {
namespace {

constexpr QSize DIALOG_SIZE(600, 460);

class KeyDialogOnWayland : public WaylandEndToEndTest {
protected:
    bool ClickDialog(const char* key) {
        const std::optional<SwayWindow> dialog = WindowOfSize(DIALOG_SIZE);
        return dialog && ClickIn(*dialog, SkinPlace("Composite.ini", key).center());
    }
    // The slot of key A in the key block: where the factory layout has 02 02 04.
    int SlotOfKeyA() const {
        const QByteArray factory = DumpArea("defaultLayout");
        for (int s = 0; s + 2 < factory.size(); s += 3) {
            if (factory.mid(s, 3) == QByteArray::fromHex("020204")) return s;
        }
        return -1;
    }
    // OK, then the main window's Apply: key A's slot of the key block then holds expected.
    void OkApplyAndExpectKeyA(const char* expected) {
        ASSERT_TRUE(ClickDialog("CONTROL_OK"));
        ASSERT_TRUE(ClickMainControl("CONTROL2_APPLY"));
        const int slot = SlotOfKeyA();
        ASSERT_GE(slot, 0);
        EXPECT_TRUE(WaitUntil([&] {
            return DumpArea("keyBlocks").mid(slot, 3) == QByteArray::fromHex(expected);
        })) << DumpArea("keyBlocks").mid(slot, 3).toHex().toStdString();
    }
    // The program on a compositor without the protocol (Qt and the program leave it alone, as
    // on one that lacks it), the key dialog open on key A.
    std::optional<SwayWindow> KeyDialogWithoutTheProtocol(QProcess*& program) {
        env_.insert("QT_WAYLAND_DISABLED_INTERFACES", "zwp_keyboard_shortcuts_inhibit_manager_v1");
        program = OpenOnWayland(1);
        if (!ClickMainControl("KEY_01E")) return std::nullopt;
        return WindowOfSize(DIALOG_SIZE);
    }
    // Opens the drop-down list at `list` and picks a row: the first opens under the pointer,
    // each a row's height below the one before.
    bool PickFromList(const SwayWindow& dialog, QPoint list, int row) {
        return ClickIn(dialog, list) && ClickIn(dialog, list + QPoint(0, 22 * row));
    }
    QImage MainWindowPicture() const {
        const QString file = dir_.filePath("main.png");
        const std::optional<SwayWindow> main = MainWindow();
        if (!main || !sway_.Screenshot(file, main->place)) return {};
        return QImage(file);
    }
};

TEST_F(KeyDialogOnWayland, KeyAGivenBReachesTheKeyBlock) {
    QProcess* program = OpenOnWayland(1);
    ShotTo("main-window-en");
    ASSERT_TRUE(ClickMainControl("KEY_01E"));
    const std::optional<SwayWindow> dialog = WindowOfSize(DIALOG_SIZE);
    ASSERT_TRUE(dialog);
    // A dialog of the main window: sway floats it, as it floats no free-standing window.
    EXPECT_TRUE(dialog->floating);
    ASSERT_TRUE(Type({"b"}));
    ShotTo("key-dialog-en");
    ASSERT_NO_FATAL_FAILURE(OkApplyAndExpectKeyA("020205"));
    EXPECT_TRUE(KillRunning(program));
}

TEST_F(KeyDialogOnWayland, LanguageChosenInTheMenuChangesTheWindowAndIsKept) {
    QProcess* program = OpenOnWayland(1);
    const QImage english = MainWindowPicture();
    ASSERT_FALSE(english.isNull());
    // The menu's fourth entry is Chinese.
    ASSERT_TRUE(ClickMainControl("CONTROL_MENU"));
    ASSERT_TRUE(Type({"Down", "Down", "Down", "Down", "Return"}));
    const QString userFile = UserFolder() + "/Skins/language.ini";
    EXPECT_TRUE(WaitUntil(
        [&] { return IniFile(userFile.toStdString()).ReadInt("LANGUAGE", "language", -1) == 0; }));
    QThread::msleep(800);
    EXPECT_NE(MainWindowPicture(), english);
    ShotTo("main-window-zh");
    ASSERT_TRUE(ClickMainControl("KEY_01E"));
    ASSERT_TRUE(WindowOfSize(DIALOG_SIZE));
    ShotTo("key-dialog-zh");
    ASSERT_TRUE(ClickDialog("CONTROL_CANCEL"));
    EXPECT_TRUE(KillRunning(program));
}

TEST_F(KeyDialogOnWayland, DraggingTheBackgroundMovesTheWindow) {
    QProcess* program = OpenOnWayland(1);
    const std::optional<SwayWindow> before = MainWindow();
    ASSERT_TRUE(before);
    const QPoint grip = before->place.topLeft() + QPoint(before->place.width() / 2, 6);
    ASSERT_TRUE(sway_.Drag(grip, grip + QPoint(-60, 40)));
    // The compositor moves the window from where the pointer is when the move request
    // reaches it, so the first step of the drag may be lost.
    const auto moved = [&] {
        const std::optional<SwayWindow> now = MainWindow();
        return now ? now->place.topLeft() - before->place.topLeft() : QPoint();
    };
    EXPECT_TRUE(WaitUntil([&] { return (moved() - QPoint(-60, 40)).manhattanLength() <= 20; }))
        << "moved by " << moved().x() << "," << moved().y();
    EXPECT_TRUE(KillRunning(program));
}

TEST_F(KeyDialogOnWayland, PrintScreenKeptByTheCompositorReachesTheCapture) {
    // The compositor's own shortcut on the key: it leaves a file when sway acts on it.
    const QString taken = dir_.filePath("print-taken");
    ASSERT_FALSE(sway_.Run("swaymsg", {"bindsym", "Print", "exec", "touch " + taken}).isNull());
    QProcess* program = OpenOnWayland(1);
    ASSERT_TRUE(ClickMainControl("KEY_01E"));
    ASSERT_TRUE(WindowOfSize(DIALOG_SIZE));
    ASSERT_TRUE(Type({"Print"}));
    ASSERT_NO_FATAL_FAILURE(OkApplyAndExpectKeyA("020246"));
    EXPECT_FALSE(QFile::exists(taken));
    // Outside the capture the compositor has its key again.
    ASSERT_TRUE(Type({"Print"}));
    EXPECT_TRUE(WaitUntil([&] { return QFile::exists(taken); }, 3000));
    sway_.Run("swaymsg", {"unbindsym", "Print"});
    EXPECT_TRUE(KillRunning(program));
}

TEST_F(KeyDialogOnWayland, WithoutTheProtocolTheKeptKeysAreOfferedFromAList) {
    QProcess* program = nullptr;
    const std::optional<SwayWindow> dialog = KeyDialogWithoutTheProtocol(program);
    ASSERT_TRUE(dialog);
    ShotTo("key-dialog-kept-keys-en");
    // The list is under the key box; Print Screen is its third row.
    const QRect keyBox = SkinPlace("Composite.ini", "FUNC_KEY_INPUT");
    ASSERT_TRUE(PickFromList(*dialog, {keyBox.center().x(), keyBox.bottom() + 24}, 2));
    ASSERT_NO_FATAL_FAILURE(OkApplyAndExpectKeyA("020246"));
    EXPECT_TRUE(KillRunning(program));
}

TEST_F(KeyDialogOnWayland, WithoutTheProtocolTheMacroPageAddsAKeptKeyFromItsList) {
    QProcess* program = nullptr;
    const std::optional<SwayWindow> dialog = KeyDialogWithoutTheProtocol(program);
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(ClickDialog("CONTROL_MACRO"));
    ASSERT_TRUE(ClickDialog("FUNC_MACRO_ADD"));
    ShotTo("key-dialog-macro-kept-keys-en");
    // The list is under the macro box (one text line tall); Right Win is its second row.
    const QRect box = SkinPlace("Composite.ini", "FUNC_MACRO_LIST");
    ASSERT_TRUE(PickFromList(*dialog, {box.center().x(), box.top() + 53}, 1));
    ASSERT_TRUE(ClickDialog("CONTROL_OK"));
    ASSERT_TRUE(ClickMainControl("CONTROL2_APPLY"));
    const std::vector<MacroAction> expected{MakeMacroAction(50, 0x15C, MACRO_STATE_PRESS),
                                            MakeMacroAction(0, 0x15C, MACRO_STATE_RELEASE)};
    const auto written = [&] {
        const QByteArray area = DumpArea("macroArea");
        const std::vector<MacroRecord> macros = DecodeMacroArea(
            std::span(reinterpret_cast<const uint8_t*>(area.constData()), area.size()));
        return macros.size() == 1 ? macros[0].actions : std::vector<MacroAction>();
    };
    EXPECT_TRUE(WaitUntil([&] { return written() == expected; })) << written().size();
    EXPECT_TRUE(KillRunning(program));
}

}  // namespace
}  // namespace quorvel::testing
