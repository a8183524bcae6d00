// Switching by program on a wlr compositor, end to end: the built program on the headless sway,
// terminals of their own app_id brought to the front with swaymsg, and the keyboard's active
// profile (settings byte 10 of the virtual keyboard) following.
#include <QElapsedTimer>
#include <QThread>
#include <cstdio>

#include "model/app_rules.h"
#include "tests/desktop/terminals.h"
#include "tests/support/keyboard_dump.h"
#include "tests/wayland/wayland_e2e_support.h"

namespace quorvel::testing {
namespace {

// From the focus change to the keyboard's frame; the switch waits 200 ms of it for the
// change to settle.
constexpr int FOLLOW_MS = 500;
// Byte of the settings block that holds the active profile (0-2).
constexpr size_t ACTIVE_PROFILE_BYTE = 10;
constexpr QSize KEY_DIALOG_SIZE(600, 460);

class ProgramProfilesOnWayland : public WaylandEndToEndTest {
protected:
    void SetUp() override {
        WaylandEndToEndTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        AppRules rules;
        SetAppRule(rules, "quorvel-alpha", 2);
        SetAppRule(rules, "Quorvel-Beta", 3);
        rules.defaultProfile = 1;
        const std::string path =
            env_.value("XDG_CONFIG_HOME").toStdString() + "/quorvel/app-profiles.json";
        std::string error;
        ASSERT_TRUE(SaveAppRules(path, rules, &error)) << error;
    }
    // How long the keyboard's settings write making profile (0-2) active took to come after the
    // focus moved to appId, from the trace read every 10 ms so that the time is the program's
    // and not the dump's; -1 when it did not come within a second or the dump disagrees.
    qint64 FollowTime(const QString& appId, int profile) {
        const std::string wanted =
            QStringLiteral("%1").arg(profile, 2, 10, QLatin1Char('0')).toStdString();
        const size_t mark = keyboard_.TraceMark();
        QElapsedTimer clock;
        clock.start();
        if (!terminals_.Focus(appId)) return -1;
        while (!SettingsWrittenSince(keyboard_, mark, ACTIVE_PROFILE_BYTE, wanted)) {
            if (clock.elapsed() > 1000) return -1;
            QThread::msleep(10);
        }
        const qint64 took = clock.elapsed();
        return DumpHex("settings", ACTIVE_PROFILE_BYTE, 1).toStdString() == wanted ? took : -1;
    }
    int RunQuorvelctl(const QStringList& arguments) {
        QProcess ctl;
        ctl.setProcessEnvironment(env_);
        ctl.start(BinFolder() + "/quorvelctl", arguments);
        return ctl.waitForFinished(15000) ? ctl.exitCode() : -1;
    }

    Terminals terminals_{sway_};
};

TEST_F(ProgramProfilesOnWayland, TheActiveProfileFollowsTheProgramInFront) {
    QProcess* program = OpenOnWayland(1);
    ASSERT_TRUE(terminals_.Start("quorvel-alpha"));
    ASSERT_TRUE(terminals_.Start("quorvel-beta"));
    ASSERT_TRUE(terminals_.Start("quorvel-gamma"));

    QStringList times;
    // Twice round, so each switch starts from another profile.
    for (int round = 0; round < 2; ++round) {
        for (const auto& [appId, profile] :
             {std::pair{"quorvel-alpha", 1}, {"quorvel-beta", 2}, {"quorvel-gamma", 0}}) {
            const qint64 took = FollowTime(appId, profile);
            EXPECT_GE(took, 0) << appId << " never made profile " << profile + 1 << " active";
            EXPECT_LE(took, FOLLOW_MS) << appId;
            times.append(QString::number(took));
        }
    }
    std::printf("focus to keyboard frame, ms: %s\n", qPrintable(times.join(' ')));

    // The program's own window in front is no program the rules are about.
    ASSERT_GE(FollowTime("quorvel-beta", 2), 0);
    ASSERT_TRUE(terminals_.Focus("org.quorvel.quorvel"));
    QThread::msleep(3 * FOLLOW_MS);
    EXPECT_EQ(DumpHex("settings", 10, 1), "02");

    // A rule removed from the command line counts without a restart: alpha gets the default.
    ASSERT_EQ(RunQuorvelctl({"app-profile", "remove", "quorvel-alpha"}), 0);
    EXPECT_TRUE(WaitUntil(
        [&] {
            terminals_.Focus("quorvel-beta");
            terminals_.Focus("quorvel-alpha");
            return WaitUntil([&] { return DumpHex("settings", 10, 1) == "00"; }, 1000);
        },
        5000));
    EXPECT_TRUE(KillRunning(program));
}

TEST_F(ProgramProfilesOnWayland, NoSwitchWhileTheKeyDialogIsOpenAndTheSwitchWhenItCloses) {
    QProcess* program = OpenOnWayland(1);
    ASSERT_TRUE(terminals_.Start("quorvel-alpha"));
    ASSERT_TRUE(terminals_.Start("quorvel-beta"));
    ASSERT_GE(FollowTime("quorvel-beta", 2), 0);

    ASSERT_TRUE(terminals_.Focus("org.quorvel.quorvel"));
    ASSERT_TRUE(ClickMainControl("KEY_01E"));
    ASSERT_TRUE(WindowOfSize(KEY_DIALOG_SIZE));
    ASSERT_TRUE(terminals_.Focus("quorvel-alpha"));
    QThread::msleep(3 * FOLLOW_MS);
    EXPECT_EQ(DumpHex("settings", 10, 1), "02");

    // Closed by the compositor, as by its close button: the dialog is cancelled while alpha
    // stays in front.
    const QString dialog = QStringLiteral("[pid=%1 floating] kill").arg(program->processId());
    ASSERT_FALSE(sway_.Run("swaymsg", {dialog}).isNull());
    EXPECT_TRUE(WaitUntil([&] { return DumpHex("settings", 10, 1) == "01"; }, 3000))
        << DumpHex("settings", 10, 1).toStdString();
    EXPECT_TRUE(KillRunning(program));
}

}  // namespace
}  // namespace quorvel::testing
