// Draws every skin picture and writes the skin INI files into the folder given on the command
// line. Runs at build time without a display.
#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "res/skingen/ini_writer.h"
#include "res/skingen/pictures.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: skingen SKIN_FOLDER\n");
        return 2;
    }
    QDir folder(args[1]);
    if (!folder.mkpath(".")) {
        std::fprintf(stderr, "skingen: cannot create %s\n", qPrintable(args[1]));
        return 1;
    }
    using namespace quorvel::skingen;
    bool ok = WriteMainIni(folder) && WriteCompositeIni(folder) && WriteProfileIni(folder) &&
              WriteProgramProfilesIni(folder) && WriteFactoryUserColours(folder);
    ok = ok && WriteMainPictures(folder) && WriteLightingPictures(folder) &&
         WriteCompositePictures(folder) && WriteProfilePictures(folder) &&
         WriteProgramProfilesPictures(folder);
    return ok ? 0 : 1;
}
