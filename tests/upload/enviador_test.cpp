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

// The S3 error an upload of a picture to `servidor` ends in, if any.
std::optional<S3Error> errorAlSubir(const ServidorLocal& servidor, const QString& acl) {
  S3Config c = prueba::configDelGateway({servidor.base(), "AKIAEXAMPLE", "secreto"});
  c.acl = acl;
  Buzon<Resultado<UploadResult>> buzon;
  S3Uploader::send(Cuerpo::datos("png"), QStringLiteral("k.png"), QStringLiteral("image/png"), c,
                   false, {}, Enviador::puente(), buzon.entregar());
  const auto r = buzon.esperar();
  const auto* e = r ? std::get_if<ErrorDeSubida>(&*r) : nullptr;
  return e && e->s3() ? std::optional<S3Error>(*e->s3()) : std::nullopt;
}

// Retried once without the ACL only when an ACL was sent and refused (the retry that works is in
// subidor_test); anything else is reported as the server said it.
TEST(S3Respuesta, AnAclRefusalIsRetriedOnlyOnceAndEverythingElseIsReported) {
  fijarIdiomaActual(Idioma::español);
  ServidorLocal sinAcl([](const PeticionRecibida&) {
    return Respuesta{400, "<Code>InvalidBucketAclWithObjectOwnership</Code>"};
  });
  const std::optional<S3Error> rechazo = errorAlSubir(sinAcl, QStringLiteral("public-read"));
  ASSERT_TRUE(rechazo.has_value());
  EXPECT_EQ(rechazo->code, 400);
  EXPECT_EQ(sinAcl.peticiones.size(), 2);

  const QByteArray html = "<html><body>" + QByteArray(400, 'x') + "</body></html>";
  ServidorLocal caido([&](const PeticionRecibida&) { return Respuesta{502, html, "text/html"}; });
  const std::optional<S3Error> e = errorAlSubir(caido, {});
  ASSERT_TRUE(e.has_value());
  EXPECT_EQ(caido.peticiones.size(), 1);
  EXPECT_EQ(e->descripcion(),
            QStringLiteral("S3 (127.0.0.1) respondió 502.\n") + QString::fromUtf8(html.left(300)));
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
