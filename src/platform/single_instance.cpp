#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QStandardPaths>

namespace corvalin {
namespace {

const QString kObjectPath = QStringLiteral("/app/corvalin/Corvalin");

QString defaultLockPath() {
  QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (dir.isEmpty()) dir = QDir::tempPath();
  return dir + QStringLiteral("/corvalin-%1.lock").arg(getuid());
}

}  // namespace

SingleInstance::SingleInstance(QString busName, QString lockPath)
    : busName_(std::move(busName)),
      lockPath_(lockPath.isEmpty() ? defaultLockPath() : std::move(lockPath)) {}

SingleInstance::~SingleInstance() {
  soltar();
}

bool SingleInstance::adquirir() {
  if (lockFd_ >= 0) return true;
  const QByteArray path = QFile::encodeName(lockPath_);
  int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    // Without a place for the lock, the bus name alone decides.
    fd = -2;
  } else if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  lockFd_ = fd;

  QDBusConnection bus = QDBusConnection::sessionBus();
  if (bus.isConnected()) {
    bus.registerObject(kObjectPath, this, QDBusConnection::ExportScriptableSlots);
    ownsName_ = bus.registerService(busName_);
    if (!ownsName_ && bus.interface()->isServiceRegistered(busName_)) {
      // Another instance owns the name but not our lock: e.g. one in another runtime folder.
      bus.unregisterObject(kObjectPath);
      soltar();
      return false;
    }
  }
  return true;
}

bool SingleInstance::otraCorre() const {
  if (lockFd_ >= 0) return false;
  const QByteArray path = QFile::encodeName(lockPath_);
  const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  const bool tomado = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
  ::close(fd);  // drops the lock if this took it
  return tomado;
}

bool SingleInstance::entregar(const QString& accion) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  QDBusMessage call = QDBusMessage::createMethodCall(
      busName_, kObjectPath, QStringLiteral("app.corvalin.Corvalin"), QStringLiteral("Activar"));
  call << accion;
  QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
  return reply.type() == QDBusMessage::ReplyMessage;
}

void SingleInstance::soltar() {
  if (ownsName_) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(busName_);
    bus.unregisterObject(kObjectPath);
    ownsName_ = false;
  }
  if (lockFd_ >= 0) ::close(lockFd_);  // closing drops the flock
  lockFd_ = -1;
}

void SingleInstance::Activar(const QString& accion) {
  Q_EMIT peticion(accion);
}

}  // namespace corvalin
