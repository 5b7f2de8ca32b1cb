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

class CapturaLargaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fijarIdiomaActual(Idioma::español);
    captura_ = std::make_unique<CapturaLarga>([this] {
      auto f = std::make_unique<FlujoDePrueba>();
      flujo_ = f.get();
      return f;
    });
  }
  std::optional<QString> arrancar(const QRect& area) {
    std::optional<std::optional<QString>> r;
    captura_->start(area, QGuiApplication::primaryScreen()->name(),
                    [&](std::optional<QString> e) { r = e; });
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

TEST_F(CapturaLargaTest, TheStreamGetsTheAreaWithoutThePointerAndTheWindowsToLeaveOut) {
  ASSERT_EQ(arrancar(QRect(10, 20, 200, 150)), std::nullopt);
  ASSERT_TRUE(captura_->activa());
  EXPECT_EQ(flujo_->fuente.ancho, 200);
  EXPECT_EQ(flujo_->fuente.alto, 150);
  EXPECT_FALSE(flujo_->opciones.cursor);
  captura_->dejarFuera({0x3c00007});
  EXPECT_EQ(flujo_->fuera, std::vector<uint32_t>{0x3c00007});
  EXPECT_TRUE(terminar().isNull());  // no frame came
  EXPECT_GE(flujo_->detenciones, 1);
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
