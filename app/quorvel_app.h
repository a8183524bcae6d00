#pragma once
// The application object: paths, texts and the main window, in start-up order; the process
// ends when the main window's exit sequence has run.
#include <QStringList>

namespace quorvel {

class CQuorvelApp {
public:
    // Needs a QApplication. Returns the process exit code.
    int Run(const QStringList& arguments);
};

// The folder the program's files are read from: QUORVEL_PROGRAM_DIR when set (tests run a
// copy of the skins from elsewhere), else the executable's folder.
QString ProgramDir();

}  // namespace quorvel
