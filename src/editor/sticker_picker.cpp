#include "editor/sticker_picker.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace corvalin {

StickerPicker::StickerPicker(const std::optional<QString>& selected, const QStringList& recents,
                             QWidget* parent)
    : QFrame(parent, Qt::Popup), selected_(selected), recents_(recents) {
  setAttribute(Qt::WA_DeleteOnClose);
  setFrameShape(QFrame::StyledPanel);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(1, 1, 1, 1);
  scroll_ = new QScrollArea(this);
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll_->setBackgroundRole(QPalette::Base);
  grid_ = new StickerGridView;
  grid_->onPick = [this](const QString& glyph) {
    if (onPick) onPick(glyph);
    close();
  };
  scroll_->setWidget(grid_);
  layout->addWidget(scroll_);
  setFixedSize(kWidth + 2, kHeight + 2);
  grid_->resize(kWidth - scroll_->verticalScrollBar()->sizeHint().width(), 1000);
}

std::vector<StickerSection> StickerPicker::secciones() const {
  return seccionesDelPicker(recents_, StickerCatalog::sections());
}

void StickerPicker::showEvent(QShowEvent* event) {
  QFrame::showEvent(event);
  grid_->resize(scroll_->viewport()->width(), grid_->height());
  grid_->setSelected(selected_);
  grid_->setSections(secciones());
}

void StickerPicker::abrirJunto(QWidget* anchor, const QRect& segment) {
  QPoint at = anchor->mapToGlobal(QPoint(segment.left(), segment.bottom() + 4));
  if (const QScreen* screen = anchor->screen()) {
    const QRect room = screen->availableGeometry();
    if (at.y() + height() > room.bottom()) {
      at.setY(anchor->mapToGlobal(segment.topLeft()).y() - height() - 4);
    }
    at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() - width())));
  }
  move(at);
  show();
}

}  // namespace corvalin
