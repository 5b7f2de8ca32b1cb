// The recovery copy of an open document: the picture, the picture as captured, the annotations
// and the whole undo and redo history, kept in a folder of its own under Corvalin's state
// folder so that a crash or a logout loses none of it.
//
// The folder holds one description, `documento.json`, and the pictures it names as PNG files.
// Pictures are written once and shared by every history step that shows them; the description
// is replaced whole by rename after the pictures it names are on disk, so the folder always
// holds a complete copy: the last one or the one before.
#pragma once

#include <QDateTime>
#include <QImage>
#include <QString>
#include <map>
#include <optional>
#include <vector>

#include "editor/editor_document.h"

namespace corvalin {

struct CopiaDeDocumento {
  Documento actual;
  std::vector<Documento> deshacer;  // oldest first, as Historial keeps them
  std::vector<Documento> rehacer;
};

// What is known of a folder's copy without reading its pictures.
struct CopiaPendiente {
  QString carpeta;
  QDateTime cuando;  // the last write
  QSize tamano;      // of the current picture
  int formas = 0;    // annotations on it
};

// Where the copies live: <state folder>/recovery.
QString carpetaDeCopias();

// Writes copies into one folder, remembering which pictures are already there. Not thread-safe:
// one writer per folder, used from one thread at a time.
class EscritorDeCopia {
 public:
  explicit EscritorDeCopia(QString carpeta);

  const QString& carpeta() const { return carpeta_; }
  // Pictures already in the folder (a copy being adopted), by the cache key of the image read.
  void conocer(const QImage& imagen, const QString& archivo);

  // False when the folder or a file couldn't be written; the previous copy is then intact.
  bool escribir(const CopiaDeDocumento& copia);
  // Removes the folder and everything in it.
  void borrar();

 private:
  QString nombreDe(const QImage& imagen, bool* ok);

  QString carpeta_;
  QString prefijo_;  // new pictures' names start with it: never a name another writer used
  int siguiente_ = 0;
  std::map<qint64, QString> archivos_;  // QImage::cacheKey → file in the folder
};

// Reads the copy in `carpeta`; nothing when its description is missing, malformed or names a
// picture that can't be read. `archivos`, when given, receives every picture read with its file.
std::optional<CopiaDeDocumento> leerCopia(const QString& carpeta,
                                          std::map<QString, QImage>* archivos = nullptr);

// The copies left by Corvalin processes that are no longer running, newest first; copies of a
// running process (this one included) are left out, and so are unreadable descriptions.
std::vector<CopiaPendiente> copiasPendientes(const QString& base = carpetaDeCopias());

// A folder for a new document's copy under `base` (made when first written).
QString carpetaNuevaDeCopia(const QString& base = carpetaDeCopias());

}  // namespace corvalin
