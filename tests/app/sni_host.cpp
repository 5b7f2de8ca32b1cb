// A stand-in for a desktop's tray over D-Bus, for the tests: the StatusNotifierWatcher that tray
// icons register with, and a host that looks at a registered icon the way a panel does (its
// properties, its com.canonical.dbusmenu menu) and clicks it.
//
//   sni_host watch [--max-seconds S]
//       Owns org.kde.StatusNotifierWatcher on the session bus, says a host is there (it is one)
//       and serves until SIGTERM or SIGINT, S seconds, or the bus goes away. Prints "ready" once
//       the name is taken, then one line per event: "registered ITEM", "unregistered ITEM".
//       ITEM is "SERVICE/PATH", as RegisteredStatusNotifierItems lists it; an
//       item may register with its bus name (the path is then /StatusNotifierItem) or with its
//       object path (the bus name is then the caller's).
//   sni_host items                    the registered items, one "item ITEM" line each
//   sni_host dump [--icons DIR]       the item's properties and whole menu, as lines to grep
//   sni_host click LABEL              sends "clicked" to the menu entry labelled LABEL
//   sni_host activate X Y             calls Activate(X, Y) on the item
//   sni_host wait-gone                waits until no item is registered
// The other commands are clients of a running watcher (this program's "watch", usually in
// another process). They wait up to --wait-item S seconds (10 unless told) for an item, and
//
// What dump prints, one fact a line; strings are quoted, with \t, \n, \" and \\ escaped:
//   items.count N
//   item.entry ":1.7/StatusNotifierItem"
//   item.Id "corvalin"                   (every property of the item that is a plain value)
//   item.IconPixmap.count N
//   item.IconPixmap 22x22 bytes=1936 size-ok=true visible=301      (one line per picture;
//                                         visible counts the pixels that are not transparent)
//   item.ToolTip.title "..."             (and .IconName, .pixmaps, .description)
//   menu.Version 4                       (the menu object's own properties)
//   menu.before-about-to-show N          (top-level entries before AboutToShow(0))
//   menu.revision N
//   entry   depth=1 id=23 type=standard enabled=true visible=true toggle=checkmark:1
//       submenu=false shortcut="" label="..."     (one line, indented two spaces a level)
// With --icons DIR every picture is also written to DIR/icon-WxH.pam.
//
// Exit status: 0 done; 1 bad usage; 2 no session bus, or no watcher (for watch: its name is
// taken); 3 no item within the wait; 4 a call to the item failed or its answer made no sense;
// 5 no entry with that label, several, or one that is disabled, hidden or a separator.
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <QStringList>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <optional>

namespace {

const QString kServicioDelVigilante = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kRutaDelVigilante = QStringLiteral("/StatusNotifierWatcher");
const QString kInterfazDelVigilante = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kInterfazDelItem = QStringLiteral("org.kde.StatusNotifierItem");
const QString kRutaDelItem = QStringLiteral("/StatusNotifierItem");
const QString kInterfazDelMenu = QStringLiteral("com.canonical.dbusmenu");
const QString kPropiedades = QStringLiteral("org.freedesktop.DBus.Properties");
constexpr int kEsperaDeLlamada = 5000;  // ms for any one call

enum Salida { ok = 0, uso = 1, sinBus = 2, sinItem = 3, fallaDelItem = 4, sinEntrada = 5 };

QString si(bool b) {
  return b ? QStringLiteral("true") : QStringLiteral("false");
}

void linea(const QString& texto) {
  std::fputs((texto + QLatin1Char('\n')).toUtf8().constData(), stdout);
  std::fflush(stdout);
}

void error(const QString& texto) {
  std::fputs(("sni_host: " + texto + QLatin1Char('\n')).toUtf8().constData(), stderr);
  std::fflush(stderr);
}

QString citado(const QString& s) {
  QString r = QStringLiteral("\"");
  for (QChar c : s) {
    switch (c.unicode()) {
      case '\\':
        r += QStringLiteral("\\\\");
        break;
      case '"':
        r += QStringLiteral("\\\"");
        break;
      case '\t':
        r += QStringLiteral("\\t");
        break;
      case '\n':
        r += QStringLiteral("\\n");
        break;
      case '\r':
        r += QStringLiteral("\\r");
        break;
      default:
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
          r += QString::asprintf("\\x%02x", c.unicode());
        else
          r += c;
    }
  }
  return r + QLatin1Char('"');
}

// ---------------------------------------------------------------------------------------------
// The watcher

const char kIntrospeccion[] =
    "  <interface name=\"org.kde.StatusNotifierWatcher\">\n"
    "    <method name=\"RegisterStatusNotifierItem\">\n"
    "      <arg name=\"service\" type=\"s\" direction=\"in\"/>\n"
    "    </method>\n"
    "    <property name=\"RegisteredStatusNotifierItems\" type=\"as\" access=\"read\"/>\n"
    "    <property name=\"IsStatusNotifierHostRegistered\" type=\"b\" access=\"read\"/>\n"
    "    <signal name=\"StatusNotifierItemRegistered\">\n"
    "      <arg type=\"s\"/>\n"
    "    </signal>\n"
    "    <signal name=\"StatusNotifierItemUnregistered\">\n"
    "      <arg type=\"s\"/>\n"
    "    </signal>\n"
    "  </interface>\n";

class Vigilante final : public QDBusVirtualObject {
 public:
  explicit Vigilante(const QDBusConnection& bus) : bus_(bus) {
    observador_ = new QDBusServiceWatcher(this);
    observador_->setConnection(bus_);
    observador_->setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    QObject::connect(observador_, &QDBusServiceWatcher::serviceUnregistered, this,
                     [this](const QString& servicio) { seFue(servicio); });
  }

  QString introspect(const QString&) const override { return QString::fromLatin1(kIntrospeccion); }

  bool handleMessage(const QDBusMessage& m, const QDBusConnection& conexion) override {
    const QString miembro = m.member();
    const QVariantList args = m.arguments();
    if (m.interface() == kPropiedades) {
      if (miembro == QLatin1String("Get") && m.signature() == QLatin1String("ss")) {
        if (args[0].toString() != kInterfazDelVigilante) {
          conexion.send(m.createErrorReply(QDBusError::UnknownInterface, args[0].toString()));
          return true;
        }
        const QVariantMap todas = propiedades();
        const auto it = todas.constFind(args[1].toString());
        if (it == todas.constEnd()) {
          conexion.send(m.createErrorReply(QDBusError::UnknownProperty, args[1].toString()));
          return true;
        }
        conexion.send(m.createReply(QVariant::fromValue(QDBusVariant(*it))));
        return true;
      }
      if (miembro == QLatin1String("GetAll") && m.signature() == QLatin1String("s")) {
        conexion.send(m.createReply(args[0].toString() == kInterfazDelVigilante ? propiedades()
                                                                                : QVariantMap()));
        return true;
      }
      return false;
    }
    if (m.interface() != kInterfazDelVigilante && !m.interface().isEmpty()) return false;
    if (miembro == QLatin1String("RegisterStatusNotifierItem") &&
        m.signature() == QLatin1String("s")) {
      registrarItem(m, conexion, args[0].toString());
      return true;
    }
    return false;  // Introspect, Peer and anything unknown: Qt answers
  }

 private:
  QVariantMap propiedades() const {
    return {{QStringLiteral("RegisteredStatusNotifierItems"), items_},
            // This program is a host itself.
            {QStringLiteral("IsStatusNotifierHostRegistered"), true}};
  }

  void emitir(const char* senal, const QString& argumento) {
    QDBusMessage s = QDBusMessage::createSignal(kRutaDelVigilante, kInterfazDelVigilante,
                                                QString::fromLatin1(senal));
    s << argumento;
    bus_.send(s);
  }

  void registrarItem(const QDBusMessage& m, const QDBusConnection& conexion, const QString& arg) {
    QString servicio = arg;
    QString ruta = kRutaDelItem;
    if (arg.startsWith(QLatin1Char('/'))) {
      servicio = m.service();
      ruta = arg;
    }
    if (servicio.isEmpty() || !bus_.interface()->isServiceRegistered(servicio).value()) {
      conexion.send(m.createErrorReply(QDBusError::InvalidArgs,
                                       QStringLiteral("nobody owns %1").arg(servicio)));
      return;
    }
    const QString item = servicio + ruta;
    conexion.send(m.createReply());
    if (items_.contains(item)) {
      linea(QStringLiteral("registered-again ") + item);
      return;
    }
    items_ << item;
    observador_->addWatchedService(servicio);
    linea(QStringLiteral("registered ") + item);
    emitir("StatusNotifierItemRegistered", item);
  }

  void seFue(const QString& servicio) {
    const QString prefijo = servicio + QLatin1Char('/');
    for (qsizetype i = items_.size() - 1; i >= 0; --i) {
      if (!items_[i].startsWith(prefijo)) continue;
      const QString item = items_.takeAt(i);
      linea(QStringLiteral("unregistered ") + item);
      emitir("StatusNotifierItemUnregistered", item);
    }
    observador_->removeWatchedService(servicio);
  }

  QDBusConnection bus_;
  QDBusServiceWatcher* observador_ = nullptr;
  QStringList items_;
};

int tuberiaDeSenales[2] = {-1, -1};

void alRecibirSenal(int) {
  const char c = 1;
  const ssize_t escrito = ::write(tuberiaDeSenales[1], &c, 1);
  (void)escrito;
}

int vigilar(QCoreApplication& app, int maxSegundos) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    error(QStringLiteral("no session bus: ") + bus.lastError().message());
    return sinBus;
  }
  auto* vigilante = new Vigilante(bus);
  if (!bus.registerVirtualObject(kRutaDelVigilante, vigilante)) {
    error(QStringLiteral("could not export %1").arg(kRutaDelVigilante));
    return sinBus;
  }
  if (!bus.registerService(kServicioDelVigilante)) {
    error(
        QStringLiteral("%1 is taken: another watcher runs on this bus").arg(kServicioDelVigilante));
    return sinBus;
  }
  // The name a host takes, by the protocol's convention.
  bus.registerService(QStringLiteral("org.kde.StatusNotifierHost-%1").arg(::getpid()));

  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, tuberiaDeSenales) != 0) {
    error(QStringLiteral("socketpair failed"));
    return sinBus;
  }
  QSocketNotifier notificador(tuberiaDeSenales[0], QSocketNotifier::Read);
  QObject::connect(&notificador, &QSocketNotifier::activated, &app, [] {
    linea(QStringLiteral("stopping"));
    QCoreApplication::exit(ok);
  });
  struct sigaction accion = {};
  accion.sa_handler = alRecibirSenal;
  sigemptyset(&accion.sa_mask);
  ::sigaction(SIGTERM, &accion, nullptr);
  ::sigaction(SIGINT, &accion, nullptr);

  QTimer latido;
  QObject::connect(&latido, &QTimer::timeout, &app, [&bus] {
    if (!bus.isConnected()) {
      error(QStringLiteral("the session bus went away"));
      QCoreApplication::exit(sinBus);
    }
  });
  latido.start(250);
  if (maxSegundos > 0) {
    QTimer::singleShot(maxSegundos * 1000, &app, [] {
      linea(QStringLiteral("time is up"));
      QCoreApplication::exit(ok);
    });
  }
  linea(QStringLiteral("ready"));
  return app.exec();
}

// ---------------------------------------------------------------------------------------------
// The host's side: clients of the watcher and of the item

struct Item {
  QString entrada;  // as the watcher lists it
  QString servicio;
  QString ruta;
};

Item partir(const QString& entrada) {
  const qsizetype barra = entrada.indexOf(QLatin1Char('/'));
  if (barra < 0) return {entrada, entrada, kRutaDelItem};
  return {entrada, entrada.left(barra), entrada.mid(barra)};
}

QDBusMessage llamar(const QDBusConnection& bus, const QString& servicio, const QString& ruta,
                    const QString& interfaz, const QString& metodo, const QVariantList& args = {}) {
  QDBusMessage m = QDBusMessage::createMethodCall(servicio, ruta, interfaz, metodo);
  m.setArguments(args);
  return bus.call(m, QDBus::Block, kEsperaDeLlamada);
}

bool fallo(const QDBusMessage& respuesta, const QString& que) {
  if (respuesta.type() == QDBusMessage::ReplyMessage) return false;
  error(
      QStringLiteral("%1 failed: %2 %3").arg(que, respuesta.errorName(), respuesta.errorMessage()));
  return true;
}

QVariant desenvolver(const QVariant& v) {
  return v.userType() == qMetaTypeId<QDBusVariant>() ? qvariant_cast<QDBusVariant>(v).variant() : v;
}

std::optional<QVariantMap> todasLasPropiedades(const QDBusConnection& bus, const Item& item,
                                               const QString& interfaz) {
  const QDBusMessage r =
      llamar(bus, item.servicio, item.ruta, kPropiedades, QStringLiteral("GetAll"), {interfaz});
  if (fallo(r, QStringLiteral("GetAll(%1) on %2").arg(interfaz, item.entrada)) ||
      r.arguments().size() != 1) {
    return std::nullopt;
  }
  return qdbus_cast<QVariantMap>(r.arguments().first());
}

struct Opciones {
  int esperaDeItem = 10;
  QString carpetaDeIconos;
  int maxSegundos = 0;
};

// The items the watcher lists now; nullopt when there is no watcher to ask.
std::optional<QStringList> itemsRegistrados(const QDBusConnection& bus) {
  const QDBusMessage r =
      llamar(bus, kServicioDelVigilante, kRutaDelVigilante, kPropiedades, QStringLiteral("Get"),
             {kInterfazDelVigilante, QStringLiteral("RegisteredStatusNotifierItems")});
  if (r.type() != QDBusMessage::ReplyMessage || r.arguments().size() != 1) return std::nullopt;
  return desenvolver(r.arguments().first()).toStringList();
}

// Waits for an item (the first registered). Returns the exit status on failure.
int esperarItem(const QDBusConnection& bus, const Opciones& o, Item& elegido, int& cuantos) {
  QDeadlineTimer plazo(qint64(o.esperaDeItem) * 1000);
  bool huboVigilante = false;
  while (true) {
    if (const std::optional<QStringList> items = itemsRegistrados(bus)) {
      huboVigilante = true;
      cuantos = int(items->size());
      if (!items->isEmpty()) {
        elegido = partir(items->first());
        return ok;
      }
    }
    if (plazo.hasExpired()) break;
    QThread::msleep(100);
  }
  if (!huboVigilante) {
    error(QStringLiteral("no %1 on the session bus").arg(kServicioDelVigilante));
    return sinBus;
  }
  error(QStringLiteral("no item registered within %1 s").arg(o.esperaDeItem));
  return sinItem;
}

// --- pictures

struct Imagen {
  int ancho = 0;
  int alto = 0;
  QByteArray argb;  // ARGB32, network byte order, row by row
};

std::optional<QList<Imagen>> leerImagenes(const QDBusArgument& arg) {
  if (arg.currentSignature() != QLatin1String("a(iiay)")) return std::nullopt;
  QList<Imagen> imagenes;
  arg.beginArray();
  while (!arg.atEnd()) {
    Imagen im;
    arg.beginStructure();
    arg >> im.ancho >> im.alto >> im.argb;
    arg.endStructure();
    imagenes << im;
  }
  arg.endArray();
  return imagenes;
}

int pixelesVisibles(const Imagen& im) {
  int visibles = 0;
  for (qsizetype i = 0; i + 3 < im.argb.size(); i += 4) {
    if (static_cast<unsigned char>(im.argb[i]) != 0) ++visibles;
  }
  return visibles;
}

bool guardarPam(const Imagen& im, const QString& ruta) {
  if (im.ancho <= 0 || im.alto <= 0 || im.argb.size() != qsizetype(im.ancho) * im.alto * 4)
    return false;
  QFile f(ruta);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  f.write(
      QStringLiteral("P7\nWIDTH %1\nHEIGHT %2\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n")
          .arg(im.ancho)
          .arg(im.alto)
          .toLatin1());
  QByteArray rgba(im.argb.size(), '\0');
  for (qsizetype i = 0; i + 3 < im.argb.size(); i += 4) {
    rgba[i] = im.argb[i + 1];
    rgba[i + 1] = im.argb[i + 2];
    rgba[i + 2] = im.argb[i + 3];
    rgba[i + 3] = im.argb[i];
  }
  return f.write(rgba) == rgba.size();
}

void escribirImagenes(const QString& prefijo, const QList<Imagen>& imagenes,
                      const QString& carpeta) {
  linea(QStringLiteral("%1.count %2").arg(prefijo).arg(imagenes.size()));
  for (const Imagen& im : imagenes) {
    const bool tamanoBien =
        im.ancho > 0 && im.alto > 0 && im.argb.size() == qsizetype(im.ancho) * im.alto * 4;
    linea(QStringLiteral("%1 %2x%3 bytes=%4 size-ok=%5 visible=%6")
              .arg(prefijo)
              .arg(im.ancho)
              .arg(im.alto)
              .arg(im.argb.size())
              .arg(si(tamanoBien))
              .arg(pixelesVisibles(im)));
    if (!carpeta.isEmpty() && tamanoBien) {
      const QString archivo =
          QDir(carpeta).filePath(QStringLiteral("icon-%1x%2.pam").arg(im.ancho).arg(im.alto));
      if (!guardarPam(im, archivo)) error(QStringLiteral("could not write ") + archivo);
    }
  }
}

// --- the menu

struct Entrada {
  int id = 0;
  QVariantMap propiedades;
  QList<Entrada> hijos;

  QString texto(const char* nombre, const QString& siFalta = {}) const {
    const auto it = propiedades.constFind(QString::fromLatin1(nombre));
    return it == propiedades.constEnd() ? siFalta : it->toString();
  }
  bool booleano(const char* nombre, bool siFalta) const {
    const auto it = propiedades.constFind(QString::fromLatin1(nombre));
    return it == propiedades.constEnd() ? siFalta : it->toBool();
  }
  QString etiqueta() const { return texto("label"); }
  QString tipo() const { return texto("type", QStringLiteral("standard")); }
  bool habilitada() const { return booleano("enabled", true); }
  bool visible() const { return booleano("visible", true); }
  bool esSubmenu() const {
    return texto("children-display") == QLatin1String("submenu") || !hijos.isEmpty();
  }
};

bool leerEntrada(const QDBusArgument& arg, Entrada& e, int profundidad = 0) {
  if (profundidad > 32 || arg.currentSignature() != QLatin1String("(ia{sv}av)")) return false;
  arg.beginStructure();
  arg >> e.id >> e.propiedades;
  arg.beginArray();
  bool bien = true;
  while (!arg.atEnd()) {
    QDBusVariant v;
    arg >> v;
    Entrada hijo;
    if (v.variant().userType() != qMetaTypeId<QDBusArgument>() ||
        !leerEntrada(qvariant_cast<QDBusArgument>(v.variant()), hijo, profundidad + 1)) {
      bien = false;
      continue;
    }
    e.hijos << hijo;
  }
  arg.endArray();
  arg.endStructure();
  return bien;
}

std::optional<std::pair<uint, Entrada>> pedirMenu(const QDBusConnection& bus,
                                                  const QString& servicio, const QString& ruta) {
  const QDBusMessage r = llamar(bus, servicio, ruta, kInterfazDelMenu, QStringLiteral("GetLayout"),
                                {0, -1, QStringList()});
  if (fallo(r, QStringLiteral("GetLayout on %1%2").arg(servicio, ruta))) return std::nullopt;
  const QVariantList args = r.arguments();
  if (args.size() != 2 || args[1].userType() != qMetaTypeId<QDBusArgument>()) {
    error(
        QStringLiteral("GetLayout answered with signature %1, not u(ia{sv}av)").arg(r.signature()));
    return std::nullopt;
  }
  Entrada raiz;
  if (!leerEntrada(qvariant_cast<QDBusArgument>(args[1]), raiz)) {
    error(QStringLiteral("GetLayout's layout does not read as (ia{sv}av)"));
    return std::nullopt;
  }
  return std::make_pair(args[0].toUInt(), raiz);
}

bool avisarQueSeAbre(const QDBusConnection& bus, const QString& servicio, const QString& ruta,
                     int id, bool* hayCambios = nullptr) {
  const QDBusMessage r =
      llamar(bus, servicio, ruta, kInterfazDelMenu, QStringLiteral("AboutToShow"), {id});
  if (fallo(r, QStringLiteral("AboutToShow(%1)").arg(id))) return false;
  if (hayCambios) *hayCambios = !r.arguments().isEmpty() && r.arguments().first().toBool();
  return true;
}

QString atajo(const QVariant& valor) {
  if (valor.userType() != qMetaTypeId<QDBusArgument>()) return valor.toString();
  const QDBusArgument arg = qvariant_cast<QDBusArgument>(valor);
  if (arg.currentSignature() != QLatin1String("aas")) return QStringLiteral("?");
  QStringList acordes;
  arg.beginArray();
  while (!arg.atEnd()) {
    QStringList teclas;
    arg >> teclas;
    acordes << teclas.join(QLatin1Char('+'));
  }
  arg.endArray();
  return acordes.join(QStringLiteral(", "));
}

void escribirEntrada(const Entrada& e, int profundidad) {
  const QString toggle =
      e.propiedades.contains(QStringLiteral("toggle-type"))
          ? QStringLiteral("%1:%2").arg(e.texto("toggle-type"),
                                        e.texto("toggle-state", QStringLiteral("-1")))
          : QStringLiteral("none");
  linea(QStringLiteral("entry %1depth=%2 id=%3 type=%4 enabled=%5 visible=%6 toggle=%7 "
                       "submenu=%8 shortcut=%9 label=%10")
            .arg(QString(profundidad * 2, QLatin1Char(' ')))
            .arg(profundidad)
            .arg(e.id)
            .arg(e.tipo(), si(e.habilitada()), si(e.visible()), toggle, si(e.esSubmenu()),
                 citado(atajo(e.propiedades.value(QStringLiteral("shortcut")))),
                 citado(e.etiqueta())));
  for (const Entrada& hijo : e.hijos) escribirEntrada(hijo, profundidad + 1);
}

QString valorSimple(const QVariant& v) {
  const QVariant valor = desenvolver(v);
  switch (valor.userType()) {
    case QMetaType::Bool:
      return si(valor.toBool());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
      return valor.toString();
    case QMetaType::QString:
      return citado(valor.toString());
    default:
      if (valor.userType() == qMetaTypeId<QDBusObjectPath>())
        return citado(qvariant_cast<QDBusObjectPath>(valor).path());
      return {};
  }
}

int volcar(const QDBusConnection& bus, const Opciones& o) {
  Item item;
  int cuantos = 0;
  if (int s = esperarItem(bus, o, item, cuantos); s != ok) return s;
  linea(QStringLiteral("items.count %1").arg(cuantos));
  linea(QStringLiteral("item.entry ") + citado(item.entrada));
  linea(QStringLiteral("item.service ") + citado(item.servicio));
  linea(QStringLiteral("item.path ") + citado(item.ruta));

  const std::optional<QVariantMap> props = todasLasPropiedades(bus, item, kInterfazDelItem);
  if (!props) return fallaDelItem;
  bool bien = true;
  for (auto it = props->constBegin(); it != props->constEnd(); ++it) {
    const QString v = valorSimple(it.value());
    if (!v.isEmpty()) linea(QStringLiteral("item.%1 %2").arg(it.key(), v));
  }
  for (const char* nombre :
       {"Category", "Id", "Title", "Status", "Menu", "IconPixmap", "ToolTip"}) {
    if (!props->contains(QString::fromLatin1(nombre))) {
      linea(QStringLiteral("item.%1 <missing>").arg(QString::fromLatin1(nombre)));
    }
  }

  if (props->contains(QStringLiteral("IconPixmap"))) {
    const QVariant v = desenvolver(props->value(QStringLiteral("IconPixmap")));
    std::optional<QList<Imagen>> imagenes;
    if (v.userType() == qMetaTypeId<QDBusArgument>())
      imagenes = leerImagenes(qvariant_cast<QDBusArgument>(v));
    if (imagenes) {
      if (!o.carpetaDeIconos.isEmpty()) QDir().mkpath(o.carpetaDeIconos);
      escribirImagenes(QStringLiteral("item.IconPixmap"), *imagenes, o.carpetaDeIconos);
    } else {
      linea(QStringLiteral("item.IconPixmap <not a(iiay)>"));
      bien = false;
    }
  }

  if (props->contains(QStringLiteral("ToolTip"))) {
    const QVariant v = desenvolver(props->value(QStringLiteral("ToolTip")));
    const QDBusArgument arg = v.userType() == qMetaTypeId<QDBusArgument>()
                                  ? qvariant_cast<QDBusArgument>(v)
                                  : QDBusArgument();
    if (v.userType() == qMetaTypeId<QDBusArgument>() &&
        arg.currentSignature() == QLatin1String("(sa(iiay)ss)")) {
      QString icono, titulo, descripcion;
      arg.beginStructure();
      arg >> icono;
      const std::optional<QList<Imagen>> imagenes = leerImagenes(arg);
      arg >> titulo >> descripcion;
      arg.endStructure();
      linea(QStringLiteral("item.ToolTip.IconName ") + citado(icono));
      linea(QStringLiteral("item.ToolTip.pixmaps %1").arg(imagenes ? imagenes->size() : -1));
      linea(QStringLiteral("item.ToolTip.title ") + citado(titulo));
      linea(QStringLiteral("item.ToolTip.description ") + citado(descripcion));
    } else {
      linea(QStringLiteral("item.ToolTip <not (sa(iiay)ss)>"));
      bien = false;
    }
  }

  const QVariant menu = desenvolver(props->value(QStringLiteral("Menu")));
  const QString rutaDelMenu = menu.userType() == qMetaTypeId<QDBusObjectPath>()
                                  ? qvariant_cast<QDBusObjectPath>(menu).path()
                                  : QString();
  if (rutaDelMenu.isEmpty() || rutaDelMenu == QLatin1String("/NO_DBUSMENU") ||
      rutaDelMenu == QLatin1String("/")) {
    linea(QStringLiteral("menu <none>"));
    return bien ? ok : fallaDelItem;
  }
  Item elMenu{item.entrada, item.servicio, rutaDelMenu};
  if (const std::optional<QVariantMap> mp = todasLasPropiedades(bus, elMenu, kInterfazDelMenu)) {
    for (auto it = mp->constBegin(); it != mp->constEnd(); ++it) {
      const QString v = valorSimple(it.value());
      if (!v.isEmpty()) linea(QStringLiteral("menu.%1 %2").arg(it.key(), v));
    }
  } else {
    bien = false;
  }
  // What a host that never says the menu is about to show would get.
  const auto antes = pedirMenu(bus, item.servicio, rutaDelMenu);
  if (!antes) return fallaDelItem;
  linea(QStringLiteral("menu.before-about-to-show %1").arg(antes->second.hijos.size()));
  bool hayCambios = false;
  if (!avisarQueSeAbre(bus, item.servicio, rutaDelMenu, 0, &hayCambios)) return fallaDelItem;
  linea(QStringLiteral("menu.about-to-show needUpdate=%1").arg(si(hayCambios)));
  const auto despues = pedirMenu(bus, item.servicio, rutaDelMenu);
  if (!despues) return fallaDelItem;
  linea(QStringLiteral("menu.revision %1").arg(despues->first));
  linea(QStringLiteral("menu.root id=%1 children=%2")
            .arg(despues->second.id)
            .arg(despues->second.hijos.size()));
  for (const Entrada& e : despues->second.hijos) escribirEntrada(e, 0);
  return bien ? ok : fallaDelItem;
}

std::optional<QString> rutaDelMenu(const QDBusConnection& bus, const Item& item) {
  const QDBusMessage r = llamar(bus, item.servicio, item.ruta, kPropiedades, QStringLiteral("Get"),
                                {kInterfazDelItem, QStringLiteral("Menu")});
  if (fallo(r, QStringLiteral("reading Menu of %1").arg(item.entrada)) || r.arguments().isEmpty())
    return std::nullopt;
  const QVariant v = desenvolver(r.arguments().first());
  if (v.userType() != qMetaTypeId<QDBusObjectPath>()) return std::nullopt;
  const QString ruta = qvariant_cast<QDBusObjectPath>(v).path();
  if (ruta == QLatin1String("/NO_DBUSMENU") || ruta == QLatin1String("/")) return std::nullopt;
  return ruta;
}

// A label as a person reads it: dbusmenu marks the access key with "_" and writes "__" for "_".
QString sinMnemonico(const QString& etiqueta) {
  QString r;
  for (qsizetype i = 0; i < etiqueta.size(); ++i) {
    if (etiqueta[i] == QLatin1Char('_')) {
      if (i + 1 < etiqueta.size() && etiqueta[i + 1] == QLatin1Char('_')) {
        r += QLatin1Char('_');
        ++i;
      }
      continue;
    }
    r += etiqueta[i];
  }
  return r;
}

void buscar(const Entrada& e, const QString& etiqueta, QList<Entrada>& halladas,
            QStringList& todas) {
  for (const Entrada& hijo : e.hijos) {
    if (hijo.tipo() != QLatin1String("separator")) todas << citado(hijo.etiqueta());
    if (hijo.etiqueta() == etiqueta || sinMnemonico(hijo.etiqueta()) == etiqueta) halladas << hijo;
    buscar(hijo, etiqueta, halladas, todas);
  }
}

bool enviarEvento(const QDBusConnection& bus, const QString& servicio, const QString& ruta, int id,
                  const QString& evento) {
  const QDBusMessage r = llamar(bus, servicio, ruta, kInterfazDelMenu, QStringLiteral("Event"),
                                {id, evento, QVariant::fromValue(QDBusVariant(0)),
                                 QVariant::fromValue(uint(QDateTime::currentSecsSinceEpoch()))});
  return !fallo(r, QStringLiteral("Event(%1, %2)").arg(id).arg(evento));
}

int pulsar(const QDBusConnection& bus, const Opciones& o, const QString& etiqueta) {
  Item item;
  int cuantos = 0;
  if (int s = esperarItem(bus, o, item, cuantos); s != ok) return s;
  const std::optional<QString> ruta = rutaDelMenu(bus, item);
  if (!ruta) {
    error(QStringLiteral("%1 has no menu").arg(item.entrada));
    return fallaDelItem;
  }
  // As a panel does: the menu is about to show, it opens, the entry is clicked, it closes.
  if (!avisarQueSeAbre(bus, item.servicio, *ruta, 0)) return fallaDelItem;
  const auto menu = pedirMenu(bus, item.servicio, *ruta);
  if (!menu) return fallaDelItem;
  QList<Entrada> halladas;
  QStringList todas;
  buscar(menu->second, etiqueta, halladas, todas);
  if (halladas.size() != 1) {
    error(QStringLiteral("%1 entries labelled %2; the menu has: %3")
              .arg(halladas.size())
              .arg(citado(etiqueta), todas.join(QStringLiteral(", "))));
    return sinEntrada;
  }
  const Entrada& e = halladas.first();
  if (e.tipo() == QLatin1String("separator") || !e.habilitada() || !e.visible()) {
    error(QStringLiteral("the entry labelled %1 cannot be clicked: type=%2 enabled=%3 visible=%4")
              .arg(citado(etiqueta), e.tipo(), si(e.habilitada()), si(e.visible())));
    return sinEntrada;
  }
  if (!enviarEvento(bus, item.servicio, *ruta, 0, QStringLiteral("opened"))) return fallaDelItem;
  if (!enviarEvento(bus, item.servicio, *ruta, e.id, QStringLiteral("clicked")))
    return fallaDelItem;
  // The menu may be gone already, with the application: a failure here says nothing.
  llamar(bus, item.servicio, *ruta, kInterfazDelMenu, QStringLiteral("Event"),
         {0, QStringLiteral("closed"), QVariant::fromValue(QDBusVariant(0)),
          QVariant::fromValue(uint(QDateTime::currentSecsSinceEpoch()))});
  linea(QStringLiteral("clicked id=%1 label=%2").arg(e.id).arg(citado(e.etiqueta())));
  return ok;
}

int activar(const QDBusConnection& bus, const Opciones& o, int x, int y) {
  const QString metodo = QStringLiteral("Activate");
  Item item;
  int cuantos = 0;
  if (int s = esperarItem(bus, o, item, cuantos); s != ok) return s;
  const QDBusMessage r = llamar(bus, item.servicio, item.ruta, kInterfazDelItem, metodo, {x, y});
  if (fallo(r, QStringLiteral("%1(%2, %3) on %4").arg(metodo).arg(x).arg(y).arg(item.entrada)))
    return fallaDelItem;
  linea(QStringLiteral("called %1 %2 %3").arg(metodo).arg(x).arg(y));
  return ok;
}

int listar(const QDBusConnection& bus) {
  const std::optional<QStringList> items = itemsRegistrados(bus);
  if (!items) {
    error(QStringLiteral("no %1 on the session bus").arg(kServicioDelVigilante));
    return sinBus;
  }
  for (const QString& item : *items) linea(QStringLiteral("item ") + item);
  linea(QStringLiteral("items.count %1").arg(items->size()));
  return ok;
}

int esperarQueSeVaya(const QDBusConnection& bus, const Opciones& o) {
  QDeadlineTimer plazo(qint64(o.esperaDeItem) * 1000);
  QStringList quedan;
  while (true) {
    const std::optional<QStringList> items = itemsRegistrados(bus);
    if (!items) {
      error(QStringLiteral("no %1 on the session bus").arg(kServicioDelVigilante));
      return sinBus;
    }
    if (items->isEmpty()) {
      linea(QStringLiteral("gone"));
      return ok;
    }
    quedan = *items;
    if (plazo.hasExpired()) break;
    QThread::msleep(100);
  }
  error(QStringLiteral("still registered after %1 s: %2")
            .arg(o.esperaDeItem)
            .arg(quedan.join(QStringLiteral(", "))));
  return sinItem;
}

int usoIncorrecto(const QString& por) {
  error(por);
  std::fputs(
      "usage: sni_host watch [--max-seconds S]\n"
      "       sni_host items\n"
      "       sni_host dump [--icons DIR] [--wait-item S]\n"
      "       sni_host click LABEL [--wait-item S]\n"
      "       sni_host activate X Y [--wait-item S]\n"
      "       sni_host wait-gone [--wait-item S]\n",
      stderr);
  return uso;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList args = app.arguments().mid(1);
  Opciones o;
  QStringList posicionales;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& a = args[i];
    auto valor = [&](QString& destino) {
      if (i + 1 >= args.size()) return false;
      destino = args[++i];
      return true;
    };
    QString v;
    if (a == QLatin1String("--wait-item") || a == QLatin1String("--max-seconds")) {
      bool numero = false;
      if (!valor(v)) return usoIncorrecto(a + QStringLiteral(" needs a number"));
      const int n = v.toInt(&numero);
      if (!numero || n < 0) return usoIncorrecto(a + QStringLiteral(" needs a number"));
      (a == QLatin1String("--wait-item") ? o.esperaDeItem : o.maxSegundos) = n;
    } else if (a == QLatin1String("--icons")) {
      if (!valor(o.carpetaDeIconos)) return usoIncorrecto(QStringLiteral("--icons needs a folder"));
    } else if (a.startsWith(QLatin1String("--"))) {
      return usoIncorrecto(QStringLiteral("unknown option ") + a);
    } else {
      posicionales << a;
    }
  }
  if (posicionales.isEmpty()) return usoIncorrecto(QStringLiteral("no command"));
  const QString orden = posicionales.takeFirst();

  if (orden == QLatin1String("watch")) {
    if (!posicionales.isEmpty()) return usoIncorrecto(QStringLiteral("watch takes no arguments"));
    return vigilar(app, o.maxSegundos);
  }
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    error(QStringLiteral("no session bus: ") + bus.lastError().message());
    return sinBus;
  }
  if (orden == QLatin1String("items") && posicionales.isEmpty()) return listar(bus);
  if (orden == QLatin1String("dump") && posicionales.isEmpty()) return volcar(bus, o);
  if (orden == QLatin1String("wait-gone") && posicionales.isEmpty())
    return esperarQueSeVaya(bus, o);
  if (orden == QLatin1String("click") && posicionales.size() == 1)
    return pulsar(bus, o, posicionales.first());
  if (orden == QLatin1String("activate") && posicionales.size() == 2) {
    bool bienX = false, bienY = false;
    const int x = posicionales[0].toInt(&bienX);
    const int y = posicionales[1].toInt(&bienY);
    if (!bienX || !bienY) return usoIncorrecto(QStringLiteral("X and Y are whole numbers"));
    return activar(bus, o, x, y);
  }
  return usoIncorrecto(QStringLiteral("unknown command or wrong arguments: ") + orden);
}
