#include "update/update_controller.h"

#include <QDir>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QStandardPaths>

#include "core/texts.h"
#include "platform/alerts.h"

namespace corvalin {
namespace {

const QString kChecks = QStringLiteral("automaticallyChecksForUpdates");
const QString kDownloads = QStringLiteral("automaticallyDownloadsUpdates");
const QString kLastCheck = QStringLiteral("lastUpdateCheckDate");
const QString kFeed = QStringLiteral("feed");
constexpr int kTimeoutMs = 20000;

}  // namespace

UpdateController& UpdateController::shared() {
  static UpdateController* controller = [] {
    Configuracion c;
    c.archivoDeEstado = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                        QStringLiteral("/corvalin/update.conf");
    c.version = QStringLiteral(CORVALIN_VERSION);
    c.build = QStringLiteral(CORVALIN_BUILD_NUMBER);
    c.feedPorDefecto = QUrl(QStringLiteral(CORVALIN_UPDATE_FEED));
    c.carpetaDeDescargas = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    static std::unique_ptr<Alertas> alertas = crearAlertasDeEscritorio();
    return new UpdateController(c, alertas.get());
  }();
  return *controller;
}

UpdateController::UpdateController(Configuracion config, Alertas* alertas)
    : config_(std::move(config)), alertas_(alertas) {
  estado_ = std::make_unique<QSettings>(config_.archivoDeEstado, QSettings::IniFormat);
  calendario_.setSingleShot(true);
  connect(&calendario_, &QTimer::timeout, this, &UpdateController::alVencer);
}

UpdateController::~UpdateController() = default;

QString UpdateController::currentVersion() const {
  const QString version = config_.version.isEmpty() ? QStringLiteral("?") : config_.version;
  const QString build = config_.build.isEmpty() ? QStringLiteral("?") : config_.build;
  return version + QStringLiteral(" (") + build + QStringLiteral(")");
}

bool UpdateController::automaticallyChecksForUpdates() const {
  return estado_->value(kChecks, true).toBool();
}

void UpdateController::setAutomaticallyChecksForUpdates(bool on) {
  estado_->setValue(kChecks, on);
  estado_->sync();
  if (on)
    iniciarCalendario();
  else
    calendario_.stop();
}

bool UpdateController::automaticallyDownloadsUpdates() const {
  return estado_->value(kDownloads, false).toBool();
}

void UpdateController::setAutomaticallyDownloadsUpdates(bool on) {
  estado_->setValue(kDownloads, on);
  estado_->sync();
}

std::optional<QDateTime> UpdateController::lastUpdateCheckDate() const {
  const QDateTime date = QDateTime::fromString(estado_->value(kLastCheck).toString(), Qt::ISODate);
  if (!date.isValid()) return std::nullopt;
  return date;
}

QString UpdateController::textoDeUltimaRevision() const {
  const std::optional<QDateTime> last = lastUpdateCheckDate();
  if (!last) return {};
  const QLocale locale(idiomaActual() == Idioma::ingles ? QLocale::English : QLocale::Spanish);
  const QDateTime local = last->toLocalTime();
  const QString text = locale.toString(local.date(), QStringLiteral("d MMM yyyy")) +
                       QStringLiteral(", ") + locale.toString(local.time(), QLocale::ShortFormat);
  return L("Última revisión: %@", text);
}

QUrl UpdateController::feed() const {
  const QString stored = estado_->value(kFeed).toString().trimmed();
  return stored.isEmpty() ? config_.feedPorDefecto : QUrl(stored);
}

QNetworkAccessManager& UpdateController::red() {
  if (red_ == nullptr) red_ = new QNetworkAccessManager(this);
  return *red_;
}

void UpdateController::buscar(std::function<void(const ResultadoDeBusqueda&)> completion) {
  const QUrl url = feed();
  if (!url.isValid() || url.isEmpty()) {
    completion(ResultadoDeBusqueda{ResultadoDeBusqueda::Tipo::error,
                                   {},
                                   L("No hay una dirección de actualizaciones configurada.")});
    return;
  }
  QNetworkRequest request(url);
  request.setTransferTimeout(kTimeoutMs);
  request.setHeader(QNetworkRequest::UserAgentHeader,
                    QStringLiteral("Corvalin/") + config_.version);
  QNetworkReply* reply = red().get(request);
  connect(reply, &QNetworkReply::finished, this, [this, reply, completion] {
    reply->deleteLater();
    ResultadoDeBusqueda result;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError || (status != 0 && status != 200)) {
      const QString why = reply->error() != QNetworkReply::NoError
                              ? reply->errorString()
                              : QStringLiteral("HTTP %1").arg(status);
      result.error = L("El servidor de actualizaciones no respondió: %@", why);
    } else if (std::optional<VersionPublicada> v = leerFeed(reply->readAll())) {
      estado_->setValue(kLastCheck, QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
      estado_->sync();
      result.publicada = *v;
      result.tipo = esMasNueva(*v, config_.version, config_.build)
                        ? ResultadoDeBusqueda::Tipo::nueva
                        : ResultadoDeBusqueda::Tipo::alDia;
    } else {
      result.error = L("La respuesta del servidor de actualizaciones no se entiende.");
    }
    completion(result);
  });
}

void UpdateController::checkForUpdates() {
  if (activar) activar();
  buscar([this](const ResultadoDeBusqueda& r) {
    if (alertas_ == nullptr) return;
    switch (r.tipo) {
      case ResultadoDeBusqueda::Tipo::alDia:
        alertas_->mostrar(Alerta{L("Tienes la versión más reciente"),
                                 L("Corvalin %@ es la versión más nueva.", currentVersion()),
                                 {L("Aceptar")},
                                 Alerta::Estilo::informativa});
        break;
      case ResultadoDeBusqueda::Tipo::nueva: {
        const int choice = alertas_->mostrar(Alerta{
            L("Hay una versión nueva de Corvalin"),
            L("La %@ ya está disponible; tienes la %@.", r.publicada.version, currentVersion()),
            {L("Descargar"), L("Ahora no")},
            Alerta::Estilo::informativa});
        const QUrl where =
            r.publicada.descarga.isEmpty() ? r.publicada.notas : r.publicada.descarga;
        if (choice == 0 && !where.isEmpty() && abrirEnlace) abrirEnlace(where);
        break;
      }
      case ResultadoDeBusqueda::Tipo::error:
        alertas_->mostrar(Alerta{L("No se pudo buscar actualizaciones"),
                                 r.error,
                                 {L("Aceptar")},
                                 Alerta::Estilo::aviso});
        break;
    }
  });
}

void UpdateController::iniciarCalendario() {
  if (!automaticallyChecksForUpdates()) return;
  qint64 waitMs = std::chrono::milliseconds(config_.primeraEspera).count();
  if (const std::optional<QDateTime> last = lastUpdateCheckDate()) {
    const qint64 due = QDateTime::currentDateTimeUtc().msecsTo(
        last->addMSecs(std::chrono::milliseconds(config_.intervalo).count()));
    waitMs = std::max(waitMs, due);
  }
  calendario_.start(static_cast<int>(std::min<qint64>(waitMs, std::numeric_limits<int>::max())));
}

void UpdateController::alVencer() {
  if (!automaticallyChecksForUpdates()) return;
  buscar([this](const ResultadoDeBusqueda& r) {
    if (r.tipo == ResultadoDeBusqueda::Tipo::nueva) {
      if (automaticallyDownloadsUpdates() && !r.publicada.descarga.isEmpty()) {
        descargar(r.publicada);
      } else {
        Q_EMIT versionNueva(r.publicada, QString());
      }
    }
    if (automaticallyChecksForUpdates()) {
      calendario_.start(static_cast<int>(std::chrono::milliseconds(config_.intervalo).count()));
    }
  });
}

void UpdateController::descargar(const VersionPublicada& publicada) {
  QString name = publicada.descarga.fileName();
  if (name.isEmpty()) name = QStringLiteral("corvalin-") + publicada.version;
  const QString folder =
      config_.carpetaDeDescargas.isEmpty() ? QDir::homePath() : config_.carpetaDeDescargas;
  QDir().mkpath(folder);
  auto file = std::make_shared<QSaveFile>(folder + QLatin1Char('/') + name);
  if (!file->open(QIODevice::WriteOnly)) {
    Q_EMIT versionNueva(publicada, QString());
    return;
  }
  QNetworkRequest request(publicada.descarga);
  request.setTransferTimeout(kTimeoutMs);
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                       QNetworkRequest::NoLessSafeRedirectPolicy);
  QNetworkReply* reply = red().get(request);
  // Written as it arrives: a package is never held whole in memory.
  connect(reply, &QNetworkReply::readyRead, this, [reply, file] { file->write(reply->readAll()); });
  connect(reply, &QNetworkReply::finished, this, [this, reply, file, publicada] {
    reply->deleteLater();
    file->write(reply->readAll());
    const bool ok = reply->error() == QNetworkReply::NoError && file->commit();
    if (!ok) file->cancelWriting();
    Q_EMIT versionNueva(publicada, ok ? file->fileName() : QString());
  });
}

}  // namespace corvalin
