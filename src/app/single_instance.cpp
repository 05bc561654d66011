#include "app/single_instance.h"

#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

namespace vorel::app {
namespace {

constexpr int kConnectTimeoutMs = 2000;
constexpr int kClaimLockTimeoutMs = 5000;

QString LockPathFor(const QString& name) {
    if (QFileInfo(name).isAbsolute()) return name + QStringLiteral(".lock");
    return QDir(QDir::tempPath()).filePath(name + QStringLiteral(".lock"));
}

}  // namespace

QString InstanceServerName() {
    const QString overridden = qEnvironmentVariable("VOREL_INSTANCE_NAME");
    if (!overridden.isEmpty()) return overridden;
    const QString name = QStringLiteral("VorelInstance-%1").arg(static_cast<qulonglong>(::getuid()));
    // The user's own runtime folder: $XDG_RUNTIME_DIR, or else a folder Qt makes
    // for this user alone, so no other user can put a socket of that name first.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) return QDir(runtime).filePath(name);
    return name;
}

CInstanceServer::CInstanceServer(QObject* parent) : QObject(parent) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &CInstanceServer::OnNewConnection);
}

CInstanceServer::~CInstanceServer() {
    server_.close();
}

bool CInstanceServer::Listen(const QString& name) {
    if (server_.listen(name)) return true;
    // A copy that died leaves its socket file behind; nobody answers on it.
    QLocalServer::removeServer(name);
    return server_.listen(name);
}

void CInstanceServer::OnNewConnection() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        decoders_.insert(socket, HandOffDecoder());
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            decoders_.remove(socket);
            socket->deleteLater();
        });
        if (socket->bytesAvailable() > 0) OnReadyRead(socket);
    }
}

void CInstanceServer::OnReadyRead(QLocalSocket* socket) {
    auto it = decoders_.find(socket);
    if (it == decoders_.end()) return;
    it->Append(socket->readAll());
    for (;;) {
        QStringList files;
        switch (it->Take(files)) {
            case HandOffDecoder::Status::NeedMore:
                return;
            case HandOffDecoder::Status::Invalid:
                decoders_.remove(socket);
                socket->abort();
                return;
            case HandOffDecoder::Status::Message:
                emit handOffReceived(files, QPointer<QLocalSocket>(socket));
                // The handler may have run a search that pumped events; look the decoder up again.
                it = decoders_.find(socket);
                if (it == decoders_.end()) return;
                break;
        }
    }
}

void CInstanceServer::Acknowledge(const QPointer<QLocalSocket>& sender) {
    if (!sender || sender->state() != QLocalSocket::ConnectedState) return;
    sender->write(&kHandOffAck, 1);
    sender->flush();
    sender->disconnectFromServer();
}

InstanceClaim ClaimInstance(const QString& name) {
    InstanceClaim claim;
    // Between "nobody answers" and "now I listen" another copy must not slip in.
    QLockFile lock(LockPathFor(name));
    lock.setStaleLockTime(10000);
    const bool locked = lock.tryLock(kClaimLockTimeoutMs);

    auto peer = std::make_unique<QLocalSocket>();
    peer->connectToServer(name);
    if (peer->waitForConnected(kConnectTimeoutMs)) {
        claim.role = InstanceRole::Second;
        claim.peer = std::move(peer);
        return claim;
    }
    claim.role = InstanceRole::First;
    auto server = std::make_unique<CInstanceServer>();
    if (server->Listen(name)) claim.server = std::move(server);
    if (locked) lock.unlock();
    return claim;
}

bool HandOffToFirstCopy(QLocalSocket& peer, const QStringList& files, QString* error) {
    const QByteArray message = EncodeHandOff(files);
    if (message.isEmpty()) {
        if (error) *error = QStringLiteral("the file names are too long to hand over");
        return false;
    }
    peer.write(message);
    while (peer.bytesToWrite() > 0) {
        if (!peer.waitForBytesWritten(-1)) {
            if (error) *error = peer.errorString();
            return false;
        }
    }
    // No time limit: the first copy answers only after every search has ended.
    for (;;) {
        if (peer.bytesAvailable() > 0) {
            char answer = 0;
            if (peer.read(&answer, 1) == 1 && answer == kHandOffAck) return true;
            if (error) *error = QStringLiteral("unexpected answer from the running copy");
            return false;
        }
        if (peer.state() != QLocalSocket::ConnectedState || !peer.waitForReadyRead(-1)) {
            if (peer.bytesAvailable() > 0) continue;
            if (error) *error = QStringLiteral("the running copy closed the connection");
            return false;
        }
    }
}

}  // namespace vorel::app
