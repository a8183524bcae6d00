#include "app/session_watch.h"

#include <unistd.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace quorvel {
namespace {

const char* const LOGIN_SERVICE = "org.freedesktop.login1";
const char* const LOGIN_PATH = "/org/freedesktop/login1";
const char* const LOGIN_MANAGER = "org.freedesktop.login1.Manager";
const char* const LOGIN_SESSION = "org.freedesktop.login1.Session";

}  // namespace

void SessionAwayState::OnSessionChange(int code) {
    switch (code) {
        case SESSION_CONSOLE_DISCONNECT:
        case SESSION_LOCK:
            reason_ = code == SESSION_LOCK ? SESSION_UNLOCK : SESSION_CONSOLE_CONNECT;
            away_ = true;
            break;
        case SESSION_CONSOLE_CONNECT:
            if (away_ && reason_ == SESSION_CONSOLE_CONNECT) away_ = false;
            break;
        case SESSION_UNLOCK:
            if (away_ && reason_ == SESSION_UNLOCK) away_ = false;
            break;
        default:
            break;
    }
}

SessionWatcher::SessionWatcher(SessionAwayState& state, QObject* parent)
    : QObject(parent), state_(state) {}

bool SessionWatcher::Register() {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) return false;
    // Asked without waiting: a system bus that does not answer must not hold up the start.
    QDBusMessage request =
        QDBusMessage::createMethodCall(LOGIN_SERVICE, LOGIN_PATH, LOGIN_MANAGER, "GetSessionByPID");
    request << static_cast<uint32_t>(getpid());
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(request), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                const QDBusPendingReply<QDBusObjectPath> session = *call;
                if (session.isError()) return;
                const QString path = session.value().path();
                QDBusConnection bus = QDBusConnection::systemBus();
                bus.connect(LOGIN_SERVICE, path, LOGIN_SESSION, "Lock", this, SLOT(OnLock()));
                bus.connect(LOGIN_SERVICE, path, LOGIN_SESSION, "Unlock", this, SLOT(OnUnlock()));
            });
    return true;
}

void SessionWatcher::OnLock() {
    state_.OnSessionChange(SESSION_LOCK);
}

void SessionWatcher::OnUnlock() {
    state_.OnSessionChange(SESSION_UNLOCK);
}

}  // namespace quorvel
