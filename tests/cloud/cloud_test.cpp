// The app's hosted-service client against the real corvalin-cloud on the session's S3 gateway:
// uploads read back through their links, every limit of a plan in the app's own words, paging,
// each way of deleting, slots the store holds to their size and type, a restart and the expiry
// sweep, and requests that must be refused before anything reaches the store.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QUuid>

#include "core/texts.h"
#include "nube_local.h"
#include "upload/nube_modelo.h"
#include "upload/nube_uploader.h"

namespace corvalin {
namespace {

using prueba::Buzon;
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
  Buzon<Resultado<T>> buzon;
  llamada(buzon.entregar());
  return buzon.esperar(60000).value_or(ErrorDeSubida(ErrorDeRed{}));
}

Resultado<SubidaHecha> subir(const ConfigDeNube& c, const QByteArray& cuerpo,
                             const QString& tipo = QStringLiteral("image/png")) {
  return esperar<SubidaHecha>([&](auto listo) {
    NubeUploader::subir(c, Cuerpo::datos(cuerpo), tipo, {}, Enviador::puente(), listo);
  });
}

Resultado<EstadoDeNube> estado(const ConfigDeNube& c, int pagina = 1) {
  return esperar<EstadoDeNube>([&](auto listo) { NubeUploader::estado(c, pagina, listo); });
}

Resultado<int> borrar(const ConfigDeNube& c, const NubeUploader::Barrido& b) {
  return esperar<int>([&](auto listo) { NubeUploader::borrar(c, b, listo); });
}

Resultado<NubeUploader::Permiso> permiso(const ConfigDeNube& c, int64_t bytes,
                                         const QString& tipo = QStringLiteral("image/png")) {
  return esperar<NubeUploader::Permiso>(
      [&](auto listo) { NubeUploader::pedirPermiso(c, bytes, tipo, nullptr, listo); });
}

// What a call delivered; when it failed, the failure is reported and an empty value returned.
template <typename T>
T valor(const Resultado<T>& r) {
  if (const auto* e = std::get_if<ErrorDeSubida>(&r)) {
    ADD_FAILURE() << e->descripcion().toStdString();
    return T{};
  }
  return std::get<T>(r);
}

// The service's refusal, or an empty one (and a failure) when there was none.
template <typename T>
NubeError rechazo(const Resultado<T>& r) {
  const auto* e = std::get_if<ErrorDeSubida>(&r);
  if (e && e->nube()) return *e->nube();
  ADD_FAILURE() << "not refused by the service: " << (e ? e->descripcion().toStdString() : "ok");
  return NubeError{};
}

QString descripcion(const Resultado<SubidaHecha>& r) {
  const auto* e = std::get_if<ErrorDeSubida>(&r);
  return e ? e->descripcion() : QStringLiteral("no error");
}

// The key of the object a link stands for.
QString objetoDe(const QUrl& enlace) {
  return QUrl::fromPercentEncoding(enlace.path(QUrl::FullyEncoded).mid(3).toUtf8());
}

class Nube : public ::testing::Test {
 protected:
  void SetUp() override {
    QString porQue;
    bool fallo = false;
    gateway_ = prueba::gateway(&porQue, &fallo);
    if (!gateway_ && fallo) FAIL() << porQue.toStdString();
    if (!gateway_) GTEST_SKIP() << porQue.toStdString();
    ASSERT_TRUE(prueba::crearBucket(*gateway_, prueba::kBucketDeNube));
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

  ConfigDeNube cliente(const NubeLocal& s, const QString& cuenta = cuentaNueva()) {
    return {s.base(), cuenta, 30};
  }

  std::optional<prueba::GatewayS3> gateway_;
};

TEST_F(Nube, APictureAndAVideoGoUpAndTheirLinksGiveThemBackByteForByte) {
  auto s = servidor();
  const ConfigDeNube c = cliente(*s);
  const QByteArray png = azar(300'000);
  const QByteArray mp4 = azar(1'500'000);
  const SubidaHecha foto = valor(subir(c, png));
  EXPECT_EQ(foto.aviso, QStringLiteral("Te quedan 99 subidas hoy"));
  const SubidaHecha video = valor(subir(c, mp4, QStringLiteral("video/mp4")));

  EXPECT_TRUE(foto.url.toString().startsWith(s->base() + QStringLiteral("/f/")));
  EXPECT_TRUE(foto.url.path().endsWith(QStringLiteral(".png")));
  const prueba::Contestacion leida = prueba::abrir(foto.url);
  EXPECT_EQ(leida.estado, 200);
  EXPECT_TRUE(leida.cuerpo == png);
  EXPECT_TRUE(prueba::abrir(video.url).cuerpo == mp4);
  // A link is a redirect to a short-lived address in the store, never the store's keys.
  const prueba::Contestacion salto = prueba::pedir("GET", foto.url);
  EXPECT_EQ(salto.estado, 302);
  EXPECT_NE(salto.ubicacion.find("X-Amz-Signature="), std::string::npos);
  EXPECT_EQ(salto.ubicacion.find(gateway_->secret.toStdString()), std::string::npos);

  const EstadoDeNube cuenta = valor(estado(c));
  EXPECT_EQ(cuenta.plan, QStringLiteral("pro"));
  EXPECT_EQ(cuenta.usado, png.size() + mp4.size());
  EXPECT_EQ(cuenta.cuota, 1LL << 30);
  EXPECT_EQ(cuenta.diario, 100);
  EXPECT_EQ(cuenta.restantesHoy, 98);
  EXPECT_TRUE(cuenta.video);
  EXPECT_EQ(cuenta.retenciones, (QList<int>{7, 30, 90}));
  EXPECT_EQ(cuenta.dias, 30);
  EXPECT_EQ(cuenta.total, 2);
  ASSERT_EQ(cuenta.archivos.size(), 2);
  EXPECT_EQ(cuenta.archivos[0].tipo, QStringLiteral("video/mp4"));
  EXPECT_EQ(cuenta.archivos[0].bytes, mp4.size());
  EXPECT_EQ(cuenta.archivos[1].url, foto.url);
  // Kept for the 30 days asked for.
  const QDateTime cuando = QDateTime::fromString(cuenta.archivos[1].cuando, Qt::ISODate);
  const QDateTime caduca =
      QDateTime::fromString(cuenta.archivos[1].caduca.value_or(QString()), Qt::ISODate);
  EXPECT_EQ(cuando.daysTo(caduca), 30);
  EXPECT_LT(std::abs(cuando.secsTo(QDateTime::currentDateTimeUtc())), 120);
  // Neither the account id nor a link's key is ever written to the log.
  EXPECT_EQ(s->detener(), 0);
  EXPECT_FALSE(s->registro().contains(c.cuenta));
  EXPECT_FALSE(s->registro().contains(objetoDe(foto.url)));
  EXPECT_TRUE(s->registro().contains(QStringLiteral("POST /api/subida.php 200")));
}

TEST_F(Nube, EveryLimitOfThePlanReachesTheUserInTheirOwnWords) {
  auto s = servidor(QStringLiteral("chico"));
  const ConfigDeNube c = cliente(*s);
  const auto muyGrande = subir(c, azar(2001));
  EXPECT_EQ(rechazo(muyGrande).caso, NubeError::Caso::archivoGrande);
  EXPECT_EQ(rechazo(muyGrande).maximo, 2000);
  EXPECT_EQ(descripcion(muyGrande), QStringLiteral("El archivo pasa de 2,0 kB."));
  const auto video = subir(c, azar(10), QStringLiteral("video/mp4"));
  EXPECT_EQ(rechazo(video).caso, NubeError::Caso::videoNoIncluido);
  EXPECT_EQ(descripcion(video), QStringLiteral("Los videos no entran en tu plan."));
  const auto programa = subir(c, azar(10), QStringLiteral("application/x-sharedlib"));
  EXPECT_EQ(rechazo(programa).caso, NubeError::Caso::tipoNoPermitido);
  EXPECT_EQ(descripcion(programa), QStringLiteral("Eso no se puede subir a la nube de Corvalin."));

  // 3000 bytes of quota: two files of 1400 fit, a third doesn't.
  valor(subir(c, azar(1400)));
  EXPECT_EQ(valor(subir(c, azar(1400))).aviso, QStringLiteral("Te queda 1 subida hoy"));
  const auto llena = subir(c, azar(1400));
  EXPECT_EQ(rechazo(llena).caso, NubeError::Caso::cuotaLlena);
  EXPECT_EQ(rechazo(llena).usado, 2800);
  EXPECT_EQ(rechazo(llena).cuota, 3000);
  EXPECT_EQ(descripcion(llena), QStringLiteral("Tu nube está llena: 2,8 kB de 3,0 kB."));
  // The third upload of the day fits; a fourth is over the daily limit of 3.
  valor(subir(c, azar(100)));
  const auto cuarta = subir(c, azar(10));
  EXPECT_EQ(rechazo(cuarta).caso, NubeError::Caso::limiteDiario);
  EXPECT_EQ(rechazo(cuarta).limite, 3);
  // Days are UTC days: the count starts again at the next midnight.
  EXPECT_EQ(QDateTime::fromString(rechazo(cuarta).renueva, Qt::ISODate),
            QDateTime(QDateTime::currentDateTimeUtc().date().addDays(1), QTime(0, 0), Qt::UTC));
  EXPECT_EQ(descripcion(cuarta), QStringLiteral("Ya subiste tus 3 capturas de hoy."));

  // The state tells the same, and a retention the plan doesn't offer falls to one it does.
  const EstadoDeNube e = valor(estado(c));
  EXPECT_EQ(e.restantesHoy, 0);
  EXPECT_EQ(e.usado, 2900);
  EXPECT_FALSE(e.video);
  EXPECT_EQ(e.dias, 7);

  // Another account on the same plan has its own counts.
  valor(subir(cliente(*s), azar(100)));
}

TEST_F(Nube, TheModelPagesByEightNewestFirstAndDeletesByEachRule) {
  auto s = servidor();
  const ConfigDeNube c = cliente(*s);
  QList<QString> objetos;
  QList<QUrl> enlaces;
  for (int i = 0; i < 10; ++i) {
    enlaces << valor(subir(c, QByteArray::number(i).repeated(50))).url;
    objetos << objetoDe(enlaces.last());
  }
  // Uploads of the same second are told apart by their keys only; age them a minute apart.
  for (int i = 0; i < 10; ++i) {
    ASSERT_TRUE(
        s->sql(QStringLiteral("UPDATE archivos SET cuando = cuando - %1 WHERE objeto = '%2'")
                   .arg((10 - i) * 60)
                   .arg(objetos[i])));
  }
  NubeModelo modelo([c] { return c; });
  auto cargado = [&] { return prueba::esperarHasta([&] { return !modelo.cargando(); }, 30000); };
  modelo.cargar(1);
  ASSERT_TRUE(cargado());
  ASSERT_TRUE(modelo.estado()) << modelo.problema().toStdString();
  EXPECT_EQ(modelo.estado()->total, 10);
  EXPECT_EQ(modelo.estado()->paginas, 2);
  ASSERT_EQ(modelo.estado()->archivos.size(), 8);
  EXPECT_EQ(modelo.estado()->archivos.first().url, enlaces[9]);
  modelo.cargar(2);
  ASSERT_TRUE(cargado());
  ASSERT_EQ(modelo.estado()->archivos.size(), 2);
  EXPECT_EQ(modelo.estado()->pagina, 2);
  EXPECT_EQ(modelo.estado()->archivos.last().url, enlaces[0]);

  // Files seen in the store (the sweep's work once their slots are over) are deleted from it
  // at once; the three oldest are made 40 days old.
  ASSERT_TRUE(s->sql(QStringLiteral("UPDATE archivos SET confirmado = 1, ranura_hasta = 0")));
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(s->sql(
        QStringLiteral("UPDATE archivos SET cuando = cuando - 40 * 86400 WHERE objeto = '%1'")
            .arg(objetos[i])));
  }
  EXPECT_EQ(valor(borrar(c, NubeUploader::Barrido::deObjeto(objetos[9]))), 1);
  EXPECT_EQ(prueba::estadoDelObjeto(*gateway_, objetos[9]), 404);
  EXPECT_EQ(prueba::pedir("GET", enlaces[9]).estado, 404);
  // Someone else's file, or one already gone, is not found.
  EXPECT_EQ(rechazo(borrar(cliente(*s), NubeUploader::Barrido::deObjeto(objetos[8]))).mensaje,
            QStringLiteral("Ese archivo ya no está en tu nube."));
  EXPECT_EQ(prueba::estadoDelObjeto(*gateway_, objetos[8]), 200);

  modelo.borrar(NubeUploader::Barrido::masViejosQue(30));
  ASSERT_TRUE(prueba::esperarHasta(
      [&] { return !modelo.cargando() && modelo.estado()->total == 6; }, 30000))
      << modelo.problema().toStdString();
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(prueba::estadoDelObjeto(*gateway_, objetos[i]), i < 3 ? 404 : 200) << i;
  }
  EXPECT_EQ(modelo.pagina(), 1);

  EXPECT_EQ(valor(borrar(c, NubeUploader::Barrido::todo())), 6);
  for (int i = 3; i < 9; ++i) EXPECT_EQ(prueba::estadoDelObjeto(*gateway_, objetos[i]), 404);
  const EstadoDeNube vacia = valor(estado(c));
  EXPECT_EQ(vacia.total, 0);
  EXPECT_EQ(vacia.usado, 0);
  // Deleting gives space back, not the day's uploads.
  EXPECT_EQ(vacia.restantesHoy, 90);
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

  // Under a public base (a bucket served as it is), the links are the files' addresses there.
  auto publica =
      servidor(QStringLiteral("pro\n[s3]\nbase_publica = https://files.example.com/nube/"));
  const QString enlace = valor(permiso(cliente(*publica), 10)).url.toString();
  EXPECT_TRUE(QRegularExpression(
                  QStringLiteral("^https://files\\.example\\.com/nube/[0-9A-Za-z]{22}\\.png$"))
                  .match(enlace)
                  .hasMatch())
      << enlace.toStdString();
}

TEST_F(Nube, ARestartKeepsUsageAndTheSweepSettlesExpiredFilesAndUnusedSlots) {
  auto s = servidor();
  const ConfigDeNube c = cliente(*s);
  QList<QUrl> enlaces;
  for (int i = 0; i < 3; ++i) enlaces << valor(subir(c, azar(1000 + i))).url;
  valor(permiso(c, 500));  // a slot never used
  EXPECT_EQ(s->detener(), 0);
  EXPECT_TRUE(s->registro().contains(QStringLiteral("stopping")));

  ASSERT_TRUE(s->arrancar()) << s->registro().toStdString();
  EstadoDeNube e = valor(estado(c));
  EXPECT_EQ(e.total, 4);
  EXPECT_EQ(e.usado, 1000 + 1001 + 1002 + 500);
  EXPECT_EQ(e.restantesHoy, 96);

  // One file expires and every slot ends more than an hour ago; the start-up sweep deletes the
  // expired file from the store, confirms the uploads and releases the slot never used.
  ASSERT_TRUE(s->sql(QStringLiteral("UPDATE archivos SET ranura_hasta = 0")));
  ASSERT_TRUE(s->sql(QStringLiteral("UPDATE archivos SET caduca = 1 WHERE objeto = '%1'")
                         .arg(objetoDe(enlaces[0]))));
  EXPECT_EQ(s->detener(), 0);
  ASSERT_TRUE(s->arrancar()) << s->registro().toStdString();
  ASSERT_TRUE(prueba::esperarHasta([&] { return s->registro().contains(QStringLiteral("sweep:")); },
                                   20000));
  EXPECT_TRUE(s->registro().contains(
      QStringLiteral("sweep: 1 expired deleted, 2 uploads confirmed, 1 unused slots released")))
      << s->registro().toStdString();
  EXPECT_EQ(prueba::estadoDelObjeto(*gateway_, objetoDe(enlaces[0])), 404);
  EXPECT_EQ(prueba::pedir("GET", enlaces[0]).estado, 404);
  EXPECT_EQ(prueba::abrir(enlaces[1]).estado, 200);
  e = valor(estado(c));
  EXPECT_EQ(e.total, 2);
  EXPECT_EQ(e.usado, 1001 + 1002);
  EXPECT_EQ(e.restantesHoy, 97);
  EXPECT_EQ(s->numero(QStringLiteral("SELECT COUNT(*) FROM archivos WHERE confirmado = 1")), 2);
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
  auto pedido = [&](const QByteArray& cuerpo,
                    const std::map<std::string, std::string>& cabeceras = {}) {
    return prueba::pedir("POST", subida, cuerpo, cabeceras);
  };
  const QByteArray bien =
      QStringLiteral(R"({"cuenta":"%1","bytes":10,"tipo":"image/png"})").arg(conocida).toUtf8();
  for (const QByteArray& malo :
       {QByteArray("not json"), QByteArray("[1,2]"),
        QByteArray(bien).replace("\"bytes\":10", "\"bytes\":\"10\""),
        QByteArray(bien).replace("\"bytes\":10", "\"bytes\":10.5"),
        QByteArray(bien).replace("\"bytes\":10", "\"bytes\":-3"),
        QByteArray(bien).replace("\"image/png\"", "7"), QByteArray(bien).chopped(1),
        QByteArray(bien) + "{}", QByteArray(R"({"bytes":10,"tipo":"image/png"})")}) {
    const prueba::Contestacion r = pedido(malo);
    EXPECT_EQ(r.estado, 400) << malo.toStdString();
    EXPECT_EQ(motivo(r), QStringLiteral("peticion_invalida")) << malo.toStdString();
  }
  const prueba::Contestacion enorme =
      pedido(QByteArray(bien).insert(1, "\"relleno\":\"" + QByteArray(4096, 'x') + "\","));
  EXPECT_EQ(enorme.estado, 413);
  EXPECT_EQ(motivo(enorme), QStringLiteral("peticion_grande"));
  EXPECT_EQ(pedido(bien, {{"Content-Type", "text/plain"}}).estado, 415);
  const prueba::Contestacion ninguna =
      prueba::pedir("POST", QUrl(s->base() + QStringLiteral("/api/otra.php")), bien);
  EXPECT_EQ(ninguna.estado, 404);
  EXPECT_EQ(motivo(ninguna), QStringLiteral("no_existe"));

  // An account the server doesn't list, through the app: its message, in its language.
  const ConfigDeNube extrana{s->base(), cuentaNueva(), 7};
  const auto r = subir(extrana, "x");
  rechazo(r);
  EXPECT_EQ(descripcion(r), QStringLiteral("Este servidor no conoce tu cuenta."));
  fijarIdiomaActual(Idioma::ingles);
  EXPECT_EQ(rechazo(estado(extrana)).descripcion(),
            QStringLiteral("This server doesn't know your account."));
  fijarIdiomaActual(Idioma::español);

  // Only the listed account was registered, and no slot was handed out.
  EXPECT_EQ(s->numero(QStringLiteral("SELECT COUNT(*) FROM cuentas")), 1);
  EXPECT_EQ(s->numero(QStringLiteral("SELECT COUNT(*) FROM archivos")), 0);

  // The listed account: three slot requests a minute, then it is told to wait.
  const ConfigDeNube listada{s->base(), conocida, 7};
  for (int i = 0; i < 3; ++i) valor(permiso(listada, 10));
  const prueba::Contestacion cuarta = pedido(bien);
  EXPECT_EQ(cuarta.estado, 429);
  EXPECT_EQ(motivo(cuarta), QStringLiteral("demasiadas_peticiones"));
  EXPECT_EQ(s->numero(QStringLiteral("SELECT COUNT(*) FROM archivos")), 3);
  // Reading the state is not rate limited.
  valor(estado(listada));
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

  prueba::GatewayS3 otra = *gateway_;
  otra.secret = QStringLiteral("not-the-secret-0123456789abcdefghijklmn");
  NubeLocal rechazada(otra);
  EXPECT_FALSE(rechazada.arrancar());
  EXPECT_TRUE(rechazada.registro().contains(QStringLiteral("refused the keys")))
      << rechazada.registro().toStdString();
}

TEST(NubeConfiguracion, MistakesInTheFileAreNamedWithTheirLine) {
  QProcess p;
  QTemporaryDir dir;
  auto comprobar = [&](const QByteArray& texto) {
    QFile f(dir.filePath(QStringLiteral("c.conf")));
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(texto);
    f.close();
    p.start(QStringLiteral(CORVALIN_CLOUD),
            {QStringLiteral("--config"), f.fileName(), QStringLiteral("--check")});
    p.waitForFinished(10000);
    return std::pair{p.exitCode(),
                     QString::fromUtf8(p.readAllStandardError() + p.readAllStandardOutput())};
  };
  const QByteArray base =
      "[s3]\nendpoint = http://127.0.0.1:9\nbucket = b\naccess_key = a\nsecret_key = s\n";
  EXPECT_EQ(comprobar(base).first, 0);
  const auto errata = comprobar(base + "[servidor]\npuert = 80\n");
  EXPECT_EQ(errata.first, 1);
  EXPECT_TRUE(errata.second.contains(QStringLiteral("line 7: unknown key puert")))
      << errata.second.toStdString();
  EXPECT_TRUE(comprobar(base + "[plan x]\ncuota = mucho\n")
                  .second.contains(QStringLiteral("line 7: bad value for cuota")));
  EXPECT_TRUE(comprobar(base + "[cuentas]\nabcdefgh = oro\n")
                  .second.contains(QStringLiteral("no [plan oro]")));
  EXPECT_TRUE(
      comprobar("[s3]\nendpoint = ftp://x\nbucket = b\naccess_key = a\nsecret_key = s\n").first ==
      1);
  EXPECT_EQ(comprobar("[s3]\nbucket = b\n").first, 1);
  // The example shipped beside the server is valid as it stands.
  QFile ejemplo(QStringLiteral(CORVALIN_CLOUD_EJEMPLO));
  ASSERT_TRUE(ejemplo.open(QIODevice::ReadOnly));
  p.setProcessEnvironment([] {
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert(QStringLiteral("S3_ACCESS_KEY"), QStringLiteral("a"));
    e.insert(QStringLiteral("S3_SECRET_KEY"), QStringLiteral("s"));
    return e;
  }());
  const auto valido = comprobar(ejemplo.readAll());
  EXPECT_EQ(valido.first, 0) << valido.second.toStdString();
}

}  // namespace
}  // namespace corvalin
