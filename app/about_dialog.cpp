#include "app/about_dialog.h"

#include <QLabel>
#include <QVBoxLayout>

#include "app/language_file.h"
#include "app/tray_icon.h"
#include "base/texts.h"
#include "device/shell_port.h"

namespace quorvel {

CAboutDlg::CAboutDlg(const ProgramPaths& paths, QWidget* parent)
    : QDialog(parent), paths_(paths), description_(new QLabel), copyright_(new QLabel) {
    setObjectName("ABOUT");
    auto* icon = new QLabel;
    icon->setPixmap(LoadProgramIcon(paths_, ICON_KEYBOARD).pixmap(48, 48));
    description_->setWordWrap(true);
    copyright_->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(icon, 0, Qt::AlignHCenter);
    layout->addWidget(description_);
    layout->addWidget(copyright_);
    setMinimumWidth(320);
}

void CAboutDlg::ShowTexts() {
    IniFile language = OpenLanguageFile(paths_);
    setWindowTitle(QString::fromStdString(Text("KEYBOARD_TRAY_DESC")));
    description_->setText(QString::fromStdString(ReadDirectText(language, "GUANYU_JIESHAO")));
    copyright_->setText(QString::fromStdString(ReadDirectText(language, "GUANYU_BANQUAN")));
    show();
    raise();
    activateWindow();
}

}  // namespace quorvel
