#include "recording/windows/camera_bubble.h"

#include <QCamera>
#include <QGuiApplication>
#include <QMediaCaptureSession>
#include <QMediaDevices>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QTimer>
#include <QVideoFrame>
#include <QVideoSink>

#include "core/texts.h"
#include "recording/windows/camera_layout.h"

namespace corvalin {
namespace {

QPainterPath forma(const QRectF& r, bool redonda) {
  QPainterPath p;
  if (redonda)
    p.addEllipse(r);
  else
    p.addRoundedRect(r, 18, 18);
  return p;
}

}  // namespace

BurbujaDeCamara::BurbujaDeCamara(const QRect& sobre, FormaDeCamara forma,
                                 std::unique_ptr<QCamera> camara, std::function<void()> alFallar)
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool |
                           Qt::WindowDoesNotAcceptFocus |
                           (QGuiApplication::platformName() == QLatin1String("xcb")
                                ? Qt::BypassWindowManagerHint
                                : Qt::WindowFlags())),
      forma_(forma == FormaDeCamara::ninguna ? FormaDeCamara::circulo : forma),
      camara_(std::move(camara)),
      sesion_(std::make_unique<QMediaCaptureSession>()),
      sink_(new QVideoSink(this)),
      alFallar_(std::move(alFallar)) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  setCursor(Qt::OpenHandCursor);
  setGeometry(burbujaEnArea(sobre, tamanoDeBurbuja(forma_, false)));
  recortar();
  QObject::connect(sink_, &QVideoSink::videoFrameChanged, this, [this](const QVideoFrame& f) {
    cuadro_ = f.toImage();
    update();
  });
  sesion_->setVideoSink(sink_);
  if (camara_) {
    QObject::connect(camara_.get(), &QCamera::errorOccurred, this, [this] {
      cerrar();
      if (alFallar_) std::exchange(alFallar_, nullptr)();
    });
    sesion_->setCamera(camara_.get());
    camara_->start();
  }
  show();
  raise();
}

BurbujaDeCamara::~BurbujaDeCamara() {
  if (camara_) camara_->stop();
}

void BurbujaDeCamara::setForma(FormaDeCamara forma) {
  if (forma == forma_ || forma == FormaDeCamara::ninguna) return;
  forma_ = forma;
  acomodar();
}

void BurbujaDeCamara::cerrar() {
  hide();
  if (camara_) camara_->stop();
}

void BurbujaDeCamara::acomodar() {
  QScreen* pantalla = QGuiApplication::screenAt(geometry().center());
  const QRect visible = pantalla != nullptr ? pantalla->availableGeometry() : geometry();
  setGeometry(acomodarBurbuja(geometry(), tamanoDeBurbuja(forma_, grande_), visible));
  recortar();
  update();
}

void BurbujaDeCamara::recortar() {
  // The shape is the window's own, so it is round without a compositor too.
  setMask(
      QRegion(forma(QRectF(rect()), forma_ == FormaDeCamara::circulo).toFillPolygon().toPolygon()));
}

void BurbujaDeCamara::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QPainterPath borde = forma(QRectF(rect()), forma_ == FormaDeCamara::circulo);
  p.fillPath(borde, QColor(28, 28, 30));
  if (!cuadro_.isNull()) {
    // The picture fills the bubble, cut to its shape.
    const QSize cubre = cuadro_.size().scaled(size(), Qt::KeepAspectRatioByExpanding);
    const QRect destino(QPoint((width() - cubre.width()) / 2, (height() - cubre.height()) / 2),
                        cubre);
    p.setClipPath(borde);
    p.drawImage(destino, cuadro_);
    p.setClipping(false);
  }
  QColor blanco(Qt::white);
  blanco.setAlphaF(0.9);
  p.setPen(QPen(blanco, 3));
  p.drawPath(
      forma(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), forma_ == FormaDeCamara::circulo));
}

void BurbujaDeCamara::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) agarre_ = e->position().toPoint();
}
void BurbujaDeCamara::mouseMoveEvent(QMouseEvent* e) {
  if (agarre_) move(e->globalPosition().toPoint() - *agarre_);
}
void BurbujaDeCamara::mouseReleaseEvent(QMouseEvent*) {
  agarre_.reset();
}
void BurbujaDeCamara::mouseDoubleClickEvent(QMouseEvent*) {
  grande_ = !grande_;
  acomodar();
}

void mostrarCamara(const QRect& sobre, FormaDeCamara forma, const MostrarAviso& aviso,
                   std::function<void(std::unique_ptr<CamaraFlotante>)> completion) {
  const QList<QCameraDevice> camaras = QMediaDevices::videoInputs();
  if (camaras.isEmpty()) {
    if (aviso)
      aviso(L("No encontré una cámara"), L("Se graba solo la pantalla"),
            QStringLiteral("video.slash"));
    QTimer::singleShot(0, [completion = std::move(completion)] { completion(nullptr); });
    return;
  }
  const QCameraDevice elegida = QMediaDevices::defaultVideoInput().isNull()
                                    ? camaras.first()
                                    : QMediaDevices::defaultVideoInput();
  auto bubble =
      std::make_unique<BurbujaDeCamara>(sobre, forma, std::make_unique<QCamera>(elegida), [aviso] {
        if (aviso)
          aviso(L("Corvalin no puede usar la cámara"),
                L("Dale permiso en los ajustes de privacidad de tu escritorio"),
                QStringLiteral("video.slash"));
      });
  completion(std::move(bubble));
}

}  // namespace corvalin
