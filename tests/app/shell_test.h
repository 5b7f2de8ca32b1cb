// The shell started over fakes of everything it drives, in Spanish, from default settings. Each
// fake records what it was asked and lets the test answer when it chooses, as the real parts
// answer later on the main thread.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <algorithm>
#include <map>
#include <set>

#include "app/app_delegate.h"
#include "app/parts.h"
#include "app/status_item.h"
#include "core/settings.h"
#include "core/texts.h"
#include "support/portapapeles_de_prueba.h"

namespace corvalin::testing {

using ToastVisto = std::pair<QString, QString>;  // title, detail

class FakeAlertas final : public Alertas {
 public:
  int mostrar(const Alerta& a) override {
    vistas.push_back(a);
    return respuesta;
  }
  std::vector<Alerta> vistas;
  int respuesta = 1;
};

class FakeCapture final : public CaptureService {
 public:
  void capture(CaptureMode mode, std::function<void(QImage)> completion) override {
    pedidos.push_back(mode);
    pendiente = std::move(completion);
  }
  void entregar(const QImage& image) { std::exchange(pendiente, nullptr)(image); }
  std::vector<CaptureMode> pedidos;
  std::function<void(QImage)> pendiente;
};

// An area, window or colour chooser: the test picks.
template <class Base, class Elegido>
class FakePicker final : public Base {
 public:
  void pick(std::function<void(const Elegido&)> onPick, std::function<void()>) override {
    elegir = std::move(onPick);
  }
  std::function<void(const Elegido&)> elegir;
};

class FakeLector final : public TextRecognizer {
 public:
  void read(const QImage&, std::function<void(QString, int)> completion) override {
    pendiente = std::move(completion);
  }
  std::function<void(QString, int)> pendiente;
};

// What an editor was asked, kept beyond the editor's life: the shell lets an editor go as soon
// as a new document takes its place.
struct EditorVisto {
  QImage imagen;
  QString carpeta;  // of the recovery copy it reopened
  int mostrado = 0, documentoTerminado = 0;
  bool visible = false;
  const EditorWindow* ventana = nullptr;  // to compare with, never to use
};

class FakeEditor final : public EditorWindow {
 public:
  explicit FakeEditor(std::shared_ptr<EditorVisto> visto) : v(std::move(visto)) {
    v->ventana = this;
  }
  void mostrar() override {
    ++v->mostrado;
    v->visible = true;
  }
  void cerrar() override { v->visible = false; }
  void cerrarDocumento() override {
    ++v->documentoTerminado;
    cerrar();
  }
  void refrescarBotonDeSubida() override {}
  void setStrokeColor(const QColor&) override {}
  std::shared_ptr<EditorVisto> v;
};

class FakeScroll final : public ScrollCapture {
 public:
  explicit FakeScroll(int* destroyed) : destroyed_(destroyed) {}
  ~FakeScroll() override { ++*destroyed_; }
  void start(const QRect&, const QString&, std::function<void(std::optional<QString>)> c) override {
    alEmpezar = std::move(c);
  }
  void finish(std::function<void(QImage)> c) override { alTerminar = std::move(c); }
  bool activa() const override { return !alTerminar; }
  int alto() const override { return 600; }
  int cabecera() const override { return cabecera_; }
  int pie() const override { return 0; }
  int muebles() const override { return muebles_; }
  int filasAcumuladas() const override { return filasAcumuladas_; }
  int filasArriba() const override { return 0; }
  QString dondeEstorba() const override { return QStringLiteral("arriba"); }

  std::function<void(std::optional<QString>)> alEmpezar;
  std::function<void(QImage)> alTerminar;
  int cabecera_ = 0, muebles_ = 0, filasAcumuladas_ = 0;
  int* destroyed_;
};

class FakeCuenta final : public CuentaRegresiva {
 public:
  explicit FakeCuenta(std::function<void()> fin) : alTerminar(std::move(fin)) {}
  void arrancar() override {}
  void cerrar() override {
    cerrada = true;
    alTerminar = nullptr;
  }
  std::function<void()> alTerminar;
  bool cerrada = false;
};

class FakeGrabadora final : public ScreenRecorder {
 public:
  void start(const ObjetivoDeGrabacion& o, const AjustesDeGrabacion&,
             std::function<void(std::optional<QString>)> c) override {
    objetivo = o;
    alEmpezar = std::move(c);
  }
  void stop(std::function<void(const GrabacionTerminada&)> c) override {
    ++paradas;
    alDetener = std::move(c);
  }
  bool grabando() const override { return grabando_; }
  bool pausado() const override { return pausado_; }
  void pausar() override { pausado_ = true; }
  void continuar() override { pausado_ = false; }
  double duracionGrabada() const override { return 0; }
  void dejarFuera(std::vector<uint32_t> v) override { fuera = std::move(v); }

  // The recorder's answers.
  void empezo() {
    grabando_ = true;
    std::exchange(alEmpezar, nullptr)(std::nullopt);
  }
  void termino(const GrabacionTerminada& g) {
    grabando_ = false;
    pausado_ = false;
    if (alDetener) std::exchange(alDetener, nullptr)(g);
  }

  std::optional<ObjetivoDeGrabacion> objetivo;
  std::vector<uint32_t> fuera;  // windows left out of the recording
  std::function<void(std::optional<QString>)> alEmpezar;
  std::function<void(const GrabacionTerminada&)> alDetener;
  bool grabando_ = false, pausado_ = false;
  int paradas = 0;
};

// Any window of the recording flow; the log names what was shown ("setup+p-1", "frame+",
// "video+") and hidden or closed ("bar-", "camara-").
struct VentanaFalsa final : RecordSetupBar,
                            RecordingFrame,
                            RecordingBar,
                            PanelGrabacionEnBarra,
                            CamaraFlotante,
                            VideoWindow {
  VentanaFalsa(QStringList& log, QString nombre, uint32_t id = 0)
      : log(log), nombre(std::move(nombre)), id(id) {}
  void mostrar(const QString& p) override { log << nombre + QLatin1Char('+') + p; }
  void mostrar() override { log << nombre + QLatin1Char('+'); }
  void mostrarJunto(const QRect&, const QString&) override { mostrar(); }
  void ocultar() override { log << nombre + QLatin1Char('-'); }
  void quitar() override { ocultar(); }
  void cerrar() override { ocultar(); }
  void detenerLatido() override {}
  void setPausado(bool) override {}
  void setTextoDelReloj(const QString& t) override { reloj = t; }
  void actualizar(const QString& t, bool, const QString&) override { reloj = t; }
  void setForma(FormaDeCamara) override {}
  QString archivo() const override { return file; }
  uint32_t ventana() const override { return id; }

  QStringList& log;
  QString nombre, file, reloj;
  uint32_t id;
  ManejadoresDeSetup deSetup;
};

struct VentanasDeGrabacion {
  FabricasDeGrabacion fabricas() {
    FabricasDeGrabacion f;
    f.setupBar = [this](const ObjetivoDeGrabacion&, const QRect&, ManejadoresDeSetup h) {
      setup = nueva(QStringLiteral("setup"));
      setup->deSetup = std::move(h);
      return std::unique_ptr<RecordSetupBar>(setup);
    };
    f.frame = [this](const QRect&) {
      return std::unique_ptr<RecordingFrame>(nueva(QStringLiteral("frame")));
    };
    f.bar = [this](RecordingBar::Modo, ManejadoresDeBarra) {
      bar = nueva(QStringLiteral("bar"), 0x4a00017);
      return std::unique_ptr<RecordingBar>(bar);
    };
    f.panel = [this](ManejadoresDePanel, const QRect&) {
      return std::unique_ptr<PanelGrabacionEnBarra>(nueva(QStringLiteral("panel"), 0x4a00023));
    };
    f.camara = [this](const QRect&, FormaDeCamara forma,
                      std::function<void(std::unique_ptr<CamaraFlotante>)> c) {
      pedidosDeCamara.push_back(forma);
      entregarCamara = [this, c] { c(std::unique_ptr<CamaraFlotante>(nueva("camara"))); };
    };
    f.video = [this](const QString& archivo, const QSize&) {
      VentanaFalsa* v = nueva(QStringLiteral("video"));
      v->file = archivo;
      return std::unique_ptr<VideoWindow>(v);
    };
    return f;
  }
  VentanaFalsa* nueva(const QString& nombre, uint32_t id = 0) {
    return new VentanaFalsa(log, nombre, id);
  }

  QStringList log;
  VentanaFalsa *setup = nullptr, *bar = nullptr;
  std::vector<FormaDeCamara> pedidosDeCamara;
  std::function<void()> entregarCamara;
};

class FakeHotkeys final : public HotkeyManager {
 public:
  bool registrar(const Hotkey& h, uint32_t id, std::function<void()> handler) override {
    if (std::count(ocupadas.begin(), ocupadas.end(), h)) return false;
    registradas[id] = {h, std::move(handler)};
    return true;
  }
  void unregister(uint32_t id) override { registradas.erase(id); }
  void unregisterAll() override { registradas.clear(); }
  bool pulsar(uint32_t id) {
    auto it = registradas.find(id);
    if (it == registradas.end()) return false;
    auto handler = it->second.second;  // the handler may unregister itself
    handler();
    return true;
  }
  std::map<uint32_t, std::pair<Hotkey, std::function<void()>>> registradas;
  std::vector<Hotkey> ocupadas;  // held by another client
};

class FakeSonda final : public HotkeyProbe {
 public:
  bool pendiente(uint32_t id) const override { return esperando.count(id) > 0; }
  void llego(uint32_t id) override { esperando.erase(id); }
  std::set<uint32_t> esperando;
};

class FakeStatusItem final : public StatusItem {
 public:
  void aplicar(const AparienciaDelIcono& a) override { ultima = a; }
  void desplegarMenu() override {}
  QRect geometria() const override { return {}; }
  AparienciaDelIcono ultima;
};

// Puts a new T in the slot and hands back where it is.
template <class T, class Base>
T* poner(std::unique_ptr<Base>& slot) {
  auto t = std::make_unique<T>();
  T* raw = t.get();
  slot = std::move(t);
  return raw;
}

// A full set of fakes, and the pieces wired to them.
struct Banco {
  prueba::PortapapelesDePrueba* portapapeles = nullptr;
  FakeAlertas* alertas = nullptr;
  FakeHotkeys* hotkeys = nullptr;
  std::shared_ptr<FakeSonda> sonda = std::make_shared<FakeSonda>();
  FakeCapture* capturas = nullptr;
  FakePicker<AreaSelector, AreaElegida>* areas = nullptr;
  FakePicker<WindowPicker, VentanaElegida>* ventanas = nullptr;
  FakeLector* lector = nullptr;
  FakeGrabadora* grabadora = nullptr;
  FakeStatusItem* bandeja = nullptr;
  std::vector<std::shared_ptr<EditorVisto>> editores;
  std::vector<FakeScroll*> scrolls;
  int scrollsDestruidos = 0;
  std::vector<FakeCuenta*> cuentas;
  std::vector<ToastVisto> toasts;
  std::vector<std::pair<ToastVisto, AccionDeToast>> toastsConAccion;
  std::vector<CopiaPendiente> copias;  // left unsaved by an earlier run
  VentanasDeGrabacion ventanasDeGrabacion;
  bool permiso = true;
  QRect pantalla{0, 0, 1920, 1080};

  std::unique_ptr<EditorWindow> nuevoEditor(const QImage& image, const QString& carpeta = {}) {
    editores.push_back(std::make_shared<EditorVisto>(EditorVisto{image, carpeta}));
    return std::make_unique<FakeEditor>(editores.back());
  }

  Piezas piezas() {
    Piezas p;
    portapapeles = poner<prueba::PortapapelesDePrueba>(p.portapapeles);
    alertas = poner<FakeAlertas>(p.alertas);
    hotkeys = poner<FakeHotkeys>(p.hotkeys);
    capturas = poner<FakeCapture>(p.capturas);
    areas = poner<FakePicker<AreaSelector, AreaElegida>>(p.areas);
    ventanas = poner<FakePicker<WindowPicker, VentanaElegida>>(p.ventanas);
    poner<FakePicker<ColorPicker, QColor>>(p.colores);
    lector = poner<FakeLector>(p.lector);
    grabadora = poner<FakeGrabadora>(p.grabadora);
    p.sonda = sonda;
    p.toast = [this](const QString& t, const QString& d, const QString&) {
      toasts.emplace_back(t, d);
    };
    p.toastConAccion = [this](const QString& t, const QString& d, const QString&, AccionDeToast a) {
      toastsConAccion.push_back({{t, d}, a});
    };
    p.documentosSinGuardar = [this] { return copias; };
    // A folder named "dañada" holds a copy that can't be read.
    p.editorRecuperado = [this](const QString& carpeta) -> std::unique_ptr<EditorWindow> {
      if (carpeta.endsWith(QStringLiteral("dañada"))) return nullptr;
      return nuevoEditor(QImage(), carpeta);
    };
    p.editor = [this](const QImage& i) { return nuevoEditor(i); };
    p.permisoDePantalla = [this] { return permiso; };
    p.activar = [] {};
    p.pantallaBajoElPuntero = [this] { return AreaElegida{pantalla, QStringLiteral("p-1")}; };
    p.marcoDePantalla = [this](const QString& n) { return n == "p-1" ? pantalla : QRect(); };
    p.desplazamiento = [this] {
      scrolls.push_back(new FakeScroll(&scrollsDestruidos));
      return std::unique_ptr<ScrollCapture>(scrolls.back());
    };
    p.cuentaRegresiva = [this](int, const QRect&, const QString&, std::function<void()> fin) {
      cuentas.push_back(new FakeCuenta(std::move(fin)));
      return std::unique_ptr<CuentaRegresiva>(cuentas.back());
    };
    p.grabacion = ventanasDeGrabacion.fabricas();
    p.bandeja = [this](auto, auto, auto) {
      auto b = std::make_unique<FakeStatusItem>();
      bandeja = b.get();
      return b;
    };
    p.abrirPreferencias = p.abrirAcercaDe = p.buscarActualizaciones = p.terminar = [] {};
    return p;
  }
};

// Runs the event loop until queued work (notifications, zero timers) has been delivered.
inline void procesarEventos() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SettingsStore& d = Settings::shared().d();
    for (const QString& key : d.storedKeys()) d.remove(key);
    fijarIdiomaActual(Idioma::español);
    Piezas piezas = banco.piezas();
    ajustar(piezas);
    app = std::make_unique<AppDelegate>(std::move(piezas));
    app->applicationDidFinishLaunching();
  }
  // What a suite changes in the pieces before the shell starts.
  virtual void ajustar(Piezas&) {}
  // Windows and captures let go of later die before the fakes they report to.
  void TearDown() override {
    app.reset();
    procesarEventos();
  }
  // Starts an area recording: pick, setup, record, the recorder starts.
  void grabarArea(const QRect& rect = QRect(100, 100, 640, 480)) {
    app->ejecutar(Accion::toggleRecording);
    banco.areas->elegir(AreaElegida{rect, QStringLiteral("p-1")});
    banco.ventanasDeGrabacion.setup->deSetup.grabar();
    banco.grabadora->empezo();
  }
  ToastVisto ultimoToast() const {
    return banco.toasts.empty() ? ToastVisto() : banco.toasts.back();
  }

  Banco banco;
  std::unique_ptr<AppDelegate> app;
};

}  // namespace corvalin::testing
