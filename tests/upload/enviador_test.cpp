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
  S3Config c;
  c.endpoint = servidor.base();
  c.region = QStringLiteral("us-east-1");
  c.bucket = QStringLiteral("b");
  c.accessKey = QStringLiteral("AKIAEXAMPLE");
  c.secretKey = QStringLiteral("secreto");
  c.pathStyle = true;
  c.acl = acl;
  return c;
}

Resultado<UploadResult> subir(const S3Config& c, const std::shared_ptr<Enviador>& puente) {
  Buzon<Resultado<UploadResult>> buzon;
  S3Uploader::send(Cuerpo::datos("png"), QStringLiteral("k.png"), QStringLiteral("image/png"), c,
                   false, {}, puente, buzon.entregar());
  auto r = buzon.esperar();
  EXPECT_TRUE(r.has_value());
  return r ? *r : Resultado<UploadResult>(ErrorDeSubida(ErrorDeRed{}));
}

std::optional<S3Error> errorS3(const Resultado<UploadResult>& r) {
  const auto* e = std::get_if<ErrorDeSubida>(&r);
  if (e == nullptr || e->s3() == nullptr) return std::nullopt;
  return *e->s3();
}

TEST(S3Respuesta, AnAclRefusalIsRetriedOnceWithoutItAndEverythingElseIsReported) {
  fijarIdiomaActual(Idioma::español);
  ServidorLocal tolerante([](const PeticionRecibida& p) {
    return p.headers.contains("x-amz-acl") ? Respuesta{400, kSinAcl} : Respuesta{200, {}};
  });
  const Resultado<UploadResult> hecho =
      subir(configLocal(tolerante, "public-read"), Enviador::puente());
  ASSERT_TRUE(std::holds_alternative<UploadResult>(hecho));
  EXPECT_TRUE(std::get<UploadResult>(hecho).droppedACL);
  EXPECT_EQ(std::get<UploadResult>(hecho).url.toString(), tolerante.base() + "/b/k.png");
  ASSERT_EQ(tolerante.peticiones.size(), 2);
  EXPECT_FALSE(tolerante.peticiones[1].headers.contains("x-amz-acl"));
  EXPECT_FALSE(tolerante.peticiones[1].headers.value("authorization").contains("x-amz-acl"));
  EXPECT_EQ(tolerante.peticiones[1].cuerpo, "png");

  ServidorLocal terco([](const PeticionRecibida&) {
    return Respuesta{400, "<Code>InvalidBucketAclWithObjectOwnership</Code>"};
  });
  const std::optional<S3Error> segunda =
      errorS3(subir(configLocal(terco, "public-read"), Enviador::puente()));
  ASSERT_TRUE(segunda.has_value());
  EXPECT_EQ(segunda->code, 400);
  EXPECT_EQ(terco.peticiones.size(), 2);

  ServidorLocal prohibido([](const PeticionRecibida&) { return Respuesta{403, kSinAcl}; });
  const std::optional<S3Error> sinAclNoHayReintento =
      errorS3(subir(configLocal(prohibido, {}), Enviador::puente()));
  ASSERT_TRUE(sinAclNoHayReintento.has_value());
  EXPECT_EQ(sinAclNoHayReintento->code, 403);
  EXPECT_EQ(prohibido.peticiones.size(), 1);

  const QByteArray html = "<html><body>" + QByteArray(400, 'x') + "</body></html>";
  ServidorLocal proxy([&](const PeticionRecibida&) { return Respuesta{502, html, "text/html"}; });
  const std::optional<S3Error> noXml = errorS3(subir(configLocal(proxy, {}), Enviador::puente()));
  ASSERT_TRUE(noXml.has_value());
  EXPECT_EQ(noXml->descripcion(),
            QStringLiteral("S3 (127.0.0.1) respondió 502.\n") + QString::fromUtf8(html.left(300)));
}

TEST(Enviador, CancellingTheBridgeStopsWhatRunsNowAndWhatStartsLater) {
  // Cancelled before any sender exists: the first one is cancelled as it is handed over, and
  // the server's 200 never counts.
  ServidorLocal rapido([](const PeticionRecibida&) { return Respuesta{200, {}}; });
  auto puente = Enviador::puente();
  puente->cancelar();
  const Resultado<UploadResult> antes = subir(configLocal(rapido, {}), puente);
  ASSERT_TRUE(std::holds_alternative<ErrorDeSubida>(antes));
  EXPECT_TRUE(std::get<ErrorDeSubida>(antes).esCancelacion());

  // Cancelled while the retry without the ACL waits for its answer.
  ServidorLocal reintento([](const PeticionRecibida& p) {
    return p.headers.contains("x-amz-acl") ? Respuesta{400, kSinAcl} : Respuesta{200, {}, {}, true};
  });
  puente = Enviador::puente();
  Buzon<Resultado<UploadResult>> buzon;
  S3Uploader::send(Cuerpo::datos("png"), "k.png", "image/png",
                   configLocal(reintento, "public-read"), false, {}, puente, buzon.entregar());
  ASSERT_TRUE(prueba::esperarHasta([&] { return reintento.peticiones.size() == 2; }));
  puente->cancelar();
  const auto durante = buzon.esperar(5000);
  ASSERT_TRUE(durante.has_value());
  ASSERT_TRUE(std::holds_alternative<ErrorDeSubida>(*durante));
  EXPECT_TRUE(std::get<ErrorDeSubida>(*durante).esCancelacion());
  EXPECT_EQ(buzon.veces(), 1);
  EXPECT_TRUE(prueba::esperarHasta([] { return Enviador::enCurso() == 0; }));
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
  EXPECT_EQ(ErrorDeRed({ErrorDeRed::Tipo::sinRespuesta, "h", {}}).descripcion(),
            QStringLiteral("h dejó de responder."));
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
