#pragma once
// A short line in the window's status area, beside the busy indicator, when a click is refused
// or put off because a keyboard job runs. It goes a few seconds after the job has ended.
#include <QLabel>
#include <QTimer>
#include <string>
#include <string_view>

namespace quorvel {

inline constexpr const char* KEYBOARD_BUSY_TEXT = "EXTRA_KEYBOARD_BUSY";
inline constexpr const char* KEYBOARD_BUSY_LATER_TEXT = "EXTRA_KEYBOARD_BUSY_LATER";
inline constexpr int BUSY_NOTICE_LINGER_MS = 3000;

class BusyNotice : public QLabel {
    Q_OBJECT
public:
    // Spans the status area from the right edge of the busy indicator to the left edge of the
    // first button after it.
    BusyNotice(QWidget& window, const QRect& indicator, int rightEdge);

    // The language text of the key, until the job has ended and the notice has lingered.
    void Show(std::string_view textKey);
    void JobEnded();
    // The key of the notice shown, empty when none is.
    const std::string& ShownKey() const { return shownKey_; }

private:
    QTimer linger_;
    std::string shownKey_;
};

}  // namespace quorvel
