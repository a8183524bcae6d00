#pragma once
// The on-screen keyboard the key assignment dialog offers for keys the physical keyboard lacks:
// the first of a few well-known programs found on the PATH.
#include <QString>
#include <functional>

namespace quorvel {

// The programs looked for, in order, as the user reads them: "onboard, florence, ...".
QString OnScreenKeyboardNames();
// The first one installed, as a full path; empty when none is.
QString FindOnScreenKeyboard();
// Starts it detached; false when none is installed or it would not start.
bool StartOnScreenKeyboard();

class CPngButton;
// Enables the dialog's button when one is installed, with a tip that says so or names the
// programs to install; looked for at every opening, since one may have been installed meanwhile.
void OfferOnScreenKeyboard(CPngButton& button, const std::function<QString(const char*)>& text);

}  // namespace quorvel
