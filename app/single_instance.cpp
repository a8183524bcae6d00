#include "app/single_instance.h"

#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <array>

#include "base/byte_order.h"

namespace quorvel {
namespace {

constexpr int CONNECT_RETRY_MS = 50;

}  // namespace

SingleInstance::SingleInstance(QString channelPath)
    : channelPath_(std::move(channelPath)), lock_(channelPath_ + ".lock") {
    // Only a dead owner makes the lock stale, never its age: the program runs for days.
    lock_.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() {
    Release();
}

QString SingleInstance::DefaultChannelPath() {
    QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtimeDir.isEmpty() || !QDir(runtimeDir).exists()) {
        return QDir::tempPath() + QStringLiteral("/%1-%2").arg(INSTANCE_NAME).arg(getuid());
    }
    return runtimeDir + "/" + INSTANCE_NAME;
}

bool SingleInstance::Acquire() {
    if (!acquired_) acquired_ = lock_.tryLock(0);
    return acquired_;
}

bool SingleInstance::Listen(Handler handler, QString* error) {
    handler_ = std::move(handler);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // Holding the lock, any socket file left behind belongs to a copy that has died.
    QLocalServer::removeServer(channelPath_);
    if (!server_->listen(channelPath_)) {
        if (error) *error = server_->errorString();
        server_.reset();
        return false;
    }
    connect(server_.get(), &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
    return true;
}

void SingleInstance::OnConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        // Kept apart from the server, which may be closed by the message it brings.
        socket->setParent(this);
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnReadable(socket); });
        if (socket->bytesAvailable() >= INSTANCE_REQUEST_SIZE) OnReadable(socket);
    }
}

void SingleInstance::OnReadable(QLocalSocket* socket) {
    if (socket->bytesAvailable() < INSTANCE_REQUEST_SIZE) return;
    std::array<uint8_t, INSTANCE_REQUEST_SIZE> request{};
    socket->read(reinterpret_cast<char*>(request.data()), request.size());
    // The sender must not be answered before the message has been handled.
    if (handler_) handler_(ReadLe32(&request[0]), ReadLe32(&request[4]));
    std::array<uint8_t, INSTANCE_REPLY_SIZE> reply{};
    WriteLe32(reply.data(), 0);
    socket->write(reinterpret_cast<const char*>(reply.data()), reply.size());
    socket->waitForBytesWritten(1000);
    socket->disconnectFromServer();
}

bool SingleInstance::SendToRunning(uint32_t message, uint32_t tag, int timeoutMs) const {
    QElapsedTimer clock;
    clock.start();
    QLocalSocket socket;
    for (;;) {
        socket.connectToServer(channelPath_);
        if (socket.waitForConnected(CONNECT_RETRY_MS)) break;
        if (clock.elapsed() >= timeoutMs) return false;
        QThread::msleep(CONNECT_RETRY_MS);
    }
    std::array<uint8_t, INSTANCE_REQUEST_SIZE> request{};
    WriteLe32(&request[0], message);
    WriteLe32(&request[4], tag);
    socket.write(reinterpret_cast<const char*>(request.data()), request.size());
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
    while (socket.bytesAvailable() < INSTANCE_REPLY_SIZE) {
        int left = timeoutMs - static_cast<int>(clock.elapsed());
        if (left <= 0 || !socket.waitForReadyRead(left)) return false;
    }
    return true;
}

void SingleInstance::Release() {
    // Closed, not deleted: Release may run inside the server's own signal.
    if (server_) server_->close();
    if (acquired_) {
        lock_.unlock();
        acquired_ = false;
    }
}

}  // namespace quorvel
