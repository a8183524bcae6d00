#include "app/single_instance.h"

#include <unistd.h>

#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <array>

#include "base/byte_order.h"
#include "base/private_runtime.h"

namespace quorvel {
namespace {

constexpr int CONNECT_RETRY_MS = 50;

}  // namespace

SingleInstance::SingleInstance(QString channelPath) : channelPath_(std::move(channelPath)) {}

SingleInstance::~SingleInstance() {
    Release();
}

QString SingleInstance::DefaultChannelPath(QString* error) {
    std::string reason;
    const std::string folder = PrivateRuntimeFolder(&reason);
    if (folder.empty()) {
        if (error) *error = QString::fromStdString(reason);
        return {};
    }
    return QString::fromStdString(folder) + "/" + INSTANCE_NAME;
}

bool SingleInstance::Acquire() {
    if (!acquired_ && !channelPath_.isEmpty()) {
        lockFd_ = TakeLockFile((channelPath_ + ".lock").toStdString(), false);
        acquired_ = lockFd_ >= 0;
    }
    return acquired_;
}

bool SingleInstance::Listen(Handler handler, QString* error) {
    handler_ = std::move(handler);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // Holding the lock, a socket left behind belongs to a copy that has died.
    std::string notRemoved;
    if (!RemoveStaleSocket(channelPath_.toStdString(), &notRemoved)) {
        if (error) *error = QString::fromStdString(notRemoved);
        server_.reset();
        return false;
    }
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
        if (!PeerIsThisUser(static_cast<int>(socket->socketDescriptor()))) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
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
    // Whoever listens as another user is not our running copy.
    if (!PeerIsThisUser(static_cast<int>(socket.socketDescriptor()))) return false;
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
        close(lockFd_);
        lockFd_ = -1;
        acquired_ = false;
    }
}

}  // namespace quorvel
