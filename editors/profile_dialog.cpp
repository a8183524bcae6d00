#include "editors/profile_dialog.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QSettings>
#include <QTreeWidget>

#include "base/texts.h"
#include "device/result_codes.h"
#include "editors/file_dialogs.h"
#include "editors/profile_jobs.h"
#include "model/profile_store.h"
#include "skin/png_button.h"
#include "skin/skin_file.h"
#include "skin/skin_names.h"

namespace quorvel {
namespace {

constexpr const char* SETTINGS_GROUP = "PROFILES";
constexpr const char* PROFILE_FILE_EXTENSION = ".fwc";

QString SettingName(int number) {
    return QString::asprintf("%s%02d", "PROFILE", number);
}

QString TextOf(std::string_view key) {
    return QString::fromStdString(Text(key));
}

QString WithoutLeadingSeparators(QString name) {
    while (name.startsWith('/') || name.startsWith('\\')) name.remove(0, 1);
    return name;
}

QString BuiltInText(std::string_view key) {
    for (const LanguageKeyInfo& info : SlotTextKeys()) {
        if (info.key == key)
            return QString::fromUtf8(info.builtIn.data(), qsizetype(info.builtIn.size()));
    }
    return {};
}

}  // namespace

QString NewProfileProposal(const QString& dataFolder, const QString& text) {
    // The text was written for a folder name without a separator at its end, in either
    // system's spelling.
    QString name = WithoutLeadingSeparators(text);
    if (name.isEmpty()) name = WithoutLeadingSeparators(BuiltInText("PROFILE_NEW"));
    return dataFolder + "/" + name;
}

CQuorvel_DlgProfile::CQuorvel_DlgProfile(const QString& skinFile, const QString& skinFolder,
                                         EditorHost& editorHost, ProfileHost& profileHost,
                                         QWidget* parent)
    : CBaseDialog(parent, skinFile, skinFolder),
      editorHost_(editorHost),
      profileHost_(profileHost) {
    setObjectName("PROFILE_MANAGER");
    setModal(true);
}

bool CQuorvel_DlgProfile::LoadLooks(QString* error) {
    QString failure;
    std::optional<StateImages> looks;
    if (!LoadSkin()) {
        failure = SkinError();
    } else {
        using namespace skin_names;
        looks = LoadButtonLooks(SkinFolder(), {PROFILE_NORMAL, PROFILE_OVER, PROFILE_DOWN},
                                Background().size(), &failure);
        if (looks) {
            const struct {
                const char* key;
                int control;
            } buttons[] = {{"FUNC_ADD", PROFILE_CONTROL_ADD},
                           {"FUNC_LOAD", PROFILE_CONTROL_LOAD},
                           {"FUNC_DELETE", PROFILE_CONTROL_DELETE},
                           {"CONTROL_OK", 1},
                           {"CONTROL_CANCEL", 2},
                           {"CONTROL2_APPLY", PROFILE_CONTROL_APPLY}};
            for (const auto& entry : buttons) {
                auto* button = new CPngButton(this);
                button->setObjectName(entry.key);
                PlaceSkinned(*button, Skin(), SKIN_SECTION_BUTTONS, entry.key, *looks);
                button->SetCaptionFont(true, 9, "Tahoma", Qt::white, CAPTION_DEFAULT_FORMAT);
                buttons_[entry.control] = button;
                const int control = entry.control;
                connect(button, &QAbstractButton::clicked, this,
                        [this, control] { RunControl(control); });
            }
            PlaceControls();
        }
    }
    if (!failure.isEmpty()) {
        if (error) *error = failure;
        return false;
    }
    looksLoaded_ = true;
    return true;
}

void CQuorvel_DlgProfile::PlaceControls() {
    list_ = new QTreeWidget(this);
    list_->setObjectName("PROGRAM_LIST");
    list_->setColumnCount(3);
    list_->setColumnWidth(0, 60);
    list_->setColumnWidth(1, 120);
    list_->setColumnWidth(2, 230);
    list_->setRootIsDecorated(false);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setStyleSheet(
        "QTreeWidget { background: #181b21; color: #e4e4e4; border: none; }"
        "QTreeView::item { border-bottom: 1px solid #2c313a; }"
        "QHeaderView::section { background: #232831; color: #e4e4e4; border: none; }");
    PlaceOnly(*list_, Skin(), SKIN_SECTION_BUTTONS, "PROGRAM_LIST");
    connect(list_, &QTreeWidget::itemChanged, this, &CQuorvel_DlgProfile::OnItemChanged);

    title_ = PlaceTitleCaption();
}

// Read at every opening, so a language chosen meanwhile shows.
void CQuorvel_DlgProfile::ApplyCaptions() {
    title_->setText(TextOf("PROFILE_MANAGER_TITLE"));
    const std::pair<int, const char*> captions[] = {
        {PROFILE_CONTROL_ADD, "PROFILE_MANAGER_ADD"},
        {PROFILE_CONTROL_LOAD, "PROFILE_MANAGER_LOAD"},
        {PROFILE_CONTROL_DELETE, "PROFILE_MANAGER_DELETE"},
        {1, "PROFILE_MANAGER_OK"},
        {2, "PROFILE_MANAGER_CANCEL"},
        {PROFILE_CONTROL_APPLY, "PROFILE_MANAGER_APPLY"}};
    for (const auto& [control, key] : captions) buttons_.at(control)->setText(TextOf(key));
    list_->setHeaderLabels({TextOf("PROFILE_MANAGER_ACTIVE"), TextOf("PROFILE_MANAGER_NAME"),
                            TextOf("PROFILE_MANAGER_PATH")});
}

QString CQuorvel_DlgProfile::TitleText() const {
    return title_ != nullptr ? title_->text() : QString();
}

QString CQuorvel_DlgProfile::ButtonText(int controlId) const {
    const auto button = buttons_.find(controlId);
    return button != buttons_.end() ? button->second->text() : QString();
}

bool CQuorvel_DlgProfile::Open(QString* error) {
    if (IsOpen()) return true;
    if (!looksLoaded_ && !LoadLooks(error)) return false;
    ++openCount_;
    ApplyCaptions();
    Fill();
    modified_ = false;
    exec();
    return true;
}

void CQuorvel_DlgProfile::CloseIfOpen() {
    if (IsOpen()) reject();
}

void CQuorvel_DlgProfile::done(int result) {
    modified_ = false;
    if (openCount_ > 0) --openCount_;
    CBaseDialog::done(result);
}

void CQuorvel_DlgProfile::Fill() {
    filling_ = true;
    list_->clear();
    EnsureDataFolder();
    for (int k = 0; k < ON_BOARD_PROFILES; ++k)
        AppendRow(QString::fromStdString(ProfileFilePath(k)));
    filling_ = false;
    const int active = editorHost_.ActiveProfile();
    if (active >= 0) CheckRow(active);
}

void CQuorvel_DlgProfile::AppendRow(const QString& path) {
    const QFileInfo file(path);
    auto* item =
        new QTreeWidgetItem({QString(), file.completeBaseName(), file.absolutePath() + "/"});
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    const bool wasFilling = std::exchange(filling_, true);
    item->setCheckState(0, Qt::Unchecked);
    list_->addTopLevelItem(item);
    filling_ = wasFilling;
}

// Check boxes of the single-choice kind: checking one row unchecks the others.
void CQuorvel_DlgProfile::OnItemChanged(QTreeWidgetItem* item, int column) {
    if (filling_ || column != 0) return;
    if (item->checkState(0) == Qt::Checked) {
        filling_ = true;
        for (int row = 0; row < list_->topLevelItemCount(); ++row) {
            QTreeWidgetItem* other = list_->topLevelItem(row);
            if (other != item) other->setCheckState(0, Qt::Unchecked);
        }
        filling_ = false;
    }
    modified_ = true;
}

int CQuorvel_DlgProfile::RowCount() const {
    return list_ != nullptr ? list_->topLevelItemCount() : 0;
}

QString CQuorvel_DlgProfile::RowName(int row) const {
    return list_->topLevelItem(row)->text(1);
}

QString CQuorvel_DlgProfile::RowFolder(int row) const {
    return list_->topLevelItem(row)->text(2);
}

int CQuorvel_DlgProfile::CheckedRow() const {
    for (int row = 0; row < RowCount(); ++row) {
        if (list_->topLevelItem(row)->checkState(0) == Qt::Checked) return row;
    }
    return -1;
}

void CQuorvel_DlgProfile::CheckRow(int row) {
    if (row < 0 || row >= RowCount()) return;
    list_->topLevelItem(row)->setCheckState(0, Qt::Checked);
}

void CQuorvel_DlgProfile::SelectRow(int row) {
    if (row >= 0 && row < RowCount()) list_->setCurrentItem(list_->topLevelItem(row));
}

void CQuorvel_DlgProfile::RunControl(int controlId) {
    switch (controlId) {
        case PROFILE_CONTROL_ADD:
            Add();
            break;
        case PROFILE_CONTROL_LOAD:
            Load();
            break;
        case PROFILE_CONTROL_DELETE:
            Delete();
            break;
        case PROFILE_CONTROL_APPLY:
            Apply(false);
            break;
        case 1:
            Apply(true);
            break;
        case 2:
            reject();
            break;
        default:
            break;
    }
}

void CQuorvel_DlgProfile::Add() {
    EnsureDataFolder();
    FileDialogRequest request;
    request.save = true;
    request.proposedPath =
        NewProfileProposal(QString::fromStdString(DataFolder()), TextOf("PROFILE_NEW"));
    const std::optional<QString> path = AskProfileFileName(this, request);
    if (!path) return;
    WorkingSetData fresh;
    CreateFreshWorkingSet(fresh);
    // A file that could not be written is not listed: the list names files that exist.
    if (!WriteProfileImage(path->toStdString(), fresh)) {
        std::string text = Text(PROFILE_WRITE_FAILED_TEXT);
        if (const size_t at = text.find("%s"); at != std::string::npos)
            text.replace(at, 2, path->toStdString());
        editorHost_.ShowMessage(this, PROFILE_WRITE_FAILED_TEXT, text);
        return;
    }
    AppendRow(*path);
    modified_ = true;
}

void CQuorvel_DlgProfile::Load() {
    EnsureDataFolder();
    FileDialogRequest request;
    request.proposedPath = QString::fromStdString(DataFolder()) + "/*" + PROFILE_FILE_EXTENSION;
    const std::optional<QString> path = AskProfileFileName(this, request);
    if (!path) return;
    AppendRow(*path);
    modified_ = true;
}

void CQuorvel_DlgProfile::Delete() {
    QTreeWidgetItem* selected = list_->currentItem();
    if (selected == nullptr) return;
    // Only the row goes; the file stays where it is.
    delete selected;
    modified_ = true;
}

void CQuorvel_DlgProfile::StoreRows() const {
    QSettings settings;
    settings.beginGroup(SETTINGS_GROUP);
    for (int row = 0; row < RowCount(); ++row) {
        settings.setValue(SettingName(row + 1),
                          RowFolder(row) + RowName(row) + PROFILE_FILE_EXTENSION);
    }
    settings.setValue(SettingName(0), QString::number(RowCount()));
}

void CQuorvel_DlgProfile::Apply(bool closeAfter) {
    if (switching_ || editorHost_.KeyboardBusy()) return;
    // The reload below replaces the working set; edits not applied yet would go unnoticed.
    if (profileHost_.UnappliedChanges()) {
        const int gone = profileHost_.KeyboardGoneCount();
        switching_ = true;
        const bool discard = editorHost_.AskYesNo(this, "PROFILE_SELECT_PROMPT3");
        switching_ = false;
        if (!discard || gone != profileHost_.KeyboardGoneCount() || !IsOpen()) return;
    }
    StoreRows();
    const int k = CheckedRow();
    switching_ = true;
    profileHost_.RunProfileJob(
        "profile manager apply", [k](DeviceLink& link) { return ApplyProfileChoice(link, k); },
        [this, closeAfter](int result) {
            switching_ = false;
            if (result == PROFILE_READ_FAILED) {
                // Switched, but the working set still holds what was shown: the edits stay
                // pending and the window shows the new profile's buttons over them.
                editorHost_.ShowMessage(this, PROFILE_READ_FAILED_TEXT,
                                        Text(PROFILE_READ_FAILED_TEXT));
                profileHost_.ProfileChanged();
                return;
            }
            if (result != CMD_OK) {
                editorHost_.ShowMessage(this, PROFILE_SWITCH_FAILED_TEXT,
                                        Text(PROFILE_SWITCH_FAILED_TEXT));
                return;
            }
            editorHost_.EnableApply(false);
            editorHost_.RefreshAllKeys();
            profileHost_.ProfileChanged();
            modified_ = false;
            if (closeAfter && IsOpen()) accept();
        });
}

void CQuorvel_DlgProfile::SwitchProfile(int k, std::function<void(bool)> done) {
    auto finish = [done = std::move(done)](bool switched) {
        if (done) done(switched);
    };
    if (k >= ON_BOARD_PROFILES) k = 0;
    if (k < 0) {
        finish(false);
        return;
    }
    // A second request while the question or the keyboard is still busy with the first one
    // would act on a state the user has not seen.
    if (switching_ || editorHost_.KeyboardBusy()) {
        finish(false);
        return;
    }
    if (profileHost_.KeyEditorOpen()) {
        editorHost_.ShowMessage(editorHost_.EditorParent(), "PROFILE_SEELCT_PROMPT2",
                                Text("PROFILE_SEELCT_PROMPT2"));
        finish(false);
        return;
    }
    switching_ = true;
    if (!modified_ && !profileHost_.UnappliedChanges()) {
        SetActiveThenFinish(k, false, std::move(finish));
        return;
    }
    const int gone = profileHost_.KeyboardGoneCount();
    const bool save =
        editorHost_.AskYesNo(IsOpen() ? static_cast<QWidget*>(this) : editorHost_.EditorParent(),
                             "PROFILE_SELECT_PROMPT");
    if (gone != profileHost_.KeyboardGoneCount()) {
        switching_ = false;
        finish(false);
        return;
    }
    if (!save) {
        SetActiveThenFinish(k, true, std::move(finish));
        return;
    }
    profileHost_.ApplyChanges([this, k, finish = std::move(finish)](bool applied) mutable {
        // The failure has been shown; switching now would hide that the edits are not
        // on the keyboard.
        if (!applied) {
            switching_ = false;
            finish(false);
            return;
        }
        SetActiveThenFinish(k, false, std::move(finish));
    });
}

void CQuorvel_DlgProfile::SetActiveThenFinish(int k, bool reloadFile,
                                              std::function<void(bool)> done) {
    profileHost_.RunProfileJob(
        "switch profile",
        [k, reloadFile](DeviceLink& link) { return SwitchActiveProfile(link, k, reloadFile); },
        [this, k, reloadFile, done = std::move(done)](int result) {
            switching_ = false;
            if (reloadFile) {
                // The user chose to drop the edits: the file's state is what is shown now.
                editorHost_.EnableApply(false);
                modified_ = false;
                editorHost_.RefreshAllKeys();
            }
            if (result != CMD_OK) {
                editorHost_.ShowMessage(editorHost_.EditorParent(), PROFILE_SWITCH_FAILED_TEXT,
                                        Text(PROFILE_SWITCH_FAILED_TEXT));
                done(false);
                return;
            }
            if (IsOpen()) {
                CheckRow(k);
                modified_ = false;
            }
            editorHost_.RefreshAllKeys();
            profileHost_.ProfileChanged();
            done(true);
        });
}

void CQuorvel_DlgProfile::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        editorHost_.OpenHelp();
        event->accept();
        return;
    }
    CBaseDialog::keyPressEvent(event);
}

}  // namespace quorvel
