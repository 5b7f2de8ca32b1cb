// The portal client against a stand-in portal on the test session's bus: no desktop here runs
// a real global-shortcuts portal.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QMutex>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include "core/settings.h"
#include "core/settings_store.h"
#include "hotkeys/portal_hotkey_manager.h"

namespace corvalin {
namespace {

const QString kRuta = QStringLiteral("/org/freedesktop/portal/desktop");

// Serves on its own connection and thread, as a separate process would: the client's
// blocking availability query must not wait on our own main thread.
class PortalFalso : public QDBusVirtualObject {
 public:
  struct Atajo {
    QString id, descripcion, disparador;
  };

  explicit PortalFalso(uint respuestaAlEnlazar = 0)
      : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("portal"))),
        respuestaAlEnlazar_(respuestaAlEnlazar) {
    listo_ = bus_.isConnected() && tomarElNombre() && bus_.registerVirtualObject(kRuta, this);
    moveToThread(&hilo_);
    hilo_.start();
  }
  ~PortalFalso() override {
    hilo_.quit();
    hilo_.wait();
    bus_.unregisterObject(kRuta);
    bus_.unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
    QDBusConnection::disconnectFromBus(QStringLiteral("portal"));
  }
  bool listo() const { return listo_; }

  // Other test processes on the same bus may be serving their own stand-in: queue for the
  // portal's name and wait until it is ours, so that no client talks to another test's portal.
  bool tomarElNombre() {
    const QString nombre = QStringLiteral("org.freedesktop.portal.Desktop");
    QDBusConnectionInterface* bus = bus_.interface();
    if (!bus->registerService(nombre, QDBusConnectionInterface::QueueService,
                              QDBusConnectionInterface::DontAllowReplacement)
             .isValid()) {
      return false;
    }
    QElapsedTimer t;
    t.start();
    while (bus->serviceOwner(nombre).value() != bus_.baseService()) {
      if (t.elapsed() > 20000) return false;
      QThread::msleep(20);
    }
    return true;
  }
  QList<Atajo> enlazados() const {
    QMutexLocker lock(&cerrojo_);
    return enlazados_;
  }

  void activar(const QString& id) {
    QDBusMessage s =
        QDBusMessage::createSignal(kRuta, QStringLiteral("org.freedesktop.portal.GlobalShortcuts"),
                                   QStringLiteral("Activated"));
    QMutexLocker lock(&cerrojo_);
    s << QVariant::fromValue(QDBusObjectPath(sesion_)) << id << qulonglong(0) << QVariantMap();
    bus_.send(s);
  }

  QString introspect(const QString&) const override { return {}; }

  bool handleMessage(const QDBusMessage& m, const QDBusConnection& bus) override {
    const QString emisor = m.service().mid(1).replace(u'.', u'_');
    const QVariantList args = m.arguments();
    if (m.member() == QLatin1String("Get")) {
      bus.send(m.createReply(QVariant::fromValue(QDBusVariant(2u))));
      return true;
    }
    const QVariantMap opciones = qdbus_cast<QVariantMap>(args.last());
    const QString peticion =
        kRuta + "/request/" + emisor + u'/' + opciones.value("handle_token").toString();
    uint respuesta = 0;
    QVariantMap resultados;
    QMutexLocker lock(&cerrojo_);
    if (m.member() == QLatin1String("CreateSession")) {
      sesion_ =
          kRuta + "/session/" + emisor + u'/' + opciones.value("session_handle_token").toString();
      resultados.insert("session_handle", sesion_);
    } else if (m.member() == QLatin1String("BindShortcuts")) {
      const QDBusArgument lista = args.at(1).value<QDBusArgument>();
      lista.beginArray();
      while (!lista.atEnd()) {
        QString id;
        QVariantMap props;
        lista.beginStructure();
        lista >> id >> props;
        lista.endStructure();
        enlazados_.push_back({id, props.value("description").toString(),
                              props.value("preferred_trigger").toString()});
      }
      lista.endArray();
      respuesta = respuestaAlEnlazar_;
    } else {
      return false;
    }
    bus.send(m.createReply(QVariant::fromValue(QDBusObjectPath(peticion))));
    // The answer comes afterwards, as a signal on the request's path.
    QDBusMessage s = QDBusMessage::createSignal(
        peticion, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
    s << respuesta << resultados;
    bus_.send(s);
    return true;
  }

 private:
  QDBusConnection bus_;
  uint respuestaAlEnlazar_;
  bool listo_ = false;
  QThread hilo_;
  mutable QMutex cerrojo_;
  QString sesion_;
  QList<Atajo> enlazados_;
};

class PortalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "needs a session bus";
  }
  std::function<void()> contar(uint32_t id) {
    return [this, id] {
      pulsaciones[id]++;
      enHiloPrincipal = enHiloPrincipal && QThread::currentThread() == qApp->thread();
    };
  }
  // Registers the ten modes the way the shell does.
  void registrarTodo(HotkeyManager& m) {
    for (CaptureMode mode : kAllCaptureModes) {
      EXPECT_TRUE(m.registrar(defaultHotkey(mode), hotkeyId(mode), contar(hotkeyId(mode))));
    }
  }
  std::map<uint32_t, int> pulsaciones;
  bool enHiloPrincipal = true;
};

TEST_F(PortalTest, BindsTheTenModesAndRunsWhatTheDesktopActivates) {
  PortalFalso portal;
  ASSERT_TRUE(portal.listo());
  ASSERT_TRUE(PortalHotkeyManager::disponible(QDBusConnection::sessionBus()));
  int fallos = 0;
  PortalHotkeyManager atajos(QDBusConnection::sessionBus(), [&fallos] { ++fallos; });
  registrarTodo(atajos);
  EXPECT_FALSE(atajos.registrar(Hotkey{53, 0}, 900, [] {}));  // only the ten modes bind
  ASSERT_TRUE(QTest::qWaitFor([&] { return portal.enlazados().size() == qsizetype(10); }))
      << portal.enlazados().size();
  EXPECT_EQ(portal.enlazados()[0].id, QStringLiteral("area"));
  EXPECT_EQ(portal.enlazados()[0].descripcion, title(CaptureMode::area));
  EXPECT_EQ(portal.enlazados()[0].disparador, QStringLiteral("SHIFT+LOGO+0"));
  EXPECT_EQ(portal.enlazados()[9].id, QStringLiteral("pauseRecording"));
  EXPECT_EQ(portal.enlazados()[9].disparador, QStringLiteral("CTRL+LOGO+p"));

  portal.activar(QStringLiteral("area"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return pulsaciones[1] == 1; })) << pulsaciones[1];
  EXPECT_TRUE(enHiloPrincipal);
  // Unregistered ids ignore their activations; the shortcuts stay bound, once.
  atajos.unregisterAll();
  EXPECT_TRUE(atajos.registrar(defaultHotkey(CaptureMode::window), 2, contar(2)));
  portal.activar(QStringLiteral("area"));
  portal.activar(QStringLiteral("window"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return pulsaciones[2] == 1; })) << pulsaciones[2];
  EXPECT_EQ(pulsaciones[1], 1);
  EXPECT_EQ(portal.enlazados().size(), 10);
  EXPECT_EQ(fallos, 0);
}

TEST_F(PortalTest, WithoutGlobalShortcutsTheNoticeComesOnceAndNothingRegisters) {
  {
    PortalFalso portal(/*respuestaAlEnlazar=*/1);  // the user dismissed the desktop's dialog
    ASSERT_TRUE(portal.listo());
    int fallos = 0;
    PortalHotkeyManager atajos(QDBusConnection::sessionBus(), [&fallos] { ++fallos; });
    registrarTodo(atajos);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fallos == 1; })) << fallos;
    EXPECT_FALSE(atajos.registrar(Hotkey{29, Hotkey::kShift | Hotkey::kCommand}, 1, [] {}));
  }
  QTemporaryDir carpeta;
  SettingsStore store(carpeta.filePath(QStringLiteral("corvalin.conf")));
  int avisos = 0;
  auto contar = [&avisos](const QString& titulo, const QString& detalle) {
    EXPECT_FALSE(titulo.isEmpty());
    EXPECT_TRUE(detalle.contains(QStringLiteral("corvalin area")));
    ++avisos;
  };
  for (int arranque = 0; arranque < 2; ++arranque) {
    std::unique_ptr<HotkeyManager> sin = crearGestorSinAtajos(store, contar);
    for (int vez = 0; vez < 2; ++vez) {
      EXPECT_FALSE(sin->registrar(Hotkey{29, Hotkey::kShift | Hotkey::kCommand}, 1, [] {}));
    }
  }
  EXPECT_EQ(avisos, 1);
}

}  // namespace
}  // namespace corvalin
