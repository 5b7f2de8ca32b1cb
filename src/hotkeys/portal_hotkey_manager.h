// Global hotkeys on Wayland through the desktop portal's global shortcuts: the ten capture
// modes are bound once per session, with their titles as descriptions and the stored
// combinations as preferred triggers; the desktop decides the final keys.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QVariantMap>
#include <map>
#include <memory>

#include "hotkeys/hotkey_manager.h"

namespace corvalin {

class PortalHotkeyManager final : public QObject, public HotkeyManager {
  Q_OBJECT

 public:
  // Whether the portal on `bus` offers global shortcuts (a short blocking query).
  static bool disponible(QDBusConnection bus);

  // Opens a session at once; `alFallar` runs once if the portal refuses the session or the
  // binding (the user may have dismissed the desktop's dialog).
  PortalHotkeyManager(QDBusConnection bus, std::function<void()> alFallar);
  ~PortalHotkeyManager() override;

  // Only the ten capture modes (ids 1…10) can be bound; any other id answers false, as does
  // everything once the portal has refused.
  bool registrar(const Hotkey& hotkey, uint32_t id, std::function<void()> handler) override;
  void unregister(uint32_t id) override;
  void unregisterAll() override;

 private Q_SLOTS:
  void alCrearSesion(uint respuesta, const QVariantMap& resultados);
  void alEnlazar(uint respuesta, const QVariantMap& resultados);
  // Activated(o session_handle, s shortcut_id, t timestamp, a{sv} options), taken whole: Qt
  // will not hand a signal that starts with an object path to a typed slot.
  void alActivar(const QDBusMessage& senal);

 private:
  struct Registro {
    Hotkey hotkey;
    std::shared_ptr<const std::function<void()>> handler;
    uint64_t generacion = 0;
  };

  void enlazar();
  void fallar();
  // Calls `metodo` with `argumentos` after listening for its Request's answer on `slot`.
  void pedir(const QString& metodo, QList<QVariant> argumentos, QVariantMap opciones,
             const char* slot);

  QDBusConnection bus_;
  std::function<void()> alFallar_;
  QString sesion_;
  bool enlazado_ = false;
  bool fallido_ = false;
  uint64_t siguiente_ = 1;
  std::map<uint32_t, Registro> registros_;
  std::shared_ptr<bool> vivo_ = std::make_shared<bool>(true);
};

}  // namespace corvalin
