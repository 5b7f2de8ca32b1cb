#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include "apoyo.h"
#include "core/texts.h"
#include "platform/alerts.h"
#include "update/update_controller.h"
#include "update/update_feed.h"

namespace corvalin {
namespace {

class RecordedAlerts : public Alertas {
 public:
  int mostrar(const Alerta& a) override {
    vistas.push_back(a);
    return respuesta;
  }
  std::vector<Alerta> vistas;
  int respuesta = 0;
};

TEST(UpdateFeed, ReadsTheNewestVersionAndRejectsOddDocuments) {
  auto v = leerFeed(
      R"({"version": "0.3.0", "build": "41", "url": "https://x.test/c.deb", "notes": "https://x.test/n"})");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->version, QStringLiteral("0.3.0"));
  EXPECT_EQ(v->build, QStringLiteral("41"));
  EXPECT_EQ(v->descarga, QUrl(QStringLiteral("https://x.test/c.deb")));
  EXPECT_TRUE(leerFeed(R"({"version": "1.2", "build": 7})"));
  EXPECT_EQ(leerFeed(R"({"version": "1.2", "build": 7})")->build, QStringLiteral("7"));
  EXPECT_FALSE(leerFeed("no es json"));
  EXPECT_FALSE(leerFeed(R"(["0.3.0"])"));
  EXPECT_FALSE(leerFeed(R"({"build": "41"})"));
  EXPECT_FALSE(leerFeed(R"({"version": "beta"})"));
  EXPECT_FALSE(leerFeed(R"({"version": "1.0", "url": "file:///etc/passwd"})"));
  EXPECT_FALSE(leerFeed(R"({"version": "1.0", "url": 5})"));
}

TEST(UpdateFeed, VersionsCompareByNumbers) {
  EXPECT_GT(compararVersiones(QStringLiteral("1.10"), QStringLiteral("1.9")), 0);
  EXPECT_EQ(compararVersiones(QStringLiteral("1.0"), QStringLiteral("1")), 0);
  EXPECT_LT(compararVersiones(QStringLiteral("0.9.9"), QStringLiteral("1.0")), 0);
  EXPECT_EQ(compararVersiones(QStringLiteral("2.0-rc1"), QStringLiteral("2.0")), 0);
  EXPECT_GT(compararVersiones(QStringLiteral("99999999999999999999"), QStringLiteral("1")), 0);
  VersionPublicada v{QStringLiteral("0.1.0"), QStringLiteral("8"), {}, {}};
  EXPECT_TRUE(esMasNueva(v, QStringLiteral("0.1.0"), QStringLiteral("7")));
  EXPECT_FALSE(esMasNueva(v, QStringLiteral("0.1.0"), QStringLiteral("8")));
  EXPECT_FALSE(esMasNueva(v, QStringLiteral("0.2.0"), QStringLiteral("1")));
  v.build.clear();
  EXPECT_FALSE(esMasNueva(v, QStringLiteral("0.1.0"), QStringLiteral("7")));
}

class UpdateControllerTest : public ::testing::Test {
 protected:
  void SetUp() override { fijarIdiomaActual(Idioma::español); }
  std::unique_ptr<UpdateController> crear(const QUrl& feed,
                                          const QString& version = QStringLiteral("0.1.0"),
                                          const QString& build = QStringLiteral("7")) {
    UpdateController::Configuracion c;
    c.archivoDeEstado = dir.path() + QStringLiteral("/update.conf");
    c.version = version;
    c.build = build;
    c.feedPorDefecto = feed;
    c.carpetaDeDescargas = dir.path() + QStringLiteral("/Descargas");
    c.intervalo = std::chrono::milliseconds(300);
    c.primeraEspera = std::chrono::milliseconds(50);
    auto controller = std::make_unique<UpdateController>(c, &alerts);
    controller->activar = [this] { ++activaciones; };
    controller->abrirEnlace = [this](const QUrl& u) { abiertos.push_back(u); };
    return controller;
  }

  QUrl url(const char* ruta) const { return QUrl(server.base() + QLatin1String(ruta)); }
  int hits(const QByteArray& ruta) const {
    return int(std::count_if(server.peticiones.begin(), server.peticiones.end(),
                             [&](const prueba::PeticionRecibida& p) { return p.ruta == ruta; }));
  }

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

TEST_F(UpdateControllerTest, VersionTextAndSwitchesLiveInTheControllersOwnFile) {
  auto c = crear(QUrl());
  EXPECT_EQ(c->currentVersion(), QStringLiteral("0.1.0 (7)"));
  EXPECT_EQ(crear(QUrl(), QString(), QString())->currentVersion(), QStringLiteral("? (?)"));
  EXPECT_TRUE(c->automaticallyChecksForUpdates());
  EXPECT_FALSE(c->automaticallyDownloadsUpdates());
  EXPECT_FALSE(c->lastUpdateCheckDate());
  EXPECT_TRUE(c->textoDeUltimaRevision().isEmpty());
  c->setAutomaticallyChecksForUpdates(false);
  c->setAutomaticallyDownloadsUpdates(true);
  auto again = crear(QUrl());
  EXPECT_FALSE(again->automaticallyChecksForUpdates());
  EXPECT_TRUE(again->automaticallyDownloadsUpdates());
  QSettings raw(dir.path() + QStringLiteral("/update.conf"), QSettings::IniFormat);
  EXPECT_EQ(raw.value(QStringLiteral("automaticallyChecksForUpdates")).toBool(), false);
}

TEST_F(UpdateControllerTest, AUserCheckComesForwardAndSaysItIsUpToDate) {
  respuestas["/feed.json"] = {200, R"({"version": "0.1.0", "build": "7"})"};
  auto c = crear(url("/feed.json"));
  c->checkForUpdates();
  EXPECT_EQ(activaciones, 1);
  QTRY_COMPARE_WITH_TIMEOUT(alerts.vistas.size(), size_t(1), 5000);
  EXPECT_EQ(alerts.vistas[0].mensaje, QStringLiteral("Tienes la versión más reciente"));
  EXPECT_EQ(alerts.vistas[0].informativo,
            QStringLiteral("Corvalin 0.1.0 (7) es la versión más nueva."));
  ASSERT_TRUE(c->lastUpdateCheckDate());
  EXPECT_LT(c->lastUpdateCheckDate()->secsTo(QDateTime::currentDateTimeUtc()), 60);
  EXPECT_TRUE(c->textoDeUltimaRevision().startsWith(QStringLiteral("Última revisión: ")));
}

TEST_F(UpdateControllerTest, ANewerVersionOffersItsDownload) {
  respuestas["/feed.json"] = {200, R"({"version": "0.2.0", "url": "https://x.test/c.deb"})"};
  auto c = crear(url("/feed.json"));
  alerts.respuesta = 0;  // "Descargar"
  c->checkForUpdates();
  QTRY_COMPARE_WITH_TIMEOUT(alerts.vistas.size(), size_t(1), 5000);
  EXPECT_EQ(alerts.vistas[0].mensaje, QStringLiteral("Hay una versión nueva de Corvalin"));
  EXPECT_EQ(alerts.vistas[0].botones,
            (QStringList{QStringLiteral("Descargar"), QStringLiteral("Ahora no")}));
  ASSERT_EQ(abiertos.size(), 1u);
  EXPECT_EQ(abiertos[0], QUrl(QStringLiteral("https://x.test/c.deb")));
}

TEST_F(UpdateControllerTest, FailuresAreToldInTheUsersLanguage) {
  respuestas["/roto.json"] = {200, "<html>mantenimiento</html>"};
  auto missing = crear(url("/no-existe.json"));
  missing->checkForUpdates();
  QTRY_COMPARE_WITH_TIMEOUT(alerts.vistas.size(), size_t(1), 5000);
  EXPECT_EQ(alerts.vistas[0].mensaje, QStringLiteral("No se pudo buscar actualizaciones"));
  EXPECT_TRUE(alerts.vistas[0].informativo.contains(QStringLiteral("no respondió")));
  EXPECT_FALSE(missing->lastUpdateCheckDate());

  fijarIdiomaActual(Idioma::ingles);
  auto garbage = crear(url("/roto.json"));
  garbage->checkForUpdates();
  QTRY_COMPARE_WITH_TIMEOUT(alerts.vistas.size(), size_t(2), 5000);
  EXPECT_EQ(alerts.vistas[1].mensaje, QStringLiteral("Couldn't check for updates"));
  EXPECT_EQ(alerts.vistas[1].informativo,
            QStringLiteral("The update server's answer doesn't make sense."));

  QTcpServer closed;
  closed.listen(QHostAddress::LocalHost, 0);
  const quint16 port = closed.serverPort();
  closed.close();  // nothing listens there any more
  auto offline = crear(QUrl(QStringLiteral("http://127.0.0.1:%1/feed.json").arg(port)));
  offline->checkForUpdates();
  QTRY_COMPARE_WITH_TIMEOUT(alerts.vistas.size(), size_t(3), 10000);
  EXPECT_TRUE(
      alerts.vistas[2].informativo.startsWith(QStringLiteral("The update server didn't answer")));

  auto unset = crear(QUrl());
  unset->checkForUpdates();
  ASSERT_EQ(alerts.vistas.size(), 4u);
  EXPECT_EQ(alerts.vistas[3].informativo, QStringLiteral("No update address is set up."));
  fijarIdiomaActual(Idioma::español);
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
  const QString file = found[1][1].toString();
  EXPECT_EQ(file, dir.path() + QStringLiteral("/Descargas/corvalin_0.9.0_amd64.deb"));
  EXPECT_EQ(QFile(file).size(), 300000);

  c->setAutomaticallyChecksForUpdates(false);
  QTest::qWait(100);  // a check already on its way may still land
  const int antes = hits("/feed.json");
  QTest::qWait(700);
  EXPECT_EQ(hits("/feed.json"), antes);
}

}  // namespace
}  // namespace corvalin
