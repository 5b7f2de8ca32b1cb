// The pure side of uploads to the own bucket: keys, endpoints, credentials, signatures (checked
// against botocore), links and error texts.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryFile>

#include "apoyo.h"
#include "core/texts.h"
#include "support/idioma_fijo.h"
#include "upload/s3_uploader.h"

namespace corvalin {
namespace {

using namespace S3Uploader;

using prueba::IdiomaFijo;

S3Config config(const QString& endpoint, bool pathStyle) {
  S3Config c = prueba::configDelGateway({endpoint, "AKIAEXAMPLE", "s3cr3t/KEY+x"});
  c.region = QStringLiteral("eu-west-3");
  c.bucket = QStringLiteral("b");
  c.pathStyle = pathStyle;
  return c;
}

const QDateTime kInstante = QDateTime(QDate(2024, 5, 17), QTime(13, 45, 9), Qt::UTC);

// A pasted pair keeps its line break or a stray blank; a key that is not ASCII can't be signed.
TEST(S3Firma, CredentialsLoseEveryWhitespaceAndRefuseAnythingNotAscii) {
  auto firma = [](const S3Config& c) {
    return signedRequest(Cuerpo::datos("x"), "k", "image/png", c, kInstante)
        .rawHeader("Authorization");
  };
  S3Config sucia = config("http://127.0.0.1:9000", true);
  sucia.accessKey = QStringLiteral(" AKIA\tEXAMPLE\n");
  sucia.secretKey = QStringLiteral("s3cr3t/ KEY+x\r\n");
  EXPECT_EQ(firma(sucia), firma(config("http://127.0.0.1:9000", true)));
  sucia.secretKey = QStringLiteral("clave\u00F1");
  try {
    firma(sucia);
    ADD_FAILURE() << "signed with a key that is not ASCII";
  } catch (const S3Error& e) {
    EXPECT_EQ(e.caso, S3Error::Caso::badCredentials);
  }
}

// The same case signed by botocore (Debian's python3-botocore) and by us.
void compararConBotocore(const S3Config& c, const QString& base, const QString& key,
                         const QByteArray& cuerpo, bool archivo) {
  QJsonObject caso{{"instante", "20240517T134509Z"},
                   {"access", c.accessKey},
                   {"secret", c.secretKey},
                   {"region", c.region},
                   {"base", base},
                   {"ruta", (c.pathStyle ? "/" + c.bucket + "/" : QStringLiteral("/")) + key},
                   {"tipo", "image/png"},
                   {"cuerpo", QString::fromUtf8(cuerpo)},
                   {"sin_firmar", archivo},
                   {"acl", c.acl},
                   {"expira", double(c.presignSeconds)}};
  QProcess python;
  python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(CORVALIN_FIRMA_BOTOCORE)});
  python.write(QJsonDocument(caso).toJson());
  python.closeWriteChannel();
  ASSERT_TRUE(python.waitForFinished(30000));
  ASSERT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
  const QJsonObject botocore = QJsonDocument::fromJson(python.readAllStandardOutput()).object();

  QTemporaryFile f;
  ASSERT_TRUE(f.open());
  f.write(cuerpo);
  f.flush();
  const Cuerpo nuestro =
      archivo ? Cuerpo::archivo(f.fileName(), cuerpo.size()) : Cuerpo::datos(cuerpo);
  const QNetworkRequest put =
      signedRequest(nuestro, key, QStringLiteral("image/png"), c, kInstante);
  EXPECT_EQ(put.url().toString(QUrl::FullyEncoded), botocore["url"].toString());
  EXPECT_EQ(QString::fromLatin1(put.rawHeader("Authorization")),
            botocore["authorization"].toString());
  EXPECT_EQ(presignedURL(key, c, kInstante).toString(QUrl::FullyEncoded),
            botocore["presigned"].toString());
}

TEST(S3Firma, AuthorizationAndPresignedLinksMatchBotocore) {
  S3Config ruta = config("http://127.0.0.1:9000", true);
  ruta.acl = QStringLiteral("public-read");
  ruta.presignSeconds = 604800;
  compararConBotocore(ruta, QStringLiteral("http://127.0.0.1:9000"),
                      QStringLiteral("fotos/a b ñ (1)+!$&'=;,@.png"), "hola", false);

  S3Config virtual_ = config("https://s3.eu-west-3.amazonaws.com", false);
  virtual_.presignSeconds = 86400;
  compararConBotocore(virtual_, QStringLiteral("https://b.s3.eu-west-3.amazonaws.com"),
                      QStringLiteral("2024/05/17/x~y.mp4"), "contenido de un video", true);
}

// A wrong region: the reply names the right one, and the user is told where to put it.
TEST(S3Error, AWrongRegionIsExplainedWithTheOneToUse) {
  IdiomaFijo es(Idioma::español);
  EXPECT_EQ(explain("<Code>AuthorizationHeaderMalformed</Code><Region>eu-west-3</Region>"),
            QStringLiteral("AuthorizationHeaderMalformed\n→ Pon la región eu-west-3 y el endpoint "
                           "s3.eu-west-3.amazonaws.com"));
}

// Blanks around a header's value are not part of what is signed, as the store reads it.
TEST(S3Firma, HeaderValuesAreSignedWithoutTheBlanksAroundThem) {
  const DestinoS3 d{QStringLiteral("http"), QStringLiteral("s3.local:9000"),
                    QStringLiteral("/b/k.png")};
  const ClaveS3 clave{QStringLiteral("AK"), QStringLiteral("SK"), QStringLiteral("us-east-1")};
  const QDateTime t(QDate(2026, 12, 8), QTime(10, 0), Qt::UTC);
  auto firma = [&](const QString& tipo) {
    return FirmaS3::firmar(QStringLiteral("PUT"), d, {{QStringLiteral("content-type"), tipo}},
                           FirmaS3::kSinFirmar, clave, t)
        .autorizacion;
  };
  const QString png = QStringLiteral("image/png"), sucia = QStringLiteral("\timage/png  ");
  EXPECT_EQ(firma(sucia), firma(png));
  EXPECT_NE(firma(QStringLiteral("image/jpeg")), firma(png));
}

}  // namespace
}  // namespace corvalin
