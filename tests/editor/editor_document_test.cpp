// The document's whole-picture operations and its export: history, rotation, mirroring,
// cropping, canvas growth, export sizes and saving under unique names.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "editor/editor_document.h"
#include "editor/editor_export.h"
#include "editor_test_support.h"

namespace corvalin {
namespace {

using testing::colorDistance;
using testing::filled;
using testing::fuentes;

Shape arrow(QPointF a, QPointF b, double width = 4) {
  Shape s = Shape::create(ToolKind::arrow, a, {Qt::red, Qt::white, width, 1}, 7);
  s.end = b;
  return s;
}

TEST(ExportSize, RoundsHalvesAwayFromZeroAndNeverBelowOnePixel) {
  EXPECT_EQ(exportPixelSize({1001, 601}, 0.5), QSize(501, 301));
  EXPECT_EQ(exportPixelSize({3, 2}, 0.05), QSize(1, 1));
  // Stored scales outside the range count as full size.
  for (double bad : {0.0, 2.0, std::nan("")}) EXPECT_EQ(escalaEfectiva(bad), 1.0) << bad;
  EXPECT_EQ(etiquetaDePeso({10, 10}, 1'200'000, Idioma::español), QStringLiteral("10×10 · 1,2 MB"));
}

TEST(Saving, TwoSavesInTheSameSecondGetTheStampAndThenANumber) {
  QTemporaryDir dir;
  const QString folder = dir.filePath(QStringLiteral("a/b"));  // created with its parents
  const QDateTime when(QDate(2026, 3, 1), QTime(14, 5, 9));
  const Guardado first = guardarPng(folder, QByteArray("one"), when, Idioma::español);
  const Guardado second = guardarPng(folder, QByteArray("two"), when, Idioma::español);
  ASSERT_TRUE(first.ok() && second.ok()) << first.error.toStdString();
  EXPECT_EQ(QFileInfo(first.ruta).fileName(),
            QStringLiteral("Corvalin 2026-03-01 a las 14.05.09.png"));
  EXPECT_EQ(QFileInfo(second.ruta).fileName(),
            QStringLiteral("Corvalin 2026-03-01 a las 14.05.09 (2).png"));
  QFile f(first.ruta);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("one"));  // the first file was not overwritten
  // Nothing else is left in the folder, and the pictures have the usual mode of new files.
  EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 2);
  EXPECT_EQ(f.permissions() & (QFile::WriteOther | QFile::WriteGroup), QFile::Permissions());
}

TEST(Saving, AFullDiskSaysWhyAndLeavesNoPartOfThePicture) {
  QTemporaryDir dir;
  // A file may not grow past 4 KB: the write stops as on a full disk.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit antes{};
  getrlimit(RLIMIT_FSIZE, &antes);
  rlimit limite = antes;
  limite.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limite), 0);
  const Guardado g = guardarPng(dir.path(), QByteArray(64 * 1024, 'p'),
                                QDateTime::currentDateTime(), Idioma::ingles);
  setrlimit(RLIMIT_FSIZE, &antes);
  std::signal(SIGXFSZ, SIG_DFL);
  EXPECT_FALSE(g.ok());
  EXPECT_TRUE(g.error.contains(QStringLiteral("large"))) << g.error.toStdString();
  EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST(History, KeepsTheLast50AndANewChangeAfterUndoEmptiesRedo) {
  Historial h;
  Documento doc{filled(64, 64, Qt::white), filled(64, 64, Qt::white), {}};
  for (int i = 0; i < 60; ++i) {
    h.push(doc);
    doc.shapes.push_back(arrow({0, 0}, {10.0 + i, 10}));
  }
  EXPECT_EQ(h.undoCount(), 50u);
  // Snapshots share the pictures instead of copying pixels.
  EXPECT_EQ(h.anterior()->base.constBits(), doc.base.constBits());
  int undone = 0;
  while (auto d = h.undo(doc)) {
    doc = *d;
    ++undone;
  }
  EXPECT_EQ(undone, 50);
  EXPECT_EQ(doc.shapes.size(), 10u);  // the first ten changes are beyond reach
  ASSERT_TRUE(h.undo(doc) == std::nullopt);
  doc = *h.redo(doc);
  EXPECT_EQ(h.redoCount(), 49u);
  h.push(doc);
  EXPECT_EQ(h.redoCount(), 0u);
  EXPECT_FALSE(h.redo(doc).has_value());
}

TEST(Geometry, RotationBurnsTheAnnotationsIntoThePixels) {
  Documento doc{filled(200, 100, Qt::white), filled(200, 100, Qt::white), {}};
  Shape line = Shape::create(ToolKind::line, {20, 80}, {Qt::red, Qt::white, 6, 1}, 1);
  line.end = QPointF(180, 80);  // a horizontal line 20 pixels below the top
  doc.shapes.push_back(line);
  const Documento turned = rotado(doc, true, fuentes());
  EXPECT_EQ(turned.pristine.size(), QSize(100, 200));
  EXPECT_TRUE(turned.shapes.empty());
  // Clockwise, the top edge becomes the right edge: the line is now a column 20 px from it.
  EXPECT_LE(colorDistance(turned.base.pixel(79, 100), qRgb(255, 0, 0)), 10);
  EXPECT_LE(colorDistance(turned.pristine.pixel(79, 100), qRgb(255, 255, 255)), 2);
}

TEST(Geometry, MirroringFlipsThePicturesAndKeepsAnnotationsEditable) {
  QImage base = filled(200, 100, Qt::white);
  base.setPixel(0, 0, qRgb(0, 0, 255));
  Documento doc{base, base, {}};
  doc.shapes.push_back(arrow({10, 10}, {50, 30}));
  doc.shapes[0].control = QPointF(50, 5);
  const Documento flipped = reflejado(doc, true, fuentes());
  ASSERT_EQ(flipped.shapes.size(), 1u);
  EXPECT_EQ(flipped.shapes[0].end, QPointF(150, 30));
  EXPECT_EQ(*flipped.shapes[0].control, QPointF(150, 5));
  EXPECT_EQ(flipped.pristine.pixel(199, 0), qRgb(0, 0, 255));
}

TEST(Growth, GrowingLeftOrDownShiftsEveryShapeAndThePicture) {
  QImage base = filled(400, 300, Qt::white);
  base.setPixel(0, 299, qRgb(0, 0, 255));  // the bottom-left pixel
  Documento doc{base, base, {}};
  doc.shapes.push_back(arrow({100, 100}, {-50, -40}, 4));
  doc.shapes.push_back(arrow({10, 10}, {20, 20}, 4));
  const auto c = crecimientoDelLienzo(doc.shapes, doc.base.size(), fuentes());
  ASSERT_TRUE(c.has_value());
  EXPECT_EQ(c->desplazamiento, QPointF(53, 43));
  EXPECT_EQ(c->tamano, QSize(453, 343));
  const Documento grown = crecido(doc, *c);
  EXPECT_EQ(grown.shapes[1].start, QPointF(63, 53));
  // The old bottom-left pixel sits 53 right of the left edge and 43 above the bottom.
  EXPECT_EQ(grown.pristine.pixel(53, 342 - 43), qRgb(0, 0, 255));
}

TEST(Growth, StaysWithinLimitsAndNeverCutsThePicture) {
  const QSize picture(400, 300);
  EXPECT_FALSE(crecimientoDelLienzo({arrow({10, 10}, {401, 20}, 1)}, picture, fuentes()));
  const auto far = crecimientoDelLienzo({arrow({10, 10}, {90000, 20}, 4)}, picture, fuentes());
  ASSERT_TRUE(far.has_value());
  EXPECT_EQ(far->tamano.width(), 4400);
  // A picture already at the side limit cannot grow without losing its own pixels.
  EXPECT_FALSE(
      crecimientoDelLienzo({arrow({10, 10}, {-500, 20}, 4)}, QSize(12000, 100), fuentes()));
}

}  // namespace
}  // namespace corvalin
