#include "upload/keychain.h"

#include <fcntl.h>
#include <libsecret/secret.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QStringDecoder>
#include <memory>
#include <mutex>
#include <optional>

#include "core/settings.h"
#include "core/texts.h"
#include "platform/main_thread.h"

namespace corvalin {
namespace {

const char* const kServicio = "corvalin";
const char* const kServicioAnterior = "mirel";

struct LiberarError {
  void operator()(GError* e) const { g_error_free(e); }
};
using ErrorG = std::unique_ptr<GError, LiberarError>;

struct LiberarValor {
  void operator()(SecretValue* v) const { secret_value_unref(v); }
};
using ValorG = std::unique_ptr<SecretValue, LiberarValor>;

// Matches on service and account only, whatever schema name an item was stored with (the
// earlier product's items carry their own).
const SecretSchema* esquema() {
  static const SecretSchema schema = [] {
    SecretSchema s{};
    s.name = "app.corvalin.Secreto";
    s.flags = SECRET_SCHEMA_DONT_MATCH_NAME;
    s.attributes[0] = {"service", SECRET_SCHEMA_ATTRIBUTE_STRING};
    s.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
    s.attributes[2] = {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING};
    return s;
  }();
  return &schema;
}

// D-Bus and I/O errors mean nobody serves secrets here; others (a locked keyring the user did
// not open) concern one request only.
bool sinServicio(const ErrorG& error) {
  return error && (error->domain == G_DBUS_ERROR || error->domain == G_IO_ERROR);
}

std::optional<QString> utf8(const char* datos, gsize largo) {
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString texto = decoder(QByteArrayView(datos, qsizetype(largo)));
  if (decoder.hasError()) return std::nullopt;
  return texto;
}

class Llavero {
 public:
  static Llavero& shared() {
    static auto* llavero = new Llavero();
    return *llavero;
  }

  void set(const QString& value, const QString& account) {
    std::lock_guard lock(mutex_);
    guardar(value, account);
  }

  QString get(const QString& account) {
    std::lock_guard lock(mutex_);
    if (!sinLlavero_) {
      const Busqueda b = buscar(kServicio, account);
      if (b.respondio) {
        if (b.valor) return *b.valor;
        // Saved while no keyring answered: move it into the keyring now that there is one.
        const QString enArchivo = leerArchivo().value(account).toString();
        if (!enArchivo.isEmpty()) {
          guardar(enArchivo, account);
          return enArchivo;
        }
        return migrarSinCerrojo(account);
      }
    }
    const QString enArchivo = leerArchivo().value(account).toString();
    return enArchivo.isEmpty() ? migrarSinCerrojo(account) : enArchivo;
  }

  QString migrate(const QString& account) {
    std::lock_guard lock(mutex_);
    return migrarSinCerrojo(account);
  }

  bool bloqueada(const QString& account) {
    std::lock_guard lock(mutex_);
    if (sinLlavero_) return false;
    const QByteArray cuenta = account.toUtf8();
    std::unique_ptr<GHashTable, decltype(&g_hash_table_unref)> atributos(
        secret_attributes_build(esquema(), "service", kServicio, "account", cuenta.constData(),
                                nullptr),
        &g_hash_table_unref);
    GError* crudo = nullptr;
    // Every item, locked ones included, and nothing unlocked: no prompt.
    GList* encontrados = secret_service_search_sync(nullptr, esquema(), atributos.get(),
                                                    SECRET_SEARCH_ALL, nullptr, &crudo);
    ErrorG error(crudo);
    bool alguno = false;
    for (GList* l = encontrados; l != nullptr; l = l->next) {
      alguno = alguno || secret_item_get_locked(static_cast<SecretItem*>(l->data));
    }
    g_list_free_full(encontrados, g_object_unref);
    return alguno;
  }

  void ponerAviso(std::function<void(const QString&, const QString&)> aviso) {
    std::lock_guard lock(mutex_);
    aviso_ = std::move(aviso);
  }

 private:
  struct Busqueda {
    bool respondio = false;
    std::optional<QString> valor;  // absent: no item, or not UTF-8
  };

  Busqueda buscar(const char* servicio, const QString& account) {
    GError* crudo = nullptr;
    const QByteArray cuenta = account.toUtf8();
    ValorG valor(secret_password_lookup_binary_sync(esquema(), nullptr, &crudo, "service", servicio,
                                                    "account", cuenta.constData(), nullptr));
    ErrorG error(crudo);
    if (sinServicio(error)) {
      sinLlavero_ = true;
      return {};
    }
    Busqueda b{true, std::nullopt};
    if (valor) {
      gsize largo = 0;
      const gchar* datos = secret_value_get(valor.get(), &largo);
      b.valor = utf8(datos, largo);
    }
    return b;
  }

  QString migrarSinCerrojo(const QString& account) {
    if (sinLlavero_) return {};
    const Busqueda b = buscar(kServicioAnterior, account);
    if (!b.valor || b.valor->isEmpty()) return {};
    guardar(*b.valor, account);
    return *b.valor;
  }

  void guardar(const QString& value, const QString& account) {
    if (!sinLlavero_ && guardarEnServicio(value, account)) {
      // An older copy in the file would come back if the keyring ever went away.
      if (leerArchivo().contains(account)) escribirArchivo(account, {});
      return;
    }
    escribirArchivo(account, value);
    if (!value.isEmpty() && !avisado_) {
      avisado_ = true;
      const QString titulo =
          sinLlavero_ ? L("Tu escritorio no tiene llavero") : L("Tu llavero está cerrado");
      if (aviso_) {
        enMain([aviso = aviso_, titulo] {
          aviso(titulo, L("Las claves se guardan en un archivo que solo tú puedes leer."));
        });
      }
    }
  }

  // False when no Secret Service answered.
  bool guardarEnServicio(const QString& value, const QString& account) {
    const QByteArray cuenta = account.toUtf8();
    GError* crudo = nullptr;
    secret_password_clear_sync(esquema(), nullptr, &crudo, "service", kServicio, "account",
                               cuenta.constData(), nullptr);
    ErrorG error(crudo);
    if (sinServicio(error)) {
      sinLlavero_ = true;
      return false;
    }
    if (value.isEmpty()) return true;
    const QByteArray etiqueta = QStringLiteral("Corvalin: %1").arg(account).toUtf8();
    const QByteArray secreto = value.toUtf8();
    crudo = nullptr;
    secret_password_store_sync(esquema(), SECRET_COLLECTION_DEFAULT, etiqueta.constData(),
                               secreto.constData(), nullptr, &crudo, "service", kServicio,
                               "account", cuenta.constData(), nullptr);
    error.reset(crudo);
    // A locked keyring the user did not open keeps nothing: the file does instead.
    if (error) {
      sinLlavero_ = sinLlavero_ || sinServicio(error);
      return false;
    }
    return true;
  }

  QJsonObject leerArchivo() const {
    QFile archivo(Keychain::rutaDelArchivo());
    if (!archivo.open(QIODevice::ReadOnly)) return {};
    ::fchmod(archivo.handle(), S_IRUSR | S_IWUSR);  // whoever widened it, narrow it again
    return QJsonDocument::fromJson(archivo.readAll()).object();
  }

  // Written to a new file created 0600 and renamed over the old one, so the secrets are never
  // readable by others, not even for a moment, and never half-written.
  void escribirArchivo(const QString& account, const QString& value) {
    QJsonObject todo = leerArchivo();
    if (value.isEmpty()) {
      if (!todo.contains(account)) return;
      todo.remove(account);
    } else {
      todo.insert(account, value);
    }
    const QString ruta = Keychain::rutaDelArchivo();
    const QString carpeta = QFileInfo(ruta).absolutePath();
    if (!QDir().mkpath(carpeta)) return;
    ::chmod(QFile::encodeName(carpeta).constData(), S_IRWXU);
    const QByteArray temporal = QFile::encodeName(ruta + QStringLiteral(".nuevo"));
    ::unlink(temporal.constData());
    const int fd =
        ::open(temporal.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0) return;
    const QByteArray datos = QJsonDocument(todo).toJson(QJsonDocument::Compact);
    qsizetype escritos = 0;
    while (escritos < datos.size()) {
      const ssize_t n = ::write(fd, datos.constData() + escritos, size_t(datos.size() - escritos));
      if (n <= 0) break;
      escritos += n;
    }
    const bool completo = escritos == datos.size() && ::fsync(fd) == 0;
    ::close(fd);
    if (!completo || ::rename(temporal.constData(), QFile::encodeName(ruta).constData()) != 0) {
      ::unlink(temporal.constData());
    }
  }

  std::mutex mutex_;
  bool sinLlavero_ = false;  // once no Secret Service answered, for the rest of the run
  bool avisado_ = false;
  std::function<void(const QString&, const QString&)> aviso_;
};

}  // namespace

namespace Keychain {

void set(const QString& value, const QString& account) {
  Llavero::shared().set(value, account);
}

QString get(const QString& account) {
  return Llavero::shared().get(account);
}

QString migrate(const QString& account) {
  return Llavero::shared().migrate(account);
}

bool bloqueada(const QString& account) {
  return Llavero::shared().bloqueada(account);
}

std::optional<QString> leer(const QString& account) {
  QString valor = get(account);
  if (valor.isEmpty() && bloqueada(account)) return std::nullopt;
  return valor;
}

void alGuardarSinLlavero(std::function<void(const QString&, const QString&)> aviso) {
  Llavero::shared().ponerAviso(std::move(aviso));
}

QString rutaDelArchivo() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
         QStringLiteral("/corvalin/secretos.json");
}

}  // namespace Keychain

void guardarSecreto(Settings& settings, const QString& cuenta, const QString& valor) {
  const QString limpio = valor.trimmed();
  Keychain::set(limpio, cuenta);
  settings.ponerSecretoEnCache(cuenta, limpio);
}

}  // namespace corvalin
