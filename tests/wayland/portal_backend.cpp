// A global shortcuts backend for the desktop portal, for the tests: what a desktop's own
// backend does, without asking anyone. The real portal frontend talks to it as to any backend
// (org.freedesktop.impl.portal.GlobalShortcuts on
// org.freedesktop.impl.portal.desktop.corvalintest); the tests read what was bound and press a
// shortcut through org.corvalin.test.Shortcuts on the same name, at /org/corvalin/test:
//   Bound() -> as: "id|description|preferred trigger" for every shortcut the newest session
//              bound (as often as it was bound), while it is open
//   Press(s id): Activated and Deactivated for that shortcut in the last session that bound it
// With "refuse", it refuses screenshots, screen sharing and binding shortcuts (the user
// dismissed the desktop's dialog) instead.
#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDateTime>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

// A shortcut as the portal takes it: its id and properties, (sa{sv}) on the bus.
struct Atajo {
  QString id;
  QVariantMap propiedades;
};
using Atajos = QList<Atajo>;

QDBusArgument& operator<<(QDBusArgument& arg, const Atajo& a) {
  arg.beginStructure();
  arg << a.id << a.propiedades;
  arg.endStructure();
  return arg;
}
const QDBusArgument& operator>>(const QDBusArgument& arg, Atajo& a) {
  arg.beginStructure();
  arg >> a.id >> a.propiedades;
  arg.endStructure();
  return arg;
}

}  // namespace

Q_DECLARE_METATYPE(Atajo)
Q_DECLARE_METATYPE(Atajos)

namespace {

const QString kRutaDelPortal = u"/org/freedesktop/portal/desktop"_s;
const QString kInterfaz = u"org.freedesktop.impl.portal.GlobalShortcuts"_s;

struct Estado {
  QString sesion;
  Atajos atajos;
};

// The backend's side of a session: the frontend closes it when its client closes it or leaves,
// and then nothing is bound any more.
class Sesion : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.impl.portal.Session")

 public:
  Sesion(QObject* objeto, Estado* estado, QString ruta)
      : QDBusAbstractAdaptor(objeto), estado_(estado), ruta_(std::move(ruta)) {}

 public Q_SLOTS:
  void Close() {
    if (estado_->sesion == ruta_) *estado_ = {};
    QDBusConnection::sessionBus().unregisterObject(ruta_);
    parent()->deleteLater();
  }

 private:
  Estado* estado_;
  QString ruta_;
};

class Atajos_ : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.impl.portal.GlobalShortcuts")
  Q_PROPERTY(uint version READ version)

 public:
  Atajos_(QObject* padre, Estado* estado, uint respuesta)
      : QDBusAbstractAdaptor(padre), estado_(estado), respuesta_(respuesta) {}
  uint version() const { return 1; }

 public Q_SLOTS:
  uint CreateSession(const QDBusObjectPath&, const QDBusObjectPath& sesion, const QString&,
                     const QVariantMap&, QVariantMap& resultados) {
    // A new session has nothing bound yet: what Bound() lists is always the newest session's,
    // and nothing once that one is closed (its client gone).
    *estado_ = {sesion.path(), {}};
    auto* objeto = new QObject;  // gone when the session is closed
    new Sesion(objeto, estado_, sesion.path());
    QDBusConnection::sessionBus().registerObject(sesion.path(), objeto);
    resultados.insert(u"session_id"_s, sesion.path());
    return 0;
  }
  uint BindShortcuts(const QDBusObjectPath&, const QDBusObjectPath& sesion, const Atajos& atajos,
                     const QString&, const QVariantMap&, QVariantMap& resultados) {
    estado_->sesion = sesion.path();
    estado_->atajos += atajos;
    Atajos hechos = atajos;
    for (auto& [id, p] : hechos)
      p.insert(u"trigger_description"_s, p.value(u"preferred_trigger"_s).toString());
    resultados.insert(u"shortcuts"_s, QVariant::fromValue(hechos));
    return respuesta_;
  }

 private:
  Estado* estado_;
  uint respuesta_;
};

// Every screenshot refused.
class Capturas : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.impl.portal.Screenshot")
  Q_PROPERTY(uint version READ version)

 public:
  explicit Capturas(QObject* padre) : QDBusAbstractAdaptor(padre) {}
  // Version 1: the frontend hands every request to the backend instead of first asking the
  // user for a permission through a dialog nobody would answer here.
  uint version() const { return 1; }

 public Q_SLOTS:
  uint Screenshot(const QDBusObjectPath&, const QString&, const QString&, const QVariantMap&,
                  QVariantMap&) {
    return 2;
  }
};

// Every screen-sharing session refused at its start: the rest never comes.
class Pantallas : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.impl.portal.ScreenCast")
  Q_PROPERTY(uint version READ version)

 public:
  explicit Pantallas(QObject* padre) : QDBusAbstractAdaptor(padre) {}
  uint version() const { return 4; }

 public Q_SLOTS:
  uint CreateSession(const QDBusObjectPath&, const QDBusObjectPath&, const QString&,
                     const QVariantMap&, QVariantMap&) {
    return 2;
  }
};

class Pruebas : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.corvalin.test.Shortcuts")

 public:
  Pruebas(QObject* padre, Estado* estado) : QDBusAbstractAdaptor(padre), estado_(estado) {}

 public Q_SLOTS:
  QStringList Bound() const {
    QStringList lista;
    for (const auto& [id, p] : estado_->atajos)
      lista << u"%1|%2|%3"_s.arg(id, p.value(u"description"_s).toString(),
                                 p.value(u"preferred_trigger"_s).toString());
    return lista;
  }
  void Press(const QString& id) {
    for (const char* senal : {"Activated", "Deactivated"}) {
      QDBusMessage m =
          QDBusMessage::createSignal(kRutaDelPortal, kInterfaz, QString::fromLatin1(senal));
      m << QVariant::fromValue(QDBusObjectPath(estado_->sesion)) << id
        << quint64(QDateTime::currentMSecsSinceEpoch()) << QVariantMap();
      QDBusConnection::sessionBus().send(m);
    }
  }

 private:
  Estado* estado_;
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  qDBusRegisterMetaType<Atajo>();
  qDBusRegisterMetaType<Atajos>();
  QDBusConnection bus = QDBusConnection::sessionBus();
  Estado estado;
  QObject portal, pruebas;
  const bool rehusar = app.arguments().value(1) == QLatin1String("refuse");
  new Atajos_(&portal, &estado, rehusar ? 1 : 0);
  if (rehusar) {
    new Capturas(&portal);
    new Pantallas(&portal);
  } else {
    new Pruebas(&pruebas, &estado);
  }
  if (!bus.registerObject(kRutaDelPortal, &portal) ||
      !bus.registerObject(u"/org/corvalin/test"_s, &pruebas) ||
      !bus.registerService(u"org.freedesktop.impl.portal.desktop.corvalintest"_s)) {
    std::fprintf(stderr, "portal_backend: %s\n", qPrintable(bus.lastError().message()));
    return 1;
  }
  return app.exec();
}

#include "portal_backend.moc"
