#include <QApplication>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>

#include "app/command_line.h"
#include "app/quorvel_app.h"

namespace {

bool HasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    // Settled before Qt starts, so they work without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    if (quorvel::ParseCommandLine(arguments.mid(1)).help) {
        std::fputs(qPrintable(quorvel::UsageText(QFileInfo(arguments.value(0)).fileName())),
                   stdout);
        return 0;
    }
    if (!HasDisplay()) {
        std::fputs("quorvel: no graphical display (DISPLAY and WAYLAND_DISPLAY are not set)\n",
                   stderr);
        return 1;
    }
    QApplication application(argc, argv);
    // Wayland desktops find the window's icon and name through the desktop entry's id.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.quorvel.quorvel"));
    return quorvel::CQuorvelApp().Run(QApplication::arguments());
}
