#include <gtest/gtest.h>

#include "app/status_item.h"

namespace corvalin {
namespace {

// Probes the pixels that tell the states apart rather than comparing whole pictures.
TEST(Apariencia, IconPicturesShowTheState) {
  AparienciaDelIcono idle;
  const QImage camera = dibujarIcono(idle, 32);
  ASSERT_EQ(camera.size(), QSize(32, 32));
  EXPECT_GT(camera.pixelColor(16, 16).alpha(), 200);

  AparienciaDelIcono stop;
  stop.imagen = AparienciaDelIcono::Imagen::detener;
  const QImage square = dibujarIcono(stop, 32);
  EXPECT_NE(square.pixelColor(16, 16), camera.pixelColor(16, 16));
  EXPECT_EQ(square.pixelColor(1, 1).alpha(), 0);

  AparienciaDelIcono uploading = idle;
  uploading.titulo = QStringLiteral(" 45 %");
  const QImage badge = dibujarIcono(uploading, 32);
  EXPECT_NE(badge.pixelColor(3, 29), camera.pixelColor(3, 29));  // the badge covers the bottom
  EXPECT_EQ(badge.pixelColor(16, 4), camera.pixelColor(16, 4));  // the top is untouched
}

}  // namespace
}  // namespace corvalin
