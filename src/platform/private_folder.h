// Where Corvalin keeps files on their way somewhere (captures before the editor, recordings in
// progress): a folder of this process in the system's temporary folder, made with mkdtemp and
// open to its owner alone (0700), so that other users of the machine can't read what was on the
// screen. At exit it goes if it is empty; otherwise it stays: a recording copied to the
// clipboard still points into it.
#pragma once

#include <QString>

namespace corvalin {

// The folder, made on first use; the system's temporary folder itself if it can't be made.
QString carpetaPrivada();

// Makes a new private folder under `base`: its path, or empty when it couldn't.
QString crearCarpetaPrivada(const QString& base);

// Corvalin's folder for what it keeps between runs ($XDG_STATE_HOME/corvalin, by default
// ~/.local/state/corvalin); not created here.
QString carpetaDeEstado();

// Makes `ruta` and every missing folder above it; the last one is open to its owner alone.
bool crearCarpetaSoloMia(const QString& ruta);

// Writes `bytes` to `ruta` whole or not at all: into a new file of the same folder made 0600
// (never through a symlink), flushed to disk, then renamed over `ruta`. False with nothing
// changed when any step fails.
bool escribirArchivoPrivado(const QString& ruta, const QByteArray& bytes);

// Makes the empty file `ruta` for its owner alone (0600), never through a symlink and never
// over an existing file; a writer that opens it afterwards keeps that mode.
bool crearArchivoPrivado(const QString& ruta);

// The mode a new file gets (0666 less the umask), read without changing the umask, which
// would change it for every thread meanwhile.
unsigned modoHabitual();
// Gives a file copied out of a private folder that mode.
bool darModoHabitual(const QString& ruta);

}  // namespace corvalin
