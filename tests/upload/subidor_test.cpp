// The upload driver over the shared list, the settings and a local server, and what the callers
// do with its result.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>

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
    settings_->d().set(QStringLiteral("uploadTarget"), QStringLiteral("propio"));
    settings_->d().set(QStringLiteral("bucket"), QStringLiteral("b"));
    settings_->d().set(QStringLiteral("pathStyle"), true);
    settings_->d().set(QStringLiteral("prefix"), QStringLiteral("capturas"));
    settings_->ponerSecretoEnCache(QStringLiteral("accessKey"), QStringLiteral("AKIAEXAMPLE"));
    settings_->ponerSecretoEnCache(QStringLiteral("secretKey"), QStringLiteral("secreto"));
  }

  Subidor::Entorno entorno(const QString& servidorDeNube = {}) {
    return {*settings_, lista_, [servidorDeNube] { return ConfigDeNube{servidorDeNube, "c", 90}; }};
  }

  QTemporaryDir dir_;
  std::unique_ptr<Settings> settings_;
  SubidasEnCurso lista_;
};

TEST_F(SubidorTest, ListsTheUploadDeliversOnceOnTheMainThreadAndRemembersTheAclIsGone) {
  ServidorLocal servidor([](const PeticionRecibida& p) {
    return p.headers.contains("x-amz-acl")
               ? Respuesta{400, "<Code>AccessControlListNotSupported</Code>"}
               : Respuesta{200, {}};
  });
  settings_->d().set(QStringLiteral("endpoint"), servidor.base());
  settings_->d().set(QStringLiteral("acl"), QStringLiteral("public-read"));

  int listadasAlTerminar = -1;
  Buzon<ResultadoDeSubida> buzon;
  auto entregar = buzon.entregar();
  Subidor::subirEnSegundoPlano(entorno(), Cuerpo::datos(QByteArray(5000, 'p')), "image/png", "png",
                               "Captura", [&](const ResultadoDeSubida& r) {
                                 listadasAlTerminar = int(lista_.activas().size());
                                 entregar(r);
                               });
  ASSERT_EQ(lista_.activas().size(), 1);  // listed at once
  EXPECT_EQ(lista_.activas()[0]->nombre(), QStringLiteral("Captura"));
  EXPECT_EQ(lista_.activas()[0]->bytes(), 5000);

  const auto r = buzon.esperar();
  ASSERT_TRUE(r.has_value());
  ASSERT_TRUE(std::holds_alternative<SubidaHecha>(*r))
      << std::get<ErrorDeSubida>(*r).descripcion().toStdString();
  EXPECT_TRUE(buzon.enPrincipal());
  EXPECT_EQ(listadasAlTerminar, 0);
  EXPECT_TRUE(settings_->d().string(QStringLiteral("acl")).isEmpty());
  const QString link = std::get<SubidaHecha>(*r).url.toString();
  EXPECT_TRUE(link.startsWith(servidor.base() + "/b/capturas/")) << link.toStdString();
  EXPECT_EQ(servidor.peticiones.last().cuerpo, QByteArray(5000, 'p'));

  prueba::PortapapelesDePrueba portapapeles;
  QStringList aviso;
  EXPECT_EQ(atenderResultado(*r, portapapeles,
                             [&](const QString& t, const QString& d, const QString& s) {
                               aviso = {t, d, s};
                             }),
            std::nullopt);
  EXPECT_EQ(portapapeles.texto(), link);
  EXPECT_EQ(aviso, (QStringList{"Tu propio S3", "URL copiada al portapapeles",
                                "icloud.and.arrow.up.fill"}));
  QTest::qWait(100);
  EXPECT_EQ(buzon.veces(), 1);
}

TEST_F(SubidorTest, FailuresBeforeAnyTrafficAndCancellationsAreDeliveredToo) {
  prueba::PortapapelesDePrueba portapapeles;
  portapapeles.ponerTexto("antes");
  auto sinAviso = [](const QString&, const QString&, const QString&) {
    FAIL() << "no toast on failure";
  };
  auto subir = [&](const Subidor::Entorno& e, bool cancelarEnseguida) {
    Buzon<ResultadoDeSubida> buzon;
    Subidor::subirEnSegundoPlano(e, Cuerpo::datos("x"), "image/png", "png", "Captura",
                                 buzon.entregar());
    if (cancelarEnseguida) lista_.cancelar(lista_.activas().first());
    const auto r = buzon.esperar();
    EXPECT_TRUE(r.has_value() && buzon.enPrincipal());
    EXPECT_TRUE(lista_.activas().isEmpty());
    return r ? atenderResultado(*r, portapapeles, sinAviso)
             : std::optional<QString>("sin resultado");
  };

  settings_->d().set(QStringLiteral("endpoint"), QStringLiteral("s3.amazonaws.com"));
  EXPECT_EQ(subir(entorno(), false),
            QStringLiteral("El endpoint de S3 no es una URL válida. Debe incluir https://"));

  ServidorLocal servidor([](const PeticionRecibida&) { return Respuesta{200, {}, {}, true}; });
  settings_->d().set(QStringLiteral("endpoint"), servidor.base());
  EXPECT_EQ(subir(entorno(), true), std::nullopt);  // cancelled from the menu: silent

  settings_->d().set(QStringLiteral("uploadTarget"), QStringLiteral("nube"));
  EXPECT_EQ(subir(entorno(), false),
            QStringLiteral("La nube de Corvalin no está configurada en este equipo: falta la "
                           "dirección del servidor."));
  EXPECT_EQ(portapapeles.texto(), QStringLiteral("antes"));
}

TEST_F(SubidorTest, TheBucketTestShowsTheLinkOrTheError) {
  int respuestas = 0;
  ServidorLocal servidor([&](const PeticionRecibida& p) {
    ++respuestas;
    if (respuestas > 2) return Respuesta{403, "<Code>AccessDenied</Code><Message>No</Message>"};
    return p.headers.contains("x-amz-acl")
               ? Respuesta{400, "<Code>AccessControlListNotSupported</Code>"}
               : Respuesta{200, {}};
  });
  settings_->d().set(QStringLiteral("endpoint"), servidor.base());
  settings_->d().set(QStringLiteral("acl"), QStringLiteral("public-read"));

  Buzon<S3Uploader::PruebaDeSubida> buzon;
  S3Uploader::probarSubida(*settings_, buzon.entregar());
  auto prueba = buzon.esperar();
  ASSERT_TRUE(prueba && prueba->exito && prueba->aclApagada && buzon.enPrincipal());
  const QStringList lineas = prueba->texto.split('\n');
  ASSERT_EQ(lineas.size(), 2);
  EXPECT_EQ(lineas[0],
            QStringLiteral("Subida OK. Tu bucket no admite ACLs, así que apagué «public-read»."));
  EXPECT_TRUE(lineas[1].startsWith(servidor.base() + "/b/capturas/") && lineas[1].endsWith(".png"));
  EXPECT_EQ(servidor.peticiones.last().headers.value("content-type"), "image/png");
  EXPECT_EQ(servidor.peticiones.last().cuerpo, S3Uploader::pngMinimo());
  EXPECT_TRUE(QImage::fromData(S3Uploader::pngMinimo(), "PNG").size() == QSize(1, 1));
  EXPECT_TRUE(settings_->d().string(QStringLiteral("acl")).isEmpty());

  Buzon<S3Uploader::PruebaDeSubida> otra;
  S3Uploader::probarSubida(*settings_, otra.entregar());
  prueba = otra.esperar();
  ASSERT_TRUE(prueba && !prueba->exito);
  EXPECT_EQ(prueba->texto, QStringLiteral("S3 (127.0.0.1) respondió 403.\nAccessDenied: No"));
}

}  // namespace
}  // namespace corvalin
