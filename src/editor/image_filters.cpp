#include "editor/image_filters.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace corvalin {
namespace {

constexpr int kAlpha = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? 3 : 0;

QImage premultiplied(const QImage& image) {
  return image.format() == QImage::Format_ARGB32_Premultiplied
             ? image
             : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// Block boundaries along one axis: block b covers [starts[b], starts[b + 1]).
std::vector<int> blockStarts(int size, double scale, double centre) {
  auto block = [&](int p) { return static_cast<long>(std::floor((p + 0.5 - centre) / scale)); };
  std::vector<int> starts{0};
  long current = block(0);
  for (int p = 1; p < size; ++p) {
    const long b = block(p);
    if (b != current) {
      starts.push_back(p);
      current = b;
    }
  }
  starts.push_back(size);
  return starts;
}

// Radii of three box blurs whose succession approximates a Gaussian of `sigma`.
std::array<int, 3> boxRadii(double sigma) {
  constexpr int n = 3;
  const double ideal = std::sqrt(12 * sigma * sigma / n + 1);
  int lower = static_cast<int>(std::floor(ideal));
  if (lower % 2 == 0) --lower;
  const int upper = lower + 2;
  const double m =
      (12 * sigma * sigma - n * lower * lower - 4.0 * n * lower - 3.0 * n) / (-4.0 * lower - 4);
  const long smaller = std::lround(m);
  std::array<int, 3> radii{};
  for (int i = 0; i < n; ++i) radii[i] = ((i < smaller ? lower : upper) - 1) / 2;
  return radii;
}

// Interleaved four-channel float picture.
struct Plane {
  int w = 0, h = 0;
  std::vector<float> v;
  float* row(int y) { return v.data() + static_cast<std::size_t>(y) * w * 4; }
};

void boxHorizontal(Plane& p, int r, std::vector<float>& padded) {
  if (r <= 0) return;
  const int w = p.w;
  padded.resize(static_cast<std::size_t>(w + 2 * r + 1) * 4);
  const float inv = 1.0f / static_cast<float>(2 * r + 1);
  for (int y = 0; y < p.h; ++y) {
    float* line = p.row(y);
    for (int i = 0; i < r; ++i) std::memcpy(&padded[i * 4], line, 4 * sizeof(float));
    std::memcpy(&padded[static_cast<std::size_t>(r) * 4], line, w * 4 * sizeof(float));
    for (int i = 0; i <= r; ++i) {
      std::memcpy(&padded[static_cast<std::size_t>(r + w + i) * 4], line + (w - 1) * 4,
                  4 * sizeof(float));
    }
    float acc[4] = {0, 0, 0, 0};
    for (int i = 0; i <= 2 * r; ++i) {
      for (int c = 0; c < 4; ++c) acc[c] += padded[i * 4 + c];
    }
    const float* add = padded.data() + (2 * r + 1) * 4;
    const float* sub = padded.data();
    for (int x = 0; x < w; ++x) {
      for (int c = 0; c < 4; ++c) {
        line[x * 4 + c] = acc[c] * inv;
        acc[c] += add[x * 4 + c] - sub[x * 4 + c];
      }
    }
  }
}

// Runs down the columns with one accumulator per column, so every access walks a row in order.
void boxVertical(Plane& p, int r, Plane& scratch, std::vector<float>& acc) {
  if (r <= 0) return;
  const int stride = p.w * 4, h = p.h;
  scratch.w = p.w;
  scratch.h = h;
  scratch.v.resize(p.v.size());
  acc.assign(stride, 0.0f);
  auto row = [&](int y) {
    return p.v.data() + static_cast<std::size_t>(std::clamp(y, 0, h - 1)) * stride;
  };
  for (int i = -r; i <= r; ++i) {
    const float* src = row(i);
    for (int k = 0; k < stride; ++k) acc[k] += src[k];
  }
  const float inv = 1.0f / static_cast<float>(2 * r + 1);
  for (int y = 0; y < h; ++y) {
    float* out = scratch.row(y);
    const float* add = row(y + r + 1);
    const float* sub = row(y - r);
    for (int k = 0; k < stride; ++k) {
      out[k] = acc[k] * inv;
      acc[k] += add[k] - sub[k];
    }
  }
  std::swap(p.v, scratch.v);
}

// Mean of each factor × factor block (fewer pixels at the far edges).
Plane downsample(const QImage& src, int factor) {
  const int w = src.width(), h = src.height();
  Plane small;
  small.w = (w + factor - 1) / factor;
  small.h = (h + factor - 1) / factor;
  small.v.resize(static_cast<std::size_t>(small.w) * small.h * 4);
  std::vector<std::uint32_t> columns(static_cast<std::size_t>(w) * 4);
  for (int by = 0; by < small.h; ++by) {
    const int y0 = by * factor, y1 = std::min(h, y0 + factor);
    std::fill(columns.begin(), columns.end(), 0u);
    for (int y = y0; y < y1; ++y) {
      const uchar* line = src.constScanLine(y);
      for (int k = 0; k < w * 4; ++k) columns[k] += line[k];
    }
    float* out = small.row(by);
    for (int bx = 0; bx < small.w; ++bx) {
      const int x0 = bx * factor, x1 = std::min(w, x0 + factor);
      std::uint32_t sum[4] = {0, 0, 0, 0};
      for (int x = x0; x < x1; ++x) {
        for (int c = 0; c < 4; ++c) sum[c] += columns[x * 4 + c];
      }
      const float inv = 1.0f / static_cast<float>((x1 - x0) * (y1 - y0));
      for (int c = 0; c < 4; ++c) out[bx * 4 + c] = static_cast<float>(sum[c]) * inv;
    }
  }
  return small;
}

inline void storePixel(uchar* dst, const float* v) {
  int c4[4];
  for (int c = 0; c < 4; ++c) c4[c] = std::clamp(static_cast<int>(v[c] + 0.5f), 0, 255);
  for (int c = 0; c < 4; ++c)
    dst[c] = static_cast<uchar>(c == kAlpha ? c4[c] : std::min(c4[c], c4[kAlpha]));
}

// Bilinear enlargement of the blurred small picture back to w × h, each small pixel standing
// at the centre of the block it was averaged from.
QImage upsample(Plane& small, int w, int h, int factor) {
  QImage out(w, h, QImage::Format_ARGB32_Premultiplied);
  std::vector<int> x0(w), x1(w);
  std::vector<float> wx(w);
  for (int x = 0; x < w; ++x) {
    const float u = std::clamp((x + 0.5f) / factor - 0.5f, 0.0f, static_cast<float>(small.w - 1));
    x0[x] = static_cast<int>(u);
    x1[x] = std::min(x0[x] + 1, small.w - 1);
    wx[x] = u - static_cast<float>(x0[x]);
  }
  std::vector<float> rowA(static_cast<std::size_t>(w) * 4), rowB(rowA.size());
  int cachedA = -1, cachedB = -1;
  auto widen = [&](int sy, std::vector<float>& dst) {
    const float* s = small.row(sy);
    for (int x = 0; x < w; ++x) {
      const float* a = s + x0[x] * 4;
      const float* b = s + x1[x] * 4;
      for (int c = 0; c < 4; ++c) dst[x * 4 + c] = a[c] + (b[c] - a[c]) * wx[x];
    }
  };
  for (int y = 0; y < h; ++y) {
    const float v = std::clamp((y + 0.5f) / factor - 0.5f, 0.0f, static_cast<float>(small.h - 1));
    const int y0 = static_cast<int>(v), y1 = std::min(y0 + 1, small.h - 1);
    const float wy = v - static_cast<float>(y0);
    if (cachedA != y0) {
      if (cachedB == y0) {
        std::swap(rowA, rowB);
        std::swap(cachedA, cachedB);
      } else {
        widen(y0, rowA);
        cachedA = y0;
      }
    }
    if (cachedB != y1) {
      widen(y1, rowB);
      cachedB = y1;
    }
    uchar* dst = out.scanLine(y);
    float px[4];
    for (int x = 0; x < w; ++x) {
      for (int c = 0; c < 4; ++c) {
        const float a = rowA[x * 4 + c];
        px[c] = a + (rowB[x * 4 + c] - a) * wy;
      }
      storePixel(dst + x * 4, px);
    }
  }
  return out;
}

}  // namespace

QImage pixelate(const QImage& image, double scale, QPointF centre) {
  const QImage src = premultiplied(image);
  const int w = src.width(), h = src.height();
  if (w == 0 || h == 0 || scale <= 1) return src.copy();
  const std::vector<int> cols = blockStarts(w, scale, centre.x());
  const std::vector<int> rows = blockStarts(h, scale, centre.y());
  const std::size_t blocks = cols.size() - 1;
  std::vector<std::uint64_t> sums(blocks * 4);
  std::vector<std::uint32_t> means(blocks);
  QImage out(w, h, QImage::Format_ARGB32_Premultiplied);
  for (std::size_t by = 0; by + 1 < rows.size(); ++by) {
    std::fill(sums.begin(), sums.end(), 0u);
    for (int y = rows[by]; y < rows[by + 1]; ++y) {
      const uchar* line = src.constScanLine(y);
      for (std::size_t b = 0; b < blocks; ++b) {
        std::uint64_t s[4] = {0, 0, 0, 0};
        for (int x = cols[b]; x < cols[b + 1]; ++x) {
          for (int c = 0; c < 4; ++c) s[c] += line[x * 4 + c];
        }
        for (int c = 0; c < 4; ++c) sums[b * 4 + c] += s[c];
      }
    }
    const std::uint64_t blockRows = static_cast<std::uint64_t>(rows[by + 1] - rows[by]);
    for (std::size_t b = 0; b < blocks; ++b) {
      const std::uint64_t n = blockRows * static_cast<std::uint64_t>(cols[b + 1] - cols[b]);
      uchar px[4];
      for (int c = 0; c < 4; ++c) px[c] = static_cast<uchar>((sums[b * 4 + c] + n / 2) / n);
      std::memcpy(&means[b], px, 4);
    }
    for (int y = rows[by]; y < rows[by + 1]; ++y) {
      auto* line = reinterpret_cast<std::uint32_t*>(out.scanLine(y));
      for (std::size_t b = 0; b < blocks; ++b) {
        std::fill(line + cols[b], line + cols[b + 1], means[b]);
      }
    }
  }
  return out;
}

QImage gaussianBlur(const QImage& image, double radius) {
  const QImage src = premultiplied(image);
  const int w = src.width(), h = src.height();
  if (w == 0 || h == 0 || radius < 0.5) return src.copy();
  // Wide blurs run on a reduced copy: averaging f × f blocks and enlarging bilinearly add a
  // variance of f²/4, taken off what the small blur must add. Keeping at least three small
  // pixels per standard deviation leaves the enlargement free of visible steps.
  const int factor = std::max(1, static_cast<int>(radius / 3));
  Plane plane;
  if (factor == 1) {
    plane.w = w;
    plane.h = h;
    plane.v.resize(static_cast<std::size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y) {
      const uchar* line = src.constScanLine(y);
      float* out = plane.row(y);
      for (int k = 0; k < w * 4; ++k) out[k] = line[k];
    }
  } else {
    plane = downsample(src, factor);
  }
  const double f = factor;
  const double sigma =
      factor == 1 ? radius : std::sqrt(std::max(radius * radius / (f * f) - 0.25, 1.0));
  std::vector<float> padded, acc;
  Plane scratch;
  for (int r : boxRadii(sigma)) {
    boxHorizontal(plane, r, padded);
    boxVertical(plane, r, scratch, acc);
  }
  if (factor > 1) return upsample(plane, w, h, factor);
  QImage out(w, h, QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < h; ++y) {
    uchar* dst = out.scanLine(y);
    const float* s = plane.row(y);
    for (int x = 0; x < w; ++x) storePixel(dst + x * 4, s + x * 4);
  }
  return out;
}

}  // namespace corvalin
