#include "app/tray_icon.h"

#include <QMenu>
#include <QSystemTrayIcon>

#include "app/language_file.h"
#include "base/texts.h"

namespace quorvel {

QIcon LoadProgramIcon(const ProgramPaths& paths, int iconId) {
    return QIcon(
        QString::fromStdString(ReadPathFor(paths, "Skins/icon" + std::to_string(iconId) + ".png")));
}

CTrayIcon::CTrayIcon(const ProgramPaths& paths, std::unique_ptr<desktop::NotificationArea> area,
                     QObject* parent)
    : QObject(parent),
      paths_(paths),
      area_(area != nullptr ? std::move(area)
                            : std::make_unique<desktop::DesktopNotificationArea>()),
      menu_(std::make_unique<QMenu>()) {
    connect(area_.get(), &desktop::NotificationArea::Appeared, this, [this] {
        if (created_) AddToArea();
    });
    connect(area_.get(), &desktop::NotificationArea::Disappeared, this, [this] {
        if (!InArea()) return;
        TakeOutOfArea();
        emit AreaLost();
    });
    open_ = menu_->addAction(QString());
    about_ = menu_->addAction(QString());
    exit_ = menu_->addAction(QString());
    menu_->setDefaultAction(open_);
    connect(open_, &QAction::triggered, this, [this] { emit Command(COMMAND_OPEN); });
    connect(about_, &QAction::triggered, this, [this] { emit Command(COMMAND_ABOUT); });
    connect(exit_, &QAction::triggered, this, [this] { emit Command(COMMAND_EXIT); });
    connect(menu_.get(), &QMenu::aboutToShow, this, &CTrayIcon::RefreshMenuTexts);
    RefreshMenuTexts();
}

CTrayIcon::~CTrayIcon() {
    Remove();
}

bool CTrayIcon::Create(const QString& tip, int iconId) {
    if (created_) return true;
    created_ = true;
    iconId_ = iconId;
    tip_ = tip;
    if (area_->Present()) AddToArea();
    return true;
}

void CTrayIcon::AddToArea() {
    if (icon_ != nullptr) return;
    icon_ = new QSystemTrayIcon(this);
    icon_->setIcon(LoadProgramIcon(paths_, iconId_));
    icon_->setToolTip(tip_);
    icon_->setContextMenu(menu_.get());
    connect(icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                // A single click does nothing; the menu comes with the context click.
                if (reason == QSystemTrayIcon::DoubleClick) emit Command(COMMAND_OPEN);
            });
    icon_->show();
}

bool CTrayIcon::SetIcon(int iconId) {
    if (!created_) return false;
    iconId_ = iconId;
    if (icon_ != nullptr) icon_->setIcon(LoadProgramIcon(paths_, iconId));
    return true;
}

void CTrayIcon::SetTooltipText(const QString& text) {
    if (!created_) return;
    tip_ = text;
    if (icon_ != nullptr) icon_->setToolTip(text);
}

QString CTrayIcon::TooltipText() const {
    return created_ ? tip_ : QString();
}

void CTrayIcon::TakeOutOfArea() {
    if (icon_ == nullptr) return;
    icon_->hide();
    icon_->setContextMenu(nullptr);
    delete icon_;
    icon_ = nullptr;
}

void CTrayIcon::Remove() {
    if (!created_) return;
    TakeOutOfArea();
    created_ = false;
    iconId_ = 0;
}

QMenu& CTrayIcon::Menu() {
    RefreshMenuTexts();
    return *menu_;
}

void CTrayIcon::RefreshMenuTexts() {
    IniFile language = OpenLanguageFile(paths_);
    open_->setText(QString::fromStdString(ReadDirectText(language, "MENU_11")));
    about_->setText(QString::fromStdString(ReadDirectText(language, "MENU_22")));
    exit_->setText(QString::fromStdString(ReadDirectText(language, "MENU_33")));
}

}  // namespace quorvel
