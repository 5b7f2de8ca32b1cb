// The controller's own commands: uploads from the tray menu, the last window,
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
};

TEST_F(AppDelegateTest, CancellingAnUploadFromTheMenu) {
  SubidasEnCurso& list = SubidasEnCurso::shared();
  int cancelled1 = 0, cancelled2 = 0;
  auto first = list.agregar(QStringLiteral("Captura"), 1'200'000, [&] { ++cancelled1; });
  auto second = list.agregar(QStringLiteral("Grabación"), 8'000'000, [&] { ++cancelled2; });
  list.ponerProgreso(first, 0.30);

  app->ejecutar(Accion::cancelarSubida, 5);  // out of range
  // Each upload has its own cancel item in the tray menu: the last one cancels the second.
  const QList<ElementoDeMenu> items = app->menuDeBandeja().elementos;
  const auto cancelar = std::find_if(items.rbegin(), items.rend(), [](const ElementoDeMenu& e) {
    return e.accion == Accion::cancelarSubida;
  });
  ASSERT_NE(cancelar, items.rend());
  app->ejecutar(Accion::cancelarSubida, cancelar->valor);
  EXPECT_EQ(std::pair(cancelled1, cancelled2), std::pair(0, 1));
  EXPECT_EQ(list.activas(), QList{first});
  testing::procesarEventos();
  EXPECT_EQ(banco.bandeja->ultima.titulo, QStringLiteral(" 30 %"));
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

  banco.ventanasDeGrabacion.log.clear();
  app->showLastWindow();
  EXPECT_EQ(banco.ventanasDeGrabacion.log, (QStringList{"video+"}));

  QFile::remove(file);  // the file is gone: the editor comes back instead
  app->showLastWindow();
  EXPECT_TRUE(editor->visible);
}

TEST_F(AppDelegateTest, HotkeysAreRegisteredByModeSuspendedWhileEditedAndTakenByAProbe) {
  ASSERT_EQ(banco.hotkeys->registradas.size(), 10u);
  banco.sonda->esperando.insert(1);
  banco.hotkeys->pulsar(1);  // the probe takes it
  banco.hotkeys->pulsar(1);
  EXPECT_EQ(banco.capturas->pedidos, (std::vector<CaptureMode>{CaptureMode::area}));

  auto avisar = [](const char* nombre, const QVariant& v = {}) {
    NotificationCenter::shared().post(QString::fromUtf8(nombre), v);
    testing::procesarEventos();
  };
  Settings::shared().setHotkey(Hotkey{0, 0x1100}, CaptureMode::area);
  avisar(notificacion::kHotkeysChanged);
  EXPECT_EQ(banco.hotkeys->registradas[1].first, (Hotkey{0, 0x1100}));
  avisar(notificacion::kCapturandoAtajo, true);
  EXPECT_TRUE(banco.hotkeys->registradas.empty());

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
  EXPECT_TRUE(toast.second.startsWith(QStringLiteral("640×480, editada el 7/12/26")))
      << toast.second.toStdString();

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
