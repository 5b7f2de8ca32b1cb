// The hosted service's contract, played by a local server: slots, uploads, every refusal, the
// account's state and deletions.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

#include "apoyo.h"
#include "core/texts.h"
#include "upload/nube_modelo.h"
#include "upload/nube_uploader.h"

namespace corvalin {
namespace {

using prueba::Buzon;
using prueba::PeticionRecibida;
using prueba::Respuesta;
using prueba::ServidorLocal;

QByteArray json(const QJsonObject& o) {
  return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QJsonObject enviado(const PeticionRecibida& p) {
  return QJsonDocument::fromJson(p.cuerpo).object();
}

ConfigDeNube config(const ServidorLocal& s) {
  return {s.base() + "/", "cuenta-1", 30};
}

Resultado<SubidaHecha> subir(const ConfigDeNube& c, const QByteArray& cuerpo) {
  Buzon<Resultado<SubidaHecha>> buzon;
  NubeUploader::subir(c, Cuerpo::datos(cuerpo), "image/png", {}, Enviador::puente(),
                      buzon.entregar());
  const auto r = buzon.esperar();
  EXPECT_TRUE(r.has_value());
  return r ? *r : Resultado<SubidaHecha>(ErrorDeSubida(ErrorDeRed{}));
}

QString texto(const Resultado<SubidaHecha>& r) {
  const auto* e = std::get_if<ErrorDeSubida>(&r);
  return e ? e->descripcion() : std::get<SubidaHecha>(r).aviso;
}

TEST(Nube, AnUploadAsksForASlotThenPutsTheBodyThere) {
  fijarIdiomaActual(Idioma::español);
  int restantes = 1;
  ServidorLocal servidor([&](const PeticionRecibida& p) {
    if (p.ruta == "/api/subida.php") {
      return Respuesta{
          200,
          json({{"put", "http://" + QString::fromLatin1(p.headers.value("host")) + "/slot/1"},
                {"url", "https://corvalin.example/s/1"},
                {"restantes_hoy", restantes}}),
          "application/json"};
    }
    return Respuesta{200, {}};
  });
  const Resultado<SubidaHecha> r = subir(config(servidor), "imagen");
  ASSERT_TRUE(std::holds_alternative<SubidaHecha>(r)) << texto(r).toStdString();
  EXPECT_EQ(std::get<SubidaHecha>(r).url, QUrl("https://corvalin.example/s/1"));
  EXPECT_EQ(texto(r), QStringLiteral("Te queda 1 subida hoy"));

  ASSERT_EQ(servidor.peticiones.size(), 2);
  const PeticionRecibida& permiso = servidor.peticiones[0];
  EXPECT_EQ(permiso.metodo, "POST");
  EXPECT_EQ(permiso.headers.value("content-type"), "application/json");
  EXPECT_EQ(enviado(permiso), (QJsonObject{{"bytes", 6},
                                           {"tipo", "image/png"},
                                           {"dias", 30},
                                           {"cuenta", "cuenta-1"},
                                           {"idioma", "es"}}));
  const PeticionRecibida& put = servidor.peticiones[1];
  EXPECT_EQ(put.metodo, "PUT");
  EXPECT_EQ(put.ruta, "/slot/1");
  EXPECT_EQ(put.headers.value("content-type"), "image/png");
  EXPECT_EQ(put.cuerpo, "imagen");

  restantes = 3;
  EXPECT_EQ(texto(subir(config(servidor), "x")), QStringLiteral("Te quedan 3 subidas hoy"));
}

TEST(Nube, EveryRefusalReachesTheUserInItsOwnWords) {
  fijarIdiomaActual(Idioma::español);
  Respuesta siguiente;
  Respuesta alSubir{200, {}};
  ServidorLocal servidor(
      [&](const PeticionRecibida& p) { return p.ruta == "/api/subida.php" ? siguiente : alSubir; });
  auto con = [&](int estado, const QJsonObject& o) {
    siguiente = Respuesta{estado, json(o), "application/json"};
    return texto(subir(config(servidor), "x"));
  };
  EXPECT_EQ(con(429, {{"motivo", "limite_diario"}, {"limite", 20}, {"renueva", "mañana"}}),
            QStringLiteral("Ya subiste tus 20 capturas de hoy."));
  EXPECT_EQ(
      con(507, {{"motivo", "cuota_llena"}, {"usado", 1'200'000'000}, {"cuota", 1'000'000'000}}),
      QStringLiteral("Tu nube está llena: 1,2 GB de 1,0 GB."));
  EXPECT_EQ(con(413, {{"motivo", "archivo_grande"}, {"maximo", 50'000'000}}),
            QStringLiteral("El archivo pasa de 50,0 MB."));
  EXPECT_EQ(con(403, {{"motivo", "video_no_incluido"}}),
            QStringLiteral("Los videos no entran en tu plan."));
  EXPECT_EQ(con(415, {{"motivo", "tipo_no_permitido"}}),
            QStringLiteral("Eso no se puede subir a la nube de Corvalin."));
  EXPECT_EQ(con(500, {{"motivo", "otra_cosa"}, {"mensaje", "Mantenimiento"}}),
            QStringLiteral("Mantenimiento"));
  EXPECT_EQ(con(500, {}), QStringLiteral("Error del servidor"));
  EXPECT_EQ(con(200, {{"url", "https://x.example/1"}}),
            QStringLiteral("Falta el permiso de subida"));
  // A slot elsewhere than the web would have the upload write to a local file.
  EXPECT_EQ(con(200, {{"put", "file:///tmp/robado"}, {"url", "https://x.example/1"}}),
            QStringLiteral("Falta el permiso de subida"));
  siguiente = Respuesta{502, "<html>Bad gateway</html>", "text/html"};
  EXPECT_EQ(texto(subir(config(servidor), "x")),
            QStringLiteral("El servidor contestó algo que no entendí"));
  siguiente = Respuesta{200, "[1, 2]", "application/json"};
  EXPECT_EQ(texto(subir(config(servidor), "x")),
            QStringLiteral("El servidor contestó algo que no entendí"));

  siguiente =
      Respuesta{200, json({{"put", servidor.base() + "/slot"}, {"url", "https://x.example/1"}}),
                "application/json"};
  alSubir = Respuesta{503, {}};
  EXPECT_EQ(texto(subir(config(servidor), "x")), QStringLiteral("Backblaze respondió 503"));

  const int antes = int(servidor.peticiones.size());
  EXPECT_EQ(texto(subir({"", "c", 30}, "x")),
            QStringLiteral("La nube de Corvalin no está configurada en este equipo: falta la "
                           "dirección del servidor."));
  EXPECT_EQ(texto(subir({"corvalin sin esquema", "c", 30}, "x")),
            QStringLiteral("Dirección del servidor inválida"));
  EXPECT_EQ(servidor.peticiones.size(), antes);
}

TEST(Nube, TheModelLoadsThePageDeletesAndReloads) {
  fijarIdiomaActual(Idioma::español);
  int archivos = 9;
  bool fallarAlBorrar = false;
  ServidorLocal servidor([&](const PeticionRecibida& p) {
    const QJsonObject pedido = enviado(p);
    if (p.ruta == "/api/borrar.php") {
      if (fallarAlBorrar)
        return Respuesta{500, json({{"mensaje", "No se pudo borrar"}}), "application/json"};
      archivos -= pedido.contains("objeto") ? 1 : archivos;
      return Respuesta{200, json({{"borrados", 1}}), "application/json"};
    }
    const int paginas = std::max(1, (archivos + 7) / 8);
    QJsonArray lista;
    for (int i = 0; i < std::min(8, archivos); ++i) {
      lista.append(QJsonObject{{"objeto", QString("o%1").arg(i)},
                               {"url", "https://x.example/o"},
                               {"bytes", 100},
                               {"tipo", "image/png"},
                               {"cuando", "2024-05-17"},
                               {"caduca", i == 0 ? QJsonValue("2024-08-15") : QJsonValue()}});
    }
    return Respuesta{200,
                     json({{"plan", "gratis"},
                           {"usado", 900},
                           {"cuota", 1000},
                           {"diario", 20},
                           {"restantes_hoy", 5},
                           {"video", false},
                           {"retenciones", QJsonArray{7, 30, 90}},
                           {"dias", 30},
                           {"archivos", lista},
                           {"total", archivos},
                           {"pagina", pedido["pagina"]},
                           {"paginas", paginas}}),
                     "application/json"};
  });
  NubeModelo modelo([&] { return config(servidor); });
  modelo.cargar(2);
  EXPECT_TRUE(modelo.cargando());
  ASSERT_TRUE(prueba::esperarHasta([&] { return !modelo.cargando(); }));
  ASSERT_TRUE(modelo.estado().has_value());
  const EstadoDeNube& e = *modelo.estado();
  EXPECT_EQ(e.pagina, 2);
  EXPECT_EQ(e.paginas, 2);
  EXPECT_EQ(e.retenciones, (QList<int>{7, 30, 90}));
  EXPECT_EQ(e.restantesHoy, 5);
  EXPECT_EQ(e.archivos.size(), 8);
  EXPECT_EQ(e.archivos[0].caduca, QStringLiteral("2024-08-15"));
  EXPECT_FALSE(e.archivos[1].caduca.has_value());
  EXPECT_EQ(
      enviado(servidor.peticiones.last()),
      (QJsonObject{{"pagina", 2}, {"por_pagina", 8}, {"cuenta", "cuenta-1"}, {"idioma", "es"}}));

  // Down to one page: page 2 no longer exists, so the model shows the last one left.
  modelo.borrar(NubeUploader::Barrido::deObjeto("o3"));
  ASSERT_TRUE(prueba::esperarHasta([&] { return !modelo.cargando(); }));
  EXPECT_EQ(modelo.pagina(), 1);
  EXPECT_EQ(modelo.estado()->total, 8);

  const qsizetype antes = servidor.peticiones.size();
  modelo.borrar(NubeUploader::Barrido::masViejosQue(30));
  ASSERT_TRUE(prueba::esperarHasta([&] { return !modelo.cargando(); }));
  modelo.borrar(NubeUploader::Barrido::todo());
  ASSERT_TRUE(prueba::esperarHasta([&] { return !modelo.cargando(); }));
  QList<QJsonObject> borrados;
  for (qsizetype i = antes; i < servidor.peticiones.size(); ++i) {
    if (servidor.peticiones[i].ruta == "/api/borrar.php")
      borrados << enviado(servidor.peticiones[i]);
  }
  ASSERT_EQ(borrados.size(), 2);
  EXPECT_EQ(borrados[0]["mas_viejos_que"].toInt(), 30);
  EXPECT_EQ(borrados[1]["todo"].toBool(), true);
  EXPECT_TRUE(modelo.problema().isEmpty());

  fallarAlBorrar = true;
  modelo.borrar(NubeUploader::Barrido::todo());
  ASSERT_TRUE(prueba::esperarHasta([&] { return !modelo.cargando(); }));
  EXPECT_EQ(modelo.problema(), QStringLiteral("No se pudo borrar"));
  EXPECT_TRUE(modelo.estado().has_value());  // what was shown stays
}

TEST(Nube, AnAnswerThatArrivesAfterANewerOneIsDropped) {
  ServidorLocal servidor([&](const PeticionRecibida& p) {
    const int pagina = enviado(p)["pagina"].toInt();
    Respuesta r{200, json({{"pagina", pagina}, {"paginas", 3}, {"total", 20}}), "application/json"};
    if (pagina == 1) r.retrasoMs = 300;
    return r;
  });
  NubeModelo modelo([&] { return config(servidor); });
  modelo.cargar(1);
  modelo.cargar(3);
  ASSERT_TRUE(prueba::esperarHasta([&] { return !modelo.cargando(); }));
  QTest::qWait(600);  // page 1's late answer has come and gone
  EXPECT_EQ(modelo.pagina(), 3);
  EXPECT_EQ(modelo.estado()->pagina, 3);
}

}  // namespace
}  // namespace corvalin
