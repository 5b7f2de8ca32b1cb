// The windows around a recording, apart from a real screen: where the bars go, the setup
// bar's choices stored and shown, Record only once, the clock and the pause button, the tray
// panel and the camera bubble.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCameraDevice>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMediaDevices>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QVideoFrame>
#include <QVideoSink>
#include <tuple>

#include "core/settings.h"
#include "core/texts.h"
#include "recording/controls_layout.h"
#include "recording/windows/camera_bubble.h"
#include "recording/windows/recording_bar.h"
#include "recording/windows/setup_bar.h"
#include "recording/windows/tray_panel.h"

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

TEST(ControlsLayout, BarsGoUnderTheAreaAboveItNearTheBottomAndStayInsideTheScreen) {
  const QRect visible(0, 0, 1920, 1050);
  const QSize barra(440, 64);
  EXPECT_EQ(posicionJuntoAlArea({400, 300, 800, 400}, barra, visible, kHuecoDelSetup),
            QPoint(580, 714));
  // No room under an area at the bottom: above it.
  EXPECT_EQ(posicionJuntoAlArea({400, 900, 800, 140}, barra, visible, kHuecoDelSetup),
            QPoint(580, 822));
  // An area running off the right edge: the bar stays inside.
  EXPECT_EQ(posicionJuntoAlArea({1000, 200, 2000, 300}, barra, visible, kHuecoDelSetup),
            QPoint(1472, 514));
}

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
  d().set(QStringLiteral("recordFPS"), 24);
  BarraDePrueba s(ObjetivoArea{QRect(0, 0, 1280, 800), QStringLiteral("pantalla")},
                  {0, 0, 1280, 800});
  ASSERT_EQ(s.combos.size(), 5);
  ASSERT_TRUE(s.medida && s.grabar);
  // The menus start on the stored values (24 fps shows as 30).
  EXPECT_EQ(s.combos[1]->currentText(), QStringLiteral("30 fps"));
  // An odd area: the size shown is the one the video will have, in even pixels.
  BarraDePrueba impar(ObjetivoArea{QRect(0, 0, 641, 357), {}}, {0, 0, 641, 357});
  EXPECT_EQ(impar.medida->text(), QStringLiteral("640 × 356"));

  s.elegir(0, 2);  // Retina: 2560 wide, brought down to 1920
  EXPECT_DOUBLE_EQ(d().real(QStringLiteral("recordScale")), 2.0);
  EXPECT_EQ(s.medida->text(), QStringLiteral("1920 × 1200"));
  s.elegir(1, 3);
  EXPECT_EQ(d().integer(QStringLiteral("recordFPS")), 60);
  s.elegir(2, 2);
  EXPECT_EQ(Settings::shared().recordAudioSource(), FuenteDeAudio::microfono);
  s.elegir(3, 1);
  EXPECT_EQ(Settings::shared().recordCameraShape(), FormaDeCamara::circulo);
  EXPECT_EQ(s.camaras, std::vector{FormaDeCamara::circulo});
  s.elegir(4, 3);
  EXPECT_EQ(d().integer(QStringLiteral("recordDelay")), 10);
  EXPECT_EQ(s.grabar->text(), QStringLiteral("Grabar en 10s"));
}

TEST_F(RecordingWindows, ReturnRecordsOnceEscapeCancelsAndAWindowGetsNoCamera) {
  BarraDePrueba s(ObjetivoArea{QRect(0, 0, 640, 480), {}}, {0, 0, 640, 480});
  s.barra->mostrar(QString());
  QTest::keyClick(s.w, Qt::Key_Return);
  QTest::keyClick(s.w, Qt::Key_Enter);
  s.grabar->click();
  QTest::keyClick(s.w, Qt::Key_Escape);
  EXPECT_EQ(std::pair(s.grabados, s.cancelados), std::pair(1, 1));

  BarraDePrueba ventana(ObjetivoVentana{42}, {100, 100, 500, 300});
  EXPECT_FALSE(ventana.combos[3]->isEnabled());
}

TEST_F(RecordingWindows, TheRecordingBarsClockPauseAndStop) {
  double segundos = 3599.6;
  int detenidos = 0, pausas = 0;
  ManejadoresDeBarra m;
  m.duracion = [&] { return segundos; };
  m.detener = [&] { ++detenidos; };
  m.pausar = [&] { ++pausas; };
  auto barra = crearBarraDeGrabacion(RecordingBar::Modo::grabacion, m,
                                     [] { return QStringLiteral("Ctrl+Super+P"); });
  auto* w = dynamic_cast<QWidget*>(barra.get());
  ASSERT_NE(w, nullptr);
  auto reloj = [&] {
    for (QLabel* l : w->findChildren<QLabel*>())
      if (l->text().contains(QLatin1Char(':'))) return l->text();
    return QString();
  };
  EXPECT_EQ(reloj(), QStringLiteral("59:59"));
  segundos = 3600;
  QTest::qWait(650);
  EXPECT_EQ(reloj(), QStringLiteral("1:00:00"));

  QToolButton* pausa = w->findChild<QToolButton*>();
  ASSERT_NE(pausa, nullptr);
  pausa->click();
  EXPECT_EQ(pausas, 1);
  barra->setPausado(true);
  EXPECT_EQ(pausa->toolTip(), QStringLiteral("Continuar la grabación (Ctrl+Super+P)"));

  // Stop runs once per press and the clock stands still afterwards.
  QPushButton* detener = w->findChild<QPushButton*>();
  ASSERT_NE(detener, nullptr);
  detener->click();
  EXPECT_EQ(detenidos, 1);
  segundos = 4000;
  QTest::qWait(650);
  EXPECT_EQ(reloj(), QStringLiteral("1:00:00"));
}

TEST_F(RecordingWindows, TheTrayPanelsTimePauseStopAndMenu) {
  int detenidos = 0, pausas = 0, menus = 0;
  ManejadoresDePanel m;
  m.detener = [&] { ++detenidos; };
  m.pausar = [&] { ++pausas; };
  m.menu = [&] { ++menus; };
  auto panel = crearPanelDeBandeja(m, QRect());
  auto* w = dynamic_cast<QWidget*>(panel.get());
  ASSERT_NE(w, nullptr);
  // Shown only when asked: the recorder is told to leave it out first.
  EXPECT_FALSE(w->isVisible());
  panel->mostrar();
  panel->actualizar(QStringLiteral("1:00:00"), false, QStringLiteral("Ctrl+Super+P"));
  EXPECT_EQ(w->findChild<QLabel*>()->text(), QStringLiteral("1:00:00"));
  const QList<QToolButton*> botones = w->findChildren<QToolButton*>();
  ASSERT_EQ(botones.size(), 2);
  QToolButton *pausa = botones[0], *stop = botones[1];
  EXPECT_EQ(pausa->accessibleName(), QStringLiteral("Pausar"));
  panel->actualizar(QStringLiteral("1:00:01"), true, QStringLiteral("Ctrl+Super+P"));
  EXPECT_EQ(pausa->accessibleName(), QStringLiteral("Continuar"));
  pausa->click();
  stop->click();
  // A right click, on the panel or one of its buttons, opens the tray menu.
  QContextMenuEvent enElBoton(QContextMenuEvent::Mouse, QPoint(4, 4),
                              stop->mapToGlobal(QPoint(4, 4)));
  QApplication::sendEvent(stop, &enElBoton);
  EXPECT_EQ(std::tuple(pausas, detenidos, menus), std::tuple(1, 1, 1));
  panel->quitar();
  EXPECT_FALSE(w->isVisible());
}

// A frame of one colour, as a camera would hand it over.
QVideoFrame cuadroDeColor(QColor color) {
  QVideoFrame f(QVideoFrameFormat(QSize(64, 48), QVideoFrameFormat::Format_BGRX8888));
  f.map(QVideoFrame::WriteOnly);
  for (int y = 0; y < 48; ++y) {
    auto* fila = reinterpret_cast<uint32_t*>(f.bits(0) + y * f.bytesPerLine(0));
    for (int x = 0; x < 64; ++x) fila[x] = color.rgb();
  }
  f.unmap();
  return f;
}

TEST_F(RecordingWindows, TheCameraBubbleShowsThePictureInItsShapeAndGrowsOnADoubleClick) {
  BurbujaDeCamara burbuja(QRect(100, 100, 600, 400), FormaDeCamara::circulo, nullptr);
  // In the area's bottom-right corner.
  EXPECT_EQ(burbuja.geometry(), QRect(506, 306, 170, 170));
  // Round: the corners are not part of the window.
  EXPECT_TRUE(burbuja.mask().contains(QPoint(85, 85)));
  EXPECT_FALSE(burbuja.mask().contains(QPoint(3, 3)));
  burbuja.sink()->setVideoFrame(cuadroDeColor(QColor(200, 30, 40)));
  QTest::qWait(50);
  const QImage visto = burbuja.grab().toImage();
  visto.save(QStringLiteral(ARTIFACTS_DIR "/camera_bubble.png"));  // for a person to look at
  const QColor centro = visto.pixelColor(visto.width() / 2, visto.height() / 2);
  EXPECT_NEAR(centro.red(), 200, 3);
  // The white ring at its edge.
  EXPECT_GT(visto.pixelColor(visto.width() / 2, 1).green(), 200);

  QTest::mouseDClick(&burbuja, Qt::LeftButton, {}, QPoint(85, 85));
  EXPECT_EQ(burbuja.size(), QSize(270, 270));
  burbuja.setForma(FormaDeCamara::rectangulo);
  EXPECT_EQ(burbuja.size(), QSize(352, 264));
  EXPECT_TRUE(burbuja.mask().contains(QPoint(3, 130)));  // square sides reach the edge
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
