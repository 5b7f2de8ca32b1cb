#include "recording/windows/recording_bar.h"

#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include "core/texts.h"
#include "recording/controls_layout.h"
#include "recording/windows/floating_panel.h"

namespace corvalin {
namespace {

// The status dot: red while recording, orange while paused, fading on every other tick.
class Punto final : public QWidget {
 public:
  Punto() { setFixedSize(12, 12); }
  void poner(bool pausado, bool tenue) {
    pausado_ = pausado;
    tenue_ = tenue && !pausado;
    update();
  }
  bool tenue() const { return tenue_; }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor c = pausado_ ? QColor(255, 149, 0) : QColor(255, 59, 48);
    c.setAlphaF(tenue_ ? 0.35 : 1.0);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawEllipse(QRectF(1, 1, 10, 10));
  }

 private:
  bool pausado_ = false;
  bool tenue_ = false;
};

class BarraDeGrabacion final : public PanelFlotante, public RecordingBar {
 public:
  BarraDeGrabacion(Modo modo, ManejadoresDeBarra manejadores, std::function<QString()> atajo)
      : PanelFlotante(false),
        modo_(modo),
        manejadores_(std::move(manejadores)),
        atajo_(std::move(atajo)) {
    setWindowTitle(modo == Modo::grabacion ? L("Grabación") : QStringLiteral("Corvalin"));
    auto* fila = new QHBoxLayout(this);
    fila->setContentsMargins(12, 6, 8, 6);
    fila->setSpacing(8);
    punto_ = new Punto;
    fila->addWidget(punto_);
    reloj_ = new QLabel;
    reloj_->setMinimumWidth(56);
    QFont f = reloj_->font();
    f.setFamily(QStringLiteral("monospace"));
    f.setPointSizeF(f.pointSizeF() * 1.1);
    reloj_->setFont(f);
    fila->addWidget(reloj_);
    if (modo_ == Modo::grabacion) {
      pausa_ = new QToolButton;
      pausa_->setIconSize(QSize(16, 16));
      fila->addWidget(pausa_);
      QObject::connect(pausa_, &QToolButton::clicked, this, [this] {
        if (manejadores_.pausar) manejadores_.pausar();
      });
    }
    detener_ = new QPushButton(simboloDeControl("detener"),
                               modo_ == Modo::grabacion ? L("Detener") : L("Terminar"));
    detener_->setToolTip(modo_ == Modo::grabacion ? L("Para y guarda lo grabado (Esc)")
                                                  : L("Termina la captura (Esc)"));
    detener_->setFocusPolicy(Qt::NoFocus);
    fila->addWidget(detener_);
    QObject::connect(detener_, &QPushButton::clicked, this, [this] {
      detenerLatido();
      if (manejadores_.detener) manejadores_.detener();
    });

    if (modo_ == Modo::grabacion) {
      desde_.start();
      latido_.setInterval(500);
      QObject::connect(&latido_, &QTimer::timeout, this, [this] { tic(); });
      latido_.start();
      tic();
    } else {
      reloj_->setText(L("Desplaza…"));
    }
    setPausado(false);
  }

  void mostrarJunto(const QRect& marco, const QString& pantalla) override {
    colocarJunto(marco, pantalla, kHuecoDeLaBarra);
  }
  void ocultar() override { hide(); }
  void detenerLatido() override { latido_.stop(); }
  void setPausado(bool pausado) override {
    pausado_ = pausado;
    punto_->poner(pausado_, false);
    if (pausa_ != nullptr) {
      const QString atajo = atajo_ ? atajo_() : QString();
      pausa_->setIcon(simboloDeControl(pausado_ ? "seguir" : "pausa"));
      pausa_->setToolTip(pausado_ ? L("Continuar la grabación (%@)", atajo)
                                  : L("Pausar la grabación (%@)", atajo));
      pausa_->setAccessibleName(pausado_ ? L("Continuar") : L("Pausar"));
    }
  }
  void setTextoDelReloj(const QString& texto) override {
    reloj_->setText(texto);
    if (!isVisible()) return;
    // The long capture's warnings are longer than its height: the bar grows about its middle.
    const int centro = x() + width() / 2;
    ajustar();
    move(centro - width() / 2, y());
  }
  uint32_t ventana() const override { return static_cast<uint32_t>(winId()); }

 private:
  void tic() {
    const double s = manejadores_.duracion ? manejadores_.duracion()
                                           : static_cast<double>(desde_.elapsed()) / 1000.0;
    reloj_->setText(tiempoGrabado(s));
    punto_->poner(pausado_, !punto_->tenue());
  }

  Modo modo_;
  ManejadoresDeBarra manejadores_;
  std::function<QString()> atajo_;
  Punto* punto_;
  QLabel* reloj_;
  QToolButton* pausa_ = nullptr;
  QPushButton* detener_;
  QTimer latido_;
  QElapsedTimer desde_;
  bool pausado_ = false;
};

}  // namespace

std::unique_ptr<RecordingBar> crearBarraDeGrabacion(RecordingBar::Modo modo,
                                                    ManejadoresDeBarra manejadores,
                                                    std::function<QString()> atajoDePausa) {
  return std::make_unique<BarraDeGrabacion>(modo, std::move(manejadores), std::move(atajoDePausa));
}

}  // namespace corvalin
