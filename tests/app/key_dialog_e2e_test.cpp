// End to end: the built program under Xvfb on the virtual keyboard. A key of the map is given
// another key, and a G key a macro recorded from the keyboard, with real clicks and key presses
// (xdotool); what the keyboard and the profile file hold afterwards is read back.
#include <QFile>
#include <QThread>

#include "model/profile_image.h"
#include "model/profile_store.h"
#include "tests/app/e2e_support.h"

namespace quorvel::testing {
namespace {

constexpr QSize DIALOG_SIZE(600, 460);

class KeyDialogEndToEnd : public EndToEndTest {
protected:
    bool ClickMain(const char* key) { return ClickControl(key, 600); }
    // The key dialog's window: the shown window of the program with the dialog's size.
    QString DialogId() const {
        QString dialog;
        WaitUntil(
            [&] {
                const QString found =
                    RunTool("xdotool", {"search", "--onlyvisible", "--classname", "quorvel"});
                for (const QString& id : found.split('\n', Qt::SkipEmptyParts)) {
                    const QString geometry =
                        RunTool("xdotool", {"getwindowgeometry", "--shell", id});
                    if (geometry.contains(QString("WIDTH=%1\n").arg(DIALOG_SIZE.width())) &&
                        geometry.contains(QString("HEIGHT=%1\n").arg(DIALOG_SIZE.height()))) {
                        dialog = id;
                        return true;
                    }
                }
                return false;
            },
            5000);
        return dialog;
    }
    bool ClickDialog(const char* key) {
        const QString id = DialogId();
        if (id.isEmpty()) return false;
        const QPoint at = SkinPlace("Composite.ini", key).center();
        const bool clicked =
            !RunTool("xdotool", {"mousemove", "--window", id, QString::number(at.x()),
                                 QString::number(at.y()), "click", "1"})
                 .isNull();
        QThread::msleep(500);
        return clicked;
    }
    bool Type(const QStringList& keys) { return TypeKeys(keys, 150); }
    void Shot(const QString& name) { EndToEndTest::Shot(QUORVEL_SCREENSHOT_DIR, name); }
};

TEST_F(KeyDialogEndToEnd, KeyAGivenBReachesTheKeyBlock) {
    QProcess* program = OpenProgram();
    ASSERT_TRUE(ClickMain("KEY_01E"));
    ASSERT_FALSE(DialogId().isEmpty());
    ASSERT_TRUE(Type({"b"}));
    Shot("keydialog-e2e-single-key");
    ASSERT_TRUE(ClickDialog("CONTROL_OK"));
    ASSERT_TRUE(ClickMain("CONTROL2_APPLY"));
    // Key A's slot of the factory layout (02 02 04) now sends B (02 02 05).
    const QByteArray factory = DumpArea("defaultLayout");
    int slot = -1;
    for (int s = 0; s + 2 < factory.size(); s += 3) {
        if (factory.mid(s, 3) == QByteArray::fromHex("020204")) slot = s;
    }
    ASSERT_GE(slot, 0);
    EXPECT_TRUE(WaitUntil([&] {
        return DumpArea("keyBlocks").mid(slot, 3) == QByteArray::fromHex("020205");
    })) << DumpArea("keyBlocks").mid(slot, 3).toHex().toStdString();
    EXPECT_TRUE(KillRunning(program));
}

TEST_F(KeyDialogEndToEnd, RecordedMacroOnG1ReachesTheMacroAreaAndTheProfileFile) {
    QProcess* program = OpenProgram();
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
        const QByteArray area = DumpArea("macroArea");
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
    EXPECT_TRUE(WaitUntil([&] {
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
