#include "app/program_profiles_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <algorithm>
#include <array>
#include <utility>

#include "app/app_profile_switcher.h"
#include "app/message_boxes.h"
#include "base/texts.h"
#include "desktop/active_window_source.h"
#include "skin/png_button.h"
#include "skin/skin_file.h"
#include "skin/skin_names.h"

namespace quorvel {
namespace {

constexpr const char* SAVE_FAILED_TEXT = "APP_PROFILES_SAVE_FAILED";

constexpr const char* CONTROL_STYLE =
    "QComboBox, QLineEdit { background: #181b21; color: #e4e4e4; border: none; padding: 0 6px; }"
    "QComboBox:disabled, QLineEdit:disabled { color: #6b717c; }"
    "QComboBox QAbstractItemView { background: #181b21; color: #e4e4e4;"
    " selection-background-color: #2a6f97; }"
    "QCheckBox { color: #e4e4e4; background: transparent; }"
    "QCheckBox:disabled { color: #6b717c; }"
    "QLabel { color: #d9dde5; background: transparent; }"
    "QTreeWidget { background: #181b21; color: #e4e4e4; border: none; }"
    "QTreeView::item { border-bottom: 1px solid #2c313a; height: 28px; }"
    "QHeaderView::section { background: #232831; color: #e4e4e4; border: none; padding: 2px 6px; }";

// The buttons by skin key, with the language key of their caption.
constexpr std::array<std::pair<const char*, const char*>, 4> BUTTONS{{
    {"FUNC_ADD", "APP_PROFILES_ADD"},
    {"FUNC_REMOVE", "APP_PROFILES_REMOVE"},
    {"CONTROL_OK", "APP_PROFILES_OK"},
    {"CONTROL_CANCEL", "APP_PROFILES_CANCEL"},
}};

QString TextOf(std::string_view key) {
    return QString::fromStdString(Text(key));
}

QString TextWith(std::string_view key, const QString& detail) {
    QString text = TextOf(key);
    const qsizetype at = text.indexOf("%s");
    return at < 0 ? text + " " + detail : text.replace(at, 2, detail);
}

const char* SupportTextKey(const desktop::ActiveWindowSource* source) {
    switch (source != nullptr ? source->Support() : desktop::WindowSupport::None) {
        case desktop::WindowSupport::X11:
            return "APP_PROFILES_X11";
        case desktop::WindowSupport::WlrForeignToplevel:
            return "APP_PROFILES_WLR";
        case desktop::WindowSupport::KWin:
            return "APP_PROFILES_KWIN";
        case desktop::WindowSupport::None:
            break;
    }
    return "APP_PROFILES_NO_SUPPORT";
}

bool Supported(const desktop::ActiveWindowSource* source) {
    return source != nullptr && source->Support() != desktop::WindowSupport::None;
}

QComboBox* ProfileChoice(QWidget* parent) {
    auto* choice = new QComboBox(parent);
    for (int profile = APP_RULES_FIRST_PROFILE; profile <= APP_RULES_LAST_PROFILE; ++profile)
        choice->addItem(QString::number(profile), profile);
    return choice;
}

}  // namespace

CProgramProfilesDlg::CProgramProfilesDlg(const QString& skinFile, const QString& skinFolder,
                                         std::string rulesPath,
                                         const desktop::ActiveWindowSource* source, QWidget* parent)
    : CBaseDialog(parent, skinFile, skinFolder), rulesPath_(std::move(rulesPath)), source_(source) {
    setObjectName("PROGRAM_PROFILES");
    setModal(true);
}

bool CProgramProfilesDlg::LoadLooks(QString* error) {
    QString failure;
    if (!LoadSkin()) {
        failure = SkinError();
    } else {
        using namespace skin_names;
        const std::optional<StateImages> looks = LoadButtonLooks(
            SkinFolder(), {PROGRAM_PROFILES_NORMAL, PROGRAM_PROFILES_OVER, PROGRAM_PROFILES_DOWN},
            Background().size(), &failure);
        if (looks) PlaceControls(*looks);
    }
    if (!failure.isEmpty()) {
        if (error) *error = failure;
        return false;
    }
    looksLoaded_ = true;
    return true;
}

void CProgramProfilesDlg::PlaceControls(const StateImages& looks) {
    setStyleSheet(CONTROL_STYLE);
    for (const auto& [key, caption] : BUTTONS) {
        auto* button = new CPngButton(this);
        button->setObjectName(key);
        PlaceSkinned(*button, Skin(), SKIN_SECTION_BUTTONS, key, looks);
        button->SetCaptionFont(true, 9, "Tahoma", Qt::white, CAPTION_DEFAULT_FORMAT);
    }
    const auto button = [this](const char* key) { return findChild<CPngButton*>(key); };
    connect(button("FUNC_ADD"), &QAbstractButton::clicked, this, &CProgramProfilesDlg::AddRule);
    connect(button("FUNC_REMOVE"), &QAbstractButton::clicked, this,
            &CProgramProfilesDlg::RemoveRule);
    connect(button("CONTROL_OK"), &QAbstractButton::clicked, this, &CProgramProfilesDlg::accept);
    connect(button("CONTROL_CANCEL"), &QAbstractButton::clicked, this,
            &CProgramProfilesDlg::reject);

    title_ = PlaceTitleCaption();
    const auto place = [this](QWidget* control, const char* key) {
        control->setObjectName(key);
        PlaceOnly(*control, Skin(), SKIN_SECTION_BUTTONS, key);
    };
    support_ = new QLabel(this);
    support_->setWordWrap(true);
    place(support_, "SUPPORT_STATE");
    enable_ = new QCheckBox(this);
    place(enable_, "SWITCH_ENABLE");
    connect(enable_, &QCheckBox::clicked, this, [this](bool on) { rules_.enabled = on; });

    table_ = new QTreeWidget(this);
    table_->setColumnCount(2);
    table_->setRootIsDecorated(false);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->header()->setStretchLastSection(false);
    table_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    table_->header()->setSectionResizeMode(1, QHeaderView::Fixed);
    table_->setColumnWidth(1, 110);
    place(table_, "RULES_TABLE");

    // Any program name can be typed as well, for programs not running now.
    windows_ = new QComboBox(this);
    windows_->setEditable(true);
    windows_->setInsertPolicy(QComboBox::NoInsert);
    place(windows_, "OPEN_WINDOWS");
    connect(windows_->lineEdit(), &QLineEdit::returnPressed, this, &CProgramProfilesDlg::AddRule);

    defaultCaption_ = new QLabel(this);
    place(defaultCaption_, "DEFAULT_CAPTION");
    defaultProfile_ = ProfileChoice(this);
    defaultProfile_->insertItem(0, QString(), QVariant());
    place(defaultProfile_, "DEFAULT_PROFILE");
    connect(defaultProfile_, &QComboBox::currentIndexChanged, this, [this] {
        const QVariant profile = defaultProfile_->currentData();
        rules_.defaultProfile =
            profile.isValid() ? std::optional<int>(profile.toInt()) : std::nullopt;
    });
}

// Read at every opening, so a language chosen meanwhile shows.
void CProgramProfilesDlg::ApplyCaptions() {
    title_->setText(TextOf("APP_PROFILES_TITLE"));
    for (const auto& [key, caption] : BUTTONS)
        findChild<CPngButton*>(key)->setText(TextOf(caption));
    enable_->setText(TextOf("APP_PROFILES_ENABLE"));
    table_->setHeaderLabels({TextOf("APP_PROFILES_PROGRAM"), TextOf("APP_PROFILES_PROFILE")});
    windows_->lineEdit()->setPlaceholderText(TextOf("APP_PROFILES_WINDOWS"));
    defaultCaption_->setText(TextOf("APP_PROFILES_DEFAULT"));
    defaultProfile_->setItemText(0, TextOf("APP_PROFILES_LEAVE"));

    QString state = TextOf(SupportTextKey(source_));
    if (!damage_.isEmpty()) state += "\n" + TextWith("APP_PROFILES_DAMAGED", damage_);
    support_->setText(state);
}

bool CProgramProfilesDlg::Open(QString* error) {
    if (IsOpen()) return true;
    if (!looksLoaded_ && !LoadLooks(error)) return false;
    open_ = true;
    ReadRules();
    ApplyCaptions();
    ShowRules();
    OfferOpenWindows();
    exec();
    return true;
}

void CProgramProfilesDlg::CloseIfOpen() {
    if (IsOpen()) reject();
}

void CProgramProfilesDlg::done(int result) {
    open_ = false;
    CBaseDialog::done(result);
}

void CProgramProfilesDlg::ReadRules() {
    AppRulesFile file = LoadAppRules(rulesPath_);
    damage_.clear();
    if (file.state == AppRulesState::Damaged) {
        // Shown as nothing at all would invite the user to start over and lose the file's rules.
        damage_ = QString::fromStdString(file.error);
        rules_ = {};
        return;
    }
    rules_ = std::move(file.rules);
}

bool CProgramProfilesDlg::ReadOnly() const {
    return !damage_.isEmpty() || !Supported(source_);
}

void CProgramProfilesDlg::ShowRules() {
    table_->clear();
    for (const AppRule& rule : rules_.rules) {
        auto* item = new QTreeWidgetItem(table_, {QString::fromStdString(rule.program)});
        QComboBox* choice = ProfileChoice(table_);
        choice->setCurrentIndex(choice->findData(rule.profile));
        choice->setEnabled(!ReadOnly());
        table_->setItemWidget(item, 1, choice);
        connect(choice, &QComboBox::currentIndexChanged, this, [this, item, choice] {
            rules_.rules.at(size_t(table_->indexOfTopLevelItem(item))).profile =
                choice->currentData().toInt();
        });
    }
    // Without switching on this desktop the switch would claim something that cannot happen.
    enable_->setChecked(Supported(source_) && rules_.enabled);
    const int defaultIndex =
        rules_.defaultProfile ? defaultProfile_->findData(*rules_.defaultProfile) : 0;
    defaultProfile_->setCurrentIndex(std::max(defaultIndex, 0));
    for (QWidget* control : {static_cast<QWidget*>(enable_), static_cast<QWidget*>(windows_),
                             static_cast<QWidget*>(defaultProfile_)})
        control->setEnabled(!ReadOnly());
    // Hidden rather than disabled: a disabled skinned button wears the pressed look.
    for (const char* key : {"FUNC_ADD", "FUNC_REMOVE"})
        findChild<CPngButton*>(key)->setVisible(!ReadOnly());
}

void CProgramProfilesDlg::OfferOpenWindows() {
    QStringList programs;
    if (Supported(source_)) {
        for (const desktop::WindowInfo& window : source_->OpenWindows()) {
            const QString program = window.appId.isEmpty() ? window.executable : window.appId;
            // Rules about our own windows would never be used.
            if (IsOwnWindow(window)) continue;
            if (!program.isEmpty() && !programs.contains(program, Qt::CaseInsensitive))
                programs.append(program);
        }
    }
    programs.sort(Qt::CaseInsensitive);
    windows_->clear();
    windows_->addItems(programs);
    windows_->setCurrentIndex(-1);
    windows_->clearEditText();
}

void CProgramProfilesDlg::AddRule() {
    if (ReadOnly()) return;
    const std::optional<std::string> program =
        CleanProgramName(windows_->currentText().toStdString());
    if (!program) return;
    const auto same = std::find_if(rules_.rules.begin(), rules_.rules.end(), [&](const AppRule& r) {
        return QString::fromStdString(r.program).compare(QString::fromStdString(*program),
                                                         Qt::CaseInsensitive) == 0;
    });
    // A program named again keeps the profile it has; the row is only shown.
    const bool known = same != rules_.rules.end();
    const size_t row = known ? size_t(same - rules_.rules.begin()) : rules_.rules.size();
    if (!known) SetAppRule(rules_, *program, APP_RULES_FIRST_PROFILE);
    ShowRules();
    table_->setCurrentItem(table_->topLevelItem(int(row)));
    windows_->clearEditText();
}

void CProgramProfilesDlg::RemoveRule() {
    if (ReadOnly()) return;
    const int row = table_->indexOfTopLevelItem(table_->currentItem());
    if (row < 0) return;
    rules_.rules.erase(rules_.rules.begin() + row);
    ShowRules();
    table_->setCurrentItem(table_->topLevelItem(std::min(row, table_->topLevelItemCount() - 1)));
}

void CProgramProfilesDlg::accept() {
    // A damaged file stays as it is, and without support there was nothing to change.
    if (ReadOnly()) {
        CBaseDialog::accept();
        return;
    }
    std::string error;
    if (!SaveAppRules(rulesPath_, rules_, &error)) {
        const QString text = TextWith(SAVE_FAILED_TEXT, QString::fromStdString(error));
        ShowTextMessage(this, SAVE_FAILED_TEXT, text.toStdString());
        return;
    }
    CBaseDialog::accept();
}

}  // namespace quorvel
