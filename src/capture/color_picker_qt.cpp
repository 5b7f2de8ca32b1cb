#include "capture/color_picker_qt.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

#include "capture/color_loupe.h"
#include "platform/screen_map.h"

namespace corvalin {

// One screen's layer: the frozen screen and, while the pointer is on this screen, the loupe.
class CapaDeColor final : public CapaDePantalla {
 public:
  CapaDeColor(QScreen* pantalla, QImage fondo, SelectorDeColor* selector)
      : CapaDePantalla(pantalla, std::move(fondo)), selector_(selector) {
    setCursor(Qt::CrossCursor);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    pintarFondo(p);
    const PantallaEnMapa aqui = PantallaEnMapa::de(*pantalla());
    if (!aqui.raiz().contains(selector_->cursor_)) return;
    dibujarLupa(p, aqui);
  }

  void mouseMoveEvent(QMouseEvent* e) override { seguir(e->position()); }

  void mousePressEvent(QMouseEvent* e) override {
    if (e->button() == Qt::RightButton) {
      selector_->terminar(selector_->onCancel_);
      return;
    }
    if (e->button() != Qt::LeftButton) return;
    seguir(e->position());
    selector_->escoger();
  }

  void keyPressEvent(QKeyEvent* e) override {
    switch (e->key()) {
      case Qt::Key_Escape:
        selector_->terminar(selector_->onCancel_);
        return;
      case Qt::Key_Return:
      case Qt::Key_Enter:
        selector_->escoger();
        return;
      case Qt::Key_Left:
        selector_->mover({-1, 0});
        return;
      case Qt::Key_Right:
        selector_->mover({1, 0});
        return;
      case Qt::Key_Up:
        selector_->mover({0, -1});
        return;
      case Qt::Key_Down:
        selector_->mover({0, 1});
        return;
      default:
        CapaDePantalla::keyPressEvent(e);
    }
  }

 private:
  void seguir(QPointF local) {
    const PantallaEnMapa aqui = PantallaEnMapa::de(*pantalla());
    selector_->ponerCursor(pixelBajo(local, aqui, aqui.raiz()));
  }

  void dibujarLupa(QPainter& p, const PantallaEnMapa& aqui) {
    const QRectF marco = marcoDeLupa(puntoDePixel(selector_->cursor_, aqui), rect());
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath forma;
    forma.addRoundedRect(marco, 10, 10);
    p.fillPath(forma, QColor(0, 0, 0, 230));  // 0.9
    p.setClipPath(forma);

    // Each pixel a square of its own: no smoothing between them.
    const int mitad = kCeldasDeLupa / 2;
    const QPoint c = selector_->cursor_ - aqui.raiz().topLeft();
    QImage bloque(kCeldasDeLupa, kCeldasDeLupa, QImage::Format_RGB32);
    escribirAtenuado(bloque,
                     fondo().copy(c.x() - mitad, c.y() - mitad, kCeldasDeLupa, kCeldasDeLupa),
                     bloque.rect(), {}, 0);
    const QRectF cuadro = cuadroDeLupa(marco);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(cuadro, bloque);

    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(QColor(255, 255, 255, 46), 1));  // 0.18
    for (int i = 0; i <= kCeldasDeLupa; ++i) {
      const double d = i * kAumentoDeLupa;
      p.drawLine(QPointF(cuadro.left() + d, cuadro.top()),
                 QPointF(cuadro.left() + d, cuadro.bottom()));
      p.drawLine(QPointF(cuadro.left(), cuadro.top() + d),
                 QPointF(cuadro.right(), cuadro.top() + d));
    }
    const QRectF celda = celdaCentral(marco);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 2));
    p.drawRect(celda);
    p.setPen(QPen(Qt::black, 1));
    p.drawRect(celda.adjusted(-1.5, -1.5, 1.5, 1.5));

    const QColor color = selector_->colorBajo();
    const QRectF muestra = muestraDeLupa(marco);
    p.fillRect(muestra, color);
    p.setPen(QPen(QColor(255, 255, 255, 128), 1));
    p.drawRect(muestra);
    QFont fuente = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fuente.setPixelSize(13);
    p.setFont(fuente);
    p.setPen(Qt::white);
    p.drawText(textoDeLupa(marco), Qt::AlignLeft | Qt::AlignVCenter, ColorPicker::hex(color));
    p.restore();
  }

  SelectorDeColor* selector_;
};

SelectorDeColor::SelectorDeColor(std::shared_ptr<Escritorio> escritorio, Alternativa sinPantalla)
    : escritorio_(std::move(escritorio)), sinPantalla_(std::move(sinPantalla)) {}

SelectorDeColor::~SelectorDeColor() = default;

void SelectorDeColor::pick(std::function<void(const QColor&)> onPick,
                           std::function<void()> onCancel) {
  if (Capas::hayAbiertas()) return;  // one chooser at a time
  // Without a picture of the screen (no display of our own, or a desktop portal that takes
  // none): the desktop's own chooser, if there is one.
  auto sinFoto = [&] {
    if (sinPantalla_) {
      sinPantalla_(std::move(onPick), std::move(onCancel));
    } else if (onCancel) {
      QTimer::singleShot(0, std::move(onCancel));
    }
  };
  if (escritorio_ == nullptr) {
    sinFoto();
    return;
  }
  fotos_.clear();
  for (QScreen* pantalla : QGuiApplication::screens()) {
    QImage imagen = fotoDePantalla(*escritorio_, pantalla);
    if (!imagen.isNull())
      fotos_.push_back({PantallaEnMapa::de(*pantalla).raiz(), std::move(imagen)});
  }
  if (fotos_.empty()) {
    sinFoto();
    return;
  }
  onPick_ = std::move(onPick);
  onCancel_ = std::move(onCancel);
  cursor_ = escritorio_->puntero();
  capas_ = std::make_unique<Capas>(escritorio_.get());
  capas_->crearEnCadaPantalla([this](QScreen* pantalla) -> CapaDePantalla* {
    const Foto* foto = fotoEn(PantallaEnMapa::de(*pantalla).raiz().topLeft());
    return foto ? new CapaDeColor(pantalla, foto->imagen, this) : nullptr;
  });
  capas_->mostrar();
}

const SelectorDeColor::Foto* SelectorDeColor::fotoEn(QPoint raiz) const {
  for (const Foto& f : fotos_) {
    if (f.raiz.contains(raiz)) return &f;
  }
  return nullptr;
}

QColor SelectorDeColor::colorBajo() const {
  const Foto* foto = fotoEn(cursor_);
  if (foto == nullptr) return QColor(Qt::black);
  // The channels alone: the picture's unused byte is whatever the server sent.
  return QColor::fromRgb(foto->imagen.pixel(cursor_ - foto->raiz.topLeft()));
}

void SelectorDeColor::ponerCursor(QPoint raiz) {
  if (raiz == cursor_) return;
  cursor_ = raiz;
  if (!capas_) return;
  for (const QPointer<CapaDePantalla>& c : capas_->capas()) {
    if (c) c->update();
  }
}

void SelectorDeColor::mover(QPoint paso) {
  // The pointer stays on the screens; between monitors of different sizes the root has
  // pixels no screen shows.
  const QPoint destino = cursor_ + paso;
  if (fotoEn(destino) != nullptr) ponerCursor(destino);
}

void SelectorDeColor::escoger() {
  if (!capas_) return;
  const QColor color = colorBajo();
  std::function<void(const QColor&)> onPick = std::move(onPick_);
  terminar([onPick, color] {
    if (onPick) onPick(color);
  });
}

void SelectorDeColor::terminar(std::function<void()> avisar) {
  if (!capas_) return;
  onPick_ = nullptr;
  onCancel_ = nullptr;
  std::unique_ptr<Capas> capas = std::move(capas_);
  capas->cerrar(std::move(avisar));
  fotos_.clear();
}

}  // namespace corvalin
