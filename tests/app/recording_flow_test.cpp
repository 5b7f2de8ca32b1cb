// The recording state machine driven through the shell's commands, with fakes behind it: the
// countdown, the camera, the tray icon, failures, recordings cut short and quitting. (A
// whole recording through the real shell: tests/recording/shell_recording_x11_test.cpp.)
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>

#include "shell_test.h"

namespace corvalin {
namespace {

class RecordingFlowTest : public testing::ShellTest {
 protected:
  const QStringList& log() { return banco.ventanasDeGrabacion.log; }
  void elegirArea() {
    app->ejecutar(Accion::toggleRecording);
    banco.areas->elegir(AreaElegida{QRect(10, 10, 300, 200), QStringLiteral("p-1")});
  }
};

TEST_F(RecordingFlowTest, TheRecordCommandCancelsSetupAndCountdownAndACountdownEndsInRecording) {
  elegirArea();
  app->capture(CaptureMode::record);  // the hotkey during setup
  EXPECT_FALSE(app->grabacion().preparando());

  Settings::shared().d().set(QStringLiteral("recordDelay"), 5);
  elegirArea();
  banco.ventanasDeGrabacion.setup->deSetup.grabar();
  ASSERT_EQ(banco.cuentas.size(), 1u);
  app->capture(CaptureMode::record);  // the hotkey during the countdown
  EXPECT_TRUE(banco.cuentas[0]->cerrada);

  Settings::shared().d().set(QStringLiteral("recordDelay"), 3);
  elegirArea();
  banco.ventanasDeGrabacion.setup->deSetup.grabar();
  ASSERT_EQ(banco.cuentas.size(), 2u);
  banco.cuentas[1]->alTerminar();
  ASSERT_TRUE(banco.grabadora->objetivo.has_value());
  EXPECT_EQ(std::get<ObjetivoArea>(*banco.grabadora->objetivo).rect, QRect(10, 10, 300, 200));
}

TEST_F(RecordingFlowTest, AWindowIsRecordedByItsIdAndGetsNoCamera) {
  Settings::shared().d().set(QStringLiteral("recordCameraShape"), QStringLiteral("circulo"));
  app->ejecutar(Accion::recordWindowAction);
  banco.ventanas->elegir(VentanaElegida{0x3a00007, QRect(50, 60, 800, 600), QStringLiteral("p-1")});
  EXPECT_TRUE(banco.ventanasDeGrabacion.pedidosDeCamara.empty());
  banco.ventanasDeGrabacion.setup->deSetup.grabar();
  EXPECT_EQ(std::get<ObjetivoVentana>(*banco.grabadora->objetivo).ventana, 0x3a00007u);
}

TEST_F(RecordingFlowTest, ACameraThatArrivesAfterTheFlowEndedIsClosed) {
  Settings::shared().d().set(QStringLiteral("recordCameraShape"), QStringLiteral("rectangulo"));
  elegirArea();
  app->grabacion().cancelarGrabacion();
  banco.ventanasDeGrabacion.entregarCamara();
  EXPECT_TRUE(log().contains(QStringLiteral("camara-")));

  // A failed start takes the flow's windows away and says why.
  elegirArea();
  banco.ventanasDeGrabacion.entregarCamara();
  banco.ventanasDeGrabacion.setup->deSetup.grabar();
  banco.grabadora->alEmpezar(QStringLiteral("No encontré la pantalla que se iba a grabar"));
  EXPECT_FALSE(app->grabacion().hayCamara());
  ASSERT_EQ(banco.alertas->vistas.size(), 1u);
  EXPECT_EQ(banco.alertas->vistas[0].informativo,
            QStringLiteral("No encontré la pantalla que se iba a grabar"));
}

TEST_F(RecordingFlowTest, TheTrayIconStopsOrOpensTheMenuAndEveryEndingIsReported) {
  grabarArea();
  EXPECT_EQ(banco.grabadora->fuera, std::vector<uint32_t>{0x4a00017u})
      << "the bar would be recorded";
  app->capture(CaptureMode::pauseRecording);
  EXPECT_TRUE(banco.grabadora->pausado_);
  app->clicEnIcono(true);   // a right click opens the menu
  app->clicEnIcono(false);  // a left click stops
  EXPECT_EQ(banco.grabadora->paradas, 1);
  banco.grabadora->termino(GrabacionTerminada{{}, {}, QStringLiteral("La grabación quedó vacía")});
  EXPECT_EQ(ultimoToast(), std::pair(QStringLiteral("No se grabó nada"),
                                     QStringLiteral("La grabación quedó vacía")));

  // Cut short (the window went): what was recorded is kept, and the toast says why.
  grabarArea();
  banco.grabadora->alInterrumpirse();
  EXPECT_EQ(banco.grabadora->paradas, 2);
  banco.grabadora->termino(
      GrabacionTerminada{QStringLiteral("/tmp/x.mp4"), QSize(640, 480),
                         QStringLiteral("Esa ventana ya no está en pantalla")});
  EXPECT_TRUE(log().contains(QStringLiteral("video+")));
  EXPECT_EQ(std::count(banco.toasts.begin(), banco.toasts.end(),
                       testing::ToastVisto(QStringLiteral("La grabación se detuvo"),
                                           QStringLiteral("Esa ventana ya no está en pantalla"))),
            1);
}

TEST_F(RecordingFlowTest, QuittingReturnsAsSoonAsTheFileIsFinished) {
  grabarArea();
  QTimer::singleShot(100, [this] {
    banco.grabadora->termino(GrabacionTerminada{QStringLiteral("/tmp/x.mp4"), {}, {}});
  });
  QElapsedTimer timer;
  timer.start();
  app->applicationWillTerminate();
  EXPECT_LT(timer.elapsed(), 1500);
  EXPECT_FALSE(log().contains(QStringLiteral("video+")));  // nothing opens on the way out
}

}  // namespace
}  // namespace corvalin
