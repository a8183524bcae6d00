#pragma once
// Whether the user's session is away (screen locked or console disconnected). The program only
// keeps the flag; the reason remembered decides which return clears it.
#include <QObject>
#include <cstdint>

namespace quorvel {

// Session change codes, numbered as the session notices have always been.
enum SessionChange : int {
    SESSION_CONSOLE_CONNECT = 1,
    SESSION_CONSOLE_DISCONNECT = 2,
    SESSION_LOCK = 7,
    SESSION_UNLOCK = 8,
};

class SessionAwayState {
public:
    void OnSessionChange(int code);
    bool Away() const { return away_; }
    // 1 after a disconnect, 8 after a lock.
    int Reason() const { return reason_; }

private:
    bool away_ = false;
    int reason_ = SESSION_UNLOCK;
};

// Listens for logind's Lock and Unlock signals of this process's session on the system bus.
// Without a system bus or logind it stays silent.
class SessionWatcher : public QObject {
    Q_OBJECT
public:
    explicit SessionWatcher(SessionAwayState& state, QObject* parent = nullptr);
    // False without a system bus. The session is looked up without waiting for the answer.
    bool Register();

private slots:
    void OnLock();
    void OnUnlock();

private:
    SessionAwayState& state_;
};

}  // namespace quorvel
