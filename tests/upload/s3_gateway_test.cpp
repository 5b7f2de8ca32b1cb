// Uploads to a real S3 server (the session's RADOS Gateway, which checks signatures, presigned
// links and ACLs): small pictures, a big file streamed from disk, refusals and cancellation.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>

#include "apoyo.h"
#include "core/texts.h"
#include "platform/main_thread.h"
#include "support/portapapeles_de_prueba.h"
#include "upload/s3_uploader.h"
#include "upload/subidas_en_curso.h"
#include "upload/subidor.h"

namespace corvalin {
namespace {

using prueba::Buzon;

Resultado<UploadResult> subir(const S3Config& c, const QString& key, const Cuerpo& cuerpo,
                              Enviador::Progreso progreso = {},
                              std::shared_ptr<Enviador> puente = Enviador::puente(),
                              const std::function<void()>& mientras = {}) {
  Buzon<Resultado<UploadResult>> buzon;
  S3Uploader::send(cuerpo, key, QStringLiteral("application/octet-stream"), c, false, progreso,
                   puente, buzon.entregar());
  if (mientras) {
    prueba::esperarHasta(
        [&] {
          mientras();
          return buzon.veces() > 0;
        },
        110000);
  }
  const auto r = buzon.esperar(110000);
  EXPECT_TRUE(r.has_value());
  return r ? *r : Resultado<UploadResult>(ErrorDeSubida(ErrorDeRed{}));
}

QString fallo(const Resultado<UploadResult>& r) {
  const auto* e = std::get_if<ErrorDeSubida>(&r);
  return e ? e->descripcion() : QString();
}

QByteArray leer(const QString& ruta) {
  QFile f(ruta);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray sha256DeArchivo(const QString& ruta) {
  QFile f(ruta);
  QCryptographicHash h(QCryptographicHash::Sha256);
  if (f.open(QIODevice::ReadOnly)) h.addData(&f);
  return h.result();
}

int64_t residenteKb() {
  QFile status(QStringLiteral("/proc/self/status"));
  status.open(QIODevice::ReadOnly);
  for (const QByteArray& linea : status.readAll().split('\n')) {
    if (linea.startsWith("VmRSS:")) return linea.mid(6).trimmed().split(' ').first().toLongLong();
  }
  return 0;
}

// The whole way a capture goes: listed at once, up under its key, delivered once on the main
// thread, its link copied and announced.
TEST(S3Gateway, ThePictureGoesUpUnderAKeyWithSpacesAndEnyeAndTheAclIsHonoured) {
  CORVALIN_GATEWAY_O_SALTAR(s3);
  fijarIdiomaActual(Idioma::español);
  QTemporaryDir dir;
  Settings settings(dir.path(), dir.path());
  for (const auto& [clave, valor] : {std::pair{"uploadTarget", QStringLiteral("propio")},
                                     {"endpoint", s3.endpoint},
                                     {"region", QStringLiteral("us-east-1")},
                                     {"bucket", prueba::kBucket},
                                     {"prefix", QStringLiteral("capturas de año/")},
                                     {"acl", QStringLiteral("public-read")}}) {
    settings.d().set(QString::fromLatin1(clave), valor);
  }
  settings.d().set("pathStyle", true);
  settings.ponerSecretoEnCache("accessKey", s3.access);
  settings.ponerSecretoEnCache("secretKey", s3.secret);
  SubidasEnCurso lista;
  Buzon<ResultadoDeSubida> buzon;
  auto entregar = buzon.entregar();
  int listadasAlTerminar = -1;
  const QByteArray png = S3Uploader::pngMinimo();
  Subidor::subirEnSegundoPlano({settings, lista, {}}, Cuerpo::datos(png), "image/png", "png",
                               "Captura", [&](const ResultadoDeSubida& r) {
                                 listadasAlTerminar = int(lista.activas().size());
                                 entregar(r);
                               });
  ASSERT_EQ(lista.activas().size(), 1);
  EXPECT_EQ(lista.activas()[0]->nombre(), QStringLiteral("Captura"));
  EXPECT_EQ(lista.activas()[0]->bytes(), png.size());
  const auto r = buzon.esperar();
  ASSERT_TRUE(r && std::holds_alternative<SubidaHecha>(*r))
      << (r ? std::get<ErrorDeSubida>(*r).descripcion().toStdString() : "");
  EXPECT_TRUE(buzon.enPrincipal());
  EXPECT_EQ(listadasAlTerminar, 0);
  const QString link = std::get<SubidaHecha>(*r).url.toString(QUrl::FullyEncoded);
  EXPECT_TRUE(link.startsWith(s3.endpoint + "/corvalin-pruebas/capturas%20de%20a%C3%B1o/2"))
      << link.toStdString();
  prueba::PortapapelesDePrueba portapapeles;
  QStringList aviso;
  EXPECT_EQ(atenderResultado(*r, portapapeles,
                             [&](const QString& t, const QString& d, const QString& i) {
                               aviso = {t, d, i};
                             }),
            std::nullopt);
  EXPECT_EQ(portapapeles.texto(), link);
  EXPECT_EQ(aviso, (QStringList{"Tu propio S3", "URL copiada al portapapeles",
                                "icloud.and.arrow.up.fill"}));
  // Anyone may read it: the server applied the signed public-read.
  EXPECT_EQ(prueba::descargar(link, dir.filePath("bajada.png")), 200);
  EXPECT_EQ(leer(dir.filePath("bajada.png")), png);
  EXPECT_EQ(settings.d().string("acl"), QStringLiteral("public-read"));  // accepted, not dropped
  EXPECT_EQ(buzon.veces(), 1);

  // Without the ACL the object is private.
  const auto privado =
      subir(prueba::configDelGateway(s3), "privado/ñ y espacio.png", Cuerpo::datos(png));
  ASSERT_TRUE(std::holds_alternative<UploadResult>(privado)) << fallo(privado).toStdString();
  EXPECT_EQ(prueba::descargar(std::get<UploadResult>(privado).url.toString(QUrl::FullyEncoded)),
            403);
}

// The link it gets is presigned, serves those bytes, and nothing else once a word of it is
// changed; a second transfer of the file cancelled partway leaves nothing in the bucket.
TEST(S3Gateway, A200MBFileIsStreamedWithProgressItsLinkIsSealedAndACancelledOneStoresNothing) {
  CORVALIN_GATEWAY_O_SALTAR(s3);
  QTemporaryDir dir;
  const QString ruta = dir.filePath("grabacion.mp4");
  constexpr int64_t kBytes = 200LL * 1024 * 1024;
  {
    QFile f(ruta);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    QByteArray bloque(1 << 20, '\0');
    uint64_t x = 0x9E3779B97F4A7C15ULL;
    for (int64_t escrito = 0; escrito < kBytes; escrito += bloque.size()) {
      for (qsizetype i = 0; i < bloque.size(); i += 8) {
        x ^= x << 13, x ^= x >> 7, x ^= x << 17;
        memcpy(bloque.data() + i, &x, 8);
      }
      ASSERT_EQ(f.write(bloque), bloque.size());
    }
  }
  S3Config c = prueba::configDelGateway(s3);
  c.presignSeconds = 600;
  QList<double> avances;
  bool fueraDelPrincipal = false;
  const int64_t antesKb = residenteKb();
  int64_t picoKb = antesKb;
  const auto r = subir(
      c, "grande/a b ñ.mp4", Cuerpo::archivo(ruta, kBytes),
      [&](double f) {
        fueraDelPrincipal |= !enHiloPrincipal();
        avances << f;
      },
      Enviador::puente(), [&] { picoKb = std::max(picoKb, residenteKb()); });
  ASSERT_TRUE(std::holds_alternative<UploadResult>(r)) << fallo(r).toStdString();
#if !defined(__SANITIZE_ADDRESS__)
  // Under AddressSanitizer freed blocks wait in quarantine, so resident memory says nothing.
  EXPECT_LT(picoKb - antesKb, 100 * 1024)
      << "resident memory grew by " << (picoKb - antesKb) / 1024 << " MB";
#endif
  EXPECT_FALSE(fueraDelPrincipal);
  ASSERT_FALSE(avances.isEmpty());
  EXPECT_TRUE(std::is_sorted(avances.begin(), avances.end()));
  EXPECT_DOUBLE_EQ(avances.last(), 1.0);

  const QString link = std::get<UploadResult>(r).url.toString(QUrl::FullyEncoded);
  const QString bajada = dir.filePath("bajada.mp4");
  EXPECT_EQ(prueba::descargar(link, bajada), 200);
  EXPECT_EQ(sha256DeArchivo(bajada), sha256DeArchivo(ruta));
  QString otraExpiracion = link;
  otraExpiracion.replace("X-Amz-Expires=600", "X-Amz-Expires=7200");
  QString otroObjeto = link;
  otroObjeto.replace("a%20b", "a%20c");
  EXPECT_EQ(prueba::descargar(otraExpiracion), 403);
  EXPECT_EQ(prueba::descargar(otroObjeto), 403);
  prueba::borrarObjeto(s3, "grande/a b ñ.mp4");

  // Cancelled once a hundredth of it has gone: the rest is far from sent.
  auto puente = Enviador::puente();
  double cancelado = -1;
  const auto cancelada = subir(
      c, "cancelada.mp4", Cuerpo::archivo(ruta, kBytes),
      [&](double f) {
        if (cancelado < 0 && f >= 0.01) {
          cancelado = f;
          puente->cancelar();
        }
      },
      puente);
  ASSERT_GE(cancelado, 0.01);
  EXPECT_LT(cancelado, 0.5);
  ASSERT_TRUE(std::holds_alternative<ErrorDeSubida>(cancelada));
  EXPECT_TRUE(std::get<ErrorDeSubida>(cancelada).esCancelacion()) << fallo(cancelada).toStdString();
  EXPECT_EQ(prueba::descargar(
                S3Uploader::presignedURL("cancelada.mp4", c, QDateTime::currentDateTimeUtc())
                    .toString(QUrl::FullyEncoded)),
            404);
}

}  // namespace
}  // namespace corvalin
