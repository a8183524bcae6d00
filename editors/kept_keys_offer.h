#pragma once
// Where the desktop keeps keys for its own shortcuts and will not pass them on to a capturing
// window (a Wayland compositor without the keyboard-shortcuts-inhibit protocol), the key
// dialog names those keys and offers them from a list instead: on the single-key page for the
// key box, on the macro page for the steps the recorder cannot receive.
#include <QWidget>
#include <functional>

#include "model/key_codes.h"

class QComboBox;
class QLabel;

namespace quorvel {

class KeptKeysOffer : public QWidget {
public:
    // Language keys of the note (its "%s" becomes the keys' names) and of the list's prompt.
    struct Texts {
        const char* note;
        const char* prompt;
    };
    static constexpr int GAP = 12;

    // Placed GAP under below, as wide as it and height tall, the list at the top; chosen gets
    // the key picked, and the list shows its prompt again, ready for the next.
    KeptKeysOffer(QWidget& below, int height, Texts texts, std::function<void(ScanCode)> chosen);

    // The keys a desktop keeps for itself: the Win keys and Print Screen.
    static const std::vector<ScanCode>& KeptKeys();

    // Texts in the window's language, and the list read afresh.
    void ApplyCaptions(const std::function<QString(const char*)>& text);
    // Shown with its page, and only where the desktop keeps its keys.
    void ShowWithPage(bool pageShown);

private:
    Texts texts_;
    QLabel* note_ = nullptr;
    QComboBox* list_ = nullptr;
};

}  // namespace quorvel
