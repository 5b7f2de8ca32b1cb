#include "platform/portal_request.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QTimer>

namespace corvalin {
namespace {

const QString kServicio = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kRuta = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
const QString kResponse = QStringLiteral("Response");
// The call only registers the request: a portal that is there answers it at once.
constexpr int kLlamadaMs = 10'000;

class Oyente : public QObject {
  Q_OBJECT

 public:
  std::optional<RespuestaDelPortal> respuesta;

 Q_SIGNALS:
  void llego();

 public Q_SLOTS:
  void alResponder(uint codigo, const QVariantMap& resultados) {
    respuesta = RespuestaDelPortal{codigo, resultados};
    Q_EMIT llego();
  }
};

}  // namespace

std::optional<RespuestaDelPortal> pedirAlPortal(QDBusConnection bus, const QString& interfaz,
                                                const QString& metodo, QList<QVariant> argumentos,
                                                QVariantMap opciones, int esperaMs, QString* error,
                                                bool* aDestiempo) {
  if (aDestiempo) *aDestiempo = false;
  if (!bus.isConnected()) {
    *error = QStringLiteral("no session bus");
    return std::nullopt;
  }
  const QString token = QStringLiteral("corvalin%1").arg(QRandomGenerator::global()->generate());
  const QString emisor = bus.baseService().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
  QString handle = QStringLiteral("%1/request/%2/%3").arg(kRuta, emisor, token);
  Oyente oyente;
  const char* slot = SLOT(alResponder(uint, QVariantMap));
  bus.connect(kServicio, handle, kRequest, kResponse, &oyente, slot);

  QDBusMessage llamada = QDBusMessage::createMethodCall(kServicio, kRuta, interfaz, metodo);
  opciones.insert(QStringLiteral("handle_token"), token);
  argumentos << opciones;
  llamada.setArguments(argumentos);
  const QDBusMessage vuelta = bus.call(llamada, QDBus::Block, kLlamadaMs);
  if (vuelta.type() != QDBusMessage::ReplyMessage || vuelta.arguments().isEmpty()) {
    bus.disconnect(kServicio, handle, kRequest, kResponse, &oyente, slot);
    *error =
        QStringLiteral("%1.%2: %3")
            .arg(interfaz, metodo,
                 vuelta.errorName().isEmpty() ? QStringLiteral("no answer") : vuelta.errorName());
    return std::nullopt;
  }
  const QString devuelto = vuelta.arguments().constFirst().value<QDBusObjectPath>().path();
  if (!devuelto.isEmpty() && devuelto != handle) {
    // Older portals choose the object path themselves.
    bus.disconnect(kServicio, handle, kRequest, kResponse, &oyente, slot);
    handle = devuelto;
    bus.connect(kServicio, handle, kRequest, kResponse, &oyente, slot);
  }
  if (!oyente.respuesta) {
    QEventLoop bucle;
    QObject::connect(&oyente, &Oyente::llego, &bucle, &QEventLoop::quit);
    QTimer::singleShot(esperaMs, &bucle, &QEventLoop::quit);
    bucle.exec();
  }
  bus.disconnect(kServicio, handle, kRequest, kResponse, &oyente, slot);
  if (!oyente.respuesta) {
    *error = QStringLiteral("%1.%2: no answer in time").arg(interfaz, metodo);
    if (aDestiempo) *aDestiempo = true;
  }
  return oyente.respuesta;
}

}  // namespace corvalin

#include "portal_request.moc"
