#include "skin/base_dialog.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include "skin/skin_file.h"

namespace quorvel {

CBaseDialog::CBaseDialog(QWidget* parent, const QString& skinFile, const QString& skinFolder)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      skin_(skinFile.toStdString()),
      skinFolder_(skinFolder) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

bool CBaseDialog::LoadSkin() {
    const SkinScreen screen = ReadSkinScreen(skin_, skinFolder_);
    QString error;
    QImage background = LoadSkinPicture(screen.mainPath, &error);
    if (background.isNull()) {
        skinError_ = error;
        return false;
    }
    const QImage mask = LoadSkinPicture(screen.maskPath, &error);
    if (mask.isNull()) {
        skinError_ = error;
        return false;
    }
    background_ = std::move(background);
    skinError_.clear();
    // A fixed size, not only a size: tiling compositors float a window that cannot be resized,
    // where a skinned window belongs, instead of stretching its frame over a tile.
    setFixedSize(background_.size());
    // An empty region would make the window invisible and unreachable; Qt then keeps it whole.
    setMask(MaskRegion(mask));
    update();
    return true;
}

QLabel* CBaseDialog::PlaceTitleCaption() {
    auto* title = new QLabel(this);
    title->setObjectName("TITLE_CAPTION");
    title->setStyleSheet("color: #d9dde5; background: transparent;");
    QFont font = title->font();
    font.setPixelSize(15);
    font.setWeight(QFont::DemiBold);
    title->setFont(font);
    PlaceOnly(*title, skin_, SKIN_SECTION_BUTTONS, "TITLE_CAPTION");
    return title;
}

void CBaseDialog::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, background_);
}

void CBaseDialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QDialog::mousePressEvent(event);
        return;
    }
    QWindow* window = windowHandle();
    if (window && window->startSystemMove()) return;
    dragging_ = true;
    dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void CBaseDialog::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - dragOffset_);
        return;
    }
    QDialog::mouseMoveEvent(event);
}

void CBaseDialog::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) dragging_ = false;
    QDialog::mouseReleaseEvent(event);
}

}  // namespace quorvel
