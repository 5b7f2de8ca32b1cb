#include "hotkeys/system_shortcuts.h"

#include <xkbcommon/xkbcommon.h>

#include <QFile>
#include <QKeySequence>
#include <QProcess>
#include <QStandardPaths>

#include "core/texts.h"
#include "hotkeys/key_positions.h"

namespace corvalin {
namespace {

const QLatin1String kMediaKeys("org.gnome.settings-daemon.plugins.media-keys");
const QLatin1String kAtajoPropio("org.gnome.settings-daemon.plugins.media-keys.custom-keybinding");

// GNOME's capture shortcuts, the ones most likely to collide with ours, by name; the rest
// count as "another system shortcut".
std::optional<QString> nombreGnome(const QString& schema, QString key) {
  if (schema != QLatin1String("org.gnome.shell.keybindings") && schema != kMediaKeys) return {};
  if (key.endsWith(QLatin1String("-clip"))) key.chop(5);  // the same, to the clipboard
  if (key == QLatin1String("show-screenshot-ui")) return L("Abrir la herramienta de capturas");
  if (key == QLatin1String("screenshot")) return L("Hacer una captura de pantalla");
  if (key == QLatin1String("screenshot-window") || key == QLatin1String("window-screenshot")) {
    return L("Hacer una captura de una ventana");
  }
  if (key == QLatin1String("area-screenshot")) return L("Hacer una captura de un área");
  if (key == QLatin1String("show-screen-recording-ui") || key == QLatin1String("screencast")) {
    return L("Grabar la pantalla");
  }
  return {};
}

// The quoted strings of a GVariant text value: 'a', ['a', "b's"], @as [] ...
QStringList cadenasDeGVariant(QStringView valor) {
  QStringList cadenas;
  for (qsizetype i = 0; i < valor.size(); ++i) {
    const QChar comilla = valor[i];
    if (comilla != u'\'' && comilla != u'"') continue;
    QString cadena;
    for (++i; i < valor.size() && valor[i] != comilla; ++i) {
      if (valor[i] == u'\\' && i + 1 < valor.size()) ++i;
      cadena += valor[i];
    }
    cadenas << cadena;
  }
  return cadenas;
}

// KConfig separates list items with commas, escaping the ones inside an item as "\,".
QStringList separarLista(const QString& valor) {
  QStringList partes{QString()};
  for (qsizetype i = 0; i < valor.size(); ++i) {
    if (valor[i] == u'\\' && i + 1 < valor.size()) {
      partes.last() += valor[++i];
    } else if (valor[i] == u',') {
      partes << QString();
    } else {
      partes.last() += valor[i];
    }
  }
  return partes;
}

QString ejecutar(const QString& programa, const QStringList& argumentos) {
  QProcess p;
  p.start(programa, argumentos);
  if (!p.waitForFinished(3000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
    p.kill();
    p.waitForFinished(500);
    return {};
  }
  return QString::fromUtf8(p.readAllStandardOutput());
}

}  // namespace

std::optional<Hotkey> hotkeyDeAceleradorGtk(const QString& acelerador) {
  QString resto = acelerador.trimmed();
  uint32_t mods = 0;
  while (resto.startsWith(u'<')) {
    const qsizetype fin = resto.indexOf(u'>');
    if (fin < 0) return std::nullopt;
    const QString tag = resto.mid(1, fin - 1).toLower();
    if (tag == QLatin1String("shift")) {
      mods |= Hotkey::kShift;
    } else if (tag == QLatin1String("control") || tag == QLatin1String("ctrl") ||
               tag == QLatin1String("primary")) {
      mods |= Hotkey::kControl;
    } else if (tag == QLatin1String("alt") || tag == QLatin1String("mod1")) {
      mods |= Hotkey::kOption;
    } else if (tag == QLatin1String("super") || tag == QLatin1String("mod4")) {
      mods |= Hotkey::kCommand;
    } else {
      return std::nullopt;  // Hyper, Meta, Release...: nothing a hotkey of ours can be
    }
    resto = resto.mid(fin + 1);
  }
  if (resto.isEmpty() || resto == QLatin1String("disabled")) return std::nullopt;
  const QByteArray nombre = resto.toUtf8();
  xkb_keysym_t keysym = xkb_keysym_from_name(nombre.constData(), XKB_KEYSYM_NO_FLAGS);
  if (keysym == XKB_KEY_NoSymbol) {
    keysym = xkb_keysym_from_name(nombre.constData(), XKB_KEYSYM_CASE_INSENSITIVE);
  }
  const std::optional<uint32_t> code = posicionDeKeysym(keysym);
  if (keysym == XKB_KEY_NoSymbol || !code) return std::nullopt;
  return Hotkey{*code, mods};
}

std::optional<Hotkey> hotkeyDeTextoQt(const QString& texto) {
  const QKeySequence secuencia =
      QKeySequence::fromString(texto.trimmed(), QKeySequence::PortableText);
  if (secuencia.count() != 1) return std::nullopt;
  const QKeyCombination combinacion = secuencia[0];
  const std::optional<uint32_t> keysym = keysymDeTeclaQt(combinacion.key());
  const std::optional<uint32_t> code = keysym ? posicionDeKeysym(*keysym) : std::nullopt;
  if (!code) return std::nullopt;
  const Qt::KeyboardModifiers m = combinacion.keyboardModifiers();
  uint32_t mods = 0;
  if (m & Qt::ShiftModifier) mods |= Hotkey::kShift;
  if (m & Qt::ControlModifier) mods |= Hotkey::kControl;
  if (m & Qt::AltModifier) mods |= Hotkey::kOption;
  if (m & Qt::MetaModifier) mods |= Hotkey::kCommand;
  return Hotkey{*code, mods};
}

AtajosDelEscritorio atajosDeGnome(const QString& listado) {
  AtajosDelEscritorio atajos;
  AtajoDelEscritorio propio;  // a custom keybinding spreads over its "binding" and "name" lines
  bool hayPropio = false;
  for (const QString& linea : listado.split(u'\n', Qt::SkipEmptyParts)) {
    const qsizetype a = linea.indexOf(u' ');
    const qsizetype b = a < 0 ? -1 : linea.indexOf(u' ', a + 1);
    if (b < 0) continue;
    const QString schema = linea.left(a);
    const QString key = linea.mid(a + 1, b - a - 1);
    const QStringList cadenas = cadenasDeGVariant(QStringView(linea).mid(b + 1));
    if (schema == kAtajoPropio) {
      hayPropio = true;
      if (key == QLatin1String("name") && !cadenas.isEmpty() && !cadenas[0].isEmpty()) {
        propio.nombre = cadenas[0];
      } else if (key == QLatin1String("binding") && !cadenas.isEmpty()) {
        if (std::optional<Hotkey> h = hotkeyDeAceleradorGtk(cadenas[0])) propio.combinaciones << *h;
      }
      continue;
    }
    if (!schema.contains(QLatin1String(".keybindings")) && schema != kMediaKeys) continue;
    AtajoDelEscritorio atajo;
    for (const QString& c : cadenas) {
      if (std::optional<Hotkey> h = hotkeyDeAceleradorGtk(c)) atajo.combinaciones << *h;
    }
    if (atajo.combinaciones.isEmpty()) continue;
    atajo.nombre = nombreGnome(schema, key);
    atajos << atajo;
  }
  if (hayPropio && !propio.combinaciones.isEmpty()) atajos << propio;
  return atajos;
}

QStringList rutasDeAtajosPropiosDeGnome(const QString& listado) {
  const QString prefijo = kMediaKeys + QLatin1String(" custom-keybindings ");
  for (const QString& linea : listado.split(u'\n', Qt::SkipEmptyParts)) {
    if (linea.startsWith(prefijo)) return cadenasDeGVariant(QStringView(linea).mid(prefijo.size()));
  }
  return {};
}

AtajosDelEscritorio atajosDeKde(const QString& texto) {
  AtajosDelEscritorio atajos;
  // "[services][app.desktop]" groups hold only the shortcuts, named after their application.
  std::optional<QString> aplicacion;
  const QLatin1String kServicios("[services][");
  for (QString linea : texto.split(u'\n', Qt::SkipEmptyParts)) {
    linea = linea.trimmed();
    if (linea.startsWith(u'[')) {
      aplicacion.reset();
      if (linea.startsWith(kServicios) && linea.endsWith(u']')) {
        aplicacion = linea.mid(kServicios.size(), linea.size() - kServicios.size() - 1);
        if (aplicacion->endsWith(QLatin1String(".desktop"))) aplicacion->chop(8);
      }
      continue;
    }
    const qsizetype igual = linea.indexOf(u'=');
    if (igual <= 0 || linea.startsWith(QLatin1String("_k_"))) continue;
    const QString accion = linea.left(igual);
    // Several shortcuts for one action are separated by a tab, written "\t" in the file.
    QString valor = linea.mid(igual + 1);
    valor.replace(QLatin1String("\\t"), QLatin1String("\t"));
    QString activos = valor;
    AtajoDelEscritorio atajo;
    atajo.nombre = aplicacion.value_or(accion);
    if (!aplicacion) {
      // active shortcuts, default shortcuts, friendly name
      const QStringList campos = separarLista(valor);
      activos = campos.value(0);
      if (campos.size() >= 3 && !campos[2].isEmpty()) atajo.nombre = campos[2];
    }
    for (const QString& t : activos.split(u'\t', Qt::SkipEmptyParts)) {
      if (t.trimmed() == QLatin1String("none")) continue;
      if (std::optional<Hotkey> h = hotkeyDeTextoQt(t)) atajo.combinaciones << *h;
    }
    if (!atajo.combinaciones.isEmpty()) atajos << atajo;
  }
  return atajos;
}

AtajosDelEscritorio leerAtajosDelEscritorio() {
  const QStringList escritorios =
      qEnvironmentVariable("XDG_CURRENT_DESKTOP").toUpper().split(u':', Qt::SkipEmptyParts);
  if (escritorios.contains(QLatin1String("GNOME"))) {
    const QString gsettings = QStringLiteral("gsettings");
    const QString listado = ejecutar(gsettings, {QStringLiteral("list-recursively")});
    AtajosDelEscritorio atajos = atajosDeGnome(listado);
    for (const QString& ruta : rutasDeAtajosPropiosDeGnome(listado)) {
      atajos << atajosDeGnome(
          ejecutar(gsettings, {QStringLiteral("list-recursively"), kAtajoPropio + u':' + ruta}));
    }
    return atajos;
  }
  if (escritorios.contains(QLatin1String("KDE"))) {
    QFile archivo(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                  QStringLiteral("/kglobalshortcutsrc"));
    if (!archivo.open(QIODevice::ReadOnly)) return {};
    return atajosDeKde(QString::fromUtf8(archivo.readAll()));
  }
  return {};
}

std::optional<QString> SystemShortcuts::conflicto(const Hotkey& hotkey,
                                                  const AtajosDelEscritorio& lista) {
  // A shortcut with a name is the better answer when unnamed ones share the combination.
  for (const AtajoDelEscritorio& atajo : lista) {
    if (atajo.nombre && atajo.combinaciones.contains(hotkey)) return atajo.nombre;
  }
  for (const AtajoDelEscritorio& atajo : lista) {
    if (atajo.combinaciones.contains(hotkey)) return L("otro atajo del sistema");
  }
  return std::nullopt;
}

}  // namespace corvalin
