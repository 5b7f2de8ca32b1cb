#include <gtest/gtest.h>

#include "app/menus.h"
#include "core/texts.h"
#include "support/idioma_fijo.h"

namespace corvalin {
namespace {

using prueba::IdiomaFijo;

// The titles of a menu's items, "-" for separators.
QStringList titulos(const QList<ElementoDeMenu>& items) {
  QStringList out;
  for (const ElementoDeMenu& e : items) {
    out << (e.tipo == ElementoDeMenu::Tipo::separador ? QStringLiteral("-") : e.titulo);
  }
  return out;
}

TEST(StatusMenu, UploadsInProgressGetAPairOfItemsEach) {
  IdiomaFijo en(Idioma::ingles);
  EstadoDeMenus s;
  s.subidas = {QStringLiteral("Captura · 1.2 MB · 30 %"),
               QStringLiteral("Grabación · 8 MB · 61 %")};
  const QList<ElementoDeMenu> items = buildMenu(false, s).elementos;
  const qsizetype calidad = titulos(items).indexOf("Video Quality");
  ASSERT_GE(calidad, 0);
  const QString cancelar = QStringLiteral("Cancel This Upload");
  EXPECT_EQ(titulos(items).mid(calidad + 1, 5),
            (QStringList{"Uploading " + s.subidas[0], cancelar, "Uploading " + s.subidas[1],
                         cancelar, "-"}));
  EXPECT_FALSE(items[calidad + 1].habilitado);
  // Each cancel item names its own upload.
  EXPECT_EQ(items[calidad + 4].accion, Accion::cancelarSubida);
  EXPECT_EQ(items[calidad + 4].valor.toInt(), 1);
}

}  // namespace
}  // namespace corvalin
