#include "wayland_fixtures.h"

#include <gtest/gtest.h>

#include "tools/test_pattern.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace corvalin::testing {

using namespace Qt::Literals::StringLiterals;

int64_t distintosEn(const QImage& foto, uint32_t semilla, QPoint donde) {
  const QImage rgb = foto.convertToFormat(QImage::Format_RGB32);
  int64_t malos = 0;
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* fila = reinterpret_cast<const uint32_t*>(rgb.constScanLine(y));
    for (int x = 0; x < rgb.width(); ++x)
      malos += fila[x] != tools::testing::patternPixel(semilla, donde.x() + x, donde.y() + y);
  }
  return malos;
}

void Detener::operator()(QProcess* p) const {
  p->kill();
  p->waitForFinished();
  delete p;
}

Salida correr(const QString& programa, const QStringList& argumentos,
              const QProcessEnvironment& entorno, int esperaMs) {
  Proceso p(new QProcess);
  p->setProcessEnvironment(entorno);
  p->start(programa, argumentos);
  const bool termino = p->waitForFinished(esperaMs) && p->exitStatus() == QProcess::NormalExit;
  return {termino ? p->exitCode() : -1, p->readAllStandardOutput(), p->readAllStandardError()};
}

namespace {

// The window below `nodo` in sway's tree whose title `patron` matches.
std::optional<QJsonObject> buscarVentana(const QJsonObject& nodo,
                                         const QRegularExpression& patron) {
  if (nodo.contains(u"app_id"_s) && patron.match(nodo.value(u"name"_s).toString()).hasMatch())
    return nodo;
  for (const char* hijos : {"nodes", "floating_nodes"})
    for (const QJsonValue& hijo : nodo.value(QLatin1String(hijos)).toArray())
      if (auto hallada = buscarVentana(hijo.toObject(), patron)) return hallada;
  return std::nullopt;
}

}  // namespace

std::optional<QJsonObject> esperarVentana(const QRegularExpression& patron, int esperaMs) {
  std::optional<QJsonObject> hallada;
  (void)QTest::qWaitFor(
      [&] {
        const Salida arbol = correr(u"swaymsg"_s, {u"-t"_s, u"get_tree"_s});
        hallada = buscarVentana(QJsonDocument::fromJson(arbol.salida).object(), patron);
        return hallada.has_value();
      },
      esperaMs);
  return hallada;
}

namespace {

bool esperarLinea(QProcess& p, const QByteArray& linea) {
  QElapsedTimer reloj;
  reloj.start();
  while (reloj.elapsed() < 10000) {
    if (p.canReadLine()) {
      if (p.readLine().trimmed() == linea) return true;
      continue;
    }
    if (!p.waitForReadyRead(200) && p.state() == QProcess::NotRunning) return false;
  }
  return false;
}

// `programa`, once it said it is ready; null if it never did.
Proceso arrancado(const QString& programa, const QStringList& args) {
  Proceso p(new QProcess);
  p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  p->start(programa, args);
  if (!esperarLinea(*p, "ready")) p.reset();
  return p;
}

}  // namespace

Proceso clienteWayland(const QStringList& modo) {
  return arrancado(QStringLiteral(WAYLAND_CLIENT), modo);
}

PunteroVirtual::PunteroVirtual() : proceso_(arrancado(QStringLiteral(WAYLAND_POINTER), {})) {
  // Clients take the pointer when the seat announces it. The compositor draws the pointer
  // into what it shows: it waits in a corner, out of the pictures the tests check.
  listo_ = proceso_ != nullptr;
  QTest::qSleep(300);
  listo_ = listo_ && orden(u"move 1910 1070"_s);
}

bool PunteroVirtual::orden(const QString& orden) {
  if (!listo_) return false;
  proceso_->write(orden.toUtf8() + '\n');
  return esperarLinea(*proceso_, "ok");
}

bool PunteroVirtual::arrastrar(QPoint desde, QPoint hasta) {
  bool bien = orden(u"move %1 %2"_s.arg(desde.x()).arg(desde.y())) && orden(u"down"_s);
  for (int i = 1; i <= 8 && bien; ++i) {
    const QPoint p = desde + (hasta - desde) * i / 8;
    bien = orden(u"move %1 %2"_s.arg(p.x()).arg(p.y()));
    QTest::qSleep(20);
  }
  return bien && orden(u"up"_s);
}

void fallaDiciendo(const QString& programa, const QStringList& args,
                   const QProcessEnvironment& entorno, const QString& archivo,
                   const QStringList& dichos) {
  QElapsedTimer reloj;
  reloj.start();
  const Salida s = correr(programa, args, entorno);
  EXPECT_EQ(s.codigo, 1);
  EXPECT_LT(reloj.elapsed(), 10000);
  for (const QString& dicho : dichos)
    EXPECT_TRUE(QString::fromUtf8(s.errores).contains(dicho)) << s.errores.toStdString();
  EXPECT_FALSE(QFile::exists(archivo));
}

void grabacionSinPantalla(const QProcessEnvironment& base, const QString& archivo) {
  QProcessEnvironment entorno = base;
  entorno.insert(u"LANG"_s, u"es_MX.UTF-8"_s);
  fallaDiciendo(QStringLiteral(CORVALIN_RECORD),
                {u"--seconds"_s, u"2"_s, u"--audio"_s, u"none"_s, archivo}, entorno, archivo,
                {u"el escritorio no compartió la pantalla"_s});
}

Proceso busVacio(QString* direccion) {
  Proceso p(new QProcess);
  p->start(u"dbus-daemon"_s,
           {QStringLiteral("--config-file=" EMPTY_BUS_CONF), u"--nofork"_s, u"--print-address"_s});
  for (int i = 0; i < 50 && !p->canReadLine(); ++i) p->waitForReadyRead(200);
  *direccion = QString::fromUtf8(p->readLine().trimmed());
  return p;
}

}  // namespace corvalin::testing
