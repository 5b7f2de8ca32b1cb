// The hosted service's client against replies the real server (tests/cloud, where every refusal
// of a plan is) never gives: messages of its own, broken answers and slots, a store that fails,
// a deletion that fails, and an answer overtaken by a newer one.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QTest>

#include "apoyo.h"
#include "core/texts.h"
#include "upload/nube_modelo.h"
#include "upload/nube_uploader.h"

namespace corvalin {
namespace {

using prueba::PeticionRecibida;
using prueba::Respuesta;
using prueba::ServidorLocal;

Respuesta json(int estado, const QJsonObject& o) {
  return {estado, QJsonDocument(o).toJson(QJsonDocument::Compact), "application/json"};
}

ConfigDeNube config(const ServidorLocal& s) {
  return {s.base() + "/", "cuenta-1", 30};
}

TEST(Nube, RepliesTheRealServerNeverGivesReachTheUserInTheirOwnWords) {
  fijarIdiomaActual(Idioma::español);
  Respuesta permiso;
  Respuesta alSubir{200, {}};
  ServidorLocal servidor(
      [&](const PeticionRecibida& p) { return p.ruta == "/api/subida.php" ? permiso : alSubir; });
  auto subir = [&](const ConfigDeNube& c) {
    prueba::Buzon<Resultado<SubidaHecha>> buzon;
    NubeUploader::subir(c, Cuerpo::datos("x"), "image/png", {}, Enviador::puente(),
                        buzon.entregar());
    const auto r = buzon.esperar();
    const auto* e = r ? std::get_if<ErrorDeSubida>(&*r) : nullptr;
    return e ? e->descripcion() : QStringLiteral("no error");
  };
  const Respuesta ranura =
      json(200, {{"put", servidor.base() + "/slot"}, {"url", "https://x.example/1"}});
  const struct {
    Respuesta permiso, alSubir;
    const char* texto;
  } casos[] = {
      {json(500, {{"motivo", "otra_cosa"}, {"mensaje", "Mantenimiento"}}), {}, "Mantenimiento"},
      // A slot elsewhere than the web would have the upload write to a local file.
      {json(200, {{"put", "file:///tmp/robado"}, {"url", "https://x.example/1"}}),
       {},
       "Falta el permiso de subida"},
      // A page of HTML where the service's JSON should be (a proxy's error page).
      {{502, "<html>Bad gateway</html>", "text/html"},
       {},
       "El servidor contestó algo que no entendí"},
      {ranura, {503, {}}, "Backblaze respondió 503"},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.texto);
    permiso = caso.permiso;
    alSubir = caso.alSubir;
    EXPECT_EQ(subir(config(servidor)), QString::fromUtf8(caso.texto));
  }

  const qsizetype antes = servidor.peticiones.size();
  EXPECT_EQ(subir({"", "c", 30}),
            QStringLiteral("La nube de Corvalin no está configurada en este equipo: falta la "
                           "dirección del servidor."));
  EXPECT_EQ(servidor.peticiones.size(), antes);
}

TEST(Nube, AFailedDeletionIsShownOverWhatTheModelShowedAndALateAnswerIsDropped) {
  fijarIdiomaActual(Idioma::español);
  ServidorLocal servidor([&](const PeticionRecibida& p) {
    if (p.ruta == "/api/borrar.php") return json(500, {{"mensaje", "No se pudo borrar"}});
    const int pagina = QJsonDocument::fromJson(p.cuerpo).object()["pagina"].toInt();
    Respuesta r = json(200, {{"pagina", pagina}, {"paginas", 3}, {"total", 20}});
    r.retrasoMs = pagina == 1 ? 300 : 0;
    return r;
  });
  NubeModelo modelo([&] { return config(servidor); });
  modelo.cargar(1);
  modelo.cargar(3);
  ASSERT_TRUE(prueba::esperarHasta([&] { return !modelo.cargando(); }));
  QTest::qWait(600);  // page 1's late answer has come and gone
  EXPECT_EQ(modelo.estado()->pagina, 3);

  modelo.borrar(NubeUploader::Barrido::todo());
  ASSERT_TRUE(prueba::esperarHasta([&] { return !modelo.cargando(); }));
  EXPECT_EQ(modelo.problema(), QStringLiteral("No se pudo borrar"));
  EXPECT_EQ(modelo.estado().value_or(EstadoDeNube{}).pagina, 3);  // what was shown stays
}

}  // namespace
}  // namespace corvalin
