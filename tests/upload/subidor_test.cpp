// The upload driver and the bucket test against a local server for what the session's gateway
// never does (refuse ACLs, stay silent), and the failures that come before any traffic. The way
// an upload goes when all is well is in s3_gateway_test.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "apoyo.h"
#include "core/texts.h"
#include "support/portapapeles_de_prueba.h"
#include "upload/s3_uploader.h"
#include "upload/subidas_en_curso.h"
#include "upload/subidor.h"

namespace corvalin {
namespace {

using prueba::Buzon;
using prueba::PeticionRecibida;
using prueba::Respuesta;
using prueba::ServidorLocal;

class SubidorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fijarIdiomaActual(Idioma::español);
    settings_ = std::make_unique<Settings>(dir_.path(), dir_.path());
    for (const char* par :
         {"uploadTarget=propio", "bucket=b", "prefix=capturas", "acl=public-read"})
      settings_->d().set(QString::fromLatin1(par).section('=', 0, 0),
                         QString::fromLatin1(par).section('=', 1));
    settings_->d().set(QStringLiteral("pathStyle"), true);
    settings_->ponerSecretoEnCache(QStringLiteral("accessKey"), QStringLiteral("AKIAEXAMPLE"));
    settings_->ponerSecretoEnCache(QStringLiteral("secretKey"), QStringLiteral("secreto"));
  }

  QTemporaryDir dir_;
  std::unique_ptr<Settings> settings_;
  SubidasEnCurso lista_;
};

// A bucket that refuses ACLs: the upload is sent again once without the header, and the driver
// turns public-read off for good.
TEST_F(SubidorTest, AnAclRefusalIsRetriedWithoutItAndPublicReadIsTurnedOff) {
  ServidorLocal servidor([](const PeticionRecibida& p) {
    return p.headers.contains("x-amz-acl")
               ? Respuesta{400, "<Code>AccessControlListNotSupported</Code>"}
               : Respuesta{200, {}};
  });
  settings_->d().set(QStringLiteral("endpoint"), servidor.base());
  Buzon<ResultadoDeSubida> buzon;
  Subidor::subirEnSegundoPlano({*settings_, lista_, {}}, Cuerpo::datos(QByteArray(5000, 'p')),
                               "image/png", "png", "Captura", buzon.entregar());
  const auto r = buzon.esperar();
  ASSERT_TRUE(r && std::holds_alternative<SubidaHecha>(*r))
      << (r ? std::get<ErrorDeSubida>(*r).descripcion().toStdString() : "");
  EXPECT_TRUE(settings_->d().string(QStringLiteral("acl")).isEmpty());
  ASSERT_EQ(servidor.peticiones.size(), 2);
  EXPECT_FALSE(servidor.peticiones[1].headers.contains("x-amz-acl"));
  EXPECT_FALSE(servidor.peticiones[1].headers.value("authorization").contains("x-amz-acl"));
  EXPECT_EQ(servidor.peticiones[1].cuerpo, QByteArray(5000, 'p'));
}

TEST_F(SubidorTest, FailuresBeforeAnyTrafficAndCancellationsAreDeliveredToo) {
  prueba::PortapapelesDePrueba portapapeles;
  portapapeles.ponerTexto("antes");
  auto sinAviso = [](const QString&, const QString&, const QString&) {
    FAIL() << "no toast on failure";
  };
  auto subir = [&](bool cancelarEnseguida) {
    Buzon<ResultadoDeSubida> buzon;
    Subidor::subirEnSegundoPlano({*settings_, lista_, {}}, Cuerpo::datos("x"), "image/png", "png",
                                 "Captura", buzon.entregar());
    if (cancelarEnseguida) lista_.cancelar(lista_.activas().first());
    const auto r = buzon.esperar();
    EXPECT_TRUE(lista_.activas().isEmpty());
    return r ? atenderResultado(*r, portapapeles, sinAviso)
             : std::optional<QString>("sin resultado");
  };

  settings_->d().set(QStringLiteral("endpoint"), QStringLiteral("s3.amazonaws.com"));
  EXPECT_EQ(subir(false),
            QStringLiteral("El endpoint de S3 no es una URL válida. Debe incluir https://"));

  ServidorLocal servidor([](const PeticionRecibida&) { return Respuesta{200, {}, {}, true}; });
  settings_->d().set(QStringLiteral("endpoint"), servidor.base());
  EXPECT_EQ(subir(true), std::nullopt);  // cancelled from the menu: silent
  EXPECT_EQ(portapapeles.texto(), QStringLiteral("antes"));
}

}  // namespace
}  // namespace corvalin
