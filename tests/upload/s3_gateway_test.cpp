// Uploads to a real S3 server (the session's RADOS Gateway, which checks signatures, presigned
// links and ACLs): small pictures, a big file streamed from disk, refusals and cancellation.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
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
                              std::shared_ptr<Enviador> puente = Enviador::puente()) {
  Buzon<Resultado<UploadResult>> buzon;
  S3Uploader::send(cuerpo, key, QStringLiteral("application/octet-stream"), c, false, progreso,
                   puente, buzon.entregar());
  const auto r = buzon.esperar(110000);
  EXPECT_TRUE(r.has_value());
  return r ? *r : Resultado<UploadResult>(ErrorDeSubida(ErrorDeRed{}));
}

QString fallo(const Resultado<UploadResult>& r) {
  const auto* e = std::get_if<ErrorDeSubida>(&r);
  return e ? e->descripcion() : QString();
}

QByteArray sha256DeArchivo(const QString& ruta) {
  QFile f(ruta);
  QCryptographicHash h(QCryptographicHash::Sha256);
  if (f.open(QIODevice::ReadOnly)) h.addData(&f);
  return h.result();
}

// The whole way a capture goes: listed at once, up under its key, delivered once on the main
// thread, its link copied and announced.
TEST(S3Gateway, ThePictureGoesUpUnderAKeyWithSpacesAndEnyeAndTheAclIsHonoured) {
  CORVALIN_GATEWAY_O_SALTAR(s3);
  fijarIdiomaActual(Idioma::español);
  QTemporaryDir dir;
  Settings settings(dir.path(), dir.path());
  for (const QString& par :
       QStringList{"uploadTarget=propio", "endpoint=" + s3.endpoint, "region=us-east-1",
                   "bucket=" + prueba::kBucket, "prefix=capturas de año/", "acl=public-read"})
    settings.d().set(par.section('=', 0, 0), par.section('=', 1));
  settings.d().set("pathStyle", true);
  settings.ponerSecretoEnCache("accessKey", s3.access);
  settings.ponerSecretoEnCache("secretKey", s3.secret);
  SubidasEnCurso lista;
  Buzon<ResultadoDeSubida> buzon;
  const QByteArray png = S3Uploader::pngMinimo();
  Subidor::subirEnSegundoPlano({settings, lista, {}}, Cuerpo::datos(png), "image/png", "png",
                               "Captura", buzon.entregar());
  const auto r = buzon.esperar();
  ASSERT_TRUE(r && std::holds_alternative<SubidaHecha>(*r))
      << (r ? std::get<ErrorDeSubida>(*r).descripcion().toStdString() : "");
  EXPECT_TRUE(buzon.enPrincipal() && lista.activas().isEmpty());
  const QString link = std::get<SubidaHecha>(*r).url.toString(QUrl::FullyEncoded);
  EXPECT_TRUE(link.startsWith(s3.endpoint + "/corvalin-pruebas/capturas%20de%20a%C3%B1o/2"))
      << link.toStdString();
  prueba::PortapapelesDePrueba portapapeles;
  EXPECT_EQ(atenderResultado(*r, portapapeles, [](auto&&...) {}), std::nullopt);
  EXPECT_EQ(portapapeles.texto(), link);
  // Anyone may read it: the server applied the signed public-read.
  EXPECT_EQ(prueba::descargar(link, dir.filePath("bajada.png")), 200);
  EXPECT_EQ(sha256DeArchivo(dir.filePath("bajada.png")),
            QCryptographicHash::hash(png, QCryptographicHash::Sha256));

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
  ASSERT_EQ(QProcess::execute("sh", {"-c", "head -c 209715200 /dev/urandom > \"$0\"", ruta}), 0);
  S3Config c = prueba::configDelGateway(s3);
  c.presignSeconds = 600;
  double avance = 0;
  bool fueraDelPrincipal = false;
  const auto r = subir(c, "grande/a b ñ.mp4", Cuerpo::archivo(ruta, kBytes), [&](double f) {
    fueraDelPrincipal |= !enHiloPrincipal();
    avance = f;
  });
  ASSERT_TRUE(std::holds_alternative<UploadResult>(r)) << fallo(r).toStdString();
  EXPECT_FALSE(fueraDelPrincipal);
  EXPECT_DOUBLE_EQ(avance, 1.0);

  const QString link = std::get<UploadResult>(r).url.toString(QUrl::FullyEncoded);
  const QString bajada = dir.filePath("bajada.mp4");
  EXPECT_EQ(prueba::descargar(link, bajada), 200);
  EXPECT_EQ(sha256DeArchivo(bajada), sha256DeArchivo(ruta));
  EXPECT_EQ(prueba::descargar(QString(link).replace("a%20b", "a%20c")), 403);
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
