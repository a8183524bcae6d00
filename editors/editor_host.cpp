#include "editors/editor_host.h"

#include <QMessageBox>

#include "base/texts.h"

namespace quorvel {

void EditorHost::ShowMessage(QWidget* parent, std::string_view, const std::string& text) {
    QMessageBox box(QMessageBox::Information, QString(), QString::fromStdString(text),
                    QMessageBox::Ok, parent);
    box.exec();
}

bool EditorHost::AskYesNo(QWidget* parent, std::string_view textKey) {
    QMessageBox box(QMessageBox::Question, QString(), QString::fromStdString(Text(textKey)),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace quorvel
