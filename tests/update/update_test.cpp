#include <gtest/gtest.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "apoyo.h"
#include "core/texts.h"
#include "platform/alerts.h"
#include "update/update_controller.h"
#include "update/update_feed.h"

namespace corvalin {
namespace {

// Records every dialog and answers with its first button.
struct RecordedAlerts : Alertas {
  int mostrar(const Alerta& a) override {
    vistas.push_back(a);
    return 0;
  }
  std::vector<Alerta> vistas;
};

TEST(UpdateFeed, ReadsTheNewestVersionAndRejectsOddDocuments) {
  auto v = leerFeed(
      R"({"version": "0.3.0", "build": "41", "url": "https://x.test/c.deb", "notes": "https://x.test/n"})");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->version, QStringLiteral("0.3.0"));
  EXPECT_EQ(v->descarga, QUrl(QStringLiteral("https://x.test/c.deb")));
  EXPECT_EQ(leerFeed(R"({"version": "1.2", "build": 7})").value().build, QStringLiteral("7"));
  for (const char* odd :
       {"no es json", R"(["0.3.0"])", R"({"build": "41"})", R"({"version": "beta"})",
        R"({"version": "1.0", "url": "file:///etc/passwd"})"})
    EXPECT_FALSE(leerFeed(odd)) << odd;
}

TEST(UpdateFeed, VersionsCompareByNumbers) {
  const std::tuple<const char*, const char*, int> cases[] = {
      {"1.10", "1.9", 1}, {"1.0", "1", 0}, {"0.9.9", "1.0", -1}, {"2.0-rc1", "2.0", 0}};
  for (const auto& [a, b, sign] : cases)
    EXPECT_EQ(std::clamp(compararVersiones(QLatin1String(a), QLatin1String(b)), -1, 1), sign) << a;
  VersionPublicada v{QStringLiteral("0.1.0"), QStringLiteral("8"), {}, {}};
  EXPECT_TRUE(esMasNueva(v, QStringLiteral("0.1.0"), QStringLiteral("7")));
  EXPECT_FALSE(esMasNueva(v, QStringLiteral("0.1.0"), QStringLiteral("8")));
  EXPECT_FALSE(esMasNueva(v, QStringLiteral("0.2.0"), QStringLiteral("1")));
}

class UpdateControllerTest : public ::testing::Test {
 protected:
  void SetUp() override { fijarIdiomaActual(Idioma::español); }
  std::unique_ptr<UpdateController> crear(const QUrl& feed) {
    UpdateController::Configuracion c{
        .archivoDeEstado = dir.path() + QStringLiteral("/update.conf"),
        .version = QStringLiteral("0.1.0"),
        .build = QStringLiteral("7"),
        .feedPorDefecto = feed,
        .carpetaDeDescargas = dir.path() + QStringLiteral("/Descargas"),
        .intervalo = std::chrono::milliseconds(300),
        .primeraEspera = std::chrono::milliseconds(50)};
    auto controller = std::make_unique<UpdateController>(c, &alerts);
    controller->activar = [this] { ++activaciones; };
    controller->abrirEnlace = [this](const QUrl& u) { abiertos.push_back(u); };
    return controller;
  }

  QUrl url(const char* ruta) const { return QUrl(server.base() + QLatin1String(ruta)); }

  QTemporaryDir dir;
  // The feed server on loopback: a fixed answer for each path.
  QHash<QByteArray, prueba::Respuesta> respuestas;
  prueba::ServidorLocal server{[this](const prueba::PeticionRecibida& p) {
    return respuestas.value(p.ruta, {404, "no"});
  }};
  RecordedAlerts alerts;
  int activaciones = 0;
  std::vector<QUrl> abiertos;
};

TEST_F(UpdateControllerTest, AUserCheckComesForwardAndOffersOnlyANewerVersion) {
  respuestas["/feed.json"] = {200, R"({"version": "0.1.0", "build": "7"})"};
  auto c = crear(url("/feed.json"));
  c->checkForUpdates();
  EXPECT_EQ(activaciones, 1);
  QTRY_COMPARE_WITH_TIMEOUT(alerts.vistas.size(), size_t(1), 5000);
  EXPECT_EQ(alerts.vistas[0].informativo,
            QStringLiteral("Corvalin 0.1.0 (7) es la versión más nueva."));
  EXPECT_TRUE(c->textoDeUltimaRevision().startsWith(QStringLiteral("Última revisión: ")));

  respuestas["/feed.json"] = {200, R"({"version": "0.2.0", "url": "https://x.test/c.deb"})"};
  c->checkForUpdates();
  QTRY_COMPARE_WITH_TIMEOUT(alerts.vistas.size(), size_t(2), 5000);
  EXPECT_EQ(alerts.vistas[1].botones,
            (QStringList{QStringLiteral("Descargar"), QStringLiteral("Ahora no")}));
  EXPECT_EQ(abiertos, std::vector<QUrl>{QUrl(QStringLiteral("https://x.test/c.deb"))});
}

TEST_F(UpdateControllerTest, FailuresAreToldInTheUsersLanguage) {
  respuestas["/roto.json"] = {200, "<html>mantenimiento</html>"};
  fijarIdiomaActual(Idioma::ingles);
  const std::pair<QUrl, QString> cases[] = {
      {url("/no-existe.json"), QStringLiteral("The update server didn't answer")},
      {url("/roto.json"), QStringLiteral("The update server's answer doesn't make sense.")},
      {QUrl(), QStringLiteral("No update address is set up.")}};
  for (const auto& [feed, text] : cases) {
    const size_t before = alerts.vistas.size();
    auto c = crear(feed);
    c->checkForUpdates();
    QTRY_COMPARE_WITH_TIMEOUT(alerts.vistas.size(), before + 1, 10000);
    EXPECT_EQ(alerts.vistas.back().mensaje, QStringLiteral("Couldn't check for updates"));
    EXPECT_TRUE(alerts.vistas.back().informativo.startsWith(text)) << text.toStdString();
    EXPECT_FALSE(c->lastUpdateCheckDate());
  }
}

TEST_F(UpdateControllerTest, AutomaticChecksAnnounceAndDownloadANewVersion) {
  respuestas["/feed.json"] = {200, QByteArray(R"({"version": "0.9.0", "url": ")") +
                                       url("/corvalin_0.9.0_amd64.deb").toEncoded() + "\"}"};
  respuestas["/corvalin_0.9.0_amd64.deb"] = {200, QByteArray(300000, 'D')};
  auto c = crear(url("/feed.json"));
  QSignalSpy found(c.get(), &UpdateController::versionNueva);
  c->iniciarCalendario();
  QTRY_COMPARE_WITH_TIMEOUT(found.size(), 1, 5000);
  EXPECT_TRUE(found[0][1].toString().isEmpty());  // announced, not downloaded
  EXPECT_TRUE(alerts.vistas.empty());             // automatic checks never open dialogs

  c->setAutomaticallyDownloadsUpdates(true);
  QTRY_COMPARE_WITH_TIMEOUT(found.size(), 2, 5000);  // the next check, one interval later
  EXPECT_EQ(found[1][1].toString(),
            dir.path() + QStringLiteral("/Descargas/corvalin_0.9.0_amd64.deb"));
  EXPECT_EQ(QFile(found[1][1].toString()).size(), 300000);

  c->setAutomaticallyChecksForUpdates(false);
  QTest::qWait(100);  // a check already on its way may still land
  const size_t antes = server.peticiones.size();
  QTest::qWait(700);
  EXPECT_EQ(server.peticiones.size(), antes);
  // Both switches live in the controller's own file.
  auto again = crear(url("/feed.json"));
  EXPECT_FALSE(again->automaticallyChecksForUpdates());
  EXPECT_TRUE(again->automaticallyDownloadsUpdates());
}

}  // namespace
}  // namespace corvalin
