#pragma once
// The switches the program understands. Windows-style switches are matched without regard to
// case and in any order; anything unknown is ignored, as it always was.
#include <QString>
#include <QStringList>

namespace quorvel {

struct StartOptions {
    bool kill = false;             // "/Kill": ask the running copy to exit, then end
    bool start = false;            // "/Start": do not open the window when the keyboard is found
    bool virtualKeyboard = false;  // "--virtual": bind libHidServVirtual.so
    bool help = false;             // "--help": print the switches and end
};

// arguments excludes the program name.
StartOptions ParseCommandLine(const QStringList& arguments);

QString UsageText(const QString& programName);

}  // namespace quorvel
