// Synthetic pages for the stitcher's tests and benchmark: text, a list with icons and a photo,
// drawn from a seeded generator, and frames cut from them as a scrolled area would show them
// (optionally under a sticky header and a footer).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace corvalin::stitch::paginas {

struct Color {
  uint8_t r = 255, g = 255, b = 255;
};

struct Pagina {
  int ancho = 0;
  int alto = 0;
  std::vector<uint8_t> rgba;

  Pagina() = default;
  Pagina(int w, int h, Color fondo = {}) : ancho(w), alto(h), rgba(std::size_t(w) * h * 4) {
    const uint8_t px[4] = {fondo.r, fondo.g, fondo.b, 255};
    for (std::size_t i = 0; i < rgba.size(); i += 4) std::memcpy(&rgba[i], px, 4);
  }
  std::size_t bytesPorFila() const { return std::size_t(ancho) * 4; }
  const uint8_t* fila(int y) const { return rgba.data() + std::size_t(y) * bytesPorFila(); }
  uint8_t* fila(int y) { return rgba.data() + std::size_t(y) * bytesPorFila(); }
  void punto(int x, int y, Color c) {
    if (x < 0 || y < 0 || x >= ancho || y >= alto) return;
    const uint8_t px[4] = {c.r, c.g, c.b, 255};
    std::memcpy(fila(y) + std::size_t(x) * 4, px, 4);
  }
  void rect(int x0, int y0, int w, int h, Color c) {
    for (int y = std::max(y0, 0); y < std::min(y0 + h, alto); ++y)
      for (int x = std::max(x0, 0); x < std::min(x0 + w, ancho); ++x) punto(x, y, c);
  }
  void circulo(int cx, int cy, int radio, Color c) {
    for (int y = cy - radio; y <= cy + radio; ++y)
      for (int x = cx - radio; x <= cx + radio; ++x)
        if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= radio * radio) punto(x, y, c);
  }
  // Rows [desde, desde + filas) of this page, as a page of their own.
  Pagina filas(int desde, int n) const {
    Pagina p(ancho, 0);
    p.alto = n;
    p.rgba.assign(fila(desde), fila(desde) + std::size_t(n) * bytesPorFila());
    return p;
  }
  void pegar(const Pagina& otra, int y) {
    for (int r = 0; r < otra.alto && y + r < alto; ++r)
      std::memcpy(fila(y + r), otra.fila(r), std::min(bytesPorFila(), otra.bytesPorFila()));
  }
};

using Azar = std::mt19937;

// A number in [a, b]; narrow pages may give b < a, then b.
inline int entre(Azar& azar, int a, int b) {
  return b <= a ? b : std::uniform_int_distribution<int>(a, b)(azar);
}

// One line of glyph-like blobs: each glyph a random 3 × 5 pattern of cells, words apart.
inline void lineaDeTexto(Pagina& p, Azar& azar, int x0, int y, int largo, int celda, Color tinta) {
  int x = x0;
  const int fin = std::min(p.ancho - 8, x0 + largo);
  while (x < fin) {
    const int letras = entre(azar, 1, 9);
    for (int l = 0; l < letras && x < fin; ++l) {
      const int columnas = entre(azar, 2, 3);
      for (int cy = 0; cy < 5; ++cy)
        for (int cx = 0; cx < columnas; ++cx)
          if (entre(azar, 0, 99) < 55) p.rect(x + cx * celda, y + cy * celda, celda, celda, tinta);
      // Ascenders and descenders make lines differ in their outline, as real text does.
      if (entre(azar, 0, 5) == 0) p.rect(x, y - celda, celda, celda, tinta);
      if (entre(azar, 0, 7) == 0) p.rect(x + celda, y + 5 * celda, celda, celda, tinta);
      x += columnas * celda + celda;
    }
    x += 3 * celda;
  }
}

// Paragraphs of text on white: lines of differing lengths, some headings, some links.
inline Pagina texto(int ancho, int alto, uint32_t semilla) {
  Pagina p(ancho, alto);
  Azar azar(semilla);
  int y = 12;
  while (y < alto) {
    const bool titulo = entre(azar, 0, 6) == 0;
    const int celda = titulo ? 3 : 2;
    const int interlinea = titulo ? 34 : entre(azar, 20, 26);
    const int lineas = titulo ? 1 : entre(azar, 2, 9);
    for (int l = 0; l < lineas && y < alto; ++l) {
      const bool ultima = l + 1 == lineas;
      const int largo =
          ultima ? entre(azar, ancho / 6, ancho * 3 / 4) : entre(azar, ancho * 3 / 4, ancho - 40);
      const Color tinta = entre(azar, 0, 9) == 0 ? Color{30, 60, 200} : Color{25, 25, 30};
      lineaDeTexto(p, azar, 20, y, largo, celda, tinta);
      y += interlinea;
    }
    y += entre(azar, 10, 30);
  }
  return p;
}

// A list: an icon, a title and a grey subtitle per item, a thin separator between items.
inline Pagina lista(int ancho, int alto, uint32_t semilla) {
  Pagina p(ancho, alto, Color{252, 252, 252});
  Azar azar(semilla);
  int y = 0;
  while (y < alto) {
    const int item = entre(azar, 56, 72);
    const Color icono{uint8_t(entre(azar, 30, 220)), uint8_t(entre(azar, 30, 220)),
                      uint8_t(entre(azar, 30, 220))};
    if (entre(azar, 0, 1))
      p.circulo(36, y + item / 2, 18, icono);
    else
      p.rect(18, y + item / 2 - 18, 36, 36, icono);
    lineaDeTexto(p, azar, 72, y + 12, entre(azar, ancho / 4, ancho / 2), 2, {20, 20, 20});
    lineaDeTexto(p, azar, 72, y + 34, entre(azar, ancho / 5, ancho * 2 / 3), 2, {130, 130, 140});
    if (entre(azar, 0, 3) == 0) p.circulo(ancho - 40, y + item / 2, 10, {220, 40, 40});
    p.rect(72, y + item - 1, ancho - 72, 1, {218, 218, 222});
    y += item;
  }
  return p;
}

// A photo: smooth value noise at two scales on a colour gradient.
inline Pagina foto(int ancho, int alto, uint32_t semilla) {
  Pagina p(ancho, alto);
  Azar azar(semilla);
  auto rejilla = [&](int paso) {
    const int gw = ancho / paso + 2, gh = alto / paso + 2;
    std::vector<float> g(std::size_t(gw) * gh * 3);
    for (float& v : g) v = float(entre(azar, 0, 255));
    return std::make_pair(g, gw);
  };
  const int pasoGrueso = 64, pasoFino = 13;
  const auto [gruesa, gwG] = rejilla(pasoGrueso);
  const auto [fina, gwF] = rejilla(pasoFino);
  auto muestra = [](const std::vector<float>& g, int gw, int paso, int x, int y, int c) {
    const int gx = x / paso, gy = y / paso;
    const float fx = float(x % paso) / paso, fy = float(y % paso) / paso;
    auto at = [&](int i, int j) { return g[(std::size_t(j) * gw + i) * 3 + c]; };
    return (at(gx, gy) * (1 - fx) + at(gx + 1, gy) * fx) * (1 - fy) +
           (at(gx, gy + 1) * (1 - fx) + at(gx + 1, gy + 1) * fx) * fy;
  };
  for (int y = 0; y < alto; ++y)
    for (int x = 0; x < ancho; ++x) {
      uint8_t* q = p.fila(y) + std::size_t(x) * 4;
      for (int c = 0; c < 3; ++c) {
        const float v = 0.6f * muestra(gruesa, gwG, pasoGrueso, x, y, c) +
                        0.25f * muestra(fina, gwF, pasoFino, x, y, c) +
                        0.15f * float((y / 4 + c * 60) % 256);
        q[c] = uint8_t(std::clamp(v, 0.0f, 255.0f));
      }
    }
  return p;
}

// What a scrolled area shows: fixed header rows, the page through the rows between, and fixed
// footer rows.
struct Ventana {
  int ancho = 0;
  int alto = 0;
  Pagina cabecera;  // alto 0: none
  Pagina pie;

  int contenido() const { return alto - cabecera.alto - pie.alto; }

  // The frame with the page's row `y` (and column `x`) at the top of the content rows.
  std::vector<uint8_t> cuadro(const Pagina& pagina, int y, int x = 0) const {
    Pagina f(ancho, alto);
    for (int r = 0; r < alto; ++r) {
      const uint8_t* origen = r < cabecera.alto ? cabecera.fila(r)
                              : r >= alto - pie.alto
                                  ? pie.fila(r - (alto - pie.alto))
                                  : pagina.fila(y + r - cabecera.alto) + std::size_t(x) * 4;
      std::memcpy(f.fila(r), origen, f.bytesPorFila());
    }
    return std::move(f.rgba);
  }

  // The picture a perfect stitch of frames from page rows `desde` to `hasta` (the top row of the
  // first and of the last frame's content) gives.
  Pagina esperada(const Pagina& pagina, int desde, int hasta) const {
    const int filas = cabecera.alto + (hasta - desde + contenido()) + pie.alto;
    Pagina r(ancho, filas);
    r.pegar(cabecera, 0);
    r.pegar(pagina.filas(desde, hasta - desde + contenido()), cabecera.alto);
    r.pegar(pie, filas - pie.alto);
    return r;
  }
};

// A bar of `filas` rows: a colour with a few glyphs on it (texture), or plain.
inline Pagina barra(int ancho, int filas, Color fondo, bool conTexto, uint32_t semilla) {
  Pagina p(ancho, filas, fondo);
  if (conTexto) {
    Azar azar(semilla);
    lineaDeTexto(p, azar, 24, filas / 2 - 5, ancho / 3, 2, {250, 250, 250});
    p.circulo(ancho - 30, filas / 2, std::min(12, filas / 2 - 1), {250, 200, 40});
  }
  return p;
}

// Scroll positions from `desde`, by steps cycling through `pasos`, not past `ultimo`.
inline std::vector<int> recorrido(int desde, int ultimo, const std::vector<int>& pasos) {
  std::vector<int> ys{desde};
  for (std::size_t i = 0; ys.back() < ultimo; ++i)
    ys.push_back(std::min(ultimo, ys.back() + pasos[i % pasos.size()]));
  return ys;
}

}  // namespace corvalin::stitch::paginas
