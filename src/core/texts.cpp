#include "core/texts.h"

#include <QCoreApplication>
#include <QHash>
#include <QLocale>
#include <QProcess>
#include <optional>

#include "core/settings.h"
#include "core/texts_table.h"
#include "platform/main_thread.h"

namespace corvalin {
namespace {

std::optional<Idioma>& idiomaFijado() {
  static std::optional<Idioma> idioma;
  return idioma;
}

std::function<void()>& accionAntesDeReiniciar() {
  static std::function<void()> accion;
  return accion;
}

const QHash<QString, QString>& tablaIngles() {
  static const QHash<QString, QString> table = [] {
    QHash<QString, QString> t;
    t.reserve(static_cast<qsizetype>(kTextPairCount));
    for (std::size_t i = 0; i < kTextPairCount; ++i) {
      const QString es = QString::fromUtf8(kTextPairs[i].es);
      if (!t.contains(es)) t.insert(es, QString::fromUtf8(kTextPairs[i].en));
    }
    return t;
  }();
  return table;
}

// One conversion of a printf-style format: flags, width, precision and the conversion letter.
struct Conversion {
  bool zeroPad = false;
  bool leftAlign = false;
  bool plus = false;
  int width = 0;
  int precision = -1;
  QChar letter;
};

QString aplicarAncho(QString text, const Conversion& c) {
  if (text.size() >= c.width) return text;
  const qsizetype pad = c.width - text.size();
  if (c.leftAlign) return text + QString(pad, QLatin1Char(' '));
  if (c.zeroPad && c.letter != QLatin1Char('@') && c.letter != QLatin1Char('s')) {
    const bool negative = text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('+'));
    if (negative) return text.left(1) + QString(pad, QLatin1Char('0')) + text.mid(1);
    return QString(pad, QLatin1Char('0')) + text;
  }
  return QString(pad, QLatin1Char(' ')) + text;
}

QString convertir(const QVariant& value, const Conversion& c) {
  QString text;
  switch (c.letter.toLatin1()) {
    case '@':
    case 's':
      if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
        text = QString::number(value.toDouble(), 'g', 15);
      } else {
        text = value.toString();
      }
      break;
    case 'd':
    case 'i':
      text = QString::number(value.toLongLong());
      if (c.plus && value.toLongLong() >= 0) text.prepend(QLatin1Char('+'));
      break;
    case 'u':
      text = QString::number(value.toULongLong());
      break;
    case 'x':
      text = QString::number(value.toULongLong(), 16);
      break;
    case 'X':
      text = QString::number(value.toULongLong(), 16).toUpper();
      break;
    case 'f':
    case 'F':
      text = QString::number(value.toDouble(), 'f', c.precision < 0 ? 6 : c.precision);
      if (c.plus && value.toDouble() >= 0) text.prepend(QLatin1Char('+'));
      break;
    default:
      text = value.toString();
      break;
  }
  return aplicarAncho(text, c);
}

}  // namespace

QString rawValue(Idioma idioma) {
  return idioma == Idioma::ingles ? QStringLiteral("en") : QStringLiteral("es");
}

QString nombreVisible(Idioma idioma) {
  return idioma == Idioma::ingles ? QStringLiteral("English") : QStringLiteral("Español");
}

Idioma leerElegido(const SettingsStore& store, const QStringList& preferidos) {
  const QString stored = store.string(QStringLiteral("idioma"));
  if (stored == QLatin1String("es")) return Idioma::español;
  if (stored == QLatin1String("en")) return Idioma::ingles;
  const QString first = preferidos.isEmpty() ? QStringLiteral("es") : preferidos.first();
  return first.startsWith(QLatin1String("en"), Qt::CaseInsensitive) ? Idioma::ingles
                                                                    : Idioma::español;
}

Idioma idiomaActual() {
  std::optional<Idioma>& fijado = idiomaFijado();
  if (!fijado) fijado = leerElegido(Settings::shared().d(), QLocale::system().uiLanguages());
  return *fijado;
}

void fijarIdiomaActual(Idioma idioma) {
  idiomaFijado() = idioma;
}

void alReiniciar(std::function<void()> accion) {
  accionAntesDeReiniciar() = std::move(accion);
}

Reinicio reinicioDelSistema() {
  return Reinicio{
      [] {
        if (accionAntesDeReiniciar()) accionAntesDeReiniciar()();
      },
      [] { return QProcess::startDetached(QCoreApplication::applicationFilePath(), {}); },
      [] { salirDeLaAplicacion(); }};
}

void cambiarYReiniciar(Idioma idioma, const Reinicio& reinicio) {
  if (idioma == idiomaActual()) return;
  SettingsStore& store = Settings::shared().d();
  store.set(QStringLiteral("idioma"), rawValue(idioma));
  store.sync();
  if (reinicio.antesDeLanzar) reinicio.antesDeLanzar();
  if (reinicio.lanzar) reinicio.lanzar();  // a failure to launch is not reported
  if (reinicio.terminar) reinicio.terminar();
}

QString traducir(const QString& es, Idioma idioma) {
  if (idioma != Idioma::ingles) return es;
  auto it = tablaIngles().constFind(es);
  return it != tablaIngles().constEnd() ? *it : es;
}

QString L(const char* es) {
  return traducir(QString::fromUtf8(es), idiomaActual());
}
QString L(const QString& es) {
  return traducir(es, idiomaActual());
}

QString formatear(const QString& formato, const QVariantList& argumentos) {
  QString out;
  out.reserve(formato.size() + 16);
  qsizetype next = 0;  // the next argument taken by a conversion without a position
  const qsizetype n = formato.size();
  for (qsizetype i = 0; i < n; ++i) {
    const QChar ch = formato[i];
    if (ch != QLatin1Char('%') || i + 1 >= n) {
      out += ch;
      continue;
    }
    if (formato[i + 1] == QLatin1Char('%')) {
      out += QLatin1Char('%');
      ++i;
      continue;
    }
    qsizetype j = i + 1;
    // An explicit position "n$".
    qsizetype position = -1;
    {
      qsizetype k = j;
      int number = 0;
      while (k < n && formato[k].isDigit()) number = number * 10 + formato[k++].digitValue();
      if (k > j && k < n && formato[k] == QLatin1Char('$')) {
        position = number - 1;
        j = k + 1;
      }
    }
    Conversion c;
    for (; j < n; ++j) {
      const QChar f = formato[j];
      if (f == QLatin1Char('0'))
        c.zeroPad = true;
      else if (f == QLatin1Char('-'))
        c.leftAlign = true;
      else if (f == QLatin1Char('+'))
        c.plus = true;
      else if (f == QLatin1Char(' ') || f == QLatin1Char('#'))
        continue;
      else
        break;
    }
    while (j < n && formato[j].isDigit()) c.width = c.width * 10 + formato[j++].digitValue();
    if (j < n && formato[j] == QLatin1Char('.')) {
      c.precision = 0;
      ++j;
      while (j < n && formato[j].isDigit())
        c.precision = c.precision * 10 + formato[j++].digitValue();
    }
    while (j < n && QStringView(u"hlqzjt").contains(formato[j])) ++j;  // length modifiers
    if (j >= n || !QStringView(u"@sdiuxXfF").contains(formato[j])) {
      out += ch;  // not a conversion: keep the percent sign as written
      continue;
    }
    c.letter = formato[j];
    const qsizetype index = position >= 0 ? position : next++;
    out += index < argumentos.size() ? convertir(argumentos[index], c) : QString();
    i = j;
  }
  return out;
}

}  // namespace corvalin
