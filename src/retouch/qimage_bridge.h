// The one place where pictures become canvases and back, so that the engines never see Qt.
#pragma once

#include <QImage>
#include <optional>

#include "retouch/pixel_canvas.h"

namespace corvalin::retouch {

// The picture's pixels in sRGB, premultiplied, 8 bits per channel; pictures in another colour
// space are converted. Nothing for a null or empty picture, or one whose pixels can't be had.
std::optional<PixelCanvas> makeCanvas(const QImage& image);

// The canvas as a premultiplied RGBA picture tagged sRGB; a null image when it can't be made.
// A colour channel above its alpha (the engines treat channels as plain values) is brought
// down to the alpha, so the picture is always valid premultiplied data.
QImage makeImage(const PixelCanvas& canvas);

}  // namespace corvalin::retouch
