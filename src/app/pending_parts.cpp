#include "app/pending_parts.h"

#include <QTimer>

#include "core/texts.h"

namespace corvalin {
namespace {

void avisar(const MostrarToast& toast) {
  toast(L("Esto aún no está disponible"), L("Llega en una próxima versión de Corvalin"),
        QStringLiteral("exclamationmark.triangle"));
}

// Completions stay asynchronous, as the real parts deliver them.
void despues(std::function<void()> work) {
  QTimer::singleShot(0, std::move(work));
}

struct Pendiente {
  MostrarToast toast;
  void avisar() const { corvalin::avisar(toast); }
};

class CapturaPendiente final : public CaptureService, Pendiente {
 public:
  explicit CapturaPendiente(MostrarToast t) : Pendiente{std::move(t)} {}
  void capture(CaptureMode, std::function<void(QImage)> completion) override {
    avisar();
    despues([completion] { completion(QImage()); });
  }
};

// A long capture that cannot start yet: it says so, and grabbing never begins, so the flow
// keeps no bar or shortcut for it.
class DesplazamientoPendiente final : public ScrollCapture, Pendiente {
 public:
  explicit DesplazamientoPendiente(MostrarToast t) : Pendiente{std::move(t)} {}
  void start(const QRect&, const QString&, std::function<void(std::optional<QString>)>) override {
    avisar();
  }
  void finish(std::function<void(QImage)> completion) override {
    despues([completion] { completion(QImage()); });
  }
  bool activa() const override { return false; }
  int alto() const override { return 0; }
  int cabecera() const override { return 0; }
  int pie() const override { return 0; }
  int muebles() const override { return 0; }
  int filasAcumuladas() const override { return 0; }
  int filasArriba() const override { return 0; }
  QString dondeEstorba() const override { return {}; }
};

class LectorPendiente final : public TextRecognizer {
 public:
  void read(const QImage&, std::function<void(QString, int)> completion) override {
    despues([completion] { completion(QString(), 0); });
  }
};

class EditorPendiente final : public EditorWindow, Pendiente {
 public:
  explicit EditorPendiente(MostrarToast t) : Pendiente{std::move(t)} {}
  void mostrar() override { avisar(); }
  void cerrar() override {}
  void refrescarBotonDeSubida() override {}
  void setStrokeColor(const QColor&) override {}
};

class GrabadoraPendiente final : public ScreenRecorder {
 public:
  void start(const ObjetivoDeGrabacion&, const AjustesDeGrabacion&,
             std::function<void(std::optional<QString>)> completion) override {
    despues([completion] { completion(L("Esto aún no está disponible")); });
  }
  void stop(std::function<void(const GrabacionTerminada&)> completion) override {
    despues([completion] {
      completion(GrabacionTerminada{{}, {}, L("Esto aún no está disponible")});
    });
  }
  bool grabando() const override { return false; }
  bool pausado() const override { return false; }
  void pausar() override {}
  void continuar() override {}
  double duracionGrabada() const override { return 0; }
};

class AtajosPendientes final : public HotkeyManager {
 public:
  bool registrar(const Hotkey&, uint32_t, std::function<void()>) override { return false; }
  void unregister(uint32_t) override {}
  void unregisterAll() override {}
};

}  // namespace

void completarConPendientes(Piezas& p) {
  const MostrarToast toast = p.toast;
  if (!p.capturas) p.capturas = std::make_unique<CapturaPendiente>(toast);
  if (!p.lector) p.lector = std::make_unique<LectorPendiente>();
  if (!p.desplazamiento) {
    p.desplazamiento = [toast] { return std::make_unique<DesplazamientoPendiente>(toast); };
  }
  if (!p.editor)
    p.editor = [toast](const QImage&) { return std::make_unique<EditorPendiente>(toast); };
  if (!p.grabadora) p.grabadora = std::make_unique<GrabadoraPendiente>();
  if (!p.hotkeys) p.hotkeys = std::make_unique<AtajosPendientes>();
}

}  // namespace corvalin
