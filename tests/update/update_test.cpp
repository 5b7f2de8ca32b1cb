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

using namespace Qt::Literals::StringLiterals;

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
  EXPECT_EQ(v->version, u"0.3.0"_s);
  EXPECT_GT(compararVersiones(u"1.10"_s, u"1.9"_s), 0);
  for (const char* odd :
       {"no es json", R"(["0.3.0"])", R"({"build": "41"})", R"({"version": "beta"})",
        R"({"version": "1.0", "url": "file:///etc/passwd"})"})
    EXPECT_FALSE(leerFeed(odd)) << odd;
}

class UpdateControllerTest : public ::testing::Test {
 protected:
  void SetUp() override { fijarIdiomaActual(Idioma::español); }
  std::unique_ptr<UpdateController> crear(const QUrl& feed) {
    UpdateController::Configuracion c{.archivoDeEstado = dir.path() + u"/update.conf"_s,
                                      .version = u"0.1.0"_s,
                                      .build = u"7"_s,
                                      .feedPorDefecto = feed,
                                      .carpetaDeDescargas = dir.path() + u"/Descargas"_s,
                                      .intervalo = std::chrono::milliseconds(300),
                                      .primeraEspera = std::chrono::milliseconds(50)};
    auto controller = std::make_unique<UpdateController>(c, &alerts);
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
  std::vector<QUrl> abiertos;
};

TEST_F(UpdateControllerTest, AUserCheckComesForwardAndOffersOnlyANewerVersion) {
  respuestas["/feed.json"] = {200, R"({"version": "0.1.0", "build": "7"})"};
  auto c = crear(url("/feed.json"));
  c->checkForUpdates();
  QTRY_COMPARE_WITH_TIMEOUT(alerts.vistas.size(), size_t(1), 5000);
  EXPECT_EQ(alerts.vistas[0].informativo, u"Corvalin 0.1.0 (7) es la versión más nueva."_s);

  respuestas["/feed.json"] = {200, R"({"version": "0.2.0", "url": "https://x.test/c.deb"})"};
  c->checkForUpdates();
  QTRY_COMPARE_WITH_TIMEOUT(alerts.vistas.size(), size_t(2), 5000);
  EXPECT_EQ(alerts.vistas[1].botones, (QStringList{u"Descargar"_s, u"Ahora no"_s}));
  EXPECT_EQ(abiertos, std::vector<QUrl>{QUrl(u"https://x.test/c.deb"_s)});
}

TEST_F(UpdateControllerTest, FailuresAreToldInTheUsersLanguage) {
  respuestas["/roto.json"] = {200, "<html>mantenimiento</html>"};
  fijarIdiomaActual(Idioma::ingles);
  const std::pair<QUrl, QString> cases[] = {
      {url("/no-existe.json"), u"The update server didn't answer"_s},
      {url("/roto.json"), u"The update server's answer doesn't make sense."_s},
      {QUrl(), u"No update address is set up."_s}};
  for (const auto& [feed, text] : cases) {
    const size_t before = alerts.vistas.size();
    auto c = crear(feed);
    c->checkForUpdates();
    QTRY_COMPARE_WITH_TIMEOUT(alerts.vistas.size(), before + 1, 10000);
    EXPECT_TRUE(alerts.vistas.back().informativo.startsWith(text)) << text.toStdString();
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
  EXPECT_TRUE(alerts.vistas.empty());  // automatic checks never open dialogs

  c->setAutomaticallyDownloadsUpdates(true);
  QTRY_COMPARE_WITH_TIMEOUT(found.size(), 2, 5000);  // the next check, one interval later
  EXPECT_EQ(found[1][1].toString(), dir.path() + u"/Descargas/corvalin_0.9.0_amd64.deb"_s);
  EXPECT_EQ(QFile(found[1][1].toString()).size(), 300000);

  // The switch lives in the controller's own file.
  EXPECT_TRUE(crear(url("/feed.json"))->automaticallyDownloadsUpdates());
}

}  // namespace
}  // namespace corvalin
