// Fifty clients at once for 30 seconds, each asking for slots and uploading 1 MB files: every
// request answered, every upload counted once, each first file read back intact.
#include <gtest/gtest.h>

#include "carga.h"
#include "nube_local.h"

namespace corvalin {
namespace {

TEST(NubeBajoCarga, FiftyClientsAtOnceLoseNothingAndEveryCountIsExact) {
  CORVALIN_GATEWAY_O_SALTAR(s3);
  prueba::NubeLocal servidor(
      s3, QStringLiteral("[servidor]\npeticiones_por_minuto = 100000\nhilos = 64\n"
                         "[plan gratis]\ncuota = 100G\ndiario = 100000\nmaximo = 2M\n"));
  ASSERT_TRUE(servidor.arrancar()) << servidor.registro().toStdString();

  const prueba::ResultadoDeCarga r = prueba::cargar(servidor.base(), s3, {});
  EXPECT_TRUE(r.problemas.isEmpty())
      << r.problemas.join(QLatin1Char('\n')).toStdString() << "\nthe server's log ends:\n"
      << servidor.registro().right(2000).toStdString();
  EXPECT_GT(r.subidas, 50);
  for (const prueba::PorCliente& c : r.clientes) {
    EXPECT_TRUE(c.subidas == 0 || prueba::abrir(QUrl(c.primerEnlace)).cuerpo == c.primerCuerpo)
        << c.primerEnlace.toStdString();
  }
  // Every slot counted once, in the day's uploads and in the bytes used.
  EXPECT_EQ(servidor.numero(QStringLiteral("SELECT COALESCE(SUM(n), 0) FROM subidas")), r.ranuras);
  EXPECT_EQ(servidor.numero(QStringLiteral("SELECT COALESCE(SUM(bytes), 0) FROM archivos")),
            r.ranuras << 20);
  EXPECT_EQ(servidor.detener(), 0);
}

}  // namespace
}  // namespace corvalin
