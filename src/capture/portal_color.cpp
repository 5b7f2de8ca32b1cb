#include "capture/portal_color.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QRandomGenerator>

namespace corvalin {
namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kObject = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kScreenshot = QStringLiteral("org.freedesktop.portal.Screenshot");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
const QString kResponse = QStringLiteral("Response");

// One request's answer; deletes itself once it has reported.
class PeticionDeColor : public QObject {
  Q_OBJECT

 public:
  std::function<void(const QColor&)> onPick;
  std::function<void()> onCancel;
  std::function<void()> alFallar;
  QString handle;

  void fallar() {
    if (auto f = std::exchange(alFallar, nullptr)) f();
    terminar();
  }

 public Q_SLOTS:
  void onResponse(uint code, const QVariantMap& results) {
    const QVariant valor = results.value(QStringLiteral("color"));
    // The colour comes as a structure of three doubles between 0 and 1.
    double r = 0, g = 0, b = 0;
    bool leido = false;
    if (code == 0 && valor.canConvert<QDBusArgument>()) {
      const QDBusArgument arg = valor.value<QDBusArgument>();
      arg.beginStructure();
      arg >> r >> g >> b;
      arg.endStructure();
      leido = true;
    }
    if (leido) {
      if (auto f = std::exchange(onPick, nullptr)) f(QColor::fromRgbF(r, g, b));
    } else if (code == 0) {
      fallar();
      return;
    } else if (auto f = std::exchange(onCancel, nullptr)) {
      f();
    }
    terminar();
  }

 private:
  void terminar() {
    QDBusConnection::sessionBus().disconnect(kService, handle, kRequest, kResponse, this,
                                             SLOT(onResponse(uint, QVariantMap)));
    deleteLater();
  }
};

}  // namespace

void colorDelPortal(std::function<void(const QColor&)> onPick, std::function<void()> onCancel,
                    std::function<void()> alFallar) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  auto* peticion = new PeticionDeColor();
  peticion->onPick = std::move(onPick);
  peticion->onCancel = std::move(onCancel);
  peticion->alFallar = std::move(alFallar);
  if (!bus.isConnected()) {
    QMetaObject::invokeMethod(
        peticion, [peticion] { peticion->fallar(); }, Qt::QueuedConnection);
    return;
  }
  // The portal names the request object after our bus name and this token; listening
  // before the call means the answer cannot slip past.
  const QString token = QStringLiteral("corvalin%1").arg(QRandomGenerator::global()->generate());
  const QString sender = bus.baseService().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
  peticion->handle =
      QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
  bus.connect(kService, peticion->handle, kRequest, kResponse, peticion,
              SLOT(onResponse(uint, QVariantMap)));
  QDBusMessage call =
      QDBusMessage::createMethodCall(kService, kObject, kScreenshot, QStringLiteral("PickColor"));
  call << QString() << QVariantMap{{QStringLiteral("handle_token"), token}};
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), peticion);
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, peticion, [peticion, watcher] {
    watcher->deleteLater();
    const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
    if (reply.isError()) {
      peticion->fallar();
      return;
    }
    // Older portals choose the object path themselves.
    const QString devuelto = reply.value().path();
    if (devuelto.isEmpty() || devuelto == peticion->handle) return;
    QDBusConnection b = QDBusConnection::sessionBus();
    b.disconnect(kService, peticion->handle, kRequest, kResponse, peticion,
                 SLOT(onResponse(uint, QVariantMap)));
    peticion->handle = devuelto;
    b.connect(kService, devuelto, kRequest, kResponse, peticion,
              SLOT(onResponse(uint, QVariantMap)));
  });
}

}  // namespace corvalin

#include "portal_color.moc"
