#include "editor/editor_document.h"

#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <cmath>

#include "editor/annotation_paths.h"
#include "editor/annotation_renderer.h"
#include "editor/point_math.h"

namespace corvalin {

void Historial::push(const Documento& actual) {
  undo_.push_back(actual);
  while (undo_.size() > kLimite) undo_.pop_front();
  redo_.clear();
}

std::optional<Documento> Historial::undo(const Documento& actual) {
  if (undo_.empty()) return std::nullopt;
  Documento out = std::move(undo_.back());
  undo_.pop_back();
  redo_.push_back(actual);
  return out;
}

std::optional<Documento> Historial::redo(const Documento& actual) {
  if (redo_.empty()) return std::nullopt;
  Documento out = std::move(redo_.back());
  redo_.pop_back();
  undo_.push_back(actual);
  while (undo_.size() > kLimite) undo_.pop_front();
  return out;
}

void Historial::reponer(std::vector<Documento> deshacer, std::vector<Documento> rehacer) {
  undo_.assign(std::make_move_iterator(deshacer.begin()), std::make_move_iterator(deshacer.end()));
  while (undo_.size() > kLimite) undo_.pop_front();
  redo_ = std::move(rehacer);
}

void Historial::descartarUltimo() {
  if (!undo_.empty()) undo_.pop_back();
}

QImage aplanar(const Documento& doc, const AnnotationFonts& fonts) {
  return flatten(doc.base, doc.shapes, fonts);
}

namespace {

QImage girada(const QImage& img, bool clockwise) {
  if (img.isNull()) return img;
  // Pixel rows run downwards, so a positive angle turns the picture clockwise on screen.
  return img.transformed(QTransform().rotate(clockwise ? 90 : -90));
}

QImage volteada(const QImage& img, bool horizontal) {
  if (img.isNull()) return img;
  return img.mirrored(horizontal, !horizontal);
}

// `img` placed on a transparent canvas of `size` with its top-left pixel at `at`.
QImage sobreLienzo(const QImage& img, QSize size, QPoint at) {
  QImage out(size, QImage::Format_ARGB32_Premultiplied);
  if (out.isNull()) return {};
  out.fill(Qt::transparent);
  QPainter p(&out);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  p.drawImage(at, img);
  return out;
}

}  // namespace

Documento rotado(const Documento& doc, bool clockwise, const AnnotationFonts& fonts) {
  Documento out;
  out.base = girada(aplanar(doc, fonts), clockwise);
  out.pristine = girada(doc.pristine, clockwise);
  return out;
}

Documento reflejado(const Documento& doc, bool horizontal, const TextMeasurer& m) {
  Documento out;
  out.base = volteada(doc.base, horizontal);
  out.pristine = volteada(doc.pristine, horizontal);
  out.shapes = doc.shapes;
  const QSizeF lienzo(doc.base.size());
  for (Shape& s : out.shapes) s.espejo(horizontal, lienzo, m);
  return out;
}

QRect pixelesDe(const QRectF& imageRect, QSize picture) {
  return pixelRect(imageRect, picture.height()).intersected(QRect(QPoint(0, 0), picture));
}

std::optional<Documento> recortado(const Documento& doc, const QRectF& imageRect,
                                   const AnnotationFonts& fonts) {
  const QRect px = pixelesDe(imageRect, doc.base.size());
  if (px.isEmpty()) return std::nullopt;
  Documento out;
  out.base = aplanar(doc, fonts).copy(px);
  out.pristine = doc.pristine.size() == doc.base.size() ? doc.pristine.copy(px) : QImage();
  if (out.base.isNull()) return std::nullopt;
  return out;
}

QRectF alcanceVisible(const Shape& s, const AnnotationFonts& fonts) {
  switch (s.kind) {
    case ToolKind::text:
      return s.calloutBox(fonts);
    case ToolKind::handText:
      return s.handTextBox(fonts);
    case ToolKind::image:
      return s.rect();
    case ToolKind::sticker: {
      if (s.text.isEmpty()) return s.rect();
      const auto fit = stickerFit(s.rect(), fonts.measureEmoji(s.text));
      return fit ? fit->rect : s.rect();
    }
    default:
      return grown(s.boundingBox(fonts), s.width / 2 + 1);
  }
}

std::optional<Crecimiento> crecimientoDelLienzo(const std::vector<Shape>& shapes, QSize picture,
                                                const AnnotationFonts& fonts) {
  if (shapes.empty() || picture.isEmpty()) return std::nullopt;
  const double w = picture.width(), h = picture.height();
  double x0 = 0, y0 = 0, x1 = w, y1 = h;
  for (const Shape& s : shapes) {
    const QRectF r = alcanceVisible(s, fonts);
    if (!std::isfinite(r.left()) || !std::isfinite(r.right()) || !std::isfinite(r.top()) ||
        !std::isfinite(r.bottom())) {
      continue;
    }
    x0 = std::min(x0, minX(r));
    y0 = std::min(y0, minY(r));
    x1 = std::max(x1, maxX(r));
    y1 = std::max(y1, maxY(r));
  }
  x0 = std::floor(x0), y0 = std::floor(y0), x1 = std::ceil(x1), y1 = std::ceil(y1);
  const double m = kMargenDeCrecimiento;
  if (x0 >= -m && y0 >= -m && x1 <= w + m && y1 <= h + m) return std::nullopt;
  x0 = std::max(x0, -kCrecimientoMaximo), y0 = std::max(y0, -kCrecimientoMaximo);
  x1 = std::min(x1, w + kCrecimientoMaximo), y1 = std::min(y1, h + kCrecimientoMaximo);
  x1 = std::min(x1, x0 + kLadoMaximo), y1 = std::min(y1, y0 + kLadoMaximo);
  // A canvas that would no longer hold the whole picture would cut pixels off: keep it as is.
  if (x0 > 0 || y0 > 0 || x1 < w || y1 < h) return std::nullopt;
  Crecimiento c;
  c.tamano = QSize(static_cast<int>(x1 - x0), static_cast<int>(y1 - y0));
  c.desplazamiento = QPointF(-x0, -y0);
  return c;
}

Documento crecido(const Documento& doc, const Crecimiento& c) {
  // The old picture's bottom-left corner lands at the offset (image space, y up); in pixel rows
  // from the top its first row is the new height less the offset less its height.
  const QPoint at(static_cast<int>(c.desplazamiento.x()),
                  c.tamano.height() - static_cast<int>(c.desplazamiento.y()) - doc.base.height());
  Documento out;
  out.base = sobreLienzo(doc.base, c.tamano, at);
  out.pristine =
      doc.pristine.size() == doc.base.size() ? sobreLienzo(doc.pristine, c.tamano, at) : out.base;
  out.shapes = doc.shapes;
  if (!c.desplazamiento.isNull()) {
    for (Shape& s : out.shapes) s.translate(c.desplazamiento);
  }
  return out;
}

}  // namespace corvalin
