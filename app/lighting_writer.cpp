#include "app/lighting_writer.h"

#include <QLabel>
#include <QPointer>
#include <QWidget>

#include "app/keyboard_jobs.h"
#include "device/result_codes.h"
#include "skin/skin_file.h"

namespace quorvel {
namespace {
constexpr int NOTICE_MS = 4000;
}  // namespace

LightingWriter::LightingWriter(QWidget& window, SkinRect notices, KeyboardJobs& jobs)
    : QObject(&window), window_(window), place_(notices), jobs_(jobs) {
    noticeTimer_.setSingleShot(true);
    noticeTimer_.setInterval(NOTICE_MS);
}

bool LightingWriter::Run(const QString& name, Job job, bool latest, LightingWriteScope scope,
                         Done done) {
    if (!writable_) return false;
    QPointer<LightingWriter> self(this);
    auto work = [job = std::move(job)](const KeyboardJobs::Report&) { return job(); };
    auto completed = [self, scope, done = std::move(done)](int result) {
        if (self == nullptr) return;
        if (done) done(result);
        // A keyboard that went away meanwhile explains the failure itself.
        if (result != CMD_OK && self->writable_) emit self->Failed(result, scope);
    };
    if (latest) {
        jobs_.RunLatest(name, std::move(work), std::move(completed));
    } else {
        jobs_.Run(name, std::move(work), std::move(completed));
    }
    return true;
}

void LightingWriter::ShowNotice(const QString& text) {
    // Made on first use: a window that never needed it carries no empty caption.
    if (notice_ == nullptr) {
        notice_ = new QLabel(&window_);
        notice_->setObjectName("LIGHTING_NOTICE");
        notice_->setStyleSheet(
            "color: #ffffff; background: #8a2b2b; border-radius: 3px; padding: 2px 6px;");
        notice_->setWordWrap(true);
        connect(&noticeTimer_, &QTimer::timeout, notice_, &QWidget::hide);
    }
    notice_->setText(text);
    notice_->setGeometry(place_.x, place_.y, place_.width, place_.height * 2);
    notice_->show();
    notice_->raise();
    noticeTimer_.start();
}

}  // namespace quorvel
