#include "editors/on_screen_keyboard.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

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

}  // namespace quorvel
