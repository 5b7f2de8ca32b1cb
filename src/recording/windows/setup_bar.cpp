#include "recording/windows/setup_bar.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/enumerations.h"
#include "core/texts.h"
#include "recording/controls_layout.h"
#include "recording/output_size.h"
#include "recording/windows/floating_panel.h"

namespace corvalin {
namespace {

SettingsStore& store() {
  return Settings::shared().d();
}

class BarraDeAjustes final : public PanelFlotante, public RecordSetupBar {
 public:
  BarraDeAjustes(const ObjetivoDeGrabacion& objetivo, const QRect& marco,
                 ManejadoresDeSetup manejadores)
      : PanelFlotante(true), marco_(marco), manejadores_(std::move(manejadores)) {
    const bool esVentana = std::holds_alternative<ObjetivoVentana>(objetivo);
    setWindowTitle(L("Grabación"));
    auto* fila = new QHBoxLayout(this);
    fila->setContentsMargins(12, 8, 12, 8);
    fila->setSpacing(8);

    const AjustesDeGrabacion ajustes = Settings::shared().record();
    calidad_ = new QComboBox;
    std::vector<double> escalas;
    for (const OpcionDeEscala& e : escalasDelSetup()) {
      calidad_->addItem(L(e.nombre), e.escala);
      escalas.push_back(e.escala);
    }
    calidad_->setCurrentIndex(indiceMasCercano(escalas, ajustes.escala));
    calidad_->setToolTip(
        L("A qué resolución sale el video: Mitad pesa poco, Retina se ve más nítido"));
    fila->addLayout(columna(L("Calidad"), calidad_));

    cuadros_ = new QComboBox;
    std::vector<double> velocidades;
    for (const int fps : velocidadesDelSetup()) {
      cuadros_->addItem(QStringLiteral("%1 fps").arg(fps), fps);
      velocidades.push_back(fps);
    }
    cuadros_->setCurrentIndex(indiceMasCercano(velocidades, ajustes.fps));
    cuadros_->setToolTip(L("Cuadros por segundo: más es más fluido y pesa más"));
    fila->addLayout(columna(L("Cuadros"), cuadros_));

    audio_ = new QComboBox;
    for (const FuenteDeAudio f : {FuenteDeAudio::ninguno, FuenteDeAudio::sistema,
                                  FuenteDeAudio::microfono, FuenteDeAudio::ambos}) {
      audio_->addItem(tituloCorto(f), static_cast<int>(f));
      if (f == ajustes.audio) audio_->setCurrentIndex(audio_->count() - 1);
    }
    audio_->setToolTip(L("De dónde sale el sonido del video"));
    fila->addLayout(columna(L("Audio"), audio_));

    camara_ = new QComboBox;
    const FormaDeCamara forma = Settings::shared().recordCameraShape();
    for (const FormaDeCamara f :
         {FormaDeCamara::ninguna, FormaDeCamara::circulo, FormaDeCamara::rectangulo}) {
      camara_->addItem(titulo(f), static_cast<int>(f));
      if (f == forma) camara_->setCurrentIndex(camara_->count() - 1);
    }
    camara_->setToolTip(
        esVentana
            ? L("Al grabar una ventana la cámara no sale en el video: usa área o pantalla completa")
            : L("Sales en el video con la cámara. Arrastra la burbuja a donde no estorbe, aun "
                "grabando; doble clic la agranda"));
    camara_->setEnabled(!esVentana);
    fila->addLayout(columna(L("Cámara"), camara_));

    retraso_ = new QComboBox;
    std::vector<double> esperas;
    for (const int s : esperasDelSetup()) {
      retraso_->addItem(textoDeEspera(s), s);
      esperas.push_back(s);
    }
    retraso_->setCurrentIndex(indiceMasCercano(
        esperas, static_cast<double>(store().integer(QStringLiteral("recordDelay")))));
    retraso_->setToolTip(L("Cuenta regresiva antes de empezar, para acomodarte"));
    fila->addLayout(columna(L("Inicio"), retraso_));

    medida_ = new QLabel;
    medida_->setToolTip(L("Medidas del video en píxeles"));
    medida_->setMinimumWidth(84);
    medida_->setAlignment(Qt::AlignCenter);
    fila->addWidget(medida_);

    grabar_ = new QPushButton;
    grabar_->setProperty("rol", QStringLiteral("grabar"));
    grabar_->setDefault(true);
    cancelar_ = new QPushButton(L("Cancelar"));
    fila->addWidget(grabar_);
    fila->addWidget(cancelar_);

    QObject::connect(calidad_, &QComboBox::activated, this, [this] {
      store().set(QStringLiteral("recordScale"),
                  std::clamp(calidad_->currentData().toDouble(), 0.25, 2.0));
      refrescar();
    });
    QObject::connect(cuadros_, &QComboBox::activated, this, [this] {
      store().set(QStringLiteral("recordFPS"), std::clamp(cuadros_->currentData().toInt(), 5, 60));
      refrescar();
    });
    QObject::connect(audio_, &QComboBox::activated, this, [this] {
      Settings::shared().setRecordAudioSource(
          static_cast<FuenteDeAudio>(audio_->currentData().toInt()));
    });
    QObject::connect(camara_, &QComboBox::activated, this, [this] {
      const auto f = static_cast<FormaDeCamara>(camara_->currentData().toInt());
      store().set(QStringLiteral("recordCameraShape"), rawValue(f));
      if (manejadores_.cambiarCamara) manejadores_.cambiarCamara(f);
    });
    QObject::connect(retraso_, &QComboBox::activated, this, [this] {
      store().set(QStringLiteral("recordDelay"),
                  std::clamp(retraso_->currentData().toInt(), 0, 10));
      refrescar();
    });
    QObject::connect(grabar_, &QPushButton::clicked, this, [this] { grabar(); });
    QObject::connect(cancelar_, &QPushButton::clicked, this, [this] { cancelar(); });
    refrescar();
    grabar_->setFocus();
  }

  void mostrar(const QString& pantalla) override {
    colocarJunto(marco_, pantalla, kHuecoDelSetup);
    grabar_->setFocus();
  }
  void ocultar() override { hide(); }

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    if (e->key() == Qt::Key_Escape) {
      cancelar();
    } else if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
      grabar();
    } else {
      PanelFlotante::keyPressEvent(e);
    }
  }

 private:
  static QVBoxLayout* columna(const QString& titulo, QWidget* control) {
    auto* c = new QVBoxLayout;
    c->setSpacing(2);
    auto* t = new QLabel(titulo);
    t->setProperty("rol", QStringLiteral("titulo"));
    c->addWidget(t);
    c->addWidget(control);
    return c;
  }

  void refrescar() {
    const AjustesDeGrabacion a = Settings::shared().record();
    const QSize s = tamanoDeSalida(marco_.width(), marco_.height(), a.escala, a.anchoMaximo);
    medida_->setText(QStringLiteral("%1 × %2").arg(s.width()).arg(s.height()));
    grabar_->setText(
        tituloDelBotonGrabar(static_cast<int>(store().integer(QStringLiteral("recordDelay")))));
  }

  // Once: a second press, or Return after a click, starts nothing more.
  void grabar() {
    auto accion = std::exchange(manejadores_.grabar, nullptr);
    if (accion) accion();
  }
  void cancelar() {
    if (manejadores_.cancelar) manejadores_.cancelar();
  }

  QRect marco_;
  ManejadoresDeSetup manejadores_;
  QComboBox *calidad_, *cuadros_, *audio_, *camara_, *retraso_;
  QLabel* medida_;
  QPushButton *grabar_, *cancelar_;
};

}  // namespace

std::unique_ptr<RecordSetupBar> crearBarraDeAjustes(const ObjetivoDeGrabacion& objetivo,
                                                    const QRect& marco,
                                                    ManejadoresDeSetup manejadores) {
  return std::make_unique<BarraDeAjustes>(objetivo, marco, std::move(manejadores));
}

}  // namespace corvalin
