#include "tests/wayland/sway_session.h"

#include <xkbcommon/xkbcommon.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QThread>

namespace quorvel::testing {
namespace {

constexpr int START_TIMEOUT_MS = 15000;
constexpr int LEFT_BUTTON = 1;

QRect RectOf(const QJsonObject& object) {
    return {object["x"].toInt(), object["y"].toInt(), object["width"].toInt(),
            object["height"].toInt()};
}

void CollectWindows(const QJsonObject& node, qint64 pid, QList<SwayWindow>& found) {
    if (node.contains("pid") && node["visible"].toBool() && (pid == 0 || node["pid"] == pid)) {
        SwayWindow window;
        window.pid = node["pid"].toInteger();
        window.appId = node["app_id"].toString();
        window.title = node["name"].toString();
        const QRect outer = RectOf(node["rect"].toObject());
        const QRect inner = RectOf(node["window_rect"].toObject());
        window.place = inner.translated(outer.topLeft());
        window.focused = node["focused"].toBool();
        window.floating = node["type"].toString() == "floating_con";
        found.append(window);
    }
    for (const char* children : {"nodes", "floating_nodes"}) {
        for (const QJsonValue& child : node[children].toArray())
            CollectWindows(child.toObject(), pid, found);
    }
}

QString LogTail(const QString& file) {
    QFile log(file);
    if (!log.open(QIODevice::ReadOnly)) return "no log";
    const QStringList lines = QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts);
    return lines.mid(std::max(0, int(lines.size()) - 3)).join(" | ");
}

}  // namespace

SwaySession::SwaySession(QSize screen) {
    const QString run = dir_.filePath("run");
    QDir().mkpath(run);
    QFile::setPermissions(run, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile config(dir_.filePath("config"));
    config.open(QIODevice::WriteOnly);
    // No Xwayland: a window that falls back to X11 should fail the test, not pass unseen.
    config.write(QString("output HEADLESS-1 resolution %1x%2 position 0 0\n"
                         "xwayland disable\n"
                         "focus_follows_mouse no\n")
                     .arg(screen.width())
                     .arg(screen.height())
                     .toUtf8());
    config.close();

    QProcessEnvironment env;
    env.insert("PATH", qEnvironmentVariable("PATH", "/usr/bin:/bin"));
    env.insert("HOME", dir_.path());
    env.insert("XDG_RUNTIME_DIR", run);
    env.insert("WLR_BACKENDS", "headless");
    env.insert("WLR_LIBINPUT_NO_DEVICES", "1");
    env.insert("WLR_HEADLESS_OUTPUTS", "1");
    // Software rendering: test machines have no GPU, and a GPU found would make the pictures
    // differ from machine to machine.
    env.insert("WLR_RENDERER", "pixman");
    sway_.setProcessEnvironment(env);
    sway_.setStandardOutputFile(dir_.filePath("sway.log"));
    sway_.setStandardErrorFile(dir_.filePath("sway.log"));
    sway_.start("sway", {"-c", config.fileName()});
    if (!sway_.waitForStarted(5000)) {
        whyNot_ = "sway did not start: " + sway_.errorString();
        return;
    }
    whyNot_ = WaitForSockets();
    if (!whyNot_.isEmpty()) return;

    const QString vncSocket = run + "/vnc";
    QProcessEnvironment vncEnv;
    AddTo(vncEnv);
    vnc_.setProcessEnvironment(vncEnv);
    vnc_.setStandardOutputFile(dir_.filePath("wayvnc.log"));
    vnc_.setStandardErrorFile(dir_.filePath("wayvnc.log"));
    QFile(dir_.filePath("wayvnc.conf")).open(QIODevice::WriteOnly);
    vnc_.start("wayvnc", {"--config=" + dir_.filePath("wayvnc.conf"), "--unix-socket",
                          "--keyboard=us", vncSocket});
    QElapsedTimer clock;
    clock.start();
    QString refused = "wayvnc did not open its socket";
    while (clock.elapsed() < START_TIMEOUT_MS) {
        if (QFile::exists(vncSocket)) {
            input_ = std::make_unique<RfbInput>();
            refused = input_->Connect(vncSocket);
            if (refused.isEmpty()) return;
        }
        QThread::msleep(50);
    }
    input_.reset();
    inputError_ = "no input: " + refused + " (" + LogTail(dir_.filePath("wayvnc.log")) + ")";
}

QString SwaySession::WaitForSockets() {
    QElapsedTimer clock;
    clock.start();
    const QDir run(dir_.filePath("run"));
    while (clock.elapsed() < START_TIMEOUT_MS) {
        if (!sway_.waitForFinished(0) && sway_.state() == QProcess::Running) {
            const QStringList ipc = run.entryList({"sway-ipc.*.sock"}, QDir::System);
            const QStringList wayland = run.entryList({"wayland-?"}, QDir::System);
            if (!ipc.isEmpty() && !wayland.isEmpty()) {
                swaySocket_ = run.filePath(ipc.first());
                waylandSocket_ = run.filePath(wayland.first());
                if (!Run("swaymsg", {"-t", "get_version"}).isNull()) return {};
            }
        } else {
            return "sway ended at start: " + LogTail(dir_.filePath("sway.log"));
        }
        QThread::msleep(50);
    }
    return "sway opened no socket in time: " + LogTail(dir_.filePath("sway.log"));
}

SwaySession::~SwaySession() {
    input_.reset();
    for (QProcess* process : {&vnc_, &sway_}) {
        if (process->state() == QProcess::NotRunning) continue;
        process->terminate();
        if (!process->waitForFinished(3000)) process->kill();
        process->waitForFinished(1000);
    }
}

void SwaySession::AddTo(QProcessEnvironment& env) const {
    if (!env.contains("PATH")) env.insert("PATH", qEnvironmentVariable("PATH", "/usr/bin:/bin"));
    if (!env.contains("XDG_RUNTIME_DIR")) env.insert("XDG_RUNTIME_DIR", dir_.filePath("run"));
    env.insert("WAYLAND_DISPLAY", waylandSocket_);
    env.insert("SWAYSOCK", swaySocket_);
    env.insert("QT_QPA_PLATFORM", "wayland");
    env.remove("DISPLAY");
}

QString SwaySession::Run(const QString& program, const QStringList& arguments,
                         int timeoutMs) const {
    QProcessEnvironment env;
    AddTo(env);
    QProcess tool;
    tool.setProcessEnvironment(env);
    tool.start(program, arguments);
    if (!tool.waitForFinished(timeoutMs) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0)
        return {};
    const QString output = QString::fromUtf8(tool.readAllStandardOutput());
    return output.isNull() ? QString("") : output;
}

QJsonObject SwaySession::Tree() const {
    return QJsonDocument::fromJson(Run("swaymsg", {"-r", "-t", "get_tree"}).toUtf8()).object();
}

QList<SwayWindow> SwaySession::Windows(qint64 pid) const {
    QList<SwayWindow> found;
    CollectWindows(Tree(), pid, found);
    return found;
}

bool SwaySession::Screenshot(const QString& file, QRect area) const {
    QStringList arguments;
    if (!area.isEmpty())
        arguments << "-g"
                  << QString("%1,%2 %3x%4")
                         .arg(area.x())
                         .arg(area.y())
                         .arg(area.width())
                         .arg(area.height());
    return !Run("grim", arguments << file).isNull() && QFile(file).size() > 0;
}

bool SwaySession::MovePointer(QPoint at, bool leftDown) {
    return input_ && input_->Pointer(at, leftDown ? LEFT_BUTTON : 0);
}

bool SwaySession::Click(QPoint at) {
    // Moved there first, so the window under the pointer has it before the button goes down.
    const bool ok = MovePointer(at) && (QThread::msleep(60), MovePointer(at, true)) &&
                    (QThread::msleep(60), MovePointer(at));
    QThread::msleep(60);
    return ok;
}

bool SwaySession::Drag(QPoint from, QPoint to) {
    constexpr int STEPS = 10;
    bool ok = MovePointer(from) && (QThread::msleep(60), MovePointer(from, true));
    for (int i = 1; ok && i <= STEPS; ++i) {
        QThread::msleep(30);
        ok = MovePointer(from + (to - from) * i / STEPS, true);
    }
    QThread::msleep(60);
    return ok && MovePointer(to);
}

bool SwaySession::TypeKeys(const QStringList& names, int delayMs) {
    if (!input_) return false;
    for (const QString& name : names) {
        QList<uint32_t> chord;
        for (const QString& part : name.split('+')) {
            const xkb_keysym_t keysym =
                xkb_keysym_from_name(part.toUtf8().constData(), XKB_KEYSYM_NO_FLAGS);
            if (keysym == XKB_KEY_NoSymbol) return false;
            chord.append(keysym);
        }
        for (uint32_t keysym : chord) {
            if (!input_->Key(keysym, true)) return false;
        }
        QThread::msleep(30);
        for (auto it = chord.rbegin(); it != chord.rend(); ++it) {
            if (!input_->Key(*it, false)) return false;
        }
        QThread::msleep(delayMs);
    }
    return true;
}

SwaySession& TheSway() {
    static SwaySession session;
    return session;
}

}  // namespace quorvel::testing
