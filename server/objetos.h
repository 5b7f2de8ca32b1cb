// The bucket behind corvalin-cloud: presigned slots and links, and the few calls the server
// makes itself (is an object there and how big; delete it). Requests are signed with the same
// signer the app uploads with.
#pragma once

#include <QDateTime>
#include <QString>
#include <QUrl>
#include <cstdint>
#include <optional>

#include "configuracion.h"

namespace corvalin::nube {

class Objetos {
 public:
  virtual ~Objetos() = default;
  // An address for one PUT of exactly `bytes` bytes of type `tipo`, valid `segundos`.
  virtual QUrl ranura(const QString& objeto, int64_t bytes, const QString& tipo,
                      const QDateTime& ahora, int segundos) const = 0;
  virtual QUrl lectura(const QString& objeto, const QDateTime& ahora, int segundos) const = 0;
  // The object's size; nothing when it is not there. Throws std::runtime_error when the store
  // could not tell.
  virtual std::optional<int64_t> tamano(const QString& objeto) const = 0;
  // False when the store refused or could not be reached (a missing object counts as deleted).
  virtual bool borrar(const QString& objeto) const = 0;
};

// Makes sure the bucket is there before the server starts: waits up to `segundos` for the
// store to answer and creates the bucket when it doesn't exist. Empty, or what went wrong.
QString prepararBucket(const Configuracion& config, int segundos);

// An S3-compatible store over HTTP(S).
class ObjetosS3 : public Objetos {
 public:
  explicit ObjetosS3(const Configuracion& config);
  QUrl ranura(const QString& objeto, int64_t bytes, const QString& tipo, const QDateTime& ahora,
              int segundos) const override;
  QUrl lectura(const QString& objeto, const QDateTime& ahora, int segundos) const override;
  std::optional<int64_t> tamano(const QString& objeto) const override;
  bool borrar(const QString& objeto) const override;

 private:
  friend QString prepararBucket(const Configuracion& config, int segundos);
  // The signed request's status, or -1 when the store could not be reached. An empty key is
  // the bucket.
  int pedir(const QString& metodo, const QString& objeto, int64_t* largo) const;

  QString endpoint_;
  QString bucket_;
  bool estiloRuta_;
  QString access_;
  QString secret_;
  QString region_;
};

}  // namespace corvalin::nube
