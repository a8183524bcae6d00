#include "app/busy_notice.h"

#include "base/texts.h"

namespace quorvel {
namespace {

constexpr int GAP = 8;

}  // namespace

BusyNotice::BusyNotice(QWidget& window, const QRect& indicator, int rightEdge) : QLabel(&window) {
    setObjectName("BUSY_NOTICE");
    // Drawn over the version and link while it shows: it has to be read at once.
    setStyleSheet("color: #e4e4e4; background: #202020; padding: 0 4px;");
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const int left = indicator.right() + GAP;
    setGeometry(left, indicator.center().y() - 11, std::max(0, rightEdge - GAP - left), 22);
    linger_.setSingleShot(true);
    linger_.setInterval(BUSY_NOTICE_LINGER_MS);
    connect(&linger_, &QTimer::timeout, this, [this] {
        shownKey_.clear();
        hide();
    });
    hide();
}

void BusyNotice::Show(std::string_view textKey) {
    linger_.stop();
    shownKey_ = std::string(textKey);
    setText(QString::fromStdString(Text(textKey)));
    show();
    raise();
}

void BusyNotice::JobEnded() {
    if (!shownKey_.empty()) linger_.start();
}

}  // namespace quorvel
