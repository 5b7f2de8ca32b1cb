// Fast PNG output for screen pictures: rows are filtered and deflated in several strips on
// separate threads, joined into one zlib stream, and the file appears under its name only
// once it is complete.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tools/pixels.h"

namespace corvalin::tools {

// An 8-bit RGB PNG of the pixels, deflated as `strips` horizontal strips at once (0: one per
// processor, at least two). Empty when the pixels are empty or memory ran out.
std::vector<std::uint8_t> encodePng(const Rgb32View& pixels, int strips = 0);

// Writes `bytes` to a temporary file beside `path` and renames it over `path`, so that a
// reader never sees a partial file there. The file has the usual mode for new files, or 0600
// in a folder open to its owner alone. On failure returns false and says why in `error`.
bool writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                         std::string* error);

}  // namespace corvalin::tools
