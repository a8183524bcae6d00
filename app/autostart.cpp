#include "app/autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

namespace quorvel {
namespace {

// The Exec value is unescaped twice: first as a string value (\\, \n, \t, \r), then as a command
// line, where an argument with reserved characters goes in double quotes with ", `, $ and the
// backslash itself escaped by a backslash. A % anywhere starts a field code, so a literal one
// is written %%.
QString QuoteExecArgument(const QString& argument) {
    static const QString RESERVED = QStringLiteral(" \t\n\r\"'\\><~|&;$*?#()`");
    bool needsQuotes = false;
    for (QChar c : argument) needsQuotes = needsQuotes || RESERVED.contains(c);
    QString quoted = needsQuotes ? QStringLiteral("\"") : QString();
    for (QChar c : argument) {
        if (needsQuotes && (c == '"' || c == '`' || c == '$' || c == '\\')) quoted += '\\';
        quoted += c;
    }
    if (needsQuotes) quoted += '"';
    quoted.replace('%', QStringLiteral("%%"));
    return quoted;
}

QString EscapeStringValue(const QString& value) {
    QString escaped;
    for (QChar c : value) {
        if (c == '\\') {
            escaped += QStringLiteral("\\\\");
        } else if (c == '\n') {
            escaped += QStringLiteral("\\n");
        } else if (c == '\t') {
            escaped += QStringLiteral("\\t");
        } else if (c == '\r') {
            escaped += QStringLiteral("\\r");
        } else {
            escaped += c;
        }
    }
    return escaped;
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
            line = "Exec=" +
                   EscapeStringValue(QuoteExecArgument(QFileInfo(executable).absoluteFilePath())) +
                   " /Start";
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
