// Pixel retouching engines: plain C++ over 8-bit RGBA buffers, no Qt, no settings. The picture
// conversions live apart, in qimage_bridge.h (library corvalin_retouch_qt).
#pragma once

#include "retouch/auto_enhance.h"
#include "retouch/brush.h"
#include "retouch/pixel_canvas.h"
#include "retouch/pixel_mask.h"
#include "retouch/pixel_rect.h"
#include "retouch/tone_brush.h"
#include "retouch/warp_field.h"
