// "Test upload" on the Upload page against the test session's S3 gateway: the form is typed
// in as a person would, the picture really goes up and its link comes back; with a wrong
// secret the page then shows what the server answered.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include "apoyo.h"
#include "preferences_test_support.h"
#include "update/update_controller.h"

namespace corvalin {
namespace {

using prueba::porTexto;

struct PaginaReal {
  prueba::AjustesDePrueba a;
  std::unique_ptr<UploadPage> page;

  PaginaReal() {
    ServiciosDeSubida s;
    s.guardarLlave = [this](const QString& cuenta, const QString& valor) {
      a.guardarLlave(cuenta, valor);
    };
    s.probar = [this](std::function<void(const S3Uploader::PruebaDeSubida&)> listo) {
      S3Uploader::probarSubida(*a.settings, std::move(listo));
    };
    page = std::make_unique<UploadPage>(*a.settings, std::move(s), nullptr);
    porTexto<QRadioButton>(page.get(), QStringLiteral("Your own S3"))->click();
  }
  QLineEdit* campo(const QString& nombre) {
    for (QLineEdit* e : page->findChildren<QLineEdit*>()) {
      if (e->accessibleName() == nombre) return e;
    }
    return nullptr;
  }
  void llenar(const prueba::GatewayS3& s3, const QString& secreto) {
    campo(QStringLiteral("Endpoint"))->setText(s3.endpoint);
    campo(QStringLiteral("Region"))->setText(QStringLiteral("us-east-1"));
    campo(QStringLiteral("Bucket"))->setText(prueba::kBucket);
    campo(QStringLiteral("Folder"))->setText(QStringLiteral("preferencias/"));
    campo(QStringLiteral("Access Key"))->setText(s3.access);
    campo(QStringLiteral("Secret Key"))->setText(secreto);
    auto* ruta =
        porTexto<QCheckBox>(page.get(), QStringLiteral("Path-style URL (MinIO and compatibles)"));
    if (!ruta->isChecked()) ruta->click();
    // Public, so that the link opens for anyone, as the test below checks.
    auto* publico = porTexto<QCheckBox>(page.get(), QStringLiteral("Upload as public-read"));
    if (!publico->isChecked()) publico->click();
  }
  // The outcome under the buttons, once the test upload answered.
  QString probar() {
    QPushButton* boton = porTexto<QPushButton>(page.get(), QStringLiteral("Test upload"));
    boton->click();
    prueba::esperarHasta([boton] { return boton->isEnabled(); }, 60000);
    for (QLabel* l : page->findChildren<QLabel*>()) {
      if (l->text().contains(QStringLiteral("http")) || l->text().contains(QStringLiteral("403"))) {
        return l->text();
      }
    }
    return {};
  }
};

TEST(UploadPageOnAGateway, TheTestUploadShowsTheLinkItSentOrWhatTheServerRefused) {
  prueba::IdiomaDePrueba en(Idioma::ingles);
  CORVALIN_GATEWAY_O_SALTAR(s3);
  PaginaReal p;
  p.llenar(s3, s3.secret + QStringLiteral("\n"));  // pasted with its line break
  const QString resultado = p.probar();
  ASSERT_TRUE(resultado.startsWith(s3.endpoint + QStringLiteral("/") + prueba::kBucket +
                                   QStringLiteral("/preferencias/")))
      << resultado.toStdString();
  QTemporaryDir dir;
  const QString bajada = dir.filePath(QStringLiteral("prueba.png"));
  EXPECT_EQ(prueba::descargar(resultado, bajada), 200);
  QFile f(bajada);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), S3Uploader::pngMinimo());
  // Saved before it went up; the secret trimmed into the keyring and nowhere else.
  EXPECT_EQ(p.a.settings->d().string(QStringLiteral("bucket")), prueba::kBucket);
  EXPECT_EQ(p.a.llavero.value(QStringLiteral("secretKey")), s3.secret);
  EXPECT_FALSE(p.a.ini().contains(s3.secret.toUtf8()));

  // A wrong secret: the page shows what the server answered.
  p.campo(QStringLiteral("Secret Key"))->setText(QStringLiteral("not-the-secret"));
  const QString rechazo = p.probar();
  EXPECT_TRUE(rechazo.contains(QStringLiteral("403"))) << rechazo.toStdString();
  EXPECT_TRUE(rechazo.contains(QStringLiteral("SignatureDoesNotMatch"))) << rechazo.toStdString();
}

}  // namespace
}  // namespace corvalin
