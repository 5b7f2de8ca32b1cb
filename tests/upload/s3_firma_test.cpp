// The pure side of uploads to the own bucket: keys, endpoints, credentials, signatures (checked
// against botocore), links and error texts.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryFile>

#include "core/texts.h"
#include "support/idioma_fijo.h"
#include "upload/s3_uploader.h"

namespace corvalin {
namespace {

using namespace S3Uploader;

using prueba::IdiomaFijo;

S3Config config(const QString& endpoint, bool pathStyle) {
  S3Config c;
  c.endpoint = endpoint;
  c.region = QStringLiteral("eu-west-3");
  c.bucket = QStringLiteral("b");
  c.accessKey = QStringLiteral("AKIAEXAMPLE");
  c.secretKey = QStringLiteral("s3cr3t/KEY+x");
  c.pathStyle = pathStyle;
  return c;
}

const QDateTime kInstante = QDateTime(QDate(2024, 5, 17), QTime(13, 45, 9), Qt::UTC);

// Whether `hacer` throws the S3 error `caso`.
bool lanza(S3Error::Caso caso, const std::function<void()>& hacer) {
  try {
    hacer();
  } catch (const S3Error& e) {
    return e.caso == caso;
  }
  return false;
}

TEST(S3Firma, KeysTrimThePrefixAndFollowTheLocalClock) {
  const QDateTime local(QDate(2024, 5, 17), QTime(9, 5, 7), Qt::LocalTime);
  const QString key = makeKey(QStringLiteral("/shots//"), QStringLiteral("png"), local);
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^shots/2024/05/17/090507-[0-9a-f]{6}\\.png$"))
                  .match(key)
                  .hasMatch())
      << key.toStdString();
  EXPECT_TRUE(makeKey(QString(), QStringLiteral("mp4"), local).startsWith(QStringLiteral("2024/")));
  EXPECT_NE(makeKey(QString(), QStringLiteral("png"), local),
            makeKey(QString(), QStringLiteral("png"), local));
}

// Both styles' URLs and encodings are compared with botocore below; these are the edges.
TEST(S3Firma, EndpointsDropTheirPathAndDefaultPortAndBadOnesAreRefused) {
  EXPECT_EQ(endpoint(QStringLiteral("k"), config("https://s3.example.com/ignored?q=1", false)).host,
            QStringLiteral("b.s3.example.com"));
  // The HTTP layer never sends a default port in Host, so it must not be signed either.
  EXPECT_EQ(endpoint(QStringLiteral("k"), config("https://s3.example.com:443", true)).host,
            QStringLiteral("s3.example.com"));
  EXPECT_EQ(encodePath(QStringLiteral("/a//b c/")), QStringLiteral("/a//b%20c/"));
  for (const char* malo :
       {"s3.amazonaws.com", "", "https://", "ftp://s3.example.com", "http://a b"}) {
    EXPECT_TRUE(lanza(S3Error::Caso::badEndpoint, [&] {
      endpoint(QStringLiteral("k.png"), config(QString::fromUtf8(malo), true));
    })) << malo;
  }
}

TEST(S3Firma, CredentialsLoseEveryWhitespaceAndRefuseAnythingNotAscii) {
  S3Config sucia = config("http://127.0.0.1:9000", true);
  sucia.accessKey = QStringLiteral(" AKIA\tEXAMPLE\n");
  sucia.secretKey = QStringLiteral("s3cr3t/ KEY+x\r\n");
  const Credenciales c = credentials(sucia);
  EXPECT_TRUE(c.access == QStringLiteral("AKIAEXAMPLE") &&
              c.secret == QStringLiteral("s3cr3t/KEY+x"));
  // Signed exactly as the clean pair is.
  const Cuerpo cuerpo = Cuerpo::datos("x");
  const QNetworkRequest r = signedRequest(cuerpo, "k", "image/png", sucia, kInstante);
  EXPECT_EQ(
      r.rawHeader("Authorization"),
      signedRequest(cuerpo, "k", "image/png", config("http://127.0.0.1:9000", true), kInstante)
          .rawHeader("Authorization"));
  // And the request carries its limits; Host is the HTTP layer's, from the URL.
  EXPECT_EQ(r.rawHeader("Content-Length"), "1");
  EXPECT_FALSE(r.hasRawHeader("host"));
  EXPECT_EQ(r.transferTimeout(), 60000);

  for (const QString& mala : {QStringLiteral("clave\u00F1"), QStringLiteral("\u201Cclave\u201D"),
                              QStringLiteral(" \n")}) {
    S3Config c2 = config("http://127.0.0.1:9000", true);
    c2.secretKey = mala;
    EXPECT_TRUE(lanza(S3Error::Caso::badCredentials, [&] {
      signedRequest(cuerpo, "k", "image/png", c2, kInstante);
    })) << mala.toStdString();
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

TEST(S3Firma, LinksArePresignedUnderThePublicBaseOrTheObjectUrl) {
  S3Config c = config("http://127.0.0.1:9000", true);
  const QUrl objeto(QStringLiteral("http://127.0.0.1:9000/b/k/x%20y.png"));
  EXPECT_EQ(enlace("k/x y.png", c, objeto, kInstante), objeto);
  c.publicBase = QStringLiteral("  https://cdn.example.com/  ");
  EXPECT_EQ(enlace("k/x y.png", c, objeto, kInstante).toString(QUrl::FullyEncoded),
            QStringLiteral("https://cdn.example.com/k/x%20y.png"));
  c.publicBase = QStringLiteral("http://[::zz]/");
  EXPECT_EQ(enlace("k/x y.png", c, objeto, kInstante), objeto);

  c.presignSeconds = 30 * 86400;  // beyond what AWS accepts
  const QString firmado = enlace("k/x y.png", c, objeto, kInstante).toString(QUrl::FullyEncoded);
  EXPECT_TRUE(
      QRegularExpression(
          QStringLiteral(
              "^http://127\\.0\\.0\\.1:9000/b/k/x%20y\\.png\\?X-Amz-Algorithm=AWS4-HMAC-SHA256"
              "&X-Amz-Credential=AKIAEXAMPLE%2F20240517%2Feu-west-3%2Fs3%2Faws4_request"
              "&X-Amz-Date=20240517T134509Z&X-Amz-Expires=604800"
              "&X-Amz-SignedHeaders=host&X-Amz-Signature=[0-9a-f]{64}$"))
          .match(firmado)
          .hasMatch())
      << firmado.toStdString();
}

TEST(S3Error, DescriptionsExplainTheServiceReply) {
  IdiomaFijo es(Idioma::español);
  EXPECT_EQ(
      S3Error::http(403, "h",
                    "<Error><Code>AccessDenied</Code><Message>Access Denied</Message></Error>")
          .descripcion(),
      QStringLiteral("S3 (h) respondió 403.\nAccessDenied: Access Denied"));
  EXPECT_EQ(S3Error::http(500, "h", "").descripcion(),
            QStringLiteral("S3 (h) respondió 500.\nSin detalle."));
  const QString alReves =
      QStringLiteral("</Code>") + QString(400, QLatin1Char('x')) + "<Code>A</Code>";
  EXPECT_EQ(explain(alReves), alReves.left(300));
  // Some servers send an empty Message.
  EXPECT_EQ(explain("<Code>SignatureDoesNotMatch</Code><Message></Message>"),
            QStringLiteral("SignatureDoesNotMatch"));
  EXPECT_EQ(explain("<Code>AuthorizationHeaderMalformed</Code><Region>eu-west-3</Region>"),
            QStringLiteral("AuthorizationHeaderMalformed\n→ Pon la región eu-west-3 y el endpoint "
                           "s3.eu-west-3.amazonaws.com"));
  IdiomaFijo en(Idioma::ingles);
  EXPECT_EQ(S3Error::badEndpoint().descripcion(),
            QStringLiteral("The S3 endpoint isn't a valid URL. It must include https://"));
  EXPECT_EQ(S3Error::http(502, "", "").descripcion(),
            QStringLiteral("S3 (?) responded 502.\nNo details."));
}

// Blanks around a header's value are not part of what is signed, as the store reads it; the
// slots the cloud server presigns sign their type the same way.
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
  auto ranura = [&](const QString& tipo) {
    return FirmaS3::prefirmar(QStringLiteral("PUT"), d, clave, t, 900,
                              {{QStringLiteral("content-type"), tipo}});
  };
  const QString limpia = firma(QStringLiteral("image/png"));
  for (const QString& sucia : {QStringLiteral(" image/png"), QStringLiteral("image/png \t"),
                               QStringLiteral("\timage/png  ")}) {
    EXPECT_EQ(firma(sucia), limpia) << sucia.toStdString();
    EXPECT_EQ(ranura(sucia), ranura(QStringLiteral("image/png"))) << sucia.toStdString();
  }
  EXPECT_NE(firma(QStringLiteral("image/jpeg")), limpia);
  EXPECT_NE(ranura(QStringLiteral("image/jpeg")), ranura(QStringLiteral("image/png")));
}

}  // namespace
}  // namespace corvalin
