// The capture flows driven through the shell's commands, with fakes behind them: what the real
// captures can't easily show (cancels, empty text, warnings of the long capture, failures).
#include <gtest/gtest.h>

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
    banco.areas->elegir(AreaElegida{QRect(0, 100, 800, 600), QStringLiteral("p-1")});
    testing::FakeScroll* s = banco.scrolls.back();
    s->alEmpezar(std::nullopt);
    return s;
  }
  QString reloj() const { return banco.ventanasDeGrabacion.bar->reloj; }
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
  const auto first = banco.editores[0];
  EXPECT_EQ(first->mostrado, 1);

  app->capture(CaptureMode::fullscreen);
  banco.capturas->entregar(imagen(50, 50));
  ASSERT_EQ(banco.editores.size(), 2u);
  EXPECT_EQ(banco.editores[1]->imagen.size(), QSize(50, 50));
  // The new capture's document takes the place of the first.
  EXPECT_EQ(first->documentoTerminado, 1);
  EXPECT_FALSE(first->visible);
}

TEST_F(CaptureFlowsTest, RecognisedTextIsTrimmedCopiedAndCounted) {
  app->ejecutar(Accion::captureTextAction);
  banco.capturas->entregar(imagen());
  banco.lector->pendiente(QStringLiteral("\n  Hola\nmundo \n\n"), 2);
  EXPECT_EQ(banco.portapapeles->texto_, QStringLiteral("Hola\nmundo"));
  EXPECT_EQ(ultimoToast(), testing::ToastVisto("Texto copiado", "2 renglones al portapapeles"));

  banco.portapapeles->texto_ = QStringLiteral("anterior");
  app->capturas().captureText(imagen());
  banco.lector->pendiente(QStringLiteral(" \n\t "), 0);
  EXPECT_EQ(ultimoToast(),
            testing::ToastVisto("No vi texto ahí", "Prueba con un pedazo más grande"));
  EXPECT_EQ(banco.portapapeles->texto_, QStringLiteral("anterior"));
}

// A picture pasted, and one too large to open: bad_input.sh, with the real clipboard.
TEST_F(CaptureFlowsTest, PastingAnEmptyClipboardSaysThereIsNothing) {
  app->ejecutar(Accion::pasteFromClipboard);
  EXPECT_TRUE(banco.editores.empty());
  EXPECT_EQ(ultimoToast().first, QStringLiteral("Nada que pegar"));
}

TEST_F(CaptureFlowsTest, ALongCaptureWarnsAsItGrowsAndFinishesWithEscape) {
  testing::FakeScroll* scroll = empezarDesplazamiento();
  // Something fixed covering more than a third of the moving part is said as it grows.
  scroll->cabecera_ = 60, scroll->muebles_ = 361;
  scroll->alAvanzar(1400);
  EXPECT_TRUE(reloj().contains(QStringLiteral("algo fijo arriba estorba")));

  ASSERT_TRUE(banco.hotkeys->pulsar(900));  // Escape
  scroll->filasAcumuladas_ = 3000;
  scroll->alTerminar(imagen(800, 3600));

  // One screen's worth (600 + 8 ≥ 600), finished by the hotkey again: a warning, still opened.
  scroll = empezarDesplazamiento();
  scroll->filasAcumuladas_ = 600;
  app->capture(CaptureMode::scroll);
  scroll->alTerminar(imagen(800, 600));
  EXPECT_EQ(ultimoToast().first, QStringLiteral("Solo salió una pantalla"));
  EXPECT_EQ(banco.editores.size(), 2u);
}

TEST_F(CaptureFlowsTest, ALongCaptureThatDidNotComeTogetherOrStart) {
  testing::FakeScroll* scroll = empezarDesplazamiento();
  app->ejecutar(Accion::toggleScrollCapture);
  scroll->alTerminar(QImage());
  EXPECT_EQ(ultimoToast().first, QStringLiteral("No se armó la captura larga"));
  EXPECT_TRUE(banco.editores.empty());

  app->ejecutar(Accion::toggleScrollCapture);
  banco.areas->elegir(AreaElegida{QRect(0, 0, 10, 10), QStringLiteral("p-1")});
  banco.scrolls.back()->alEmpezar(QStringLiteral("No pude ver la pantalla"));
  EXPECT_EQ(banco.alertas->vistas.size(), 1u);
  EXPECT_FALSE(banco.hotkeys->registradas.count(900));
  // Both captures are let go once they have answered.
  testing::procesarEventos();
  EXPECT_EQ(banco.scrollsDestruidos, 2);
}

}  // namespace
}  // namespace corvalin
