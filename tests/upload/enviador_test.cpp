// The sender and the own bucket's reply handling against a local server that gives the replies
// a real one cannot be made to give: ACL refusals, odd bodies, silence.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "apoyo.h"
#include "core/texts.h"
#include "upload/s3_uploader.h"

namespace corvalin {
namespace {

using prueba::Buzon;
using prueba::PeticionRecibida;
using prueba::Respuesta;
using prueba::ServidorLocal;

const QByteArray kSinAcl =
    "<Error><Code>AccessControlListNotSupported</Code><Message>The bucket does not allow "
    "ACLs</Message></Error>";

S3Config configLocal(const ServidorLocal& servidor, const QString& acl) {
  S3Config c = prueba::configDelGateway({servidor.base(), "AKIAEXAMPLE", "secreto"});
  c.acl = acl;
  return c;
}

Resultado<UploadResult> subir(const S3Config& c) {
  Buzon<Resultado<UploadResult>> buzon;
  S3Uploader::send(Cuerpo::datos("png"), QStringLiteral("k.png"), QStringLiteral("image/png"), c,
                   false, {}, Enviador::puente(), buzon.entregar());
  auto r = buzon.esperar();
  EXPECT_TRUE(r.has_value());
  return r ? *r : Resultado<UploadResult>(ErrorDeSubida(ErrorDeRed{}));
}

std::optional<S3Error> errorS3(const Resultado<UploadResult>& r) {
  const auto* e = std::get_if<ErrorDeSubida>(&r);
  if (e == nullptr || e->s3() == nullptr) return std::nullopt;
  return *e->s3();
}

// Retried once without the ACL only when an ACL was sent and refused (the retry that works is in
// subidor_test); anything else is reported as the server said it.
TEST(S3Respuesta, AnAclRefusalIsRetriedOnlyOnceAndEverythingElseIsReported) {
  fijarIdiomaActual(Idioma::español);
  const QByteArray html = "<html><body>" + QByteArray(400, 'x') + "</body></html>";
  const struct {
    Respuesta respuesta;
    const char* acl;
    int peticiones;
    QString descripcion;
  } casos[] = {
      {{400, "<Code>InvalidBucketAclWithObjectOwnership</Code>"}, "public-read", 2, {}},
      {{403, kSinAcl}, "", 1, {}},
      {{502, html, "text/html"},
       "",
       1,
       QStringLiteral("S3 (127.0.0.1) respondió 502.\n") + QString::fromUtf8(html.left(300))},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.respuesta.estado);
    ServidorLocal servidor([&](const PeticionRecibida&) { return caso.respuesta; });
    const std::optional<S3Error> e =
        errorS3(subir(configLocal(servidor, QString::fromLatin1(caso.acl))));
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(e->code, caso.respuesta.estado);
    EXPECT_EQ(servidor.peticiones.size(), caso.peticiones);
    if (!caso.descripcion.isEmpty()) {
      EXPECT_EQ(e->descripcion(), caso.descripcion);
    }
  }
}

TEST(Enviador, AServerThatStopsAnsweringTimesOutInsteadOfHanging) {
  fijarIdiomaActual(Idioma::español);
  ServidorLocal mudo([](const PeticionRecibida&) { return Respuesta{200, {}, {}, true}; });
  auto esperar = [&](int inactividadMs, std::chrono::milliseconds total) {
    QNetworkRequest r(QUrl(mudo.base() + "/x"));
    r.setTransferTimeout(inactividadMs);
    Buzon<RespuestaHttp> buzon;
    Enviador::enviar(r, Cuerpo::datos("hola"), {}, buzon.entregar(), total);
    auto respuesta = buzon.esperar(10000);
    EXPECT_EQ(buzon.veces(), 1);
    return respuesta && respuesta->error ? respuesta->error->tipo : ErrorDeRed::Tipo::otro;
  };
  QElapsedTimer reloj;
  reloj.start();
  EXPECT_EQ(esperar(300, std::chrono::seconds(30)), ErrorDeRed::Tipo::sinRespuesta);
  EXPECT_EQ(esperar(30000, std::chrono::milliseconds(300)), ErrorDeRed::Tipo::limiteDeTiempo);
  EXPECT_LT(reloj.elapsed(), 5000);
  EXPECT_TRUE(prueba::esperarHasta([] { return Enviador::enCurso() == 0; }));
  // Neither counts as the user's cancellation, which the callers keep quiet about.
  EXPECT_FALSE(ErrorDeSubida(ErrorDeRed{ErrorDeRed::Tipo::sinRespuesta, "h", {}}).esCancelacion());
}

TEST(Enviador, AFileThatCannotBeReadFailsWithoutSendingAnything) {
  ServidorLocal servidor([](const PeticionRecibida&) { return Respuesta{200, {}}; });
  Buzon<RespuestaHttp> buzon;
  Enviador::enviar(QNetworkRequest(QUrl(servidor.base() + "/x")),
                   Cuerpo::archivo(QStringLiteral("/nonexistent/recording.mp4"), 10), {},
                   buzon.entregar());
  const auto r = buzon.esperar();
  ASSERT_TRUE(r && r->error);
  EXPECT_EQ(r->error->tipo, ErrorDeRed::Tipo::archivo);
  EXPECT_TRUE(servidor.peticiones.isEmpty());
}

}  // namespace
}  // namespace corvalin
