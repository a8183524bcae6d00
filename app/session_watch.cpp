#include "app/session_watch.h"

#include <unistd.h>

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusObjectPath>
#include <QDBusReply>

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
    QDBusInterface manager(LOGIN_SERVICE, LOGIN_PATH, LOGIN_MANAGER, bus);
    if (!manager.isValid()) return false;
    QDBusReply<QDBusObjectPath> session =
        manager.call("GetSessionByPID", static_cast<uint32_t>(getpid()));
    if (!session.isValid()) return false;
    QString path = session.value().path();
    bool locked = bus.connect(LOGIN_SERVICE, path, LOGIN_SESSION, "Lock", this, SLOT(OnLock()));
    bool unlocked =
        bus.connect(LOGIN_SERVICE, path, LOGIN_SESSION, "Unlock", this, SLOT(OnUnlock()));
    return locked && unlocked;
}

void SessionWatcher::OnLock() {
    state_.OnSessionChange(SESSION_LOCK);
}

void SessionWatcher::OnUnlock() {
    state_.OnSessionChange(SESSION_UNLOCK);
}

}  // namespace quorvel
