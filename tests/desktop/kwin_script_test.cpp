// The KWin source against a private session bus with a stand-in for KWin's scripting service,
// and the script itself run by node against stand-ins of both KWin scripting interfaces.
#include "desktop/kwin_script.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMutex>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include "desktop/active_window_factory.h"

namespace quorvel::desktop {
namespace {

// KWin's /Scripting object. It lives on a thread of its own, as KWin is a process of its own:
// the source's calls block until answered.
class FakeScripting : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.kwin.Scripting")
public:
    QStringList Calls() const {
        QMutexLocker lock(&mutex_);
        return calls_;
    }
    QString LoadedText() const {
        QMutexLocker lock(&mutex_);
        return loadedText_;
    }
    void SetLoadAnswer(int answer) {
        QMutexLocker lock(&mutex_);
        loadAnswer_ = answer;
    }

public slots:
    int loadScript(const QString& path, const QString& plugin) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        QMutexLocker lock(&mutex_);
        calls_.append(QStringLiteral("loadScript ") + plugin);
        loadedText_ = QString::fromUtf8(file.readAll());
        return loadAnswer_;
    }
    // The script reports the window in front as soon as it runs, while the program still
    // waits for this answer.
    void start() {
        QDBusMessage report = QDBusMessage::createMethodCall(
            message().service(), KWinScriptSource::OBJECT_PATH, KWinScriptSource::INTERFACE,
            QStringLiteral("Activated"));
        report << QStringLiteral("{w0}") << QStringLiteral("konsole") << QStringLiteral("0");
        connection().call(report, QDBus::NoBlock);
        QMutexLocker lock(&mutex_);
        calls_.append(QStringLiteral("start"));
    }
    bool unloadScript(const QString& plugin) {
        QMutexLocker lock(&mutex_);
        calls_.append(QStringLiteral("unloadScript ") + plugin);
        return true;
    }

private:
    mutable QMutex mutex_;
    QStringList calls_;
    QString loadedText_;
    int loadAnswer_ = 0;
};

// A session bus of the test's own, so nothing reaches or comes from the user's desktop.
class PrivateBus {
public:
    PrivateBus() {
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"),
                       QStringLiteral("--print-address=1")});
        if (daemon_.waitForReadyRead(10000)) {
            address_ = QString::fromUtf8(daemon_.readLine().trimmed());
        }
    }
    ~PrivateBus() {
        daemon_.kill();
        daemon_.waitForFinished();
    }
    QString Address() const { return address_; }

private:
    QProcess daemon_;
    QString address_;
};

class KWinScriptTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(bus_.Address().isEmpty()) << "dbus-daemon did not start";
        connection_ = QDBusConnection::connectToBus(bus_.Address(), QStringLiteral("program"));
        ASSERT_TRUE(connection_.isConnected());
        kwinThread_.start();
    }
    void TearDown() override {
        if (scripting_ != nullptr) {
            QMetaObject::invokeMethod(
                scripting_,
                [this] {
                    QDBusConnection::disconnectFromBus(QStringLiteral("kwin"));
                    delete scripting_;
                },
                Qt::BlockingQueuedConnection);
        }
        kwinThread_.quit();
        kwinThread_.wait();
        QDBusConnection::disconnectFromBus(QStringLiteral("program"));
        QDBusConnection::disconnectFromBus(QStringLiteral("intruder"));
    }

    // KWin comes onto the bus.
    void StartKWin(int loadAnswer = 0) {
        scripting_ = new FakeScripting;
        scripting_->SetLoadAnswer(loadAnswer);
        scripting_->moveToThread(&kwinThread_);
        QMetaObject::invokeMethod(
            scripting_,
            [this] {
                QDBusConnection kwin =
                    QDBusConnection::connectToBus(bus_.Address(), QStringLiteral("kwin"));
                kwin.registerObject(QStringLiteral("/Scripting"), scripting_,
                                    QDBusConnection::ExportAllSlots);
                kwin.registerService(QStringLiteral("org.kde.KWin"));
            },
            Qt::BlockingQueuedConnection);
    }

    // A call into the program as the script makes it, from KWin's connection or another one.
    void Report(const QString& connectionName, const QString& method, const QStringList& args) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(connection_.baseService(), KWinScriptSource::OBJECT_PATH,
                                           KWinScriptSource::INTERFACE, method);
        for (const QString& arg : args) call << arg;
        QDBusConnection::connectToBus(bus_.Address(), connectionName).call(call, QDBus::NoBlock);
    }

    std::unique_ptr<KWinScriptSource> Load() {
        return KWinScriptSource::Load(connection_, folder_.path());
    }
    QString ScriptPath() const {
        return folder_.filePath(QStringLiteral("quorvel-active-window.js"));
    }

    PrivateBus bus_;
    QDBusConnection connection_{QString()};
    QThread kwinThread_;
    FakeScripting* scripting_ = nullptr;
    QTemporaryDir folder_;
};

TEST_F(KWinScriptTest, LoadsTheScriptFollowsOnlyKWinsReportsAndUnloadsAtTheEnd) {
    StartKWin();
    auto source = Load();
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->Support(), WindowSupport::KWin);
    EXPECT_EQ(
        scripting_->Calls(),
        QStringList({QStringLiteral("unloadScript quorvel-active-window"),
                     QStringLiteral("loadScript quorvel-active-window"), QStringLiteral("start")}));
    EXPECT_EQ(scripting_->LoadedText(), KWinScriptSource::ScriptText(connection_.baseService()));

    QSignalSpy spy(source.get(), &ActiveWindowSource::ActiveWindowChanged);
    const QString ownPid = QString::number(QCoreApplication::applicationPid());
    Report(QStringLiteral("kwin"), QStringLiteral("Added"),
           {QStringLiteral("{w1}"), QStringLiteral("firefox"), ownPid});
    Report(QStringLiteral("kwin"), QStringLiteral("Added"),
           {QStringLiteral("{w2}"), QStringLiteral("foot"), QStringLiteral("0")});
    Report(QStringLiteral("kwin"), QStringLiteral("Removed"), {QStringLiteral("{w2}")});
    // Another program on the bus cannot pose as KWin.
    Report(QStringLiteral("intruder"), QStringLiteral("Activated"),
           {QStringLiteral("{w9}"), QStringLiteral("spoof"), QStringLiteral("1")});
    Report(QStringLiteral("intruder"), QStringLiteral("Added"),
           {QStringLiteral("{w9}"), QStringLiteral("spoof"), QStringLiteral("1")});
    Report(QStringLiteral("kwin"), QStringLiteral("Activated"),
           {QStringLiteral("{w1}"), QStringLiteral("firefox"), ownPid});
    ASSERT_TRUE(QTest::qWaitFor([&] { return spy.size() >= 2; }, 5000));
    QTest::qWait(100);
    ASSERT_EQ(spy.size(), 2);
    // The report made while loading reaches whoever connected once the source was made.
    EXPECT_EQ(spy.first().at(0).value<WindowInfo>().appId, QStringLiteral("konsole"));
    const auto window = spy.last().at(0).value<WindowInfo>();
    EXPECT_EQ(window.id, QStringLiteral("{w1}"));
    EXPECT_EQ(window.appId, QStringLiteral("firefox"));
    EXPECT_EQ(window.executable, QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    const QList<WindowInfo> open = source->OpenWindows();
    ASSERT_EQ(open.size(), 1);
    EXPECT_EQ(open.first().appId, QStringLiteral("firefox"));

    source.reset();
    EXPECT_EQ(scripting_->Calls().last(), QStringLiteral("unloadScript quorvel-active-window"));
    EXPECT_FALSE(QFile::exists(ScriptPath()));
}

TEST_F(KWinScriptTest, NoSourceWithoutKWinOrWhenKWinRefusesTheScript) {
    EXPECT_EQ(Load(), nullptr);
    StartKWin(-1);
    EXPECT_EQ(Load(), nullptr);
    // The refused attempt leaves neither its file nor its object behind.
    EXPECT_FALSE(QFile::exists(ScriptPath()));
    scripting_->SetLoadAnswer(3);
    EXPECT_NE(Load(), nullptr);
}

TEST_F(KWinScriptTest, TheSessionChoosesKWinWhereItRunsAndSaysSoWhereNothingDoes) {
    // A Wayland session whose compositor has no toplevel list, on the private bus.
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus_.Address().toUtf8());
    qputenv("WAYLAND_DISPLAY", folder_.filePath(QStringLiteral("wayland-0")).toUtf8());
    qputenv("XDG_RUNTIME_DIR", folder_.path().toUtf8());
    auto chosen = CreateActiveWindowSource();
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(chosen->Support(), WindowSupport::None);
    EXPECT_TRUE(chosen->OpenWindows().isEmpty());

    StartKWin();
    chosen = CreateActiveWindowSource();
    qunsetenv("WAYLAND_DISPLAY");
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(chosen->Support(), WindowSupport::KWin);
    EXPECT_TRUE(QFile::exists(ScriptPath()));
}

// KWin's scripting interface in both its forms: Plasma 6 ("window", text) and Plasma 5
// ("client", the resource class as bytes). Each fires: a panel, then nothing, then a new window
// activated, then the first one closed.
constexpr const char* KWIN_STAND_IN = R"JS(
const calls = [];
function callDBus(...args) { calls.push(args.slice(3)); }
function signal() {
    const handlers = [];
    return { connect: f => handlers.push(f), fire: w => handlers.forEach(h => h(w)) };
}
const bytes = s => new TextEncoder().encode(s).buffer;
const plasma6 = process.argv[2] === "6";
const name = s => plasma6 ? s : bytes(s);
const first = { internalId: "{1}", resourceClass: name("firefox"), pid: 42, specialWindow: false };
const panel = { internalId: "{2}", resourceClass: name("plasmashell"), pid: 7, specialWindow: true };
const later = { internalId: "{3}", resourceClass: name("foot"), pid: 9, specialWindow: false };
const signals = { activated: signal(), added: signal(), removed: signal() };
var workspace = plasma6
    ? { windowActivated: signals.activated, windowAdded: signals.added,
        windowRemoved: signals.removed, windowList: () => [first, panel], activeWindow: first }
    : { clientActivated: signals.activated, clientAdded: signals.added,
        clientRemoved: signals.removed, clientList: () => [first, panel], activeClient: first };
)JS";

constexpr const char* KWIN_EVENTS = R"JS(
signals.activated.fire(panel);
signals.activated.fire(null);
signals.added.fire(later);
signals.activated.fire(later);
signals.removed.fire(first);
console.log(JSON.stringify(calls));
)JS";

TEST(KWinScriptText, ReportsWindowsOnBothPlasmaVersions) {
    const QString node = QStandardPaths::findExecutable(QStringLiteral("node"));
    if (node.isEmpty()) GTEST_SKIP() << "node (Debian package nodejs) runs the script";
    const QString script = KWinScriptSource::ScriptText(QStringLiteral(":1.42"));
    EXPECT_TRUE(script.contains(QStringLiteral("\":1.42\"")));
    EXPECT_TRUE(script.contains(QStringLiteral("\"/org/quorvel/ActiveWindow\"")));
    EXPECT_TRUE(script.contains(QStringLiteral("\"org.quorvel.ActiveWindow\"")));

    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("kwin.js")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(KWIN_STAND_IN) + script.toUtf8() + KWIN_EVENTS);
    file.close();
    const QJsonArray expected = QJsonDocument::fromJson(R"([
        ["Added", "{1}", "firefox", "42"],
        ["Activated", "{1}", "firefox", "42"],
        ["Added", "{3}", "foot", "9"],
        ["Activated", "{3}", "foot", "9"],
        ["Removed", "{1}"]])")
                                    .array();
    for (const char* version : {"6", "5"}) {
        QProcess run;
        run.start(node, {file.fileName(), QString::fromUtf8(version)});
        ASSERT_TRUE(run.waitForFinished(30000));
        EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
        EXPECT_EQ(QJsonDocument::fromJson(run.readAllStandardOutput()).toJson(),
                  QJsonDocument(expected).toJson())
            << "Plasma " << version;
    }
}

}  // namespace
}  // namespace quorvel::desktop

#include "kwin_script_test.moc"
