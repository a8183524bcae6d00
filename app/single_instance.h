#pragma once
// One running copy per user. The instance lock stands for the named mutex and a local socket
// beside it for the running copy's main window: a later copy sends it {message, tag} and waits
// until the running copy has handled the message. Both sit in the user's private runtime
// folder, and each end hangs up on a peer running as another user.
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;

namespace quorvel {

inline constexpr const char* INSTANCE_NAME = "Quorvel_Mutex_09A";
// Request: message and tag, 32 bits each, little-endian. Reply: one 32-bit word once handled.
inline constexpr int INSTANCE_REQUEST_SIZE = 8;
inline constexpr int INSTANCE_REPLY_SIZE = 4;

class SingleInstance : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(uint32_t message, uint32_t tag)>;

    // channelPath is the socket; the lock file sits beside it with ".lock" appended.
    explicit SingleInstance(QString channelPath = DefaultChannelPath(nullptr));
    ~SingleInstance() override;

    // "Quorvel_Mutex_09A" in PrivateRuntimeFolder(); empty with the reason in error when the
    // user has no such folder.
    static QString DefaultChannelPath(QString* error = nullptr);
    const QString& ChannelPath() const { return channelPath_; }

    // True when this process is now the running copy. The lock of a copy that died went with
    // it. Never true without a channel path.
    bool Acquire();
    bool Acquired() const { return acquired_; }

    // Starts taking messages from later copies; the handler runs on this object's thread
    // before the sender is answered.
    bool Listen(Handler handler, QString* error);

    // Delivers a message to the running copy and waits until it has been handled; false when
    // no copy answered within timeoutMs (one still starting up is given that long to listen).
    bool SendToRunning(uint32_t message, uint32_t tag, int timeoutMs) const;

    // Stops listening and releases the lock, so a new copy may start.
    void Release();

private:
    void OnConnection();
    void OnReadable(QLocalSocket* socket);

    QString channelPath_;
    int lockFd_ = -1;
    bool acquired_ = false;
    std::unique_ptr<QLocalServer> server_;
    Handler handler_;
};

}  // namespace quorvel
