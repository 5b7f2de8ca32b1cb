// The capture flows driven through the shell's commands, with fakes behind them.
#include <gtest/gtest.h>

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/pending_parts.h"
#include "core/settings.h"
#include "shell_test.h"

namespace corvalin {
namespace {

class CaptureFlowsTest : public testing::ShellTest {
 protected:
  static QImage imagen(int w = 40, int h = 30) {
    QImage i(w, h, QImage::Format_ARGB32);
    i.fill(Qt::darkCyan);
    return i;
  }
  testing::FakeScroll* empezarDesplazamiento() {
    app->ejecutar(Accion::toggleScrollCapture);
    banco.areas->elegir(AreaElegida{QRect(0, 100, 800, 600), QStringLiteral("pantalla-1")});
    testing::FakeScroll* s = banco.scrolls.back();
    s->alEmpezar(std::nullopt);
    return s;
  }
};

TEST_F(CaptureFlowsTest, StillCapturesOpenInANewEditorAndCancelDoesNothing) {
  app->ejecutar(Accion::captureArea);
  ASSERT_EQ(banco.capturas->pedidos, (std::vector<CaptureMode>{CaptureMode::area}));
  banco.capturas->entregar(QImage());  // cancelled
  EXPECT_TRUE(banco.editores.empty());
  EXPECT_TRUE(banco.toasts.empty());

  app->capture(CaptureMode::window);
  banco.capturas->entregar(imagen());
  ASSERT_EQ(banco.editores.size(), 1u);
  testing::FakeEditor* first = banco.editores[0];
  EXPECT_EQ(first->mostrado, 1);
  EXPECT_EQ(first->refrescos, 1);
  EXPECT_EQ(app->ultima(), AppDelegate::Ultima::editor);
  EXPECT_GE(banco.activaciones, 1);
  // Nothing is copied automatically.
  EXPECT_TRUE(banco.portapapeles->texto_.isEmpty());
  EXPECT_TRUE(banco.portapapeles->imagen_.isNull());

  app->capture(CaptureMode::fullscreen);
  EXPECT_EQ(first->cerrado, 0);
  banco.capturas->entregar(imagen(50, 50));
  EXPECT_EQ(banco.editores.size(), 2u);
  EXPECT_EQ(banco.editores[1]->imagen.size(), QSize(50, 50));
}

TEST_F(CaptureFlowsTest, RecognisedTextIsTrimmedCopiedAndCounted) {
  app->ejecutar(Accion::captureTextAction);
  EXPECT_EQ(banco.capturas->pedidos, (std::vector<CaptureMode>{CaptureMode::area}));
  banco.capturas->entregar(imagen());
  ASSERT_EQ(banco.toasts.size(), 1u);
  EXPECT_EQ(banco.toasts[0].titulo, QStringLiteral("Leyendo el texto…"));
  EXPECT_EQ(banco.toasts[0].simbolo, QStringLiteral("text.viewfinder"));
  EXPECT_EQ(banco.lector->leida.size(), QSize(40, 30));
  banco.lector->pendiente(QStringLiteral("\n  Hola\nmundo \n\n"), 2);
  EXPECT_EQ(banco.portapapeles->texto_, QStringLiteral("Hola\nmundo"));
  EXPECT_EQ(banco.toasts.back().titulo, QStringLiteral("Texto copiado"));
  EXPECT_EQ(banco.toasts.back().detalle, QStringLiteral("2 renglones al portapapeles"));

  app->capturas().captureText(imagen());
  banco.lector->pendiente(QStringLiteral("una"), 1);
  EXPECT_EQ(banco.toasts.back().detalle, QStringLiteral("1 renglón al portapapeles"));

  banco.portapapeles->texto_ = QStringLiteral("anterior");
  app->capturas().captureText(imagen());
  banco.lector->pendiente(QStringLiteral(" \n\t "), 0);
  EXPECT_EQ(banco.toasts.back().titulo, QStringLiteral("No vi texto ahí"));
  EXPECT_EQ(banco.toasts.back().detalle, QStringLiteral("Prueba con un pedazo más grande"));
  EXPECT_EQ(banco.portapapeles->texto_, QStringLiteral("anterior"));
}

TEST_F(CaptureFlowsTest, APickedColourIsCopiedAndGivenToTheEditor) {
  app->ejecutar(Accion::pickColorAction);
  banco.colores->elegir(QColor::fromRgbF(1.0f, 0.5f, 0.0f));
  EXPECT_EQ(banco.portapapeles->texto_, QStringLiteral("#FF8000"));
  EXPECT_EQ(banco.toasts.back().titulo, QStringLiteral("Color copiado"));
  EXPECT_EQ(banco.toasts.back().detalle, QStringLiteral("#FF8000"));

  app->capture(CaptureMode::area);
  banco.capturas->entregar(imagen());
  app->capture(CaptureMode::color);
  banco.colores->elegir(QColor(10, 20, 30));
  ASSERT_TRUE(banco.editores[0]->color);
  EXPECT_EQ(*banco.editores[0]->color, QColor(10, 20, 30));
}

TEST_F(CaptureFlowsTest, PastingOpensTheClipboardPictureOrSaysThereIsNone) {
  app->ejecutar(Accion::pasteFromClipboard);
  EXPECT_TRUE(banco.editores.empty());
  EXPECT_EQ(banco.toasts.back().titulo, QStringLiteral("Nada que pegar"));
  EXPECT_EQ(banco.toasts.back().simbolo, QStringLiteral("doc.on.clipboard"));
  // A picture too large to open (or damaged) is not "nothing".
  banco.portapapeles->ilegible = true;
  app->ejecutar(Accion::paste);
  EXPECT_TRUE(banco.editores.empty());
  EXPECT_EQ(banco.toasts.back().titulo, QStringLiteral("No pude abrir la imagen del portapapeles"));
  banco.portapapeles->ilegible = false;
  banco.portapapeles->imagen_ = imagen(12, 34);
  app->ejecutar(Accion::paste);
  ASSERT_EQ(banco.editores.size(), 1u);
  EXPECT_EQ(banco.editores[0]->imagen.size(), QSize(12, 34));
}

TEST_F(CaptureFlowsTest, ALongCaptureReportsItsHeightAndFinishesWithEscape) {
  testing::FakeScroll* scroll = empezarDesplazamiento();
  EXPECT_EQ(scroll->rect, QRect(0, 100, 800, 600));
  EXPECT_TRUE(app->capturas().desplazando());
  EXPECT_EQ(banco.toasts.back().titulo, QStringLiteral("Desplázate despacio"));
  ASSERT_TRUE(banco.hotkeys->registradas.count(900));
  EXPECT_EQ(banco.hotkeys->registradas[900].first, (Hotkey{53, 0}));
  EXPECT_EQ(banco.ventanasDeGrabacion.bar->modo, RecordingBar::Modo::desplazamiento);

  scroll->alAvanzar(1200);
  EXPECT_EQ(banco.ventanasDeGrabacion.bar->reloj, QStringLiteral("1200 px"));
  scroll->alPerderse(true);
  scroll->alAvanzar(1300);
  EXPECT_EQ(banco.ventanasDeGrabacion.bar->reloj,
            QStringLiteral("1300 px · ⚠︎ más despacio"));
  // Something fixed covering more than a third of the moving part takes precedence.
  scroll->alto_ = 600, scroll->cabecera_ = 60, scroll->pie_ = 0, scroll->muebles_ = 361;
  scroll->alAvanzar(1400);
  EXPECT_EQ(banco.ventanasDeGrabacion.bar->reloj,
            QStringLiteral("1400 px · ⚠︎ algo fijo arriba estorba"));
  scroll->muebles_ = 360;  // exactly two thirds of 540: not in the way
  scroll->alPerderse(false);
  scroll->alAvanzar(1500);
  EXPECT_EQ(banco.ventanasDeGrabacion.bar->reloj, QStringLiteral("1500 px"));

  EXPECT_TRUE(banco.hotkeys->pulsar(900));  // Escape
  EXPECT_FALSE(banco.hotkeys->registradas.count(900));
  EXPECT_FALSE(app->capturas().desplazando());
  ASSERT_TRUE(scroll->alTerminar);
  scroll->filasAcumuladas_ = 3000;
  scroll->alTerminar(imagen(800, 3600));
  ASSERT_EQ(banco.editores.size(), 1u);
  EXPECT_NE(banco.toasts.back().titulo, QStringLiteral("Solo salió una pantalla"));
}

TEST_F(CaptureFlowsTest, AOneScreenResultWarnsThenStillOpens) {
  testing::FakeScroll* scroll = empezarDesplazamiento();
  scroll->alto_ = 600;
  scroll->filasAcumuladas_ = 600;     // 600 + 8 ≥ 600: one screen
  app->capture(CaptureMode::scroll);  // the hotkey again finishes
  scroll->alTerminar(imagen(800, 600));
  EXPECT_EQ(banco.toasts.back().titulo, QStringLiteral("Solo salió una pantalla"));
  EXPECT_EQ(
      banco.toasts.back().detalle,
      QStringLiteral("No alcancé a unir las imágenes: desplázate más despacio, sin brincos."));
  EXPECT_EQ(banco.editores.size(), 1u);

  scroll = empezarDesplazamiento();
  scroll->muebles_ = 500;
  scroll->donde_ = QStringLiteral("abajo");
  banco.ventanasDeGrabacion.bar->handlers.detener();  // the bar's Finish button
  scroll->alTerminar(imagen(800, 600));
  EXPECT_TRUE(banco.toasts.back().detalle.startsWith(QStringLiteral("Algo fijo abajo del área")));
  EXPECT_EQ(banco.editores.size(), 2u);
}

TEST_F(CaptureFlowsTest, ALongCaptureThatDidNotComeTogetherOrStart) {
  testing::FakeScroll* scroll = empezarDesplazamiento();
  app->ejecutar(Accion::toggleScrollCapture);
  scroll->alTerminar(QImage());
  EXPECT_EQ(banco.toasts.back().titulo, QStringLiteral("No se armó la captura larga"));
  EXPECT_TRUE(banco.editores.empty());

  app->ejecutar(Accion::toggleScrollCapture);
  banco.areas->elegir(AreaElegida{QRect(0, 0, 10, 10), QStringLiteral("pantalla-1")});
  banco.scrolls.back()->alEmpezar(QStringLiteral("No pude ver la pantalla"));
  ASSERT_EQ(banco.alertas->vistas.size(), 1u);
  EXPECT_EQ(banco.alertas->vistas[0].mensaje,
            QStringLiteral("No se pudo empezar la captura larga"));
  EXPECT_FALSE(app->capturas().desplazando());
  EXPECT_FALSE(banco.hotkeys->registradas.count(900));
  // Both captures are let go once they have answered.
  testing::procesarEventos();
  EXPECT_EQ(banco.scrollsDestruidos, 2);
}

}  // namespace
}  // namespace corvalin

namespace corvalin {
namespace {

// The shell over the stand-ins of what is still on its way: after a chooser the long capture
// ends in the "not yet available" toast, and nothing is left running.
class PendingPartsTest : public testing::ShellTest {
 protected:
  void ajustar(Piezas& p) override {
    p.desplazamiento = nullptr;
    completarConPendientes(p);
  }
  int avisos() const {
    return static_cast<int>(std::count_if(banco.toasts.begin(), banco.toasts.end(), [](auto& t) {
      return t.titulo == QStringLiteral("Esto aún no está disponible");
    }));
  }
};

TEST_F(PendingPartsTest, AfterTheChooserTheLongCaptureSaysItIsNotHereYet) {
  app->ejecutar(Accion::toggleScrollCapture);
  ASSERT_EQ(banco.areas->veces, 1);
  banco.areas->elegir(AreaElegida{QRect(0, 100, 800, 600), QStringLiteral("pantalla-1")});
  testing::procesarEventos();
  EXPECT_EQ(avisos(), 1);
  EXPECT_TRUE(banco.alertas->vistas.empty());
  EXPECT_EQ(banco.ventanasDeGrabacion.bar, nullptr);
  // Nothing runs: the command asks for an area again.
  app->ejecutar(Accion::toggleScrollCapture);
  EXPECT_EQ(banco.areas->veces, 2);
}

}  // namespace
}  // namespace corvalin
