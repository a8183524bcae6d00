#include "app/message_boxes.h"

#include <QMessageBox>
#include <QPointer>
#include <mutex>

#include "base/texts.h"

namespace quorvel {
namespace {

struct Seam {
    std::mutex mutex;
    bool suppressed = false;
    std::optional<bool> nextAnswer;
    std::optional<YesNoCancel> nextThreeWayAnswer;
    std::vector<std::string> shown;
};

Seam& TheSeam() {
    static Seam seam;
    return seam;
}

// Boxes on screen, so the exit sequence can close them. UI thread only.
std::vector<QPointer<QMessageBox>>& OpenBoxes() {
    static std::vector<QPointer<QMessageBox>> boxes;
    return boxes;
}

// True when the seam took the message instead of the screen.
bool Intercepted(std::string_view textKey) {
    Seam& seam = TheSeam();
    std::lock_guard lock(seam.mutex);
    if (!seam.suppressed) return false;
    seam.shown.emplace_back(textKey);
    return true;
}

QMessageBox* MakeBox(QWidget* parent, std::string_view text, QMessageBox::Icon icon,
                     QMessageBox::StandardButtons buttons) {
    auto* box = new QMessageBox(icon, QString(),
                                QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                                buttons, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    auto& boxes = OpenBoxes();
    std::erase_if(boxes, [](const QPointer<QMessageBox>& open) { return open.isNull(); });
    boxes.emplace_back(box);
    return box;
}

}  // namespace

void ShowTextMessage(QWidget* parent, std::string_view textKey) {
    ShowTextMessage(parent, textKey, Text(textKey));
}

void ShowTextMessage(QWidget* parent, std::string_view textKey, std::string_view text) {
    if (Intercepted(textKey)) return;
    MakeBox(parent, text, QMessageBox::Information, QMessageBox::Ok)->exec();
}

void ShowTextMessageLater(QWidget* parent, std::string_view textKey) {
    if (Intercepted(textKey)) return;
    MakeBox(parent, Text(textKey), QMessageBox::Information, QMessageBox::Ok)->show();
}

bool AskYesNoText(QWidget* parent, std::string_view textKey) {
    {
        Seam& seam = TheSeam();
        std::lock_guard lock(seam.mutex);
        if (seam.suppressed || seam.nextAnswer) {
            if (seam.suppressed) seam.shown.emplace_back(textKey);
            bool answer = seam.nextAnswer.value_or(false);
            seam.nextAnswer.reset();
            return answer;
        }
    }
    QMessageBox* box =
        MakeBox(parent, Text(textKey), QMessageBox::Question, QMessageBox::Yes | QMessageBox::No);
    box->setDefaultButton(QMessageBox::No);
    box->setEscapeButton(QMessageBox::No);
    return box->exec() == QMessageBox::Yes;
}

YesNoCancel AskYesNoCancelText(QWidget* parent, std::string_view textKey) {
    {
        Seam& seam = TheSeam();
        std::lock_guard lock(seam.mutex);
        if (seam.suppressed || seam.nextThreeWayAnswer) {
            if (seam.suppressed) seam.shown.emplace_back(textKey);
            return std::exchange(seam.nextThreeWayAnswer, std::nullopt)
                .value_or(YesNoCancel::CANCEL);
        }
    }
    QMessageBox* box = MakeBox(parent, Text(textKey), QMessageBox::Question,
                               QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    box->setDefaultButton(QMessageBox::Cancel);
    box->setEscapeButton(QMessageBox::Cancel);
    switch (box->exec()) {
        case QMessageBox::Yes:
            return YesNoCancel::YES;
        case QMessageBox::No:
            return YesNoCancel::NO;
        default:
            return YesNoCancel::CANCEL;
    }
}

void CloseOpenMessageBoxes() {
    // Closing a box may end a nested loop that then touches the list; work on a copy.
    auto boxes = OpenBoxes();
    OpenBoxes().clear();
    for (auto& box : boxes) {
        if (box) box->done(QMessageBox::No);
    }
}

void SetMessageBoxesSuppressed(bool suppressed) {
    std::lock_guard lock(TheSeam().mutex);
    TheSeam().suppressed = suppressed;
}

void SetNextYesNoAnswer(std::optional<bool> answer) {
    std::lock_guard lock(TheSeam().mutex);
    TheSeam().nextAnswer = answer;
}

void SetNextYesNoCancelAnswer(std::optional<YesNoCancel> answer) {
    std::lock_guard lock(TheSeam().mutex);
    TheSeam().nextThreeWayAnswer = answer;
}

std::vector<std::string> TakeShownMessageKeys() {
    std::lock_guard lock(TheSeam().mutex);
    return std::exchange(TheSeam().shown, {});
}

}  // namespace quorvel
