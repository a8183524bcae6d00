// The program profiles dialog against a rules file of its own and a desktop the test makes up:
// what the user does in it ends in the file on OK, and nothing else ever touches the file.
#include "app/program_profiles_dialog.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <functional>

#include "app/message_boxes.h"
#include "base/texts.h"
#include "desktop/active_window_source.h"
#include "skin/skin_names.h"

namespace quorvel {
namespace {

using desktop::WindowInfo;
using desktop::WindowSupport;

class MadeUpDesktop : public desktop::ActiveWindowSource {
public:
    WindowSupport Support() const override { return support; }
    QList<WindowInfo> OpenWindows() const override { return windows; }

    WindowSupport support = WindowSupport::X11;
    QList<WindowInfo> windows;
};

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

class ProgramProfilesDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetTextsToBuiltIn();
        SetMessageBoxesSuppressed(true);
        TakeShownMessageKeys();
    }
    void TearDown() override { SetMessageBoxesSuppressed(false); }

    std::string RulesPath() const {
        return (folder_.path() + "/config/app-profiles.json").toStdString();
    }

    // Opens a dialog on the rules file, runs work inside it, then closes it with Cancel unless
    // work closed it.
    void WhileOpen(const std::function<void(CProgramProfilesDlg&)>& work,
                   const desktop::ActiveWindowSource* source) {
        const QString skin =
            QString(QUORVEL_SKIN_DIR) + QString::fromUtf8(skin_names::PROGRAM_PROFILES_INI.data());
        CProgramProfilesDlg dialog(skin, QUORVEL_SKIN_DIR, RulesPath(), source, nullptr);
        QTimer::singleShot(0, &dialog, [&] {
            work(dialog);
            dialog.CloseIfOpen();
        });
        QString error;
        ASSERT_TRUE(dialog.Open(&error)) << error.toStdString();
        EXPECT_FALSE(dialog.IsOpen());
    }
    void WhileOpen(const std::function<void(CProgramProfilesDlg&)>& work) {
        WhileOpen(work, &desktop_);
    }

    static void Click(CProgramProfilesDlg& dialog, const char* button) {
        dialog.findChild<QAbstractButton*>(button)->click();
    }
    static void Add(CProgramProfilesDlg& dialog, const QString& program) {
        dialog.findChild<QComboBox*>("OPEN_WINDOWS")->setEditText(program);
        Click(dialog, "FUNC_ADD");
    }
    static QTreeWidget& Table(CProgramProfilesDlg& dialog) {
        return *dialog.findChild<QTreeWidget*>("RULES_TABLE");
    }
    static QComboBox& RowProfile(CProgramProfilesDlg& dialog, int row) {
        QTreeWidget& table = Table(dialog);
        return *qobject_cast<QComboBox*>(table.itemWidget(table.topLevelItem(row), 1));
    }
    static QStringList Programs(CProgramProfilesDlg& dialog) {
        QStringList programs;
        QTreeWidget& table = Table(dialog);
        for (int row = 0; row < table.topLevelItemCount(); ++row)
            programs << table.topLevelItem(row)->text(0);
        return programs;
    }

    QTemporaryDir folder_;
    MadeUpDesktop desktop_;
};

TEST_F(ProgramProfilesDialogTest, WhatIsDoneEndsInTheFileOnOkAndNotOnCancel) {
    desktop_.windows = {{"0x1", "steam", ""},
                        {"0x2", "firefox", "firefox-bin"},
                        {"0x3", "Firefox", ""},
                        {"0x4", "", "blender"},
                        {"0x5", "", ""}};
    WhileOpen([&](CProgramProfilesDlg& dialog) {
        // Each program once, whatever the case, named by its id or else its executable.
        QComboBox& windows = *dialog.findChild<QComboBox*>("OPEN_WINDOWS");
        QStringList offered;
        for (int i = 0; i < windows.count(); ++i) offered << windows.itemText(i);
        EXPECT_EQ(offered, QStringList({"blender", "firefox", "steam"}));

        windows.setCurrentIndex(2);
        Click(dialog, "FUNC_ADD");
        Add(dialog, "  Blender ");
        Add(dialog, "FIREFOX");
        Add(dialog, "STEAM");  // already there: no second rule
        Add(dialog, "   ");    // nothing to add
        EXPECT_EQ(Programs(dialog), QStringList({"steam", "Blender", "FIREFOX"}));
        EXPECT_EQ(RowProfile(dialog, 0).currentData().toInt(), 1);

        RowProfile(dialog, 0).setCurrentIndex(2);
        Table(dialog).setCurrentItem(Table(dialog).topLevelItem(1));
        Click(dialog, "FUNC_REMOVE");
        // The row after the removed one keeps its own profile choice.
        RowProfile(dialog, 1).setCurrentIndex(1);
        dialog.findChild<QComboBox*>("DEFAULT_PROFILE")->setCurrentIndex(2);
        dialog.findChild<QCheckBox*>("SWITCH_ENABLE")->click();
        Click(dialog, "CONTROL_OK");
    });
    AppRules expected;
    expected.enabled = false;
    expected.defaultProfile = 2;
    expected.rules = {{"steam", 3}, {"FIREFOX", 2}};
    const AppRulesFile written = LoadAppRules(RulesPath());
    ASSERT_EQ(written.state, AppRulesState::Loaded) << written.error;
    EXPECT_EQ(written.rules, expected);

    // The next opening shows the file; Cancel leaves it as it is.
    const QByteArray before = Contents(QString::fromStdString(RulesPath()));
    WhileOpen([&](CProgramProfilesDlg& dialog) {
        EXPECT_EQ(Programs(dialog), QStringList({"steam", "FIREFOX"}));
        EXPECT_EQ(RowProfile(dialog, 0).currentData().toInt(), 3);
        EXPECT_FALSE(dialog.findChild<QCheckBox*>("SWITCH_ENABLE")->isChecked());
        EXPECT_EQ(dialog.findChild<QComboBox*>("DEFAULT_PROFILE")->currentData().toInt(), 2);
        Table(dialog).setCurrentItem(Table(dialog).topLevelItem(0));
        Click(dialog, "FUNC_REMOVE");
        dialog.findChild<QComboBox*>("DEFAULT_PROFILE")->setCurrentIndex(0);
        Click(dialog, "CONTROL_CANCEL");
    });
    EXPECT_EQ(Contents(QString::fromStdString(RulesPath())), before);

    // "Leave it" is no default at all.
    WhileOpen([&](CProgramProfilesDlg& dialog) {
        dialog.findChild<QComboBox*>("DEFAULT_PROFILE")->setCurrentIndex(0);
        Click(dialog, "CONTROL_OK");
    });
    EXPECT_EQ(LoadAppRules(RulesPath()).rules.defaultProfile, std::nullopt);
}

// A desktop that does not say which window is active, and a file that cannot be read: the
// dialog says why, offers nothing to change and writes nothing, even on OK.
TEST_F(ProgramProfilesDialogTest, NothingChangesWhereNothingCanWork) {
    QDir().mkpath(folder_.path() + "/config");
    QFile damaged(QString::fromStdString(RulesPath()));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("{\"version\": 1, \"rules\": [{\"program\": \"steam\", \"profile\": 7}]}");
    damaged.close();
    const QByteArray before = Contents(damaged.fileName());

    MadeUpDesktop none;
    none.support = WindowSupport::None;
    none.windows = {{"0x1", "steam", ""}};
    for (const desktop::ActiveWindowSource* source :
         std::initializer_list<const desktop::ActiveWindowSource*>{&desktop_, &none, nullptr}) {
        WhileOpen(
            [&](CProgramProfilesDlg& dialog) {
                const QString state = dialog.findChild<QLabel*>("SUPPORT_STATE")->text();
                EXPECT_EQ(state.contains("does not tell programs which window is active"),
                          source != &desktop_)
                    << state.toStdString();
                EXPECT_TRUE(state.contains("The rules file cannot be read")) << state.toStdString();
                EXPECT_EQ(Table(dialog).topLevelItemCount(), 0);
                for (const char* control : {"SWITCH_ENABLE", "OPEN_WINDOWS", "DEFAULT_PROFILE"})
                    EXPECT_FALSE(dialog.findChild<QWidget*>(control)->isEnabled()) << control;
                for (const char* button : {"FUNC_ADD", "FUNC_REMOVE"})
                    EXPECT_TRUE(dialog.findChild<QWidget*>(button)->isHidden()) << button;
                Add(dialog, "steam");
                Click(dialog, "CONTROL_OK");
            },
            source);
        EXPECT_EQ(Contents(damaged.fileName()), before);
    }

    // A readable file on a desktop without support: the rules are shown, the switch is not
    // shown as on, and the file keeps its "enabled".
    ASSERT_TRUE(QFile::remove(damaged.fileName()));
    AppRules rules;
    rules.rules = {{"steam", 2}};
    ASSERT_TRUE(SaveAppRules(RulesPath(), rules));
    const QByteArray readable = Contents(damaged.fileName());
    WhileOpen(
        [&](CProgramProfilesDlg& dialog) {
            EXPECT_EQ(Programs(dialog), QStringList({"steam"}));
            EXPECT_FALSE(dialog.findChild<QCheckBox*>("SWITCH_ENABLE")->isChecked());
            EXPECT_EQ(dialog.findChild<QComboBox*>("OPEN_WINDOWS")->count(), 0);
            Click(dialog, "CONTROL_OK");
        },
        &none);
    EXPECT_EQ(Contents(damaged.fileName()), readable);
}

TEST_F(ProgramProfilesDialogTest, ASaveThatFailsSaysWhyAndKeepsTheDialogOpen) {
    // The config folder's place is taken by a file, so the rules cannot be written.
    QFile blocker(folder_.path() + "/config");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    WhileOpen([&](CProgramProfilesDlg& dialog) {
        Add(dialog, "steam");
        Click(dialog, "CONTROL_OK");
        EXPECT_TRUE(dialog.IsOpen());
        EXPECT_EQ(TakeShownMessageKeys(), std::vector<std::string>{"APP_PROFILES_SAVE_FAILED"});
        EXPECT_EQ(Programs(dialog), QStringList({"steam"}));
    });
}

}  // namespace
}  // namespace quorvel
