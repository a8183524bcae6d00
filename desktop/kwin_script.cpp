#include "desktop/kwin_script.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDir>
#include <QFile>
#include <QSaveFile>

#include "desktop/process_executable.h"

namespace quorvel::desktop {

namespace {
constexpr const char* SCRIPTING_PATH = "/Scripting";
constexpr const char* SCRIPTING_INTERFACE = "org.kde.kwin.Scripting";
// KWin answers at once; the limit only keeps a hung compositor from holding the program's start.
constexpr int CALL_TIMEOUT_MS = 3000;

// Plasma 5 names windows "clients" and hands the resource class over as bytes; Plasma 6 says
// "window" and gives text. The script speaks both, and keeps its names out of KWin's global scope.
constexpr const char* SCRIPT = R"JS(// Reports KWin's active window to Quorvel.
(function () {
    const service = "@SERVICE@";
    const path = "@PATH@";
    const iface = "@INTERFACE@";

    function text(value) {
        if (value === undefined || value === null) return "";
        if (value instanceof ArrayBuffer) return String.fromCharCode.apply(null, new Uint8Array(value));
        return String(value);
    }
    function report(method, window) {
        if (!window || window.specialWindow) return;
        callDBus(service, path, iface, method, text(window.internalId), text(window.resourceClass),
                 text(window.pid));
    }
    function removed(window) {
        if (window) callDBus(service, path, iface, "Removed", text(window.internalId));
    }

    const plasma6 = workspace.windowActivated !== undefined;
    const windows = plasma6 ? workspace.windowList() : workspace.clientList();
    for (let i = 0; i < windows.length; ++i) report("Added", windows[i]);
    (plasma6 ? workspace.windowAdded : workspace.clientAdded).connect(w => report("Added", w));
    (plasma6 ? workspace.windowRemoved : workspace.clientRemoved).connect(removed);
    (plasma6 ? workspace.windowActivated : workspace.clientActivated).connect(
        w => report("Activated", w));
    report("Activated", workspace.activeWindow !== undefined ? workspace.activeWindow
                                                             : workspace.activeClient);
})();
)JS";

QDBusMessage ScriptingCall(const char* method) {
    return QDBusMessage::createMethodCall(KWinScriptSource::KWIN_SERVICE, SCRIPTING_PATH,
                                          SCRIPTING_INTERFACE, method);
}

QString ExecutableOf(const QString& pid) {
    bool ok = false;
    const quint32 number = pid.toUInt(&ok);
    return ok ? ExecutableOfProcess(number) : QString();
}
}  // namespace

QString KWinScriptSource::ScriptText(const QString& busName) {
    // Bus names hold only letters, digits and "_-.:", so they cannot break the string literal.
    return QString::fromUtf8(SCRIPT)
        .replace(QStringLiteral("@SERVICE@"), busName)
        .replace(QStringLiteral("@PATH@"), QString::fromUtf8(OBJECT_PATH))
        .replace(QStringLiteral("@INTERFACE@"), QString::fromUtf8(INTERFACE));
}

std::unique_ptr<KWinScriptSource> KWinScriptSource::Load(const QDBusConnection& bus,
                                                         const QString& scriptFolder,
                                                         QObject* parent) {
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(KWIN_SERVICE)) return nullptr;
    const QString path = QDir(scriptFolder).filePath(QStringLiteral("%1.js").arg(PLUGIN_NAME));
    std::unique_ptr<KWinScriptSource> source(new KWinScriptSource(bus, path, parent));
    if (!source->Start()) return nullptr;
    return source;
}

KWinScriptSource::KWinScriptSource(const QDBusConnection& bus, const QString& scriptPath,
                                   QObject* parent)
    : ActiveWindowSource(parent), bus_(bus), scriptPath_(scriptPath) {}

bool KWinScriptSource::Start() {
    if (!bus_.registerObject(OBJECT_PATH, this, QDBusConnection::ExportScriptableSlots)) {
        qWarning("quorvel: %s is taken on the session bus", OBJECT_PATH);
        return false;
    }
    QSaveFile file(scriptPath_);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(ScriptText(bus_.baseService()).toUtf8()) < 0 || !file.commit()) {
        qWarning("quorvel: the KWin script cannot be written to %s", qPrintable(scriptPath_));
        return false;
    }
    kwinOwner_ = bus_.interface()->serviceOwner(KWIN_SERVICE);
    // A copy left loaded by a program that crashed would report to a bus name nobody holds.
    QDBusMessage unload = ScriptingCall("unloadScript");
    unload << QString::fromUtf8(PLUGIN_NAME);
    bus_.call(unload, QDBus::Block, CALL_TIMEOUT_MS);

    QDBusMessage load = ScriptingCall("loadScript");
    load << scriptPath_ << QString::fromUtf8(PLUGIN_NAME);
    const QDBusReply<int> id = bus_.call(load, QDBus::Block, CALL_TIMEOUT_MS);
    if (!id.isValid() || id.value() < 0) {
        qWarning("quorvel: KWin did not load the active-window script: %s",
                 qPrintable(id.isValid() ? QStringLiteral("refused") : id.error().message()));
        return false;
    }
    const QDBusReply<void> started =
        bus_.call(ScriptingCall("start"), QDBus::Block, CALL_TIMEOUT_MS);
    if (!started.isValid()) {
        qWarning("quorvel: KWin did not start the active-window script: %s",
                 qPrintable(started.error().message()));
        return false;
    }
    return true;
}

KWinScriptSource::~KWinScriptSource() {
    if (bus_.isConnected() && !kwinOwner_.isEmpty()) {
        QDBusMessage unload = ScriptingCall("unloadScript");
        unload << QString::fromUtf8(PLUGIN_NAME);
        bus_.call(unload, QDBus::Block, CALL_TIMEOUT_MS);
    }
    bus_.unregisterObject(OBJECT_PATH);
    QFile::remove(scriptPath_);
}

// Any program on the session bus could call in; only KWin's reports count.
bool KWinScriptSource::FromKWin() {
    const QString sender = message().service();
    if (sender == kwinOwner_) return true;
    // KWin restarted (its own crash recovery) under a new unique name.
    kwinOwner_ = bus_.interface()->serviceOwner(KWIN_SERVICE);
    return sender == kwinOwner_;
}

void KWinScriptSource::Activated(const QString& id, const QString& appId, const QString& pid) {
    if (!FromKWin()) return;
    emit ActiveWindowChanged(WindowInfo{id, appId, ExecutableOf(pid)});
}

void KWinScriptSource::Added(const QString& id, const QString& appId, const QString& pid) {
    if (!FromKWin()) return;
    Removed(id);
    windows_.append(WindowInfo{id, appId, ExecutableOf(pid)});
}

void KWinScriptSource::Removed(const QString& id) {
    if (!FromKWin()) return;
    windows_.removeIf([&id](const WindowInfo& window) { return window.id == id; });
}

QList<WindowInfo> KWinScriptSource::OpenWindows() const {
    return windows_;
}

}  // namespace quorvel::desktop
