// One running copy per user: the first copy listens on a local socket; a
// later copy that reaches it asks it to come to the front and then ends.
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace ndr {

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  explicit SingleInstance(const QString& name, QObject* parent = nullptr);
  ~SingleInstance() override;

  // The name for this user: the same for every copy the user starts, another
  // for every other user.
  static QString UserInstanceName();

  // True when a running copy took the request to come to the front; this
  // copy should then end without showing anything.
  bool ActivatePrevInstance();
  // Makes this copy the one that later copies find. False if it cannot.
  bool Listen();

 signals:
  void activationRequested();

 private:
  void OnNewConnection();

  QString name_;
  QLocalServer* server_ = nullptr;
};

}  // namespace ndr
