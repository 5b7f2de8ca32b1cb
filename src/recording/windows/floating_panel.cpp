#include "recording/windows/floating_panel.h"

#include <QGuiApplication>
#include <QIcon>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

#include "recording/controls_layout.h"

namespace corvalin {
namespace {

constexpr int kRadio = 10;

QScreen* pantallaLlamada(const QString& nombre, const QRect& area) {
  for (QScreen* s : QGuiApplication::screens())
    if (s->name() == nombre) return s;
  QScreen* s = QGuiApplication::screenAt(area.center());
  return s != nullptr ? s : QGuiApplication::primaryScreen();
}

bool enX11() {
  return QGuiApplication::platformName() == QLatin1String("xcb");
}

}  // namespace

PanelFlotante::PanelFlotante(bool tomaTeclado)
    : QWidget(nullptr,
              Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool |
                  (!tomaTeclado && enX11() ? Qt::BypassWindowManagerHint : Qt::WindowFlags()) |
                  (tomaTeclado ? Qt::WindowFlags() : Qt::WindowDoesNotAcceptFocus)),
      tomaTeclado_(tomaTeclado) {
  setAttribute(Qt::WA_ShowWithoutActivating, !tomaTeclado);
  setAttribute(Qt::WA_DeleteOnClose, false);
  // Wayland has no shapes but always composites: the corners are left transparent instead.
  if (!enX11()) setAttribute(Qt::WA_TranslucentBackground);
  setStyleSheet(estiloDePanel());
}

void PanelFlotante::ajustar() {
  setMinimumSize(0, 0);
  setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  adjustSize();
  setFixedSize(size());
}

void PanelFlotante::colocarJunto(const QRect& area, const QString& pantalla, int hueco) {
  ajustar();
  QScreen* s = pantallaLlamada(pantalla, area);
  const QRect visible = s != nullptr ? s->availableGeometry() : area;
  move(posicionJuntoAlArea(area, size(), visible, hueco));
  show();
  raise();
  if (tomaTeclado_) activateWindow();
}

void PanelFlotante::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath forma;
  forma.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kRadio, kRadio);
  p.fillPath(forma, QColor(30, 30, 32));
  p.setPen(QPen(QColor(255, 255, 255, 40), 1));
  p.drawPath(forma);
}

void PanelFlotante::resizeEvent(QResizeEvent*) {
  // Rounded without a compositor too: the corners are not part of the window.
  QPainterPath forma;
  forma.addRoundedRect(QRectF(rect()), kRadio, kRadio);
  setMask(QRegion(forma.toFillPolygon().toPolygon()));
}

void PanelFlotante::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) agarre_ = e->position().toPoint();
}
void PanelFlotante::mouseMoveEvent(QMouseEvent* e) {
  if (agarre_) move(e->globalPosition().toPoint() - *agarre_);
}
void PanelFlotante::mouseReleaseEvent(QMouseEvent*) {
  agarre_.reset();
}

QIcon simboloDeControl(const char* cual) {
  QPixmap px(32, 32);
  px.fill(Qt::transparent);
  QPainter p(&px);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(242, 242, 242));
  const QByteArray c(cual);
  if (c == "pausa") {
    p.drawRoundedRect(QRectF(8, 6, 6, 20), 1.5, 1.5);
    p.drawRoundedRect(QRectF(18, 6, 6, 20), 1.5, 1.5);
  } else if (c == "seguir") {
    const QPointF t[] = {{9, 5}, {27, 16}, {9, 27}};
    p.drawPolygon(t, 3);
  } else {
    p.setBrush(QColor(255, 69, 58));
    p.drawRoundedRect(QRectF(7, 7, 18, 18), 3, 3);
  }
  return QIcon(px);
}

QString estiloDePanel() {
  return QStringLiteral(
      "QLabel { color: #f2f2f2; }"
      "QLabel[rol=\"titulo\"] { color: #a0a0a8; font-size: 10px; }"
      "QComboBox { color: #f2f2f2; background: #3a3a3e; border: 1px solid #55555b;"
      "  border-radius: 5px; padding: 2px 6px; min-height: 20px; }"
      "QComboBox QAbstractItemView { color: #f2f2f2; background: #2c2c30;"
      "  selection-background-color: #0a64d6; }"
      "QPushButton { color: #f2f2f2; background: #3a3a3e; border: 1px solid #55555b;"
      "  border-radius: 6px; padding: 4px 12px; }"
      "QPushButton:focus { border-color: #8ab4f8; }"
      "QPushButton[rol=\"grabar\"] { background: #d93025; border-color: #e8594f; }"
      "QToolButton { color: #f2f2f2; background: transparent; border: none; padding: 3px; }"
      "QToolButton:hover { background: #3a3a3e; border-radius: 5px; }");
}

}  // namespace corvalin
