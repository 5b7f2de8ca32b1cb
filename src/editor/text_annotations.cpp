// Callouts, step counters and handwritten text.
#include <QFontMetricsF>
#include <QPainterPath>

#include "editor/annotation_drawing.h"
#include "editor/annotation_paths.h"
#include "editor/point_math.h"
#include "editor/soft_shadow.h"

namespace corvalin::drawing {
namespace {

// Lines of `text` centred in image-space rectangle `box`, which is the text's measured size.
void textIn(QPainter& p, const QRectF& box, const QString& text, TextRole role, double fontSize,
            const QColor& color, const AnnotationFonts& fonts) {
  const double k = fontSize / AnnotationFonts::kReferencePx;
  upright(p, box, k, [&] {
    p.setFont(fonts.font(role));
    p.setPen(color);
    for (const TextLine& line : fonts.layout(text, role, box.width() / k)) {
      p.drawText(QPointF(line.x, line.baseline), line.text);
    }
  });
}

QPainterPath roundedRectPath(const QRectF& r, double radius) {
  QPainterPath path;
  path.addRoundedRect(r, radius, radius);
  return path;
}

}  // namespace

void callout(QPainter& p, const Shape& s, const AnnotationFonts& fonts) {
  if (s.text.isEmpty()) return;
  const QRectF box = s.calloutBox(fonts);
  const double inset = calloutPadding(s.fontSize) / 2;
  const QRectF textBox = box.adjusted(inset, inset, -inset, -inset);
  auto writeText = [&](QPainter& q) {
    textIn(q, textBox, s.text, TextRole::callout, s.fontSize, s.textColor, fonts);
  };
  if (s.color.alphaF() < 0.02) {
    const SoftShadow shadow{QColor(0, 0, 0, 115), QPointF(0, -0.05 * s.fontSize), 0.2 * s.fontSize};
    drawSoftShadow(p, grown(textBox, 0.2 * s.fontSize), shadow, writeText);
    writeText(p);
    return;
  }
  const double radius = calloutCornerRadius(box, s.fontSize);
  QPainterPath bubble = roundedRectPath(box, radius);
  if (s.tail) {
    const auto t = calloutTail(box, radius, *s.tail);
    QPainterPath tail;
    tail.addPolygon(QPolygonF({t[0], t[1], t[2]}));
    tail.closeSubpath();
    // One outline for bubble and tail, so a translucent colour is not doubled where they meet.
    bubble = bubble.united(tail);
  }
  p.fillPath(bubble, s.color);
  writeText(p);
}

void counter(QPainter& p, const Shape& s, const AnnotationFonts& fonts) {
  const QRectF bubble = s.counterBubble(fonts);
  const QPainterPath shape = roundedRectPath(bubble, 0.32 * bubble.height())
                                 .united(counterTail(bubble, s.counterFlipX, s.counterFlipY));
  const SoftShadow shadow{QColor(0, 0, 0, 71), QPointF(0, -0.05 * s.fontSize), 0.2 * s.fontSize};
  drawSoftShadow(p, shape.boundingRect(), shadow,
                 [&](QPainter& q) { q.fillPath(shape, Qt::black); });
  p.fillPath(shape, s.color);

  // The digits' ink, not their line box, is centred: digits have no descenders, so centring the
  // line box would sit them visibly high in the disc.
  const QString digits = s.displayedText();
  const QFont& font = fonts.font(TextRole::counter);
  const QRectF ink = QFontMetricsF(font).tightBoundingRect(digits);
  const double k = s.fontSize / AnnotationFonts::kReferencePx;
  const QRectF frame(bubble.center().x() - ink.width() * k / 2,
                     bubble.center().y() - ink.height() * k / 2, ink.width() * k, ink.height() * k);
  upright(p, frame, k, [&] {
    p.setFont(font);
    p.setPen(s.textColor);
    p.drawText(QPointF(-ink.left(), -ink.top()), digits);
  });
}

void handText(QPainter& p, const Shape& s, const AnnotationFonts& fonts) {
  if (s.text.isEmpty()) return;
  const QRectF box = s.handTextBox(fonts);
  auto writeText = [&](QPainter& q) {
    textIn(q, box, s.text, TextRole::handwriting, s.fontSize, s.color, fonts);
  };
  const SoftShadow shadow{QColor(0, 0, 0, 71), QPointF(0, -0.04 * s.fontSize), 0.13 * s.fontSize};
  drawSoftShadow(p, grown(box, 0.3 * s.fontSize), shadow, writeText);
  writeText(p);
}

}  // namespace corvalin::drawing
