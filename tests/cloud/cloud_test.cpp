// The app's hosted-service client against the real corvalin-cloud on the session's S3 gateway:
// uploads read back through their links, every limit of a plan in the app's own words, paging,
// each way of deleting, slots the store holds to their size and type, a restart and the expiry
// sweep, and requests that must be refused before anything reaches the store.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QRandomGenerator>
#include <QTemporaryFile>
#include <QUuid>

#include "core/texts.h"
#include "nube_local.h"
#include "upload/nube_modelo.h"
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
    ASSERT_TRUE(prueba::crearBucket(g, prueba::kBucketDeNube));
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

TEST_F(Nube, APictureAndAVideoGoUpAndTheirLinksGiveThemBackByteForByte) {
  auto s = servidor();
  const ConfigDeNube c = cliente(*s);
  const QByteArray png = azar(300'000), mp4 = azar(1'500'000);
  const SubidaHecha foto = valor(subir(c, png));
  EXPECT_EQ(foto.aviso, QStringLiteral("Te quedan 99 subidas hoy"));
  const SubidaHecha video = valor(subir(c, mp4, QStringLiteral("video/mp4")));
  EXPECT_TRUE(prueba::abrir(foto.url).cuerpo == png);
  EXPECT_TRUE(prueba::abrir(video.url).cuerpo == mp4);
  // A link is a redirect to a short-lived address in the store, never the store's keys.
  const std::string salto = prueba::pedir("GET", foto.url).ubicacion;
  EXPECT_TRUE(salto.find("X-Amz-Signature=") != std::string::npos &&
              salto.find(gateway_->secret.toStdString()) == std::string::npos)
      << salto;

  const EstadoDeNube cuenta = valor(estado(c));
  EXPECT_EQ(std::tuple(cuenta.usado, cuenta.restantesHoy), std::tuple(png.size() + mp4.size(), 98));
  ASSERT_EQ(cuenta.archivos.size(), 2);
  // Kept for the 30 days asked for.
  EXPECT_EQ(QDateTime::fromString(cuenta.archivos[1].cuando, Qt::ISODate)
                .daysTo(QDateTime::fromString(cuenta.archivos[1].caduca.value_or(""), Qt::ISODate)),
            30);
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
  EXPECT_EQ(descripcion(subir(c, azar(10), QStringLiteral("application/x-sharedlib"))),
            QStringLiteral("Eso no se puede subir a la nube de Corvalin."));

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

  // The state tells the same, and a retention the plan doesn't offer falls to one it does.
  const EstadoDeNube e = valor(estado(c));
  EXPECT_EQ(std::tuple(e.restantesHoy, e.usado, e.dias), std::tuple(0, 2900, 7));
}

TEST_F(Nube, TheModelPagesByEightNewestFirstAndDeletesByEachRule) {
  auto s = servidor();
  const ConfigDeNube c = cliente(*s);
  QList<QString> objetos;
  QList<QUrl> enlaces;
  // Uploads of the same second are told apart by their keys only: after each one, all the
  // files so far grow a minute older.
  for (int i = 0; i < 10; ++i) {
    enlaces << valor(subir(c, QByteArray::number(i).repeated(50))).url;
    objetos << objetoDe(enlaces.last());
    ASSERT_TRUE(s->sql(QStringLiteral("UPDATE archivos SET cuando = cuando - 60")));
  }
  NubeModelo modelo([c] { return c; });
  auto cargado = [&] { return prueba::esperarHasta([&] { return !modelo.cargando(); }, 30000); };
  modelo.cargar(1);
  ASSERT_TRUE(cargado());
  ASSERT_TRUE(modelo.estado()) << modelo.problema().toStdString();
  ASSERT_EQ(modelo.estado()->archivos.size(), 8);
  EXPECT_EQ(modelo.estado()->archivos.first().url, enlaces[9]);
  modelo.cargar(2);
  ASSERT_TRUE(cargado());
  ASSERT_EQ(modelo.estado()->archivos.size(), 2);
  EXPECT_EQ(modelo.estado()->archivos.last().url, enlaces[0]);

  // Files seen in the store (the sweep's work once their slots are over) are deleted from it
  // at once; the three oldest are made 40 days old.
  ASSERT_TRUE(s->sql(QStringLiteral("UPDATE archivos SET confirmado = 1, ranura_hasta = 0")));
  ASSERT_TRUE(s->sql(QStringLiteral("UPDATE archivos SET cuando = cuando - 40 * 86400 "
                                    "WHERE objeto IN ('%1', '%2', '%3')")
                         .arg(objetos[0], objetos[1], objetos[2])));
  EXPECT_EQ(valor(borrar(c, NubeUploader::Barrido::deObjeto(objetos[9]))), 1);
  // Someone else's file, or one already gone, is not found.
  EXPECT_EQ(rechazo(borrar(cliente(*s), NubeUploader::Barrido::deObjeto(objetos[8]))).mensaje,
            QStringLiteral("Ese archivo ya no está en tu nube."));
  EXPECT_EQ(prueba::estadoDelObjeto(*gateway_, objetos[8]), 200);

  modelo.borrar(NubeUploader::Barrido::masViejosQue(30));
  ASSERT_TRUE(prueba::esperarHasta(
      [&] { return !modelo.cargando() && modelo.estado()->total == 6; }, 30000))
      << modelo.problema().toStdString();
  for (int i = 0; i < 10; ++i)
    EXPECT_EQ(prueba::estadoDelObjeto(*gateway_, objetos[i]), i < 3 || i == 9 ? 404 : 200) << i;

  EXPECT_EQ(valor(borrar(c, NubeUploader::Barrido::todo())), 6);
  for (int i = 3; i < 9; ++i) EXPECT_EQ(prueba::estadoDelObjeto(*gateway_, objetos[i]), 404);
  // Deleting gives space back, not the day's uploads.
  EXPECT_EQ(valor(estado(c)).restantesHoy, 90);
}

TEST_F(Nube, AFileDeletedWhileItsSlotIsOpenLeavesTheStoreWhenTheSlotIsOver) {
  auto s = servidor();
  const ConfigDeNube c = cliente(*s);
  const NubeUploader::Permiso slot = valor(permiso(c, 4));
  ASSERT_EQ(valor(borrar(c, NubeUploader::Barrido::todo())), 1);
  // The slot can still be used: the object arrives after the file was deleted...
  EXPECT_EQ(prueba::pedir("PUT", slot.put, "late", {{"Content-Type", "image/png"}}).estado, 200);
  EXPECT_EQ(prueba::pedir("GET", slot.url).estado, 404);
  EXPECT_EQ(valor(estado(c)).total, 0);
  // ...and goes at the first sweep after the slot's end (a restart sweeps at once).
  ASSERT_TRUE(s->sql(QStringLiteral("UPDATE archivos SET caduca = 0")));
  EXPECT_EQ(s->detener(), 0);
  ASSERT_TRUE(s->arrancar()) << s->registro().toStdString();
  EXPECT_TRUE(prueba::esperarHasta(
      [&] { return s->numero(QStringLiteral("SELECT COUNT(*) FROM archivos")) == 0; }, 20000));
  EXPECT_EQ(prueba::estadoDelObjeto(*gateway_, objetoDe(slot.url)), 404);
}

TEST_F(Nube, ASlotTakesOnlyTheBodyAndTypeItWasGivenFor) {
  auto s = servidor();
  const NubeUploader::Permiso p = valor(permiso(cliente(*s), 100));
  EXPECT_EQ(prueba::pedir("PUT", p.put, azar(5000), {{"Content-Type", "image/png"}}).estado, 403);
  EXPECT_EQ(prueba::pedir("PUT", p.put, azar(100), {{"Content-Type", "text/html"}}).estado, 403);
  const QByteArray cuerpo = azar(100);
  EXPECT_EQ(prueba::pedir("PUT", p.put, cuerpo, {{"Content-Type", "image/png"}}).estado, 200);
  EXPECT_TRUE(prueba::abrir(p.url).cuerpo == cuerpo);
}

TEST_F(Nube, ARestartKeepsUsageAndTheSweepSettlesExpiredFilesAndUnusedSlots) {
  auto s = servidor();
  const ConfigDeNube c = cliente(*s);
  QList<QUrl> enlaces;
  for (int i = 0; i < 3; ++i) enlaces << valor(subir(c, azar(1000 + i))).url;
  valor(permiso(c, 500));  // a slot never used
  // One file expires and every slot ends more than an hour ago; after a restart, the start-up
  // sweep deletes the expired file from the store, confirms the uploads and releases the slot
  // never used, and the rest of the usage is still there.
  ASSERT_TRUE(s->sql(QStringLiteral("UPDATE archivos SET ranura_hasta = 0")));
  ASSERT_TRUE(s->sql(QStringLiteral("UPDATE archivos SET caduca = 1 WHERE objeto = '%1'")
                         .arg(objetoDe(enlaces[0]))));
  EXPECT_EQ(s->detener(), 0);
  ASSERT_TRUE(s->arrancar()) << s->registro().toStdString();
  const QString barrido =
      QStringLiteral("sweep: 1 expired deleted, 2 uploads confirmed, 1 unused slots released");
  EXPECT_TRUE(prueba::esperarHasta([&] { return s->registro().contains(barrido); }, 20000))
      << s->registro().toStdString();
  EXPECT_EQ(prueba::estadoDelObjeto(*gateway_, objetoDe(enlaces[0])), 404);
  EXPECT_EQ(prueba::abrir(enlaces[1]).estado, 200);
  const EstadoDeNube e = valor(estado(c));
  EXPECT_EQ(std::tuple(e.total, e.usado, e.restantesHoy), std::tuple(2, 1001 + 1002, 97));
}

TEST_F(Nube, BadRequestsAreRefusedBeforeAnythingReachesTheStore) {
  const QString conocida = cuentaNueva();
  auto s = servidor(QStringLiteral("pro\nregistro = lista\npeticiones_por_minuto = 3\n"
                                   "cuerpo_maximo = 1024\n[cuentas]\n%1 = chico")
                        .arg(conocida));
  const QUrl subida(s->base() + QStringLiteral("/api/subida.php"));
  auto motivo = [](const prueba::Contestacion& c) {
    return QJsonDocument::fromJson(c.cuerpo).object().value(QStringLiteral("motivo")).toString();
  };
  auto pedido = [&](const QByteArray& cuerpo) { return prueba::pedir("POST", subida, cuerpo); };
  const QByteArray bien =
      QStringLiteral(R"({"cuenta":"%1","bytes":10,"tipo":"image/png"})").arg(conocida).toUtf8();
  for (const QByteArray& malo :
       {QByteArray(bien).replace("\"bytes\":10", "\"bytes\":-3"), QByteArray(bien).chopped(1)}) {
    const prueba::Contestacion r = pedido(malo);
    EXPECT_EQ(std::pair(r.estado, motivo(r)), std::pair(400, QStringLiteral("peticion_invalida")))
        << malo.toStdString();
  }
  EXPECT_EQ(pedido(bien + QByteArray(4096, ' ')).estado, 413);

  // An account the server doesn't list, through the app: its message, in its language.
  EXPECT_EQ(descripcion(subir({s->base(), cuentaNueva(), 7}, "x")),
            QStringLiteral("Este servidor no conoce tu cuenta."));
  // Only the listed account was registered.
  EXPECT_EQ(s->numero(QStringLiteral("SELECT COUNT(*) FROM cuentas")), 1);

  // The listed account: three slot requests a minute, then it is told to wait. Nothing before
  // was handed a slot.
  for (int i = 0; i < 3; ++i) valor(permiso({s->base(), conocida, 7}, 10));
  EXPECT_EQ(motivo(pedido(bien)), QStringLiteral("demasiadas_peticiones"));
  EXPECT_EQ(s->numero(QStringLiteral("SELECT COUNT(*) FROM archivos")), 3);
}

TEST_F(Nube, AMissingBucketIsMadeAtStartAndWrongKeysStopTheStart) {
  const QString bucket =
      QStringLiteral("corvalin-nube-") + QUuid::createUuid().toString(QUuid::Id128).left(12);
  ASSERT_EQ(prueba::estadoDelObjeto(*gateway_, {}, bucket), 404);
  // A later [s3] section takes the place of the suite's bucket; the keys come from the file's
  // ${...} references this time.
  NubeLocal nueva(*gateway_,
                  QStringLiteral("[s3]\nbucket = %1\naccess_key = ${PRUEBA_CLAVE}\n").arg(bucket),
                  {{QStringLiteral("PRUEBA_CLAVE"), gateway_->access}});
  ASSERT_TRUE(nueva.arrancar()) << nueva.registro().toStdString();
  EXPECT_EQ(prueba::estadoDelObjeto(*gateway_, {}, bucket), 200);
  valor(subir(cliente(nueva), "x"));

  NubeLocal rechazada({gateway_->endpoint, gateway_->access,
                       QStringLiteral("not-the-secret-0123456789abcdefghij")});
  EXPECT_FALSE(rechazada.arrancar());
  EXPECT_TRUE(rechazada.registro().contains(QStringLiteral("refused the keys")))
      << rechazada.registro().toStdString();
}

TEST(NubeConfiguracion, MistakesInTheFileAreNamedWithTheirLine) {
  QProcess p;
  QTemporaryFile f;
  auto comprobar = [&](const QByteArray& texto) {
    f.open();
    f.resize(0);
    f.write(texto);
    f.close();
    p.start(QStringLiteral(CORVALIN_CLOUD), {"--config", f.fileName(), "--check"});
    p.waitForFinished(10000);
    return std::pair{p.exitCode(),
                     QString::fromUtf8(p.readAllStandardError() + p.readAllStandardOutput())};
  };
  const QByteArray base =
      "[s3]\nendpoint = http://127.0.0.1:9\nbucket = b\naccess_key = a\nsecret_key = s\n";
  EXPECT_EQ(comprobar(base).first, 0);
  const auto errata = comprobar(base + "[servidor]\npuert = 80\n");
  EXPECT_TRUE(errata.first == 1 && errata.second.contains("line 7: unknown key puert"))
      << errata.second.toStdString();
  EXPECT_TRUE(comprobar(base + "[plan x]\ncuota = mucho\n").second.contains("line 7: bad value"));
  EXPECT_EQ(comprobar("[s3]\nbucket = b\n").first, 1);
  // The example shipped beside the server is valid as it stands.
  qputenv("S3_ACCESS_KEY", "a");
  qputenv("S3_SECRET_KEY", "s");
  QFile ejemplo(QStringLiteral(CORVALIN_CLOUD_EJEMPLO));
  ASSERT_TRUE(ejemplo.open(QIODevice::ReadOnly));
  const auto valido = comprobar(ejemplo.readAll());
  EXPECT_EQ(valido.first, 0) << valido.second.toStdString();
}

}  // namespace
}  // namespace corvalin
