#include "app/status_item.h"

#include <QCursor>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QFont>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "app/menu_widgets.h"
#include "core/texts.h"

static void initAppIcons() {
  Q_INIT_RESOURCE(app_icons);
}

namespace corvalin {
namespace {

// The question Qt asks before it shows a tray icon: a StatusNotifierItem host on the session
// bus takes the icon and its menu over D-Bus; otherwise the XEmbed tray draws them.
bool bandejaPorDBus() {
  QDBusInterface watcher(
      QStringLiteral("org.kde.StatusNotifierWatcher"), QStringLiteral("/StatusNotifierWatcher"),
      QStringLiteral("org.kde.StatusNotifierWatcher"), QDBusConnection::sessionBus());
  return watcher.isValid() && watcher.property("IsStatusNotifierHostRegistered").toBool();
}

}  // namespace

AparienciaDelIcono apariencia(const EstadoDelIcono& e) {
  AparienciaDelIcono a;
  if (e.grabando) {
    a.imagen = AparienciaDelIcono::Imagen::detener;
    a.descripcion = L("Detener grabación");
    a.tooltip = L("Detener la grabación");
    if (e.cronometroEnBarra) {
      a.titulo = e.pausado ? QStringLiteral(" \u23F8 ") + e.tiempo : QStringLiteral(" ") + e.tiempo;
      a.tituloEnPausa = e.pausado;
      a.tooltip = a.tooltip + QStringLiteral(" ·") + a.titulo;
    }
    return a;
  }
  a.descripcion = QStringLiteral("Corvalin");
  if (!e.progresos.isEmpty()) {
    double sum = 0;
    for (double p : e.progresos) sum += p;
    const int percent = static_cast<int>(sum / double(e.progresos.size()) * 100.0);
    a.titulo = QStringLiteral(" %1 %").arg(percent);
    a.tooltip = QStringLiteral("Corvalin ·") + a.titulo;
  }
  return a;
}

QImage dibujarIcono(const AparienciaDelIcono& a, int lado) {
  initAppIcons();
  QImage image(lado, lado, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF full(0, 0, lado, lado);
  if (a.imagen == AparienciaDelIcono::Imagen::detener) {
    const QColor rojo = QColor::fromRgbF(0.88f, 0.34f, 0.30f);
    const qreal inset = lado * 0.14;
    p.setPen(Qt::NoPen);
    p.setBrush(rojo);
    p.drawRoundedRect(full.adjusted(inset, inset, -inset, -inset), lado * 0.16, lado * 0.16);
  } else {
    QSvgRenderer(QStringLiteral(":/corvalin/app/tray.svg")).render(&p, full);
  }
  // The badge: the upload percentage, or the pause mark while paused.
  QString badge;
  if (a.tituloEnPausa)
    badge = QStringLiteral("\u23F8");
  else if (a.imagen == AparienciaDelIcono::Imagen::camara && a.titulo.endsWith(QLatin1Char('%')))
    badge = a.titulo.trimmed().chopped(2);
  if (!badge.isEmpty()) {
    QFont font;
    font.setBold(true);
    font.setPixelSize(std::max(7, int(lado * 0.42)));
    p.setFont(font);
    const QRectF box(0, lado * 0.5, lado, lado * 0.5);
    p.setPen(Qt::NoPen);
    p.setBrush(a.tituloEnPausa ? QColor(255, 149, 0) : QColor(20, 20, 20, 220));
    p.drawRoundedRect(box, lado * 0.12, lado * 0.12);
    p.setPen(Qt::white);
    p.drawText(box, Qt::AlignCenter, badge);
  }
  return image;
}

TrayStatusItem::TrayStatusItem(std::function<Menu()> menu,
                               std::function<void(Accion, QVariant)> ejecutar,
                               std::function<void(bool)> clic)
    : menu_(std::move(menu)), ejecutar_(std::move(ejecutar)), clic_(std::move(clic)) {
  qmenu_ = std::make_unique<QMenu>();
  forma_ = bandejaPorDBus() ? FormaDeMenu::exportado : FormaDeMenu::dibujado;
  // Filled now, for panels that read the menu without announcing that they open it, and
  // brought up to date each time it opens.
  reconstruir();
  connect(qmenu_.get(), &QMenu::aboutToShow, this, [this] { reconstruir(); });
  tray_ = std::make_unique<QSystemTrayIcon>();
  tray_->setContextMenu(qmenu_.get());
  connect(tray_.get(), &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger) clic_(false);
          });
  aplicar(apariencia(EstadoDelIcono{}));
  tray_->show();
}

TrayStatusItem::~TrayStatusItem() {
  tray_->hide();
  tray_.reset();
}

void TrayStatusItem::reconstruir() {
  // Unchanged entries are kept: a panel may still act on the entries it read before.
  QList<ElementoDeMenu> elementos = menu_().elementos;
  if (aplicadoMenu_ &&
      std::equal(elementos.begin(), elementos.end(), construido_.begin(), construido_.end())) {
    return;
  }
  aplicadoMenu_ = true;
  construido_ = std::move(elementos);
  llenarMenu(
      qmenu_.get(), construido_,
      [this](Accion accion, const QVariant& valor) {
        // Let the menu close before the command opens windows or overlays.
        QTimer::singleShot(0, this, [this, accion, valor] { ejecutar_(accion, valor); });
      },
      forma_);
}

void TrayStatusItem::aplicar(const AparienciaDelIcono& a) {
  // A panel shows the exported menu without asking first: keep it current with the state.
  if (forma_ == FormaDeMenu::exportado) reconstruir();
  if (aplicada_ && a.imagen == ultima_.imagen && a.titulo == ultima_.titulo &&
      a.tituloEnPausa == ultima_.tituloEnPausa && a.tooltip == ultima_.tooltip &&
      a.descripcion == ultima_.descripcion) {
    return;
  }
  aplicada_ = true;
  ultima_ = a;
  QIcon icon;
  for (int side : {16, 22, 24, 32, 48, 64})
    icon.addPixmap(QPixmap::fromImage(dibujarIcono(a, side)));
  tray_->setIcon(icon);
  tray_->setToolTip(a.tooltip.isEmpty() ? a.descripcion : a.tooltip);
}

QRect TrayStatusItem::geometria() const {
  return tray_->geometry();
}

void TrayStatusItem::desplegarMenu() {
  qmenu_->popup(QCursor::pos());
}

}  // namespace corvalin
