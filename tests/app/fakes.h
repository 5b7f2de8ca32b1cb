// Fakes for everything the shell drives: each records what it was asked and lets the test
// answer when it chooses, as the real parts answer later on the main thread.
#pragma once

#include <QColor>
#include <QImage>
#include <QStringList>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "app/parts.h"
#include "app/status_item.h"
#include "core/settings.h"
#include "support/portapapeles_de_prueba.h"

namespace corvalin::testing {

struct ToastVisto {
  QString titulo, detalle, simbolo;
};

using FakeClipboard = prueba::PortapapelesDePrueba;

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

class FakeAreas final : public AreaSelector {
 public:
  void pick(std::function<void(const AreaElegida&)> onPick,
            std::function<void()> onCancel) override {
    ++veces;
    elegir = std::move(onPick);
    cancelar = std::move(onCancel);
  }
  int veces = 0;
  std::function<void(const AreaElegida&)> elegir;
  std::function<void()> cancelar;
};

class FakeVentanas final : public WindowPicker {
 public:
  void pick(std::function<void(const VentanaElegida&)> onPick,
            std::function<void()> onCancel) override {
    ++veces;
    elegir = std::move(onPick);
    cancelar = std::move(onCancel);
  }
  int veces = 0;
  std::function<void(const VentanaElegida&)> elegir;
  std::function<void()> cancelar;
};

class FakeColores final : public ColorPicker {
 public:
  void pick(std::function<void(const QColor&)> onPick, std::function<void()> onCancel) override {
    elegir = std::move(onPick);
    cancelar = std::move(onCancel);
  }
  std::function<void(const QColor&)> elegir;
  std::function<void()> cancelar;
};

class FakeLector final : public TextRecognizer {
 public:
  void read(const QImage& image, std::function<void(QString, int)> completion) override {
    leida = image;
    pendiente = std::move(completion);
  }
  QImage leida;
  std::function<void(QString, int)> pendiente;
};

class FakeEditor final : public EditorWindow {
 public:
  explicit FakeEditor(QImage i) : imagen(std::move(i)) {}
  void mostrar() override { ++mostrado, visible = true; }
  void cerrar() override { visible = false, ++cerrado; }
  void cerrarDocumento() override {
    ++documentoTerminado;
    cerrar();
  }
  void refrescarBotonDeSubida() override { ++refrescos; }
  void setStrokeColor(const QColor& c) override { color = c; }
  QImage imagen;
  QString carpeta;  // of the recovery copy it reopened
  int mostrado = 0, cerrado = 0, refrescos = 0, documentoTerminado = 0;
  bool visible = false;
  std::optional<QColor> color;
};

class FakeScroll final : public ScrollCapture {
 public:
  explicit FakeScroll(int* destroyed = nullptr) : destroyed_(destroyed) {}
  ~FakeScroll() override {
    if (destroyed_) ++*destroyed_;
  }
  void start(const QRect& r, const QString& p,
             std::function<void(std::optional<QString>)> c) override {
    rect = r, pantalla = p, alEmpezar = std::move(c);
  }
  void finish(std::function<void(QImage)> c) override {
    alTerminar = std::move(c), activa_ = false;
  }
  bool activa() const override { return activa_; }
  int alto() const override { return alto_; }
  int cabecera() const override { return cabecera_; }
  int pie() const override { return pie_; }
  int muebles() const override { return muebles_; }
  int filasAcumuladas() const override { return filasAcumuladas_; }
  int filasArriba() const override { return filasArriba_; }
  QString dondeEstorba() const override { return donde_; }

  QRect rect;
  QString pantalla;
  std::function<void(std::optional<QString>)> alEmpezar;
  std::function<void(QImage)> alTerminar;
  bool activa_ = true;
  int alto_ = 600, cabecera_ = 0, pie_ = 0, muebles_ = 0, filasAcumuladas_ = 0, filasArriba_ = 0;
  QString donde_ = QStringLiteral("arriba");
  int* destroyed_;
};

class FakeCuenta final : public CuentaRegresiva {
 public:
  FakeCuenta(int s, std::function<void()> fin) : segundos(s), alTerminar(std::move(fin)) {}
  void arrancar() override { arrancada = true; }
  void cerrar() override { cerrada = true, alTerminar = nullptr; }
  void terminar() { std::exchange(alTerminar, nullptr)(); }
  int segundos;
  std::function<void()> alTerminar;
  bool arrancada = false, cerrada = false;
};

class FakeGrabadora final : public ScreenRecorder {
 public:
  void start(const ObjetivoDeGrabacion& o, const AjustesDeGrabacion&,
             std::function<void(std::optional<QString>)> c) override {
    objetivo = o, alEmpezar = std::move(c);
  }
  void stop(std::function<void(const GrabacionTerminada&)> c) override {
    ++paradas;
    alDetener = std::move(c);
  }
  bool grabando() const override { return grabando_; }
  bool pausado() const override { return pausado_; }
  void pausar() override { pausado_ = true; }
  void continuar() override { pausado_ = false; }
  double duracionGrabada() const override { return duracion; }
  void dejarFuera(std::vector<uint32_t> v) override { fuera = std::move(v); }

  // The recorder's answers.
  void empezo() {
    grabando_ = true;
    std::exchange(alEmpezar, nullptr)(std::nullopt);
  }
  void fallo(const QString& error) { std::exchange(alEmpezar, nullptr)(error); }
  void termino(const GrabacionTerminada& g) {
    grabando_ = false, pausado_ = false;
    if (alDetener) std::exchange(alDetener, nullptr)(g);
  }

  std::optional<ObjetivoDeGrabacion> objetivo;
  std::vector<uint32_t> fuera;  // windows left out of the recording
  std::function<void(std::optional<QString>)> alEmpezar;
  std::function<void(const GrabacionTerminada&)> alDetener;
  bool grabando_ = false, pausado_ = false;
  double duracion = 0;
  int paradas = 0;
};

// The windows of the recording flow, with a log of what was shown and hidden.
struct VentanasDeGrabacion {
  struct Setup final : RecordSetupBar {
    Setup(VentanasDeGrabacion& v, ManejadoresDeSetup h) : v(v), handlers(std::move(h)) {}
    void mostrar(const QString& p) override { v.log << QStringLiteral("setup+") + p; }
    void ocultar() override { v.log << QStringLiteral("setup-"); }
    VentanasDeGrabacion& v;
    ManejadoresDeSetup handlers;
  };
  struct Frame final : RecordingFrame {
    explicit Frame(VentanasDeGrabacion& v) : v(v) {}
    void mostrar() override { v.log << QStringLiteral("frame+"); }
    void ocultar() override { v.log << QStringLiteral("frame-"); }
    VentanasDeGrabacion& v;
  };
  struct Bar final : RecordingBar {
    Bar(VentanasDeGrabacion& v, Modo m, ManejadoresDeBarra h)
        : v(v), modo(m), handlers(std::move(h)) {}
    void mostrarJunto(const QRect&, const QString&) override { v.log << QStringLiteral("bar+"); }
    void ocultar() override { v.log << QStringLiteral("bar-"); }
    void detenerLatido() override { v.log << QStringLiteral("bar.latido-"); }
    void setPausado(bool p) override { pausado = p; }
    void setTextoDelReloj(const QString& t) override { reloj = t; }
    uint32_t ventana() const override { return 0x4a00017; }
    VentanasDeGrabacion& v;
    Modo modo;
    ManejadoresDeBarra handlers;
    bool pausado = false;
    QString reloj;
  };
  struct Panel final : PanelGrabacionEnBarra {
    Panel(VentanasDeGrabacion& v, ManejadoresDePanel h) : v(v), handlers(std::move(h)) {}
    void actualizar(const QString& t, bool p, const QString& a) override {
      tiempo = t, pausado = p, atajo = a;
    }
    void mostrar() override { v.log << QStringLiteral("panel+"); }
    void quitar() override { v.log << QStringLiteral("panel-"); }
    uint32_t ventana() const override { return 0x4a00023; }
    VentanasDeGrabacion& v;
    ManejadoresDePanel handlers;
    QString tiempo, atajo;
    bool pausado = false;
  };
  struct Camara final : CamaraFlotante {
    explicit Camara(VentanasDeGrabacion& v, FormaDeCamara f) : v(v), forma(f) {}
    void setForma(FormaDeCamara f) override { forma = f; }
    void cerrar() override { v.log << QStringLiteral("camara-"); }
    VentanasDeGrabacion& v;
    FormaDeCamara forma;
  };
  struct Video final : VideoWindow {
    Video(VentanasDeGrabacion& v, QString a) : v(v), file(std::move(a)) {}
    void mostrar() override { v.log << QStringLiteral("video+"); }
    void cerrar() override { v.log << QStringLiteral("video-"); }
    QString archivo() const override { return file; }
    VentanasDeGrabacion& v;
    QString file;
  };

  FabricasDeGrabacion fabricas() {
    FabricasDeGrabacion f;
    f.setupBar = [this](const ObjetivoDeGrabacion&, const QRect&, ManejadoresDeSetup h) {
      auto s = std::make_unique<Setup>(*this, std::move(h));
      setup = s.get();
      return s;
    };
    f.frame = [this](const QRect& r) {
      marco = r;
      return std::make_unique<Frame>(*this);
    };
    f.bar = [this](RecordingBar::Modo m, ManejadoresDeBarra h) {
      auto b = std::make_unique<Bar>(*this, m, std::move(h));
      bar = b.get();
      return b;
    };
    f.panel = [this](ManejadoresDePanel h, const QRect& i) {
      icono = i;
      auto p = std::make_unique<Panel>(*this, std::move(h));
      panel = p.get();
      return p;
    };
    f.camara = [this](const QRect&, FormaDeCamara forma,
                      std::function<void(std::unique_ptr<CamaraFlotante>)> c) {
      pedidosDeCamara.push_back(forma);
      entregarCamara = [this, forma, c] { c(std::make_unique<Camara>(*this, forma)); };
    };
    f.video = [this](const QString& archivo, const QSize&) {
      auto v = std::make_unique<Video>(*this, archivo);
      video = v.get();
      return v;
    };
    return f;
  }

  QStringList log;
  Setup* setup = nullptr;
  Bar* bar = nullptr;
  Panel* panel = nullptr;
  QRect icono;  // where the panel was asked to go
  Video* video = nullptr;
  std::optional<QRect> marco;
  std::vector<FormaDeCamara> pedidosDeCamara;
  std::function<void()> entregarCamara;
};

class FakeHotkeys final : public HotkeyManager {
 public:
  bool registrar(const Hotkey& h, uint32_t id, std::function<void()> handler) override {
    if (ocupadas.count(h.keyCode * 100000 + h.modifiers)) return false;
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
  std::set<uint64_t> ocupadas;
};

class FakeSonda final : public HotkeyProbe {
 public:
  bool pendiente(uint32_t id) const override { return esperando.count(id) > 0; }
  void llego(uint32_t id) override {
    esperando.erase(id);
    llegados.push_back(id);
  }
  std::set<uint32_t> esperando;
  std::vector<uint32_t> llegados;
};

class FakeStatusItem final : public StatusItem {
 public:
  void aplicar(const AparienciaDelIcono& a) override { ultima = a; }
  void desplegarMenu() override { ++menusAbiertos; }
  QRect geometria() const override { return lugar; }
  AparienciaDelIcono ultima;
  QRect lugar;
  int menusAbiertos = 0;
};

// A full set of fakes, and the pieces wired to them.
struct Banco {
  FakeClipboard* portapapeles = nullptr;
  FakeAlertas* alertas = nullptr;
  FakeHotkeys* hotkeys = nullptr;
  std::shared_ptr<FakeSonda> sonda = std::make_shared<FakeSonda>();
  FakeCapture* capturas = nullptr;
  FakeAreas* areas = nullptr;
  FakeVentanas* ventanas = nullptr;
  FakeColores* colores = nullptr;
  FakeLector* lector = nullptr;
  FakeGrabadora* grabadora = nullptr;
  FakeStatusItem* bandeja = nullptr;
  std::vector<FakeEditor*> editores;
  std::vector<FakeScroll*> scrolls;
  int scrollsDestruidos = 0;
  std::vector<FakeCuenta*> cuentas;
  std::vector<ToastVisto> toasts;
  std::vector<std::pair<ToastVisto, AccionDeToast>> toastsConAccion;
  std::vector<CopiaPendiente> copias;  // left unsaved by an earlier run
  VentanasDeGrabacion ventanasDeGrabacion;
  bool permiso = true;
  int activaciones = 0, preferencias = 0, acercaDe = 0, actualizaciones = 0, terminado = 0;
  QRect pantalla{0, 0, 1920, 1080};

  Piezas piezas() {
    Piezas p;
    auto clip = std::make_unique<FakeClipboard>();
    portapapeles = clip.get();
    p.portapapeles = std::move(clip);
    auto alerts = std::make_unique<FakeAlertas>();
    alertas = alerts.get();
    p.alertas = std::move(alerts);
    p.toast = [this](const QString& t, const QString& d, const QString& s) {
      toasts.push_back({t, d, s});
    };
    p.toastConAccion = [this](const QString& t, const QString& d, const QString& s,
                              AccionDeToast a) {
      toastsConAccion.push_back({{t, d, s}, std::move(a)});
    };
    p.documentosSinGuardar = [this] { return copias; };
    // A folder named "dañada" holds a copy that can't be read.
    p.editorRecuperado = [this](const QString& carpeta) -> std::unique_ptr<EditorWindow> {
      if (carpeta.endsWith(QStringLiteral("dañada"))) return nullptr;
      auto e = std::make_unique<FakeEditor>(QImage());
      e->carpeta = carpeta;
      editores.push_back(e.get());
      return e;
    };
    p.permisoDePantalla = [this] { return permiso; };
    p.activar = [this] { ++activaciones; };
    p.pantallaBajoElPuntero = [this] {
      return AreaElegida{pantalla, QStringLiteral("pantalla-1")};
    };
    p.marcoDePantalla = [this](const QString& n) {
      return n == QLatin1String("pantalla-1") ? pantalla : QRect();
    };
    auto hk = std::make_unique<FakeHotkeys>();
    hotkeys = hk.get();
    p.hotkeys = std::move(hk);
    p.sonda = sonda;
    auto cap = std::make_unique<FakeCapture>();
    capturas = cap.get();
    p.capturas = std::move(cap);
    auto ar = std::make_unique<FakeAreas>();
    areas = ar.get();
    p.areas = std::move(ar);
    auto ve = std::make_unique<FakeVentanas>();
    ventanas = ve.get();
    p.ventanas = std::move(ve);
    auto co = std::make_unique<FakeColores>();
    colores = co.get();
    p.colores = std::move(co);
    auto le = std::make_unique<FakeLector>();
    lector = le.get();
    p.lector = std::move(le);
    p.desplazamiento = [this] {
      auto s = std::make_unique<FakeScroll>(&scrollsDestruidos);
      scrolls.push_back(s.get());
      return s;
    };
    p.cuentaRegresiva = [this](int s, const QRect&, const QString&, std::function<void()> fin) {
      auto c = std::make_unique<FakeCuenta>(s, std::move(fin));
      cuentas.push_back(c.get());
      return c;
    };
    p.editor = [this](const QImage& image) {
      auto e = std::make_unique<FakeEditor>(image);
      editores.push_back(e.get());
      return e;
    };
    auto gr = std::make_unique<FakeGrabadora>();
    grabadora = gr.get();
    p.grabadora = std::move(gr);
    p.grabacion = ventanasDeGrabacion.fabricas();
    p.bandeja = [this](std::function<Menu()>, std::function<void(Accion, QVariant)>,
                       std::function<void(bool)>) {
      auto b = std::make_unique<FakeStatusItem>();
      bandeja = b.get();
      return b;
    };
    p.abrirPreferencias = [this] { ++preferencias; };
    p.abrirAcercaDe = [this] { ++acercaDe; };
    p.buscarActualizaciones = [this] { ++actualizaciones; };
    p.terminar = [this] { ++terminado; };
    return p;
  }
};

// Empties the shared settings store so that each test starts from the defaults.
inline void limpiarAjustes() {
  SettingsStore& d = Settings::shared().d();
  for (const QString& key : d.storedKeys()) d.remove(key);
}

// Runs the event loop until queued work (notifications, zero timers) has been delivered.
void procesarEventos();

}  // namespace corvalin::testing
