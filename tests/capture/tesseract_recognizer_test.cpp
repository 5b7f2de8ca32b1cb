#include "capture/tesseract_recognizer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFont>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include "ocr_samples.h"

namespace corvalin {
namespace {

using ocr_samples::Lengua;
using ocr_samples::Tema;

int hilosDelProceso() {
  return int(
      QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

// ---------------------------------------------------------------------------------------------
// Reading rendered interface text.

// The character error rate allowed is 2 %. Measured on Debian 12 over a wider set of these
// cases, most read without an error and a few with one ("ü" read as "ú", 0.5 %); 2 % leaves room
// for two or three more from another version of the fonts or their hinting, and stays well below
// what a real fault costs: a lost line is 15 to 25 % of a picture, and 11 px text read without
// enlarging it 2 to 5 %.
TEST(LecturaDeTextoDibujado, ReadsEveryLineWithFewErrors) {
  ASSERT_TRUE(ocr_samples::familiasQueFaltan().isEmpty())
      << "missing fonts (fonts-liberation2, fonts-cantarell): "
      << ocr_samples::familiasQueFaltan().join(", ").toStdString();
  const struct {
    const char* familia;
    int px;
    Tema tema;
    Lengua lengua;
    int desde;
  } casos[] = {
      // Light windows: body text at the smallest interface size.
      {"DejaVu Sans", 11, Tema::claro, Lengua::es, 0},
      // Dark themes.
      {"Liberation Sans", 11, Tema::oscuro, Lengua::en, 3},
      // A selected menu row: white text on blue inside a light menu. Read as they are, these
      // lose the selected row.
      {"DejaVu Serif", 16, Tema::resaltado, Lengua::en, 13},
      // Chat bubbles, blue ones with white text among grey ones with dark text.
      {"Liberation Sans", 24, Tema::burbujas, Lengua::en, 9},
      // Label and value far apart on one row.
      {"Liberation Sans", 13, Tema::ajustes, Lengua::es, 0},
  };
  TesseractTextRecognizer lector;
  for (const auto& c : casos) {
    const auto muestra =
        ocr_samples::dibujar(QString::fromUtf8(c.familia), c.px, c.tema, c.lengua, c.desde);
    SCOPED_TRACE(muestra.nombre.toStdString());
    const auto r = lector.readSync(muestra.imagen);
    EXPECT_LE(ocr_samples::tasaDeError(r.texto, muestra.referencia), 0.02)
        << "read:\n"
        << r.texto.toStdString() << "\nexpected:\n"
        << muestra.referencia.toStdString();
    // Five lines drawn, five read: a selected row or a bubble dropped by the engine shows here.
    EXPECT_EQ(r.lineas, 5) << r.texto.toStdString();
  }
}

// ---------------------------------------------------------------------------------------------
// Pictures that hold no text, and pictures that cannot be read.

QImage lleno(QColor color) {
  QImage imagen(400, 200, QImage::Format_RGB32);
  imagen.fill(color);
  return imagen;
}

TEST(LecturaSinTexto, PicturesWithoutTextAndNullTinyOrOddOnesGiveNoTextAndNoLines) {
  QImage hilo(3, 2000, QImage::Format_Indexed8);
  hilo.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  hilo.fill(1);
  const std::pair<const char*, QImage> casos[] = {
      {"white", lleno(Qt::white)}, {"dark", lleno(QColor(0x24, 0x24, 0x24))},
      {"null", QImage()},          {"no columns", QImage(0, 40, QImage::Format_ARGB32)},
      {"a thread", hilo},
  };
  TesseractTextRecognizer lector;
  for (const auto& [nombre, imagen] : casos) {
    const auto r = lector.readSync(imagen);
    EXPECT_TRUE(r.texto.isEmpty()) << nombre << ": " << r.texto.toStdString();
    EXPECT_EQ(r.lineas, 0) << nombre;
  }
}

TEST(LecturaSinTexto, MissingModelsGiveNoTextAndNoLines) {
  QTemporaryDir vacia;
  TesseractTextRecognizer::Opciones opciones;
  opciones.motor.datos = vacia.path();
  TesseractTextRecognizer lector(opciones);
  const auto muestra =
      ocr_samples::dibujar(QStringLiteral("DejaVu Sans"), 16, Tema::claro, Lengua::en);
  const auto r = lector.readSync(muestra.imagen);
  EXPECT_EQ(r.texto + QString::number(r.lineas), QStringLiteral("0"));
  EXPECT_FALSE(lector.motorCargado());
}

TEST(LecturaSinTexto, TextBelowTheMinimumHeightOfThePictureIsLeftOut) {
  // One line of 14 px text, a line box 11 to 15 px tall: kept when that is at least 0.69 % of
  // the picture's shorter side, left out at 0.47 % or less, below the 0.5 % minimum. A long
  // capture (narrow and very tall) keeps it: the minimum follows the shorter side.
  TesseractTextRecognizer lector;
  const auto leido = [&](int alto, int ancho = 500) {
    QImage imagen(ancho, alto, QImage::Format_RGB32);
    imagen.fill(Qt::white);
    QPainter p(&imagen);
    QFont fuente(QStringLiteral("DejaVu Sans"));
    fuente.setPixelSize(14);
    p.setFont(fuente);  // black, the default pen
    p.drawText(20, 40, QStringLiteral("Guardar cambios antes de cerrar"));
    p.end();
    const auto r = lector.readSync(imagen);
    return r.texto + QStringLiteral(" (%1)").arg(r.lineas);
  };
  EXPECT_EQ(leido(1600), QStringLiteral("Guardar cambios antes de cerrar (1)"));
  EXPECT_EQ(leido(3200, 3200), QStringLiteral(" (0)"));
  EXPECT_EQ(leido(9000), QStringLiteral("Guardar cambios antes de cerrar (1)"));
}

// ---------------------------------------------------------------------------------------------
// Delivery and the engine's lifetime.

TEST(MotorDeLectura, LoadsOnFirstUseKeepsItAndLetsItGoWhenIdle) {
  TesseractTextRecognizer::Opciones opciones;
  opciones.liberarTras = std::chrono::milliseconds(400);
  TesseractTextRecognizer lector(opciones);
  EXPECT_FALSE(lector.motorCargado()) << "nothing is loaded before text is wanted";

  // A picture with no ink is answered without loading anything, by the worker started now.
  EXPECT_EQ(lector.readSync(lleno(Qt::white)).lineas, 0);
  EXPECT_FALSE(lector.motorCargado());

  // Reading starts no threads of the engine's own: Tesseract's OpenMP build would start a
  // team on the first parallel region, and on small machines they made reading several times
  // slower.
  const int hilos = hilosDelProceso();
  const auto muestra =
      ocr_samples::dibujar(QStringLiteral("DejaVu Sans"), 14, Tema::claro, Lengua::es, 1, 2);
  EXPECT_EQ(lector.readSync(muestra.imagen).lineas, 2);
  EXPECT_TRUE(lector.motorCargado());
  EXPECT_EQ(hilosDelProceso(), hilos);

  ASSERT_TRUE(QTest::qWaitFor([&] { return !lector.motorCargado(); }, 5000))
      << "the models stay loaded after the idle time";
  // And loaded again when wanted.
  EXPECT_LE(ocr_samples::tasaDeError(lector.readSync(muestra.imagen).texto, muestra.referencia),
            0.02);
}

}  // namespace
}  // namespace corvalin
