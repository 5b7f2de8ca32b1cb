#include "ocr_samples.h"

#include <QColor>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <algorithm>
#include <utility>

namespace corvalin::ocr_samples {
namespace {

// Phrases of the kind screenshots are taken of: settings, messages, menus and dates, with the
// accents, ñ, ü and inverted marks of Spanish and the punctuation and figures of both languages.
const QStringList& frases(Lengua lengua) {
  static const QStringList es{"Configuración de la cuenta",
                              "El niño pidió más piñones en la tienda.",
                              "Año nuevo, vida nueva: ¿qué planes tienes?",
                              "Guardar cambios antes de cerrar la ventana",
                              "Contraseña incorrecta. Inténtalo otra vez.",
                              "Compartir enlace con el equipo de diseño",
                              "Última actualización: 14 de julio de 2023",
                              "Presiona Mayúsculas para elegir varios",
                              "Búsqueda rápida en todos los documentos",
                              "El pingüino comió camarón con jamón",
                              "Ajustes de notificación y privacidad",
                              "Mañana a las 10:30 en la oficina de Peñalolén",
                              "¡Listo! Tu captura se copió al portapapeles",
                              "Tamaño del archivo: 2,4 MB (1920 x 1080)",
                              "Señal débil; revisa la conexión inalámbrica",
                              "Reunión del miércoles con Begoña y Íñigo"};
  static const QStringList en{"Account settings and preferences",
                              "Save your changes before closing the window",
                              "The quick brown fox jumps over the lazy dog",
                              "Incorrect password. Please try again.",
                              "Share this link with the design team",
                              "Last updated on July 14, 2023 at 9:45 AM",
                              "Search all documents and folders",
                              "Your screenshot was copied to the clipboard",
                              "Download 3 new files (12.5 MB)",
                              "Turn on notifications for new messages",
                              "Open recent projects from the File menu",
                              "Keyboard shortcut: press Ctrl+Shift+S",
                              "Write to support@example.com for help",
                              "Back up your photos every night at 2 AM",
                              "Weekly report for the marketing group",
                              "Battery low: 15% remaining"};
  return lengua == Lengua::es ? es : en;
}

using Par = std::pair<QString, QString>;

// Labels and their values, for settings pages.
const std::vector<Par>& pares(Lengua lengua) {
  const auto hacer = [](const QStringList& l) {
    std::vector<Par> v;
    for (qsizetype i = 0; i + 1 < l.size(); i += 2) v.emplace_back(l[i], l[i + 1]);
    return v;
  };
  static const std::vector<Par> es =
      hacer({"Idioma", "Español", "Tamaño del texto", "Mediano", "Contraseña",
             "Cambiada hace 3 días", "Ubicación de descargas", "Carpeta personal", "Notificaciones",
             "Solo mensajes directos", "Año de nacimiento", "1987", "Compañía",
             "Peñaflor y Asociados", "Sincronización", "Automática cada 15 minutos"});
  static const std::vector<Par> en =
      hacer({"Language", "English", "Text size", "Medium", "Password", "Changed 3 days ago",
             "Download location", "Home folder", "Notifications", "Direct messages only",
             "Time zone", "Buenos Aires (GMT-3)", "Storage used", "12.4 GB of 50 GB",
             "Automatic updates", "Every Sunday"});
  return lengua == Lengua::es ? es : en;
}

QFont fuente(const QString& familia, int pixeles, bool negrita = false) {
  QFont f(familia);
  f.setPixelSize(pixeles);
  f.setBold(negrita);
  f.setStyleStrategy(QFont::PreferAntialias);
  return f;
}

QImage lienzo(int ancho, int alto, QColor fondo) {
  QImage imagen(ancho, alto, QImage::Format_RGB32);
  imagen.fill(fondo);
  return imagen;
}

void preparar(QPainter& p) {
  p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
}

// Paragraph text: a bold title, body lines and one grey secondary line.
QImage parrafo(const QStringList& lineas, const QString& familia, int px, bool oscuro) {
  const QColor fondo = oscuro ? QColor(0x24, 0x24, 0x24) : QColor(0xFF, 0xFF, 0xFF);
  const QColor tinta = oscuro ? QColor(0xFF, 0xFF, 0xFF) : QColor(0x1E, 0x1E, 0x1E);
  const QColor tenue = oscuro ? QColor(0xC0, 0xBF, 0xBC) : QColor(0x5E, 0x5C, 0x64);
  const int margen = px + px / 2, paso = px * 3 / 2 + 2;
  int ancho = 0;
  for (int i = 0; i < lineas.size(); ++i)
    ancho = std::max(ancho, QFontMetrics(fuente(familia, px, i == 0)).horizontalAdvance(lineas[i]));
  QImage imagen = lienzo(ancho + 2 * margen, 2 * margen + paso * int(lineas.size()), fondo);
  QPainter p(&imagen);
  preparar(p);
  for (int i = 0; i < lineas.size(); ++i) {
    p.setFont(fuente(familia, px, i == 0));
    p.setPen(i == 3 ? tenue : tinta);
    p.drawText(margen, margen + paso * i + px, lineas[i]);
  }
  return imagen;
}

// A menu: rows twice the text size tall, the middle one selected.
QImage menu(const QStringList& lineas, const QString& familia, int px) {
  const int margen = px, fila = px * 2 + 4, elegida = int(lineas.size()) / 2;
  const QFont f = fuente(familia, px);
  int ancho = 0;
  for (const QString& l : lineas) ancho = std::max(ancho, QFontMetrics(f).horizontalAdvance(l));
  ancho += 2 * margen + 2 * px;
  QImage imagen = lienzo(ancho, 2 * margen + fila * int(lineas.size()), QColor(0xFA, 0xFA, 0xFA));
  QPainter p(&imagen);
  preparar(p);
  p.setFont(f);
  for (int i = 0; i < lineas.size(); ++i) {
    const int arriba = margen + fila * i;
    if (i == elegida) {
      QPainterPath fondo;
      fondo.addRoundedRect(QRectF(margen / 2, arriba, ancho - margen, fila), 5, 5);
      p.fillPath(fondo, QColor(0x35, 0x84, 0xE4));
      p.setPen(Qt::white);
    } else {
      p.setPen(QColor(0x2E, 0x34, 0x36));
    }
    const int base = arriba + (fila + QFontMetrics(f).ascent() - QFontMetrics(f).descent()) / 2;
    p.drawText(margen + px, base, lineas[i]);
  }
  return imagen;
}

// A conversation: bubbles alternate between the left (grey, dark text) and the right (blue,
// white text).
QImage chat(const QStringList& lineas, const QString& familia, int px) {
  const QFont f = fuente(familia, px);
  const QFontMetrics m(f);
  const int margen = px, relleno = px * 3 / 4 + 2, separacion = px / 2 + 2;
  const int alto = m.height() + 2 * relleno;
  int mas = 0;
  for (const QString& l : lineas) mas = std::max(mas, m.horizontalAdvance(l));
  const int ancho = mas + 2 * relleno + 2 * margen + 6 * px;
  QImage imagen =
      lienzo(ancho, 2 * margen + (alto + separacion) * int(lineas.size()), QColor(Qt::white));
  QPainter p(&imagen);
  preparar(p);
  p.setFont(f);
  for (int i = 0; i < lineas.size(); ++i) {
    const int w = m.horizontalAdvance(lineas[i]) + 2 * relleno;
    const bool mia = i % 2 == 1;
    const int x = mia ? ancho - margen - w : margen;
    const int y = margen + (alto + separacion) * i;
    QPainterPath burbuja;
    burbuja.addRoundedRect(QRectF(x, y, w, alto), alto / 2.5, alto / 2.5);
    p.fillPath(burbuja, mia ? QColor(0x0A, 0x84, 0xFF) : QColor(0xE9, 0xE9, 0xEB));
    p.setPen(mia ? QColor(Qt::white) : QColor(Qt::black));
    p.drawText(x + relleno, y + relleno + m.ascent(), lineas[i]);
  }
  return imagen;
}

// A settings page: the label at the left edge, its value right-aligned far away on the same row.
QImage pagina(const std::vector<Par>& filas, const QString& familia, int px) {
  const QFont f = fuente(familia, px);
  const QFontMetrics m(f);
  const int margen = px + 4, fila = px * 2 + 6;
  int etiquetas = 0, valores = 0;
  for (const auto& [etiqueta, valor] : filas) {
    etiquetas = std::max(etiquetas, m.horizontalAdvance(etiqueta));
    valores = std::max(valores, m.horizontalAdvance(valor));
  }
  const int ancho = etiquetas + valores + 2 * margen + 8 * px;
  QImage imagen = lienzo(ancho, 2 * margen + fila * int(filas.size()), QColor(0xF6, 0xF5, 0xF4));
  QPainter p(&imagen);
  preparar(p);
  p.setFont(f);
  for (size_t i = 0; i < filas.size(); ++i) {
    const int base = margen + fila * int(i) + (fila + m.ascent() - m.descent()) / 2;
    p.setPen(QColor(0x1E, 0x1E, 0x1E));
    p.drawText(margen, base, filas[i].first);
    p.setPen(QColor(0x5E, 0x5C, 0x64));
    p.drawText(ancho - margen - m.horizontalAdvance(filas[i].second), base, filas[i].second);
    if (i + 1 < filas.size())
      p.fillRect(margen, margen + fila * int(i + 1), ancho - 2 * margen, 1,
                 QColor(0xDE, 0xDD, 0xDA));
  }
  return imagen;
}

}  // namespace

Muestra dibujar(const QString& familia, int pixeles, Tema tema, Lengua lengua, int desde,
                int lineas) {
  static const char* const temas[] = {"claro", "oscuro", "resaltado", "burbujas", "ajustes"};
  Muestra muestra;
  muestra.nombre =
      QStringLiteral("%1-%2px-%3-%4")
          .arg(familia)
          .arg(pixeles)
          .arg(QString::fromLatin1(temas[int(tema)]), lengua == Lengua::es ? "es" : "en")
          .replace(' ', '_');
  if (tema == Tema::ajustes) {
    const auto& todos = pares(lengua);
    std::vector<Par> filas;
    QStringList texto;
    for (int i = 0; i < lineas; ++i) {
      filas.push_back(todos[(desde + i) % todos.size()]);
      texto << filas.back().first + ' ' + filas.back().second;
    }
    muestra.imagen = pagina(filas, familia, pixeles);
    muestra.referencia = texto.join('\n');
    return muestra;
  }
  const QStringList& todas = frases(lengua);
  QStringList elegidas;
  for (int i = 0; i < lineas; ++i) elegidas << todas[(desde + i) % todas.size()];
  switch (tema) {
    case Tema::claro:
    case Tema::oscuro:
      muestra.imagen = parrafo(elegidas, familia, pixeles, tema == Tema::oscuro);
      break;
    case Tema::resaltado:
      muestra.imagen = menu(elegidas, familia, pixeles);
      break;
    case Tema::burbujas:
    case Tema::ajustes:
      muestra.imagen = chat(elegidas, familia, pixeles);
      break;
  }
  muestra.referencia = elegidas.join('\n');
  return muestra;
}

QStringList familias() {
  return {"DejaVu Sans",  "Liberation Sans",  "Cantarell",
          "DejaVu Serif", "Liberation Serif", "DejaVu Sans Mono"};
}

QStringList familiasQueFaltan() {
  const QStringList hay = QFontDatabase::families();
  QStringList faltan;
  for (const QString& f : familias())
    if (!hay.contains(f, Qt::CaseInsensitive)) faltan << f;
  return faltan;
}

QString normalizar(const QString& texto) {
  static const QRegularExpression espacios(QStringLiteral("[ \\t]+"));
  QStringList lineas;
  for (QString linea : texto.normalized(QString::NormalizationForm_C).split('\n')) {
    linea.replace(espacios, QStringLiteral(" "));
    linea = linea.trimmed();
    if (!linea.isEmpty()) lineas << linea;
  }
  return lineas.join('\n');
}

namespace {

double distanciaRelativa(const QString& a, const QString& b) {
  if (b.isEmpty()) return a.isEmpty() ? 0.0 : 1.0;
  std::vector<int> previa(b.size() + 1), actual(b.size() + 1);
  for (qsizetype j = 0; j <= b.size(); ++j) previa[j] = int(j);
  for (qsizetype i = 1; i <= a.size(); ++i) {
    actual[0] = int(i);
    for (qsizetype j = 1; j <= b.size(); ++j) {
      const int cambio = previa[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
      actual[j] = std::min({previa[j] + 1, actual[j - 1] + 1, cambio});
    }
    std::swap(previa, actual);
  }
  return double(previa[b.size()]) / double(b.size());
}

}  // namespace

double tasaDeError(const QString& leido, const QString& referencia) {
  return distanciaRelativa(normalizar(leido), normalizar(referencia));
}

}  // namespace corvalin::ocr_samples
