#include "editor/sticker_grid_view.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

#include "editor/annotation_fonts.h"

namespace corvalin {

int stickerColumns(double width) {
  const double usable = std::max(width, 120.0) - 2 * kStickerMargin + kStickerGap;
  return std::max(static_cast<int>(usable / (kStickerCell + kStickerGap)), 1);
}

StickerGridLayout armarCeldas(const std::vector<StickerSection>& sections, double width) {
  StickerGridLayout out;
  if (sections.empty()) {
    out.height = 20;
    return out;
  }
  const int columns = stickerColumns(width);
  const double step = kStickerCell + kStickerGap;
  double y = kStickerMargin;
  for (const StickerSection& section : sections) {
    out.headerTops.push_back(y);
    y += kStickerHeader;
    const int n = static_cast<int>(section.glyphs.size());
    if (n == 0) {
      y += 8;
      continue;
    }
    for (int i = 0; i < n; ++i) {
      out.celdas.push_back({QRectF(kStickerMargin + (i % columns) * step, y + (i / columns) * step,
                                   kStickerCell, kStickerCell),
                            section.glyphs[i]});
    }
    const int rows = (n + columns - 1) / columns;
    y += rows * step + 8;
  }
  out.height = y + kStickerMargin;
  return out;
}

std::optional<int> celdaEn(const std::vector<StickerCell>& celdas, QPointF p) {
  for (std::size_t i = 0; i < celdas.size(); ++i) {
    const QRectF& r = celdas[i].rect;
    if (p.x() >= r.left() && p.x() < r.right() && p.y() >= r.top() && p.y() < r.bottom()) {
      return static_cast<int>(i);
    }
  }
  return std::nullopt;
}

StickerGridView::StickerGridView(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void StickerGridView::setSections(std::vector<StickerSection> sections) {
  sections_ = std::move(sections);
  hover_.reset();
  relayout();
  update();
}

void StickerGridView::setSelected(const std::optional<QString>& glyph) {
  selected_ = glyph;
  update();
}

void StickerGridView::relayout() {
  layout_ = armarCeldas(sections_, width());
  if (std::abs(layout_.height - height()) > 0.5) {
    resize(width(), static_cast<int>(std::ceil(layout_.height)));
  }
}

void StickerGridView::resizeEvent(QResizeEvent*) {
  relayout();
}

void StickerGridView::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRect dirty = event->rect();
  p.fillRect(dirty, palette().color(QPalette::Base));

  QColor secondary = palette().color(QPalette::Text);
  secondary.setAlphaF(0.55f);
  QFont title = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  title.setPixelSize(12);
  title.setWeight(QFont::DemiBold);
  QFont emoji(emojiFamily());
  emoji.setPixelSize(23);
  const QFontMetricsF emojiMetrics(emoji);

  p.setFont(title);
  p.setPen(secondary);
  const QFontMetricsF titleMetrics(title);
  for (std::size_t s = 0; s < sections_.size() && s < layout_.headerTops.size(); ++s) {
    p.drawText(QPointF(kStickerMargin, layout_.headerTops[s] + 8 + titleMetrics.ascent()),
               sections_[s].title);
  }

  QColor accent = palette().color(QPalette::Highlight);
  accent.setAlphaF(0.9f);
  QColor hoverTint = palette().color(QPalette::Text);
  hoverTint.setAlphaF(0.16f);
  p.setFont(emoji);
  for (std::size_t i = 0; i < layout_.celdas.size(); ++i) {
    const StickerCell& cell = layout_.celdas[i];
    if (!cell.rect.intersects(dirty)) continue;
    const bool chosen = selected_ && *selected_ == cell.glyph;
    const bool hovered = hover_ && *hover_ == static_cast<int>(i);
    if (chosen || hovered) {
      QPainterPath back;
      back.addRoundedRect(cell.rect, 7, 7);
      p.fillPath(back, chosen ? accent : hoverTint);
    }
    const QSizeF size(emojiMetrics.horizontalAdvance(cell.glyph), emojiMetrics.lineSpacing());
    const QPointF origin(cell.rect.center().x() - size.width() / 2,
                         cell.rect.center().y() - size.height() / 2);
    p.drawText(origin + QPointF(0, emojiMetrics.ascent()), cell.glyph);
  }
}

void StickerGridView::mouseMoveEvent(QMouseEvent* event) {
  const std::optional<int> now = celdaEn(layout_.celdas, event->position());
  if (now != hover_) {
    hover_ = now;
    update();
  }
}

void StickerGridView::leaveEvent(QEvent*) {
  hover_.reset();
  update();
}

void StickerGridView::mousePressEvent(QMouseEvent* event) {
  const std::optional<int> hit = celdaEn(layout_.celdas, event->position());
  if (!hit) return;
  const QString glyph = layout_.celdas[*hit].glyph;
  selected_ = glyph;
  update();
  if (onPick) onPick(glyph);
}

}  // namespace corvalin
