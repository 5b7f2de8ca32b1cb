// The long capture's start against a stream played by the test: what it asks of the stream,
// and the failures a real stream cannot be made to give. (Frames, progress and the picture run
// on the X server in scroll_capture_x11_test.cpp.)
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include "capture/scroll_capture_stream.h"
#include "core/texts.h"

namespace corvalin {
namespace {

class FlujoDePrueba final : public FlujoDePantalla {
 public:
  bool arrancar(const FuenteDeCuadros& f, const Opciones& o, Manejadores,
                std::string* error) override {
    fuente = std::get<AreaDeRaiz>(f);
    cursor = o.cursor;
    *error = falla;
    return falla.empty();
  }
  void detener() override { ++detenciones; }
  void dejarFuera(std::vector<uint32_t> v) override { fuera = std::move(v); }
  int64_t descartados() const override { return 0; }
  std::optional<AreaDeRaiz> medir(uint32_t) override { return std::nullopt; }

  std::string falla;
  AreaDeRaiz fuente;
  bool cursor = true;
  int detenciones = 0;
  std::vector<uint32_t> fuera;
};

class CapturaLargaTest : public ::testing::Test {
 protected:
  // A long capture whose stream fails with `falla`, or that has no stream at all.
  void SetUp() override { hacer(""); }
  void hacer(const char* falla, bool sinFlujo = false) {
    fijarIdiomaActual(Idioma::español);
    captura_ = std::make_unique<CapturaLarga>([=, this]() -> std::unique_ptr<FlujoDePantalla> {
      if (sinFlujo) return nullptr;
      auto f = std::make_unique<FlujoDePrueba>();
      f->falla = falla;
      flujo_ = f.get();
      return f;
    });
  }
  // What the start reported; "no answer" when it did not.
  std::optional<QString> arrancar(
      const QRect& area, const QString& pantalla = QGuiApplication::primaryScreen()->name()) {
    std::optional<std::optional<QString>> r;
    captura_->start(area, pantalla, [&](std::optional<QString> e) { r = e; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return r.has_value(); }, 3000));
    return r.value_or(QStringLiteral("no answer"));
  }
  QImage terminar() {
    std::optional<QImage> r;
    captura_->finish([&](QImage i) { r = i; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return r.has_value(); }, 5000));
    return r.value_or(QImage());
  }

  std::unique_ptr<CapturaLarga> captura_;
  FlujoDePrueba* flujo_ = nullptr;
};

TEST_F(CapturaLargaTest, TheStreamGetsTheAreaWithoutThePointerOrSaysWhyItWontStart) {
  ASSERT_EQ(arrancar(QRect(10, 20, 200, 150)), std::nullopt);
  ASSERT_TRUE(captura_->activa());
  EXPECT_EQ(QSize(flujo_->fuente.ancho, flujo_->fuente.alto), QSize(200, 150));
  EXPECT_FALSE(flujo_->cursor);
  captura_->dejarFuera({0x3c00007});
  EXPECT_EQ(flujo_->fuera, std::vector<uint32_t>{0x3c00007});
  EXPECT_TRUE(terminar().isNull());  // no frame came
  EXPECT_GE(flujo_->detenciones, 1);

  // A stream that won't start says why.
  hacer("no MIT-SHM");
  EXPECT_EQ(arrancar(QRect(0, 0, 100, 100)), QStringLiteral("no MIT-SHM"));
  EXPECT_FALSE(captura_->activa());
  // No stream at all (no X server), and an area on no screen.
  hacer("", true);
  EXPECT_EQ(arrancar(QRect(0, 0, 100, 100), QString()), L("No encontré la pantalla del área"));
}

}  // namespace
}  // namespace corvalin
