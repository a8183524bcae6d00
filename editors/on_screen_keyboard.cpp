#include "editors/on_screen_keyboard.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include "skin/png_button.h"

namespace quorvel {
namespace {

// Onboard and Florence follow the desktop's look; the other two are small X11 programs that
// most distributions package.
const QStringList& Programs() {
    static const QStringList programs = {"onboard", "florence", "matchbox-keyboard", "xvkbd"};
    return programs;
}

}  // namespace

QString OnScreenKeyboardNames() {
    return Programs().join(", ");
}

QString FindOnScreenKeyboard() {
    for (const QString& name : Programs()) {
        const QString path = QStandardPaths::findExecutable(name);
        if (!path.isEmpty()) return path;
    }
    return {};
}

bool StartOnScreenKeyboard() {
    const QString program = FindOnScreenKeyboard();
    return !program.isEmpty() && QProcess::startDetached(program, {});
}

void OfferOnScreenKeyboard(CPngButton& button, const std::function<QString(const char*)>& text) {
    const bool installed = !FindOnScreenKeyboard().isEmpty();
    button.setEnabled(installed);
    const QString tip =
        installed ? text("COMPOSITE_PROMPT_OSK")
                  : text("COMPOSITE_PROMPT_OSK_MISSING").replace("%s", OnScreenKeyboardNames());
    button.SetTooltip(tip, true);
}

}  // namespace quorvel
