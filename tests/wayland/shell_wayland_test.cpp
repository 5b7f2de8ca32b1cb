// The tray application on a real Wayland desktop, as a person there would use it: the record
// command, Return in the setup bar, the command again to stop, Return in the review window;
// the file in the save folder, recorded through the desktop's portal.
#include <gtest/gtest.h>

#include <QDBusInterface>
#include <QDBusReply>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "recording/media_probe.h"
#include "tools/test_pattern.h"
#include "wayland_fixtures.h"

namespace corvalin {
namespace {

using testing::clienteWayland;
using testing::esperarVentana;
using testing::teclear;

class WaylandShell : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(home_.isValid());
    QDir(home_.path()).mkpath(QStringLiteral("Downloads"));
    env_ = QProcessEnvironment::systemEnvironment();
    env_.insert(QStringLiteral("HOME"), home_.path());
    env_.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.filePath(QStringLiteral("config")));
    env_.insert(QStringLiteral("XDG_DATA_HOME"), home_.filePath(QStringLiteral("data")));
    env_.insert(QStringLiteral("XDG_STATE_HOME"), home_.filePath(QStringLiteral("state")));
    env_.insert(QStringLiteral("LANG"), QStringLiteral("es_MX.UTF-8"));
    env_.insert(QStringLiteral("LANGUAGE"), QStringLiteral("es"));
  }
  void TearDown() override {
    if (app_.state() != QProcess::NotRunning) {
      app_.terminate();
      if (!app_.waitForFinished(10000)) app_.kill();
    }
  }
  // `corvalin --action NAME`: the first launch stays as the tray application.
  void accion(const char* nombre) {
    const QStringList args{QStringLiteral("--action"), QString::fromUtf8(nombre)};
    if (app_.state() == QProcess::NotRunning) {
      app_.setProcessEnvironment(env_);
      app_.start(QStringLiteral(CORVALIN), args);
      return;
    }
    QProcess otro;
    otro.setProcessEnvironment(env_);
    otro.start(QStringLiteral(CORVALIN), args);
    otro.waitForFinished(10000);
  }
  QStringList grabados() const {
    return QDir(home_.filePath(QStringLiteral("Downloads"))).entryList({QStringLiteral("*.mp4")});
  }

  QTemporaryDir home_;
  QProcessEnvironment env_;
  QProcess app_;
};

TEST_F(WaylandShell, TheWholeScreenIsRecordedFromTheCommandAndSavedFromTheReviewWindow) {
  const auto cliente = clienteWayland({QStringLiteral("moving")});
  ASSERT_TRUE(cliente);
  accion("recordFullscreenAction");
  const auto barra = esperarVentana(QRegularExpression(QStringLiteral("^Grabación( —.*)?$")));
  ASSERT_TRUE(barra) << "no setup bar";
  // A small floating bar, not a tile of half the screen.
  EXPECT_TRUE(barra->flotante);
  EXPECT_LT(barra->lugar.height(), 120);
  EXPECT_TRUE(barra->enfocada);
  ASSERT_TRUE(teclear(QStringLiteral("Return")));
  QThread::msleep(3000);
  accion("toggleRecording");
  const auto revision = esperarVentana(QRegularExpression(QStringLiteral("1920×1080")));
  ASSERT_TRUE(revision) << "no review window";
  QThread::msleep(500);
  ASSERT_TRUE(teclear(QStringLiteral("Return")));
  QElapsedTimer reloj;
  reloj.start();
  while (grabados().isEmpty() && reloj.elapsed() < 10000) QThread::msleep(100);
  ASSERT_EQ(grabados().size(), 1);

  const auto medios =
      testing::sondear(home_.filePath(QStringLiteral("Downloads/") + grabados().first()));
  ASSERT_NE(medios.video(), nullptr);
  EXPECT_EQ(medios.video()->ancho, 1920);
  EXPECT_EQ(medios.video()->alto, 1080);
  EXPECT_GT(medios.video()->duracion, 2.0);
  EXPECT_LT(medios.video()->duracion, 5.0);
  EXPECT_GT(medios.video()->paquetes, 20);
}

TEST_F(WaylandShell, AShortcutTheDesktopBoundTakesTheWholeScreenIntoTheEditor) {
  const auto cliente = clienteWayland({QStringLiteral("pattern"), QStringLiteral("3")});
  ASSERT_TRUE(cliente);
  app_.setProcessEnvironment(env_);
  app_.setProcessChannelMode(QProcess::MergedChannels);
  app_.setStandardOutputFile(home_.filePath(QStringLiteral("corvalin.log")));
  app_.start(QStringLiteral(CORVALIN), {});
  // The ten modes reach the desktop's backend through the portal, with their titles and the
  // stored keys as the preferred triggers.
  QDBusInterface prueba(QStringLiteral("org.freedesktop.impl.portal.desktop.corvalintest"),
                        QStringLiteral("/org/corvalin/test"),
                        QStringLiteral("org.corvalin.test.Shortcuts"));
  QStringList enlazados;
  QElapsedTimer reloj;
  reloj.start();
  while (enlazados.size() < 10 && reloj.elapsed() < 10000) {
    QThread::msleep(100);
    enlazados = QDBusReply<QStringList>(prueba.call(QStringLiteral("Bound"))).value();
  }
  ASSERT_EQ(enlazados.size(), 10) << enlazados.join(u' ').toStdString();
  const QStringList pantalla =
      enlazados.filter(QRegularExpression(QStringLiteral("^fullscreen\\|")));
  ASSERT_EQ(pantalla.size(), 1);
  const QStringList partes = pantalla.first().split(u'|');
  EXPECT_EQ(partes.value(1), QStringLiteral("Capturar pantalla completa"));
  EXPECT_TRUE(partes.value(2).contains(QStringLiteral("LOGO"))) << partes.value(2).toStdString();

  // The desktop reports the shortcut pressed: the whole screen opens in the editor, titled
  // with its size and the application's name once.
  prueba.call(QStringLiteral("Press"), QStringLiteral("fullscreen"));
  const auto editor =
      esperarVentana(QRegularExpression(QStringLiteral("^1920×1080 — Corvalin$")), 20000);
  if (!editor) {
    // What was on screen, and what Corvalin said, for whoever reads the failure.
    QStringList titulos;
    for (const auto& v : testing::ventanasDeSway()) titulos << v.titulo;
    QFile registro(home_.filePath(QStringLiteral("corvalin.log")));
    (void)registro.open(QIODevice::ReadOnly);
    ADD_FAILURE() << "no editor; windows: " << titulos.join(u'|').toStdString()
                  << "\ncorvalin said: " << registro.readAll().toStdString();
  }
}

TEST_F(WaylandShell, AColourIsPickedOnThePortalsPictureOfTheScreenToTheClipboard) {
  const auto cliente = clienteWayland({QStringLiteral("pattern"), QStringLiteral("9")});
  ASSERT_TRUE(cliente);
  testing::PunteroVirtual puntero;
  ASSERT_TRUE(puntero.listo());
  accion("pickColorAction");
  // The chooser covers the screen with the picture: the loupe follows the pointer.
  ASSERT_TRUE(esperarVentana([](const testing::VentanaDeSway& v) {
    return v.appId.contains(QLatin1String("corvalin")) && v.lugar.size() == QSize(1920, 1080);
  }));
  QThread::msleep(300);
  ASSERT_TRUE(puntero.orden(QStringLiteral("move 640 360")));
  QThread::msleep(200);
  ASSERT_TRUE(puntero.orden(QStringLiteral("down")));
  ASSERT_TRUE(puntero.orden(QStringLiteral("up")));
  const QString esperado =
      QStringLiteral("#%1")
          .arg(tools::testing::patternPixel(9, 640, 360) & 0xffffffu, 6, 16, QLatin1Char('0'))
          .toUpper();
  QString pegado;
  QElapsedTimer reloj;
  reloj.start();
  while (pegado != esperado && reloj.elapsed() < 5000) {
    QThread::msleep(100);
    pegado = QString::fromUtf8(
        testing::correr(QStringLiteral("wl-paste"), {QStringLiteral("-n")}).salida);
  }
  EXPECT_EQ(pegado, esperado);
}

}  // namespace
}  // namespace corvalin
