// One stroke of a pixel tool, from press to release, without any widget: the canvas the
// engines work on, the picture shown meanwhile (kept in step dab by dab, only where the dab
// touched, so big pictures stay fluid), and what the stroke hands on when it ends.
#pragma once

#include <QImage>
#include <QPointF>
#include <QRect>
#include <memory>
#include <optional>
#include <vector>

#include "editor/tool_kind.h"
#include "retouch/brush.h"
#include "retouch/pixel_canvas.h"
#include "retouch/pixel_mask.h"
#include "retouch/tone_brush.h"
#include "retouch/warp_field.h"

namespace corvalin {

struct OpcionesDeTrazo {
  ToolKind tool = ToolKind::repair;
  retouch::Brush brush;
  double opacity = 1;  // clone and pinch strength, dodge and burn strength
  bool lighten = true;
  retouch::ToneRange range = retouch::ToneRange::all;
  bool haciaAdentro = true;            // pinch rather than bulge, already flipped by Alt
  std::optional<QPointF> cloneSource;  // pixel position of the clone source
};

class TrazoDePixeles {
 public:
  // Begins at `pixel` (pixel position, rows from the top) and lays the first dab; nothing when
  // no canvas can be made of `base`.
  static std::unique_ptr<TrazoDePixeles> empezar(const QImage& base, const OpcionesDeTrazo& o,
                                                 QPointF pixel);

  // Dabs from the last point to `pixel`. Returns the pixels of the shown picture that changed.
  QRect continuar(QPointF pixel);
  // One pinch step at the last point.
  QRect tick();

  ToolKind tool() const { return o_.tool; }
  QPointF ultimo() const { return ultimo_; }
  // The picture with the stroke so far (the tools that change pixels as they go).
  const QImage& imagen() const { return imagen_; }
  bool cambiaAlPintar() const;
  // Erase and dust removal: the painted mask is empty (nothing to do on release).
  bool mascaraVacia() const { return !mask_ || mask_->isEmpty(); }

  // For the background fill: the canvas and mask, which the stroke gives up.
  struct ParaRellenar {
    retouch::PixelCanvas canvas;
    retouch::PixelMask mask;
  };
  std::optional<ParaRellenar> entregar();

 private:
  TrazoDePixeles(OpcionesDeTrazo o, retouch::PixelCanvas canvas);
  QRect dab(QPointF at);
  QRect copiar(const retouch::PixelRect& r);
  QRect copiar(const retouch::RectD& r);

  OpcionesDeTrazo o_;
  std::optional<retouch::PixelCanvas> canvas_;
  std::optional<retouch::PixelMask> mask_;
  std::unique_ptr<retouch::WarpField> warp_;
  std::unique_ptr<retouch::ToneBrush> tone_;
  std::vector<uint8_t> cloneShot_;
  int64_t cloneDx_ = 0, cloneDy_ = 0;
  QImage imagen_;
  QPointF ultimo_;
};

// Writes the canvas pixels of `r` into `into` (premultiplied RGBA of the same size), with a
// colour channel above its alpha brought down to it, as a whole new picture would have it.
void copiarRegion(const retouch::PixelCanvas& canvas, const QRect& r, QImage& into);

}  // namespace corvalin
