#include "capture/ocr_prep.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace corvalin::ocr {
namespace {

// A pixel is flat when its 3 x 3 neighbourhood spans at most this many grey levels: the inside
// of a window, a row or a bubble, never a letter's edge.
constexpr int kRangoPlano = 12;
// Neighbouring flat pixels closer than this belong to the same region; small enough that a
// gradient's steps still chain, large enough that two theme colours never do.
constexpr int kPasoVecino = 3;
// A region must be at least this many flat pixels to count as a ground; the flat inside of a
// bold letter's stroke stays well below it even for headings twice the largest UI text.
constexpr int kMinimoDeFondo = 400;
// Grey-level difference from the ground that counts as ink when deciding a region's polarity.
constexpr int kUmbralDeTinta = 40;
// Fewer ink pixels than this say nothing about a region's contrast, which is then left alone.
constexpr int kMinimoDeTinta = 12;
// Never stretch a region's contrast beyond this: a faint texture is not text.
constexpr int kContrasteMinimo = 48;
// The enlarged picture stays below this many pixels, which bounds the memory and layout time
// of a whole-screen picture; a full-HD screen of small text is still enlarged 1.8 times.
constexpr double kPixelesMaximos = 24e6;
// The engine stores box coordinates in 16 bits.
constexpr double kLadoMaximo = 30000;

struct Gris {
  int w = 0, h = 0;
  std::vector<uint8_t> v;
};

Gris leer(const QImage& imagen) {
  Gris g;
  g.w = imagen.width();
  g.h = imagen.height();
  g.v.resize(size_t(g.w) * g.h);
  for (int y = 0; y < g.h; ++y) {
    const uchar* fila = imagen.constScanLine(y);
    std::copy(fila, fila + g.w, g.v.begin() + ptrdiff_t(y) * g.w);
  }
  return g;
}

QImage escribir(const Gris& g) {
  QImage imagen(g.w, g.h, QImage::Format_Grayscale8);
  for (int y = 0; y < g.h; ++y) {
    std::copy(g.v.begin() + ptrdiff_t(y) * g.w, g.v.begin() + ptrdiff_t(y + 1) * g.w,
              imagen.scanLine(y));
  }
  return imagen;
}

// The grey range of every pixel's 3 x 3 neighbourhood (clipped at the borders).
std::vector<uint8_t> rangoLocal(const Gris& g) {
  const int w = g.w, h = g.h;
  std::vector<uint8_t> mn(g.v.size()), mx(g.v.size());
  for (int y = 0; y < h; ++y) {
    const uint8_t* f = &g.v[size_t(y) * w];
    for (int x = 0; x < w; ++x) {
      const int a = std::max(x - 1, 0), b = std::min(x + 1, w - 1);
      uint8_t lo = f[a], hi = f[a];
      for (int i = a + 1; i <= b; ++i) {
        lo = std::min(lo, f[i]);
        hi = std::max(hi, f[i]);
      }
      mn[size_t(y) * w + x] = lo;
      mx[size_t(y) * w + x] = hi;
    }
  }
  std::vector<uint8_t> rango(g.v.size());
  for (int y = 0; y < h; ++y) {
    const int a = std::max(y - 1, 0), b = std::min(y + 1, h - 1);
    for (int x = 0; x < w; ++x) {
      uint8_t lo = 255, hi = 0;
      for (int j = a; j <= b; ++j) {
        lo = std::min(lo, mn[size_t(j) * w + x]);
        hi = std::max(hi, mx[size_t(j) * w + x]);
      }
      rango[size_t(y) * w + x] = uint8_t(hi - lo);
    }
  }
  return rango;
}

// Union-find over pixel indices. A root holds minus its set's size; every set's root is its
// smallest index, that is its first pixel in row order.
int32_t raiz(std::vector<int32_t>& padre, int32_t p) {
  while (padre[p] >= 0) {
    if (padre[padre[p]] >= 0) padre[p] = padre[padre[p]];
    p = padre[p];
  }
  return p;
}

void unir(std::vector<int32_t>& padre, int32_t a, int32_t b) {
  a = raiz(padre, a);
  b = raiz(padre, b);
  if (a == b) return;
  if (a > b) std::swap(a, b);
  padre[a] += padre[b];
  padre[b] = a;
}

// Grounds found in the picture: for every pixel, the ground it lies on (the nearest pixel of a
// large flat region) and that ground's grey level right there, so that a gradient is followed.
struct Fondos {
  int cuantos = 0;
  std::vector<int32_t> region;  // per pixel
  std::vector<uint8_t> nivel;   // per pixel
  // Per pixel: 1 when it lies where two grounds meet and its grey level is between theirs, the
  // antialiased edge of a rounded bubble or button rather than ink.
  std::vector<uint8_t> borde;
};

// Pixels this close to another ground are checked for being a blend of the two grounds.
constexpr int kRadioDeBorde = 2;
constexpr int kHolguraDeBorde = 8;

void marcarBordes(const Gris& g, Fondos& f, const std::vector<uint8_t>& esFondo) {
  const int w = g.w, h = g.h;
  f.borde.assign(g.v.size(), 0);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int32_t p = y * w + x;
      if (esFondo[p]) continue;
      const int propio = f.nivel[p];
      const int v = g.v[p];
      for (int j = std::max(0, y - kRadioDeBorde); j <= std::min(h - 1, y + kRadioDeBorde); ++j) {
        for (int i = std::max(0, x - kRadioDeBorde); i <= std::min(w - 1, x + kRadioDeBorde); ++i) {
          const int32_t q = j * w + i;
          if (f.region[q] == f.region[p]) continue;
          const int otro = f.nivel[q];
          if (v >= std::min(propio, otro) - kHolguraDeBorde &&
              v <= std::max(propio, otro) + kHolguraDeBorde) {
            f.borde[p] = 1;
          }
        }
      }
    }
  }
}

Fondos buscarFondos(const Gris& g) {
  const int w = g.w, h = g.h;
  const size_t n = g.v.size();
  Fondos f;
  f.region.assign(n, -1);
  f.nivel.assign(n, 0);
  std::vector<uint8_t> esFondo(n, 0);
  {
    std::vector<uint8_t> plano = rangoLocal(g);
    for (uint8_t& r : plano) r = r <= kRangoPlano;
    std::vector<int32_t> padre(n, -1);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const int32_t p = y * w + x;
        if (!plano[p]) continue;
        if (x + 1 < w && plano[p + 1] && std::abs(g.v[p] - g.v[p + 1]) <= kPasoVecino) {
          unir(padre, p, p + 1);
        }
        if (y + 1 < h && plano[p + w] && std::abs(g.v[p] - g.v[p + w]) <= kPasoVecino) {
          unir(padre, p, p + w);
        }
      }
    }
    // A set's root comes first in row order, so it is numbered before its other pixels.
    for (size_t p = 0; p < n; ++p) {
      if (!plano[p]) continue;
      const int32_t r = raiz(padre, int32_t(p));
      if (-padre[r] < kMinimoDeFondo) continue;
      f.region[p] = r == int32_t(p) ? f.cuantos++ : f.region[r];
      f.nivel[p] = g.v[p];
      esFondo[p] = 1;
    }
  }
  if (f.cuantos == 0) {
    // No flat ground at all (a photograph, a dithered picture): one ground at the most common
    // grey level.
    std::array<int, 256> histograma{};
    for (uint8_t v : g.v) ++histograma[v];
    const uint8_t moda =
        uint8_t(std::max_element(histograma.begin(), histograma.end()) - histograma.begin());
    f.cuantos = 1;
    std::fill(f.region.begin(), f.region.end(), 0);
    std::fill(f.nivel.begin(), f.nivel.end(), moda);
    f.borde.assign(n, 0);
    return f;
  }
  // Breadth-first from every ground pixel at once: each remaining pixel takes the nearest
  // ground.
  std::vector<int32_t> cola;
  cola.reserve(n);
  for (size_t p = 0; p < n; ++p) {
    if (esFondo[p]) cola.push_back(int32_t(p));
  }
  for (size_t i = 0; i < cola.size(); ++i) {
    const int32_t p = cola[i];
    const int x = p % w, y = p / w;
    const int32_t vecinos[4] = {x > 0 ? p - 1 : -1, x + 1 < w ? p + 1 : -1, y > 0 ? p - w : -1,
                                y + 1 < h ? p + w : -1};
    for (int32_t q : vecinos) {
      if (q < 0 || f.region[q] >= 0) continue;
      f.region[q] = f.region[p];
      f.nivel[q] = f.nivel[p];
      cola.push_back(q);
    }
  }
  cola = {};
  marcarBordes(g, f, esFondo);
  return f;
}

// How strong a region's ink is on each side of its ground, in bins of 4 grey levels.
struct Tinta {
  std::array<int32_t, 64> clara{};
  std::array<int32_t, 64> oscura{};
  int64_t pesoClaro = 0;
  int64_t pesoOscuro = 0;
};

int percentil(const std::array<int32_t, 64>& bins, double fraccion) {
  int64_t total = 0;
  for (int32_t c : bins) total += c;
  if (total < kMinimoDeTinta) return 0;
  const int64_t meta = int64_t(std::ceil(double(total) * fraccion));
  int64_t acumulado = 0;
  for (int i = 0; i < 64; ++i) {
    acumulado += bins[i];
    if (acumulado >= meta) return i * 4 + 2;
  }
  return 255;
}

// Catmull-Rom weights for a sample at fractional offset t past the second of four taps.
std::array<float, 4> pesosCubicos(float t) {
  const float t2 = t * t, t3 = t2 * t;
  return {-0.5f * t3 + t2 - 0.5f * t, 1.5f * t3 - 2.5f * t2 + 1.0f,
          -1.5f * t3 + 2.0f * t2 + 0.5f * t, 0.5f * t3 - 0.5f * t2};
}

struct Taps {
  std::vector<int> desde;  // index of the first of four source samples, clamped per tap
  std::vector<std::array<float, 4>> pesos;
};

Taps taps(int destino, double factor) {
  Taps t;
  t.desde.resize(destino);
  t.pesos.resize(destino);
  for (int i = 0; i < destino; ++i) {
    const double centro = (i + 0.5) / factor - 0.5;
    const double base = std::floor(centro);
    t.desde[i] = int(base) - 1;
    t.pesos[i] = pesosCubicos(float(centro - base));
  }
  return t;
}

}  // namespace

QImage aGris(const QImage& imagen) {
  if (imagen.isNull()) return {};
  if (imagen.format() == QImage::Format_Grayscale8) return imagen;
  const QImage rgb = imagen.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  QImage gris(rgb.width(), rgb.height(), QImage::Format_Grayscale8);
  for (int y = 0; y < rgb.height(); ++y) {
    const QRgb* f = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    uchar* d = gris.scanLine(y);
    for (int x = 0; x < rgb.width(); ++x) {
      const QRgb c = f[x];
      // Premultiplied: adding the missing alpha as white composites over a white ground.
      const int luma = (54 * qRed(c) + 183 * qGreen(c) + 19 * qBlue(c) + 128) >> 8;
      d[x] = uchar(std::min(255, luma + 255 - qAlpha(c)));
    }
  }
  return gris;
}

QImage normalizarTinta(const QImage& grisEntrada) {
  if (grisEntrada.isNull()) return {};
  const Gris g = leer(aGris(grisEntrada));
  const Fondos f = buscarFondos(g);
  std::vector<Tinta> tinta(f.cuantos);
  for (size_t p = 0; p < g.v.size(); ++p) {
    if (f.borde[p]) continue;
    const int d = int(g.v[p]) - int(f.nivel[p]);
    Tinta& t = tinta[f.region[p]];
    if (d > 0) ++t.clara[std::min(d, 255) >> 2];
    if (d < 0) ++t.oscura[std::min(-d, 255) >> 2];
    if (d > kUmbralDeTinta) t.pesoClaro += d;
    if (d < -kUmbralDeTinta) t.pesoOscuro -= d;
  }
  // Per region: whether its ink is lighter than its ground, and the ink strength that becomes
  // black. Antialiased edges weigh the same on both polarities, so the stronger side wins.
  std::vector<uint8_t> invertir(f.cuantos);
  std::vector<float> escala(f.cuantos);
  for (int r = 0; r < f.cuantos; ++r) {
    Tinta& t = tinta[r];
    invertir[r] = t.pesoClaro > t.pesoOscuro;
    auto& lado = invertir[r] ? t.clara : t.oscura;
    // Only marks beyond the ink threshold describe the text's contrast, not the faint halo.
    for (int i = 0; i <= kUmbralDeTinta / 4; ++i) lado[i] = 0;
    const int medido = percentil(lado, 0.9);
    const int contraste = medido > 0 ? std::max(medido, kContrasteMinimo) : 255;
    escala[r] = float(255.0 / contraste);
  }
  Gris salida{g.w, g.h, std::vector<uint8_t>(g.v.size())};
  for (size_t p = 0; p < g.v.size(); ++p) {
    if (f.borde[p]) {
      salida.v[p] = 255;
      continue;
    }
    const int r = f.region[p];
    const int d = int(f.nivel[p]) - int(g.v[p]);
    const float tinta = float(invertir[r] ? -d : d) * escala[r];
    salida.v[p] = uint8_t(255 - std::clamp(int(std::lround(tinta)), 0, 255));
  }
  return escribir(salida);
}

double altoDeLetra(const QImage& grisEntrada) {
  if (grisEntrada.isNull()) return 0;
  const Gris g = leer(aGris(grisEntrada));
  const int w = g.w, h = g.h;
  const size_t n = g.v.size();
  std::vector<int32_t> padre(n, -1);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int32_t p = y * w + x;
      if (g.v[p] >= 128) continue;
      // Eight-connected, so that an italic or antialiased stroke stays one mark.
      if (x + 1 < w && g.v[p + 1] < 128) unir(padre, p, p + 1);
      if (y + 1 < h) {
        if (g.v[p + w] < 128) unir(padre, p, p + w);
        if (x + 1 < w && g.v[p + w + 1] < 128) unir(padre, p, p + w + 1);
        if (x > 0 && g.v[p + w - 1] < 128) unir(padre, p, p + w - 1);
      }
    }
  }
  // A mark's root is its first pixel in row order, so its top row; its bottom row is the
  // lowest row of any of its pixels.
  std::vector<int32_t> abajo(n, -1);
  for (size_t p = 0; p < n; ++p) {
    if (g.v[p] < 128) abajo[raiz(padre, int32_t(p))] = int32_t(p) / w;
  }
  std::vector<int> alturas;
  for (size_t p = 0; p < n; ++p) {
    if (abajo[p] < 0) continue;
    const int alto = abajo[p] - int(p) / w + 1;
    // Dots, commas and rules say nothing about letter size; tall marks are pictures.
    if (alto >= 3 && alto <= h / 2 + 1) alturas.push_back(alto);
  }
  if (alturas.empty()) return 0;
  std::nth_element(alturas.begin(), alturas.begin() + alturas.size() / 2, alturas.end());
  return alturas[alturas.size() / 2];
}

QImage ampliar(const QImage& grisEntrada, double factor) {
  if (grisEntrada.isNull()) return {};
  const QImage gris = aGris(grisEntrada);
  if (factor <= 1.0) return gris;
  const int w = gris.width(), h = gris.height();
  const int W = std::max(1, int(std::lround(w * factor)));
  const int H = std::max(1, int(std::lround(h * factor)));
  const Taps tx = taps(W, double(W) / w);
  const Taps ty = taps(H, double(H) / h);
  // Columns first into a float buffer of the source's height, then rows.
  std::vector<float> medio(size_t(W) * h);
  for (int y = 0; y < h; ++y) {
    const uchar* f = gris.constScanLine(y);
    float* m = &medio[size_t(y) * W];
    for (int X = 0; X < W; ++X) {
      float s = 0;
      for (int k = 0; k < 4; ++k) s += tx.pesos[X][k] * f[std::clamp(tx.desde[X] + k, 0, w - 1)];
      m[X] = s;
    }
  }
  QImage salida(W, H, QImage::Format_Grayscale8);
  for (int Y = 0; Y < H; ++Y) {
    const float* filas[4];
    for (int k = 0; k < 4; ++k)
      filas[k] = &medio[size_t(std::clamp(ty.desde[Y] + k, 0, h - 1)) * W];
    const auto& p = ty.pesos[Y];
    uchar* d = salida.scanLine(Y);
    for (int X = 0; X < W; ++X) {
      const float s =
          p[0] * filas[0][X] + p[1] * filas[1][X] + p[2] * filas[2][X] + p[3] * filas[3][X];
      d[X] = uchar(std::clamp(int(s + 0.5f), 0, 255));
    }
  }
  return salida;
}

double factorPara(double altoPx, double objetivoPx, QSize tamano) {
  double factor = altoPx > 0 ? objetivoPx / altoPx : 1.0;
  factor = std::clamp(factor, 1.0, 4.0);
  const double pixeles = double(tamano.width()) * tamano.height();
  if (pixeles > 0) factor = std::min(factor, std::sqrt(kPixelesMaximos / pixeles));
  const int lado = std::max(tamano.width(), tamano.height());
  if (lado > 0) factor = std::min(factor, kLadoMaximo / lado);
  return std::max(factor, 1.0);
}

Preparada preparar(const QImage& imagen, const OpcionesDePreparacion& opciones) {
  Preparada p;
  if (imagen.isNull() || imagen.width() <= 0 || imagen.height() <= 0) return p;
  QImage gris = aGris(imagen);
  if (opciones.normalizarTinta) gris = normalizarTinta(gris);
  if (opciones.factorFijo > 0) {
    p.factor = factorPara(1.0, opciones.factorFijo, gris.size());
  } else if (opciones.altoDeLetraObjetivoPx > 0) {
    p.factor = factorPara(altoDeLetra(gris), opciones.altoDeLetraObjetivoPx, gris.size());
  }
  p.imagen = p.factor > 1.0 ? ampliar(gris, p.factor) : gris;
  return p;
}

}  // namespace corvalin::ocr
