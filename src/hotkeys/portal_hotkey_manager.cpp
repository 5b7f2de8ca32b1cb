#include "hotkeys/portal_hotkey_manager.h"

#include <xkbcommon/xkbcommon.h>

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QStringList>
#include <QTimer>

#include "core/settings.h"
#include "hotkeys/key_positions.h"
#include "platform/main_thread.h"

namespace corvalin {

// One shortcut as the portal takes it: an id and its properties, a(sa{sv}) on the bus.
struct AtajoDelPortal {
  QString id;
  QVariantMap propiedades;
};

QDBusArgument& operator<<(QDBusArgument& arg, const AtajoDelPortal& atajo) {
  arg.beginStructure();
  arg << atajo.id << atajo.propiedades;
  arg.endStructure();
  return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, AtajoDelPortal& atajo) {
  arg.beginStructure();
  arg >> atajo.id >> atajo.propiedades;
  arg.endStructure();
  return arg;
}

}  // namespace corvalin

Q_DECLARE_METATYPE(corvalin::AtajoDelPortal)

namespace corvalin {
namespace {

const QString kServicio = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kRuta = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterfaz = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

// The trigger as the portal takes it, xkbcommon modifier and keysym names: "SHIFT+LOGO+0".
QString disparador(const Hotkey& hotkey) {
  const std::optional<uint32_t> keysym = keysymDePosicion(hotkey.keyCode);
  char nombre[64] = {};
  if (!keysym || xkb_keysym_get_name(*keysym, nombre, sizeof nombre) <= 0) return {};
  QStringList partes;
  if (hotkey.modifiers & Hotkey::kControl) partes << QStringLiteral("CTRL");
  if (hotkey.modifiers & Hotkey::kOption) partes << QStringLiteral("ALT");
  if (hotkey.modifiers & Hotkey::kShift) partes << QStringLiteral("SHIFT");
  if (hotkey.modifiers & Hotkey::kCommand) partes << QStringLiteral("LOGO");
  partes << QString::fromLatin1(nombre);
  return partes.join(u'+');
}

}  // namespace

bool PortalHotkeyManager::disponible(QDBusConnection bus) {
  if (!bus.isConnected()) return false;
  QDBusMessage pregunta = QDBusMessage::createMethodCall(
      kServicio, kRuta, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
  pregunta << kInterfaz << QStringLiteral("version");
  // The portal may be started on demand by this very call.
  const QDBusMessage respuesta = bus.call(pregunta, QDBus::Block, 3000);
  if (respuesta.type() != QDBusMessage::ReplyMessage || respuesta.arguments().isEmpty())
    return false;
  return respuesta.arguments().first().value<QDBusVariant>().variant().toUInt() >= 1;
}

PortalHotkeyManager::PortalHotkeyManager(QDBusConnection bus, std::function<void()> alFallar)
    : bus_(std::move(bus)), alFallar_(std::move(alFallar)) {
  qDBusRegisterMetaType<AtajoDelPortal>();
  qDBusRegisterMetaType<QList<AtajoDelPortal>>();
  bus_.connect(kServicio, kRuta, kInterfaz, QStringLiteral("Activated"), this,
               SLOT(alActivar(QDBusMessage)));
  static int sesiones = 0;
  pedir(QStringLiteral("CreateSession"), {},
        {{QStringLiteral("session_handle_token"), QStringLiteral("corvalin%1").arg(++sesiones)}},
        SLOT(alCrearSesion(uint, QVariantMap)));
}

PortalHotkeyManager::~PortalHotkeyManager() {
  if (!sesion_.isEmpty()) {
    bus_.send(QDBusMessage::createMethodCall(kServicio, sesion_,
                                             QStringLiteral("org.freedesktop.portal.Session"),
                                             QStringLiteral("Close")));
  }
}

void PortalHotkeyManager::pedir(const QString& metodo, QList<QVariant> argumentos,
                                QVariantMap opciones, const char* slot) {
  static int peticiones = 0;
  const QString token = QStringLiteral("corvalin_p%1").arg(++peticiones);
  opciones.insert(QStringLiteral("handle_token"), token);
  // The answer comes as a signal on a path made of our bus name and the token: listen to it
  // before asking, or a fast portal answers before anyone hears.
  const QString emisor = bus_.baseService().mid(1).replace(u'.', u'_');
  bus_.connect(kServicio, kRuta + QStringLiteral("/request/") + emisor + u'/' + token,
               QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"), this,
               slot);
  QDBusMessage llamada = QDBusMessage::createMethodCall(kServicio, kRuta, kInterfaz, metodo);
  argumentos << opciones;
  llamada.setArguments(argumentos);
  auto* espera = new QDBusPendingCallWatcher(bus_.asyncCall(llamada), this);
  connect(espera, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
    w->deleteLater();
    if (w->isError()) fallar();
  });
}

void PortalHotkeyManager::alCrearSesion(uint respuesta, const QVariantMap& resultados) {
  if (respuesta != 0) {
    fallar();
    return;
  }
  const QVariant sesion = resultados.value(QStringLiteral("session_handle"));
  sesion_ = sesion.metaType() == QMetaType::fromType<QDBusObjectPath>()
                ? sesion.value<QDBusObjectPath>().path()
                : sesion.toString();
  if (!registros_.empty()) enlazar();
}

void PortalHotkeyManager::enlazar() {
  if (enlazado_ || fallido_ || sesion_.isEmpty()) return;
  enlazado_ = true;
  QList<AtajoDelPortal> atajos;
  for (CaptureMode mode : kAllCaptureModes) {
    AtajoDelPortal atajo{rawValue(mode), {{QStringLiteral("description"), title(mode)}}};
    auto it = registros_.find(hotkeyId(mode));
    if (it != registros_.end()) {
      const QString preferido = disparador(it->second.hotkey);
      if (!preferido.isEmpty())
        atajo.propiedades.insert(QStringLiteral("preferred_trigger"), preferido);
    }
    atajos << atajo;
  }
  pedir(QStringLiteral("BindShortcuts"),
        {QVariant::fromValue(QDBusObjectPath(sesion_)), QVariant::fromValue(atajos), QString()}, {},
        SLOT(alEnlazar(uint, QVariantMap)));
}

void PortalHotkeyManager::alEnlazar(uint respuesta, const QVariantMap&) {
  if (respuesta != 0) fallar();
}

void PortalHotkeyManager::alActivar(const QDBusMessage& senal) {
  const QVariantList args = senal.arguments();
  if (args.size() < 2 || args[0].value<QDBusObjectPath>().path() != sesion_) return;
  const QString atajo = args[1].toString();
  const std::optional<CaptureMode> mode = captureModeFromRaw(atajo);
  if (!mode) return;
  const uint32_t id = hotkeyId(*mode);
  auto it = registros_.find(id);
  if (it == registros_.end()) return;
  std::weak_ptr<bool> vivo = vivo_;
  enMain([this, vivo, id, generacion = it->second.generacion, handler = it->second.handler] {
    if (vivo.expired()) return;
    auto r = registros_.find(id);
    if (r == registros_.end() || r->second.generacion != generacion) return;
    (*handler)();
  });
}

void PortalHotkeyManager::fallar() {
  if (fallido_) return;
  fallido_ = true;
  registros_.clear();
  if (alFallar_) alFallar_();
}

bool PortalHotkeyManager::registrar(const Hotkey& hotkey, uint32_t id,
                                    std::function<void()> handler) {
  if (fallido_ || id < 1 || id > kAllCaptureModes.size()) return false;
  registros_[id] = Registro{
      hotkey, std::make_shared<const std::function<void()>>(std::move(handler)), siguiente_++};
  // The shell registers the ten modes in one go; bind them together once it is done.
  if (!enlazado_ && !sesion_.isEmpty()) QTimer::singleShot(0, this, [this] { enlazar(); });
  return true;
}

void PortalHotkeyManager::unregister(uint32_t id) {
  registros_.erase(id);
}

void PortalHotkeyManager::unregisterAll() {
  registros_.clear();
}

}  // namespace corvalin
