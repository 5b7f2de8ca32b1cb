#include <gtest/gtest.h>

#include <QMenu>

#include "app/menu_widgets.h"
#include "app/status_item.h"
#include "core/texts.h"
#include "support/idioma_fijo.h"

namespace corvalin {
namespace {

TEST(TiempoGrabado, MinutesThenHours) {
  EXPECT_EQ(tiempoGrabado(std::nullopt), QString());
  EXPECT_EQ(tiempoGrabado(0.4), QStringLiteral("0:00"));
  // 59:59 rounded down, then 1:00:00: RecordingWindows.TheRecordingBarsClockPauseAndStop.
  EXPECT_EQ(tiempoGrabado(36000 + 61.7), QStringLiteral("10:01:01"));
}

TEST(Apariencia, IdleRecordingPausedAndUploads) {
  prueba::IdiomaFijo fijo(Idioma::español);
  EstadoDelIcono e;
  AparienciaDelIcono a = apariencia(e);
  EXPECT_TRUE(a.titulo.isEmpty());
  EXPECT_EQ(a.descripcion, QStringLiteral("Corvalin"));

  // The uploads' share (" 45 %") and the icon's picture: AppDelegateTest and RecordingFlowTest.
  e.progresos = {0.30, 0.61};
  e.grabando = true;
  a = apariencia(e);
  EXPECT_EQ(a.descripcion, QStringLiteral("Detener grabación"));
  EXPECT_EQ(a.tooltip, QStringLiteral("Detener la grabación"));
  EXPECT_TRUE(a.titulo.isEmpty());  // a floating bar shows the clock, not the tray

  e.cronometroEnBarra = true;
  e.tiempo = QStringLiteral("1:05");
  e.pausado = true;
  a = apariencia(e);
  EXPECT_EQ(a.titulo, QStringLiteral(" \u23F8 1:05"));
  EXPECT_TRUE(a.tituloEnPausa);
  EXPECT_TRUE(a.tooltip.contains(QStringLiteral("1:05")));
}

// Probes the pixels that tell the states apart rather than comparing whole pictures.
TEST(Apariencia, IconPicturesShowTheState) {
  AparienciaDelIcono idle;
  const QImage camera = dibujarIcono(idle, 32);
  ASSERT_EQ(camera.size(), QSize(32, 32));
  const QColor cameraCentre = camera.pixelColor(16, 16);
  EXPECT_GT(cameraCentre.alpha(), 200);
  EXPECT_GT(cameraCentre.red(), 200);  // the yellow lens

  AparienciaDelIcono stop;
  stop.imagen = AparienciaDelIcono::Imagen::detener;
  const QColor red = dibujarIcono(stop, 32).pixelColor(16, 16);
  EXPECT_NEAR(red.red(), 224, 3);
  EXPECT_NEAR(red.green(), 87, 3);
  EXPECT_NEAR(red.blue(), 77, 3);
  EXPECT_EQ(dibujarIcono(stop, 32).pixelColor(1, 1).alpha(), 0);

  AparienciaDelIcono uploading = idle;
  uploading.titulo = QStringLiteral(" 45 %");
  const QImage badge = dibujarIcono(uploading, 32);
  EXPECT_NE(badge.pixelColor(3, 29), camera.pixelColor(3, 29));  // the badge covers the bottom
  EXPECT_EQ(badge.pixelColor(16, 4), camera.pixelColor(16, 4));  // the top is untouched
}

// Drawn by Qt, a tab puts the hotkey in its column and spaces indent; exported to a panel over
// D-Bus, titles go as they are and the hotkey as the entry's shortcut.
TEST(MenuWidgets, HotkeysAndIndentsFollowHowTheMenuIsShown) {
  ElementoDeMenu captura;
  captura.titulo = QStringLiteral("Capturar área");
  captura.accion = Accion::captureArea;
  captura.atajo = QStringLiteral("Shift+Super+0");
  ElementoDeMenu cancelar;
  cancelar.titulo = QStringLiteral("Cancelar esta subida");
  cancelar.accion = Accion::cancelarSubida;
  cancelar.sangria = 1;
  ElementoDeMenu salir;
  salir.titulo = QStringLiteral("Salir & cerrar");
  salir.accion = Accion::terminate;
  salir.tecla = QStringLiteral("q");
  QList<Accion> ejecutadas;
  const EjecutarAccion ejecutar = [&](Accion a, const QVariant&) { ejecutadas << a; };

  QMenu dibujado;
  llenarMenu(&dibujado, {captura, cancelar, salir}, ejecutar);
  ASSERT_EQ(dibujado.actions().size(), 3);
  EXPECT_EQ(dibujado.actions()[0]->text(), QStringLiteral("Capturar área\tShift+Super+0"));
  EXPECT_TRUE(dibujado.actions()[0]->shortcut().isEmpty());
  EXPECT_EQ(dibujado.actions()[1]->text(), QStringLiteral("    Cancelar esta subida"));
  EXPECT_EQ(dibujado.actions()[2]->text(), QStringLiteral("Salir && cerrar"));

  // Exported to a panel (titles as they are, the hotkey as the shortcut property, clicks
  // reaching their commands): tray_sni.sh, over D-Bus.
  dibujado.actions()[0]->trigger();
  EXPECT_EQ(ejecutadas, QList<Accion>{Accion::captureArea});
}

}  // namespace
}  // namespace corvalin
