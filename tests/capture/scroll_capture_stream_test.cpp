// The long capture between a stream and the stitcher, with a stream played by the test: frames
// handed over from another thread as the X11 stream does, the progress on the main thread, the
// picture at the end, and a stream that won't start.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <thread>

#include "capture/scroll_capture_stream.h"
#include "core/texts.h"

namespace corvalin {
namespace {

class FlujoDePrueba final : public FlujoDePantalla {
 public:
  bool arrancar(const FuenteDeCuadros& f, const Opciones& o, Manejadores m,
                std::string* error) override {
    if (!falla.empty()) {
      *error = falla;
      return false;
    }
    fuente = std::get<AreaDeRaiz>(f);
    opciones = o;
    manejadores = std::move(m);
    return true;
  }
  void detener() override { ++detenciones; }
  void dejarFuera(std::vector<uint32_t> v) override { fuera = std::move(v); }
  int64_t descartados() const override { return 0; }
  std::optional<AreaDeRaiz> medir(uint32_t) override { return std::nullopt; }

  std::string falla;
  AreaDeRaiz fuente;
  Opciones opciones;
  Manejadores manejadores;
  int detenciones = 0;
  std::vector<uint32_t> fuera;
};

// A page of distinct rows: each row its own colour pattern, so any join is either exact or
// visibly wrong.
QImage pagina(int ancho, int alto) {
  QImage p(ancho, alto, QImage::Format_ARGB32);
  for (int y = 0; y < alto; ++y) {
    auto* fila = reinterpret_cast<QRgb*>(p.scanLine(y));
    for (int x = 0; x < ancho; ++x) {
      const int bloque = (x / 16 + y / 9) % 5;
      fila[x] = qRgb((y * 7 + x / 40 * 31) % 256, (y * 13 / 3 + bloque * 40) % 256,
                     (x < 20 ? y / 3 : 90 + bloque * 30) % 256);
    }
  }
  return p;
}

class CapturaLargaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fijarIdiomaActual(Idioma::español);
    captura_ = std::make_unique<CapturaLarga>([this] {
      auto f = std::make_unique<FlujoDePrueba>();
      flujo_ = f.get();
      return f;
    });
    captura_->alAvanzar = [this](int filas) { avances_.push_back(filas); };
    captura_->alPerderse = [this](bool p) { perdido_ = p; };
  }
  std::optional<QString> arrancar(const QRect& area) {
    std::optional<std::optional<QString>> r;
    captura_->start(area, QGuiApplication::primaryScreen()->name(),
                    [&](std::optional<QString> e) { r = e; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return r.has_value(); }, 3000));
    return r.value_or(QStringLiteral("no answer"));
  }
  // Hands the frames over from a thread of their own, as the stream does, one at a time.
  void entregar(const std::vector<QImage>& cuadros) {
    std::thread hilo([&] {
      for (const QImage& c : cuadros) {
        auto copia = std::make_shared<QImage>(c);
        CuadroDePantalla cuadro;
        cuadro.bgra = copia->constBits();
        cuadro.ancho = copia->width();
        cuadro.alto = copia->height();
        cuadro.pasoBytes = copia->bytesPerLine();
        cuadro.prestamo = copia;
        flujo_->manejadores.alCuadro(cuadro);
      }
    });
    hilo.join();
  }
  QImage terminar() {
    std::optional<QImage> r;
    captura_->finish([&](QImage i) { r = i; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return r.has_value(); }, 5000));
    return r.value_or(QImage());
  }

  std::unique_ptr<CapturaLarga> captura_;
  FlujoDePrueba* flujo_ = nullptr;
  std::vector<int> avances_;
  bool perdido_ = false;
};

TEST_F(CapturaLargaTest, FramesFromTheStreamThreadComeOutAsOnePictureWithProgressOnTheMainThread) {
  const QRect area(10, 20, 200, 150);
  ASSERT_EQ(arrancar(area), std::nullopt);
  ASSERT_TRUE(captura_->activa());
  EXPECT_EQ(flujo_->fuente.ancho, 200);
  EXPECT_EQ(flujo_->fuente.alto, 150);
  EXPECT_FALSE(flujo_->opciones.cursor);
  EXPECT_TRUE(captura_->dondeEstorba().isEmpty());
  captura_->dejarFuera({0x3c00007});
  EXPECT_EQ(flujo_->fuera, std::vector<uint32_t>{0x3c00007});

  const QImage todo = pagina(200, 600);
  std::vector<QImage> cuadros;
  for (int y : {0, 0, 30, 75, 130, 190, 250, 320, 380, 450})
    cuadros.push_back(todo.copy(0, y, 200, 150));
  cuadros.push_back(pagina(120, 90));  // another size: dropped
  entregar(cuadros);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !avances_.empty() && avances_.back() == 600; }, 3000))
      << (avances_.empty() ? -1 : avances_.back());
  EXPECT_TRUE(std::is_sorted(avances_.begin(), avances_.end()));
  EXPECT_FALSE(perdido_);
  EXPECT_EQ(captura_->alto(), 150);
  EXPECT_EQ(captura_->filasAcumuladas(), 600);

  const QImage imagen = terminar();
  EXPECT_FALSE(captura_->activa());
  EXPECT_GE(flujo_->detenciones, 1);
  ASSERT_EQ(imagen.size(), todo.size());
  EXPECT_EQ(imagen.convertToFormat(QImage::Format_ARGB32), todo);
}

TEST_F(CapturaLargaTest, AStreamThatWontStartSaysWhyAndFinishingEarlyGivesNothing) {
  std::optional<std::optional<QString>> r;
  captura_ = std::make_unique<CapturaLarga>([] {
    auto f = std::make_unique<FlujoDePrueba>();
    f->falla = "no MIT-SHM";
    return f;
  });
  captura_->start(QRect(0, 0, 100, 100), QGuiApplication::primaryScreen()->name(),
                  [&](std::optional<QString> e) { r = e; });
  ASSERT_TRUE(QTest::qWaitFor([&] { return r.has_value(); }, 3000));
  ASSERT_TRUE(r->has_value());
  EXPECT_EQ(**r, QStringLiteral("no MIT-SHM"));
  EXPECT_FALSE(captura_->activa());

  // No stream at all (no X server), and an area on no screen.
  r.reset();
  captura_ = std::make_unique<CapturaLarga>([] { return nullptr; });
  captura_->start(QRect(0, 0, 100, 100), QString(), [&](std::optional<QString> e) { r = e; });
  ASSERT_TRUE(QTest::qWaitFor([&] { return r.has_value(); }, 3000));
  EXPECT_EQ(*r, L("No encontré la pantalla del área"));

  // Finished before its stream began: an empty picture, and the start never reports.
  r.reset();
  SetUp();
  captura_->start(QRect(0, 0, 100, 100), QGuiApplication::primaryScreen()->name(),
                  [&](std::optional<QString> e) { r = e; });
  EXPECT_TRUE(terminar().isNull());
  QTest::qWait(500);
  EXPECT_FALSE(r.has_value());
  EXPECT_FALSE(captura_->activa());
}

}  // namespace
}  // namespace corvalin
