#include "hotkeys/hotkey_manager.h"

#include <QDBusConnection>

#include "core/settings.h"
#include "core/texts.h"
#include "hotkeys/keyboard_layout.h"
#include "hotkeys/portal_hotkey_manager.h"
#include "hotkeys/x11_hotkey_manager.h"

namespace corvalin {
namespace {

const QString kAvisoDado = QStringLiteral("avisoDeAtajosGlobales");

// Runs `avisar` with the notice unless the store says it was shown already.
std::function<void()> avisarUnaVez(SettingsStore& store, AvisoDeAtajos avisar) {
  return [&store, avisar = std::move(avisar)] {
    if (store.boolean(kAvisoDado)) return;
    store.set(kAvisoDado, true);
    store.sync();
    if (avisar) {
      avisar(L("Los atajos globales se configuran en tu escritorio"),
             L("Tu escritorio no deja que Corvalin registre sus atajos. Crea un atajo de teclado "
               "personalizado en sus ajustes que ejecute «corvalin area» (o window, screen, "
               "record, text…; «corvalin --help» las lista todas). Mientras tanto, todo sigue a "
               "mano en el icono de Corvalin."));
    }
  };
}

class SinAtajosGlobales final : public HotkeyManager {
 public:
  explicit SinAtajosGlobales(std::function<void()> avisar) : avisar_(std::move(avisar)) {}
  bool registrar(const Hotkey&, uint32_t, std::function<void()>) override {
    if (avisar_) std::exchange(avisar_, nullptr)();
    return false;
  }
  void unregister(uint32_t) override {}
  void unregisterAll() override {}

 private:
  std::function<void()> avisar_;
};

bool sesionWayland() {
  return qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland") ||
         !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

}  // namespace

std::unique_ptr<HotkeyManager> crearGestorSinAtajos(SettingsStore& store, AvisoDeAtajos avisar) {
  return std::make_unique<SinAtajosGlobales>(avisarUnaVez(store, std::move(avisar)));
}

std::unique_ptr<HotkeyManager> crearGestorDeAtajos(AvisoDeAtajos avisar) {
  SettingsStore& store = Settings::shared().d();
  // Under Wayland, X11 grabs through Xwayland only see keys typed into X11 windows.
  if (sesionWayland()) {
    // Xwayland mirrors the compositor's keymap: key names and recorded keys follow it.
    if (std::shared_ptr<const KeyboardLayout> layout = KeyboardLayout::delServidorX()) {
      KeyboardLayout::fijarActual(layout);
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (PortalHotkeyManager::disponible(bus)) {
      return std::make_unique<PortalHotkeyManager>(bus, avisarUnaVez(store, std::move(avisar)));
    }
  } else if (std::unique_ptr<X11HotkeyManager> x11 = X11HotkeyManager::conectar()) {
    return x11;
  }
  return crearGestorSinAtajos(store, std::move(avisar));
}

}  // namespace corvalin
