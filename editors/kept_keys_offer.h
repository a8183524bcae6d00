#pragma once
// Where the desktop keeps keys for its own shortcuts and will not pass them on to a capturing
// window (a Wayland compositor without the keyboard-shortcuts-inhibit protocol), the key
// dialog's single-key page names those keys and offers them from a list instead.
#include <QWidget>
#include <functional>

#include "model/key_codes.h"

class QComboBox;
class QLabel;

namespace quorvel {

class KeptKeysOffer : public QWidget {
public:
    // Placed under below, as wide as it, the list at the top; chosen gets the key picked.
    KeptKeysOffer(QWidget& below, std::function<void(ScanCode)> chosen);

    // The keys a desktop keeps for itself: the Win keys and Print Screen.
    static const std::vector<ScanCode>& KeptKeys();

    // Texts in the window's language, and the list read afresh.
    void ApplyCaptions(const std::function<QString(const char*)>& text);
    // Shown with its page, and only where the desktop keeps its keys.
    void ShowWithPage(bool pageShown);

private:
    QLabel* note_ = nullptr;
    QComboBox* list_ = nullptr;
};

}  // namespace quorvel
