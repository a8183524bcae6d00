#pragma once
// The skinned window every dialog of the program derives from: no frame, a background picture,
// the shape of a mask picture, and the whole background acting as a title bar.
#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QString>

#include "base/ini_file.h"

class QLabel;

namespace quorvel {

class CBaseDialog : public QDialog {
    Q_OBJECT
public:
    // skinFile is the dialog's skin INI; skinFolder (ending in '/') prefixes the pictures it names.
    CBaseDialog(QWidget* parent, const QString& skinFile, const QString& skinFolder);

    // Loads the background and mask named in [SCREEN], sizes the window to the background and
    // cuts it to the mask. On failure the window is left as it was, SkinError() says why and
    // false is returned; the caller decides how to end.
    bool LoadSkin();

    const QString& SkinError() const { return skinError_; }
    const IniFile& Skin() const { return skin_; }
    const QString& SkinFolder() const { return skinFolder_; }
    const QImage& Background() const { return background_; }

protected:
    // The label beside the title artwork that the dialog writes its caption into, placed at the
    // skin's TITLE_CAPTION.
    QLabel* PlaceTitleCaption();

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    IniFile skin_;
    QString skinFolder_;
    QImage background_;
    QString skinError_;
    // Set while the window is dragged by hand, where the window system cannot move it for us.
    bool dragging_ = false;
    QPoint dragOffset_;
};

}  // namespace quorvel
