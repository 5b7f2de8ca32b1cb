#include "configuracion.h"

#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStringList>
#include <QUrl>
#include <algorithm>
#include <functional>

#include "upload/s3_firma.h"

namespace corvalin::nube {
namespace {

std::optional<bool> booleano(const QString& v) {
  const QString s = v.toLower();
  if (s == QLatin1String("si") || s == QLatin1String("sí") || s == QLatin1String("yes") ||
      s == QLatin1String("true") || s == QLatin1String("1")) {
    return true;
  }
  if (s == QLatin1String("no") || s == QLatin1String("false") || s == QLatin1String("0")) {
    return false;
  }
  return std::nullopt;
}

// A count or a size: digits with an optional K, M or G (powers of 1024).
std::optional<int64_t> cantidad(const QString& v) {
  QString s = v.trimmed().toUpper();
  int64_t factor = 1;
  if (s.endsWith(QLatin1Char('K'))) factor = 1LL << 10;
  if (s.endsWith(QLatin1Char('M'))) factor = 1LL << 20;
  if (s.endsWith(QLatin1Char('G'))) factor = 1LL << 30;
  if (factor != 1) s.chop(1);
  bool ok = false;
  const qlonglong n = s.toLongLong(&ok);
  if (!ok || n < 0 || n > (int64_t{1} << 52) / factor) return std::nullopt;
  return n * factor;
}

using Asignar = std::function<bool(Configuracion&, const QString&)>;

Asignar texto(QString Configuracion::*campo) {
  return [campo](Configuracion& c, const QString& v) {
    c.*campo = v;
    return true;
  };
}

template <typename Entero>
Asignar numero(Entero Configuracion::*campo, int64_t minimo, int64_t maximo) {
  return [=](Configuracion& c, const QString& v) {
    const auto n = cantidad(v);
    if (!n || *n < minimo || *n > maximo) return false;
    c.*campo = static_cast<Entero>(*n);
    return true;
  };
}

Asignar siNo(bool Configuracion::*campo) {
  return [campo](Configuracion& c, const QString& v) {
    const auto b = booleano(v);
    if (b) c.*campo = *b;
    return b.has_value();
  };
}

const std::map<QString, Asignar>& clavesDelServidor() {
  static const std::map<QString, Asignar> claves = {
      {QStringLiteral("escuchar"), texto(&Configuracion::escuchar)},
      {QStringLiteral("puerto"), numero(&Configuracion::puerto, 0, 65535)},
      {QStringLiteral("direccion_publica"), texto(&Configuracion::direccionPublica)},
      {QStringLiteral("datos"), texto(&Configuracion::datos)},
      {QStringLiteral("registro"),
       [](Configuracion& c, const QString& v) {
         if (v != QLatin1String("abierto") && v != QLatin1String("lista")) return false;
         c.registroAbierto = v == QLatin1String("abierto");
         return true;
       }},
      {QStringLiteral("plan_por_defecto"), texto(&Configuracion::planPorDefecto)},
      {QStringLiteral("peticiones_por_minuto"),
       numero(&Configuracion::peticionesPorMinuto, 1, 1'000'000)},
      {QStringLiteral("cuerpo_maximo"), numero(&Configuracion::cuerpoMaximo, 256, 1 << 24)},
      {QStringLiteral("barrido_segundos"), numero(&Configuracion::barridoSegundos, 1, 86400)},
      {QStringLiteral("hilos"), numero(&Configuracion::hilos, 1, 512)},
      {QStringLiteral("ranura_segundos"), numero(&Configuracion::ranuraSegundos, 10, 86400)},
      {QStringLiteral("enlace_segundos"), numero(&Configuracion::enlaceSegundos, 10, 7 * 86400)},
  };
  return claves;
}

const std::map<QString, Asignar>& clavesDeS3() {
  static const std::map<QString, Asignar> claves = {
      {QStringLiteral("endpoint"), texto(&Configuracion::endpoint)},
      {QStringLiteral("region"), texto(&Configuracion::region)},
      {QStringLiteral("bucket"), texto(&Configuracion::bucket)},
      {QStringLiteral("estilo_ruta"), siNo(&Configuracion::estiloRuta)},
      {QStringLiteral("access_key"), texto(&Configuracion::accessKey)},
      {QStringLiteral("secret_key"), texto(&Configuracion::secretKey)},
      {QStringLiteral("prefijo"), texto(&Configuracion::prefijo)},
      {QStringLiteral("base_publica"), texto(&Configuracion::basePublica)},
  };
  return claves;
}

bool asignarAlPlan(Plan& p, const QString& clave, const QString& v) {
  if (clave == QLatin1String("video")) {
    const auto b = booleano(v);
    if (b) p.video = *b;
    return b.has_value();
  }
  if (clave == QLatin1String("retenciones")) {
    QList<int> dias;
    for (const QString& pieza : v.split(QLatin1Char(','))) {
      const auto n = cantidad(pieza);
      if (!n || *n < 1 || *n > 36500) return false;
      dias << static_cast<int>(*n);
    }
    std::sort(dias.begin(), dias.end());
    dias.erase(std::unique(dias.begin(), dias.end()), dias.end());
    p.retenciones = dias;
    return true;
  }
  int64_t* campo = clave == QLatin1String("cuota")    ? &p.cuota
                   : clave == QLatin1String("diario") ? &p.diario
                   : clave == QLatin1String("maximo") ? &p.maximo
                                                      : nullptr;
  const auto n = campo ? cantidad(v) : std::nullopt;
  if (!n) return false;
  *campo = *n;
  return true;
}

// Variables of the environment and the file key each stands for.
const std::map<QString, std::pair<QString, QString>>& variables() {
  static const std::map<QString, std::pair<QString, QString>> v = {
      {QStringLiteral("CORVALIN_CLOUD_LISTEN"),
       {QStringLiteral("servidor"), QStringLiteral("escuchar")}},
      {QStringLiteral("CORVALIN_CLOUD_PORT"),
       {QStringLiteral("servidor"), QStringLiteral("puerto")}},
      {QStringLiteral("CORVALIN_CLOUD_PUBLIC_URL"),
       {QStringLiteral("servidor"), QStringLiteral("direccion_publica")}},
      {QStringLiteral("CORVALIN_CLOUD_DB"), {QStringLiteral("servidor"), QStringLiteral("datos")}},
      {QStringLiteral("CORVALIN_CLOUD_S3_ENDPOINT"),
       {QStringLiteral("s3"), QStringLiteral("endpoint")}},
      {QStringLiteral("CORVALIN_CLOUD_S3_REGION"),
       {QStringLiteral("s3"), QStringLiteral("region")}},
      {QStringLiteral("CORVALIN_CLOUD_S3_BUCKET"),
       {QStringLiteral("s3"), QStringLiteral("bucket")}},
      {QStringLiteral("CORVALIN_CLOUD_S3_ACCESS_KEY"),
       {QStringLiteral("s3"), QStringLiteral("access_key")}},
      {QStringLiteral("CORVALIN_CLOUD_S3_SECRET_KEY"),
       {QStringLiteral("s3"), QStringLiteral("secret_key")}},
  };
  return v;
}

// "${NAME}" in a value stands for the environment variable NAME; nothing when one is not set.
std::optional<QString> expandir(const QString& valor, const std::map<QString, QString>& entorno) {
  QString out;
  qsizetype i = 0;
  while (i < valor.size()) {
    const qsizetype abre = valor.indexOf(QStringLiteral("${"), i);
    const qsizetype cierra = abre < 0 ? -1 : valor.indexOf(QLatin1Char('}'), abre);
    if (cierra < 0) break;
    out += valor.mid(i, abre - i);
    const auto it = entorno.find(valor.mid(abre + 2, cierra - abre - 2));
    if (it == entorno.end()) return std::nullopt;
    out += it->second;
    i = cierra + 1;
  }
  return out + valor.mid(i);
}

}  // namespace

const Plan* Configuracion::plan(const QString& nombre) const {
  const auto it = planes.find(nombre);
  return it == planes.end() ? nullptr : &it->second;
}

std::variant<Configuracion, QString> leerConfiguracion(const QByteArray& texto,
                                                       const std::map<QString, QString>& entorno) {
  Configuracion c;
  QString seccion;
  const QStringList lineas = QString::fromUtf8(texto).split(QLatin1Char('\n'));
  for (int i = 0; i < lineas.size(); ++i) {
    QString linea = lineas[i].trimmed();
    // A comment may also end a line, after a space.
    static const QRegularExpression kComentario(QStringLiteral("\\s+#.*$"));
    linea.remove(kComentario);
    const QString donde = QStringLiteral("line %1: ").arg(i + 1);
    if (linea.isEmpty() || linea.startsWith(QLatin1Char('#')) ||
        linea.startsWith(QLatin1Char(';'))) {
      continue;
    }
    if (linea.startsWith(QLatin1Char('[')) && linea.endsWith(QLatin1Char(']'))) {
      seccion = linea.mid(1, linea.size() - 2).simplified();
      if (seccion.startsWith(QLatin1String("plan "))) {
        const QString nombre = seccion.mid(5);
        c.planes[nombre].nombre = nombre;
      } else if (seccion != QLatin1String("servidor") && seccion != QLatin1String("s3") &&
                 seccion != QLatin1String("cuentas")) {
        return donde + QStringLiteral("unknown section [%1]").arg(seccion);
      }
      continue;
    }
    const qsizetype igual = linea.indexOf(QLatin1Char('='));
    if (igual <= 0) return donde + QStringLiteral("expected key = value");
    const QString clave = linea.left(igual).trimmed();
    const std::optional<QString> valor = expandir(linea.mid(igual + 1).trimmed(), entorno);
    if (!valor) return donde + QStringLiteral("an environment variable in the value is not set");
    bool bien = false;
    if (seccion == QLatin1String("servidor") || seccion == QLatin1String("s3")) {
      const auto& claves = seccion == QLatin1String("s3") ? clavesDeS3() : clavesDelServidor();
      const auto it = claves.find(clave);
      if (it == claves.end()) return donde + QStringLiteral("unknown key %1").arg(clave);
      bien = it->second(c, *valor);
    } else if (seccion.startsWith(QLatin1String("plan "))) {
      bien = asignarAlPlan(c.planes[seccion.mid(5)], clave, *valor);
    } else if (seccion == QLatin1String("cuentas")) {
      bien = !valor->isEmpty();
      c.cuentas[clave.toUtf8()] = *valor;
    } else {
      return donde + QStringLiteral("a key outside any section");
    }
    if (!bien) return donde + QStringLiteral("bad value for %1").arg(clave);
  }
  for (const auto& [variable, destino] : variables()) {
    const auto it = entorno.find(variable);
    if (it == entorno.end()) continue;
    const auto& claves = destino.first == QLatin1String("s3") ? clavesDeS3() : clavesDelServidor();
    if (!claves.at(destino.second)(c, it->second)) {
      return QStringLiteral("%1: bad value").arg(variable);
    }
  }

  if (c.planes.empty()) c.planes[c.planPorDefecto].nombre = c.planPorDefecto;
  // Only accounts registered on first use get the default plan.
  if (c.registroAbierto && !c.plan(c.planPorDefecto)) {
    return QStringLiteral("plan_por_defecto: no [plan %1]").arg(c.planPorDefecto);
  }
  for (const auto& [cuenta, plan] : c.cuentas) {
    if (!c.plan(plan)) return QStringLiteral("[cuentas]: no [plan %1]").arg(plan);
  }
  for (const auto& [nombre, plan] : c.planes) {
    if (plan.retenciones.isEmpty()) return QStringLiteral("[plan %1]: no retenciones").arg(nombre);
  }
  if (c.endpoint.isEmpty() || c.bucket.isEmpty())
    return QStringLiteral("[s3]: endpoint and bucket are needed");
  if (!FirmaS3::destino(QStringLiteral("x"), c.endpoint, c.bucket, c.estiloRuta)) {
    return QStringLiteral("[s3]: the endpoint is not a web address: %1").arg(c.endpoint);
  }
  if (c.accessKey.isEmpty() || c.secretKey.isEmpty()) {
    return QStringLiteral(
        "[s3]: access_key and secret_key are needed "
        "(or CORVALIN_CLOUD_S3_ACCESS_KEY and CORVALIN_CLOUD_S3_SECRET_KEY)");
  }
  while (c.prefijo.startsWith(QLatin1Char('/'))) c.prefijo.remove(0, 1);
  if (!c.prefijo.isEmpty() && !c.prefijo.endsWith(QLatin1Char('/'))) c.prefijo += QLatin1Char('/');
  for (QString* base : {&c.direccionPublica, &c.basePublica}) {
    while (base->endsWith(QLatin1Char('/'))) base->chop(1);
    if (base->isEmpty()) continue;
    const QUrl url(*base, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() ||
        (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))) {
      return QStringLiteral("not a web address: %1").arg(*base);
    }
  }
  return c;
}

std::map<QString, QString> entornoDelProceso() {
  std::map<QString, QString> e;
  const QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
  for (const QString& nombre : entorno.keys()) e[nombre] = entorno.value(nombre);
  return e;
}

}  // namespace corvalin::nube
