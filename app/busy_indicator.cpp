#include "app/busy_indicator.h"

#include <QPainter>
#include <algorithm>

#include "skin/skin_file.h"

namespace quorvel {

BusyIndicator::BusyIndicator(QWidget& window, const IniFile& skin, const QString& skinFolder)
    : QWidget(&window) {
    setObjectName("CONTROL_JDTStatic");
    setAttribute(Qt::WA_TransparentForMouseEvents);
    PlaceOnly(*this, skin, SKIN_SECTION_BUTTONS, "CONTROL_JDTStatic");
    for (int i = 0; i < BUSY_FRAME_COUNT; ++i) {
        frames_[i].load(skinFolder + QString("jdt%1.bmp").arg(i + 1));
    }
    animation_.setInterval(BUSY_FRAME_PERIOD_MS);
    connect(&animation_, &QTimer::timeout, this, &BusyIndicator::NextFrame);
    hideLater_.setSingleShot(true);
    hideLater_.setInterval(BUSY_HIDE_DELAY_MS);
    connect(&hideLater_, &QTimer::timeout, this, [this] {
        animation_.stop();
        hide();
    });
    hide();
}

void BusyIndicator::Start() {
    hideLater_.stop();
    running_ = true;
    percent_ = -1;
    if (!animation_.isActive()) {
        frame_ = 0;
        shownFrame_ = -1;
        animation_.start();
    }
    show();
    raise();
}

void BusyIndicator::Stop() {
    running_ = false;
    percent_ = -1;
    hideLater_.start();
}

void BusyIndicator::SetProgress(int done, int total) {
    const int percent = total > 0 ? std::clamp(done * 100 / total, 0, 100) : -1;
    if (percent == percent_) return;
    percent_ = percent;
    update();
}

// Frames 1-10 on ten ticks, nothing on the eleventh: one cycle is 550 ms.
void BusyIndicator::NextFrame() {
    shownFrame_ = frame_ < BUSY_FRAME_COUNT ? frame_ : -1;
    frame_ = frame_ < BUSY_FRAME_COUNT ? frame_ + 1 : 0;
    update();
}

void BusyIndicator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (shownFrame_ >= 0 && !frames_[shownFrame_].isNull())
        painter.drawPixmap(rect(), frames_[shownFrame_]);
    if (percent_ >= 0) {
        QFont font("Verdana");
        font.setPixelSize(std::max(8, height() - 2));
        painter.setFont(font);
        painter.setPen(QColor(0xE4, 0xE4, 0xE4));
        painter.drawText(rect(), Qt::AlignRight | Qt::AlignVCenter, QString("%1%").arg(percent_));
    }
}

}  // namespace quorvel
