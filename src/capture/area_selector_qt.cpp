#include "capture/area_selector_qt.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include "capture/area_selection.h"
#include "core/texts.h"
#include "platform/screen_map.h"

namespace corvalin {
namespace {

// One screen's layer: the dimmed screen, the drag, the label.
class CapaDeArea final : public CapaDePantalla {
 public:
  CapaDeArea(QScreen* pantalla, QImage fondo, std::function<AjustesDeGrabacion()> ajustes)
      : CapaDePantalla(pantalla, std::move(fondo), 107),  // 0.42
        ajustes_(std::move(ajustes)) {
    setCursor(Qt::CrossCursor);
    setAccessibleName(L("Arrastra para elegir qué grabar  ·  Esc para cancelar"));
  }

  std::function<void(const QRect&)> alElegir;  // global logical pixels
  std::function<void()> alCancelar;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    const QRectF vista = rect();
    const std::optional<QRectF> sel = seleccion();
    pintarFondo(p, sel ? *sel : QRectF());

    p.setRenderHint(QPainter::Antialiasing);
    if (sel && sel->width() > 1 && sel->height() > 1) {
      p.setPen(QPen(Qt::white, 1));
      p.setBrush(Qt::NoBrush);
      p.drawRect(sel->adjusted(0.5, 0.5, -0.5, -0.5));
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(255, 59, 48));
      for (const QPointF& esquina :
           {sel->topLeft(), sel->topRight(), sel->bottomLeft(), sel->bottomRight()}) {
        p.drawEllipse(esquina, 3, 3);
      }
      dibujarMedida(p, *sel, vista);
    } else {
      dibujarPista(p, vista);
    }
  }

  void mousePressEvent(QMouseEvent* e) override {
    if (e->button() == Qt::RightButton) {
      cancelar();
      return;
    }
    if (e->button() != Qt::LeftButton) return;
    inicio_ = actual_ = dentro(e->position());
    update();
  }

  void mouseMoveEvent(QMouseEvent* e) override {
    if (!inicio_) return;
    actual_ = dentro(e->position());
    update();
  }

  void mouseReleaseEvent(QMouseEvent* e) override {
    if (e->button() != Qt::LeftButton || !inicio_) return;
    const std::optional<QRect> area = areaElegida(*inicio_, dentro(e->position()));
    inicio_.reset();
    actual_.reset();
    update();
    if (!area) {
      cancelar();
      return;
    }
    if (auto elegir = alElegir) elegir(area->translated(pantalla()->geometry().topLeft()));
  }

  void keyPressEvent(QKeyEvent* e) override {
    if (e->key() == Qt::Key_Escape) {
      cancelar();
      return;
    }
    CapaDePantalla::keyPressEvent(e);
  }

 private:
  // A drag carried past the screen's edge stays on the screen it began on.
  QPointF dentro(QPointF p) const {
    return QPointF(std::clamp(p.x(), 0.0, double(width())),
                   std::clamp(p.y(), 0.0, double(height())));
  }
  std::optional<QRectF> seleccion() const {
    if (!inicio_ || !actual_) return std::nullopt;
    return rectanguloEntre(*inicio_, *actual_);
  }
  void cancelar() {
    inicio_.reset();
    actual_.reset();
    if (auto cancel = alCancelar) cancel();
  }

  void dibujarMedida(QPainter& p, const QRectF& sel, const QRectF& vista) {
    QFont fuente = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fuente.setPixelSize(12);
    p.setFont(fuente);
    const AjustesDeGrabacion ajustes = ajustes_ ? ajustes_() : AjustesDeGrabacion{};
    const QString texto = medidaDeArea(sel.size(), ajustes);
    const QSizeF tam = p.fontMetrics().size(Qt::TextSingleLine, texto);
    const QRectF caja = cajaDeMedida(sel, tam, vista);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 199));  // 0.78
    p.drawRoundedRect(caja, 6, 6);
    p.setPen(Qt::white);
    p.drawText(caja.adjusted(9, 4, -9, -4), Qt::AlignLeft | Qt::AlignVCenter, texto);
  }

  void dibujarPista(QPainter& p, const QRectF& vista) {
    QFont fuente = font();
    fuente.setPixelSize(13);
    fuente.setWeight(QFont::Medium);
    p.setFont(fuente);
    const QString texto = L("Arrastra para elegir qué grabar  ·  Esc para cancelar");
    const QSizeF tam = p.fontMetrics().size(Qt::TextSingleLine, texto);
    const QRectF caja = cajaDePista(tam, vista);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 184));  // 0.72
    p.drawRoundedRect(caja, 9, 9);
    p.setPen(QColor(255, 255, 255, 230));
    p.drawText(caja.adjusted(14, 6, -14, -6), Qt::AlignCenter, texto);
  }

  std::function<AjustesDeGrabacion()> ajustes_;
  std::optional<QPointF> inicio_;
  std::optional<QPointF> actual_;
};

}  // namespace

SelectorDeArea::SelectorDeArea(std::shared_ptr<Escritorio> escritorio,
                               std::function<AjustesDeGrabacion()> ajustes)
    : escritorio_(escritorio), ajustes_(std::move(ajustes)) {}

SelectorDeArea::~SelectorDeArea() = default;

void SelectorDeArea::pick(std::function<void(const AreaElegida&)> onPick,
                          std::function<void()> onCancel) {
  if (Capas::hayAbiertas()) return;  // one chooser at a time
  capas_ = std::make_unique<Capas>(escritorio_.get());
  // Without a compositor nothing shows through a window: the layers show the screen as it
  // was a moment ago instead.
  capas_->crearEnCadaPantalla([&](QScreen* pantalla) {
    auto* capa = new CapaDeArea(pantalla, fondoParaCapa(escritorio_.get(), pantalla), ajustes_);
    const QString nombre = pantalla->name();
    capa->alElegir = [this, onPick, nombre](const QRect& area) {
      terminar([onPick, area, nombre] {
        if (onPick) onPick(AreaElegida{area, nombre});
      });
    };
    capa->alCancelar = [this, onCancel] { terminar(onCancel); };
    return capa;
  });
  capas_->mostrar();
}

void SelectorDeArea::terminar(std::function<void()> avisar) {
  if (!capas_) return;
  std::unique_ptr<Capas> capas = std::move(capas_);
  capas->cerrar(std::move(avisar));
}

}  // namespace corvalin
