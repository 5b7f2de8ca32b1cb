// The controller's own commands: settings from the tray menu, uploads, the last window,
// hotkeys, the screen-capture permission and the capture an earlier run left unsaved.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "platform/notification_center.h"
#include "shell_test.h"
#include "upload/subidas_en_curso.h"

namespace corvalin {
namespace {

class AppDelegateTest : public testing::ShellTest {
 protected:
  void TearDown() override {
    SubidasEnCurso& list = SubidasEnCurso::shared();
    while (!list.activas().isEmpty()) list.quitar(list.activas().first());
    ShellTest::TearDown();
  }
  SettingsStore& d() { return Settings::shared().d(); }
};

TEST_F(AppDelegateTest, MenuSettingCommandsClampAndStore) {
  const std::vector<std::tuple<Accion, QVariant, const char*, double>> casos{
      {Accion::cambiarEscalaDeVideo, 0.1, "recordScale", 0.25},
      {Accion::cambiarFPS, 120, "recordFPS", 60},
      {Accion::cambiarRetraso, 99, "recordDelay", 10},
      {Accion::cambiarRetraso, "tres", "recordDelay", 0}};
  for (const auto& [accion, valor, clave, esperado] : casos) {
    app->ejecutar(accion, valor);
    EXPECT_DOUBLE_EQ(d().real(QString::fromLatin1(clave)), esperado)
        << valor.toString().toStdString();
  }
  app->ejecutar(Accion::cambiarFuenteDeAudio, QStringLiteral("microfono"));
  app->ejecutar(Accion::cambiarFuenteDeAudio, QStringLiteral("altavoz"));
  EXPECT_EQ(Settings::shared().recordAudioSource(), FuenteDeAudio::microfono);
  // Nothing was left unsaved by an earlier run: no toast at all.
  EXPECT_TRUE(banco.toastsConAccion.empty());
}

TEST_F(AppDelegateTest, ChangingTheDestinationNotifiesAndSaysWhereUploadsGo) {
  QVariant posted;
  NotificationCenter::shared().observe(QString::fromUtf8(notificacion::kDestinoCambio), app.get(),
                                       [&](const QVariant& v) { posted = v; });
  app->ejecutar(Accion::cambiarDestino, QStringLiteral("propio"));
  EXPECT_EQ(ultimoToast(),
            std::pair(QStringLiteral("Tu propio S3"), QStringLiteral("A tu propio bucket")));
  testing::procesarEventos();
  EXPECT_EQ(posted.toString(), QStringLiteral("propio"));

  app->ejecutar(Accion::cambiarDestino, QStringLiteral("ftp"));
  EXPECT_EQ(banco.toasts.size(), 1u);
  EXPECT_EQ(Settings::shared().uploadTarget(), DestinoDeSubida::propio);
}

TEST_F(AppDelegateTest, CancellingAnUploadFromTheMenu) {
  SubidasEnCurso& list = SubidasEnCurso::shared();
  int cancelled1 = 0, cancelled2 = 0;
  auto first = list.agregar(QStringLiteral("Captura"), 1'200'000, [&] { ++cancelled1; });
  auto second = list.agregar(QStringLiteral("Grabación"), 8'000'000, [&] { ++cancelled2; });
  list.ponerProgreso(first, 0.30);
  list.ponerProgreso(second, 0.61);

  app->ejecutar(Accion::cancelarSubida, 5);  // out of range
  EXPECT_EQ(list.activas().size(), 2);
  app->ejecutar(Accion::cancelarSubida, 0);
  EXPECT_EQ(std::pair(cancelled1, cancelled2), std::pair(1, 0));
  EXPECT_EQ(list.activas(), QList{second});
  EXPECT_EQ(ultimoToast(),
            std::pair(QStringLiteral("Subida cancelada"), QStringLiteral("Captura")));
  testing::procesarEventos();
  EXPECT_EQ(banco.bandeja->ultima.titulo, QStringLiteral(" 61 %"));
}

TEST_F(AppDelegateTest, ShowLastWindowPrefersAReviewWhoseFileExists) {
  app->ejecutar(Accion::showLastWindow);  // nothing to show: nothing happens
  EXPECT_TRUE(banco.ventanasDeGrabacion.log.isEmpty());

  banco.portapapeles->imagen_ = QImage(8, 8, QImage::Format_RGB32);
  app->ejecutar(Accion::pasteFromClipboard);
  const auto editor = banco.editores.back();
  QTemporaryDir dir;
  const QString file = dir.path() + QStringLiteral("/g.mp4");
  QFile(file).open(QIODevice::WriteOnly);
  // A finished recording: the editor steps aside, the review window opens.
  app->ejecutar(Accion::recordFullscreenAction);
  banco.ventanasDeGrabacion.setup->deSetup.grabar();
  banco.grabadora->empezo();
  app->ejecutar(Accion::recordFullscreenAction);
  banco.grabadora->termino(GrabacionTerminada{file, QSize(10, 10), {}});
  EXPECT_FALSE(editor->visible);

  banco.ventanasDeGrabacion.log.clear();
  app->showLastWindow();
  EXPECT_EQ(banco.ventanasDeGrabacion.log, (QStringList{"video+"}));

  QFile::remove(file);  // the file is gone: the editor comes back instead
  banco.ventanasDeGrabacion.log.clear();
  app->showLastWindow();
  EXPECT_TRUE(banco.ventanasDeGrabacion.log.isEmpty());
  EXPECT_TRUE(editor->visible);
}

TEST_F(AppDelegateTest, HotkeysAreRegisteredByModeSuspendedWhileEditedAndTakenByAProbe) {
  ASSERT_EQ(banco.hotkeys->registradas.size(), 10u);
  banco.hotkeys->pulsar(1);
  EXPECT_EQ(banco.capturas->pedidos, (std::vector<CaptureMode>{CaptureMode::area}));
  banco.sonda->esperando.insert(1);
  banco.hotkeys->pulsar(1);
  EXPECT_EQ(banco.capturas->pedidos.size(), 1u);  // the probe took it
  banco.hotkeys->pulsar(1);
  EXPECT_EQ(banco.capturas->pedidos.size(), 2u);

  auto avisar = [](const char* nombre, const QVariant& v = {}) {
    NotificationCenter::shared().post(QString::fromUtf8(nombre), v);
    testing::procesarEventos();
  };
  Settings::shared().setHotkey(Hotkey{0, 0x1100}, CaptureMode::area);
  avisar(notificacion::kHotkeysChanged);
  EXPECT_EQ(banco.hotkeys->registradas[1].first, (Hotkey{0, 0x1100}));
  avisar(notificacion::kCapturandoAtajo, true);
  EXPECT_TRUE(banco.hotkeys->registradas.empty());
  avisar(notificacion::kCapturandoAtajo, false);
  EXPECT_EQ(banco.hotkeys->registradas.size(), 10u);

  // A combination another client holds does not stop the others.
  banco.hotkeys->ocupadas.push_back(Hotkey{0, 0x1100});
  app->registerHotkeys();
  EXPECT_EQ(banco.hotkeys->registradas.size(), 9u);
  EXPECT_FALSE(banco.hotkeys->registradas.count(1));
}

TEST_F(AppDelegateTest, WithoutScreenPermissionTheCommandStopsAtTheAlert) {
  banco.permiso = false;
  app->capture(CaptureMode::area);
  EXPECT_TRUE(banco.capturas->pedidos.empty());
  ASSERT_EQ(banco.alertas->vistas.size(), 1u);
  EXPECT_EQ(banco.alertas->vistas[0].mensaje,
            QStringLiteral("Corvalin necesita permiso para capturar la pantalla"));
  testing::procesarEventos();
  EXPECT_EQ(banco.alertas->vistas.size(), 1u);  // "Cancel": no retry

  banco.alertas->respuesta = 0;  // "Try again", and the desktop now allows it
  app->capture(CaptureMode::ocr);
  banco.permiso = true;
  testing::procesarEventos();
  EXPECT_EQ(banco.capturas->pedidos,
            (std::vector<CaptureMode>{CaptureMode::area}));  // text: an area
}

// Two copies left unsaved by an earlier run.
class ShellRecovery : public testing::ShellTest {
 protected:
  void ajustar(Piezas&) override {
    const QDateTime ayer(QDate(2026, 12, 7), QTime(18, 5), Qt::LocalTime);
    banco.copias = {{QStringLiteral("/estado/recovery/nueva"), ayer, QSize(640, 480), 3},
                    {QStringLiteral("/estado/recovery/vieja"), ayer.addDays(-3), QSize(10, 10), 1}};
  }
};

TEST_F(ShellRecovery, TheNewestUnsavedCaptureIsOfferedOnceAndItsButtonReopensIt) {
  ASSERT_EQ(banco.toastsConAccion.size(), 1u);
  const auto& [toast, accion] = banco.toastsConAccion[0];
  EXPECT_EQ(toast.titulo, QStringLiteral("Quedó una captura sin guardar"));
  EXPECT_TRUE(toast.detalle.startsWith(QStringLiteral("640×480, editada el 7/12/26")))
      << toast.detalle.toStdString();
  EXPECT_TRUE(banco.editores.empty());

  accion.alElegir();
  ASSERT_EQ(banco.editores.size(), 1u);
  const auto recuperado = banco.editores[0];
  EXPECT_EQ(recuperado->carpeta, QStringLiteral("/estado/recovery/nueva"));
  EXPECT_EQ(app->editor(), recuperado->ventana);

  // A new capture ends the recovered document (its copy goes with it).
  app->abrirEditor(QImage(4, 4, QImage::Format_ARGB32));
  EXPECT_EQ(recuperado->documentoTerminado, 1);

  // A copy that can't be read says so and opens nothing.
  app->abrirEditorRecuperado(QStringLiteral("/estado/recovery/dañada"));
  EXPECT_EQ(ultimoToast().first, QStringLiteral("No se pudo recuperar la captura"));
  EXPECT_EQ(banco.editores.size(), 2u);
}

}  // namespace
}  // namespace corvalin
