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

CTrayIcon::CTrayIcon(const ProgramPaths& paths, QObject* parent)
    : QObject(parent), paths_(paths), menu_(std::make_unique<QMenu>()) {
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

bool CTrayIcon::TrayAvailable() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool CTrayIcon::Create(const QString& tip, int iconId) {
    if (created_) return true;
    icon_ = new QSystemTrayIcon(this);
    icon_->setIcon(LoadProgramIcon(paths_, iconId));
    icon_->setToolTip(tip);
    icon_->setContextMenu(menu_.get());
    connect(icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                // A single click does nothing; the menu comes with the context click.
                if (reason == QSystemTrayIcon::DoubleClick) emit Command(COMMAND_OPEN);
            });
    icon_->show();
    created_ = true;
    iconId_ = iconId;
    return true;
}

bool CTrayIcon::SetIcon(int iconId) {
    if (!created_) return false;
    icon_->setIcon(LoadProgramIcon(paths_, iconId));
    iconId_ = iconId;
    return true;
}

void CTrayIcon::SetTooltipText(const QString& text) {
    if (created_) icon_->setToolTip(text);
}

QString CTrayIcon::TooltipText() const {
    return created_ ? icon_->toolTip() : QString();
}

void CTrayIcon::Remove() {
    if (!created_) return;
    icon_->hide();
    icon_->setContextMenu(nullptr);
    delete icon_;
    icon_ = nullptr;
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
