// The key dialog and the language switch on Wayland, with real clicks and key presses through
// the compositor: a key of the map is given another key and Apply writes it to the keyboard;
// the language chosen in the main menu changes the window and is kept in the user's file.
#include <QImage>
#include <QThread>

#include "base/ini_file.h"
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
    ASSERT_TRUE(ClickDialog("CONTROL_OK"));
    ASSERT_TRUE(ClickMainControl("CONTROL2_APPLY"));
    const int slot = SlotOfKeyA();
    ASSERT_GE(slot, 0);
    EXPECT_TRUE(WaitUntil([&] {
        return DumpArea("keyBlocks").mid(slot, 3) == QByteArray::fromHex("020205");
    })) << DumpArea("keyBlocks").mid(slot, 3).toHex().toStdString();
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
    EXPECT_TRUE(WaitUntil([&] {
        const std::optional<SwayWindow> now = MainWindow();
        return now && now->place.topLeft() == before->place.topLeft() + QPoint(-60, 40);
    })) << "the window did not follow the pointer";
    EXPECT_TRUE(KillRunning(program));
}

}  // namespace
}  // namespace quorvel::testing
