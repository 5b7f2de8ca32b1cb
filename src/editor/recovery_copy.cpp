#include "editor/recovery_copy.h"

#include <signal.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QSet>
#include <QUuid>
#include <algorithm>
#include <cerrno>
#include <cmath>

#include "platform/private_folder.h"

namespace corvalin {
namespace {

const QString kDescripcion = QStringLiteral("documento.json");
constexpr int kFormato = 1;
// More than any editor makes (50 steps of history); a description asking for more is not ours.
constexpr qsizetype kMaximoDeDocumentos = 256;
constexpr qsizetype kMaximoDeFormas = 100000;
// The largest canvas the editor makes, 12000 × 12000 in 32 bits, with room to spare.
constexpr int kLimiteDeLecturaMb = 1024;

bool nombreSimple(const QString& nombre) {
  return !nombre.isEmpty() && !nombre.contains(QLatin1Char('/')) &&
         !nombre.startsWith(QLatin1Char('.'));
}

QString leerTexto(const QString& ruta) {
  QFile f(ruta);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(f.readAll()).trimmed();
}

// Identifies this boot: a process number from another boot is somebody else's.
QString arranqueActual() {
  static const QString id = leerTexto(QStringLiteral("/proc/sys/kernel/random/boot_id"));
  return id;
}

QString nombreDeProceso(qint64 pid) {
  return leerTexto(QStringLiteral("/proc/%1/comm").arg(pid));
}

bool sigueCorriendo(qint64 pid, const QString& arranque) {
  if (pid <= 0 || arranque != arranqueActual()) return false;
  if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM) return false;
  // A reused number belongs to another program.
  return nombreDeProceso(pid) == nombreDeProceso(QCoreApplication::applicationPid());
}

// --- Writing ---------------------------------------------------------------------------------

QJsonArray punto(QPointF p) {
  return {p.x(), p.y()};
}

QJsonObject aJson(const Shape& s, const std::function<QString(const QImage&)>& imagen) {
  QJsonObject o;
  o[QStringLiteral("tipo")] = static_cast<int>(s.kind);
  o[QStringLiteral("inicio")] = punto(s.start);
  o[QStringLiteral("fin")] = punto(s.end);
  QJsonArray puntos;
  for (const QPointF& p : s.points) {
    puntos.append(p.x());
    puntos.append(p.y());
  }
  o[QStringLiteral("puntos")] = puntos;
  o[QStringLiteral("texto")] = s.text;
  if (s.tail) o[QStringLiteral("cola")] = punto(*s.tail);
  if (s.control) o[QStringLiteral("control")] = punto(*s.control);
  o[QStringLiteral("color")] = s.color.name(QColor::HexArgb);
  o[QStringLiteral("colorDeTexto")] = s.textColor.name(QColor::HexArgb);
  o[QStringLiteral("ancho")] = s.width;
  o[QStringLiteral("letra")] = s.fontSize;
  o[QStringLiteral("aumento")] = s.zoom;
  if (!s.image.isNull()) o[QStringLiteral("imagen")] = imagen(s.image);
  // 64-bit values as text: JSON numbers are doubles.
  o[QStringLiteral("numero")] = QString::number(s.number);
  o[QStringLiteral("semilla")] = QString::number(s.seed);
  o[QStringLiteral("colaDerecha")] = s.counterFlipX;
  o[QStringLiteral("colaArriba")] = s.counterFlipY;
  return o;
}

QJsonObject aJson(const Documento& d, const std::function<QString(const QImage&)>& imagen) {
  QJsonObject o;
  o[QStringLiteral("base")] = imagen(d.base);
  o[QStringLiteral("original")] = imagen(d.pristine);
  QJsonArray formas;
  for (const Shape& s : d.shapes) formas.append(aJson(s, imagen));
  o[QStringLiteral("formas")] = formas;
  return o;
}

// --- Reading: every field checked, anything unexpected refuses the whole copy -----------------

struct Lector {
  QString carpeta;
  std::map<QString, QImage> imagenes;
  bool ok = true;

  bool fallar() {
    ok = false;
    return false;
  }

  QImage imagen(const QJsonValue& v) {
    const QString nombre = v.toString();
    // Only plain names inside the folder.
    if (!nombreSimple(nombre)) {
      fallar();
      return {};
    }
    if (auto it = imagenes.find(nombre); it != imagenes.end()) return it->second;
    QImageReader reader(carpeta + QLatin1Char('/') + nombre, "png");
    reader.setAllocationLimit(kLimiteDeLecturaMb);
    QImage leida = reader.read();
    if (leida.isNull()) {
      fallar();
      return {};
    }
    imagenes.emplace(nombre, leida);
    return leida;
  }

  QPointF punto(const QJsonValue& v) {
    const QJsonArray a = v.toArray();
    if (!v.isArray() || a.size() != 2 || !a[0].isDouble() || !a[1].isDouble()) {
      fallar();
      return {};
    }
    return {a[0].toDouble(), a[1].toDouble()};
  }

  double numero(const QJsonObject& o, const char* clave) {
    const QJsonValue v = o.value(QLatin1String(clave));
    if (!v.isDouble() || !std::isfinite(v.toDouble())) fallar();
    return v.toDouble();
  }

  QColor color(const QJsonValue& v) {
    const QColor c = QColor::fromString(v.toString());
    if (!v.isString() || !c.isValid()) fallar();
    return c;
  }

  template <typename T>
  T entero(const QJsonValue& v) {
    bool bien = false;
    const T n = std::is_signed_v<T> ? static_cast<T>(v.toString().toLongLong(&bien))
                                    : static_cast<T>(v.toString().toULongLong(&bien));
    if (!v.isString() || !bien) fallar();
    return n;
  }

  Shape forma(const QJsonValue& valor) {
    Shape s;
    const QJsonObject o = valor.toObject();
    if (!valor.isObject()) {
      fallar();
      return s;
    }
    const std::optional<ToolKind> kind = toolKindFromRaw(
        o.value(QStringLiteral("tipo")).isDouble() ? o.value(QStringLiteral("tipo")).toInt(-1)
                                                   : -1);
    if (!kind) fallar();
    s.kind = kind.value_or(ToolKind::select);
    s.start = punto(o.value(QStringLiteral("inicio")));
    s.end = punto(o.value(QStringLiteral("fin")));
    const QJsonArray puntos = o.value(QStringLiteral("puntos")).toArray();
    if (puntos.size() % 2 != 0) fallar();
    for (qsizetype i = 0; i + 1 < puntos.size(); i += 2) {
      if (!puntos[i].isDouble() || !puntos[i + 1].isDouble()) fallar();
      s.points.emplace_back(puntos[i].toDouble(), puntos[i + 1].toDouble());
    }
    const QJsonValue texto = o.value(QStringLiteral("texto"));
    if (!texto.isString()) fallar();
    s.text = texto.toString();
    if (o.contains(QStringLiteral("cola"))) s.tail = punto(o.value(QStringLiteral("cola")));
    if (o.contains(QStringLiteral("control")))
      s.control = punto(o.value(QStringLiteral("control")));
    s.color = color(o.value(QStringLiteral("color")));
    s.textColor = color(o.value(QStringLiteral("colorDeTexto")));
    s.width = numero(o, "ancho");
    s.fontSize = numero(o, "letra");
    s.zoom = numero(o, "aumento");
    if (o.contains(QStringLiteral("imagen"))) s.image = imagen(o.value(QStringLiteral("imagen")));
    s.number = entero<std::int64_t>(o.value(QStringLiteral("numero")));
    s.seed = entero<std::uint64_t>(o.value(QStringLiteral("semilla")));
    s.counterFlipX = o.value(QStringLiteral("colaDerecha")).toBool();
    s.counterFlipY = o.value(QStringLiteral("colaArriba")).toBool();
    return s;
  }

  Documento documento(const QJsonValue& valor) {
    Documento d;
    const QJsonObject o = valor.toObject();
    if (!valor.isObject()) {
      fallar();
      return d;
    }
    d.base = imagen(o.value(QStringLiteral("base")));
    d.pristine = imagen(o.value(QStringLiteral("original")));
    const QJsonArray formas = o.value(QStringLiteral("formas")).toArray();
    if (!o.value(QStringLiteral("formas")).isArray() || formas.size() > kMaximoDeFormas) fallar();
    for (qsizetype i = 0; ok && i < formas.size(); ++i) d.shapes.push_back(forma(formas[i]));
    return d;
  }

  std::vector<Documento> documentos(const QJsonValue& valor) {
    std::vector<Documento> out;
    const QJsonArray a = valor.toArray();
    if (!valor.isArray() || a.size() > kMaximoDeDocumentos) fallar();
    for (qsizetype i = 0; ok && i < a.size(); ++i) out.push_back(documento(a[i]));
    return out;
  }
};

std::optional<QJsonObject> leerDescripcion(const QString& carpeta) {
  QFile f(carpeta + QLatin1Char('/') + kDescripcion);
  if (!f.open(QIODevice::ReadOnly) || f.size() > 64 * 1024 * 1024) return std::nullopt;
  QJsonParseError error;
  const QJsonDocument doc = QJsonDocument::fromJson(f.readAll(), &error);
  if (error.error != QJsonParseError::NoError || !doc.isObject()) return std::nullopt;
  const QJsonObject o = doc.object();
  if (o.value(QStringLiteral("formato")).toInt() != kFormato) return std::nullopt;
  return o;
}

}  // namespace

QString carpetaDeCopias() {
  return carpetaDeEstado() + QStringLiteral("/recovery");
}

QString carpetaNuevaDeCopia(const QString& base) {
  return base + QLatin1Char('/') + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

EscritorDeCopia::EscritorDeCopia(QString carpeta)
    : carpeta_(std::move(carpeta)),
      prefijo_(QString::number(QRandomGenerator::global()->generate64(), 36)) {}

void EscritorDeCopia::conocer(const QImage& imagen, const QString& archivo) {
  if (!imagen.isNull()) archivos_[imagen.cacheKey()] = archivo;
}

QString EscritorDeCopia::nombreDe(const QImage& imagen, bool* ok) {
  if (imagen.isNull()) return {};
  if (auto it = archivos_.find(imagen.cacheKey()); it != archivos_.end()) return it->second;
  const QString nombre = QStringLiteral("%1-%2.png").arg(prefijo_).arg(siguiente_++);
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  // Fast compression: written on every change, read back at most once.
  if (!imagen.save(&buffer, "PNG", 90) ||
      !escribirArchivoPrivado(carpeta_ + QLatin1Char('/') + nombre, png)) {
    *ok = false;
    return {};
  }
  archivos_[imagen.cacheKey()] = nombre;
  return nombre;
}

bool EscritorDeCopia::escribir(const CopiaDeDocumento& copia) {
  if (!crearCarpetaSoloMia(carpeta_)) return false;
  bool ok = true;
  QSet<QString> usados;
  const auto imagen = [&](const QImage& i) {
    const QString nombre = ok ? nombreDe(i, &ok) : QString();
    usados.insert(nombre);
    return nombre;
  };
  QJsonObject o;
  o[QStringLiteral("formato")] = kFormato;
  o[QStringLiteral("pid")] = QCoreApplication::applicationPid();
  o[QStringLiteral("arranque")] = arranqueActual();
  o[QStringLiteral("cuando")] = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
  o[QStringLiteral("actual")] = aJson(copia.actual, imagen);
  QJsonArray deshacer;
  for (const Documento& d : copia.deshacer) deshacer.append(aJson(d, imagen));
  o[QStringLiteral("deshacer")] = deshacer;
  QJsonArray rehacer;
  for (const Documento& d : copia.rehacer) rehacer.append(aJson(d, imagen));
  o[QStringLiteral("rehacer")] = rehacer;
  if (!ok || !escribirArchivoPrivado(carpeta_ + QLatin1Char('/') + kDescripcion,
                                     QJsonDocument(o).toJson(QJsonDocument::Compact)))
    return false;
  // Pictures no step shows any longer.
  for (auto it = archivos_.begin(); it != archivos_.end();) {
    if (usados.contains(it->second)) {
      ++it;
      continue;
    }
    QFile::remove(carpeta_ + QLatin1Char('/') + it->second);
    it = archivos_.erase(it);
  }
  return true;
}

void EscritorDeCopia::borrar() {
  QDir(carpeta_).removeRecursively();
  archivos_.clear();
}

std::optional<CopiaDeDocumento> leerCopia(const QString& carpeta,
                                          std::map<QString, QImage>* archivos) {
  const std::optional<QJsonObject> o = leerDescripcion(carpeta);
  if (!o) return std::nullopt;
  Lector lector{carpeta, {}, true};
  CopiaDeDocumento copia;
  copia.actual = lector.documento(o->value(QStringLiteral("actual")));
  copia.deshacer = lector.documentos(o->value(QStringLiteral("deshacer")));
  copia.rehacer = lector.documentos(o->value(QStringLiteral("rehacer")));
  if (!lector.ok || copia.actual.base.isNull()) return std::nullopt;
  if (archivos) *archivos = std::move(lector.imagenes);
  return copia;
}

std::vector<CopiaPendiente> copiasPendientes(const QString& base) {
  std::vector<CopiaPendiente> out;
  const QFileInfoList carpetas = QDir(base).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot);
  for (const QFileInfo& info : carpetas) {
    // Never a link planted to take the copy somewhere else.
    if (info.isSymLink()) continue;
    const std::optional<QJsonObject> o = leerDescripcion(info.absoluteFilePath());
    if (!o) continue;
    const qint64 pid = o->value(QStringLiteral("pid")).toInteger();
    if (sigueCorriendo(pid, o->value(QStringLiteral("arranque")).toString())) continue;
    CopiaPendiente p;
    p.carpeta = info.absoluteFilePath();
    p.cuando =
        QDateTime::fromString(o->value(QStringLiteral("cuando")).toString(), Qt::ISODateWithMs);
    const QJsonObject actual = o->value(QStringLiteral("actual")).toObject();
    p.formas = static_cast<int>(actual.value(QStringLiteral("formas")).toArray().size());
    const QString base = actual.value(QStringLiteral("base")).toString();
    if (!nombreSimple(base)) continue;
    p.tamano = QImageReader(p.carpeta + QLatin1Char('/') + base, "png").size();
    if (!p.tamano.isValid()) continue;
    out.push_back(p);
  }
  std::sort(out.begin(), out.end(),
            [](const CopiaPendiente& a, const CopiaPendiente& b) { return a.cuando > b.cuando; });
  return out;
}

}  // namespace corvalin
