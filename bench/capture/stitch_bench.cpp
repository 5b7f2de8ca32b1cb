// The long capture's stitcher: frames per second on areas of 1000 × 900 and 1920 × 1080 over a
// long article scrolled by uneven steps (it must keep up with 30 frames per second with room to
// spare), and how often a stitch comes out exact over a corpus of page kinds and step patterns.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <optional>

#include "capture/stitch/scroll_stitcher.h"
#include "capture/stitch_pages.h"

namespace corvalin::stitch {
namespace {

using paginas::Pagina;
using paginas::Ventana;

// A long article: text, a photo, a list, a plain stretch, more text.
Pagina mixta(int ancho, int alto, uint32_t semilla, int lisa = 300) {
  Pagina p(ancho, alto);
  const int a = alto / 4, b = alto / 6, c = alto / 4;
  p.pegar(paginas::texto(ancho, a, semilla), 0);
  p.pegar(paginas::foto(ancho, b, semilla + 1), a);
  p.pegar(paginas::lista(ancho, c, semilla + 2), a + b);
  p.rect(0, a + b + c, ancho, lisa, {236, 240, 244});
  p.pegar(paginas::texto(ancho, alto - (a + b + c + lisa), semilla + 3), a + b + c + lisa);
  return p;
}

// A floating button, pasted on a frame at the same place of the area whatever the scroll.
struct Boton {
  int x = 0, y = 0, radio = 26;
  void pintar(std::vector<uint8_t>& cuadro, int ancho) const {
    Pagina f(ancho, 0);
    f.alto = int(cuadro.size() / (std::size_t(ancho) * 4));
    f.rgba = std::move(cuadro);
    f.circulo(x, y, radio, {20, 110, 230});
    f.rect(x - 10, y - 2, 20, 4, {255, 255, 255});
    cuadro = std::move(f.rgba);
  }
};

// Uneven steps as a wheel and a touchpad give them: a few rows, a notch, a flick.
const std::vector<int> pasosReales{3, 18, 40, 72, 110, 9, 150, 55, 26, 230, 64, 14, 95, 180, 33};

void BM_FramesPerSecond(benchmark::State& state) {
  const int ancho = static_cast<int>(state.range(0));
  const int alto = static_cast<int>(state.range(1));
  static std::unique_ptr<Pagina> pagina;
  if (!pagina || pagina->ancho != ancho)
    pagina = std::make_unique<Pagina>(mixta(ancho, 9000, 2024, 200));
  const std::vector<int> ys = paginas::recorrido(0, pagina->alto - alto, pasosReales);
  auto cosedor = std::make_unique<Cosedor>();
  std::size_t i = 0;
  int64_t unidos = 0;
  for (auto _ : state) {
    if (i == ys.size()) {
      state.PauseTiming();
      cosedor = std::make_unique<Cosedor>();
      i = 0;
      state.ResumeTiming();
    }
    // The frame is the page's rows in place: no copy, as a grab buffer would be handed over.
    const Resultado r =
        cosedor->procesar(pagina->fila(ys[i++]), ancho, alto, pagina->bytesPorFila());
    unidos += r == Resultado::abajo || r == Resultado::primero;
  }
  state.counters["frames/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["joined"] =
      benchmark::Counter(static_cast<double>(unidos) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_FramesPerSecond)->Args({1000, 900})->Args({1920, 1080})->Unit(benchmark::kMillisecond);

enum class Desenlace { exacto, hueco, errado };

// Exact: the picture is the covered span. A gap: it is a shorter span of the page (between the
// same header and footer), so nothing in it is wrong. Anything else is a wrong join. Columns
// [x0, x1) are left out: a floating button is pasted wherever the rows under it were taken
// from the frame, which says nothing about where they were joined.
Desenlace juzgar(const Imagen& imagen, const Ventana& v, const Pagina& pagina, int desde, int hasta,
                 int x0, int x1) {
  const Pagina esperada = v.esperada(pagina, desde, hasta);
  if (imagen.ancho != esperada.ancho || imagen.alto > esperada.alto || imagen.alto < v.alto)
    return Desenlace::errado;
  const std::size_t bytes = esperada.bytesPorFila();
  auto filaIgual = [&](int r, const uint8_t* fila) {
    const uint8_t* f = imagen.rgba.data() + std::size_t(r) * bytes;
    return std::memcmp(f, fila, std::size_t(x0) * 4) == 0 &&
           std::memcmp(f + std::size_t(x1) * 4, fila + std::size_t(x1) * 4,
                       std::size_t(v.ancho - x1) * 4) == 0;
  };
  const int cab = v.cabecera.alto, pie = v.pie.alto;
  const int cuerpo = imagen.alto - cab - pie;
  for (int r = 0; r < cab; ++r)
    if (!filaIgual(r, v.cabecera.fila(r))) return Desenlace::errado;
  for (int r = 0; r < pie; ++r)
    if (!filaIgual(cab + cuerpo + r, v.pie.fila(r))) return Desenlace::errado;
  // The body must be one run of page rows inside the covered span.
  for (int y = desde; y + cuerpo <= hasta + v.contenido(); ++y) {
    bool igual = true;
    for (int r = 0; r < cuerpo && igual; ++r) igual = filaIgual(cab + r, pagina.fila(y + r));
    if (igual) return imagen.alto == esperada.alto ? Desenlace::exacto : Desenlace::hueco;
  }
  return Desenlace::errado;
}

struct Corpus {
  std::vector<Pagina> paginas;
  std::vector<std::vector<int>> pasos;
};

void BM_ExactJoins(benchmark::State& state) {
  const int ancho = 800, alto = 600;
  Corpus corpus;
  for (uint32_t semilla : {11u, 12u}) {
    corpus.paginas.push_back(paginas::texto(ancho, 4000, semilla));
    corpus.paginas.push_back(paginas::lista(ancho, 4000, semilla));
    corpus.paginas.push_back(paginas::foto(ancho, 4000, semilla));
    corpus.paginas.push_back(mixta(ancho, 6000, semilla, 250));
  }
  corpus.pasos = {{100}, {1, 5, 9, 2, 7}, {300, 80, 410, 20}, pasosReales, {150, 220, 60, 10, 400}};
  std::vector<Ventana> ventanas(3);
  std::vector<std::optional<Boton>> botones(3);
  for (Ventana& v : ventanas) {
    v.ancho = ancho;
    v.alto = alto;
  }
  ventanas[1].cabecera = paginas::barra(ancho, 56, {38, 42, 50}, true, 1);
  ventanas[1].pie = paginas::barra(ancho, 44, {30, 90, 160}, true, 2);
  ventanas[2].cabecera = paginas::barra(ancho, 28, {244, 244, 244}, false, 3);
  botones[2] = Boton{ancho - 60, 200};

  int exactos = 0, huecos = 0, errados = 0, total = 0;
  for (auto _ : state) {
    exactos = huecos = errados = total = 0;
    for (const Pagina& pagina : corpus.paginas)
      for (const std::vector<int>& pasos : corpus.pasos)
        for (std::size_t k = 0; k < ventanas.size(); ++k) {
          const Ventana& v = ventanas[k];
          const int ultimo = std::min(pagina.alto - v.contenido(), 2600);
          const std::vector<int> ys = paginas::recorrido(0, ultimo, pasos);
          Cosedor cosedor;
          for (int y : ys) {
            std::vector<uint8_t> cuadro = v.cuadro(pagina, y);
            if (botones[k]) botones[k]->pintar(cuadro, v.ancho);
            cosedor.procesar(cuadro.data(), v.ancho, v.alto, std::size_t(v.ancho) * 4);
          }
          const Imagen imagen = cosedor.armarImagen();
          int x0 = v.ancho, x1 = v.ancho;
          if (botones[k]) {
            x0 = botones[k]->x - botones[k]->radio - 1;
            x1 = botones[k]->x + botones[k]->radio + 2;
          }
          switch (juzgar(imagen, v, pagina, ys.front(), ys.back(), x0, x1)) {
            case Desenlace::exacto:
              ++exactos;
              break;
            case Desenlace::hueco:
              ++huecos;
              break;
            case Desenlace::errado:
              ++errados;
              break;
          }
          ++total;
        }
  }
  state.counters["exact"] = double(exactos) / total;
  state.counters["gap"] = double(huecos) / total;
  state.counters["wrong"] = double(errados) / total;
  state.counters["stitches"] = total;
}
BENCHMARK(BM_ExactJoins)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace corvalin::stitch

BENCHMARK_MAIN();
