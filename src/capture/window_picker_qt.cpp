#include "capture/window_picker_qt.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>
#include <unordered_set>

#include "core/texts.h"

namespace corvalin {

std::optional<VentanaDelEscritorio> ventanaBajo(
    const std::vector<VentanaDelEscritorio>& arribaPrimero, QPoint raiz,
    const std::function<bool(uint32_t)>& esPropia) {
  for (const VentanaDelEscritorio& v : arribaPrimero) {
    if (!v.visible.contains(raiz)) continue;
    if (esPropia && esPropia(v.id)) continue;
    // A panel or the desktop in front: the user points at that, not at what it hides.
    if (!v.elegible) return std::nullopt;
    if (v.visible.width() <= 24 || v.visible.height() <= 24) continue;
    return v;
  }
  return std::nullopt;
}

VentanaElegida eleccionDe(const VentanaDelEscritorio& ventana, const MapaDePantallas& mapa) {
  const PantallaEnMapa* pantalla = nullptr;
  for (const PantallaEnMapa& s : mapa.pantallas()) {
    if (s.raiz().intersects(ventana.visible)) {
      pantalla = &s;
      break;
    }
  }
  if (pantalla == nullptr && !mapa.pantallas().empty()) pantalla = &mapa.pantallas().front();
  if (pantalla == nullptr) return VentanaElegida{ventana.id, ventana.visible, {}};
  return VentanaElegida{ventana.id, MapaDePantallas::rectEnLogico(*pantalla, ventana.visible),
                        pantalla->nombre};
}

// One screen's layer: dimmed, the window under the pointer punched out and framed.
class CapaDeVentanas final : public CapaDePantalla {
 public:
  CapaDeVentanas(QScreen* pantalla, QImage fondo, SelectorDeVentana* selector)
      : CapaDePantalla(pantalla, std::move(fondo), 82),  // 0.32
        selector_(selector) {
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(L("Pasa el cursor sobre una ventana · Esc para salir"));
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    const std::optional<VentanaDelEscritorio>& actual = selector_->actual_;
    QRectF marco;
    if (actual) {
      marco = MapaDePantallas::rectEnLogico(PantallaEnMapa::de(*pantalla()), actual->visible)
                  .translated(-pantalla()->geometry().topLeft());
    }
    pintarFondo(p, marco);
    if (actual) {
      const QColor rojo(255, 59, 48);
      p.fillRect(marco, QColor(rojo.red(), rojo.green(), rojo.blue(), 18));  // 0.07
      p.setRenderHint(QPainter::Antialiasing);
      p.setPen(QPen(rojo, 3));
      p.setBrush(Qt::NoBrush);
      p.drawRect(marco.adjusted(1.5, 1.5, -1.5, -1.5));
    }
    dibujarEtiqueta(
        p, actual ? selector_->nombre_ : L("Pasa el cursor sobre una ventana · Esc para salir"));
  }

  void mousePressEvent(QMouseEvent* e) override {
    if (e->button() == Qt::LeftButton)
      selector_->elegir();
    else if (e->button() == Qt::RightButton)
      selector_->terminar(selector_->onCancel_);
  }

  void keyPressEvent(QKeyEvent* e) override {
    if (e->key() == Qt::Key_Escape) {
      selector_->terminar(selector_->onCancel_);
      return;
    }
    CapaDePantalla::keyPressEvent(e);
  }

 private:
  void dibujarEtiqueta(QPainter& p, const QString& texto) {
    QFont fuente = font();
    fuente.setPixelSize(13);
    p.setFont(fuente);
    const QFontMetricsF m(fuente);
    const QString visible = m.elidedText(texto, Qt::ElideMiddle, width() - 80);
    const QSizeF tam = m.size(Qt::TextSingleLine, visible);
    const QRectF caja(width() / 2.0 - tam.width() / 2 - 12, height() - 56 - tam.height() - 12,
                      tam.width() + 24, tam.height() + 12);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 191));  // 0.75
    p.drawRoundedRect(caja, 8, 8);
    p.setPen(Qt::white);
    p.drawText(caja.adjusted(12, 6, -12, -6), Qt::AlignLeft | Qt::AlignVCenter, visible);
  }

  SelectorDeVentana* selector_;
};

namespace {

// This application's own top-level windows, by their X ids.
std::function<bool(uint32_t)> ventanasPropias() {
  auto ids = std::make_shared<std::unordered_set<uint32_t>>();
  for (QWindow* w : QGuiApplication::topLevelWindows()) {
    if (w->handle() != nullptr) ids->insert(static_cast<uint32_t>(w->winId()));
  }
  return [ids](uint32_t id) { return ids->contains(id); };
}

}  // namespace

SelectorDeVentana::SelectorDeVentana(std::shared_ptr<Escritorio> escritorio,
                                     std::function<void()> sinLista)
    : escritorio_(std::move(escritorio)), sinLista_(std::move(sinLista)) {
  reloj_.setInterval(1000 / 30);
  reloj_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&reloj_, &QTimer::timeout, [this] { seguirCursor(); });
}

SelectorDeVentana::~SelectorDeVentana() = default;

void SelectorDeVentana::pick(std::function<void(const VentanaElegida&)> onPick,
                             std::function<void()> onCancel) {
  if (Capas::hayAbiertas()) return;  // one chooser at a time
  if (!escritorio_) {
    if (sinLista_) sinLista_();
    if (onCancel) QTimer::singleShot(0, std::move(onCancel));
    return;
  }
  onPick_ = std::move(onPick);
  onCancel_ = std::move(onCancel);
  actual_.reset();
  nombre_.clear();
  capas_ = std::make_unique<Capas>(escritorio_.get());
  capas_->crearEnCadaPantalla([&](QScreen* pantalla) -> CapaDePantalla* {
    return new CapaDeVentanas(pantalla, fondoParaCapa(escritorio_.get(), pantalla), this);
  });
  capas_->mostrar();
  seguirCursor();
  reloj_.start();
}

std::optional<VentanaDelEscritorio> SelectorDeVentana::bajoElPuntero() const {
  if (escritorio_ == nullptr) return std::nullopt;
  return ventanaBajo(escritorio_->ventanas(), escritorio_->puntero(), ventanasPropias());
}

void SelectorDeVentana::seguirCursor() {
  if (!capas_) return;
  std::optional<VentanaDelEscritorio> bajo = bajoElPuntero();
  const auto clave = [](const std::optional<VentanaDelEscritorio>& v) {
    return v ? std::pair(v->id, v->visible) : std::pair(0u, QRect());
  };
  if (clave(bajo) == clave(actual_)) return;
  actual_ = std::move(bajo);
  nombre_ = actual_ ? escritorio_->nombre(actual_->id) : QString();
  if (actual_ && nombre_.isEmpty()) nombre_ = L("Ventana");
  for (const QPointer<CapaDePantalla>& c : capas_->capas()) {
    if (c) c->update();
  }
}

void SelectorDeVentana::elegir() {
  // Look again: the window may have closed or moved since the last tick.
  seguirCursor();
  if (!actual_) return;
  const VentanaElegida elegida = eleccionDe(*actual_, MapaDePantallas::actual());
  std::function<void(const VentanaElegida&)> onPick = onPick_;
  terminar([onPick, elegida] {
    if (onPick) onPick(elegida);
  });
}

void SelectorDeVentana::terminar(std::function<void()> avisar) {
  if (!capas_) return;
  reloj_.stop();
  actual_.reset();
  onPick_ = nullptr;
  onCancel_ = nullptr;
  std::unique_ptr<Capas> capas = std::move(capas_);
  capas->cerrar(std::move(avisar));
}

}  // namespace corvalin
