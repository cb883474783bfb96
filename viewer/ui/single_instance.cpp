#include "single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

namespace ndr {
namespace {

constexpr int kConnectTimeoutMs = 1000;
const QByteArray kActivate = "activate\n";

}  // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent)
    : QObject(parent), name_(name) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::UserInstanceName() {
  // The home folder tells users apart on every platform without reading the
  // environment ourselves.
  const QByteArray home = QDir::homePath().toUtf8();
  const QByteArray hash = QCryptographicHash::hash(home, QCryptographicHash::Sha256).toHex();
  return "ndr_Desk-" + QString::fromLatin1(hash.left(16));
}

bool SingleInstance::ActivatePrevInstance() {
  QLocalSocket socket;
  socket.connectToServer(name_);
  if (!socket.waitForConnected(kConnectTimeoutMs))
    return false;
  socket.write(kActivate);
  const bool sent = socket.waitForBytesWritten(kConnectTimeoutMs);
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState)
    socket.waitForDisconnected(kConnectTimeoutMs);
  return sent;
}

bool SingleInstance::Listen() {
  if (server_ == nullptr) {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::OnNewConnection);
  }
  if (server_->listen(name_))
    return true;
  // A copy that crashed leaves its socket file behind on POSIX; nobody
  // answered on it (ActivatePrevInstance came first), so it can go.
  if (server_->serverError() == QAbstractSocket::AddressInUseError) {
    QLocalServer::removeServer(name_);
    return server_->listen(name_);
  }
  return false;
}

void SingleInstance::OnNewConnection() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      // Only a whole request counts; a probe that sends nothing is ignored.
      if (socket->bytesAvailable() < kActivate.size())
        return;
      if (socket->read(kActivate.size()) == kActivate)
        emit activationRequested();
      socket->disconnectFromServer();
    });
  }
}

}  // namespace ndr
