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

Resultado<SubidaHecha> subir(const ConfigDeNube& c, const QByteArray& cuerpo,
                             const QString& tipo = QStringLiteral("image/png")) {
  Buzon<Resultado<SubidaHecha>> buzon;
  NubeUploader::subir(c, Cuerpo::datos(cuerpo), tipo, {}, Enviador::puente(), buzon.entregar());
  return buzon.esperar(60000).value_or(ErrorDeSubida(ErrorDeRed{}));
}

Resultado<EstadoDeNube> estado(const ConfigDeNube& c, int pagina = 1) {
  Buzon<Resultado<EstadoDeNube>> buzon;
  NubeUploader::estado(c, pagina, buzon.entregar());
  return buzon.esperar(60000).value_or(ErrorDeSubida(ErrorDeRed{}));
}

Resultado<int> borrar(const ConfigDeNube& c, const NubeUploader::Barrido& b) {
  Buzon<Resultado<int>> buzon;
  NubeUploader::borrar(c, b, buzon.entregar());
  return buzon.esperar(60000).value_or(ErrorDeSubida(ErrorDeRed{}));
}

Resultado<NubeUploader::Permiso> permiso(const ConfigDeNube& c, int64_t bytes,
                                         const QString& tipo) {
  Buzon<Resultado<NubeUploader::Permiso>> buzon;
  NubeUploader::pedirPermiso(c, bytes, tipo, nullptr, buzon.entregar());
  return buzon.esperar(60000).value_or(ErrorDeSubida(ErrorDeRed{}));
}

template <typename T>
const NubeError* nubeError(const Resultado<T>& r) {
  const auto* e = std::get_if<ErrorDeSubida>(&r);
  return e ? e->nube() : nullptr;
}

template <typename T>
std::string porQue(const Resultado<T>& r) {
  const auto* e = std::get_if<ErrorDeSubida>(&r);
  return e ? e->descripcion().toStdString() : std::string("no error");
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

  // A server with the suite's plans; `lineas` go into [servidor] (after the plans when they
  // open a section of their own).
  std::unique_ptr<NubeLocal> servidor(const QString& lineas = {}) {
    auto s = std::make_unique<NubeLocal>(*gateway_, kPlanes + lineas);
    EXPECT_TRUE(s->arrancar()) << s->registro().toStdString();
    return s;
  }

  ConfigDeNube cliente(const NubeLocal& s, const QString& cuenta = cuentaNueva()) {
    return {s.base(), cuenta, 30};
  }

  std::optional<prueba::GatewayS3> gateway_;
};

TEST_F(Nube, APictureAndAVideoGoUpAndTheirLinksGiveThemBackByteForByte) {
  auto s = servidor(QStringLiteral("[servidor]\nplan_por_defecto = pro\n"));
  const ConfigDeNube c = cliente(*s);
  const QByteArray png = azar(300'000);
  const QByteArray mp4 = azar(1'500'000);
  const auto foto = subir(c, png);
  ASSERT_TRUE(std::holds_alternative<SubidaHecha>(foto)) << porQue(foto);
  EXPECT_EQ(std::get<SubidaHecha>(foto).aviso, QStringLiteral("Te quedan 99 subidas hoy"));
  const auto video = subir(c, mp4, QStringLiteral("video/mp4"));
  ASSERT_TRUE(std::holds_alternative<SubidaHecha>(video)) << porQue(video);

  const QUrl enlaceFoto = std::get<SubidaHecha>(foto).url;
  EXPECT_TRUE(enlaceFoto.toString().startsWith(s->base() + QStringLiteral("/f/")));
  EXPECT_TRUE(enlaceFoto.path().endsWith(QStringLiteral(".png")));
  const prueba::Contestacion leida = prueba::abrir(enlaceFoto);
  EXPECT_EQ(leida.estado, 200);
  EXPECT_TRUE(leida.cuerpo == png);
  EXPECT_TRUE(prueba::abrir(std::get<SubidaHecha>(video).url).cuerpo == mp4);
  // A link is a redirect to a short-lived address in the store, never the store's keys.
  const prueba::Contestacion salto = prueba::pedir("GET", enlaceFoto);
  EXPECT_EQ(salto.estado, 302);
  EXPECT_NE(salto.ubicacion.find("X-Amz-Signature="), std::string::npos);
  EXPECT_EQ(salto.ubicacion.find(gateway_->secret.toStdString()), std::string::npos);

  const auto e = estado(c);
  ASSERT_TRUE(std::holds_alternative<EstadoDeNube>(e)) << porQue(e);
  const EstadoDeNube& cuenta = std::get<EstadoDeNube>(e);
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
  EXPECT_EQ(cuenta.archivos[1].url, enlaceFoto);
  // Kept for the 30 days asked for.
  const QDateTime cuando = QDateTime::fromString(cuenta.archivos[1].cuando, Qt::ISODate);
  const QDateTime caduca =
      QDateTime::fromString(cuenta.archivos[1].caduca.value_or(QString()), Qt::ISODate);
  EXPECT_EQ(cuando.daysTo(caduca), 30);
  EXPECT_LT(std::abs(cuando.secsTo(QDateTime::currentDateTimeUtc())), 120);
  // Neither the account id nor a link's key is ever written to the log.
  EXPECT_EQ(s->detener(), 0);
  EXPECT_FALSE(s->registro().contains(c.cuenta));
  EXPECT_FALSE(s->registro().contains(objetoDe(enlaceFoto)));
  EXPECT_TRUE(s->registro().contains(QStringLiteral("POST /api/subida.php 200")));
}

TEST_F(Nube, EveryLimitOfThePlanReachesTheUserInTheirOwnWords) {
  auto s = servidor(QStringLiteral("[servidor]\nplan_por_defecto = chico\n"));
  const ConfigDeNube c = cliente(*s);
  const auto grande = subir(c, azar(2001));
  ASSERT_NE(nubeError(grande), nullptr) << porQue(grande);
  EXPECT_EQ(nubeError(grande)->caso, NubeError::Caso::archivoGrande);
  EXPECT_EQ(nubeError(grande)->maximo, 2000);
  const auto video = subir(c, azar(10), QStringLiteral("video/mp4"));
  ASSERT_NE(nubeError(video), nullptr);
  EXPECT_EQ(nubeError(video)->caso, NubeError::Caso::videoNoIncluido);
  EXPECT_EQ(std::get<ErrorDeSubida>(video).descripcion(),
            QStringLiteral("Los videos no entran en tu plan."));
  const auto programa = subir(c, azar(10), QStringLiteral("application/x-sharedlib"));
  ASSERT_NE(nubeError(programa), nullptr);
  EXPECT_EQ(nubeError(programa)->caso, NubeError::Caso::tipoNoPermitido);

  // 3000 bytes of quota: two files of 1400 fit, a third doesn't.
  ASSERT_TRUE(std::holds_alternative<SubidaHecha>(subir(c, azar(1400))));
  const auto segunda = subir(c, azar(1400));
  ASSERT_TRUE(std::holds_alternative<SubidaHecha>(segunda)) << porQue(segunda);
  EXPECT_EQ(std::get<SubidaHecha>(segunda).aviso, QStringLiteral("Te queda 1 subida hoy"));
  const auto llena = subir(c, azar(1400));
  ASSERT_NE(nubeError(llena), nullptr) << porQue(llena);
  EXPECT_EQ(nubeError(llena)->caso, NubeError::Caso::cuotaLlena);
  EXPECT_EQ(nubeError(llena)->usado, 2800);
  EXPECT_EQ(nubeError(llena)->cuota, 3000);
  // The third upload of the day fits; a fourth is over the daily limit of 3.
  ASSERT_TRUE(std::holds_alternative<SubidaHecha>(subir(c, azar(100))));
  const auto cuarta = subir(c, azar(10));
  ASSERT_NE(nubeError(cuarta), nullptr) << porQue(cuarta);
  EXPECT_EQ(nubeError(cuarta)->caso, NubeError::Caso::limiteDiario);
  EXPECT_EQ(nubeError(cuarta)->limite, 3);
  // Days are UTC days: the count starts again at the next midnight.
  EXPECT_EQ(QDateTime::fromString(nubeError(cuarta)->renueva, Qt::ISODate),
            QDateTime(QDateTime::currentDateTimeUtc().date().addDays(1), QTime(0, 0), Qt::UTC));
  EXPECT_EQ(std::get<ErrorDeSubida>(cuarta).descripcion(),
            QStringLiteral("Ya subiste tus 3 capturas de hoy."));

  // The state tells the same, and a retention the plan doesn't offer falls to one it does.
  const auto e = estado(c);
  ASSERT_TRUE(std::holds_alternative<EstadoDeNube>(e)) << porQue(e);
  EXPECT_EQ(std::get<EstadoDeNube>(e).restantesHoy, 0);
  EXPECT_EQ(std::get<EstadoDeNube>(e).usado, 2900);
  EXPECT_FALSE(std::get<EstadoDeNube>(e).video);
  EXPECT_EQ(std::get<EstadoDeNube>(e).dias, 7);

  // Another account on the same plan has its own counts.
  EXPECT_TRUE(std::holds_alternative<SubidaHecha>(subir(cliente(*s), azar(100))));
}

TEST_F(Nube, TheModelPagesByEightNewestFirstAndDeletesByEachRule) {
  auto s = servidor(QStringLiteral("[servidor]\nplan_por_defecto = pro\n"));
  const ConfigDeNube c = cliente(*s);
  QList<QUrl> enlaces;
  for (int i = 0; i < 10; ++i) {
    const auto r = subir(c, QByteArray::number(i).repeated(50));
    ASSERT_TRUE(std::holds_alternative<SubidaHecha>(r)) << porQue(r);
    enlaces << std::get<SubidaHecha>(r).url;
  }
  // Uploads of the same second are told apart by their keys only; age them a minute apart.
  for (int i = 0; i < 10; ++i) {
    ASSERT_TRUE(
        s->sql(QStringLiteral("UPDATE archivos SET cuando = cuando - %1 WHERE objeto = '%2'")
                   .arg((10 - i) * 60)
                   .arg(objetoDe(enlaces[i]))));
  }
  NubeModelo modelo([c] { return c; });
  modelo.cargar(1);
  ASSERT_TRUE(prueba::esperarHasta([&] { return !modelo.cargando(); }, 30000));
  ASSERT_TRUE(modelo.estado()) << modelo.problema().toStdString();
  EXPECT_EQ(modelo.estado()->total, 10);
  EXPECT_EQ(modelo.estado()->paginas, 2);
  ASSERT_EQ(modelo.estado()->archivos.size(), 8);
  EXPECT_EQ(modelo.estado()->archivos.first().url, enlaces[9]);
  modelo.cargar(2);
  ASSERT_TRUE(prueba::esperarHasta([&] { return !modelo.cargando(); }, 30000));
  ASSERT_EQ(modelo.estado()->archivos.size(), 2);
  EXPECT_EQ(modelo.estado()->pagina, 2);
  EXPECT_EQ(modelo.estado()->archivos.last().url, enlaces[0]);

  // Files seen in the store (the sweep's work once their slots are over) are deleted from it
  // at once; the three oldest are made 40 days old.
  ASSERT_TRUE(s->sql(QStringLiteral("UPDATE archivos SET confirmado = 1, ranura_hasta = 0")));
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(s->sql(
        QStringLiteral("UPDATE archivos SET cuando = cuando - 40 * 86400 WHERE objeto = '%1'")
            .arg(objetoDe(enlaces[i]))));
  }
  const auto uno = borrar(c, NubeUploader::Barrido::deObjeto(objetoDe(enlaces[9])));
  ASSERT_TRUE(std::holds_alternative<int>(uno)) << porQue(uno);
  EXPECT_EQ(std::get<int>(uno), 1);
  EXPECT_EQ(prueba::estadoDelObjeto(*gateway_, objetoDe(enlaces[9])), 404);
  EXPECT_EQ(prueba::pedir("GET", enlaces[9]).estado, 404);
  // Someone else's file, or one already gone, is not found.
  const auto ajeno = borrar(cliente(*s), NubeUploader::Barrido::deObjeto(objetoDe(enlaces[8])));
  ASSERT_NE(nubeError(ajeno), nullptr);
  EXPECT_EQ(nubeError(ajeno)->mensaje, QStringLiteral("Ese archivo ya no está en tu nube."));
  EXPECT_EQ(prueba::estadoDelObjeto(*gateway_, objetoDe(enlaces[8])), 200);

  modelo.borrar(NubeUploader::Barrido::masViejosQue(30));
  ASSERT_TRUE(prueba::esperarHasta(
      [&] { return !modelo.cargando() && modelo.estado()->total == 6; }, 30000))
      << modelo.problema().toStdString();
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(prueba::estadoDelObjeto(*gateway_, objetoDe(enlaces[i])), 404);
  EXPECT_EQ(prueba::estadoDelObjeto(*gateway_, objetoDe(enlaces[3])), 200);
  EXPECT_EQ(modelo.pagina(), 1);

  const auto todo = borrar(c, NubeUploader::Barrido::todo());
  ASSERT_TRUE(std::holds_alternative<int>(todo)) << porQue(todo);
  EXPECT_EQ(std::get<int>(todo), 6);
  for (int i = 3; i < 9; ++i)
    EXPECT_EQ(prueba::estadoDelObjeto(*gateway_, objetoDe(enlaces[i])), 404);
  const auto vacia = estado(c);
  ASSERT_TRUE(std::holds_alternative<EstadoDeNube>(vacia));
  EXPECT_EQ(std::get<EstadoDeNube>(vacia).total, 0);
  EXPECT_EQ(std::get<EstadoDeNube>(vacia).usado, 0);
  // Deleting gives space back, not the day's uploads.
  EXPECT_EQ(std::get<EstadoDeNube>(vacia).restantesHoy, 90);
}

TEST_F(Nube, AFileDeletedWhileItsSlotIsOpenLeavesTheStoreWhenTheSlotIsOver) {
  auto s = servidor(QStringLiteral("[servidor]\nplan_por_defecto = pro\n"));
  const ConfigDeNube c = cliente(*s);
  const auto p = permiso(c, 4, QStringLiteral("image/png"));
  ASSERT_TRUE(std::holds_alternative<NubeUploader::Permiso>(p)) << porQue(p);
  const auto& slot = std::get<NubeUploader::Permiso>(p);
  ASSERT_EQ(std::get<int>(borrar(c, NubeUploader::Barrido::todo())), 1);
  // The slot can still be used: the object arrives after the file was deleted...
  EXPECT_EQ(prueba::pedir("PUT", slot.put, "late", {{"Content-Type", "image/png"}}).estado, 200);
  EXPECT_EQ(prueba::pedir("GET", slot.url).estado, 404);
  EXPECT_EQ(std::get<EstadoDeNube>(estado(c)).total, 0);
  // ...and goes at the first sweep after the slot's end (a restart sweeps at once).
  ASSERT_TRUE(s->sql(QStringLiteral("UPDATE archivos SET caduca = 0")));
  EXPECT_EQ(s->detener(), 0);
  ASSERT_TRUE(s->arrancar()) << s->registro().toStdString();
  EXPECT_TRUE(prueba::esperarHasta(
      [&] { return s->numero(QStringLiteral("SELECT COUNT(*) FROM archivos")) == 0; }, 20000));
  EXPECT_EQ(prueba::estadoDelObjeto(*gateway_, objetoDe(slot.url)), 404);
}

TEST_F(Nube, ASlotTakesOnlyTheBodyAndTypeItWasGivenFor) {
  auto s = servidor(QStringLiteral("[servidor]\nplan_por_defecto = pro\n"));
  const auto p = permiso(cliente(*s), 100, QStringLiteral("image/png"));
  ASSERT_TRUE(std::holds_alternative<NubeUploader::Permiso>(p)) << porQue(p);
  const QUrl put = std::get<NubeUploader::Permiso>(p).put;
  EXPECT_EQ(prueba::pedir("PUT", put, azar(5000), {{"Content-Type", "image/png"}}).estado, 403);
  EXPECT_EQ(prueba::pedir("PUT", put, azar(100), {{"Content-Type", "text/html"}}).estado, 403);
  const QByteArray cuerpo = azar(100);
  EXPECT_EQ(prueba::pedir("PUT", put, cuerpo, {{"Content-Type", "image/png"}}).estado, 200);
  EXPECT_TRUE(prueba::abrir(std::get<NubeUploader::Permiso>(p).url).cuerpo == cuerpo);

  // Under a public base (a bucket served as it is), the links are the files' addresses there.
  NubeLocal publica(
      *gateway_,
      kPlanes + QStringLiteral("[servidor]\nplan_por_defecto = pro\n"
                               "[s3]\nbase_publica = https://files.example.com/nube/\n"));
  ASSERT_TRUE(publica.arrancar()) << publica.registro().toStdString();
  const auto q = permiso(cliente(publica), 10, QStringLiteral("image/png"));
  ASSERT_TRUE(std::holds_alternative<NubeUploader::Permiso>(q)) << porQue(q);
  const QString enlace = std::get<NubeUploader::Permiso>(q).url.toString();
  EXPECT_TRUE(QRegularExpression(
                  QStringLiteral("^https://files\\.example\\.com/nube/[0-9A-Za-z]{22}\\.png$"))
                  .match(enlace)
                  .hasMatch())
      << enlace.toStdString();
}

TEST_F(Nube, ARestartKeepsUsageAndTheSweepSettlesExpiredFilesAndUnusedSlots) {
  auto s = servidor(QStringLiteral("[servidor]\nplan_por_defecto = pro\n"));
  const ConfigDeNube c = cliente(*s);
  QList<QUrl> enlaces;
  for (int i = 0; i < 3; ++i) {
    const auto r = subir(c, azar(1000 + i));
    ASSERT_TRUE(std::holds_alternative<SubidaHecha>(r)) << porQue(r);
    enlaces << std::get<SubidaHecha>(r).url;
  }
  const auto nunca = permiso(c, 500, QStringLiteral("image/png"));  // a slot never used
  ASSERT_TRUE(std::holds_alternative<NubeUploader::Permiso>(nunca));
  EXPECT_EQ(s->detener(), 0);
  EXPECT_TRUE(s->registro().contains(QStringLiteral("stopping")));

  ASSERT_TRUE(s->arrancar()) << s->registro().toStdString();
  auto e = estado(c);
  ASSERT_TRUE(std::holds_alternative<EstadoDeNube>(e)) << porQue(e);
  EXPECT_EQ(std::get<EstadoDeNube>(e).total, 4);
  EXPECT_EQ(std::get<EstadoDeNube>(e).usado, 1000 + 1001 + 1002 + 500);
  EXPECT_EQ(std::get<EstadoDeNube>(e).restantesHoy, 96);

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
  e = estado(c);
  ASSERT_TRUE(std::holds_alternative<EstadoDeNube>(e));
  EXPECT_EQ(std::get<EstadoDeNube>(e).total, 2);
  EXPECT_EQ(std::get<EstadoDeNube>(e).usado, 1001 + 1002);
  EXPECT_EQ(std::get<EstadoDeNube>(e).restantesHoy, 97);
  EXPECT_EQ(s->numero(QStringLiteral("SELECT COUNT(*) FROM archivos WHERE confirmado = 1")), 2);
}

TEST_F(Nube, BadRequestsAreRefusedBeforeAnythingReachesTheStore) {
  const QString conocida = cuentaNueva();
  auto s =
      servidor(QStringLiteral(
                   "[servidor]\nregistro = lista\npeticiones_por_minuto = 3\ncuerpo_maximo = 1024\n"
                   "[cuentas]\n%1 = chico\n")
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
  ASSERT_NE(nubeError(r), nullptr) << porQue(r);
  EXPECT_EQ(std::get<ErrorDeSubida>(r).descripcion(),
            QStringLiteral("Este servidor no conoce tu cuenta."));
  fijarIdiomaActual(Idioma::ingles);
  EXPECT_EQ(std::get<ErrorDeSubida>(estado(extrana)).descripcion(),
            QStringLiteral("This server doesn't know your account."));
  fijarIdiomaActual(Idioma::español);

  // Only the listed account was registered, and no slot was handed out.
  EXPECT_EQ(s->numero(QStringLiteral("SELECT COUNT(*) FROM cuentas")), 1);
  EXPECT_EQ(s->numero(QStringLiteral("SELECT COUNT(*) FROM archivos")), 0);

  // The listed account: three slot requests a minute, then it is told to wait.
  const ConfigDeNube listada{s->base(), conocida, 7};
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(std::holds_alternative<NubeUploader::Permiso>(
        permiso(listada, 10, QStringLiteral("image/png"))));
  }
  const prueba::Contestacion cuarta = pedido(bien);
  EXPECT_EQ(cuarta.estado, 429);
  EXPECT_EQ(motivo(cuarta), QStringLiteral("demasiadas_peticiones"));
  EXPECT_EQ(s->numero(QStringLiteral("SELECT COUNT(*) FROM archivos")), 3);
  // Reading the state is not rate limited.
  EXPECT_TRUE(std::holds_alternative<EstadoDeNube>(estado(listada)));
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
  const auto r = subir(cliente(nueva), "x");
  EXPECT_TRUE(std::holds_alternative<SubidaHecha>(r)) << porQue(r);

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
