// End to end: the built program under Xvfb on the virtual keyboard. A key of the map is given
// another key, and a G key a macro recorded from the keyboard, with real clicks and key presses
// (xdotool); what the keyboard and the profile file hold afterwards is read back.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRect>
#include <QThread>

#include "base/ini_file.h"
#include "model/profile_image.h"
#include "model/profile_store.h"
#include "tests/app/e2e_support.h"

namespace quorvel::testing {
namespace {

constexpr QSize DIALOG_SIZE(600, 460);

class KeyDialogEndToEnd : public EndToEndTest {
protected:
    QRect Place(const char* skinFile, const char* key) const {
        IniFile skin((program_ + "/Skins/" + skinFile).toStdString());
        const QStringList parts =
            QString::fromStdString(skin.ReadString("BUTTONINFO", key, "1,1,1,1")).split(',');
        return {parts[0].toInt(), parts[1].toInt(), parts[2].toInt(), parts[3].toInt()};
    }
    bool ClickMain(const char* key) {
        const QPoint at = Place("Main.ini", key).center();
        const bool clicked = ClickInMainWindow(programProcess_, at.x(), at.y());
        QThread::msleep(600);
        return clicked;
    }
    // The key dialog's window: the shown window of the program with the dialog's size.
    QString DialogId() const {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 5000) {
            const QString found =
                RunTool("xdotool", {"search", "--onlyvisible", "--classname", "quorvel"});
            for (const QString& id : found.split('\n', Qt::SkipEmptyParts)) {
                const QString geometry = RunTool("xdotool", {"getwindowgeometry", "--shell", id});
                if (geometry.contains(QString("WIDTH=%1\n").arg(DIALOG_SIZE.width())) &&
                    geometry.contains(QString("HEIGHT=%1\n").arg(DIALOG_SIZE.height())))
                    return id;
            }
            QThread::msleep(100);
        }
        return {};
    }
    bool ClickDialog(const char* key) {
        const QString id = DialogId();
        if (id.isEmpty()) return false;
        const QPoint at = Place("Composite.ini", key).center();
        const bool clicked =
            !RunTool("xdotool", {"mousemove", "--window", id, QString::number(at.x()),
                                 QString::number(at.y()), "click", "1"})
                 .isNull();
        QThread::msleep(500);
        return clicked;
    }
    bool Type(const QStringList& keys) {
        const bool typed =
            !RunTool("xdotool", QStringList{"key", "--delay", "150"} + keys).isNull();
        QThread::msleep(400);
        return typed;
    }
    void Shot(const QString& name) {
        QDir().mkpath(QUORVEL_SCREENSHOT_DIR);
        EXPECT_TRUE(Screenshot(QString(QUORVEL_SCREENSHOT_DIR) + "/" + name + ".png"));
    }
    // A hex area of the keyboard's dump.
    QByteArray Area(const char* key) const {
        const QString dump = QString::fromStdString(keyboard_.Run({"dump"}));
        const int open =
            dump.indexOf('"', dump.indexOf(':', dump.indexOf(QString("\"%1\"").arg(key))) + 1);
        const int close = dump.indexOf('"', open + 1);
        return QByteArray::fromHex(dump.mid(open + 1, close - open - 1).toLatin1());
    }
    template <typename Check>
    bool WaitFor(Check check) const {
        QElapsedTimer clock;
        clock.start();
        while (!check()) {
            if (clock.elapsed() > 8000) return false;
            QThread::msleep(100);
        }
        return true;
    }
    QProcess* Open() {
        program_ = ProgramCopy(1);
        QProcess* program = Launch({"--virtual"});
        programProcess_ = program;
        EXPECT_TRUE(WaitForState("window", "shown"));
        QThread::msleep(1500);
        return program;
    }

    QString program_;
    QProcess* programProcess_ = nullptr;
};

TEST_F(KeyDialogEndToEnd, KeyAGivenBReachesTheKeyBlock) {
    QProcess* program = Open();
    ASSERT_TRUE(ClickMain("KEY_01E"));
    ASSERT_FALSE(DialogId().isEmpty());
    ASSERT_TRUE(Type({"b"}));
    Shot("keydialog-e2e-single-key");
    ASSERT_TRUE(ClickDialog("CONTROL_OK"));
    ASSERT_TRUE(ClickMain("CONTROL2_APPLY"));
    // Key A's slot of the factory layout (02 02 04) now sends B (02 02 05).
    const QByteArray factory = Area("defaultLayout");
    int slot = -1;
    for (int s = 0; s + 2 < factory.size(); s += 3) {
        if (factory.mid(s, 3) == QByteArray::fromHex("020204")) slot = s;
    }
    ASSERT_GE(slot, 0);
    EXPECT_TRUE(WaitFor([&] {
        return Area("keyBlocks").mid(slot, 3) == QByteArray::fromHex("020205");
    })) << Area("keyBlocks").mid(slot, 3).toHex().toStdString();
    EXPECT_TRUE(KillRunning(program));
}

TEST_F(KeyDialogEndToEnd, RecordedMacroOnG1ReachesTheMacroAreaAndTheProfileFile) {
    QProcess* program = Open();
    ASSERT_TRUE(ClickMain("FUNC_G1"));
    ASSERT_FALSE(DialogId().isEmpty());
    ASSERT_TRUE(ClickDialog("CONTROL_MACRO"));
    ASSERT_TRUE(ClickDialog("FUNC_MACRO_ADD"));
    ASSERT_TRUE(ClickDialog("FUNC_MACRO_RECORD"));
    ASSERT_TRUE(Type({"h", "i"}));
    ASSERT_TRUE(ClickDialog("FUNC_MACRO_RECORD"));
    Shot("keydialog-e2e-recorded-macro");
    ASSERT_TRUE(ClickDialog("CONTROL_OK"));
    ASSERT_TRUE(ClickMain("CONTROL2_APPLY"));

    // One macro of four actions: H down, H up, I down, I up (keyboard usages 0x0B and 0x0C).
    const auto actions = [&] {
        const QByteArray area = Area("macroArea");
        if (area.size() < 18 || uint8_t(area[4]) != 1) return QByteArray();
        const int record = uint8_t(area[16]) | uint8_t(area[17]) << 8;
        if (area.size() < record + 4 + 16) return QByteArray();
        QByteArray kinds;
        for (int i = 0; i < 4; ++i) {
            const QByteArray action = area.mid(record + 4 + 4 * i, 4);
            kinds.append(char(uint8_t(action[1]) & 0x80 ? 'd' : 'u'));
            kinds.append(action[3]);
        }
        return kinds;
    };
    EXPECT_TRUE(WaitFor([&] {
        return actions() == QByteArray(
                                "d\x0Bu\x0B"
                                "d\x0Cu\x0C");
    })) << actions().toHex().toStdString();

    QFile file(DocumentsPath() + "/" + QString::fromUtf8(DATA_FOLDER_NAME.data()) + "/$Profile0");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    std::optional<WorkingSetData> data = DecodeProfileImage(std::span(
        reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<size_t>(bytes.size())));
    ASSERT_TRUE(data);
    ASSERT_EQ(data->macros.Count(), 1);
    const KeyAssignment g1 = data->keyAreas[0][G_KEY_ENTRY_BANK_A];
    EXPECT_EQ(g1.type, ASSIGN_MACRO);
    EXPECT_EQ(g1.value, data->macros.Records()[0].id);
    EXPECT_EQ(data->macros.Records()[0].actions.size(), 4u);
    EXPECT_TRUE(KillRunning(program));
}

}  // namespace
}  // namespace quorvel::testing
