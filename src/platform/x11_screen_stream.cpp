// The X11 screen stream: a thread with its own connection that grabs through MIT-SHM into a
// few shared buffers lent to the consumer, asks DAMAGE what changed (or compares grabs when the
// server can't say), follows a window through its Composite pixmap, and draws the pointer from
// XFixes into the frame.
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/composite.h>
#include <xcb/damage.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iterator>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/screen_stream.h"

namespace corvalin {

int64_t relojMonotonoUs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<int64_t>(t.tv_sec) * 1'000'000 + t.tv_nsec / 1000;
}

namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

// Buffers lent to the consumer: each is free again when its lease is let go, even after the
// stream is gone, so the pool outlives the stream while a lease is held.
constexpr int kBuffers = 3;

struct Buffer {
  int shmid = -1;
  uint8_t* datos = nullptr;
  std::size_t capacidad = 0;
  xcb_shm_seg_t seg = 0;
  std::atomic<bool> prestado{false};
  // What the buffer last showed, for telling a repaint that changed nothing from a change:
  // its size, and where the pointer was drawn in with the pixels it covered (stream thread only).
  int ancho = 0, alto = 0;
  int cursorX = 0, cursorY = 0, cursorAncho = 0, cursorAlto = 0;
  std::vector<uint32_t> bajoCursor;
};

// A pointer's picture: premultiplied ARGB with its hot spot.
struct PunteroDibujado {
  int ancho = 0, alto = 0, xhot = 0, yhot = 0;
  std::vector<uint32_t> argb;
};

// Copies what `antes` showed in a rectangle (the pointer drawn into it looked past) into a
// fresh grab of the same size.
void copiarDeAntes(uint8_t* grab, int ancho, const Buffer& antes, int x0, int y0, int x1, int y1) {
  const std::size_t paso = static_cast<std::size_t>(ancho) * 4;
  for (int y = y0; y < y1; ++y) {
    uint8_t* a = grab + y * paso;
    const uint8_t* b = antes.datos + y * paso;
    std::memcpy(a + x0 * 4, b + x0 * 4, static_cast<std::size_t>(x1 - x0) * 4);
    const int cy = y - antes.cursorY;
    if (cy < 0 || cy >= antes.cursorAlto) continue;
    const int cx0 = std::max(x0, antes.cursorX);
    const int cx1 = std::min(x1, antes.cursorX + antes.cursorAncho);
    if (cx0 < cx1)
      std::memcpy(a + cx0 * 4,
                  antes.bajoCursor.data() + static_cast<std::size_t>(cy) * antes.cursorAncho +
                      (cx0 - antes.cursorX),
                  static_cast<std::size_t>(cx1 - cx0) * 4);
  }
}

// Whether a fresh grab shows what `antes` showed, the pointer drawn into `antes` looked past.
bool mismaImagen(const uint8_t* grab, int ancho, int alto, const Buffer& antes) {
  if (antes.ancho != ancho || antes.alto != alto) return false;
  const std::size_t paso = static_cast<std::size_t>(ancho) * 4;
  for (int y = 0; y < alto; ++y) {
    const uint8_t* a = grab + y * paso;
    const uint8_t* b = antes.datos + y * paso;
    const int cy = y - antes.cursorY;
    if (cy < 0 || cy >= antes.cursorAlto) {
      if (std::memcmp(a, b, paso) != 0) return false;
      continue;
    }
    const std::size_t x0 = static_cast<std::size_t>(antes.cursorX) * 4;
    const std::size_t w = static_cast<std::size_t>(antes.cursorAncho) * 4;
    if (std::memcmp(a, b, x0) != 0 || std::memcmp(a + x0 + w, b + x0 + w, paso - x0 - w) != 0 ||
        std::memcmp(a + x0, antes.bajoCursor.data() + cy * antes.cursorAncho, w) != 0)
      return false;
  }
  return true;
}

struct Pool {
  Buffer buffers[kBuffers];
  ~Pool() {
    for (Buffer& b : buffers)
      if (b.datos != nullptr) shmdt(b.datos);
  }
};

// Row hashes of a frame, for streams that compare grabs.
uint64_t hashDeFila(const uint8_t* fila, int bytes) {
  uint64_t h = 1469598103934665603ull;
  int i = 0;
  for (; i + 8 <= bytes; i += 8) {
    uint64_t v;
    std::memcpy(&v, fila + i, 8);
    h = (h ^ v) * 1099511628211ull;
  }
  for (; i < bytes; ++i) h = (h ^ fila[i]) * 1099511628211ull;
  return h;
}

class FlujoX11 final : public FlujoDePantalla {
 public:
  explicit FlujoX11(xcb_connection_t* c) : c_(c) {
    screen_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
  }
  ~FlujoX11() override {
    detener();
    xcb_disconnect(c_);
  }

  bool arrancar(const FuenteDeCuadros& fuente, const Opciones& opciones, Manejadores m,
                std::string* error) override;
  void detener() override {
    parar_ = true;
    if (hilo_.joinable()) hilo_.join();
  }
  int64_t descartados() const override { return descartados_; }
  void dejarFuera(std::vector<uint32_t> ventanas) override {
    std::lock_guard l(fueraMutex_);
    fuera_ = std::move(ventanas);
  }
  std::optional<AreaDeRaiz> medir(uint32_t ventana) override {
    if (hilo_.joinable()) return std::nullopt;  // the connection is the thread's now
    return dondeEsta(ventana == 0 ? screen_->root : ventana, false);
  }

 private:
  struct Geometria {
    int x = 0, y = 0, ancho = 0, alto = 0;  // where the frame lies on the root
  };

  bool prepararExtensiones(std::string* error);
  bool nombrarPixmap();
  std::optional<Geometria> geometria();
  void bucle();
  bool grabar(Buffer& b, const Geometria& g);
  void dibujarCursor(Buffer& b, const Geometria& g);
  bool asegurar(Buffer& b, std::size_t bytes);
  bool cambioEnArea(const Geometria& g);
  bool cursorCambio(const Geometria& g);
  bool taparLasDejadasFuera(Buffer& b, const Geometria& g);
  // A window's content on the root; with `visible`, none unless it is mapped and viewable.
  std::optional<AreaDeRaiz> dondeEsta(xcb_window_t ventana, bool visible);
  void terminar(Fin fin);

  xcb_connection_t* c_;
  xcb_screen_t* screen_;
  std::thread hilo_;
  std::atomic<bool> parar_{false};
  std::atomic<int64_t> descartados_{0};
  std::shared_ptr<Pool> pool_ = std::make_shared<Pool>();

  // The thread's own from here on.
  FuenteDeCuadros fuente_;
  Opciones opciones_;
  Manejadores manejadores_;
  bool ventana_ = false;
  xcb_window_t id_ = 0;
  bool damage_ = false, xfixes_ = false, composite_ = false;
  uint8_t primerEventoDamage_ = 0, primerEventoXfixes_ = 0;
  xcb_damage_damage_t damageId_ = 0;
  xcb_xfixes_region_t region_ = 0;
  xcb_pixmap_t pixmap_ = 0;
  bool sucio_ = false;
  int64_t sucioDesdeUs_ = 0;  // when the server first said something changed since the last frame
  bool primero_ = true;       // the first frame always goes
  bool cursorSucio_ = false;
  int cursorX_ = -1, cursorY_ = -1;
  PunteroDibujado puntero_;  // the last picture the server gave
  std::mutex fueraMutex_;
  std::vector<uint32_t> fuera_;  // under fueraMutex_
  std::vector<uint64_t> hashes_;
  int64_t ultimoPts_ = 0;
  Buffer* ultimo_ = nullptr;  // the last frame delivered
  bool terminado_ = false;
  // Set once the first slot has been grabbed (or the thread has ended).
  std::mutex primeraMutex_;
  std::condition_variable primeraCv_;
  bool primeraVuelta_ = false;
  void primeraVueltaHecha() {
    {
      std::lock_guard l(primeraMutex_);
      primeraVuelta_ = true;
    }
    primeraCv_.notify_all();
  }
};

bool FlujoX11::prepararExtensiones(std::string* error) {
  const xcb_query_extension_reply_t* shm = xcb_get_extension_data(c_, &xcb_shm_id);
  if (shm == nullptr || !shm->present) {
    if (error) *error = "the X server has no MIT-SHM";
    return false;
  }
  if (const auto* d = xcb_get_extension_data(c_, &xcb_damage_id); d && d->present) {
    Reply<xcb_damage_query_version_reply_t> v(
        xcb_damage_query_version_reply(c_, xcb_damage_query_version(c_, 1, 1), nullptr),
        &std::free);
    damage_ = v != nullptr;
    primerEventoDamage_ = d->first_event;
  }
  if (const auto* x = xcb_get_extension_data(c_, &xcb_xfixes_id); x && x->present) {
    Reply<xcb_xfixes_query_version_reply_t> v(
        xcb_xfixes_query_version_reply(c_, xcb_xfixes_query_version(c_, 5, 0), nullptr),
        &std::free);
    xfixes_ = v != nullptr;
    primerEventoXfixes_ = x->first_event;
  }
  if (const auto* k = xcb_get_extension_data(c_, &xcb_composite_id); k && k->present) {
    Reply<xcb_composite_query_version_reply_t> v(
        xcb_composite_query_version_reply(c_, xcb_composite_query_version(c_, 0, 4), nullptr),
        &std::free);
    composite_ = v != nullptr && (v->major_version > 0 || v->minor_version >= 2);
  }
  // Regions of damage need XFixes.
  if (!xfixes_) damage_ = false;
  if (opciones_.compararCuadros) damage_ = false;
  return true;
}

bool FlujoX11::arrancar(const FuenteDeCuadros& fuente, const Opciones& opciones, Manejadores m,
                        std::string* error) {
  if (hilo_.joinable()) {
    if (error) *error = "already streaming";
    return false;
  }
  fuente_ = fuente;
  opciones_ = opciones;
  opciones_.fps = std::clamp(opciones.fps, 1, 240);
  manejadores_ = std::move(m);
  if (!prepararExtensiones(error)) return false;

  ventana_ = std::holds_alternative<VentanaDeRaiz>(fuente_);
  const xcb_window_t root = screen_->root;
  if (ventana_) {
    id_ = std::get<VentanaDeRaiz>(fuente_).id;
    // Its end and its moves come as events to this connection.
    const uint32_t mascara = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_generic_error_t* e = xcb_request_check(
        c_, xcb_change_window_attributes_checked(c_, id_, XCB_CW_EVENT_MASK, &mascara));
    if (e != nullptr) {
      std::free(e);
      if (error) *error = "no such window";
      return false;
    }
    if (composite_) {
      // Kept off screen by the server too, so an overlapped window still shows its own
      // content; the server draws it on screen as before.
      xcb_composite_redirect_window(c_, id_, XCB_COMPOSITE_REDIRECT_AUTOMATIC);
      composite_ = nombrarPixmap();
    }
    // Read from the screen where it lies, a window's damage says nothing of what covers it
    // or of its moves: compare the grabs instead.
    if (!composite_) damage_ = false;
  } else {
    const AreaDeRaiz& a = std::get<AreaDeRaiz>(fuente_);
    if (a.ancho < 1 || a.alto < 1 || a.x < 0 || a.y < 0 ||
        a.x + a.ancho > screen_->width_in_pixels || a.y + a.alto > screen_->height_in_pixels) {
      if (error) *error = "the area is not on the screen";
      return false;
    }
  }
  if (!geometria()) {
    if (error) *error = "no such window";
    return false;
  }
  if (damage_) {
    damageId_ = xcb_generate_id(c_);
    const xcb_drawable_t sobre = ventana_ ? id_ : root;
    xcb_damage_create(c_, damageId_, sobre, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
    region_ = xcb_generate_id(c_);
    xcb_xfixes_create_region(c_, region_, 0, nullptr);
  }
  if (xfixes_ && opciones_.cursor)
    xcb_xfixes_select_cursor_input(c_, root, XCB_XFIXES_CURSOR_NOTIFY_MASK_DISPLAY_CURSOR);
  xcb_flush(c_);
  parar_ = false;
  primeraVuelta_ = false;
  hilo_ = std::thread([this] {
    bucle();
    primeraVueltaHecha();
  });
  // The first frame is grabbed before this returns: a window the caller shows next and
  // leaves out is then covered with what the frame before it showed, and there always is one.
  std::unique_lock l(primeraMutex_);
  primeraCv_.wait_for(l, std::chrono::seconds(2), [this] { return primeraVuelta_; });
  return true;
}

bool FlujoX11::nombrarPixmap() {
  if (pixmap_ != 0) xcb_free_pixmap(c_, pixmap_);
  pixmap_ = xcb_generate_id(c_);
  xcb_generic_error_t* e =
      xcb_request_check(c_, xcb_composite_name_window_pixmap_checked(c_, id_, pixmap_));
  if (e == nullptr) return true;
  std::free(e);
  pixmap_ = 0;
  return false;
}

std::optional<FlujoX11::Geometria> FlujoX11::geometria() {
  if (!ventana_) {
    const AreaDeRaiz& a = std::get<AreaDeRaiz>(fuente_);
    return Geometria{a.x, a.y, a.ancho, a.alto};
  }
  const auto geo = xcb_get_geometry(c_, id_);
  const auto pos = xcb_translate_coordinates(c_, id_, screen_->root, 0, 0);
  Reply<xcb_get_geometry_reply_t> g(xcb_get_geometry_reply(c_, geo, nullptr), &std::free);
  Reply<xcb_translate_coordinates_reply_t> p(xcb_translate_coordinates_reply(c_, pos, nullptr),
                                             &std::free);
  if (!g || !p) return std::nullopt;
  return Geometria{p->dst_x, p->dst_y, g->width, g->height};
}

bool FlujoX11::asegurar(Buffer& b, std::size_t bytes) {
  if (b.capacidad >= bytes) return true;
  if (b.datos != nullptr) {
    xcb_shm_detach(c_, b.seg);
    shmdt(b.datos);
    b.datos = nullptr;
    b.capacidad = 0;
  }
  b.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (b.shmid < 0) return false;
  void* p = shmat(b.shmid, nullptr, 0);
  if (p == reinterpret_cast<void*>(-1)) {
    shmctl(b.shmid, IPC_RMID, nullptr);
    return false;
  }
  b.datos = static_cast<uint8_t*>(p);
  b.capacidad = bytes;
  b.seg = xcb_generate_id(c_);
  xcb_generic_error_t* e = xcb_request_check(c_, xcb_shm_attach_checked(c_, b.seg, b.shmid, 0));
  // Attached (or refused): the segment goes away with its last user either way.
  shmctl(b.shmid, IPC_RMID, nullptr);
  if (e != nullptr) {
    std::free(e);
    shmdt(b.datos);
    b.datos = nullptr;
    b.capacidad = 0;
    return false;
  }
  return true;
}

bool FlujoX11::grabar(Buffer& b, const Geometria& g) {
  const std::size_t bytes = static_cast<std::size_t>(g.ancho) * g.alto * 4;
  if (!asegurar(b, bytes)) return false;
  const bool dePixmap = ventana_ && composite_ && pixmap_ != 0;
  const xcb_drawable_t de = dePixmap ? pixmap_ : screen_->root;
  const int16_t x = static_cast<int16_t>(dePixmap ? 0 : g.x);
  const int16_t y = static_cast<int16_t>(dePixmap ? 0 : g.y);
  xcb_generic_error_t* e = nullptr;
  Reply<xcb_shm_get_image_reply_t> r(
      xcb_shm_get_image_reply(c_,
                              xcb_shm_get_image(c_, de, x, y, static_cast<uint16_t>(g.ancho),
                                                static_cast<uint16_t>(g.alto), ~0u,
                                                XCB_IMAGE_FORMAT_Z_PIXMAP, b.seg, 0),
                              &e),
      &std::free);
  std::free(e);
  return r != nullptr;
}

// An arrow for when the server can't say what the pointer looks like (it answers nothing
// when the cursor it showed was freed, as after a window manager quits).
const PunteroDibujado& flechaDeReserva() {
  static const PunteroDibujado flecha = [] {
    static const char* const kFilas[] = {
        "X           ", "XX          ", "X.X         ", "X..X        ", "X...X       ",
        "X....X      ", "X.....X     ", "X......X    ", "X.......X   ", "X........X  ",
        "X.........X ", "X......XXXXX", "X...X..X    ", "X..XX..X    ", "X.X  X..X   ",
        "XX   X..X   ", "X     X..X  ", "      X..X  ", "       XX   "};
    PunteroDibujado p;
    p.ancho = 12;
    p.alto = static_cast<int>(std::size(kFilas));
    for (const char* fila : kFilas)
      for (int x = 0; x < p.ancho; ++x)
        p.argb.push_back(fila[x] == 'X' ? 0xff000000u : fila[x] == '.' ? 0xffffffffu : 0u);
    return p;
  }();
  return flecha;
}

void FlujoX11::dibujarCursor(Buffer& b, const Geometria& g) {
  Reply<xcb_xfixes_get_cursor_image_reply_t> r(
      xfixes_ ? xcb_xfixes_get_cursor_image_reply(c_, xcb_xfixes_get_cursor_image(c_), nullptr)
              : nullptr,
      &std::free);
  int px = cursorX_, py = cursorY_;
  if (r) {
    // Kept for the moments the server has no answer.
    puntero_.ancho = r->width;
    puntero_.alto = r->height;
    puntero_.xhot = r->xhot;
    puntero_.yhot = r->yhot;
    const uint32_t* img = xcb_xfixes_get_cursor_image_cursor_image(r.get());
    puntero_.argb.assign(img, img + static_cast<std::size_t>(r->width) * r->height);
    px = r->x;
    py = r->y;
  }
  const PunteroDibujado& p = puntero_.argb.empty() ? flechaDeReserva() : puntero_;
  const int ox = px - p.xhot - g.x, oy = py - p.yhot - g.y;
  // The frame's pixels under the pointer, kept as they were grabbed.
  const int x0 = std::clamp(ox, 0, g.ancho), x1 = std::clamp(ox + p.ancho, 0, g.ancho);
  const int y0 = std::clamp(oy, 0, g.alto), y1 = std::clamp(oy + p.alto, 0, g.alto);
  b.cursorX = x0;
  b.cursorY = y0;
  b.cursorAncho = x1 - x0;
  b.cursorAlto = y1 - y0;
  b.bajoCursor.resize(static_cast<std::size_t>(b.cursorAncho) * b.cursorAlto);
  for (int y = y0; y < y1; ++y)
    std::memcpy(b.bajoCursor.data() + static_cast<std::size_t>(y - y0) * b.cursorAncho,
                b.datos + (static_cast<std::size_t>(y) * g.ancho + x0) * 4,
                static_cast<std::size_t>(b.cursorAncho) * 4);
  for (int y = y0; y < y1; ++y) {
    auto* fila = reinterpret_cast<uint32_t*>(b.datos + static_cast<std::size_t>(y) * g.ancho * 4);
    const uint32_t* origen = p.argb.data() + static_cast<std::size_t>(y - oy) * p.ancho;
    for (int x = x0; x < x1; ++x) {
      // Premultiplied ARGB over the frame.
      const uint32_t s = origen[x - ox];
      const uint32_t a = s >> 24;
      if (a == 0) continue;
      const uint32_t d = fila[x];
      uint32_t out = 0xff000000u;
      for (int k = 0; k < 24; k += 8) {
        const uint32_t sc = (s >> k) & 0xff, dc = (d >> k) & 0xff;
        out |= std::min<uint32_t>(255, sc + dc * (255 - a) / 255) << k;
      }
      fila[x] = out;
    }
  }
}

std::optional<AreaDeRaiz> FlujoX11::dondeEsta(xcb_window_t ventana, bool visible) {
  const auto atr = xcb_get_window_attributes(c_, ventana);
  const auto geo = xcb_get_geometry(c_, ventana);
  const auto pos = xcb_translate_coordinates(c_, ventana, screen_->root, 0, 0);
  Reply<xcb_get_window_attributes_reply_t> a(xcb_get_window_attributes_reply(c_, atr, nullptr),
                                             &std::free);
  Reply<xcb_get_geometry_reply_t> g(xcb_get_geometry_reply(c_, geo, nullptr), &std::free);
  Reply<xcb_translate_coordinates_reply_t> p(xcb_translate_coordinates_reply(c_, pos, nullptr),
                                             &std::free);
  if (!a || !g || !p) return std::nullopt;
  if (visible && a->map_state != XCB_MAP_STATE_VIEWABLE) return std::nullopt;
  return AreaDeRaiz{p->dst_x, p->dst_y, g->width, g->height};
}

bool FlujoX11::taparLasDejadasFuera(Buffer& b, const Geometria& g) {
  std::vector<uint32_t> fuera;
  {
    std::lock_guard l(fueraMutex_);
    fuera = fuera_;
  }
  for (const uint32_t id : fuera) {
    const std::optional<AreaDeRaiz> r = dondeEsta(id, true);
    if (!r) continue;
    const int x0 = std::max(r->x - g.x, 0), x1 = std::min(r->x + r->ancho - g.x, g.ancho);
    const int y0 = std::max(r->y - g.y, 0), y1 = std::min(r->y + r->alto - g.y, g.alto);
    if (x0 >= x1 || y0 >= y1) continue;
    // What was there before it: the last frame, itself already clear of it. Before the first
    // frame, or when the size changed, there is nothing to take it from; when the last frame's
    // buffer is the only one free, this grab waits.
    if (ultimo_ == &b) return false;
    if (ultimo_ != nullptr && ultimo_->ancho == g.ancho && ultimo_->alto == g.alto)
      copiarDeAntes(b.datos, g.ancho, *ultimo_, x0, y0, x1, y1);
  }
  return true;
}

bool FlujoX11::cambioEnArea(const Geometria& g) {
  if (!sucio_) return false;
  // What changed since the last look, and whether any of it lies in the frame.
  xcb_damage_subtract(c_, damageId_, XCB_NONE, region_);
  Reply<xcb_xfixes_fetch_region_reply_t> r(
      xcb_xfixes_fetch_region_reply(c_, xcb_xfixes_fetch_region(c_, region_), nullptr), &std::free);
  sucio_ = false;
  if (!r) return true;
  if (ventana_) return xcb_xfixes_fetch_region_rectangles_length(r.get()) > 0;
  const xcb_rectangle_t* rects = xcb_xfixes_fetch_region_rectangles(r.get());
  for (int i = 0; i < xcb_xfixes_fetch_region_rectangles_length(r.get()); ++i) {
    const xcb_rectangle_t& q = rects[i];
    if (q.x < g.x + g.ancho && q.x + q.width > g.x && q.y < g.y + g.alto && q.y + q.height > g.y)
      return true;
  }
  return false;
}

bool FlujoX11::cursorCambio(const Geometria& g) {
  if (!opciones_.cursor) return false;
  Reply<xcb_query_pointer_reply_t> p(
      xcb_query_pointer_reply(c_, xcb_query_pointer(c_, screen_->root), nullptr), &std::free);
  if (!p) return false;
  const bool dentro = [&](int x, int y) {
    // A cursor image reaches some way around its hot spot.
    return x >= g.x - 64 && x < g.x + g.ancho + 64 && y >= g.y - 64 && y < g.y + g.alto + 64;
  }(p->root_x, p->root_y);
  const bool antesDentro = cursorX_ >= g.x - 64 && cursorX_ < g.x + g.ancho + 64 &&
                           cursorY_ >= g.y - 64 && cursorY_ < g.y + g.alto + 64;
  const bool movido = p->root_x != cursorX_ || p->root_y != cursorY_;
  cursorX_ = p->root_x;
  cursorY_ = p->root_y;
  const bool forma = std::exchange(cursorSucio_, false);
  return (movido || forma) && (dentro || antesDentro);
}

void FlujoX11::terminar(Fin fin) {
  if (terminado_) return;
  terminado_ = true;
  if (manejadores_.alTerminar) manejadores_.alTerminar(fin);
}

void FlujoX11::bucle() {
  const int64_t intervaloUs = 1'000'000 / opciones_.fps;
  int64_t siguiente = relojMonotonoUs();
  const int fd = xcb_get_file_descriptor(c_);
  int vueltas = 0;  // counted up to two
  while (!parar_ && !terminado_) {
    // The first slot has been grabbed, whichever way it went: the start is over.
    if (vueltas < 2 && ++vueltas == 2) primeraVueltaHecha();
    // Events until the next slot: what changed, the pointer's shape, the window's moves.
    for (;;) {
      while (xcb_generic_event_t* ev = xcb_poll_for_event(c_)) {
        const uint8_t tipo = ev->response_type & 0x7f;
        // Errors (type 0) about a window that went are answered by its geometry below.
        if (damage_ && tipo == primerEventoDamage_ + XCB_DAMAGE_NOTIFY) {
          if (!sucio_) sucioDesdeUs_ = relojMonotonoUs();
          sucio_ = true;
        } else if (xfixes_ && tipo == primerEventoXfixes_ + XCB_XFIXES_CURSOR_NOTIFY) {
          cursorSucio_ = true;
        } else if (tipo == XCB_DESTROY_NOTIFY && ventana_) {
          terminar(Fin::sinVentana);
        } else if (tipo == XCB_CONFIGURE_NOTIFY && ventana_) {
          // Moved or resized: a new pixmap for a new size, and a frame either way.
          if (composite_) nombrarPixmap();
          sucio_ = true;
        } else if (tipo == XCB_MAP_NOTIFY && ventana_) {
          if (composite_) nombrarPixmap();
          sucio_ = true;
        }
        std::free(ev);
      }
      if (xcb_connection_has_error(c_)) {
        terminar(Fin::sinPantalla);
        break;
      }
      const int64_t falta = siguiente - relojMonotonoUs();
      if (falta <= 0 || parar_ || terminado_) break;
      pollfd p{fd, POLLIN, 0};
      poll(&p, 1, static_cast<int>(std::min<int64_t>((falta + 999) / 1000, 50)));
    }
    if (parar_ || terminado_) break;
    siguiente += intervaloUs;
    const int64_t ahora = relojMonotonoUs();
    if (siguiente < ahora) siguiente = ahora + intervaloUs;  // fell behind: no burst to catch up

    const std::optional<Geometria> g = geometria();
    if (!g) {
      if (ventana_) terminar(Fin::sinVentana);
      continue;
    }
    if (g->ancho < 1 || g->alto < 1) continue;
    // With DAMAGE only what changed is grabbed; without it every slot is grabbed and
    // compared with the last frame below.
    const bool cursor = cursorCambio(*g);
    const bool primero = std::exchange(primero_, false);
    const bool cambio = (damage_ && cambioEnArea(*g)) || cursor || primero;
    if (damage_ && !cambio) continue;

    // Any free buffer but the last frame's, kept to compare with while it is free.
    Buffer* libre = nullptr;
    for (Buffer& b : pool_->buffers) {
      if (!b.prestado && (libre == nullptr || libre == ultimo_)) libre = &b;
    }
    if (libre == nullptr) {
      ++descartados_;
      sucio_ = true;  // what changed still has to go
      continue;
    }
    // A change the server reported is shown from when it was reported, not from the next slot
    // (up to a frame later): what is seen lines up with what is heard.
    const int64_t ahoraUs = relojMonotonoUs();
    const bool porDano = damage_ && !cursor && !primero && sucioDesdeUs_ > 0 &&
                         ahoraUs - sucioDesdeUs_ <= intervaloUs;
    const int64_t pts = porDano ? std::max(sucioDesdeUs_, ultimoPts_ + 1) : ahoraUs;
    if (!grabar(*libre, *g)) {
      if (ventana_ && !geometria()) terminar(Fin::sinVentana);
      continue;
    }
    // Frames of a window's own pixmap hold nothing else; on-screen grabs may hold Corvalin's
    // own controls.
    const bool dePixmap = ventana_ && composite_ && pixmap_ != 0;
    if (!dePixmap && !taparLasDejadasFuera(*libre, *g)) {
      ++descartados_;
      sucio_ = true;
      continue;
    }
    // The server reports repaints, and a repaint may change nothing.
    if (damage_ && !cursor && !primero && ultimo_ != nullptr && ultimo_ != libre &&
        mismaImagen(libre->datos, g->ancho, g->alto, *ultimo_))
      continue;
    if (!damage_) {
      // Without the server's word, a frame goes only when its pixels differ from the last.
      std::vector<uint64_t> hashes(static_cast<std::size_t>(g->alto));
      for (int y = 0; y < g->alto; ++y)
        hashes[y] =
            hashDeFila(libre->datos + static_cast<std::size_t>(y) * g->ancho * 4, g->ancho * 4);
      if (hashes == hashes_ && !cambio) continue;
      hashes_ = std::move(hashes);
    }
    libre->ancho = g->ancho;
    libre->alto = g->alto;
    libre->cursorAncho = libre->cursorAlto = 0;
    if (opciones_.cursor) dibujarCursor(*libre, *g);
    ultimoPts_ = pts;
    ultimo_ = libre;
    libre->prestado = true;
    std::shared_ptr<void> prestamo(libre, [pool = pool_](Buffer* b) { b->prestado = false; });
    if (manejadores_.alCuadro)
      manejadores_.alCuadro(CuadroDePantalla{libre->datos, g->ancho, g->alto, g->ancho * 4, pts,
                                             std::move(prestamo)});
  }
}

}  // namespace

std::unique_ptr<FlujoDePantalla> flujoX11() {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c)) {
    xcb_disconnect(c);
    return nullptr;
  }
  return std::make_unique<FlujoX11>(c);
}

}  // namespace corvalin
