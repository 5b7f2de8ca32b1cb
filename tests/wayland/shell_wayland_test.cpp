// The tray application on a real Wayland desktop, as a person there would use it: the record
// command, Return in the setup bar, the command again to stop, Return in the review window;
// the file in the save folder, recorded through the desktop's portal. And the global hotkeys
// through the desktop's portal, bound and pressed by the stand-in backend.
#include <gtest/gtest.h>

#include <QDBusInterface>
#include <QDBusReply>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include "recording/media_probe.h"
#include "wayland_fixtures.h"

namespace corvalin {
namespace {

using namespace Qt::Literals::StringLiterals;

using testing::esperarVentana;

class WaylandShell : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(home_.isValid());
    QDir(home_.path()).mkpath(u"Downloads"_s);
    env_.insert(u"HOME"_s, home_.path());
    env_.insert(u"XDG_CONFIG_HOME"_s, home_.filePath(u"config"_s));
    env_.insert(u"XDG_DATA_HOME"_s, home_.filePath(u"data"_s));
    env_.insert(u"XDG_STATE_HOME"_s, home_.filePath(u"state"_s));
    env_.insert(u"LANG"_s, u"es_MX.UTF-8"_s);
    env_.insert(u"LANGUAGE"_s, u"es"_s);
  }
  void TearDown() override {
    if (app_) {
      app_->terminate();
      app_->waitForFinished(10000);
    }
  }
  // `corvalin --action NAME`, or no action: the first launch stays as the tray application.
  void accion(const char* nombre = nullptr) {
    QStringList argumentos;
    if (nombre) argumentos << u"--action"_s << QString::fromUtf8(nombre);
    if (!app_) {
      app_.reset(new QProcess);
      app_->setProcessEnvironment(env_);
      app_->start(QStringLiteral(CORVALIN), argumentos);
      return;
    }
    QProcess otro;
    otro.setProcessEnvironment(env_);
    otro.start(QStringLiteral(CORVALIN), argumentos);
    otro.waitForFinished(10000);
  }
  QStringList grabados() const {
    return QDir(home_.filePath(u"Downloads"_s)).entryList({u"*.mp4"_s});
  }

  QTemporaryDir home_;
  QProcessEnvironment env_ = QProcessEnvironment::systemEnvironment();
  testing::Proceso app_;
};

// Types a key (an xkb name, "Return") into the focused window.
bool teclear(const QString& tecla) {
  return testing::correr(u"wtype"_s, {u"-k"_s, tecla}).codigo == 0;
}

TEST_F(WaylandShell, TheWholeScreenIsRecordedFromTheCommandAndSavedFromTheReviewWindow) {
  const auto cliente = testing::clienteWayland({u"moving"_s});
  ASSERT_TRUE(cliente);
  accion("recordFullscreenAction");
  const auto barra = esperarVentana(QRegularExpression(u"^Grabación( —.*)?$"_s));
  ASSERT_TRUE(barra) << "no setup bar";
  // A small floating bar, not a tile of half the screen, that takes the keys.
  EXPECT_EQ(barra->value(u"type"_s).toString(), u"floating_con"_s);
  EXPECT_TRUE(barra->value(u"focused"_s).toBool());
  EXPECT_LT(barra->value(u"rect"_s).toObject().value(u"height"_s).toInt(), 120);
  ASSERT_TRUE(teclear(u"Return"_s));
  QThread::msleep(3000);
  accion("toggleRecording");
  ASSERT_TRUE(esperarVentana(QRegularExpression(u"1920×1080"_s))) << "no review window";
  QThread::msleep(500);
  ASSERT_TRUE(teclear(u"Return"_s));
  (void)QTest::qWaitFor([&] { return !grabados().isEmpty(); }, 10000);
  ASSERT_EQ(grabados().size(), 1);

  const auto medios = testing::sondear(home_.filePath(u"Downloads/"_s + grabados().first()));
  ASSERT_NE(medios.video(), nullptr);
  EXPECT_EQ(medios.video()->alto, 1080);
  EXPECT_GT(medios.video()->duracion, 2.0);
  EXPECT_LT(medios.video()->duracion, 5.0);
}

// The stand-in backend's side: what the newest session bound, and the desktop's key press.
QDBusMessage alEscritorio(const QString& metodo, const QVariantList& args = {}) {
  QDBusInterface prueba(u"org.freedesktop.impl.portal.desktop.corvalintest"_s,
                        u"/org/corvalin/test"_s, u"org.corvalin.test.Shortcuts"_s);
  return prueba.callWithArgumentList(QDBus::Block, metodo, args);
}
QStringList enlazados() {
  QStringList lista;
  for (int i = 0; i < 100 && lista.size() < 10; ++i) {
    QTest::qWait(100);  // the hotkeys of this process bind from its event loop
    lista = QDBusReply<QStringList>(alEscritorio(u"Bound"_s)).value();
  }
  return lista;
}

TEST_F(WaylandShell, AShortcutTheDesktopBoundTakesTheWholeScreenIntoTheEditor) {
  const auto cliente = testing::clienteWayland({u"pattern"_s, u"3"_s});
  ASSERT_TRUE(cliente);
  accion();
  // The application binds the ten modes once, in its language, with the stored keys as the
  // preferred triggers.
  const QStringList lista = enlazados();
  ASSERT_EQ(lista.size(), 10) << lista.join(u' ').toStdString();
  EXPECT_TRUE(lista.contains(u"pauseRecording|Pausar / continuar grabación|CTRL+LOGO+p"_s))
      << lista.join(u' ').toStdString();

  // The desktop reports the shortcut pressed: the whole screen opens in the editor, titled
  // with its size and the application's name once.
  alEscritorio(u"Press"_s, {u"fullscreen"_s});
  EXPECT_TRUE(esperarVentana(QRegularExpression(u"^1920×1080 — Corvalin$"_s), 20000))
      << "no editor";
}

}  // namespace
}  // namespace corvalin
