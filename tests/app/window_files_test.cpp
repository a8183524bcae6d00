// The main window's Export and Import in both file formats, and its "Start with the desktop"
// item, on the offscreen platform against the virtual keyboard; the file dialogs are answered
// through their test seam.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <map>

#include "app/autostart.h"
#include "app/message_boxes.h"
#include "app/profile_bar.h"
#include "device/profile_files.h"
#include "device/profile_transfer.h"
#include "editors/file_dialogs.h"
#include "model/profile_check.h"
#include "model/profile_store.h"
#include "tests/app/window_test_support.h"

namespace quorvel {
namespace {

using namespace testing;

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every file under a folder with its content, by relative path.
std::map<QString, QByteArray> Files(const QString& folder) {
    std::map<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files[QDir(folder).relativeFilePath(path)] = ReadAll(path);
    }
    return files;
}

// The fields in which two keyboard dumps differ, each with the first differing character of
// its value; empty when they are equal.
std::vector<std::string> DumpDifferences(const std::string& a, const std::string& b) {
    const QJsonObject left = QJsonDocument::fromJson(QByteArray::fromStdString(a)).object();
    const QJsonObject right = QJsonDocument::fromJson(QByteArray::fromStdString(b)).object();
    std::vector<std::string> differences;
    QStringList keys = left.keys() + right.keys();
    keys.removeDuplicates();
    for (const QString& key : keys) {
        if (left.value(key) == right.value(key)) continue;
        const QString x = left.value(key).toVariant().toString();
        const QString y = right.value(key).toVariant().toString();
        qsizetype at = 0;
        while (at < x.size() && at < y.size() && x[at] == y[at]) ++at;
        differences.push_back(QString("%1 at %2: %3 / %4")
                                  .arg(key)
                                  .arg(at)
                                  .arg(x.mid(at, 16), y.mid(at, 16))
                                  .toStdString());
    }
    return differences;
}

TEST(ExportFileChoice, TheNameDecidesThenTheFilterAndANameWithoutExtensionGetsTheFilters) {
    struct Case {
        QString typed;
        QString filter;
        QString path;
        ProfileFileFormat format;
    };
    const QString fwc = IMAGE_NAME_FILTER, json = JSON_NAME_FILTER, all = ALL_FILES_NAME_FILTER;
    const std::vector<Case> cases{
        {"/d/p", json, "/d/p.json", ProfileFileFormat::JSON},
        {"/d/p", fwc, "/d/p.fwc", ProfileFileFormat::IMAGE},
        {"/d/p", all, "/d/p.fwc", ProfileFileFormat::IMAGE},
        {"/d/p", "", "/d/p.fwc", ProfileFileFormat::IMAGE},
        {"/d/p.", json, "/d/p.json", ProfileFileFormat::JSON},
        // A folder with a dot does not give the file an extension.
        {"/d.old/p", json, "/d.old/p.json", ProfileFileFormat::JSON},
        // The extension typed wins over the filter.
        {"/d/p.json", fwc, "/d/p.json", ProfileFileFormat::JSON},
        {"/d/p.JSON", all, "/d/p.JSON", ProfileFileFormat::JSON},
        {"/d/p.fwc", json, "/d/p.fwc", ProfileFileFormat::IMAGE},
        // Another extension stays, with the filter's format.
        {"/d/p.txt", json, "/d/p.txt", ProfileFileFormat::JSON},
        {"/d/p.bak", fwc, "/d/p.bak", ProfileFileFormat::IMAGE},
    };
    for (const Case& c : cases) {
        const ProfileFileChoice choice = ResolveSaveChoice({c.typed, c.filter});
        EXPECT_EQ(choice.path, c.path) << c.typed.toStdString() << " " << c.filter.toStdString();
        EXPECT_EQ(choice.format, c.format)
            << c.typed.toStdString() << " " << c.filter.toStdString();
    }

    // Export starts on the profile file; Import shows both, each alone, and all files; the
    // profile manager's dialogs stay with profile files.
    FileDialogRequest request;
    request.save = true;
    request.offerJson = true;
    EXPECT_EQ(request.NameFilters(), QStringList({fwc, json, all}));
    request.save = false;
    EXPECT_EQ(request.NameFilters(), QStringList({BOTH_NAME_FILTER, fwc, json, all}));
    request.offerJson = false;
    EXPECT_EQ(request.NameFilters(), QString(PROFILE_FILE_FILTER).split(";;"));
}

class WindowFilesTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        SetFileDialogHook([this](const FileDialogRequest& request) {
            requests_.push_back(request);
            return std::exchange(answer_, std::nullopt);
        });
    }

    // Menu commands answered through the dialog seam; returns once every job is done.
    void Export(const QString& path, const QString& filter) {
        answer_ = FileDialogAnswer(path, filter);
        window_->RunCommand(COMMAND_EXPORT);
        Settle();
    }
    void Import(const QString& path) {
        answer_ = FileDialogAnswer(path);
        window_->RunCommand(COMMAND_IMPORT);
        Settle();
    }

    // On the keyboard, through Apply: key A of the active profile plays a macro, or is disabled
    // and the macro gone.
    void ChangeKeys(bool withMacro) {
        {
            WorkingSetLock data = ProfileWorkingSet::Instance().Lock();
            MacroRecord macro;
            macro.id = 1;
            macro.SetName(u"Hello");
            macro.actions = {MakeMacroAction(50, 0x23, MACRO_STATE_PRESS),
                             MakeMacroAction(0, 0x23, MACRO_STATE_RELEASE)};
            data->macros.Replace(withMacro ? std::vector{macro} : std::vector<MacroRecord>{});
            const KeyAssignment a = withMacro ? KeyAssignment{ASSIGN_MACRO, 1, 1, 0, 0}
                                              : KeyAssignment{ASSIGN_DISABLED, 0, 0, 0, 0};
            data->keyAreas[window_->ActiveProfile()][KEY_ENTRY_A] = a;
        }
        window_->EnableApply(true);
        window_->Apply();
        Settle();
        EXPECT_FALSE(window_->SettingsChanged());
    }
    void ClickReportRate(int rate) {
        window_->Bar().ButtonForControl(REPORT_RATE_CONTROLS[rate])->click();
        Settle();
    }
    KeyAssignment KeyA() const {
        return ProfileWorkingSet::Instance().Lock()->keyAreas[0][KEY_ENTRY_A];
    }
    // What the program keeps on disk: data folder, program folder (user colour files), overlay.
    std::map<QString, QByteArray> StoredFiles() const {
        std::map<QString, QByteArray> files = Files(runtimeDir_.filePath("documents"));
        for (auto& [name, bytes] : Files(programDir_.path())) files["program/" + name] = bytes;
        for (auto& [name, bytes] : Files(runtimeDir_.filePath("data")))
            files["data/" + name] = bytes;
        return files;
    }
    QString Carried(const QString& name) const { return carryDir_.filePath(name); }

    static QAction* AutostartItem(QMenu* menu) {
        if (menu == nullptr) return nullptr;
        for (QAction* action : menu->actions())
            if (action->objectName() == "MENU_AUTOSTART") return action;
        return nullptr;
    }

    QTemporaryDir carryDir_;
    std::optional<FileDialogAnswer> answer_;
    std::vector<FileDialogRequest> requests_;
};

TEST_F(WindowFilesTest, JsonExportedThenImportedIntoAChangedKeyboardGivesBackItsDump) {
    CQuorvelDlg& window = Start();
    // A fresh keyboard holds no per-key colours; after a first import it holds the user modes'
    // colours, as everything else a document carries.
    Export(Carried("first.json"), IMAGE_NAME_FILTER);
    Import(Carried("first.json"));
    ChangeKeys(true);
    ClickReportRate(2);
    const std::string original = keyboard_.Run({"dump"});
    requests_.clear();

    // Named without an extension under the JSON filter.
    Export(Carried("profiles"), JSON_NAME_FILTER);
    ASSERT_EQ(requests_.size(), 1u);
    EXPECT_TRUE(requests_[0].save && requests_[0].offerJson);
    const QByteArray document = ReadAll(Carried("profiles.json"));
    ASSERT_TRUE(document.startsWith('{')) << document.left(80).toStdString();
    EXPECT_TRUE(TakeShownMessageKeys().empty());

    ChangeKeys(false);
    ClickReportRate(0);
    ASSERT_NE(DumpDifferences(keyboard_.Run({"dump"}), original), std::vector<std::string>{});

    // The content decides: the document under a profile file's name is read as JSON.
    QFile::copy(Carried("profiles.json"), Carried("carried.fwc"));
    window.EnableApply(true);
    Import(Carried("carried.fwc"));
    EXPECT_FALSE(requests_.back().save);
    EXPECT_TRUE(requests_.back().offerJson);
    EXPECT_TRUE(TakeShownMessageKeys().empty());
    EXPECT_EQ(DumpDifferences(keyboard_.Run({"dump"}), original), std::vector<std::string>{});
    EXPECT_EQ(KeyA().type, ASSIGN_MACRO);
    EXPECT_FALSE(window.SettingsChanged()) << "everything written: nothing left to apply";
    EXPECT_EQ(window.Bar().CheckedReportRate(), 2) << "the lighting was read again";
}

TEST_F(WindowFilesTest, RefusedJsonChangesNeitherTheKeyboardNorTheFilesNorApply) {
    CQuorvelDlg& window = Start();
    Export(Carried("profiles.json"), IMAGE_NAME_FILTER);
    QString text = QString::fromUtf8(ReadAll(Carried("profiles.json")));
    ASSERT_TRUE(text.startsWith('{'));
    text.replace(QRegularExpression("\"brightness\": \\d+"), "\"brightness\": 9");
    QFile bad(Carried("bad.json"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(text.toUtf8());
    bad.close();

    // An edit waits for Apply, with Apply enabled; the refusal keeps both.
    ProfileWorkingSet::Instance().Lock()->keyAreas[0][KEY_ENTRY_A] = {ASSIGN_DISABLED, 0, 0};
    window.EnableApply(true);
    const std::string dump = keyboard_.Run({"dump"});
    const auto files = StoredFiles();
    TakeShownMessageKeys();

    Import(Carried("bad.json"));
    EXPECT_EQ(TakeShownMessageKeys(), std::vector<std::string>{std::string(IMPORT_FAILED_TEXT)});
    EXPECT_EQ(DumpDifferences(keyboard_.Run({"dump"}), dump), std::vector<std::string>{});
    EXPECT_EQ(StoredFiles(), files);
    EXPECT_TRUE(window.SettingsChanged());
    EXPECT_EQ(KeyA().type, ASSIGN_DISABLED);
}

TEST_F(WindowFilesTest, AJsonDocumentNestedFiftyThousandLevelsIsRefusedAndChangesNothing) {
    CQuorvelDlg& window = Start();
    const int levels = 50000;
    QFile deep(Carried("deep.json"));
    ASSERT_TRUE(deep.open(QIODevice::WriteOnly));
    deep.write("{\"format\": " + QByteArray(levels, '[') + QByteArray(levels, ']') + "}");
    deep.close();
    const std::string dump = keyboard_.Run({"dump"});
    const auto files = StoredFiles();
    const bool applyEnabled = window.SettingsChanged();
    TakeShownMessageKeys();

    Import(Carried("deep.json"));
    EXPECT_EQ(TakeShownMessageKeys(), std::vector<std::string>{std::string(IMPORT_FAILED_TEXT)});
    EXPECT_EQ(DumpDifferences(keyboard_.Run({"dump"}), dump), std::vector<std::string>{});
    EXPECT_EQ(StoredFiles(), files);
    EXPECT_EQ(window.SettingsChanged(), applyEnabled);
}

TEST_F(WindowFilesTest, AJsonImportTheKeyboardStopsHalfWayLeavesApplyEnabled) {
    CQuorvelDlg& window = Start();
    ChangeKeys(true);
    Export(Carried("profiles.json"), JSON_NAME_FILTER);
    ChangeKeys(false);
    TakeShownMessageKeys();

    // The reads before the first write pass; the key tables are refused.
    keyboard_.Run({"fault", "after", "10", "status", "fe", "1000"});
    Import(Carried("profiles.json"));
    keyboard_.Run({"fault", "clear"});
    EXPECT_EQ(TakeShownMessageKeys(), std::vector<std::string>{APPLY_FAILED_TEXT});
    EXPECT_EQ(KeyA().type, ASSIGN_MACRO) << "the window holds the document";
    EXPECT_TRUE(window.SettingsChanged());
}

TEST_F(WindowFilesTest, AJsonImportThatCannotReadTheKeyboardFirstLeavesEverythingAndApplyAlone) {
    CQuorvelDlg& window = Start();
    ChangeKeys(true);
    Export(Carried("profiles.json"), JSON_NAME_FILTER);
    ChangeKeys(false);
    ASSERT_FALSE(window.SettingsChanged());
    const std::string dump = keyboard_.Run({"dump"});
    const auto files = StoredFiles();
    TakeShownMessageKeys();

    // The first read of the import fails, long before its first write.
    keyboard_.Run({"fault", "status", "fe", "1000"});
    Import(Carried("profiles.json"));
    keyboard_.Run({"fault", "clear"});
    EXPECT_EQ(TakeShownMessageKeys(),
              std::vector<std::string>{std::string(IMPORT_NOT_STARTED_TEXT)});
    EXPECT_EQ(KeyA().type, ASSIGN_DISABLED) << "the window keeps its own settings";
    EXPECT_FALSE(window.SettingsChanged()) << "nothing to apply";
    EXPECT_EQ(DumpDifferences(keyboard_.Run({"dump"}), dump), std::vector<std::string>{});
    EXPECT_EQ(StoredFiles(), files);

    // Once the keyboard answers, the same file goes in.
    Import(Carried("profiles.json"));
    EXPECT_TRUE(TakeShownMessageKeys().empty());
    EXPECT_EQ(KeyA().type, ASSIGN_MACRO);
    EXPECT_FALSE(window.SettingsChanged());
}

TEST_F(WindowFilesTest, AJsonImportWhoseFilesCannotBeReplacedSaysSoAndLeavesEverythingAlone) {
    CQuorvelDlg& window = Start();
    ChangeKeys(true);
    Export(Carried("profiles.json"), JSON_NAME_FILTER);
    Import(Carried("profiles.json"));
    ChangeKeys(false);
    QString blocked;
    for (QDirIterator it(runtimeDir_.path(), QDirIterator::Subdirectories); it.hasNext();)
        if (const QString path = it.next(); path.endsWith("/UserDengColor_2.userd")) blocked = path;
    ASSERT_FALSE(blocked.isEmpty());
    ASSERT_TRUE(QFile::remove(blocked));
    ASSERT_TRUE(QDir().mkpath(blocked + "/in-the-way"));
    const std::string dump = keyboard_.Run({"dump"});
    const auto files = StoredFiles();
    TakeShownMessageKeys();

    Import(Carried("profiles.json"));
    EXPECT_EQ(TakeShownMessageKeys(),
              std::vector<std::string>{std::string(IMPORT_FILES_NOT_REPLACED_TEXT)});
    EXPECT_EQ(KeyA().type, ASSIGN_DISABLED);
    EXPECT_FALSE(window.SettingsChanged());
    EXPECT_EQ(DumpDifferences(keyboard_.Run({"dump"}), dump), std::vector<std::string>{});
    EXPECT_EQ(StoredFiles(), files);
}

TEST_F(WindowFilesTest, ProfileFilesStillGoBothWays) {
    CQuorvelDlg& window = Start();
    ChangeKeys(true);
    Export(Carried("profiles"), IMAGE_NAME_FILTER);
    const std::string saved = Carried("profiles.fwc").toStdString();
    ASSERT_EQ(ValidateProfileImage(saved, {}), PROFILE_CHECK_VALID);
    const std::string original = keyboard_.Run({"dump"});

    ChangeKeys(false);
    Import(Carried("profiles.fwc"));
    EXPECT_TRUE(TakeShownMessageKeys().empty());
    EXPECT_EQ(KeyA().type, ASSIGN_MACRO);
    EXPECT_FALSE(window.SettingsChanged());
    EXPECT_EQ(DumpDifferences(keyboard_.Run({"dump"}), original), std::vector<std::string>{});

    // A file too short to be a profile file is refused with the import message alone.
    QFile shortFile(Carried("short.fwc"));
    ASSERT_TRUE(shortFile.open(QIODevice::WriteOnly));
    shortFile.write(QByteArray(100, '\0'));
    shortFile.close();
    const auto files = StoredFiles();
    Import(Carried("short.fwc"));
    EXPECT_EQ(TakeShownMessageKeys(), std::vector<std::string>{std::string(IMPORT_FAILED_TEXT)});
    EXPECT_EQ(StoredFiles(), files);
    EXPECT_EQ(DumpDifferences(keyboard_.Run({"dump"}), original), std::vector<std::string>{});

    // One larger than any profile file says so before the import message.
    QFile largeFile(Carried("large.fwc"));
    ASSERT_TRUE(largeFile.open(QIODevice::WriteOnly));
    ASSERT_TRUE(largeFile.resize(qint64(PROFILE_IMAGE_MAX_FILE) + 1));
    largeFile.close();
    Import(Carried("large.fwc"));
    EXPECT_EQ(TakeShownMessageKeys(), (std::vector<std::string>{"EXTRA_PROFILE_TOO_LARGE",
                                                                std::string(IMPORT_FAILED_TEXT)}));
    EXPECT_EQ(StoredFiles(), files);
}

TEST_F(WindowFilesTest, AnExportThatCannotWriteSaysSoInEitherFormat) {
    Start();
    for (const char* filter : {IMAGE_NAME_FILTER, JSON_NAME_FILTER}) {
        Export(Carried("missing-folder/profiles"), filter);
        EXPECT_EQ(TakeShownMessageKeys(), std::vector<std::string>{EXPORT_FAILED_TEXT}) << filter;
    }
    EXPECT_FALSE(QDir(Carried("missing-folder")).exists());
}

TEST_F(WindowFilesTest, StartWithTheDesktopFollowsTheEntryEachTimeTheMenuOpens) {
    CQuorvelDlg& window = Start();
    QAction* item = AutostartItem(OpenMainMenu());
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), "Start with the desktop");
    EXPECT_TRUE(item->isCheckable());
    EXPECT_FALSE(item->isChecked());

    item->trigger();
    const QString entry = runtimeDir_.filePath("config/autostart/quorvel.desktop");
    ASSERT_EQ(UserAutostartPath(), entry);
    const QString written = QString::fromUtf8(ReadAll(entry));
    const QString exec = QRegularExpression("^Exec=(.*)$", QRegularExpression::MultilineOption)
                             .match(written)
                             .captured(1);
    EXPECT_TRUE(exec.endsWith(" /Start")) << written.toStdString();
    EXPECT_TRUE(exec.startsWith(QCoreApplication::applicationFilePath())) << exec.toStdString();
    EXPECT_TRUE(AutostartItem(OpenMainMenu())->isChecked());

    // Changed behind the window's back: the next opening shows it.
    QFile::remove(entry);
    EXPECT_FALSE(AutostartItem(OpenMainMenu())->isChecked());
    ASSERT_TRUE(EnableAutostart(programDir_.path(), "/usr/bin/quorvel"));
    item = AutostartItem(OpenMainMenu());
    EXPECT_TRUE(item->isChecked());
    item->trigger();
    EXPECT_FALSE(QFile::exists(entry));
    EXPECT_TRUE(TakeShownMessageKeys().empty());

    // Without the shipped entry nothing can be copied: the box says why, the check stays off.
    QFile::remove(programDir_.filePath(AUTOSTART_ENTRY_RELATIVE));
    item = AutostartItem(OpenMainMenu());
    item->trigger();
    EXPECT_EQ(TakeShownMessageKeys(), std::vector<std::string>{"MENU_AUTOSTART"});
    EXPECT_FALSE(item->isChecked());
    EXPECT_FALSE(QFile::exists(entry));

    window.SwitchLanguage(0);
    EXPECT_EQ(AutostartItem(OpenMainMenu())->text(), "随桌面启动");
}

}  // namespace
}  // namespace quorvel
