// Keeps one Corvalin per user session. The first process holds a lock file and a name on the
// session bus; a later launch hands its request (an action name, or none for "show yourself")
// to the first one over D-Bus and exits, so there is never a second tray icon.
#pragma once

#include <QObject>
#include <QString>

namespace corvalin {

class SingleInstance : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "app.corvalin.Corvalin")

 public:
  // `lockPath` empty: the lock lives in the user's runtime folder.
  explicit SingleInstance(QString busName = QStringLiteral("app.corvalin.Corvalin"),
                          QString lockPath = {});
  ~SingleInstance() override;

  // True when this process is now the one instance.
  bool adquirir();
  // Whether another process holds the lock now; this one neither takes nor keeps it.
  bool otraCorre() const;
  enum class Entrega {
    entregada,
    nadieCorre,  // no instance owns the name, and the bus could not start one
    sinBus,
    fallida,  // an instance owns the name but did not answer
  };
  // From a later launch: hands `accion` to the running instance. With `arrancar`, the bus
  // starts Corvalin first where its D-Bus service file is installed (activation).
  Entrega entregar(const QString& accion, bool arrancar = false);
  // Gives up the lock and the bus name, e.g. right before relaunching for a language change.
  void soltar();

  const QString& lockPath() const { return lockPath_; }

 public Q_SLOTS:
  Q_SCRIPTABLE void Activar(const QString& accion);

 Q_SIGNALS:
  void peticion(const QString& accion);

 private:
  QString busName_;
  QString lockPath_;
  int lockFd_ = -1;
  bool ownsName_ = false;
};

}  // namespace corvalin
