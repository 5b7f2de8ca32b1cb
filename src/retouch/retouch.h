// Pixel retouching engines: plain C++ over 8-bit RGBA buffers, no Qt, no settings.
#pragma once

namespace corvalin::retouch {}
