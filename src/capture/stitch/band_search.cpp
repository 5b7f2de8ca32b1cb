#include "capture/stitch/band_search.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <cstdlib>

#include "capture/stitch/row_signature.h"
#include "capture/stitch/stitch_limits.h"

namespace corvalin::stitch {

namespace {

// Sum of |a − b| over n floats, in eight lanes so that the compiler vectorises it without
// reassociating (the lanes are added in a fixed order: every build gives the same sum).
float diferencia(const float* a, const float* b, std::size_t n) {
  float carril[8] = {};
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8)
    for (int c = 0; c < 8; ++c) carril[c] += std::fabs(a[i + c] - b[i + c]);
  for (int c = 0; i < n; ++i, ++c) carril[c] += std::fabs(a[i] - b[i]);
  return ((carril[0] + carril[1]) + (carril[2] + carril[3])) +
         ((carril[4] + carril[5]) + (carril[6] + carril[7]));
}

float diferenciaPesada(const float* a, const float* b, const float* peso, std::size_t n) {
  float carril[8] = {};
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8)
    for (int c = 0; c < 8; ++c) carril[c] += peso[i + c] * std::fabs(a[i + c] - b[i + c]);
  for (int c = 0; i < n; ++i, ++c) carril[c] += peso[i] * std::fabs(a[i] - b[i]);
  return ((carril[0] + carril[1]) + (carril[2] + carril[3])) +
         ((carril[4] + carril[5]) + (carril[6] + carril[7]));
}

}  // namespace

BuscadorDeFranjas::Error BuscadorDeFranjas::errorDePixeles(const Franja& franja,
                                                           const Cuadro& cuadro, int fila) {
  Error error;
  const int ancho = cuadro.ancho;
  const int pixelesPorFila = (ancho + 2) / 3;
  // Every band row, not every second: content drawn in two-row blocks (anything scaled by two)
  // looks the same one row off on even rows alone.
  // Quarters where the frame has something fixed (a floating button) don't count towards
  // pixels that differ outright: the button sits on the frame's rows, and the known rows may
  // hold an earlier copy of it anywhere in its column.
  const std::array<bool, 4>& fuera = cuadro.columnasFijas;
  const int cuarto = ancho < 8 ? 1 : ancho / 4;
  for (int j = 0; j < franja.filas; ++j) {
    const uint8_t* a = franja.pixeles + static_cast<std::size_t>(j) * franja.bytesPorFila;
    const uint8_t* b = cuadro.pixeles + static_cast<std::size_t>(fila + j) * cuadro.bytesPorFila;
    uint32_t suma = 0;
    uint32_t distintos = 0;
    for (int x = 0; x < ancho; x += 3) {
      const std::size_t o = static_cast<std::size_t>(x) * 4;
      const int d =
          std::abs(a[o] - b[o]) + std::abs(a[o + 1] - b[o + 1]) + std::abs(a[o + 2] - b[o + 2]);
      suma += static_cast<uint32_t>(d);
      distintos += d > diferenciaFranca && !fuera[std::min(x / cuarto, 3)];
    }
    error.suma += suma;
    error.muestras += static_cast<uint64_t>(pixelesPorFila) * 3;
    error.distintos += distintos;
    error.pixeles += static_cast<uint64_t>(pixelesPorFila);
  }
  return error;
}

float BuscadorDeFranjas::parteExplicada(const Franja& franja, const Cuadro& cuadro, int fila,
                                        const Busqueda& busqueda) {
  // The whole overlap is judged, not only the band: the known rows beyond the band that the
  // frame also shows (down to revisarDesde, or up to revisarHasta) must be there too.
  int j0 = 0;
  int j1 = franja.filas;
  if (franja.haciaArriba)
    j0 = -std::clamp(fila - busqueda.revisarDesde, 0, franja.vecinas);
  else
    j1 += std::clamp(busqueda.revisarHasta - fila - franja.filas, 0, franja.vecinas);
  const std::size_t filas = static_cast<std::size_t>(j1 - j0);
  const float* conocida = franja.firma + static_cast<std::ptrdiff_t>(j0) * entradasPorFila;
  const std::size_t desde = static_cast<std::size_t>(fila + j0) * entradasPorFila;
  const float* vista = cuadro.firma + desde;
  const uint8_t* fuera = cuadro.excluidas ? cuadro.excluidas + desde : nullptr;

  // An entry is content when it stands apart from its quarter's median over those rows (their
  // plain background, when they have one).
  std::array<float, entradasPorFila> mediana{};
  columna_.resize(filas);
  for (int b = 0; b < entradasPorFila; ++b) {
    for (std::size_t j = 0; j < filas; ++j) columna_[j] = conocida[j * entradasPorFila + b];
    std::nth_element(columna_.begin(), columna_.begin() + filas / 2, columna_.end());
    mediana[b] = columna_[filas / 2];
  }
  int contenido = 0;
  int explicadas = 0;
  for (std::size_t i = 0; i < filas * entradasPorFila; ++i) {
    if (fuera && fuera[i]) continue;
    if (mismaEntrada(conocida[i], mediana[i % entradasPorFila])) continue;
    ++contenido;
    explicadas += mismaEntrada(conocida[i], vista[i]);
  }
  return contenido ? static_cast<float>(explicadas) / static_cast<float>(contenido) : 0.0f;
}

bool BuscadorDeFranjas::repetida(const Franja& franja, int alcance) {
  // Each band row is compared with the known row d rows further from the new rows (within the
  // band or among its neighbours), over the band rows that have one, at least franjaCorta.
  const int k = franja.filas;
  for (int d = distanciaSegundo; d <= alcance; ++d) {
    const int primera = franja.haciaArriba ? std::max(0, d - franja.vecinas) : 0;
    const int ultima = franja.haciaArriba ? k : std::min(k, k + franja.vecinas - d);
    if (ultima - primera < franjaCorta) continue;
    const std::ptrdiff_t salto = static_cast<std::ptrdiff_t>(franja.haciaArriba ? -d : d);
    const float* propia = franja.firma + static_cast<std::ptrdiff_t>(primera) * entradasPorFila;
    const std::size_t n = static_cast<std::size_t>(ultima - primera) * entradasPorFila;
    if (diferencia(propia, propia + salto * entradasPorFila, n) <
        margenAmbiguo * static_cast<float>(n))
      return true;
  }
  return false;
}

bool BuscadorDeFranjas::mejorFuera(const Franja& franja, const Cuadro& cuadro,
                                   const Busqueda& busqueda, int fila, float crudo) {
  // Mean entry difference with the band at `s`, over the band rows that fall in desde … hasta + k.
  const int k = franja.filas;
  auto parcial = [&](int s) {
    const int primera = std::max(0, busqueda.desde - s);
    const int ultima = std::min(k, busqueda.hasta + k - s);
    float suma = 0;
    int usadas = 0;
    for (int j = primera; j < ultima; ++j)
      for (int b = 0; b < entradasPorFila; ++b) {
        const std::size_t i = static_cast<std::size_t>(s + j) * entradasPorFila + b;
        if (cuadro.excluidas && cuadro.excluidas[i]) continue;
        suma += std::fabs(franja.firma[static_cast<std::size_t>(j) * entradasPorFila + b] -
                          cuadro.firma[i]);
        ++usadas;
      }
    return usadas >= k ? suma / static_cast<float>(usadas) : FLT_MAX;
  };
  for (int d = 1; d <= radioRefinado; ++d) {
    if (fila - busqueda.desde < radioRefinado && parcial(busqueda.desde - d) < crudo) return true;
    if (busqueda.hasta - fila < radioRefinado && parcial(busqueda.hasta + d) < crudo) return true;
  }
  return false;
}

Hallazgo BuscadorDeFranjas::buscar(const Franja& franja, const Cuadro& cuadro,
                                   const Busqueda& busqueda) {
  const int k = franja.filas;
  if (k < 1 || busqueda.hasta < busqueda.desde) return {};
  // A band that looks like itself moved by some rows (a repeating pattern, a plain run) can't
  // tell those rows apart: in a frame that shows only one of its places, it would still sit
  // there by chance.
  if (repetida(franja, busqueda.hasta + franja.filas)) return {Veredicto::ambiguo};
  const int posiciones = busqueda.hasta - busqueda.desde + 1;
  const std::size_t entradas = static_cast<std::size_t>(k) * entradasPorFila;
  costo_.resize(static_cast<std::size_t>(posiciones));
  crudo_.resize(static_cast<std::size_t>(posiciones));

  const bool conExcluidas = cuadro.excluidas != nullptr;
  if (conExcluidas) {
    // Weights for the frame's entries, and per row the excluded entries above it, so that the
    // entries used at each position come from two lookups.
    const int filasCuadro = busqueda.hasta + k;
    peso_.resize(static_cast<std::size_t>(filasCuadro) * entradasPorFila);
    excluidasHasta_.assign(static_cast<std::size_t>(filasCuadro) + 1, 0);
    for (int r = 0; r < filasCuadro; ++r) {
      int fuera = 0;
      for (int b = 0; b < entradasPorFila; ++b) {
        const std::size_t i = static_cast<std::size_t>(r) * entradasPorFila + b;
        fuera += cuadro.excluidas[i];
        peso_[i] = cuadro.excluidas[i] ? 0.0f : 1.0f;
      }
      excluidasHasta_[r + 1] = excluidasHasta_[r] + fuera;
    }
  }

  for (int p = 0; p < posiciones; ++p) {
    const int s = busqueda.desde + p;
    const float* f = cuadro.firma + static_cast<std::size_t>(s) * entradasPorFila;
    float suma;
    int usadas = static_cast<int>(entradas);
    if (conExcluidas) {
      usadas -= excluidasHasta_[s + k] - excluidasHasta_[s];
      // Too little left to judge this position on: then no position can be trusted.
      if (usadas < k) return {};
      suma = diferenciaPesada(
          franja.firma, f, peso_.data() + static_cast<std::size_t>(s) * entradasPorFila, entradas);
    } else {
      suma = diferencia(franja.firma, f, entradas);
    }
    crudo_[p] = suma / static_cast<float>(usadas);
    costo_[p] = crudo_[p] + castigoPorFila * static_cast<float>(std::abs(s - busqueda.esperada));
  }

  int mejor = 0;
  for (int p = 1; p < posiciones; ++p)
    if (costo_[p] < costo_[mejor]) mejor = p;
  float segundo = FLT_MAX;
  float crudoLejano = FLT_MAX;
  for (int p = 0; p < posiciones; ++p) {
    if (std::abs(p - mejor) < distanciaSegundo) continue;
    segundo = std::min(segundo, costo_[p]);
    crudoLejano = std::min(crudoLejano, crudo_[p]);
  }

  const float tope = busqueda.exigente ? costoMaximoExigente : costoMaximo;
  const float ventaja = busqueda.exigente ? ventajaRelativaExigente : ventajaRelativa;
  auto destaca = [&](float propio, float otro) {
    return propio < tope && (propio * ventaja < otro || propio + ventajaAbsoluta < otro);
  };
  // Judged with the distance penalty, as the usual step would have it, or on content alone: a
  // step much longer than the last one puts its exact match far from the expected place, and
  // the penalty alone must not make a worse place nearer by look as good.
  if (!destaca(costo_[mejor], segundo) && !destaca(crudo_[mejor], crudoLejano))
    return {costo_[mejor] < tope ? Veredicto::ambiguo : Veredicto::ninguno};
  // The distance penalty may only break ties between places the content tells apart; where a
  // far place explains the band as well (a plain stretch, a repeating pattern), choosing by
  // the usual step would join at a guessed offset.
  if (crudoLejano < crudo_[mejor] + margenAmbiguo) return {Veredicto::ambiguo};
  // A mean over the band lets a mostly plain band "match" plain rows while its few lines of
  // content match nothing, and lets similar content (list items, lines of text) pass for the
  // same: most of the band's content entries must be found unchanged at the position. Content
  // that only differs where something sits on top of it (not yet known as fixed) still does.
  const float explicada = parteExplicada(franja, cuadro, busqueda.desde + mejor, busqueda);
  if (!(explicada >= contenidoExplicado)) return {Veredicto::ambiguo};

  // Next to an end of the range the band may really sit a few rows past it, partly outside the
  // frame (a step a little longer than the frame allows for this band), with a neighbour that
  // looks almost the same inside: then this band can't place the frame, a shorter one may.
  if (mejorFuera(franja, cuadro, busqueda, busqueda.desde + mejor, crudo_[mejor])) return {};

  // Pixels decide between the neighbours. Their error is compared exactly, and on a tie the
  // position the signatures chose wins: on smooth content several neighbours round to the same
  // mean, and the first of them would be up to three rows off.
  const int centro = busqueda.desde + mejor;
  const int desde = std::max(centro - radioRefinado, busqueda.desde);
  const int hasta = std::min(centro + radioRefinado, busqueda.hasta);
  int elegida = centro;
  Error menor = errorDePixeles(franja, cuadro, centro);
  for (int s = desde; s <= hasta; ++s) {
    if (s == centro) continue;
    const Error e = errorDePixeles(franja, cuadro, s);
    if (e.suma < menor.suma ||
        (e.suma == menor.suma && std::abs(s - centro) < std::abs(elegida - centro))) {
      menor = e;
      elegida = s;
    }
  }
  const int limite = busqueda.exigente ? errorMaximoExigente : errorMaximo;
  if (menor.media() >= limite) return {};
  if (menor.distintos * pixelesPorDistinto > menor.pixeles) return {};
  return {
      Veredicto::hallado, elegida,
      menor.muestras ? static_cast<double>(menor.suma) / static_cast<double>(menor.muestras) : 0.0};
}

}  // namespace corvalin::stitch
