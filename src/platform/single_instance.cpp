#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QScopeGuard>
#include <QStandardPaths>
#include <cstdio>

namespace corvalin {
namespace {

const QString kObjectPath = QStringLiteral("/app/corvalin/Corvalin");

// The lock file, opened only when it is a regular file of this user: no link followed, nobody
// else's file (another user could have made the name first in a shared temporary folder).
int abrirCerrojo(const QString& ruta, int flags) {
  const QByteArray path = QFile::encodeName(ruta);
  const int fd = ::open(path.constData(), flags | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::getuid()) {
    std::fprintf(stderr, "corvalin: %s is not a file of this user; it is left alone\n",
                 path.constData());
    ::close(fd);
    return -1;
  }
  return fd;
}

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
  int fd = abrirCerrojo(lockPath_, O_RDWR | O_CREAT);
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
  const int fd = abrirCerrojo(lockPath_, O_RDWR);
  if (fd < 0) return false;
  const bool tomado = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
  ::close(fd);  // drops the lock if this took it
  return tomado;
}

SingleInstance::Entrega SingleInstance::entregar(const QString& accion, bool arrancar) {
  // A connection of its own, closed when done: the process may go on to be Corvalin under a
  // new application object, which must find the shared session connection untouched.
  const QString nombre = QStringLiteral("corvalin-entrega");
  const auto cerrar = qScopeGuard([&nombre] { QDBusConnection::disconnectFromBus(nombre); });
  QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, nombre);
  if (!bus.isConnected()) return Entrega::sinBus;
  QDBusMessage call = QDBusMessage::createMethodCall(
      busName_, kObjectPath, QStringLiteral("app.corvalin.Corvalin"), QStringLiteral("Activar"));
  call.setAutoStartService(arrancar);
  call << accion;
  // Activation starts a whole application before it answers: give it the bus's own limit.
  const QDBusMessage reply = bus.call(call, QDBus::Block, arrancar ? 25000 : 5000);
  if (reply.type() == QDBusMessage::ReplyMessage) return Entrega::entregada;
  const QString error = reply.errorName();
  if (error == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
      error == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner") ||
      error.startsWith(QLatin1String("org.freedesktop.DBus.Error.Spawn."))) {
    return Entrega::nadieCorre;
  }
  return Entrega::fallida;
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
