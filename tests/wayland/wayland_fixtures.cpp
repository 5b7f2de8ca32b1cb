#include "wayland_fixtures.h"

#include <gtest/gtest.h>

#include "tools/test_pattern.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

namespace corvalin::testing {

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

Proceso clienteWayland(const QStringList& modo) {
  Proceso cliente(new QProcess);
  cliente->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  cliente->start(QStringLiteral(WAYLAND_CLIENT), modo);
  QElapsedTimer reloj;
  reloj.start();
  QByteArray dicho;
  while (reloj.elapsed() < 10000 && !dicho.contains("ready")) {
    if (!cliente->waitForReadyRead(200) && cliente->state() == QProcess::NotRunning) break;
    dicho += cliente->readAllStandardOutput();
  }
  if (!dicho.contains("ready")) return nullptr;
  return cliente;
}

Salida correr(const QString& programa, const QStringList& argumentos,
              const QProcessEnvironment& entorno, int esperaMs) {
  QProcess p;
  p.setProcessEnvironment(entorno);
  p.start(programa, argumentos);
  Salida s;
  if (!p.waitForFinished(esperaMs)) {
    p.kill();
    p.waitForFinished();
  } else if (p.exitStatus() == QProcess::NormalExit) {
    s.codigo = p.exitCode();
  }
  s.salida = p.readAllStandardOutput();
  s.errores = p.readAllStandardError();
  return s;
}

namespace {

void recorrer(const QJsonObject& nodo, bool flotante, std::vector<VentanaDeSway>* ventanas) {
  if (nodo.value(QStringLiteral("type")).toString().endsWith(QLatin1String("con")) &&
      nodo.contains(QStringLiteral("app_id"))) {
    const QJsonObject r = nodo.value(QStringLiteral("rect")).toObject();
    ventanas->push_back(VentanaDeSway{
        nodo.value(QStringLiteral("app_id")).toString(),
        nodo.value(QStringLiteral("name")).toString(),
        QRect(r.value(QStringLiteral("x")).toInt(), r.value(QStringLiteral("y")).toInt(),
              r.value(QStringLiteral("width")).toInt(), r.value(QStringLiteral("height")).toInt()),
        flotante, nodo.value(QStringLiteral("focused")).toBool()});
  }
  for (const QJsonValue& hijo : nodo.value(QStringLiteral("nodes")).toArray())
    recorrer(hijo.toObject(), false, ventanas);
  for (const QJsonValue& hijo : nodo.value(QStringLiteral("floating_nodes")).toArray())
    recorrer(hijo.toObject(), true, ventanas);
}

}  // namespace

std::vector<VentanaDeSway> ventanasDeSway() {
  const Salida s =
      correr(QStringLiteral("swaymsg"), {QStringLiteral("-t"), QStringLiteral("get_tree")});
  std::vector<VentanaDeSway> ventanas;
  recorrer(QJsonDocument::fromJson(s.salida).object(), false, &ventanas);
  return ventanas;
}

std::optional<VentanaDeSway> esperarVentana(
    const std::function<bool(const VentanaDeSway&)>& buscada, int esperaMs) {
  QElapsedTimer reloj;
  reloj.start();
  while (reloj.elapsed() < esperaMs) {
    for (const VentanaDeSway& v : ventanasDeSway())
      if (buscada(v)) return v;
    QThread::msleep(100);
  }
  return std::nullopt;
}

std::optional<VentanaDeSway> esperarVentana(const QRegularExpression& patron, int esperaMs) {
  return esperarVentana([&](const VentanaDeSway& v) { return patron.match(v.titulo).hasMatch(); },
                        esperaMs);
}

bool teclear(const QString& tecla) {
  return correr(QStringLiteral("wtype"), {QStringLiteral("-k"), tecla}).codigo == 0;
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

}  // namespace

PunteroVirtual::PunteroVirtual() : proceso_(new QProcess) {
  proceso_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  proceso_->start(QStringLiteral(WAYLAND_POINTER), {});
  listo_ = esperarLinea(*proceso_, "ready");
  // Clients take the pointer when the seat announces it. The compositor draws the pointer
  // into what it shows: it waits in a corner, out of the pictures the tests check.
  if (listo_) {
    QThread::msleep(300);
    listo_ = orden(QStringLiteral("move 1910 1070"));
  }
}

bool PunteroVirtual::orden(const QString& orden) {
  if (!listo_) return false;
  proceso_->write(orden.toUtf8() + '\n');
  return esperarLinea(*proceso_, "ok");
}

bool PunteroVirtual::arrastrar(QPoint desde, QPoint hasta) {
  bool bien = orden(QStringLiteral("move %1 %2").arg(desde.x()).arg(desde.y())) &&
              orden(QStringLiteral("down"));
  for (int i = 1; i <= 8 && bien; ++i) {
    const QPoint p = desde + (hasta - desde) * i / 8;
    bien = orden(QStringLiteral("move %1 %2").arg(p.x()).arg(p.y()));
    QThread::msleep(20);
  }
  return bien && orden(QStringLiteral("up"));
}

void grabacionSinPantalla(const QProcessEnvironment& base, const QString& archivo) {
  for (const char* idioma : {"es_MX.UTF-8", "en_US.UTF-8"}) {
    SCOPED_TRACE(idioma);
    QProcessEnvironment entorno = base;
    entorno.insert(QStringLiteral("LANG"), QString::fromUtf8(idioma));
    QElapsedTimer reloj;
    reloj.start();
    const Salida s = correr(QStringLiteral(CORVALIN_RECORD),
                            {QStringLiteral("--seconds"), QStringLiteral("2"),
                             QStringLiteral("--audio"), QStringLiteral("none"), archivo},
                            entorno);
    EXPECT_EQ(s.codigo, 1);
    EXPECT_LT(reloj.elapsed(), 10000);
    const QString dicho = QString::fromUtf8(s.errores);
    EXPECT_TRUE(dicho.contains(QByteArray(idioma).startsWith("es")
                                   ? QStringLiteral("el escritorio no compartió la pantalla")
                                   : QStringLiteral("the desktop shared no screen")))
        << dicho.toStdString();
    EXPECT_FALSE(QFile::exists(archivo));
  }
}

BusVacio::BusVacio() {
  // The stock session configuration would start the desktop's services on demand.
  config_ = QDir::temp().filePath(
      QStringLiteral("corvalin-empty-bus-%1.conf").arg(QCoreApplication::applicationPid()));
  QFile conf(config_);
  if (conf.open(QIODevice::WriteOnly)) {
    conf.write(
        "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>"
        "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
        "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
    conf.close();
  }
  daemon_.setStandardErrorFile(QProcess::nullDevice());
  daemon_.start(QStringLiteral("dbus-daemon"),
                {QStringLiteral("--config-file=") + config_, QStringLiteral("--nofork"),
                 QStringLiteral("--print-address")});
  QElapsedTimer reloj;
  reloj.start();
  QByteArray linea;
  while (reloj.elapsed() < 10000 && !linea.contains('\n')) {
    daemon_.waitForReadyRead(200);
    linea += daemon_.readAllStandardOutput();
  }
  direccion_ = QString::fromUtf8(linea.trimmed());
}

BusVacio::~BusVacio() {
  daemon_.terminate();
  if (!daemon_.waitForFinished(5000)) daemon_.kill();
  QFile::remove(config_);
}

}  // namespace corvalin::testing
