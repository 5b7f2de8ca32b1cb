#include "capture/overlay.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <utility>

#include "capture/desktop.h"
#include "capture/screen_map.h"

namespace corvalin {
namespace {

// Another client may hold the keyboard for a moment (a menu closing): try again this often,
// this many times.
constexpr int kReintentoMs = 15;
constexpr int kReintentos = 100;
// A compositor draws at the display's rate; two frames at 60 Hz and some slack.
constexpr int kFotogramasMs = 50;

}  // namespace

bool capasEnX11() {
  return QGuiApplication::platformName() == QLatin1String("xcb");
}

CapaDePantalla::CapaDePantalla(QScreen* pantalla, QImage fondo)
    : QWidget(nullptr, capasEnX11() ? Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                                          Qt::BypassWindowManagerHint | Qt::Tool
                                    : Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      pantalla_(pantalla),
      fondo_(std::move(fondo)) {
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

void CapaDePantalla::pintarFondo(QPainter& p) {
  if (!fondo_.isNull()) {
    p.drawImage(QRectF(rect()), fondo_);
    return;
  }
  p.setCompositionMode(QPainter::CompositionMode_Source);
  p.fillRect(rect(), Qt::transparent);
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

QImage parteDeLaRaiz(const QImage& raiz, QScreen* pantalla) {
  if (raiz.isNull()) return {};
  const PantallaEnMapa s = PantallaEnMapa::de(*pantalla);
  QImage parte = raiz.copy(s.raiz());
  parte.setDevicePixelRatio(s.escala);
  return parte;
}

QImage fondoParaCapas(Escritorio* escritorio) {
  if (escritorio == nullptr || !capasEnX11() || escritorio->componiendo()) return {};
  return escritorio->congelar();
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
  for (QScreen* s : QGuiApplication::screens()) capas_.emplace_back(crear(s));
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
