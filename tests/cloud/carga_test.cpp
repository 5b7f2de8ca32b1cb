// Fifty clients at once for 30 seconds, each asking for slots and uploading 1 MB files: every
// request answered, every upload counted once, each first file read back intact.
#include <gtest/gtest.h>

#include "carga.h"
#include "core/texts.h"
#include "nube_local.h"
#include "upload/nube_uploader.h"

namespace corvalin {
namespace {

TEST(NubeBajoCarga, FiftyClientsAtOnceLoseNothingAndEveryCountIsExact) {
  CORVALIN_GATEWAY_O_SALTAR(s3);
  ASSERT_TRUE(prueba::crearBucket(s3, prueba::kBucketDeNube));
  prueba::NubeLocal servidor(
      s3, QStringLiteral("[servidor]\npeticiones_por_minuto = 100000\nhilos = 64\n"
                         "[plan gratis]\ncuota = 100G\ndiario = 100000\nmaximo = 2M\n"));
  ASSERT_TRUE(servidor.arrancar()) << servidor.registro().toStdString();

  const prueba::ResultadoDeCarga r = prueba::cargar(servidor.base(), s3, {});
  EXPECT_TRUE(r.problemas.isEmpty())
      << r.problemas.join(QLatin1Char('\n')).toStdString() << "\nthe server's log ends:\n"
      << servidor.registro().right(2000).toStdString();
  EXPECT_GT(r.subidas, 50);
  std::cout << r.subidas << " uploads of 1 MB by 50 clients in " << r.segundos << " s\n";

  for (const prueba::PorCliente& c : r.clientes) {
    EXPECT_EQ(c.ranuras, c.subidas) << c.cuenta.toStdString();
    prueba::Buzon<Resultado<EstadoDeNube>> buzon;
    NubeUploader::estado({servidor.base(), c.cuenta, 30}, 1, buzon.entregar());
    const auto e = buzon.esperar(30000);
    ASSERT_TRUE(e && std::holds_alternative<EstadoDeNube>(*e)) << c.cuenta.toStdString();
    const EstadoDeNube& estado = std::get<EstadoDeNube>(*e);
    EXPECT_EQ(std::tuple(estado.total, estado.usado, estado.restantesHoy),
              std::tuple(c.ranuras, c.ranuras * (1 << 20), 100000 - c.ranuras));
    EXPECT_TRUE(c.subidas == 0 || prueba::abrir(QUrl(c.primerEnlace)).cuerpo == c.primerCuerpo)
        << c.cuenta.toStdString();
  }
  EXPECT_EQ(servidor.numero(QStringLiteral("SELECT COALESCE(SUM(n), 0) FROM subidas")), r.ranuras);
  EXPECT_EQ(servidor.detener(), 0);
}

}  // namespace
}  // namespace corvalin
