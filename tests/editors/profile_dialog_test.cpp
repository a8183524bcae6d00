// The profile manager's Add and its captions, with hosts of its own and no keyboard.
#include "editors/profile_dialog.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include "base/ini_file.h"
#include "base/texts.h"
#include "editors/file_dialogs.h"
#include "editors_test_support.h"
#include "model/profile_store.h"
#include "skin/skin_names.h"

namespace quorvel {
namespace {

using testing::TestHost;

class NoKeyboardProfileHost : public ProfileHost {
public:
    void RunProfileJob(const QString&, Job, Done done) override { done(0); }
    void ApplyChanges(std::function<void(bool)> done) override { done(false); }
    bool UnappliedChanges() const override { return false; }
    bool KeyEditorOpen() const override { return false; }
    int KeyboardGoneCount() const override { return 0; }
    void ProfileChanged() override {}
};

// The source language file with its "language" value set: 1 English, 0 Chinese.
QString LanguageFileIn(const QTemporaryDir& dir, const char* language) {
    QFile source(QUORVEL_SOURCE_LANGUAGE_FILE);
    EXPECT_TRUE(source.open(QIODevice::ReadOnly));
    QByteArray text = source.readAll();
    text.replace("language=1", QByteArray("language=") + language);
    const QString path = dir.filePath(QString("language%1.ini").arg(language));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
    return path;
}

class ProfileDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetDataFolderOverride(QDir(folder_.path()).filePath("data").toStdString());
        const QString skin = QString(QUORVEL_SKIN_DIR) +
                             QString::fromUtf8(skin_names::PROFILE_INI.data(),
                                               qsizetype(skin_names::PROFILE_INI.size()));
        dialog_ = std::make_unique<CQuorvel_DlgProfile>(skin, QUORVEL_SKIN_DIR, host_, profileHost_,
                                                        nullptr);
    }
    void TearDown() override {
        SetFileDialogHook({});
        dialog_.reset();
        SetDataFolderOverride({});
        ResetTextsToBuiltIn();
    }
    // Opens the dialog, runs `work` inside it, and closes it.
    void WhileOpen(const std::function<void()>& work) {
        QTimer::singleShot(0, dialog_.get(), [&] {
            work();
            dialog_->CloseIfOpen();
        });
        QString error;
        ASSERT_TRUE(dialog_->Open(&error)) << error.toStdString();
    }

    QTemporaryDir folder_;
    TestHost host_;
    NoKeyboardProfileHost profileHost_;
    std::unique_ptr<CQuorvel_DlgProfile> dialog_;
};

TEST(NewProfileProposal, ANameInTheDataFolderWhateverTheTextStartsWith) {
    EXPECT_EQ(NewProfileProposal("/d", "/New profile"), "/d/New profile");
    EXPECT_EQ(NewProfileProposal("/d", "\\The new contextual  mode"),
              "/d/The new contextual  mode");
    // A language file without the text still gets a name, not the folder itself.
    EXPECT_EQ(NewProfileProposal("/d", ""), "/d/The new contextual  mode");
    EXPECT_EQ(NewProfileProposal("/d", "/"), "/d/The new contextual  mode");
}

TEST_F(ProfileDialogTest, AddProposesANameEvenWhenTheLanguageFileLacksTheText) {
    QTemporaryDir dir;
    QFile file(dir.filePath("language.ini"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[LANGUAGE]\nlanguage=1\n[ENGINSH]\nPROFILE_TIP=x\n");
    file.close();
    LoadTexts(IniFile(file.fileName().toStdString()));
    QString proposed;
    SetFileDialogHook([&](const FileDialogRequest& request) -> std::optional<FileDialogAnswer> {
        proposed = request.proposedPath;
        return std::nullopt;
    });
    WhileOpen([&] { dialog_->RunControl(PROFILE_CONTROL_ADD); });
    EXPECT_EQ(proposed, QString::fromStdString(DataFolder()) + "/The new contextual  mode");
}

TEST_F(ProfileDialogTest, AddThatCannotWriteTheFileSaysSoAndListsNothing) {
    const QString unwritable = QDir(folder_.path()).filePath("missing/folder/New.fwc");
    SetFileDialogHook(
        [&](const FileDialogRequest&) -> std::optional<FileDialogAnswer> { return unwritable; });
    int rows = -1;
    WhileOpen([&] {
        dialog_->RunControl(PROFILE_CONTROL_ADD);
        rows = dialog_->RowCount();
    });
    EXPECT_EQ(rows, 3);
    EXPECT_FALSE(QFile::exists(unwritable));
    ASSERT_EQ(host_.messages, std::vector<std::string>{PROFILE_WRITE_FAILED_TEXT});
    EXPECT_EQ(host_.messageTexts[0],
              "The profile file could not be written: " + unwritable.toStdString());
}

// The captions and the list's column titles are the language file's, in its language, and
// follow a change of language between two openings of the same dialog (English, Chinese, then
// English again); screenshots of both for the eye.
TEST_F(ProfileDialogTest, CaptionsComeFromTheLanguageFile) {
    QTemporaryDir dir;
    QDir().mkpath(QUORVEL_SCREENSHOT_DIR);
    // The title, Add, Load, Delete, OK, Cancel, Apply, then the three column titles.
    const char* english = "Profiles|Add|Load|Delete|OK|Cancel|Apply|Active|Name|Path";
    const struct {
        const char* language;
        const char* suffix;
        const char* captions;
    } cases[] = {{"1", "en", english},
                 {"0", "zh", "情景模式|新建|载入|删除|确定|取消|应用|激活|名称|路径"},
                 {"1", "en", english}};
    for (const auto& c : cases) {
        LoadTexts(IniFile(LanguageFileIn(dir, c.language).toStdString()));
        QStringList shown;
        WhileOpen([&] {
            shown << dialog_->TitleText();
            for (int control : {PROFILE_CONTROL_ADD, PROFILE_CONTROL_LOAD, PROFILE_CONTROL_DELETE,
                                1, 2, PROFILE_CONTROL_APPLY})
                shown << dialog_->ButtonText(control);
            // A fatal failure here would leave the dialog open; a missing list shows in the
            // comparison below instead.
            if (const auto* list = dialog_->findChild<QTreeWidget*>("PROGRAM_LIST")) {
                for (int column = 0; column < list->columnCount(); ++column)
                    shown << list->headerItem()->text(column);
            }
            dialog_->grab().save(
                QString("%1/profile_manager_%2.png").arg(QUORVEL_SCREENSHOT_DIR, c.suffix));
        });
        EXPECT_EQ(shown.join('|').toStdString(), c.captions);
    }
}

}  // namespace
}  // namespace quorvel
