#include "preferences/bucket_form.h"

#include <QRegularExpression>
#include <QUrl>
#include <algorithm>

#include "core/texts.h"
#include "upload/s3_config.h"

namespace corvalin {
namespace {

const QString kAccessKey = QStringLiteral("accessKey");
const QString kSecretKey = QStringLiteral("secretKey");

// An address typed without a scheme gets https://; true when it did.
bool conEsquema(QString& direccion) {
  direccion = direccion.trimmed();
  if (direccion.isEmpty() || direccion.contains(QStringLiteral("://"))) return false;
  direccion.prepend(QStringLiteral("https://"));
  return true;
}

bool esDireccionWeb(const QString& direccion) {
  const QUrl url(direccion, QUrl::StrictMode);
  return url.isValid() && !url.host().isEmpty() &&
         (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http"));
}

}  // namespace

FormularioDeBucket FormularioDeBucket::leer(const Settings& settings) {
  const SettingsStore& d = settings.d();
  FormularioDeBucket f;
  f.endpoint = d.string(QStringLiteral("endpoint"));
  f.region = d.string(QStringLiteral("region"));
  f.bucket = d.string(QStringLiteral("bucket"));
  f.prefix = d.string(QStringLiteral("prefix"));
  f.publicBase = d.string(QStringLiteral("publicBase"));
  f.pathStyle = d.boolean(QStringLiteral("pathStyle"));
  f.publicRead = d.string(QStringLiteral("acl")) == QLatin1String("public-read");
  f.presign = d.boolean(QStringLiteral("presign"));
  f.presignDays = static_cast<int>(d.integer(QStringLiteral("presignDays")));
  return f;
}

void FormularioDeBucket::cargarLlaves(Settings& settings) {
  const S3Config config = settings.s3();
  accessKey = config.accessKey;
  secretKey = config.secretKey;
  // Keys in a locked keyring read empty: the form must not take that for the stored keys.
  llavesCargadas = !config.llaveroBloqueado;
}

RevisionDeBucket revisar(FormularioDeBucket& f) {
  RevisionDeBucket r;
  if (conEsquema(f.endpoint)) r.arreglos << L("Le puse https:// al endpoint.");
  if (!f.endpoint.isEmpty() && !esDireccionWeb(f.endpoint)) {
    r.problemas << L(
        "El endpoint tiene que ser una dirección https://, como "
        "https://s3.eu-central-1.amazonaws.com.");
  }
  static const QRegularExpression nombreDeBucket(QStringLiteral("^[A-Za-z0-9._-]*$"));
  if (!nombreDeBucket.match(f.bucket.trimmed()).hasMatch()) {
    r.problemas << L(
        "El nombre del bucket solo lleva letras, números, puntos y guiones, sin "
        "espacios.");
  }
  if (conEsquema(f.publicBase)) r.arreglos << L("Le puse https:// al dominio propio.");
  if (!f.publicBase.isEmpty() && !esDireccionWeb(f.publicBase)) {
    r.problemas << L(
        "El dominio propio tiene que ser una dirección https://, como "
        "https://cdn.ejemplo.com.");
  }
  return r;
}

void guardar(const FormularioDeBucket& f, DestinoDeSubida destino, Settings& settings,
             const std::function<void(const QString&, const QString&)>& guardarLlave) {
  SettingsStore& d = settings.d();
  d.set(QStringLiteral("uploadTarget"), rawValue(destino));
  d.set(QStringLiteral("endpoint"), f.endpoint.trimmed());
  d.set(QStringLiteral("region"), f.region.trimmed());
  d.set(QStringLiteral("bucket"), f.bucket.trimmed());
  // Keys never loaded (the keyring was locked) are only written when the user typed new ones.
  if (guardarLlave) {
    if (f.llavesCargadas || !f.accessKey.trimmed().isEmpty()) {
      guardarLlave(kAccessKey, f.accessKey.trimmed());
    }
    if (f.llavesCargadas || !f.secretKey.trimmed().isEmpty()) {
      guardarLlave(kSecretKey, f.secretKey.trimmed());
    }
  }
  d.set(QStringLiteral("prefix"), f.prefix);
  d.set(QStringLiteral("publicBase"), f.publicBase.trimmed());
  d.set(QStringLiteral("pathStyle"), f.pathStyle);
  d.set(QStringLiteral("acl"), f.publicRead ? QStringLiteral("public-read") : QString());
  d.set(QStringLiteral("presign"), f.presign);
  d.set(QStringLiteral("presignDays"), std::clamp(f.presignDays, 1, 7));
  d.sync();
}

QString textoDeCaducidad(int dias) {
  return dias == 1 ? L("Caduca en 1 día") : L("Caduca en %@ días", dias);
}

}  // namespace corvalin
