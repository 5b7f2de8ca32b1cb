// One annotation on a picture and the pure geometry the editor asks of it: its boxes, its
// handles, hit testing, keep-or-discard, moving, mirroring and resizing.
//
// Geometry is in image space: one unit per base-image pixel, origin at the picture's bottom-left
// corner, y growing upwards (editor/annotation_renderer.h maps it onto pixel rows).
#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "editor/text_measurer.h"
#include "editor/tool_kind.h"

namespace corvalin {

// A grab point of a selected shape. Ids 0…3 are the box corners (minX,minY), (maxX,minY),
// (maxX,maxY), (minX,maxY); 4 and 5 the ends of an arrow or line; 6 the callout tail tip or
// the magnifier panel's centre; 7 the arrow's bend.
struct Handle {
  int id = 0;
  QPointF point;
  friend bool operator==(const Handle&, const Handle&) = default;
};

// The values the editor gives new shapes: its current colours and on-screen stroke width, and
// the display scale (view points per image pixel) that turns screen sizes into image units.
struct CreationStyle {
  QColor strokeColor = QColor(0xFF, 0x3B, 0x30);
  QColor textColor = Qt::white;
  double strokeWidth = 4;
  double scale = 1;
};

struct Shape {
  ToolKind kind = ToolKind::select;
  QPointF start;                // first corner, tail end, or bottom-left origin of a text box
  QPointF end;                  // opposite corner or head; unused by text, counter, handText
  std::vector<QPointF> points;  // freehand path of pencil and highlight
  QString text;                 // callout or handwritten text; the emoji of a sticker
  std::optional<QPointF> tail;  // callout tail tip; magnifier panel centre
  QColor color = QColor(0xFF, 0x3B, 0x30);
  QColor textColor = Qt::white;
  double width = 4;
  double fontSize = 16;
  double zoom = 2.5;
  QImage image;  // the picture of an `image` shape; null when absent. Shared, never written.
  std::int64_t number = 1;
  bool counterFlipX = false;       // counter tail on the right
  bool counterFlipY = false;       // counter tail on top
  std::optional<QPointF> control;  // bend point of a curved arrow
  std::uint64_t seed = 1;          // seed of the hand-drawn jitter

  // A shape of `kind` created at `at` with the creation values of its kind. `sticker` is the
  // emoji for sticker shapes; counters get their `number` from nextCounterNumber().
  static Shape create(ToolKind kind, QPointF at, const CreationStyle& style, std::uint64_t seed,
                      const QString& sticker = {});

  // The normalized rectangle of `start` and `end`.
  QRectF rect() const;

  QRectF boundingBox(const TextMeasurer& m) const;
  // The source rectangle of a magnifier (without its panel); boundingBox otherwise.
  QRectF handleBox(const TextMeasurer& m) const;
  std::vector<Handle> handles(const TextMeasurer& m) const;
  // `tolerance` is in image units.
  bool hitTest(QPointF p, double tolerance, const TextMeasurer& m) const;
  // Whether a shape just drawn is worth keeping.
  bool isMeaningful() const;

  void translate(QPointF delta);
  // Mirrors inside a canvas of size `lienzo`; `horizontal` false mirrors vertically. Texts and
  // counters keep reading left to right: only their box moves.
  void espejo(bool horizontal, QSizeF lienzo, const TextMeasurer& m);
  // Drags corner handle `handle` (0…3) to `p`. `original` is the shape as the drag began; the
  // receiver equals it on every call. Dragging past the opposite corner flips the box without
  // inverting the shape; texts and counters keep their proportions and scale their font.
  void resizeBox(int handle, QPointF p, const Shape& original, const TextMeasurer& m);

  QRectF magnifierPanel() const;
  QRectF counterBubble(const TextMeasurer& m) const;
  QRectF calloutBox(const TextMeasurer& m) const;
  QRectF handTextBox(const TextMeasurer& m) const;
  // The apex of a callout's tail; nothing without a tail.
  std::optional<QPointF> calloutTailTip(const TextMeasurer& m) const;

  // The text as measured: rounded up to whole units, an empty text measured as one space, the
  // counter's number in decimal.
  QSizeF measuredText(const TextMeasurer& m) const;
  TextRole textRole() const;
  QString displayedText() const;  // the counter's number, else `text`
};

// Distance from `p` to the segment a–b.
double distance(QPointF p, QPointF a, QPointF b);

// The callout padding for a font size: 12, or 0.8 × fontSize for large text.
double calloutPadding(double fontSize);

// The number a new counter gets: one more than the highest among `shapes`, 1 when none.
std::int64_t nextCounterNumber(const std::vector<Shape>& shapes);

// A seed for the hand-drawn jitter, never 0.
std::uint64_t randomSeed();

}  // namespace corvalin
