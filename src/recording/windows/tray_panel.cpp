#include "recording/windows/tray_panel.h"

#include <QContextMenuEvent>
#include <QFont>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QToolButton>

#include "core/texts.h"
#include "recording/controls_layout.h"
#include "recording/windows/floating_panel.h"

namespace corvalin {
namespace {

class PanelDeBandeja final : public PanelFlotante, public PanelGrabacionEnBarra {
 public:
  PanelDeBandeja(ManejadoresDePanel manejadores, const QRect& icono)
      : PanelFlotante(false), manejadores_(std::move(manejadores)) {
    setWindowTitle(L("Grabación"));
    auto* fila = new QHBoxLayout(this);
    fila->setContentsMargins(6, 3, 10, 3);
    fila->setSpacing(2);
    pausa_ = boton();
    fila->addWidget(pausa_);
    QObject::connect(pausa_, &QToolButton::clicked, this, [this] {
      if (manejadores_.pausar) manejadores_.pausar();
    });
    stop_ = boton();
    stop_->setIcon(simboloDeControl("detener"));
    stop_->setToolTip(L("Detener la grabación"));
    stop_->setAccessibleName(L("Detener la grabación"));
    fila->addWidget(stop_);
    QObject::connect(stop_, &QToolButton::clicked, this, [this] {
      if (manejadores_.detener) manejadores_.detener();
    });
    tiempo_ = new QLabel;
    QFont f = tiempo_->font();
    f.setFamily(QStringLiteral("monospace"));
    tiempo_->setFont(f);
    tiempo_->setMinimumWidth(tiempo_->fontMetrics().horizontalAdvance(QStringLiteral("0:00:00")));
    fila->addWidget(tiempo_);
    actualizar(tiempoGrabado(0.0), false, {});

    ajustar();
    QScreen* s = icono.isValid() ? QGuiApplication::screenAt(icono.center()) : nullptr;
    if (s == nullptr) s = QGuiApplication::primaryScreen();
    const QRect visible = s != nullptr ? s->availableGeometry() : QRect(QPoint(), size());
    move(posicionJuntoAlIcono(icono, size(), visible));
  }

  void mostrar() override {
    show();
    raise();
  }

  void actualizar(const QString& tiempo, bool pausado, const QString& atajoPausa) override {
    tiempo_->setText(tiempo);
    pausa_->setIcon(simboloDeControl(pausado ? "seguir" : "pausa"));
    pausa_->setAccessibleName(pausado ? L("Continuar") : L("Pausar"));
    pausa_->setToolTip(pausado ? L("Continuar la grabación (%@)", atajoPausa)
                               : L("Pausar la grabación (%@)", atajoPausa));
  }
  void quitar() override { hide(); }
  uint32_t ventana() const override { return static_cast<uint32_t>(winId()); }

 protected:
  void contextMenuEvent(QContextMenuEvent* e) override {
    e->accept();
    if (manejadores_.menu) manejadores_.menu();
  }

 private:
  static QToolButton* boton() {
    auto* b = new QToolButton;
    b->setIconSize(QSize(14, 14));
    b->setFocusPolicy(Qt::NoFocus);
    // A right click on a button opens the menu as it does on the panel.
    b->setContextMenuPolicy(Qt::NoContextMenu);
    return b;
  }

  ManejadoresDePanel manejadores_;
  QToolButton* pausa_;
  QToolButton* stop_;
  QLabel* tiempo_;
};

}  // namespace

std::unique_ptr<PanelGrabacionEnBarra> crearPanelDeBandeja(ManejadoresDePanel manejadores,
                                                           const QRect& icono) {
  return std::make_unique<PanelDeBandeja>(std::move(manejadores), icono);
}

}  // namespace corvalin
