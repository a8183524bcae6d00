#include "app/quorvel_app.h"

#include <QApplication>
#include <QCoreApplication>
#include <cstdio>
#include <optional>

#include "app/command_line.h"
#include "app/language_file.h"
#include "app/qt_texts.h"
#include "app/quorvel_dlg.h"
#include "app/single_instance.h"
#include "base/texts.h"
#include "model/working_set.h"

namespace quorvel {

QString ProgramDir() {
    QString overridden = qEnvironmentVariable("QUORVEL_PROGRAM_DIR");
    return overridden.isEmpty() ? QCoreApplication::applicationDirPath() : overridden;
}

int CQuorvelApp::Run(const QStringList& arguments) {
    StartOptions options = ParseCommandLine(arguments.mid(1));
    QCoreApplication::setOrganizationName("Quorvel_Brannic");
    // The window hides instead of closing, and message boxes come and go while it is hidden.
    QApplication::setQuitOnLastWindowClosed(false);

    ProgramPaths paths = DetectProgramPaths(ProgramDir().toStdString());
    const IniFile languageFile = OpenLanguageFile(paths);
    LoadTexts(languageFile);
    UseQtTextsOf(languageFile);
    // The working-set lock exists with the working set itself.
    ProfileWorkingSet::Instance();

    // Without it no later copy could find this one.
    QString error;
    if (SingleInstance::DefaultChannelPath(&error).isEmpty()) {
        std::fprintf(stderr, "quorvel: %s\n", qPrintable(error));
        return 1;
    }
    CQuorvelDlg dialog(paths, options);
    if (std::optional<int> exitCode = dialog.SettleInstance()) return *exitCode;

    if (!dialog.Initialise(&error)) {
        std::fprintf(stderr, "quorvel: %s\n", qPrintable(error));
        return 1;
    }
    QObject::connect(&dialog, &QDialog::finished, qApp, &QCoreApplication::quit);
    // Shown as the dialog loop would; the start-up hides keep it from being seen.
    dialog.show();
    QApplication::exec();
    return 0;
}

}  // namespace quorvel
