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
  app->ejecutar(Accion::cambiarEscalaDeVideo, 0.1);
  EXPECT_DOUBLE_EQ(d().real(QStringLiteral("recordScale")), 0.25);
  app->ejecutar(Accion::cambiarEscalaDeVideo, QStringLiteral("doble"));
  EXPECT_DOUBLE_EQ(d().real(QStringLiteral("recordScale")), 1.0);
  app->ejecutar(Accion::cambiarEscalaDeVideo, 2.0);
  EXPECT_DOUBLE_EQ(d().real(QStringLiteral("recordScale")), 2.0);
  app->ejecutar(Accion::cambiarFPS, 120);
  EXPECT_EQ(d().integer(QStringLiteral("recordFPS")), 60);
  app->ejecutar(Accion::cambiarFPS, 1);
  EXPECT_EQ(d().integer(QStringLiteral("recordFPS")), 5);
  app->ejecutar(Accion::cambiarFuenteDeAudio, QStringLiteral("microfono"));
  EXPECT_EQ(Settings::shared().recordAudioSource(), FuenteDeAudio::microfono);
  app->ejecutar(Accion::cambiarFuenteDeAudio, QStringLiteral("altavoz"));
  EXPECT_EQ(Settings::shared().recordAudioSource(), FuenteDeAudio::microfono);
  app->ejecutar(Accion::cambiarRetraso, 99);
  EXPECT_EQ(d().integer(QStringLiteral("recordDelay")), 10);
  app->ejecutar(Accion::cambiarRetraso, QStringLiteral("tres"));
  EXPECT_EQ(d().integer(QStringLiteral("recordDelay")), 0);
  // Nothing was left unsaved by an earlier run: no toast at all.
  EXPECT_TRUE(banco.toasts.empty());
  EXPECT_TRUE(banco.toastsConAccion.empty());
}

TEST_F(AppDelegateTest, ChangingTheDestinationNotifiesAndSaysWhereUploadsGo) {
  QVariant posted;
  NotificationCenter::shared().observe(QString::fromUtf8(notificacion::kDestinoCambio), app.get(),
                                       [&](const QVariant& v) { posted = v; });
  app->ejecutar(Accion::cambiarDestino, QStringLiteral("propio"));
  EXPECT_EQ(Settings::shared().uploadTarget(), DestinoDeSubida::propio);
  ASSERT_EQ(banco.toasts.size(), 1u);
  EXPECT_EQ(ultimoToast(),
            std::pair(QStringLiteral("Tu propio S3"), QStringLiteral("A tu propio bucket")));
  EXPECT_EQ(banco.toasts[0].simbolo, QStringLiteral("externaldrive.badge.icloud"));
  testing::procesarEventos();
  EXPECT_EQ(posted.toString(), QStringLiteral("propio"));

  app->ejecutar(Accion::cambiarDestino, QStringLiteral("ftp"));
  EXPECT_EQ(banco.toasts.size(), 1u);
  EXPECT_EQ(Settings::shared().uploadTarget(), DestinoDeSubida::propio);
  app->ejecutar(Accion::cambiarDestino, QStringLiteral("nube"));
  EXPECT_EQ(banco.toasts.back().detalle, QStringLiteral("Sin configurar nada"));
  EXPECT_EQ(banco.toasts.back().simbolo, QStringLiteral("icloud.and.arrow.up"));
}

TEST_F(AppDelegateTest, CancellingAnUploadFromTheMenu) {
  SubidasEnCurso& list = SubidasEnCurso::shared();
  int cancelled1 = 0, cancelled2 = 0;
  auto first = list.agregar(QStringLiteral("Captura"), 1'200'000, [&] { ++cancelled1; });
  auto second = list.agregar(QStringLiteral("Grabación"), 8'000'000, [&] { ++cancelled2; });
  list.ponerProgreso(first, 0.30);
  list.ponerProgreso(second, 0.61);
  testing::procesarEventos();
  EXPECT_EQ(banco.bandeja->ultima.titulo, QStringLiteral(" 45 %"));
  EXPECT_EQ(app->estadoDeMenus().subidas.size(), 2);

  app->ejecutar(Accion::cancelarSubida, 5);  // out of range
  EXPECT_EQ(list.activas().size(), 2);
  app->ejecutar(Accion::cancelarSubida, 0);
  EXPECT_EQ(cancelled1, 1);
  EXPECT_EQ(cancelled2, 0);
  ASSERT_EQ(list.activas().size(), 1);
  EXPECT_EQ(list.activas()[0], second);
  EXPECT_EQ(ultimoToast(),
            std::pair(QStringLiteral("Subida cancelada"), QStringLiteral("Captura")));
  EXPECT_EQ(banco.toasts.back().simbolo, QStringLiteral("xmark.icloud"));
  // The remaining upload is now the first pair of items.
  EXPECT_EQ(app->estadoDeMenus().subidas.size(), 1);
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
  EXPECT_EQ(app->ultima(), AppDelegate::Ultima::video);

  banco.ventanasDeGrabacion.log.clear();
  app->showLastWindow();
  EXPECT_EQ(banco.ventanasDeGrabacion.log, (QStringList{"video+"}));
  EXPECT_FALSE(editor->visible);

  QFile::remove(file);  // the file is gone: the editor comes back instead
  banco.ventanasDeGrabacion.log.clear();
  app->showLastWindow();
  EXPECT_TRUE(banco.ventanasDeGrabacion.log.isEmpty());
  EXPECT_TRUE(editor->visible);
  EXPECT_TRUE(app->estadoDeMenus().hayEditor);
  EXPECT_FALSE(app->estadoDeMenus().hayVideoConArchivo);
}

TEST_F(AppDelegateTest, HotkeysAreRegisteredByModeSuspendedWhileEditedAndTakenByAProbe) {
  ASSERT_EQ(banco.hotkeys->registradas.size(), 10u);
  EXPECT_EQ(banco.hotkeys->registradas[1].first, (Hotkey{29, 768}));
  EXPECT_EQ(banco.hotkeys->registradas[10].first, (Hotkey{35, 4352}));
  banco.hotkeys->pulsar(1);
  EXPECT_EQ(banco.capturas->pedidos, (std::vector<CaptureMode>{CaptureMode::area}));
  banco.sonda->esperando.insert(1);
  banco.hotkeys->pulsar(1);
  EXPECT_EQ(banco.capturas->pedidos.size(), 1u);  // the probe took it
  EXPECT_EQ(banco.sonda->llegados, (std::vector<uint32_t>{1}));
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
  EXPECT_EQ(banco.alertas->vistas[0].botones,
            (QStringList{QStringLiteral("Intentar de nuevo"), QStringLiteral("Cancelar")}));
  EXPECT_EQ(banco.activaciones, 1);
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
  EXPECT_EQ(accion.titulo, QStringLiteral("Recuperar"));
  EXPECT_TRUE(banco.editores.empty());

  accion.alElegir();
  ASSERT_EQ(banco.editores.size(), 1u);
  const auto recuperado = banco.editores[0];
  EXPECT_EQ(recuperado->carpeta, QStringLiteral("/estado/recovery/nueva"));
  EXPECT_TRUE(recuperado->visible);
  EXPECT_EQ(app->editor(), recuperado->ventana);
  EXPECT_EQ(app->ultima(), AppDelegate::Ultima::editor);
  EXPECT_GE(banco.activaciones, 1);

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
