// What the own-bucket part of the Upload page holds while the user edits it, the checks it
// passes before it is stored, and the save itself: plain values over the settings and the
// keyring, so that the page's widgets only show and collect them.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "core/settings.h"

namespace corvalin {

struct FormularioDeBucket {
  QString endpoint;
  QString region;
  QString bucket;
  QString prefix;
  QString publicBase;
  QString accessKey;
  QString secretKey;
  // Only keys that were loaded into the form are saved; until then the keyring's stay as they
  // are, so that opening and saving the page never wipes them.
  bool llavesCargadas = false;
  bool pathStyle = false;
  bool publicRead = false;
  bool presign = false;
  int presignDays = 7;

  // The stored values, keys not loaded.
  static FormularioDeBucket leer(const Settings& settings);
  // The keys, from the settings' cache (read from the keyring when not cached yet).
  void cargarLlaves(Settings& settings);
};

// What the checks found: problems that stop the save, and corrections made to the form.
struct RevisionDeBucket {
  QStringList problemas;
  QStringList arreglos;
  bool valida() const { return problemas.isEmpty(); }
};

// An endpoint or public base typed without "https://" gets it (and says so); one with another
// scheme, or that is no address, is refused; a bucket name with spaces, slashes or other
// characters no bucket name has is refused. Texts in the interface language.
RevisionDeBucket revisar(FormularioDeBucket& formulario);

// Stores the upload destination and the form, in this order: "uploadTarget"; "endpoint",
// "region" and "bucket" trimmed; the keys trimmed into the keyring through `guardarLlave`
// (account, value), when they were loaded; "prefix" as typed; "publicBase" trimmed;
// "pathStyle"; "acl" as "public-read" or empty; "presign"; "presignDays" clamped to 1…7.
void guardar(const FormularioDeBucket& formulario, DestinoDeSubida destino, Settings& settings,
             const std::function<void(const QString& cuenta, const QString& valor)>& guardarLlave);

// "Caduca en 1 día" / "Caduca en %@ días".
QString textoDeCaducidad(int dias);

}  // namespace corvalin
