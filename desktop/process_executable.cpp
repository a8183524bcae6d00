#include "desktop/process_executable.h"

#include <QFileInfo>

namespace quorvel::desktop {

QString ExecutableOfProcess(quint32 pid) {
    if (pid == 0) return {};
    const QString target = QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget();
    QString name = QFileInfo(target).fileName();
    // An executable replaced since the program started (an upgrade) still names the program.
    name.remove(QStringLiteral(" (deleted)"));
    return name;
}

}  // namespace quorvel::desktop
