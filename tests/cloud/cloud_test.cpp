// The app's hosted-service client against the real corvalin-cloud on the session's S3 gateway:
// uploads read back through their links, slots the store holds to their size and type, every
// limit of a plan in the app's own words, each way of deleting, a restart and the expiry sweep,
// requests that must be refused before anything reaches the store, and a server that must not
// start.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRandomGenerator>
#include <QUuid>

#include "core/texts.h"
#include "nube_local.h"
#include "upload/nube_uploader.h"

namespace corvalin {
namespace {

using prueba::NubeLocal;

// Plans for the suite: "pro" takes anything, "chico" is small and has no videos.
const QString kPlanes = QStringLiteral(
    "[plan pro]\ncuota = 1G\ndiario = 100\nmaximo = 20M\nvideo = si\nretenciones = 7, 30, 90\n"
    "[plan chico]\ncuota = 3000\ndiario = 3\nmaximo = 2000\nvideo = no\nretenciones = 1, 7\n");

QString cuentaNueva() {
  return QStringLiteral("prueba-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

QByteArray azar(qsizetype n) {
  QByteArray b(n, Qt::Uninitialized);
  for (char& c : b) c = static_cast<char>(QRandomGenerator::global()->bounded(256));
  return b;
}

template <typename T, typename Llamada>
Resultado<T> esperar(Llamada llamada) {
  prueba::Buzon<Resultado<T>> buzon;
  llamada(buzon.entregar());
  return buzon.esperar(60000).value_or(ErrorDeSubida(ErrorDeRed{}));
}

Resultado<SubidaHecha> subir(const ConfigDeNube& c, const QByteArray& cuerpo,
                             const QString& tipo = QStringLiteral("image/png")) {
  return esperar<SubidaHecha>([&](auto listo) {
    NubeUploader::subir(c, Cuerpo::datos(cuerpo), tipo, {}, Enviador::puente(), listo);
  });
}

Resultado<EstadoDeNube> estado(const ConfigDeNube& c) {
  return esperar<EstadoDeNube>([&](auto listo) { NubeUploader::estado(c, 1, listo); });
}

Resultado<int> borrar(const ConfigDeNube& c, const NubeUploader::Barrido& b) {
  return esperar<int>([&](auto listo) { NubeUploader::borrar(c, b, listo); });
}

Resultado<NubeUploader::Permiso> permiso(const ConfigDeNube& c, int64_t bytes) {
  return esperar<NubeUploader::Permiso>([&](auto listo) {
    NubeUploader::pedirPermiso(c, bytes, QStringLiteral("image/png"), nullptr, listo);
  });
}

template <typename T>
QString descripcion(const Resultado<T>& r) {
  const auto* e = std::get_if<ErrorDeSubida>(&r);
  return e ? e->descripcion() : QStringLiteral("no error");
}

// What a call delivered; when it failed, the failure is reported and an empty value returned.
template <typename T>
T valor(const Resultado<T>& r) {
  EXPECT_TRUE(std::holds_alternative<T>(r)) << descripcion(r).toStdString();
  return std::holds_alternative<T>(r) ? std::get<T>(r) : T{};
}

// The service's refusal, or an empty one (and a failure) when there was none.
template <typename T>
NubeError rechazo(const Resultado<T>& r) {
  const auto* e = std::get_if<ErrorDeSubida>(&r);
  EXPECT_TRUE(e && e->nube()) << "not refused by the service: " << descripcion(r).toStdString();
  return e && e->nube() ? *e->nube() : NubeError{};
}

// The key of the object a link stands for.
QString objetoDe(const QUrl& enlace) {
  return QUrl::fromPercentEncoding(enlace.path(QUrl::FullyEncoded).mid(3).toUtf8());
}

class Nube : public ::testing::Test {
 protected:
  void SetUp() override {
    CORVALIN_GATEWAY_O_SALTAR(g);
    gateway_ = g;
    fijarIdiomaActual(Idioma::español);
  }

  // A server with the suite's plans, `plan` the default one (and any more lines after it).
  std::unique_ptr<NubeLocal> servidor(const QString& plan = QStringLiteral("pro")) {
    auto s = std::make_unique<NubeLocal>(
        *gateway_,
        kPlanes + QStringLiteral("[servidor]\nplan_por_defecto = ") + plan + QStringLiteral("\n"));
    EXPECT_TRUE(s->arrancar()) << s->registro().toStdString();
    return s;
  }

  ConfigDeNube cliente(const NubeLocal& s) { return {s.base(), cuentaNueva(), 30}; }

  std::optional<prueba::GatewayS3> gateway_;
};

TEST_F(Nube, UploadsComeBackByteForByteThroughTheirLinksAndASlotTakesOnlyItsOwnFile) {
  auto s = servidor();
  const ConfigDeNube c = cliente(*s);
  const QByteArray png = azar(300'000), mp4 = azar(1'500'000);
  const SubidaHecha foto = valor(subir(c, png));
  const SubidaHecha video = valor(subir(c, mp4, QStringLiteral("video/mp4")));
  EXPECT_TRUE(prueba::abrir(foto.url).cuerpo == png);
  EXPECT_TRUE(prueba::abrir(video.url).cuerpo == mp4);
  // A link is a redirect to a short-lived address in the store, never the store's keys.
  const std::string salto = prueba::pedir("GET", foto.url).ubicacion;
  EXPECT_TRUE(salto.find("X-Amz-Signature=") != std::string::npos &&
              salto.find(gateway_->secret.toStdString()) == std::string::npos)
      << salto;

  // A slot takes only the size and type it was given for.
  const NubeUploader::Permiso p = valor(permiso(c, 100));
  EXPECT_EQ(prueba::pedir("PUT", p.put, azar(5000), {{"Content-Type", "image/png"}}).estado, 403);
  EXPECT_EQ(prueba::pedir("PUT", p.put, azar(100), {{"Content-Type", "text/html"}}).estado, 403);
  EXPECT_EQ(prueba::pedir("PUT", p.put, azar(100), {{"Content-Type", "image/png"}}).estado, 200);
  // Neither the account id nor a link's key is ever written to the log.
  EXPECT_EQ(s->detener(), 0);
  EXPECT_FALSE(s->registro().contains(c.cuenta));
  EXPECT_FALSE(s->registro().contains(objetoDe(foto.url)));
}

TEST_F(Nube, EveryLimitOfThePlanReachesTheUserInTheirOwnWords) {
  auto s = servidor(QStringLiteral("chico"));
  const ConfigDeNube c = cliente(*s);
  const auto muyGrande = subir(c, azar(2001));
  EXPECT_EQ(rechazo(muyGrande).maximo, 2000);
  EXPECT_EQ(descripcion(muyGrande), QStringLiteral("El archivo pasa de 2,0 kB."));
  EXPECT_EQ(descripcion(subir(c, azar(10), QStringLiteral("video/mp4"))),
            QStringLiteral("Los videos no entran en tu plan."));

  // 3000 bytes of quota: two files of 1400 fit, a third doesn't.
  valor(subir(c, azar(1400)));
  EXPECT_EQ(valor(subir(c, azar(1400))).aviso, QStringLiteral("Te queda 1 subida hoy"));
  EXPECT_EQ(descripcion(subir(c, azar(1400))),
            QStringLiteral("Tu nube está llena: 2,8 kB de 3,0 kB."));
  // The third upload of the day fits; a fourth is over the daily limit of 3.
  valor(subir(c, azar(100)));
  const auto cuarta = subir(c, azar(10));
  // Days are UTC days: the count starts again at the next midnight.
  EXPECT_EQ(QDateTime::fromString(rechazo(cuarta).renueva, Qt::ISODate),
            QDateTime(QDateTime::currentDateTimeUtc().date().addDays(1), QTime(0, 0), Qt::UTC));
  EXPECT_EQ(descripcion(cuarta), QStringLiteral("Ya subiste tus 3 capturas de hoy."));
}

TEST_F(Nube, TheSweepAfterARestartAndEachWayOfDeletingTakeTheRightFilesFromTheStore) {
  auto s = servidor();
  const ConfigDeNube c = cliente(*s);
  QList<QString> objetos;
  for (int i = 0; i < 5; ++i) objetos << objetoDe(valor(subir(c, azar(50))).url);
  valor(permiso(c, 500));  // a slot never used
  // One file expires and every slot ends more than an hour ago; after a restart, the start-up
  // sweep deletes the expired file from the store, confirms the uploads and releases the slot
  // never used, and the rest of the usage is still there.
  ASSERT_TRUE(s->sql(QStringLiteral("UPDATE archivos SET ranura_hasta = 0")));
  ASSERT_TRUE(
      s->sql(QStringLiteral("UPDATE archivos SET caduca = 1 WHERE objeto = '%1'").arg(objetos[2])));
  EXPECT_EQ(s->detener(), 0);
  ASSERT_TRUE(s->arrancar()) << s->registro().toStdString();
  const QString barrido =
      QStringLiteral("sweep: 1 expired deleted, 4 uploads confirmed, 1 unused slots released");
  EXPECT_TRUE(prueba::esperarHasta([&] { return s->registro().contains(barrido); }, 20000))
      << s->registro().toStdString();
  EXPECT_EQ(prueba::estadoDelObjeto(*gateway_, objetos[2]), 404);
  const EstadoDeNube e = valor(estado(c));
  EXPECT_EQ(std::tuple(e.total, e.usado, e.restantesHoy), std::tuple(4, 4 * 50, 95));

  // Confirmed files are deleted from the store at once; the two oldest are made 40 days old.
  ASSERT_TRUE(s->sql(QStringLiteral("UPDATE archivos SET cuando = cuando - 40 * 86400 "
                                    "WHERE objeto IN ('%1', '%2')")
                         .arg(objetos[0], objetos[1])));
  EXPECT_EQ(valor(borrar(c, NubeUploader::Barrido::deObjeto(objetos[4]))), 1);
  // Someone else's file, or one already gone, is not found.
  EXPECT_EQ(rechazo(borrar(cliente(*s), NubeUploader::Barrido::deObjeto(objetos[3]))).mensaje,
            QStringLiteral("Ese archivo ya no está en tu nube."));
  EXPECT_EQ(valor(borrar(c, NubeUploader::Barrido::masViejosQue(30))), 2);
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(prueba::estadoDelObjeto(*gateway_, objetos[i]), i == 3 ? 200 : 404) << i;
  EXPECT_EQ(valor(borrar(c, NubeUploader::Barrido::todo())), 1);
  EXPECT_EQ(prueba::estadoDelObjeto(*gateway_, objetos[3]), 404);
  // Deleting gives space back, not the day's uploads.
  const EstadoDeNube vacia = valor(estado(c));
  EXPECT_EQ(std::tuple(vacia.usado, vacia.restantesHoy), std::tuple(0, 95));
}

TEST_F(Nube, BadRequestsAreRefusedBeforeAnythingReachesTheStore) {
  const QString conocida = cuentaNueva();
  auto s = servidor(QStringLiteral("pro\nregistro = lista\npeticiones_por_minuto = 3\n"
                                   "cuerpo_maximo = 1024\n[cuentas]\n%1 = chico")
                        .arg(conocida));
  const QUrl subida(s->base() + QStringLiteral("/api/subida.php"));
  const QByteArray bien =
      QStringLiteral(R"({"cuenta":"%1","bytes":10,"tipo":"image/png"})").arg(conocida).toUtf8();
  const QByteArray negativo = QByteArray(bien).replace("\"bytes\":10", "\"bytes\":-3");
  EXPECT_EQ(prueba::pedir("POST", subida, negativo).estado, 400);
  EXPECT_EQ(prueba::pedir("POST", subida, bien + QByteArray(4096, ' ')).estado, 413);

  // An account the server doesn't list, through the app: its message, in its language.
  EXPECT_EQ(descripcion(subir({s->base(), cuentaNueva(), 7}, "x")),
            QStringLiteral("Este servidor no conoce tu cuenta."));
  // Only the listed account was registered.
  EXPECT_EQ(s->numero(QStringLiteral("SELECT COUNT(*) FROM cuentas")), 1);

  // The listed account: three slot requests a minute, then it is told to wait. Nothing before
  // was handed a slot.
  const ConfigDeNube listada{s->base(), conocida, 7};
  for (int i = 0; i < 3; ++i) valor(permiso(listada, 10));
  EXPECT_EQ(descripcion(permiso(listada, 10)),
            QStringLiteral("Demasiadas subidas seguidas: espera un minuto."));
  EXPECT_EQ(s->numero(QStringLiteral("SELECT COUNT(*) FROM archivos")), 3);
}

TEST_F(Nube, WrongKeysOrAMistakeInTheFileStopTheStartAndSayWhy) {
  NubeLocal rechazada({gateway_->endpoint, gateway_->access,
                       QStringLiteral("not-the-secret-0123456789abcdefghij")});
  EXPECT_FALSE(rechazada.arrancar());
  EXPECT_TRUE(rechazada.registro().contains(QStringLiteral("refused the keys")))
      << rechazada.registro().toStdString();
  NubeLocal errata(*gateway_, QStringLiteral("[servidor]\npuert = 80"));
  EXPECT_FALSE(errata.arrancar());
  EXPECT_TRUE(errata.registro().contains(QStringLiteral("line 11: unknown key puert")))
      << errata.registro().toStdString();

  // The example shipped beside the server is valid as it stands.
  qputenv("S3_ACCESS_KEY", "a");
  qputenv("S3_SECRET_KEY", "s");
  QProcess ejemplo;
  ejemplo.start(QStringLiteral(CORVALIN_CLOUD),
                {"--config", QStringLiteral(CORVALIN_CLOUD_EJEMPLO), "--check"});
  ASSERT_TRUE(ejemplo.waitForFinished(10000));
  EXPECT_EQ(ejemplo.exitCode(), 0) << ejemplo.readAllStandardError().toStdString();
}

}  // namespace
}  // namespace corvalin
