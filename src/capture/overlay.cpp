#include "capture/overlay.h"

#include <QBackingStore>
#include <QCursor>
#include <QGuiApplication>
#include <QPaintEngine>
#include <QPainter>
#include <QRegion>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdint>
#include <thread>
#include <utility>

#include "capture/desktop.h"
#include "platform/screen_map.h"

namespace corvalin {
namespace {

// Another client may hold the keyboard for a moment (a menu closing): try again this often,
// this many times.
constexpr int kReintentoMs = 15;
constexpr int kReintentos = 100;
// A compositor draws at the display's rate; two frames at 60 Hz and some slack.
constexpr int kFotogramasMs = 50;

// A pixel under black that lets `queda` of 255 through, opaque: red and blue, then green,
// scaled together in one multiply each, rounded as blending does.
inline std::uint32_t atenuar(std::uint32_t c, std::uint32_t queda) {
  std::uint32_t rb = (c & 0xff00ffu) * queda + 0x800080u;
  rb = ((rb + ((rb >> 8) & 0xff00ffu)) >> 8) & 0xff00ffu;
  std::uint32_t g = (c & 0xff00u) * queda + 0x8000u;
  g = ((g + ((g >> 8) & 0xff00u)) >> 8) & 0xff00u;
  return 0xff000000u | rb | g;
}

// Lays `color` over all of `vista` but `hueco`, as four plain rectangles (much faster on a
// large screen than a path with a hole).
void atenuarFuera(QPainter& p, const QRectF& vista, const QRectF& hueco, const QColor& color) {
  const QRectF h = hueco.intersected(vista);
  if (h.isEmpty()) {
    p.fillRect(vista, color);
    return;
  }
  p.fillRect(QRectF(vista.left(), vista.top(), vista.width(), h.top() - vista.top()), color);
  p.fillRect(QRectF(vista.left(), h.bottom(), vista.width(), vista.bottom() - h.bottom()), color);
  p.fillRect(QRectF(vista.left(), h.top(), h.left() - vista.left(), h.height()), color);
  p.fillRect(QRectF(h.right(), h.top(), vista.right() - h.right(), h.height()), color);
}

}  // namespace

bool capasEnX11() {
  return QGuiApplication::platformName() == QLatin1String("xcb");
}

CapaDePantalla::CapaDePantalla(QScreen* pantalla, QImage fondo, int atenuacion)
    : QWidget(nullptr, capasEnX11() ? Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                                          Qt::BypassWindowManagerHint | Qt::Tool
                                    : Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      pantalla_(pantalla),
      fondo_(std::move(fondo)),
      atenuacion_(atenuacion) {
  setAttribute(Qt::WA_DeleteOnClose, false);
  setAttribute(Qt::WA_ShowWithoutActivating, capasEnX11());
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setScreen(pantalla);
  setGeometry(pantalla->geometry());
  if (fondo_.isNull()) {
    setAttribute(Qt::WA_TranslucentBackground);
  } else {
    setAttribute(Qt::WA_OpaquePaintEvent);
  }
}

void CapaDePantalla::pintarFondo(QPainter& p, const QRectF& hueco) {
  const QRectF vista = rect();
  if (fondo_.isNull()) {
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(vista, Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  } else if (pintarDirecto(p, hueco)) {
    return;
  } else {
    p.drawImage(vista, fondo_);
  }
  if (atenuacion_ > 0) atenuarFuera(p, vista, hueco, QColor(0, 0, 0, atenuacion_));
}

bool CapaDePantalla::pintarDirecto(QPainter& p, const QRectF& hueco) {
  QBackingStore* store = backingStore();
  QPaintDevice* device = store ? store->paintDevice() : nullptr;
  if (device == nullptr || device->devType() != QInternal::Image) return false;
  auto* destino = static_cast<QImage*>(device);
  const bool formato = destino->format() == QImage::Format_RGB32 ||
                       destino->format() == QImage::Format_ARGB32_Premultiplied;
  if (!formato || destino->size() != fondo_.size() || fondo_.format() != QImage::Format_RGB32)
    return false;
  const double e = fondo_.devicePixelRatio();
  const int l = static_cast<int>(std::lround(hueco.left() * e));
  const int t = static_cast<int>(std::lround(hueco.top() * e));
  const int r = static_cast<int>(std::lround(hueco.right() * e));
  const int b = static_cast<int>(std::lround(hueco.bottom() * e));
  const QRect enPixeles = hueco.isEmpty() ? QRect() : QRect(l, t, r - l, b - t);
  // What this paint may touch, in the window's pixels.
  QRegion zona = p.paintEngine() ? p.paintEngine()->systemClip() : QRegion();
  if (zona.isEmpty()) zona = QRect(QPoint(), destino->size());
  for (const QRect& z : zona) {
    escribirAtenuado(*destino, fondo_, z.intersected(fondo_.rect()), enPixeles, atenuacion_);
  }
  return true;
}

void escribirAtenuado(QImage& destino, const QImage& fuente, const QRect& zona, const QRect& hueco,
                      int alpha) {
  if (zona.isEmpty()) return;
  // Each channel times (255 - alpha) / 255, as blending black over it does.
  const std::uint32_t queda = 255 - static_cast<std::uint32_t>(std::clamp(alpha, 0, 255));
  const int x0 = zona.left(), x1 = zona.right() + 1;
  const int hx0 = std::clamp(hueco.left(), x0, x1), hx1 = std::clamp(hueco.right() + 1, hx0, x1);
  auto filas = [&](int desde, int hasta) {
    for (int y = desde; y < hasta; ++y) {
      const auto* in = reinterpret_cast<const std::uint32_t*>(fuente.constScanLine(y));
      auto* o = reinterpret_cast<std::uint32_t*>(destino.scanLine(y));
      const bool enHueco = !hueco.isEmpty() && y >= hueco.top() && y <= hueco.bottom();
      const int a = enHueco ? hx0 : x1, b = enHueco ? hx1 : x1;
      if (queda == 255) {
        for (int x = x0; x < x1; ++x) o[x] = in[x] | 0xff000000u;
        continue;
      }
      for (int x = x0; x < a; ++x) {
        o[x] = atenuar(in[x], queda);
      }
      for (int x = a; x < b; ++x) o[x] = in[x] | 0xff000000u;
      for (int x = b; x < x1; ++x) {
        o[x] = atenuar(in[x], queda);
      }
    }
  };
  const int y0 = zona.top(), y1 = zona.bottom() + 1;
  if (static_cast<long>(zona.width()) * zona.height() < 1'000'000) {
    filas(y0, y1);
    return;
  }
  const int mitad = (y0 + y1) / 2;
  std::thread otra(filas, mitad, y1);
  filas(y0, mitad);
  otra.join();
}

QImage fotoDePantalla(Escritorio& escritorio, QScreen* pantalla) {
  QImage foto = escritorio.congelar(PantallaEnMapa::de(*pantalla).raiz(), false);
  foto.setDevicePixelRatio(pantalla->devicePixelRatio());
  return foto;
}

QImage fondoParaCapa(Escritorio* escritorio, QScreen* pantalla) {
  if (escritorio == nullptr || !capasEnX11() || escritorio->componiendo()) return {};
  return fotoDePantalla(*escritorio, pantalla);
}

void alDesaparecer(Escritorio* escritorio, std::function<void()> despues) {
  const bool componiendo = escritorio != nullptr && escritorio->componiendo();
  if (escritorio != nullptr) escritorio->sincronizar();
  if (!despues) return;
  if (componiendo) {
    QTimer::singleShot(kFotogramasMs, std::move(despues));
  } else {
    despues();
  }
}

namespace {
int abiertas = 0;
}  // namespace

Capas::Capas(Escritorio* escritorio) : escritorio_(escritorio) {
  ++abiertas;
}

Capas::~Capas() {
  for (const QPointer<CapaDePantalla>& c : capas_) delete c.data();
  if (abiertas_) --abiertas;
}

bool Capas::hayAbiertas() {
  return abiertas > 0;
}

void Capas::crearEnCadaPantalla(const std::function<CapaDePantalla*(QScreen*)>& crear) {
  for (QScreen* s : QGuiApplication::screens()) {
    if (CapaDePantalla* capa = crear(s)) capas_.emplace_back(capa);
  }
}

void Capas::mostrar() {
  CapaDePantalla* teclado = nullptr;
  QScreen* bajo = QGuiApplication::screenAt(QCursor::pos());
  for (const QPointer<CapaDePantalla>& c : capas_) {
    if (!c) continue;
    if (capasEnX11()) {
      c->show();
      c->raise();
    } else {
      c->showFullScreen();
    }
    if (teclado == nullptr || c->pantalla() == bajo) teclado = c;
  }
  if (teclado == nullptr) return;
  teclado->activateWindow();
  teclado->setFocus();
  if (!capasEnX11()) return;
  // Override-redirect windows get no focus from a window manager: the grab brings the keys.
  QPointer<CapaDePantalla> destino(teclado);
  reintento_ = std::make_unique<QTimer>();
  auto intentar = [this, destino, intentos = 0]() mutable {
    QWindow* w = destino ? destino->windowHandle() : nullptr;
    if (w == nullptr || w->setKeyboardGrabEnabled(true) || ++intentos >= kReintentos) {
      reintento_->stop();
    }
  };
  QObject::connect(reintento_.get(), &QTimer::timeout, intentar);
  intentar();
  if (reintento_) reintento_->start(kReintentoMs);
}

void Capas::cerrar(std::function<void()> despues) {
  if (reintento_) reintento_->stop();
  for (const QPointer<CapaDePantalla>& c : capas_) {
    if (!c) continue;
    if (QWindow* w = c->windowHandle(); w && capasEnX11()) w->setKeyboardGrabEnabled(false);
    c->hide();
    c->deleteLater();
  }
  capas_.clear();
  if (std::exchange(abiertas_, false)) --abiertas;
  alDesaparecer(escritorio_, std::move(despues));
}

}  // namespace corvalin
