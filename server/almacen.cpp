#include "almacen.h"

#include <sqlite3.h>

namespace corvalin::nube {
namespace {

const char* const kEsquema = R"(
CREATE TABLE IF NOT EXISTS cuentas (
  id BLOB PRIMARY KEY,
  dias INTEGER NOT NULL DEFAULT 0,
  creada INTEGER NOT NULL
);
CREATE TABLE IF NOT EXISTS archivos (
  objeto TEXT PRIMARY KEY,
  cuenta BLOB NOT NULL,
  bytes INTEGER NOT NULL,
  tipo TEXT NOT NULL,
  cuando INTEGER NOT NULL,
  caduca INTEGER NOT NULL,
  ranura_hasta INTEGER NOT NULL,
  confirmado INTEGER NOT NULL DEFAULT 0,
  borrado INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX IF NOT EXISTS archivos_por_cuenta ON archivos (cuenta, cuando);
CREATE INDEX IF NOT EXISTS archivos_por_caducidad ON archivos (caduca);
CREATE TABLE IF NOT EXISTS subidas (
  cuenta BLOB NOT NULL,
  dia TEXT NOT NULL,
  n INTEGER NOT NULL,
  PRIMARY KEY (cuenta, dia)
);
)";

// One prepared statement, finalized on scope exit.
class Sentencia {
 public:
  Sentencia(sqlite3* db, const QByteArray& sql) {
    sqlite3_prepare_v2(db, sql.constData(), -1, &s_, nullptr);
  }
  ~Sentencia() { sqlite3_finalize(s_); }
  Sentencia& blob(int i, const QByteArray& b) {
    sqlite3_bind_blob(s_, i, b.constData(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Sentencia& texto(int i, const QString& t) {
    const QByteArray u = t.toUtf8();
    sqlite3_bind_text(s_, i, u.constData(), static_cast<int>(u.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Sentencia& entero(int i, int64_t n) {
    sqlite3_bind_int64(s_, i, n);
    return *this;
  }
  bool fila() { return s_ && sqlite3_step(s_) == SQLITE_ROW; }
  void ejecutar() {
    if (s_) sqlite3_step(s_);
  }
  int64_t col(int i) const { return sqlite3_column_int64(s_, i); }
  QString colTexto(int i) const {
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s_, i)),
                             sqlite3_column_bytes(s_, i));
  }
  QByteArray colBlob(int i) const {
    return QByteArray(static_cast<const char*>(sqlite3_column_blob(s_, i)),
                      sqlite3_column_bytes(s_, i));
  }

 private:
  sqlite3_stmt* s_ = nullptr;
};

const char* const kColumnas =
    "SELECT objeto, cuenta, bytes, tipo, cuando, caduca, ranura_hasta, confirmado, borrado FROM "
    "archivos ";

QByteArray consulta(const char* donde) {
  return QByteArray(kColumnas) + donde;
}

Archivo leerArchivo(const Sentencia& s) {
  return Archivo{s.colTexto(0), s.colBlob(1), s.col(2),      s.colTexto(3), s.col(4),
                 s.col(5),      s.col(6),     s.col(7) != 0, s.col(8) != 0};
}

QList<Archivo> todas(Sentencia& s) {
  QList<Archivo> lista;
  while (s.fila()) lista << leerArchivo(s);
  return lista;
}

int64_t unNumero(sqlite3* db, const char* sql, const QByteArray& id, const QString& dia = {}) {
  Sentencia s(db, sql);
  s.blob(1, id);
  if (!dia.isEmpty()) s.texto(2, dia);
  return s.fila() ? s.col(0) : 0;
}

}  // namespace

std::variant<std::unique_ptr<Almacen>, QString> Almacen::abrir(const QString& ruta) {
  sqlite3* db = nullptr;
  const int abierto = sqlite3_open_v2(
      ruta.toUtf8().constData(), &db,
      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX | SQLITE_OPEN_NOFOLLOW,
      nullptr);
  auto falla = [&](const char* que) {
    const QString porQue =
        QStringLiteral("%1: %2: %3")
            .arg(ruta, QString::fromUtf8(que), QString::fromUtf8(sqlite3_errmsg(db)));
    sqlite3_close(db);
    return porQue;
  };
  if (abierto != SQLITE_OK) return falla("cannot open the database");
  sqlite3_busy_timeout(db, 5000);
  const char* ajustes =
      "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=ON;";
  if (sqlite3_exec(db, ajustes, nullptr, nullptr, nullptr) != SQLITE_OK) return falla("pragmas");
  if (sqlite3_exec(db, kEsquema, nullptr, nullptr, nullptr) != SQLITE_OK) return falla("schema");
  return std::unique_ptr<Almacen>(new Almacen(db));
}

Almacen::~Almacen() {
  sqlite3_close(db_);
}

std::optional<int> Almacen::cuenta(const QByteArray& id) {
  std::lock_guard lock(mutex_);
  Sentencia s(db_, "SELECT dias FROM cuentas WHERE id = ?");
  s.blob(1, id);
  if (!s.fila()) return std::nullopt;
  return static_cast<int>(s.col(0));
}

void Almacen::registrar(const QByteArray& id, int64_t ahora) {
  std::lock_guard lock(mutex_);
  Sentencia(db_, "INSERT OR IGNORE INTO cuentas (id, creada) VALUES (?, ?)")
      .blob(1, id)
      .entero(2, ahora)
      .ejecutar();
}

void Almacen::guardarDias(const QByteArray& id, int dias) {
  std::lock_guard lock(mutex_);
  Sentencia(db_, "UPDATE cuentas SET dias = ? WHERE id = ?").entero(1, dias).blob(2, id).ejecutar();
}

int64_t Almacen::usado(const QByteArray& id) {
  std::lock_guard lock(mutex_);
  return unNumero(
      db_, "SELECT COALESCE(SUM(bytes), 0) FROM archivos WHERE cuenta = ? AND borrado = 0", id);
}

int64_t Almacen::total(const QByteArray& id) {
  std::lock_guard lock(mutex_);
  return unNumero(db_, "SELECT COUNT(*) FROM archivos WHERE cuenta = ? AND borrado = 0", id);
}

int64_t Almacen::subidasDelDia(const QByteArray& id, const QString& dia) {
  std::lock_guard lock(mutex_);
  return unNumero(db_, "SELECT n FROM subidas WHERE cuenta = ? AND dia = ?", id, dia);
}

Almacen::Tope Almacen::reservar(const Archivo& a, const QString& dia, int64_t diario, int64_t cuota,
                                int64_t* usado, int64_t* hoy) {
  std::lock_guard lock(mutex_);
  *hoy = unNumero(db_, "SELECT n FROM subidas WHERE cuenta = ? AND dia = ?", a.cuenta, dia);
  *usado =
      unNumero(db_, "SELECT COALESCE(SUM(bytes), 0) FROM archivos WHERE cuenta = ? AND borrado = 0",
               a.cuenta);
  if (*hoy >= diario) return Tope::diario;
  if (*usado + a.bytes > cuota) return Tope::cuota;
  sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  Sentencia(db_,
            "INSERT INTO archivos (objeto, cuenta, bytes, tipo, cuando, caduca, ranura_hasta) "
            "VALUES (?, ?, ?, ?, ?, ?, ?)")
      .texto(1, a.objeto)
      .blob(2, a.cuenta)
      .entero(3, a.bytes)
      .texto(4, a.tipo)
      .entero(5, a.cuando)
      .entero(6, a.caduca)
      .entero(7, a.ranuraHasta)
      .ejecutar();
  Sentencia(db_,
            "INSERT INTO subidas (cuenta, dia, n) VALUES (?, ?, 1) "
            "ON CONFLICT (cuenta, dia) DO UPDATE SET n = n + 1")
      .blob(1, a.cuenta)
      .texto(2, dia)
      .ejecutar();
  sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
  *hoy += 1;
  *usado += a.bytes;
  return Tope::ninguno;
}

QList<Archivo> Almacen::pagina(const QByteArray& id, int64_t desde, int64_t cuantos) {
  std::lock_guard lock(mutex_);
  Sentencia s(
      db_,
      consulta(
          "WHERE cuenta = ? AND borrado = 0 ORDER BY cuando DESC, rowid DESC LIMIT ? OFFSET ?"));
  s.blob(1, id).entero(2, cuantos).entero(3, desde);
  return todas(s);
}

std::optional<Archivo> Almacen::archivo(const QString& objeto) {
  std::lock_guard lock(mutex_);
  Sentencia s(db_, consulta("WHERE objeto = ?"));
  s.texto(1, objeto);
  if (!s.fila()) return std::nullopt;
  return leerArchivo(s);
}

QList<Archivo> Almacen::deCuenta(const QByteArray& id, std::optional<int64_t> antesDe) {
  std::lock_guard lock(mutex_);
  Sentencia s(db_,
              consulta("WHERE cuenta = ? AND borrado = 0 AND cuando < ? ORDER BY cuando, rowid"));
  s.blob(1, id).entero(2, antesDe.value_or(INT64_MAX));
  return todas(s);
}

QList<Archivo> Almacen::caducados(int64_t ahora) {
  std::lock_guard lock(mutex_);
  Sentencia s(db_, consulta("WHERE caduca <= ? ORDER BY caduca"));
  s.entero(1, ahora);
  return todas(s);
}

QList<Archivo> Almacen::ranurasVencidas(int64_t ahora) {
  std::lock_guard lock(mutex_);
  Sentencia s(db_, consulta("WHERE confirmado = 0 AND borrado = 0 AND ranura_hasta < ?"));
  s.entero(1, ahora);
  return todas(s);
}

void Almacen::quitar(const QString& objeto) {
  std::lock_guard lock(mutex_);
  Sentencia(db_, "DELETE FROM archivos WHERE objeto = ?").texto(1, objeto).ejecutar();
}

void Almacen::confirmar(const QString& objeto, int64_t bytes) {
  std::lock_guard lock(mutex_);
  Sentencia(db_, "UPDATE archivos SET confirmado = 1, bytes = ? WHERE objeto = ?")
      .entero(1, bytes)
      .texto(2, objeto)
      .ejecutar();
}

void Almacen::aplazar(const QString& objeto, int64_t cuando) {
  std::lock_guard lock(mutex_);
  Sentencia(db_, "UPDATE archivos SET borrado = 1, caduca = ? WHERE objeto = ?")
      .entero(1, cuando)
      .texto(2, objeto)
      .ejecutar();
}

void Almacen::devolverSubida(const QByteArray& id, const QString& dia) {
  std::lock_guard lock(mutex_);
  Sentencia(db_, "UPDATE subidas SET n = MAX(n - 1, 0) WHERE cuenta = ? AND dia = ?")
      .blob(1, id)
      .texto(2, dia)
      .ejecutar();
}

}  // namespace corvalin::nube
