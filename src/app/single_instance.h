// One running copy per user. The first copy listens on a per-user local
// socket; a later copy connects, hands over its file names and waits until
// the first copy has searched them all. A socket left behind by a copy that
// died is removed, and a lock file keeps two copies started at the same
// moment from both becoming the first.
#pragma once

#include <QHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <memory>

#include "app/handoff_message.h"

namespace vorel::app {

// VOREL_INSTANCE_NAME when set (tests run a private copy under it); otherwise
// "VorelInstance-<user id>", inside $XDG_RUNTIME_DIR when there is one.
QString InstanceServerName();

class CInstanceServer : public QObject {
    Q_OBJECT
  public:
    explicit CInstanceServer(QObject* parent = nullptr);
    ~CInstanceServer() override;

    // Removes a stale socket of that name, then listens (owner-only access).
    bool Listen(const QString& name);
    QString FullServerName() const { return server_.fullServerName(); }

    // Tells the copy that sent a hand-off that its names have all been searched.
    static void Acknowledge(const QPointer<QLocalSocket>& sender);

  signals:
    // A whole hand-off; `sender` is null once that copy has gone away.
    void handOffReceived(const QStringList& files, const QPointer<QLocalSocket>& sender);

  private:
    void OnNewConnection();
    void OnReadyRead(QLocalSocket* socket);

    QLocalServer server_;
    QHash<QLocalSocket*, HandOffDecoder> decoders_;
};

enum class InstanceRole { First, Second };

struct InstanceClaim {
    InstanceRole role = InstanceRole::First;
    // First copy: listening, or null when the socket could not be made (the
    // program then simply runs without the hand-off).
    std::unique_ptr<CInstanceServer> server;
    // Second copy: connected to the first.
    std::unique_ptr<QLocalSocket> peer;
};

InstanceClaim ClaimInstance(const QString& name);

// Second copy: sends the names and waits, for as long as the first copy
// lives, until it has searched them. False with `error` set otherwise.
bool HandOffToFirstCopy(QLocalSocket& peer, const QStringList& files, QString* error);

}  // namespace vorel::app
