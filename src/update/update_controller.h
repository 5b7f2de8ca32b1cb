// Software update: the "check for updates" command, scheduled checks against the update
// feed, the two persisted switches and the last-check date, kept in the controller's own
// file rather than in the settings. Linux users mostly update through their package manager;
// this tells them a new version exists and, if they want, downloads it.
#pragma once

#include <QDateTime>
#include <QObject>
#include <QSettings>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

#include "update/update_feed.h"

class QNetworkAccessManager;

namespace corvalin {

class Alertas;

struct ResultadoDeBusqueda {
  enum class Tipo { alDia, nueva, error };
  Tipo tipo = Tipo::error;
  VersionPublicada publicada;
  QString error;  // why the check failed, in the interface language
};

class UpdateController : public QObject {
  Q_OBJECT

 public:
  struct Configuracion {
    QString archivoDeEstado;  // the controller's own INI file
    QString version;
    QString build;
    QUrl feedPorDefecto;
    QString carpetaDeDescargas;
    std::chrono::milliseconds intervalo = std::chrono::hours(24);
    std::chrono::milliseconds primeraEspera = std::chrono::minutes(1);
  };

  // The process-wide controller, created on first use with the build's version.
  static UpdateController& shared();

  UpdateController(Configuracion config, Alertas* alertas);
  ~UpdateController() override;

  // "0.1.0 (7)": the version and the build in parentheses; "?" for a missing part.
  QString currentVersion() const;

  bool automaticallyChecksForUpdates() const;
  void setAutomaticallyChecksForUpdates(bool on);
  bool automaticallyDownloadsUpdates() const;
  void setAutomaticallyDownloadsUpdates(bool on);
  std::optional<QDateTime> lastUpdateCheckDate() const;
  // "Última revisión: …", or empty when there was never a check.
  QString textoDeUltimaRevision() const;
  // The feed's address: the one in the state file ("feed"), else the build's default.
  QUrl feed() const;

  // The user asked: brings Corvalin forward, checks, and answers in a dialog.
  void checkForUpdates();
  // A check without dialogs; the answer comes through `completion` and the signals.
  void buscar(std::function<void(const ResultadoDeBusqueda&)> completion);
  // Starts the automatic checks (the first a minute after start-up, then daily).
  void iniciarCalendario();

  std::function<void()> activar;                 // brings Corvalin forward
  std::function<void(const QUrl&)> abrirEnlace;  // opens an address in the browser

 Q_SIGNALS:
  // An automatic check found a newer version; `archivo` is the downloaded package, if any.
  void versionNueva(const VersionPublicada& publicada, const QString& archivo);

 private:
  void alVencer();
  void descargar(const VersionPublicada& publicada);
  QNetworkAccessManager& red();

  Configuracion config_;
  Alertas* alertas_;
  std::unique_ptr<QSettings> estado_;
  QTimer calendario_;
  QNetworkAccessManager* red_ = nullptr;  // created on the first check
};

}  // namespace corvalin
