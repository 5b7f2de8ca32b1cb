// The windows around a recording, apart from a real screen: where the bars go, the setup
// bar's choices stored and shown, Record only once, the clock and the pause button, the frame
// around the area and not over it.
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

#include "core/settings.h"
#include "core/texts.h"
#include "recording/controls_layout.h"
#include "recording/windows/camera_bubble.h"
#include "recording/windows/camera_layout.h"
#include "recording/windows/recording_bar.h"
#include "recording/windows/recording_frame.h"
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
  // Centred, 14 points under.
  EXPECT_EQ(posicionJuntoAlArea({400, 300, 800, 400}, barra, visible, kHuecoDelSetup),
            QPoint(580, 714));
  EXPECT_EQ(posicionJuntoAlArea({400, 300, 800, 400}, barra, visible, kHuecoDeLaBarra),
            QPoint(580, 712));
  // No room under an area at the bottom: above it.
  EXPECT_EQ(posicionJuntoAlArea({400, 900, 800, 140}, barra, visible, kHuecoDelSetup),
            QPoint(580, 822));
  // An area running off the right edge: the bar stays 8 points inside.
  EXPECT_EQ(posicionJuntoAlArea({1000, 200, 2000, 300}, barra, visible, kHuecoDelSetup),
            QPoint(1472, 514));
  // The whole screen: no room under or over, so over the top, 8 points in.
  EXPECT_EQ(posicionJuntoAlArea({0, 0, 1920, 1080}, barra, visible, kHuecoDelSetup),
            QPoint(740, 8));
  // A second screen to the right, its visible frame below a top panel.
  EXPECT_EQ(posicionJuntoAlArea({2000, 40, 600, 300}, barra, {1920, 30, 1280, 770}, kHuecoDelSetup),
            QPoint(2080, 354));
  // A bar larger than the screen is pinned to its top-left corner.
  EXPECT_EQ(
      posicionJuntoAlArea({0, 0, 300, 200}, QSize(500, 900), {0, 0, 400, 800}, kHuecoDelSetup),
      QPoint(8, 8));
}

TEST(ControlsLayout, TheTrayPanelGoesBesideTheIconOrIntoTheTopRightCorner) {
  const QRect visible(0, 28, 1920, 1052);  // below a top bar
  const QSize panel(120, 28);
  // An icon in the top bar: under it, 8 points inside the visible frame.
  EXPECT_EQ(posicionJuntoAlIcono({1700, 2, 24, 24}, panel, visible), QPoint(1652, 36));
  // An icon in a bottom panel at the right edge: above it, kept inside.
  EXPECT_EQ(posicionJuntoAlIcono({1890, 1052, 24, 24}, panel, {0, 0, 1920, 1050}),
            QPoint(1792, 1014));
  // The tray doesn't say: the top-right corner.
  EXPECT_EQ(posicionJuntoAlIcono({}, panel, visible), QPoint(1792, 36));
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
  ASSERT_NE(s.w, nullptr);
  ASSERT_EQ(s.combos.size(), 5);
  ASSERT_NE(s.medida, nullptr);
  ASSERT_NE(s.grabar, nullptr);
  // The menus start on the stored values (24 fps shows as 30).
  EXPECT_EQ(s.combos[0]->currentText(), QStringLiteral("Normal"));
  EXPECT_EQ(s.combos[1]->currentText(), QStringLiteral("30 fps"));
  EXPECT_EQ(s.medida->text(), QStringLiteral("1280 × 800"));
  EXPECT_EQ(s.grabar->text(), QStringLiteral("Grabar"));
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
  ASSERT_EQ(s.camaras.size(), 1u);
  EXPECT_EQ(s.camaras[0], FormaDeCamara::circulo);
  s.elegir(4, 3);
  EXPECT_EQ(d().integer(QStringLiteral("recordDelay")), 10);
  EXPECT_EQ(s.grabar->text(), QStringLiteral("Grabar en 10s"));
  EXPECT_EQ(s.combos[4]->currentText(), QStringLiteral("En 10 s"));
  s.elegir(4, 0);
  EXPECT_EQ(s.combos[4]->currentText(), QStringLiteral("Inmediato"));
}

TEST_F(RecordingWindows, ReturnRecordsOnceEscapeCancelsAndAWindowGetsNoCamera) {
  BarraDePrueba s(ObjetivoArea{QRect(0, 0, 640, 480), {}}, {0, 0, 640, 480});
  s.barra->mostrar(QString());
  QTest::keyClick(s.w, Qt::Key_Return);
  QTest::keyClick(s.w, Qt::Key_Enter);
  s.grabar->click();
  EXPECT_EQ(s.grabados, 1);
  QTest::keyClick(s.w, Qt::Key_Escape);
  EXPECT_EQ(s.cancelados, 1);
  s.barra->ocultar();
  EXPECT_FALSE(s.w->isVisible());

  BarraDePrueba ventana(ObjetivoVentana{42}, {100, 100, 500, 300});
  EXPECT_FALSE(ventana.combos[3]->isEnabled());
  EXPECT_EQ(ventana.combos[3]->toolTip(),
            L("Al grabar una ventana la cámara no sale en el video: usa área o pantalla completa"));
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
  EXPECT_EQ(pausa->toolTip(), QStringLiteral("Pausar la grabación (Ctrl+Super+P)"));
  pausa->click();
  EXPECT_EQ(pausas, 1);
  barra->setPausado(true);
  EXPECT_EQ(pausa->toolTip(), QStringLiteral("Continuar la grabación (Ctrl+Super+P)"));

  // Stop runs once per press and the clock stands still afterwards.
  QPushButton* detener = w->findChild<QPushButton*>();
  ASSERT_NE(detener, nullptr);
  EXPECT_EQ(detener->text(), QStringLiteral("Detener"));
  detener->click();
  EXPECT_EQ(detenidos, 1);
  segundos = 4000;
  QTest::qWait(650);
  EXPECT_EQ(reloj(), QStringLiteral("1:00:00"));

  // The long capture's mode: no clock running, no pause, Finish.
  auto larga = crearBarraDeGrabacion(RecordingBar::Modo::desplazamiento, ManejadoresDeBarra{}, {});
  auto* wl = dynamic_cast<QWidget*>(larga.get());
  EXPECT_EQ(wl->findChild<QToolButton*>(), nullptr);
  EXPECT_EQ(wl->findChild<QPushButton*>()->text(), QStringLiteral("Terminar"));
  QStringList textos;
  for (QLabel* l : wl->findChildren<QLabel*>()) textos << l->text();
  EXPECT_TRUE(textos.contains(QStringLiteral("Desplaza…")));
  larga->setTextoDelReloj(QStringLiteral("2400 px"));
  textos.clear();
  for (QLabel* l : wl->findChildren<QLabel*>()) textos << l->text();
  EXPECT_TRUE(textos.contains(QStringLiteral("2400 px")));
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
  EXPECT_NE(panel->ventana(), 0u);
  panel->mostrar();
  EXPECT_TRUE(w->isVisible());
  panel->actualizar(QStringLiteral("1:00:00"), false, QStringLiteral("Ctrl+Super+P"));
  EXPECT_EQ(w->findChild<QLabel*>()->text(), QStringLiteral("1:00:00"));
  const QList<QToolButton*> botones = w->findChildren<QToolButton*>();
  ASSERT_EQ(botones.size(), 2);
  QToolButton* pausa = botones[0];
  QToolButton* stop = botones[1];
  EXPECT_EQ(pausa->toolTip(), QStringLiteral("Pausar la grabación (Ctrl+Super+P)"));
  EXPECT_EQ(pausa->accessibleName(), QStringLiteral("Pausar"));
  EXPECT_EQ(stop->toolTip(), QStringLiteral("Detener la grabación"));
  panel->actualizar(QStringLiteral("1:00:01"), true, QStringLiteral("Ctrl+Super+P"));
  EXPECT_EQ(pausa->toolTip(), QStringLiteral("Continuar la grabación (Ctrl+Super+P)"));
  EXPECT_EQ(pausa->accessibleName(), QStringLiteral("Continuar"));
  pausa->click();
  stop->click();
  EXPECT_EQ(pausas, 1);
  EXPECT_EQ(detenidos, 1);
  // A right click, on the panel or one of its buttons, opens the tray menu.
  QContextMenuEvent enElBoton(QContextMenuEvent::Mouse, QPoint(4, 4),
                              stop->mapToGlobal(QPoint(4, 4)));
  QApplication::sendEvent(stop, &enElBoton);
  EXPECT_EQ(menus, 1);
  EXPECT_EQ(detenidos, 1);
  panel->quitar();
  EXPECT_FALSE(w->isVisible());
}

TEST_F(RecordingWindows, TheFrameRingsTheAreaWithoutCoveringIt) {
  const QRect area(300, 200, 640, 360);
  auto marco = crearMarcoDeGrabacion(area);
  auto* w = dynamic_cast<QWidget*>(marco.get());
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->geometry(), area.adjusted(-6, -6, 6, 6));
  const QRegion mascara = w->mask();
  EXPECT_TRUE(mascara.contains(QPoint(0, 0)));
  EXPECT_TRUE(mascara.contains(QPoint(3, 100)));
  EXPECT_TRUE(mascara.contains(QPoint(w->width() - 1, w->height() - 1)));
  // Not a pixel of the area itself.
  EXPECT_FALSE(mascara.intersects(QRect(area.topLeft() - w->pos(), area.size())));
  EXPECT_TRUE(w->testAttribute(Qt::WA_TransparentForMouseEvents));
  marco->mostrar();
  EXPECT_TRUE(w->isVisible());
  marco->ocultar();
  EXPECT_FALSE(w->isVisible());
}

// The bubble's sizes and its place in the area are checked on the bubble itself, below.
TEST(CameraLayout, GrowingKeepsTheCornerNearestTheMiddle) {
  EXPECT_EQ(tamanoDeBurbuja(FormaDeCamara::rectangulo, false), QSize(224, 168));
  const QRect pantalla(0, 0, 1920, 1080);
  // In the top-left quarter the top-left corner stays; in the bottom-right, that one.
  EXPECT_EQ(acomodarBurbuja({100, 100, 224, 168}, {352, 264}, pantalla), QRect(100, 100, 352, 264));
  EXPECT_EQ(acomodarBurbuja({1600, 800, 224, 168}, {352, 264}, pantalla),
            QRect(1472, 704, 352, 264));
  EXPECT_EQ(acomodarBurbuja({1600, 100, 352, 264}, {224, 168}, pantalla),
            QRect(1728, 100, 224, 168));
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
  EXPECT_EQ(burbuja.geometry(), QRect(506, 306, 170, 170));
  EXPECT_TRUE(burbuja.isVisible());
  // Round: the corners are not part of the window.
  EXPECT_TRUE(burbuja.mask().contains(QPoint(85, 85)));
  EXPECT_FALSE(burbuja.mask().contains(QPoint(3, 3)));
  burbuja.sink()->setVideoFrame(cuadroDeColor(QColor(200, 30, 40)));
  QTest::qWait(50);
  const QImage visto = burbuja.grab().toImage();
  visto.save(QStringLiteral(ARTIFACTS_DIR "/camera_bubble.png"));  // for a person to look at
  const QColor centro = visto.pixelColor(visto.width() / 2, visto.height() / 2);
  EXPECT_NEAR(centro.red(), 200, 3);
  EXPECT_NEAR(centro.green(), 30, 3);
  // The white ring at its edge.
  EXPECT_GT(visto.pixelColor(visto.width() / 2, 1).green(), 200);

  QTest::mouseDClick(&burbuja, Qt::LeftButton, {}, QPoint(85, 85));
  EXPECT_TRUE(burbuja.grande());
  EXPECT_EQ(burbuja.size(), QSize(270, 270));
  burbuja.setForma(FormaDeCamara::rectangulo);
  EXPECT_EQ(burbuja.size(), QSize(352, 264));
  EXPECT_TRUE(burbuja.mask().contains(QPoint(3, 130)));  // square sides reach the edge
  burbuja.setForma(FormaDeCamara::ninguna);              // the shell closes it instead
  EXPECT_EQ(burbuja.size(), QSize(352, 264));
  burbuja.cerrar();
  EXPECT_FALSE(burbuja.isVisible());
}

TEST_F(RecordingWindows, WithoutACameraTheToastSaysSoAndNoBubbleComes) {
  if (!QMediaDevices::videoInputs().isEmpty()) GTEST_SKIP() << "this machine has a camera";
  std::vector<QString> avisos;
  bool respondio = false;
  std::unique_ptr<CamaraFlotante> burbuja;
  mostrarCamara(
      {0, 0, 640, 480}, FormaDeCamara::circulo,
      [&](const QString& t, const QString& d, const QString&) {
        avisos = {t, d};
      },
      [&](std::unique_ptr<CamaraFlotante> b) {
        respondio = true;
        burbuja = std::move(b);
      });
  QTest::qWait(20);
  EXPECT_TRUE(respondio);
  EXPECT_EQ(burbuja, nullptr);
  EXPECT_EQ(avisos, (std::vector<QString>{QStringLiteral("No encontré una cámara"),
                                          QStringLiteral("Se graba solo la pantalla")}));
}

}  // namespace
}  // namespace corvalin
