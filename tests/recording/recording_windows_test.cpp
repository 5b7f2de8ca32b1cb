// The windows around a recording, apart from a real screen: the setup bar's choices stored and
// shown, Record only once, the stop button, and the camera bubble. (The tray
// panel: shell_recording_x11_test.cpp and tests/app.)
#include <gtest/gtest.h>

#include <QCameraDevice>
#include <QComboBox>
#include <QLabel>
#include <QMediaDevices>
#include <QPushButton>
#include <QTest>
#include <QVideoFrame>
#include <QVideoSink>

#include "core/settings.h"
#include "core/texts.h"
#include "recording/windows/camera_bubble.h"
#include "recording/windows/recording_bar.h"
#include "recording/windows/setup_bar.h"

namespace corvalin {
namespace {

SettingsStore& d() {
  return Settings::shared().d();
}

class RecordingWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const QString& key : d().storedKeys()) d().remove(key);
    fijarIdiomaActual(Idioma::español);
  }
};

struct BarraDePrueba {
  std::unique_ptr<RecordSetupBar> barra;
  QWidget* w = nullptr;
  int grabados = 0, cancelados = 0;
  std::vector<FormaDeCamara> camaras;
  QList<QComboBox*> combos;
  QLabel* medida = nullptr;
  QPushButton* grabar = nullptr;

  BarraDePrueba(const ObjetivoDeGrabacion& objetivo, QRect marco) {
    ManejadoresDeSetup m;
    m.grabar = [this] { ++grabados; };
    m.cancelar = [this] { ++cancelados; };
    m.cambiarCamara = [this](FormaDeCamara f) { camaras.push_back(f); };
    barra = crearBarraDeAjustes(objetivo, marco, std::move(m));
    w = dynamic_cast<QWidget*>(barra.get());
    combos = w->findChildren<QComboBox*>();
    for (QLabel* l : w->findChildren<QLabel*>())
      if (l->toolTip() == L("Medidas del video en píxeles")) medida = l;
    for (QPushButton* b : w->findChildren<QPushButton*>())
      if (b->property("rol").toString() == QStringLiteral("grabar")) grabar = b;
  }
  // Chooses entry `i` of the menu as a person would.
  void elegir(int menu, int i) {
    combos[menu]->setCurrentIndex(i);
    Q_EMIT combos[menu]->activated(i);
  }
};

TEST_F(RecordingWindows, TheSetupBarStoresEachChoiceAndShowsTheVideosSize) {
  BarraDePrueba s(ObjetivoArea{QRect(0, 0, 1280, 800), QStringLiteral("pantalla")},
                  {0, 0, 1280, 800});
  ASSERT_EQ(s.combos.size(), 5);
  ASSERT_TRUE(s.medida && s.grabar);
  // An odd area: the size shown is the one the video will have, in even pixels.
  BarraDePrueba impar(ObjetivoArea{QRect(0, 0, 641, 357), {}}, {0, 0, 641, 357});
  EXPECT_EQ(impar.medida->text(), QStringLiteral("640 × 356"));

  s.elegir(0, 2);  // Retina: 2560 wide, brought down to 1920
  EXPECT_DOUBLE_EQ(d().real(QStringLiteral("recordScale")), 2.0);
  EXPECT_EQ(s.medida->text(), QStringLiteral("1920 × 1200"));
  s.elegir(2, 2);
  EXPECT_EQ(Settings::shared().recordAudioSource(), FuenteDeAudio::microfono);
  s.elegir(3, 1);
  EXPECT_EQ(s.camaras, std::vector{FormaDeCamara::circulo});
  s.elegir(4, 3);
  EXPECT_EQ(d().integer(QStringLiteral("recordDelay")), 10);
  EXPECT_EQ(s.grabar->text(), QStringLiteral("Grabar en 10s"));
}

TEST_F(RecordingWindows, ReturnRecordsOnceAndEscapeCancels) {
  BarraDePrueba s(ObjetivoArea{QRect(0, 0, 640, 480), {}}, {0, 0, 640, 480});
  s.barra->mostrar(QString());
  QTest::keyClick(s.w, Qt::Key_Return);
  QTest::keyClick(s.w, Qt::Key_Enter);
  s.grabar->click();
  QTest::keyClick(s.w, Qt::Key_Escape);
  EXPECT_EQ(std::pair(s.grabados, s.cancelados), std::pair(1, 1));
}

TEST_F(RecordingWindows, TheRecordingBarsStopButtonStopsOncePerPress) {
  int detenidos = 0;
  ManejadoresDeBarra m;
  m.duracion = [] { return 12.0; };
  m.detener = [&] { ++detenidos; };
  auto barra = crearBarraDeGrabacion(RecordingBar::Modo::grabacion, m,
                                     [] { return QStringLiteral("Ctrl+Super+P"); });
  // (Pausing: the hotkey, in shell_recording_x11_test.cpp.)
  auto* detener = dynamic_cast<QWidget*>(barra.get())->findChild<QPushButton*>();
  ASSERT_NE(detener, nullptr);
  detener->click();
  EXPECT_EQ(detenidos, 1);
}

TEST_F(RecordingWindows, TheCameraBubbleShowsThePictureInItsShapeAndGrowsOnADoubleClick) {
  BurbujaDeCamara burbuja(QRect(100, 100, 600, 400), FormaDeCamara::circulo, nullptr);
  // Round: the corners are not part of the window.
  EXPECT_FALSE(burbuja.mask().contains(QPoint(3, 3)));
  // A red frame, as a camera would hand it over.
  QVideoFrame rojo(QVideoFrameFormat(QSize(64, 48), QVideoFrameFormat::Format_BGRX8888));
  rojo.map(QVideoFrame::WriteOnly);
  std::fill_n(reinterpret_cast<uint32_t*>(rojo.bits(0)), rojo.mappedBytes(0) / 4,
              qRgb(200, 30, 40));
  rojo.unmap();
  burbuja.sink()->setVideoFrame(rojo);
  QTest::qWait(50);
  const QImage visto = burbuja.grab().toImage();
  visto.save(QStringLiteral(ARTIFACTS_DIR "/camera_bubble.png"));  // for a person to look at
  EXPECT_NEAR(visto.pixelColor(visto.rect().center()).red(), 200, 3);

  QTest::mouseDClick(&burbuja, Qt::LeftButton, {}, QPoint(85, 85));
  EXPECT_EQ(burbuja.size(), QSize(270, 270));
  burbuja.cerrar();
  EXPECT_FALSE(burbuja.isVisible());
}

TEST_F(RecordingWindows, WithoutACameraTheToastSaysSoAndNoBubbleComes) {
  if (!QMediaDevices::videoInputs().isEmpty()) GTEST_SKIP() << "this machine has a camera";
  std::vector<QString> avisos;
  int respuestas = 0;
  mostrarCamara(
      {0, 0, 640, 480}, FormaDeCamara::circulo,
      [&](const QString& t, const QString& d, const QString&) {
        avisos = {t, d};
      },
      [&](std::unique_ptr<CamaraFlotante> b) { respuestas += b == nullptr; });
  QTest::qWait(20);
  EXPECT_EQ(respuestas, 1);
  EXPECT_EQ(avisos, (std::vector<QString>{QStringLiteral("No encontré una cámara"),
                                          QStringLiteral("Se graba solo la pantalla")}));
}

}  // namespace
}  // namespace corvalin
