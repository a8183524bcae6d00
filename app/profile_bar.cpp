#include "app/profile_bar.h"

#include <QActionGroup>
#include <QFileInfo>
#include <QMenu>

#include "base/texts.h"
#include "editors/profile_dialog.h"
#include "model/profile_store.h"
#include "skin/skin_file.h"

namespace quorvel {
namespace {

const QColor CAPTION_WHITE(0xFF, 0xFF, 0xFF);
const QColor CAPTION_GREY(0xE4, 0xE4, 0xE4);
constexpr int PROFILES_ESCAPEMENT = 268;

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

ProfileBar::ProfileBar(QWidget& window, const IniFile& skin, const StateImages& looks,
                       Command command)
    : window_(window), skin_(skin), looks_(looks), command_(std::move(command)) {
    const char* profileKeys[] = {"FUNC_PROFILE1", "FUNC_PROFILE2", "FUNC_PROFILE3"};
    for (int k = 0; k < 3; ++k) profiles_[k] = &AddButton(profileKeys[k], CONTROL_PROFILE_1 + k);
    macro_ = &AddButton("FUNC_MACRO", CONTROL_MACRO);
    defaults_ = &AddButton("FUNC_DEFAULT", CONTROL_DEFAULT);
    for (CPngButton* button : {profiles_[0], profiles_[1], profiles_[2], macro_, defaults_})
        button->SetCaptionFont(true, 9, "Tahoma", CAPTION_WHITE, CAPTION_DEFAULT_FORMAT);
    manager_ = &AddButton("FUNC_PROFILES", CONTROL_PROFILES);
    manager_->SetCaptionFont(true, 10, "Arial", CAPTION_GREY, CAPTION_BOTTOM | CAPTION_SINGLELINE);
    manager_->SetEscapement(PROFILES_ESCAPEMENT, true);
    for (size_t r = 0; r < REPORT_RATE_CONTROLS.size(); ++r) {
        rates_[r] = &AddButton(QString("FUNC_REPORT%1").arg(r + 1).toUtf8().constData(),
                               REPORT_RATE_CONTROLS[r]);
    }
    menu_ = std::make_unique<QMenu>();
    menu_->setObjectName("QUICK_SWITCH_MENU");
}

ProfileBar::~ProfileBar() = default;

CPngButton& ProfileBar::AddButton(const char* skinKey, int controlId) {
    auto* button = new CPngButton(&window_);
    button->setObjectName(skinKey);
    PlaceSkinned(*button, skin_, SKIN_SECTION_BUTTONS, skinKey, looks_);
    connect(button, &QAbstractButton::clicked, this, [this, controlId] { command_(controlId); });
    return *button;
}

void ProfileBar::ApplyCaptions(const IniFile& language) {
    auto direct = [&](std::string_view key) { return FromUtf8(ReadDirectText(language, key)); };
    profiles_[0]->setText(direct("PROFILE_1"));
    profiles_[1]->setText(direct("PROFILE_2"));
    profiles_[2]->setText(direct("PROFILE_3"));
    macro_->setText(direct("PROFILE_MACRO"));
    defaults_->setText(direct("PROFILE_DEFAULT"));
    RebuildProfileMenu(menuProfile_);
}

void ProfileBar::CheckProfile(int profile) {
    if (profile < 0 || profile > 2) return;
    checkedProfile_ = profile;
    for (int k = 0; k < 3; ++k) profiles_[k]->SetChecked(k == profile);
}

void ProfileBar::CheckReportRate(int rate) {
    if (rate < 0 || rate >= int(rates_.size())) return;
    checkedRate_ = rate;
    for (int r = 0; r < int(rates_.size()); ++r) rates_[r]->SetChecked(r == rate);
}

void ProfileBar::RebuildProfileMenu(int activeProfile) {
    menuProfile_ = activeProfile;
    menu_->clear();
    // One check, on the active profile: a chosen item is only checked once its switch is done
    // and the menu is rebuilt, so a refused switch leaves the check where it was.
    delete group_;
    group_ = new QActionGroup(menu_.get());
    group_->setExclusive(true);
    QActionGroup* group = group_;
    auto add = [this, group](const QString& text, int command) {
        QAction* action = menu_->addAction(text);
        action->setData(command);
        action->setCheckable(true);
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, command] {
            if (shownChecked_ != nullptr) shownChecked_->setChecked(true);
            command_(command);
        });
        return action;
    };
    QAction* checked = add(FromUtf8(Text("DEFAULT_PROFILE_NAME")), COMMAND_QUICK_SWITCH_DEFAULT);
    menu_->addSeparator();
    EnsureDataFolder();
    for (int k = 0; k < ON_BOARD_PROFILES; ++k) {
        const QString name = QFileInfo(FromUtf8(ProfileFilePath(k))).completeBaseName();
        QAction* action = add(name, COMMAND_QUICK_SWITCH_DEFAULT + 1 + k);
        if (k == activeProfile) checked = action;
    }
    checked->setChecked(true);
    shownChecked_ = checked;
    manager_->setText(checked->text());
    manager_->SetTooltip(FromUtf8(Text("PROFILE_TIP")) + checked->text(), true);
}

CPngButton* ProfileBar::ButtonForControl(int controlId) const {
    for (int k = 0; k < 3; ++k) {
        if (controlId == CONTROL_PROFILE_1 + k) return profiles_[k];
    }
    for (size_t r = 0; r < REPORT_RATE_CONTROLS.size(); ++r) {
        if (controlId == REPORT_RATE_CONTROLS[r]) return rates_[r];
    }
    if (controlId == CONTROL_PROFILES) return manager_;
    if (controlId == CONTROL_MACRO) return macro_;
    if (controlId == CONTROL_DEFAULT) return defaults_;
    return nullptr;
}

}  // namespace quorvel
