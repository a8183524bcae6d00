#include "app/autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

namespace quorvel {
namespace {

// Desktop-entry Exec quoting: a path with blanks or reserved characters goes in double quotes,
// with ", `, $ and \ escaped by a backslash.
QString QuoteExecArgument(const QString& argument) {
    static const QString RESERVED = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needsQuotes = false;
    for (QChar c : argument) needsQuotes = needsQuotes || RESERVED.contains(c);
    if (!needsQuotes) return argument;
    QString quoted = QStringLiteral("\"");
    for (QChar c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

bool IsFalse(const QString& value) {
    return value.trimmed().compare("false", Qt::CaseInsensitive) == 0;
}

bool Fail(QString* error, const QString& reason) {
    if (error != nullptr) *error = reason;
    return false;
}

}  // namespace

QString UserAutostartPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           "/autostart/quorvel.desktop";
}

bool IsAutostartEnabled() {
    QFile file(UserAutostartPath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return false;
    bool inEntry = false;
    for (const QString& line : QString::fromUtf8(file.readAll()).split('\n')) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith('[')) inEntry = trimmed == "[Desktop Entry]";
        if (!inEntry) continue;
        const int equals = trimmed.indexOf('=');
        if (equals < 0) continue;
        const QString key = trimmed.left(equals).trimmed();
        const QString value = trimmed.mid(equals + 1);
        if (key == "Hidden" && !IsFalse(value)) return false;
        if (key == "X-GNOME-Autostart-enabled" && IsFalse(value)) return false;
    }
    return true;
}

bool EnableAutostart(const QString& programDir, const QString& executable, QString* error) {
    const QString shippedPath = programDir + "/" + AUTOSTART_ENTRY_RELATIVE;
    QFile shipped(shippedPath);
    if (!shipped.open(QIODevice::ReadOnly | QIODevice::Text))
        return Fail(error, shippedPath + ": " + shipped.errorString());
    QStringList lines = QString::fromUtf8(shipped.readAll()).split('\n');
    bool execSet = false;
    for (QString& line : lines) {
        if (line.startsWith("Exec=")) {
            line =
                "Exec=" + QuoteExecArgument(QFileInfo(executable).absoluteFilePath()) + " /Start";
            execSet = true;
        }
    }
    if (!execSet) return Fail(error, shippedPath + ": no Exec line");

    const QString target = UserAutostartPath();
    if (!QDir().mkpath(QFileInfo(target).absolutePath()))
        return Fail(error, QFileInfo(target).absolutePath() + ": cannot create the folder");
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Text))
        return Fail(error, target + ": " + out.errorString());
    out.write(lines.join('\n').toUtf8());
    if (!out.commit()) return Fail(error, target + ": " + out.errorString());
    return true;
}

bool DisableAutostart(QString* error) {
    QFile file(UserAutostartPath());
    if (!file.exists() || file.remove()) return true;
    return Fail(error, file.fileName() + ": " + file.errorString());
}

}  // namespace quorvel
