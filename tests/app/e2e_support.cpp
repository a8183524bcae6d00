#include "tests/app/e2e_support.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <random>

#include "base/ini_file.h"
#include "tests/support/keyboard_dump.h"

namespace quorvel::testing {

QString BinFolder() {
    return QString::fromStdString(BinDir());
}

XDisplay::XDisplay() {
    bool chosen = false;
    number_ = qEnvironmentVariableIntValue("QUORVEL_TEST_DISPLAY", &chosen);
    const QStringList screen = {"-screen", "0", "1280x1024x24", "-nolisten", "tcp"};
    server_.setStandardErrorFile(QProcess::nullDevice());
    if (chosen) {
        server_.start("Xvfb", QStringList{Name()} + screen);
        const QString socket = QString("/tmp/.X11-unix/X%1").arg(number_);
        for (int i = 0; i < 200 && !QFile::exists(socket); ++i) QThread::msleep(20);
    } else {
        // A number drawn from a wide range, not the first free one: a server of another test
        // that is still ending would otherwise remove the socket of a new server that took its
        // number, and the program under test could not connect. The server writes the number
        // once it accepts clients; a number already taken ends it, and the next is tried.
        std::random_device seed;
        std::mt19937 draw(seed());
        bool named = false;
        for (int attempt = 0; attempt < 20 && !named; ++attempt) {
            number_ = std::uniform_int_distribution<int>(100, 999)(draw);
            server_.start("Xvfb", QStringList{Name(), "-displayfd", "1"} + screen);
            named = NextLine(server_, 20000).toInt() == number_;
            if (!named) server_.waitForFinished(3000);
        }
        if (!named) {
            ADD_FAILURE() << "Xvfb took no display: " << server_.errorString().toStdString();
            return;
        }
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", Name());
    StartNotificationArea(notificationArea_, "x11", env);
}

XDisplay::~XDisplay() {
    RemoveNotificationArea();
    server_.terminate();
    server_.waitForFinished(3000);
}

void XDisplay::RemoveNotificationArea() {
    notificationArea_.kill();
    notificationArea_.waitForFinished(3000);
    // Gone only once the server has let the selection go: a program started before that would
    // still find an area.
    QProcess check;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", Name());
    check.setProcessEnvironment(env);
    check.start(QStringLiteral(QUORVEL_NOTIFICATION_AREA_HOST), {"x11-absent"});
    if (!check.waitForFinished(15000) || check.readLine().trimmed() != "absent")
        ADD_FAILURE() << "the display's notification area did not go away";
}

bool StartNotificationArea(QProcess& host, const QString& kind, const QProcessEnvironment& env) {
    host.setProcessEnvironment(env);
    host.start(QStringLiteral(QUORVEL_NOTIFICATION_AREA_HOST), {kind});
    return host.waitForReadyRead(10000) && host.readLine().trimmed() == "owned";
}

QString NextLine(QProcess& helper, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!helper.canReadLine() && clock.elapsed() < timeoutMs) helper.waitForReadyRead(100);
    return QString::fromUtf8(helper.readLine().trimmed());
}

PrivateSessionBus::~PrivateSessionBus() {
    daemon_.kill();
    daemon_.waitForFinished(3000);
}

bool PrivateSessionBus::Start(QProcessEnvironment& env) {
    daemon_.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    const QString address = NextLine(daemon_, 10000);
    if (address.isEmpty()) return false;
    env.insert("DBUS_SESSION_BUS_ADDRESS", address);
    return true;
}

XDisplay& TheDisplay() {
    static XDisplay display;
    return display;
}

VirtualKeyboard::Options WithPresetMode() {
    VirtualKeyboard::Options options;
    options.modes = "4,5,6,8,7,9,13,14,15,1,2,3,11,10,12,16,18,20,17";
    return options;
}

EndToEndTest::EndToEndTest() = default;

EndToEndTest::EndToEndTest(VirtualKeyboard::Options keyboardOptions)
    : keyboard_(std::move(keyboardOptions)) {}

void EndToEndTest::SetUp() {
    PrepareFolders();
    env_.insert("DISPLAY", TheDisplay().Name());
    env_.insert("QT_QPA_PLATFORM", "xcb");
}

void EndToEndTest::PrepareFolders() {
    QDir().mkpath(dir_.filePath("run"));
    QFile::setPermissions(dir_.filePath("run"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDir().mkpath(DocumentsPath());
    env_ = QProcessEnvironment::systemEnvironment();
    env_.insert("XDG_RUNTIME_DIR", dir_.filePath("run"));
    env_.insert("HOME", dir_.filePath("home"));
    env_.insert("XDG_DATA_HOME", dir_.filePath("home/data"));
    env_.insert("XDG_DOCUMENTS_DIR", DocumentsPath());
    env_.insert("XDG_CONFIG_HOME", dir_.filePath("home/config"));
    env_.insert("QUORVEL_VKBD_SOCKET", QString::fromStdString(keyboard_.SocketPath()));
}

void EndToEndTest::TearDown() {
    for (QProcess* process : running_) {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(3000);
        }
        delete process;
    }
    running_.clear();
}

QProcess* EndToEndTest::Launch(const QStringList& arguments) {
    auto* process = new QProcess;
    process->setProcessEnvironment(env_);
    process->start(BinFolder() + "/quorvel", arguments);
    running_.push_back(process);
    // Without an event loop here, only a wait moves the process out of "starting".
    EXPECT_TRUE(process->waitForStarted(5000)) << process->errorString().toStdString();
    return process;
}

bool EndToEndTest::StillRunning(QProcess* process) {
    return process->state() == QProcess::Running && !process->waitForFinished(0);
}

int EndToEndTest::RunToEnd(const QStringList& arguments, QString* standardError) {
    QProcess* process = Launch(arguments);
    if (!process->waitForFinished(15000)) return -1;
    if (standardError) *standardError = QString::fromUtf8(process->readAllStandardError());
    return process->exitCode();
}

bool EndToEndTest::KillRunning(QProcess* process) {
    if (RunToEnd({"/Kill"}) != 0) return false;
    return process->waitForFinished(10000);
}

QString EndToEndTest::ProgramCopy(int language, const QString& leaveOut) {
    QString folder = dir_.filePath("program");
    for (const char* sub : {"Skins", "autostart"}) {
        QDir().mkpath(folder + "/" + sub);
        for (const QString& name : QDir(BinFolder() + "/" + sub).entryList(QDir::Files)) {
            if (name != leaveOut)
                QFile::copy(BinFolder() + "/" + sub + "/" + name, folder + "/" + sub + "/" + name);
        }
    }
    QFile languageFile(folder + "/Skins/language.ini");
    languageFile.open(QIODevice::ReadWrite);
    QByteArray text = languageFile.readAll();
    text.replace("language=1", QByteArray("language=") + QByteArray::number(language));
    languageFile.resize(0);
    languageFile.write(text);
    QFile::remove(UserFolder() + "/Skins/language.ini");
    env_.insert("QUORVEL_PROGRAM_DIR", folder);
    programFolder_ = folder;
    return folder;
}

QString EndToEndTest::RunTool(const QString& program, const QStringList& arguments,
                              int timeoutMs) const {
    QProcess tool;
    tool.setProcessEnvironment(env_);
    tool.start(program, arguments);
    if (!tool.waitForFinished(timeoutMs) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0)
        return {};
    QString output = QString::fromUtf8(tool.readAllStandardOutput());
    return output.isNull() ? QString("") : output;
}

QStringList EndToEndTest::VisibleWindows(const QProcess* program) const {
    const QString found = RunTool(
        "xdotool", {"search", "--onlyvisible", "--pid", QString::number(program->processId())});
    return found.split('\n', Qt::SkipEmptyParts);
}

QString EndToEndTest::MainWindowId(const QProcess* program) const {
    const QStringList ids = VisibleWindows(program);
    return ids.isEmpty() ? QString() : ids.last();
}

bool EndToEndTest::ClickInMainWindow(const QProcess* program, int x, int y) const {
    const QString window = MainWindowId(program);
    if (window.isEmpty()) return false;
    return !RunTool("xdotool", {"mousemove", "--window", window, QString::number(x),
                                QString::number(y), "click", "1"})
                .isNull();
}

QPoint EndToEndTest::SkinControlCentre(const QString& skinKey) const {
    QFile skin(BinFolder() + "/Skins/Main.ini");
    if (!skin.open(QIODevice::ReadOnly)) return {};
    for (const QByteArray& line : skin.readAll().split('\n')) {
        if (!line.startsWith(skinKey.toUtf8() + "=")) continue;
        const QList<QByteArray> fields = line.mid(skinKey.size() + 1).trimmed().split(',');
        if (fields.size() < 4) return {};
        return QPoint(fields[0].toInt() + fields[2].toInt() / 2,
                      fields[1].toInt() + fields[3].toInt() / 2);
    }
    return {};
}

bool EndToEndTest::Screenshot(const QString& file) const {
    return !RunTool("import", {"-window", "root", file}).isNull() && QFile(file).size() > 10000;
}

QStringList EndToEndTest::ShownWindows() const {
    if (program_ == nullptr) return {};
    return RunTool("xdotool",
                   {"search", "--onlyvisible", "--pid", QString::number(program_->processId())})
        .split('\n', Qt::SkipEmptyParts);
}

QRect EndToEndTest::WindowPlace(const QString& windowId) const {
    QRect place;
    const QString shell = RunTool("xdotool", {"getwindowgeometry", "--shell", windowId});
    for (const QString& line : shell.split('\n', Qt::SkipEmptyParts)) {
        const int value = line.section('=', 1).toInt();
        if (line.startsWith("X=")) place.moveLeft(value);
        if (line.startsWith("Y=")) place.moveTop(value);
        if (line.startsWith("WIDTH=")) place.setWidth(value);
        if (line.startsWith("HEIGHT=")) place.setHeight(value);
    }
    return place;
}

QRect EndToEndTest::ShownArea() const {
    QRect area;
    for (const QString& id : ShownWindows()) area |= WindowPlace(id);
    return area;
}

bool EndToEndTest::ParkPointer() const {
    const bool moved = !RunTool("xdotool", {"mousemove", "1279", "1023"}).isNull();
    QThread::msleep(150);
    return moved;
}

bool EndToEndTest::ScreenshotOf(const QRect& area, const QString& file) const {
    if (area.isEmpty()) return false;
    const QString crop =
        QString("%1x%2+%3+%4").arg(area.width()).arg(area.height()).arg(area.x()).arg(area.y());
    return !RunTool("import", {"-window", "root", "-crop", crop, "+repage", "-strip", file})
                .isNull() &&
           QFile(file).size() > 0;
}

QProcess* EndToEndTest::OpenProgram(int language) {
    if (programFolder_.isEmpty()) ProgramCopy(language);
    program_ = Launch({"--virtual"});
    EXPECT_TRUE(WaitForWindow(program_, true));
    QThread::msleep(1500);
    return program_;
}

bool EndToEndTest::WaitForWindow(const QProcess* program, bool shown, int timeoutMs) const {
    return WaitUntil([&] { return MainWindowId(program).isEmpty() != shown; }, timeoutMs);
}

QRect EndToEndTest::SkinPlace(const QString& skinFile, const QString& key) const {
    IniFile skin((programFolder_ + "/Skins/" + skinFile).toStdString());
    const QStringList parts =
        QString::fromStdString(skin.ReadString("BUTTONINFO", key.toStdString(), "1,1,1,1"))
            .split(',');
    if (parts.size() < 4) return {1, 1, 1, 1};
    return {parts[0].toInt(), parts[1].toInt(), parts[2].toInt(), parts[3].toInt()};
}

bool EndToEndTest::ClickAt(QPoint at, int settleMs) {
    const bool clicked = program_ != nullptr && ClickInMainWindow(program_, at.x(), at.y());
    QThread::msleep(settleMs);
    return clicked;
}

bool EndToEndTest::ClickControl(const QString& key, int settleMs) {
    return ClickAt(SkinPlace("Main.ini", key).center(), settleMs);
}

bool EndToEndTest::ClickInTopWindow(const QString& skinFile, const QString& key, int settleMs) {
    const QStringList shown = ShownWindows();
    if (shown.isEmpty()) return false;
    const QPoint at = SkinPlace(skinFile, key).center();
    const bool clicked =
        !RunTool("xdotool", {"mousemove", "--window", shown.last(), QString::number(at.x()),
                             QString::number(at.y()), "click", "1"})
             .isNull();
    QThread::msleep(settleMs);
    return clicked;
}

bool EndToEndTest::TypeKeys(const QStringList& keys, int delayMs) {
    const bool typed =
        !RunTool("xdotool", QStringList{"key", "--delay", QString::number(delayMs)} + keys)
             .isNull();
    QThread::msleep(400);
    return typed;
}

bool EndToEndTest::ChooseModeRowFromEnd(int fromEnd) {
    if (!ClickControl("CONTROL_XGcombox")) return false;
    QStringList keys{"End"};
    for (int i = 0; i < fromEnd; ++i) keys << "Up";
    keys << "Return";
    const bool typed = TypeKeys(keys);
    QThread::msleep(100);
    return typed;
}

QByteArray EndToEndTest::DumpArea(const QString& key) const {
    return QByteArray::fromHex(
        QByteArray::fromStdString(DumpField(keyboard_.Run({"dump"}), key.toStdString())));
}

QString EndToEndTest::DumpHex(const QString& key, int offset, int count) const {
    return QString::fromStdString(testing::DumpHex(
        keyboard_, key.toStdString(), static_cast<size_t>(offset), static_cast<size_t>(count)));
}

bool EndToEndTest::WaitUntil(const std::function<bool()>& check, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!check()) {
        if (clock.elapsed() > timeoutMs) return false;
        QThread::msleep(50);
    }
    return true;
}

void EndToEndTest::Shot(const QString& folder, const QString& name) const {
    QDir().mkpath(folder);
    EXPECT_TRUE(Screenshot(folder + "/" + name + ".png")) << name.toStdString();
}

void EndToEndTest::InBothLanguages(int paintMs, const std::function<void(QProcess*, int)>& shoot,
                                   const std::function<void(const QString&)>& prepare) {
    for (int language : {1, 0}) {
        const QString folder = ProgramCopy(language);
        if (prepare) prepare(folder);
        QProcess* program = Launch({"--virtual"});
        program_ = program;
        ASSERT_TRUE(WaitForWindow(program, true));
        QThread::msleep(paintMs);
        shoot(program, language);
        if (HasFatalFailure()) return;
        EXPECT_TRUE(KillRunning(program));
        QDir(dir_.filePath("program")).removeRecursively();
    }
}

}  // namespace quorvel::testing
