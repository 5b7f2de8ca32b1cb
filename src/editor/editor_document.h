// The editor's document (the picture, the picture as captured, the annotations) and the
// whole-document operations on it as plain functions: history, rotation, mirroring, cropping
// and the canvas growth that keeps annotations dragged past the edge.
#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <deque>
#include <optional>
#include <vector>

#include "editor/annotation_fonts.h"
#include "editor/shape.h"

namespace corvalin {

// Pictures are implicitly shared and never written in place once in a document, so copying a
// document copies only its shapes.
struct Documento {
  QImage base;      // what is edited
  QImage pristine;  // as captured, kept aligned through geometric changes, never retouched
  std::vector<Shape> shapes;
};

// Undo and redo as whole-document snapshots.
class Historial {
 public:
  static constexpr std::size_t kLimite = 50;

  // Before a change: remembers `actual`, forgets the oldest beyond the limit, empties redo.
  void push(const Documento& actual);
  // The document to restore, with `actual` moved to the other side; nothing when empty.
  std::optional<Documento> undo(const Documento& actual);
  std::optional<Documento> redo(const Documento& actual);
  // The newest undo snapshot: the state before the last change.
  const Documento* anterior() const { return undo_.empty() ? nullptr : &undo_.back(); }
  // Forgets the newest undo snapshot (a change announced but not made).
  void descartarUltimo();

  std::size_t undoCount() const { return undo_.size(); }
  std::size_t redoCount() const { return redo_.size(); }

  // Both sides as they stand, the oldest step first; and put back from a recovery copy.
  std::vector<Documento> pasosParaDeshacer() const { return {undo_.begin(), undo_.end()}; }
  const std::vector<Documento>& pasosParaRehacer() const { return redo_; }
  void reponer(std::vector<Documento> deshacer, std::vector<Documento> rehacer);

 private:
  std::deque<Documento> undo_;
  std::vector<Documento> redo_;
};

// The document flattened: the base with every annotation drawn on it, premultiplied ARGB32.
QImage aplanar(const Documento& doc, const AnnotationFonts& fonts);

// Rotated by 90°: the annotations are burnt into the pixels.
Documento rotado(const Documento& doc, bool clockwise, const AnnotationFonts& fonts);
// Mirrored: pictures flipped, every annotation mirrored and still editable.
Documento reflejado(const Documento& doc, bool horizontal, const TextMeasurer& m);
// The flattened document cut to `imageRect` (image space, rounded outwards, kept inside the
// picture); nothing when nothing of the picture is left.
std::optional<Documento> recortado(const Documento& doc, const QRectF& imageRect,
                                   const AnnotationFonts& fonts);
// The pixels of a picture under an image-space rectangle (rows from the top), clipped.
QRect pixelesDe(const QRectF& imageRect, QSize picture);

// How far an annotation reaches on the picture, in image space.
QRectF alcanceVisible(const Shape& s, const AnnotationFonts& fonts);

// The canvas a document grows to when its annotations go past the picture: the new pixel
// size and where the old picture's bottom-left corner lands in it.
struct Crecimiento {
  QSize tamano;
  QPointF desplazamiento;  // added to every shape, image space
};
inline constexpr double kMargenDeCrecimiento = 3;
inline constexpr double kCrecimientoMaximo = 4000;
inline constexpr double kLadoMaximo = 12000;
std::optional<Crecimiento> crecimientoDelLienzo(const std::vector<Shape>& shapes, QSize picture,
                                                const AnnotationFonts& fonts);
// The document on the grown canvas: new areas transparent, shapes shifted.
Documento crecido(const Documento& doc, const Crecimiento& c);

}  // namespace corvalin
