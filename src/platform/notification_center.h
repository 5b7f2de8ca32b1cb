// The process-wide hub for the few notifications subsystems send each other. Posting works
// from any thread; observers always run on the main thread, at the next turn of its loop.
#pragma once

#include <QObject>
#include <QString>
#include <QVariant>
#include <functional>

namespace corvalin {

namespace notificacion {
inline constexpr const char* kHotkeysChanged = "corvalin.hotkeysChanged";
inline constexpr const char* kCapturandoAtajo = "corvalin.capturandoAtajo";
inline constexpr const char* kSubidas = "corvalin.subidas";
inline constexpr const char* kDestinoCambio = "corvalin.destinoCambió";
}  // namespace notificacion

class NotificationCenter : public QObject {
  Q_OBJECT

 public:
  static NotificationCenter& shared();

  void post(const QString& name, const QVariant& object = {});

  // Calls `handler` with the object of every later post of `name` while `context` lives.
  QMetaObject::Connection observe(const QString& name, QObject* context,
                                  std::function<void(const QVariant&)> handler);

 Q_SIGNALS:
  void posted(const QString& name, const QVariant& object);

 private:
  NotificationCenter() = default;
};

}  // namespace corvalin
