// The long capture's stitcher on synthetic pages cut into frames at known offsets: every stitch
// is compared with the page byte for byte, so a join one row off, a duplicated header or a lost
// row fails. Also corvalin-stitch, run on a folder of PNG frames.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include "capture/stitch/row_signature.h"
#include "capture/stitch/scroll_stitcher.h"
#include "capture/stitch_pages.h"

namespace corvalin::stitch {
namespace {

using paginas::Pagina;
using paginas::Ventana;

Ventana ventana(int ancho, int alto) {
  Ventana v;
  v.ancho = ancho;
  v.alto = alto;
  return v;
}

Resultado dar(Cosedor& cosedor, const Ventana& v, const Pagina& pagina, int y) {
  const std::vector<uint8_t> cuadro = v.cuadro(pagina, y);
  return cosedor.procesar(cuadro.data(), v.ancho, v.alto, std::size_t(v.ancho) * 4);
}

// Stitches the frames whose content starts at page rows `ys`; returns the results.
std::vector<Resultado> coser(Cosedor& cosedor, const Ventana& v, const Pagina& pagina,
                             const std::vector<int>& ys) {
  std::vector<Resultado> resultados;
  for (int y : ys) resultados.push_back(dar(cosedor, v, pagina, y));
  return resultados;
}

::testing::AssertionResult igual(const Imagen& imagen, const Pagina& esperada) {
  if (imagen.ancho != esperada.ancho || imagen.alto != esperada.alto)
    return ::testing::AssertionFailure()
           << "stitched " << imagen.ancho << " x " << imagen.alto << ", expected " << esperada.ancho
           << " x " << esperada.alto;
  for (int y = 0; y < esperada.alto; ++y)
    if (std::memcmp(imagen.rgba.data() + std::size_t(y) * esperada.bytesPorFila(), esperada.fila(y),
                    esperada.bytesPorFila()) != 0)
      return ::testing::AssertionFailure() << "first differing row: " << y;
  return ::testing::AssertionSuccess();
}

// A text page with a plain stretch of `lisa` rows from row `desde`.
Pagina conTramoLiso(int ancho, int alto, int desde, int lisa, paginas::Color color) {
  Pagina p = paginas::texto(ancho, alto, 77);
  p.rect(0, desde, ancho, lisa, color);
  return p;
}

Ventana conBarras(int ancho, int alto, Pagina cabecera, Pagina pie) {
  Ventana v = ventana(ancho, alto);
  v.cabecera = std::move(cabecera);
  v.pie = std::move(pie);
  return v;
}

std::vector<int> unir(std::vector<int> a, const std::vector<int>& b) {
  a.insert(a.end(), b.begin() + 1, b.end());
  return a;
}

// Frames whose content starts at page rows `ys`, to be stitched byte for byte into the page's
// rows `desde` to `hasta` (the top rows of the highest and the lowest frame's content).
struct Corrida {
  const char* nombre;
  Pagina pagina;
  Ventana v;
  std::vector<int> ys;
  int desde, hasta;
};

void esExacta(const Corrida& c) {
  SCOPED_TRACE(c.nombre);
  Cosedor cosedor;
  coser(cosedor, c.v, c.pagina, c.ys);
  EXPECT_TRUE(igual(cosedor.armarImagen(), c.v.esperada(c.pagina, c.desde, c.hasta)));
}

// Every kind of page, with steady steps, steps of a few rows and steps of up to 70% of the
// area.
TEST(StitchJoin, StitchesEveryKindOfPageExactlyWhateverTheSteps) {
  const std::vector<int> pequenos{1, 4, 10, 2, 7, 3, 9, 5, 6, 8},
      grandes{240, 336, 35, 300, 150, 320, 60, 250}, mezclados{12, 180, 3, 333, 64, 1, 210, 95};
  const auto corrida = [](const char* nombre, Pagina p, const std::vector<int>& pasos) {
    std::vector<int> ys = paginas::recorrido(0, p.alto - 480, pasos);
    const int hasta = ys.back();
    return Corrida{nombre, std::move(p), ventana(640, 480), std::move(ys), 0, hasta};
  };
  for (const Corrida& c : {
           corrida("text, small", paginas::texto(640, 3600, 21), pequenos),
           corrida("list, large", paginas::lista(640, 3600, 21), grandes),
           corrida("photo, mixed", paginas::foto(640, 3600, 21), mezclados),
       })
    esExacta(c);
}

// Pages where a near miss is easy:
// - a plain stretch shorter than the area: a band inside it fits anywhere, so the band grows up
//   to the text above it instead of assuming the last step again (the steps all differ);
// - a smooth gradient: neighbouring rows differ by less than one level, so the pixel check
//   cannot rank the rows around the signatures' choice; the join must keep it and not slide;
// - steps that leave less overlap than the long band, on list items that look much alike: a
//   place where the band's averages come close but its rows are not there must not be taken;
// - after a run of short steps, a step of 80% of the content puts the exact match far from
//   where the usual step expects it; a worse place nearer by must not outweigh it.
// (Lines alike but for a colour key and a number, scrolled down and back up, run on the X
// server in scroll_capture_x11_test.cpp.)
TEST(StitchJoin, NearMissesAreNotTakenForTheJoin) {
  Pagina gradiente(640, 2000);
  for (int y = 0; y < gradiente.alto; ++y)
    for (int x = 0; x < gradiente.ancho; ++x)
      gradiente.punto(x, y, {uint8_t(20 + y * 0.11), uint8_t(60 + x / 8), uint8_t(230 - y * 0.09)});
  const Ventana barras = conBarras(800, 600, paginas::barra(800, 56, {38, 42, 50}, true, 1),
                                   paginas::barra(800, 44, {30, 90, 160}, true, 2));
  const auto& ys = paginas::recorrido;
  for (const Corrida& c : {
           Corrida{"short plain stretch", conTramoLiso(640, 3000, 900, 330, {236, 240, 244}),
                   ventana(640, 480), ys(300, 1700, {60, 130, 25, 170, 90, 45}), 300, 1700},
           Corrida{"smooth gradient", gradiente, ventana(640, 480),
                   ys(0, 1500, {50, 80, 30, 110, 65}), 0, 1500},
           Corrida{"similar list rows", paginas::lista(800, 4000, 11), barras,
                   ys(0, 2600, {150, 220, 60, 10, 400}), 0, 2600},
           Corrida{"long step after short ones", paginas::lista(800, 4000, 11), barras,
                   unir(ys(0, 90, {10}), {90, 500, 910, 1320}), 0, 1320},
       })
    esExacta(c);
}

// Under a sticky header and footer, learned after eight frames that moved, the stitch goes on
// down and then back up past the first frame, adding rows above it.
TEST(StitchJoin, ScrollingBackUpPastTheFirstFrameAddsRowsAbove) {
  const Pagina pagina = paginas::texto(640, 3000, 43);
  const Ventana v = conBarras(640, 480, paginas::barra(640, 60, {40, 44, 52}, true, 5),
                              paginas::barra(640, 40, {30, 90, 160}, true, 6));
  Cosedor cosedor;
  coser(cosedor, v, pagina, paginas::recorrido(1200, 1440, {30}));
  EXPECT_EQ(cosedor.cabecera() + cosedor.pie(), 100);
  const std::vector<Resultado> r = coser(cosedor, v, pagina, {1700, 1330, 1050, 900, 760, 700});
  EXPECT_EQ(r.back(), Resultado::arriba);
  EXPECT_TRUE(igual(cosedor.armarImagen(), v.esperada(pagina, 700, 1700)));
}

// A sticky header and footer appear once, at the top and at the bottom, whether they carry text
// or are plain, light bars that look almost like the page: frames joined before they are
// decided must not leave copies of them in the middle, nor lose the rows they covered. A blank
// stretch right above the footer stays blank over small steps and looks as fixed as the
// footer; taken for part of it, the page rows there would be frozen as this frame had them.
TEST(StitchFixed, HeaderAndFooterAppearOnceAndCoverNothing) {
  const std::vector<int> ys = paginas::recorrido(0, 2600, {37, 120, 15, 260, 90, 3, 180, 64, 22});
  Pagina blancoAbajo = paginas::texto(640, 2600, 83);
  blancoAbajo.rect(0, 360, 640, 160, {255, 255, 255});
  for (const Corrida& c : {
           Corrida{"dark, with text", paginas::texto(640, 4000, 41),
                   conBarras(640, 480, paginas::barra(640, 60, {40, 44, 52}, true, 1),
                             paginas::barra(640, 40, {30, 90, 160}, true, 2)),
                   ys, 0, 2600},
           Corrida{"light, plain", paginas::texto(640, 4000, 41),
                   conBarras(640, 480, paginas::barra(640, 24, {246, 246, 246}, false, 3),
                             paginas::barra(640, 30, {240, 240, 240}, false, 4)),
                   ys, 0, 2600},
           Corrida{
               "blank above the footer", blancoAbajo,
               conBarras(640, 480, {}, paginas::barra(640, 40, {30, 90, 160}, true, 8)),
               unir(paginas::recorrido(0, 45, {5}), paginas::recorrido(45, 1900, {70, 130, 40})), 0,
               1900},
       })
    esExacta(c);
}

// Taller than the area, nothing in two frames tells how far the page moved: the stitch stops
// (and says it is lost) rather than guessing, and what it kept is exact.
TEST(StitchPlain, StretchTallerThanTheAreaStopsInsteadOfGuessing) {
  const Pagina pagina = conTramoLiso(640, 4000, 1000, 1200, {0, 0, 0});
  const Ventana v = ventana(640, 480);
  Cosedor cosedor;
  coser(cosedor, v, pagina, paginas::recorrido(400, 3000, {100, 140, 60, 120}));
  const Imagen imagen = cosedor.armarImagen();
  EXPECT_TRUE(cosedor.perdido());
  EXPECT_LE(imagen.alto, 1000 + 1200 - 400);
  EXPECT_TRUE(igual(imagen, v.esperada(pagina, 400, 400 + imagen.alto - v.alto)));
  // A frame that cannot be read is said to be so.
  EXPECT_EQ(cosedor.procesar(nullptr, 640, 480, 640 * 4), Resultado::ilegible);
  EXPECT_EQ(cosedor.procesar(pagina.rgba.data(), 640, 480, 100), Resultado::ilegible);
}

TEST(StitchRobust, PictureStaysBelowTheHeightLimit) {
  const Pagina pagina = paginas::texto(160, 26000, 67);
  const Ventana v = ventana(160, 400);
  Cosedor cosedor;
  int ultimo = 0;  // the last frame joined; none after the limit was reached
  for (int y : paginas::recorrido(0, pagina.alto - v.alto, {300, 280})) {
    const Resultado r = dar(cosedor, v, pagina, y);
    if (r != Resultado::abajo && r != Resultado::primero) break;
    ultimo = y;
  }
  EXPECT_EQ(dar(cosedor, v, pagina, ultimo + 300), Resultado::tope);
  EXPECT_LT(cosedor.filasTotales(), 24000);
  EXPECT_GE(cosedor.filasTotales(), 24000 - v.alto);
  EXPECT_TRUE(igual(cosedor.armarImagen(), v.esperada(pagina, 0, ultimo)));
}

// Identical items repeat every 100 rows: a step of 120 looks exactly like one of 20, and in a
// 200-row area no other place of the band shows. Nothing in the frames can tell the steps
// apart, so nothing is joined on a guess.
TEST(StitchPlain, RepeatingPatternIsNotJoinedOnAGuess) {
  const Pagina item = paginas::lista(640, 100, 101);
  Pagina pagina(640, 3000);
  for (int y = 0; y < pagina.alto; y += 100) pagina.pegar(item, y);
  const Ventana v = ventana(640, 200);
  Cosedor cosedor;
  coser(cosedor, v, pagina, paginas::recorrido(0, 1200, {120}));
  EXPECT_EQ(cosedor.filasTotales(), v.alto);
  EXPECT_TRUE(cosedor.perdido());
}

// corvalin-stitch end to end: PNG frames in a folder, the picture and exit codes out.
class StitchTool : public ::testing::Test {
 protected:
  // The exit code; what it printed, on either channel, in `dijo`.
  int correr(const QString& carpeta, const QString& png) {
    QProcess proceso;
    proceso.setProcessChannelMode(QProcess::MergedChannels);
    proceso.start(QStringLiteral(STITCH_TOOL), {carpeta, png});
    EXPECT_TRUE(proceso.waitForFinished(60000));
    dijo = QString::fromUtf8(proceso.readAll());
    return proceso.exitCode();
  }
  static QImage imagen(const std::vector<uint8_t>& rgba, int ancho, int alto) {
    return QImage(rgba.data(), ancho, alto, QImage::Format_RGBA8888);
  }
  void guardar(const QString& carpeta, const QString& nombre, const std::vector<uint8_t>& rgba,
               int ancho, int alto) {
    QDir().mkpath(carpeta);
    ASSERT_TRUE(imagen(rgba, ancho, alto).save(carpeta + QLatin1Char('/') + nombre, "PNG"));
  }
  QString dijo;
  QTemporaryDir dir;
  const QString png = dir.filePath(QStringLiteral("largo.png"));  // the tool's picture
};

TEST_F(StitchTool, StitchesAFolderAndSkipsFramesOfAnotherSize) {
  const Pagina pagina = paginas::texto(400, 2000, 71);
  const Ventana v = conBarras(400, 300, paginas::barra(400, 40, {40, 44, 52}, true, 7), {});
  const QString carpeta = dir.filePath(QStringLiteral("cuadros"));
  const std::vector<int> ys = paginas::recorrido(0, 1100, {70, 130, 20, 90});
  for (std::size_t i = 0; i < ys.size(); ++i)
    guardar(carpeta, QStringLiteral("%1.png").arg(i, 3, 10, QLatin1Char('0')),
            v.cuadro(pagina, ys[i]), v.ancho, v.alto);
  guardar(carpeta, QStringLiteral("005b.png"), Pagina(200, 100).rgba, 200, 100);
  ASSERT_EQ(correr(carpeta, png), 0) << qPrintable(dijo);
  EXPECT_TRUE(dijo.contains(QStringLiteral("005b.png"))) << qPrintable(dijo);
  const Pagina esperada = v.esperada(pagina, 0, 1100);
  EXPECT_TRUE(QImage(png).convertToFormat(QImage::Format_RGBA8888) ==
              imagen(esperada.rgba, esperada.ancho, esperada.alto));
}

TEST_F(StitchTool, FailsClearlyWhenNothingCanBeStitched) {
  // Frames that never overlap.
  const Pagina pagina = paginas::texto(300, 3000, 73);
  const Ventana v = ventana(300, 200);
  const QString sueltos = dir.filePath(QStringLiteral("sueltos"));
  for (int i = 0; i < 4; ++i)
    guardar(sueltos, QStringLiteral("%1.png").arg(i), v.cuadro(pagina, i * 600), 300, 200);
  EXPECT_EQ(correr(sueltos, png), 1);
  EXPECT_TRUE(dijo.contains(QStringLiteral("nothing could be stitched"))) << qPrintable(dijo);
  EXPECT_TRUE(dijo.contains(QStringLiteral("no se pudo unir nada"))) << qPrintable(dijo);
  EXPECT_FALSE(QFile::exists(png));
}

}  // namespace
}  // namespace corvalin::stitch
