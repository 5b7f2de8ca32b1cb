#include "servicio.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <algorithm>
#include <cmath>
#include <map>
#include <stdexcept>

#include "upload/s3_firma.h"

namespace corvalin::nube {
namespace {

// An upload may still be arriving when its slot ends; it is looked for only this much later.
constexpr int64_t kGraciaDeRanura = 3600;
constexpr int64_t kDia = 86400;

const std::map<QString, QString>& tipos() {
  static const std::map<QString, QString> t = {
      {QStringLiteral("image/png"), QStringLiteral("png")},
      {QStringLiteral("image/jpeg"), QStringLiteral("jpg")},
      {QStringLiteral("image/gif"), QStringLiteral("gif")},
      {QStringLiteral("image/webp"), QStringLiteral("webp")},
      {QStringLiteral("video/mp4"), QStringLiteral("mp4")},
      {QStringLiteral("video/webm"), QStringLiteral("webm")},
      {QStringLiteral("video/quicktime"), QStringLiteral("mov")},
  };
  return t;
}

QString texto(bool ingles, const char* es, const char* en) {
  return QString::fromUtf8(ingles ? en : es);
}

Respuesta rechazo(int estado, const char* motivo, const QString& mensaje, QJsonObject campos = {}) {
  campos.insert(QStringLiteral("motivo"), QString::fromLatin1(motivo));
  campos.insert(QStringLiteral("mensaje"), mensaje);
  return {estado, campos};
}

Respuesta malFormada(bool ingles, const char* es, const char* en) {
  return rechazo(400, "peticion_invalida", texto(ingles, es, en));
}

// A whole number within [minimo, maximo]; JSON has no integers, only numbers without a fraction.
std::optional<int64_t> entero(const QJsonValue& v, int64_t minimo, int64_t maximo) {
  if (!v.isDouble()) return std::nullopt;
  const double d = v.toDouble();
  if (d != std::floor(d) || d < double(minimo) || d > double(maximo)) return std::nullopt;
  return static_cast<int64_t>(d);
}

QString iso(int64_t segundos) {
  return QDateTime::fromSecsSinceEpoch(segundos, Qt::UTC).toString(Qt::ISODate);
}

QString diaDe(int64_t segundos) {
  return QDateTime::fromSecsSinceEpoch(segundos, Qt::UTC).toString(QStringLiteral("yyyy-MM-dd"));
}

// 22 letters and digits (131 bits): the key is the link's only secret.
QString claveNueva(const QString& prefijo, const QString& extension) {
  static const char kSimbolos[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  QString clave = prefijo;
  for (int i = 0; i < 22; ++i) {
    clave += QLatin1Char(kSimbolos[QRandomGenerator::system()->bounded(62)]);
  }
  return clave + QLatin1Char('.') + extension;
}

QByteArray huella(const QByteArray& cuenta) {
  return QCryptographicHash::hash(cuenta, QCryptographicHash::Sha256);
}

// Equal hashes, in a time that doesn't depend on where they differ.
bool iguales(const QByteArray& a, const QByteArray& b) {
  if (a.size() != b.size()) return false;
  unsigned char diferencia = 0;
  for (qsizetype i = 0; i < a.size(); ++i) diferencia |= static_cast<unsigned char>(a[i] ^ b[i]);
  return diferencia == 0;
}

// The retention asked for if the plan offers it, else the longest offered below it (the
// shortest when none is), and the plan's longest when nothing was asked.
int retencion(const QList<int>& ofrecidas, std::optional<int64_t> pedida) {
  if (!pedida) return ofrecidas.last();
  int elegida = ofrecidas.first();
  for (const int d : ofrecidas) {
    if (d <= *pedida) elegida = d;
  }
  return elegida;
}

}  // namespace

Servicio::Servicio(const Configuracion& config, Almacen& almacen, const Objetos& objetos,
                   Reloj reloj)
    : config_(config), almacen_(almacen), objetos_(objetos), reloj_(std::move(reloj)) {
  for (const auto& [cuenta, plan] : config.cuentas)
    listadas_ << std::pair{huella(cuenta), config.plan(plan)};
}

Respuesta Servicio::atender(const QString& operacion, const QByteArray& cuerpo) {
  QJsonParseError problema;
  const QJsonDocument doc = QJsonDocument::fromJson(cuerpo, &problema);
  if (problema.error != QJsonParseError::NoError || !doc.isObject()) {
    return malFormada(false, "La petición no es un objeto JSON.",
                      "The request is not a JSON object.");
  }
  const QJsonObject pedido = doc.object();
  const bool ingles = pedido.value(QStringLiteral("idioma")).toString() == QLatin1String("en");
  const auto cuenta = identificar(pedido, ingles);
  if (const auto* r = std::get_if<Respuesta>(&cuenta)) return *r;
  const Cuenta& c = std::get<Cuenta>(cuenta);
  if (operacion == QLatin1String("subida")) return subida(c, pedido, ingles);
  if (operacion == QLatin1String("nube")) return estado(c, pedido, ingles);
  if (operacion == QLatin1String("borrar")) return borrar(c, pedido, ingles);
  return rechazo(404, "operacion_desconocida",
                 texto(ingles, "Esa operación no existe.", "There is no such operation."));
}

std::variant<Servicio::Cuenta, Respuesta> Servicio::identificar(const QJsonObject& pedido,
                                                                bool ingles) {
  const QJsonValue valor = pedido.value(QStringLiteral("cuenta"));
  const QByteArray crudo = valor.toString().toUtf8();
  const bool imprimible =
      std::all_of(crudo.begin(), crudo.end(), [](char ch) { return ch > 32 && ch < 127; });
  if (!valor.isString() || crudo.size() < 8 || crudo.size() > 256 || !imprimible) {
    return malFormada(ingles, "Falta la cuenta o no es válida.",
                      "The account is missing or not valid.");
  }
  Cuenta c{huella(crudo), nullptr};
  for (const auto& [id, plan] : listadas_) {
    if (iguales(id, c.id)) c.plan = plan;
  }
  if (!c.plan) {
    if (!config_.registroAbierto) {
      return rechazo(403, "cuenta_desconocida",
                     texto(ingles, "Este servidor no conoce tu cuenta.",
                           "This server doesn't know your account."));
    }
    c.plan = config_.plan(config_.planPorDefecto);
  }
  if (const std::optional<int> dias = almacen_.cuenta(c.id)) {
    c.dias = *dias;
  } else {
    almacen_.registrar(c.id, reloj_().toSecsSinceEpoch());
  }
  return c;
}

bool Servicio::permitir(const QByteArray& id) {
  const QDateTime ahora = reloj_();
  const double capacidad = config_.peticionesPorMinuto;
  std::lock_guard lock(mutexCubetas_);
  // Full buckets say nothing: forget them now and then so the table stays small.
  if (cubetas_.size() > 10000) {
    for (auto it = cubetas_.begin(); it != cubetas_.end();) {
      it = it->visto.secsTo(ahora) > 60 ? cubetas_.erase(it) : std::next(it);
    }
  }
  auto it = cubetas_.find(id);
  if (it == cubetas_.end()) it = cubetas_.insert(id, Cubeta{capacidad, ahora});
  const double pasados = std::max<qint64>(0, it->visto.msecsTo(ahora)) / 1000.0;
  it->fichas = std::min(capacidad, it->fichas + pasados * capacidad / 60.0);
  it->visto = ahora;
  if (it->fichas < 1.0) return false;
  it->fichas -= 1.0;
  return true;
}

Respuesta Servicio::subida(const Cuenta& c, const QJsonObject& pedido, bool ingles) {
  const auto bytes = entero(pedido.value(QStringLiteral("bytes")), 1, int64_t{1} << 50);
  const QJsonValue tipoPedido = pedido.value(QStringLiteral("tipo"));
  const QJsonValue diasPedidos = pedido.value(QStringLiteral("dias"));
  const auto dias = entero(diasPedidos, 1, 36500);
  if (!bytes || !tipoPedido.isString() || (!diasPedidos.isUndefined() && !dias)) {
    return malFormada(ingles, "Faltan el tamaño o el tipo del archivo, o no son válidos.",
                      "The file's size or type is missing or not valid.");
  }
  if (!permitir(c.id)) {
    return rechazo(429, "demasiadas_peticiones",
                   texto(ingles, "Demasiadas subidas seguidas: espera un minuto.",
                         "Too many uploads in a row: wait a minute."));
  }
  const QString tipo = tipoPedido.toString().toLower();
  const auto extension = tipos().find(tipo);
  if (extension == tipos().end()) {
    return rechazo(
        415, "tipo_no_permitido",
        texto(ingles, "Ese tipo de archivo no se admite.", "That type of file isn't accepted."));
  }
  if (tipo.startsWith(QLatin1String("video/")) && !c.plan->video) {
    return rechazo(
        403, "video_no_incluido",
        texto(ingles, "Los videos no entran en tu plan.", "Videos aren't included in your plan."));
  }
  if (*bytes > c.plan->maximo) {
    return rechazo(413, "archivo_grande",
                   texto(ingles, "El archivo es demasiado grande.", "The file is too big."),
                   {{QStringLiteral("maximo"), double(c.plan->maximo)}});
  }

  const QDateTime ahora = reloj_();
  const int64_t t = ahora.toSecsSinceEpoch();
  std::optional<int64_t> pedida = dias;
  if (!pedida) {
    if (c.dias > 0) pedida = c.dias;
  }
  const int retenidos = retencion(c.plan->retenciones, pedida);
  Archivo a;
  a.objeto = claveNueva(config_.prefijo, extension->second);
  a.cuenta = c.id;
  a.bytes = *bytes;
  a.tipo = tipo;
  a.cuando = t;
  a.caduca = t + retenidos * kDia;
  a.ranuraHasta = t + config_.ranuraSegundos;
  int64_t usado = 0;
  int64_t hoy = 0;
  switch (almacen_.reservar(a, diaDe(t), c.plan->diario, c.plan->cuota, &usado, &hoy)) {
    case Almacen::Tope::diario:
      return rechazo(429, "limite_diario",
                     texto(ingles, "Ya usaste las subidas de hoy.", "You've used today's uploads."),
                     {{QStringLiteral("limite"), double(c.plan->diario)},
                      {QStringLiteral("renueva"), iso((t / kDia + 1) * kDia)}});
    case Almacen::Tope::cuota:
      return rechazo(403, "cuota_llena",
                     texto(ingles, "Tu nube está llena.", "Your cloud is full."),
                     {{QStringLiteral("usado"), double(usado)},
                      {QStringLiteral("cuota"), double(c.plan->cuota)}});
    case Almacen::Tope::ninguno:
      break;
  }
  if (dias) almacen_.guardarDias(c.id, retenidos);
  return {200,
          {{QStringLiteral("put"),
            objetos_.ranura(a.objeto, a.bytes, a.tipo, ahora, config_.ranuraSegundos)
                .toString(QUrl::FullyEncoded)},
           {QStringLiteral("url"), enlace(a.objeto).toString(QUrl::FullyEncoded)},
           {QStringLiteral("restantes_hoy"), double(std::max<int64_t>(0, c.plan->diario - hoy))},
           {QStringLiteral("objeto"), a.objeto},
           {QStringLiteral("caduca"), iso(a.caduca)}}};
}

Respuesta Servicio::estado(const Cuenta& c, const QJsonObject& pedido, bool ingles) {
  const QJsonValue pag = pedido.value(QStringLiteral("pagina"));
  const QJsonValue por = pedido.value(QStringLiteral("por_pagina"));
  const auto pagina = pag.isUndefined() ? std::optional<int64_t>(1) : entero(pag, 1, 1'000'000'000);
  const auto porPagina = por.isUndefined() ? std::optional<int64_t>(8) : entero(por, 1, 100);
  if (!pagina || !porPagina) {
    return malFormada(ingles, "La página pedida no es válida.", "The page asked for is not valid.");
  }
  const int64_t total = almacen_.total(c.id);
  const int64_t paginas = std::max<int64_t>(1, (total + *porPagina - 1) / *porPagina);
  const int64_t actual = std::min(*pagina, paginas);
  QJsonArray archivos;
  for (const Archivo& a : almacen_.pagina(c.id, (actual - 1) * *porPagina, *porPagina)) {
    archivos.append(
        QJsonObject{{QStringLiteral("objeto"), a.objeto},
                    {QStringLiteral("url"), enlace(a.objeto).toString(QUrl::FullyEncoded)},
                    {QStringLiteral("bytes"), double(a.bytes)},
                    {QStringLiteral("tipo"), a.tipo},
                    {QStringLiteral("cuando"), iso(a.cuando)},
                    {QStringLiteral("caduca"), iso(a.caduca)}});
  }
  QJsonArray retenciones;
  for (const int d : c.plan->retenciones) retenciones.append(d);
  const int64_t hoy = almacen_.subidasDelDia(c.id, diaDe(reloj_().toSecsSinceEpoch()));
  return {200,
          {{QStringLiteral("plan"), c.plan->nombre},
           {QStringLiteral("usado"), double(almacen_.usado(c.id))},
           {QStringLiteral("cuota"), double(c.plan->cuota)},
           {QStringLiteral("diario"), double(c.plan->diario)},
           {QStringLiteral("restantes_hoy"), double(std::max<int64_t>(0, c.plan->diario - hoy))},
           {QStringLiteral("video"), c.plan->video},
           {QStringLiteral("retenciones"), retenciones},
           {QStringLiteral("dias"), c.dias > 0 ? c.dias : c.plan->retenciones.last()},
           {QStringLiteral("archivos"), archivos},
           {QStringLiteral("total"), double(total)},
           {QStringLiteral("pagina"), double(actual)},
           {QStringLiteral("paginas"), double(paginas)}}};
}

Respuesta Servicio::borrar(const Cuenta& c, const QJsonObject& pedido, bool ingles) {
  const QJsonValue objeto = pedido.value(QStringLiteral("objeto"));
  const QJsonValue viejos = pedido.value(QStringLiteral("mas_viejos_que"));
  const QJsonValue todo = pedido.value(QStringLiteral("todo"));
  const int reglas =
      int(!objeto.isUndefined()) + int(!viejos.isUndefined()) + int(!todo.isUndefined());
  const auto dias = entero(viejos, 0, 36500);
  const bool valida = reglas == 1 && (objeto.isUndefined() || objeto.isString()) &&
                      (viejos.isUndefined() || dias) &&
                      (todo.isUndefined() || todo == QJsonValue(true));
  if (!valida) {
    return malFormada(
        ingles, "Di qué borrar: un objeto, lo más viejo que unos días, o todo.",
        "Say what to delete: one object, anything older than some days, or everything.");
  }
  const int64_t ahora = reloj_().toSecsSinceEpoch();
  QList<Archivo> lista;
  if (objeto.isString()) {
    const std::optional<Archivo> a = almacen_.archivo(objeto.toString());
    if (!a || a->borrado || !iguales(a->cuenta, c.id)) {
      return rechazo(404, "no_existe",
                     texto(ingles, "Ese archivo ya no está en tu nube.",
                           "That file is no longer in your cloud."));
    }
    lista << *a;
  } else {
    lista =
        almacen_.deCuenta(c.id, dias ? std::optional<int64_t>(ahora - *dias * kDia) : std::nullopt);
  }
  int borrados = 0;
  for (const Archivo& a : lista) {
    if (!a.confirmado && a.ranuraHasta + kGraciaDeRanura > ahora) {
      // Its slot may still be used: the object is deleted by the sweep once the slot is over.
      almacen_.aplazar(a.objeto, a.ranuraHasta + kGraciaDeRanura);
      ++borrados;
    } else if (objetos_.borrar(a.objeto)) {
      almacen_.quitar(a.objeto);
      ++borrados;
    }
  }
  if (borrados < lista.size()) {
    return rechazo(502, "almacen",
                   texto(ingles, "El almacén no contestó: no se pudo borrar todo.",
                         "The store didn't answer: not everything could be deleted."),
                   {{QStringLiteral("borrados"), borrados}});
  }
  return {200, {{QStringLiteral("borrados"), borrados}}};
}

QUrl Servicio::enlace(const QString& objeto) const {
  if (!config_.basePublica.isEmpty()) {
    return QUrl(config_.basePublica + FirmaS3::encodePath(QLatin1Char('/') + objeto),
                QUrl::StrictMode);
  }
  const QString base =
      config_.direccionPublica.isEmpty()
          ? QStringLiteral("http://%1:%2").arg(config_.escuchar).arg(config_.puerto)
          : config_.direccionPublica;
  return QUrl(base + QStringLiteral("/f/") + FirmaS3::encodePath(objeto), QUrl::StrictMode);
}

std::optional<QUrl> Servicio::destinoDelEnlace(const QString& objeto) {
  const QDateTime ahora = reloj_();
  const std::optional<Archivo> a = almacen_.archivo(objeto);
  if (!a || a->borrado || a->caduca <= ahora.toSecsSinceEpoch()) return std::nullopt;
  const int64_t vida =
      std::min<int64_t>(config_.enlaceSegundos, a->caduca - ahora.toSecsSinceEpoch());
  return objetos_.lectura(objeto, ahora, static_cast<int>(vida));
}

Servicio::Barrido Servicio::barrer() {
  Barrido b;
  const int64_t ahora = reloj_().toSecsSinceEpoch();
  for (const Archivo& a : almacen_.caducados(ahora)) {
    if (objetos_.borrar(a.objeto)) {
      almacen_.quitar(a.objeto);
      ++b.caducados;
    } else {
      ++b.fallidos;
    }
  }
  for (const Archivo& a : almacen_.ranurasVencidas(ahora - kGraciaDeRanura)) {
    try {
      if (const std::optional<int64_t> tamano = objetos_.tamano(a.objeto)) {
        almacen_.confirmar(a.objeto, *tamano);
        ++b.confirmados;
      } else {
        almacen_.quitar(a.objeto);
        almacen_.devolverSubida(a.cuenta, diaDe(a.cuando));
        ++b.abandonados;
      }
    } catch (const std::runtime_error&) {
      ++b.fallidos;
    }
  }
  return b;
}

}  // namespace corvalin::nube
