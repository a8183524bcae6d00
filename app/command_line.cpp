#include "app/command_line.h"

namespace quorvel {

StartOptions ParseCommandLine(const QStringList& arguments) {
    StartOptions options;
    for (const QString& argument : arguments) {
        if (argument.compare("/Kill", Qt::CaseInsensitive) == 0) {
            options.kill = true;
        } else if (argument.compare("/Start", Qt::CaseInsensitive) == 0) {
            options.start = true;
        } else if (argument.compare("--virtual", Qt::CaseInsensitive) == 0) {
            options.virtualKeyboard = true;
        } else if (argument.compare("--help", Qt::CaseInsensitive) == 0 ||
                   argument.compare("-h", Qt::CaseInsensitive) == 0) {
            options.help = true;
        }
    }
    return options;
}

QString UsageText(const QString& programName) {
    return QStringLiteral(
               "Usage: %1 [/Start] [/Kill] [--virtual] [--help]\n"
               "Configures the Nolvane G7 keyboard; lives in the notification area.\n"
               "\n"
               "  /Start     stay in the notification area when the keyboard is found\n"
               "  /Kill      ask the running copy to exit, then end\n"
               "  --virtual  use the virtual keyboard (libHidServVirtual.so; also\n"
               "             QUORVEL_HIDSERV=virtual)\n"
               "  --help     show this text\n"
               "\n"
               "Switches are matched without regard to case. Starting a second copy opens the\n"
               "window of the running one.\n")
        .arg(programName);
}

}  // namespace quorvel
