// Interface texts. Every text is written in Spanish and looked up by that exact Spanish text
// in one compiled-in table for its English form; the language is chosen once per run.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

namespace corvalin {

class SettingsStore;

enum class Idioma { español, ingles };

QString rawValue(Idioma idioma);       // "es", "en"
QString nombreVisible(Idioma idioma);  // "Español", "English"

// The stored choice ("idioma"), else the first preferred language of the system: English if
// it starts with "en", Spanish otherwise (and when the list is empty).
Idioma leerElegido(const SettingsStore& store, const QStringList& preferidos);

// The language of this run, decided on first use and kept for the life of the process.
Idioma idiomaActual();

// Pins the language of this run; start-up code and tests use it before the first lookup.
void fijarIdiomaActual(Idioma idioma);

// What a language change does once the choice is stored: start the new process and end this
// one. Tests replace both.
struct Reinicio {
  std::function<void()> antesDeLanzar;  // e.g. let go of the single-instance lock
  std::function<bool()> lanzar;         // starts the new process
  std::function<void()> terminar;       // ends this one
};
Reinicio reinicioDelSistema();
// Stores `idioma` under "idioma", writes the settings to disk and restarts. Choosing the
// language that is already active does nothing.
void cambiarYReiniciar(Idioma idioma, const Reinicio& reinicio = reinicioDelSistema());
// Run by the system restart before the new process starts; the app shell installs it.
void alReiniciar(std::function<void()> accion);

// The English form of a Spanish text, or the text itself when the table has none.
QString traducir(const QString& es, Idioma idioma);

// The text in the current language.
QString L(const char* es);
QString L(const QString& es);

// printf-style filling: "%@" and "%n$@" take any argument as text; %d, %i, %u, %ld, %02d,
// %f, %.1f, %s, %x and "%%" behave as in C.
QString formatear(const QString& formato, const QVariantList& argumentos);

namespace detail {
inline QVariant comoVariante(const char* s) {
  return QString::fromUtf8(s);
}
inline QVariant comoVariante(const QString& s) {
  return s;
}
template <typename T>
QVariant comoVariante(const T& value) {
  return QVariant::fromValue(value);
}
}  // namespace detail

// The format chosen in the current language, then filled.
template <typename... Args>
QString L(const char* formato, const Args&... args) {
  return formatear(L(formato), QVariantList{detail::comoVariante(args)...});
}

}  // namespace corvalin
