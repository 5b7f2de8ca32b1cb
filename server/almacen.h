// What corvalin-cloud remembers, in SQLite (write-ahead log, synchronous commits): accounts
// (by the SHA-256 of their id, never the id itself), the files handed out and uploaded, and
// each account's uploads per day. One connection behind a mutex: every call is atomic, so a
// quota or a daily limit checked here holds under any number of request threads.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <variant>

struct sqlite3;

namespace corvalin::nube {

struct Archivo {
  QString objeto;
  QByteArray cuenta;  // the account's hash
  int64_t bytes = 0;
  QString tipo;
  int64_t cuando = 0;  // seconds since the epoch
  int64_t caduca = 0;
  int64_t ranuraHasta = 0;  // the upload slot's end; after it an unconfirmed file is checked
  bool confirmado = false;  // seen in the store
  bool borrado = false;     // deleted by its owner while its slot could still be used
};

class Almacen {
 public:
  // Opens or creates the database; the error says why it could not.
  static std::variant<std::unique_ptr<Almacen>, QString> abrir(const QString& ruta);
  ~Almacen();

  // The account's retention in days (0 when never chosen); nothing for an unknown account.
  std::optional<int> cuenta(const QByteArray& id);
  void registrar(const QByteArray& id, int64_t ahora);
  void guardarDias(const QByteArray& id, int dias);

  int64_t usado(const QByteArray& id);
  int64_t total(const QByteArray& id);
  int64_t subidasDelDia(const QByteArray& id, const QString& dia);

  enum class Tope { ninguno, diario, cuota };
  // Stores the file and counts today's upload unless the daily limit or the quota stops it;
  // `usado` and `hoy` get the account's figures as they were checked.
  Tope reservar(const Archivo& a, const QString& dia, int64_t diario, int64_t cuota, int64_t* usado,
                int64_t* hoy);
  // Newest first.
  QList<Archivo> pagina(const QByteArray& id, int64_t desde, int64_t cuantos);
  std::optional<Archivo> archivo(const QString& objeto);
  // The account's files uploaded before `antesDe` (all when not given).
  QList<Archivo> deCuenta(const QByteArray& id, std::optional<int64_t> antesDe);
  QList<Archivo> caducados(int64_t ahora);
  QList<Archivo> ranurasVencidas(int64_t ahora);
  void quitar(const QString& objeto);
  void confirmar(const QString& objeto, int64_t bytes);
  // Deleted for its owner now (out of every list and count), from the store at `cuando`.
  void aplazar(const QString& objeto, int64_t cuando);
  // A slot that was never used gives its day's upload back.
  void devolverSubida(const QByteArray& id, const QString& dia);

 private:
  explicit Almacen(sqlite3* db) : db_(db) {}

  sqlite3* db_;
  std::mutex mutex_;
};

}  // namespace corvalin::nube
