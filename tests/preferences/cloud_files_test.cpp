// The hosted service's part of the Upload page against a small server speaking its contract:
// the files a page of eight at a time, a link copied, one file deleted, the bulk deletions
// (everything only after the user confirms).
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QToolButton>

#include "apoyo.h"
#include "preferences/cloud_files.h"
#include "preferences_test_support.h"

namespace corvalin {
namespace {

using prueba::PeticionRecibida;
using prueba::Respuesta;

QJsonObject pedido(const PeticionRecibida& p) {
  return QJsonDocument::fromJson(p.cuerpo).object();
}

QByteArray json(const QJsonObject& o) {
  return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

// A service holding `archivos` files, eight to a page; deleting takes one or all.
struct Servicio {
  int archivos = 11;
  prueba::ServidorLocal servidor{[this](const PeticionRecibida& p) {
    const QJsonObject o = pedido(p);
    if (p.ruta == "/api/borrar.php") {
      archivos -= o.contains(QStringLiteral("objeto")) ? 1 : archivos;
      return Respuesta{200, json({{"borrados", 1}}), "application/json"};
    }
    const int paginas = std::max(1, (archivos + 7) / 8);
    const int pagina = std::min(o.value(QStringLiteral("pagina")).toInt(), paginas);
    QJsonArray lista;
    for (int i = (pagina - 1) * 8; i < std::min(pagina * 8, archivos); ++i) {
      lista.append(QJsonObject{{"objeto", QStringLiteral("cuenta/captura-%1.png").arg(i)},
                               {"url", QStringLiteral("https://x.example/captura-%1.png").arg(i)},
                               {"caduca", "2027-03-01"}});
    }
    return Respuesta{
        200,
        json({{"archivos", lista}, {"total", archivos}, {"pagina", pagina}, {"paginas", paginas}}),
        "application/json"};
  }};
};

QStringList filas(QWidget* w) {
  return prueba::textos(w).filter(QRegularExpression(QStringLiteral("^captura-")));
}

// The server's address is set on the page (stored when the field is left, the files asked of
// the new server at once); then the files are paged, a link copied, one file deleted, and
// everything only once the user says so.
TEST(CloudFiles, TheAddressIsStoredThenPagesCopiesDeletesAndAsksBeforeDeletingEverything) {
  prueba::IdiomaDePrueba en(Idioma::ingles);
  prueba::AjustesDePrueba a;
  Servicio servicio;
  QStringList copiados;
  int preguntas = 0;
  bool confirmar = false;
  ServiciosDeNube s;
  s.config = [&] {
    return ConfigDeNube{a.settings->d().string(QStringLiteral("nubeServidor")),
                        QStringLiteral("cuenta"), 30};
  };
  s.copiar = [&](const QString& t) { copiados << t; };
  s.confirmarBorrarTodo = [&] {
    ++preguntas;
    return confirmar;
  };
  ArchivosEnNube vista(*a.settings, s, nullptr);
  auto listo = [&] { return prueba::esperarHasta([&] { return !vista.modelo().cargando(); }); };
  auto* campo = vista.findChild<QLineEdit*>();
  ASSERT_NE(campo, nullptr);
  vista.refrescar();
  ASSERT_TRUE(listo());
  EXPECT_FALSE(vista.modelo().problema().isEmpty());
  EXPECT_TRUE(servicio.servidor.peticiones.isEmpty());

  campo->setText(QStringLiteral("  ") + servicio.servidor.base() + QStringLiteral(" "));
  Q_EMIT campo->editingFinished();
  EXPECT_EQ(a.settings->d().string(QStringLiteral("nubeServidor")), servicio.servidor.base());
  ASSERT_TRUE(listo());
  ASSERT_TRUE(vista.modelo().estado());
  QStringList vistas = filas(&vista);
  ASSERT_EQ(vistas.size(), 8);
  EXPECT_EQ(vistas[0], QStringLiteral("captura-0.png · deleted on 3/1/27"));

  prueba::porTexto<QPushButton>(&vista, QStringLiteral("Copy the link"))->click();
  EXPECT_EQ(copiados, QStringList{QStringLiteral("https://x.example/captura-0.png")});

  QPushButton* siguiente = nullptr;
  for (QPushButton* b : vista.findChildren<QPushButton*>())
    if (b->accessibleName() == QStringLiteral("Next page")) siguiente = b;
  ASSERT_TRUE(siguiente && siguiente->isEnabled());
  siguiente->click();
  ASSERT_TRUE(listo());
  EXPECT_EQ(filas(&vista).size(), 3);
  EXPECT_FALSE(siguiente->isEnabled());

  prueba::porTexto<QPushButton>(&vista, QStringLiteral("Delete from the cloud"))->click();
  ASSERT_TRUE(listo());
  EXPECT_EQ(
      pedido(servicio.servidor.peticiones[servicio.servidor.peticiones.size() - 2]),
      (QJsonObject{{"objeto", "cuenta/captura-8.png"}, {"cuenta", "cuenta"}, {"idioma", "en"}}));
  EXPECT_TRUE(prueba::textos(&vista).contains(QStringLiteral("10 in total · page 2 of 2")));

  // Everything goes only once the user says so.
  QAction* todo =
      prueba::porTexto<QToolButton>(&vista, QStringLiteral("Delete…"))->menu()->actions().last();
  const qsizetype antes = servicio.servidor.peticiones.size();
  todo->trigger();
  EXPECT_EQ(preguntas, 1);
  EXPECT_EQ(servicio.servidor.peticiones.size(), antes);
  confirmar = true;
  todo->trigger();
  ASSERT_TRUE(listo());
  EXPECT_EQ(pedido(servicio.servidor.peticiones[antes]),
            (QJsonObject{{"todo", true}, {"cuenta", "cuenta"}, {"idioma", "en"}}));
  EXPECT_TRUE(filas(&vista).isEmpty());
}

}  // namespace
}  // namespace corvalin
