// Finding where a band of known rows sits in a new frame: a scan over row signatures, a check
// that the content (not the preference for the usual step) singled the position out, and a
// confirmation on pixels around the winner.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvalin::stitch {

// The known rows: `filas` rows of RGBA pixels and their signatures (4 per row). `vecinas`
// more rows of signatures follow the band's in memory on the side away from the frame's new
// rows (above it when `haciaArriba`, below otherwise): the band must not repeat among them.
struct Franja {
  const uint8_t* pixeles = nullptr;
  std::size_t bytesPorFila = 0;
  const float* firma = nullptr;
  int filas = 0;
  int vecinas = 0;
  bool haciaArriba = true;
};

// The frame searched, with its signatures and the entries left out of the matching (1 each;
// nullptr when none is).
struct Cuadro {
  const uint8_t* pixeles = nullptr;
  std::size_t bytesPorFila = 0;
  int ancho = 0;
  const float* firma = nullptr;
  const uint8_t* excluidas = nullptr;
  // Quarters with a fixed entry anywhere in the frame (a floating button's column).
  std::array<bool, 4> columnasFijas{};
};

// Candidate frame rows for the band's first row, desde … hasta, and the one a usual step
// would give. Frame rows revisarDesde … revisarHasta − 1 may show known rows beyond the band.
struct Busqueda {
  int desde = 0;
  int hasta = -1;
  int esperada = 0;
  bool exigente = false;
  int revisarDesde = 0;
  int revisarHasta = 0;
};

enum class Veredicto {
  ninguno,  // the band is not in the frame, or not clearly enough
  ambiguo,  // it fits several places about equally well: a taller band may tell them apart
  hallado,
};

struct Hallazgo {
  Veredicto veredicto = Veredicto::ninguno;
  int fila = -1;     // where the band's first row sits, when found
  double error = 0;  // the pixels' mean channel error there
};

// Keeps its work arrays between frames; one per stitcher.
class BuscadorDeFranjas {
 public:
  Hallazgo buscar(const Franja& franja, const Cuadro& cuadro, const Busqueda& busqueda);

  // The mean channel error between the band and the frame rows from `fila` on, over every band
  // row and every third pixel, as a sum (for ties) and as the integer mean.
  struct Error {
    uint64_t suma = 0;
    uint64_t muestras = 0;
    // Sampled pixels that differ outright (not a tint), and all the sampled pixels.
    uint64_t distintos = 0;
    uint64_t pixeles = 0;
    int media() const { return muestras ? static_cast<int>(suma / muestras) : 0; }
  };
  static Error errorDePixeles(const Franja& franja, const Cuadro& cuadro, int fila);

 private:
  std::vector<float> costo_;
  std::vector<float> crudo_;
  std::vector<float> peso_;
  std::vector<int> excluidasHasta_;
  std::vector<float> columna_;

  // Whether the known rows repeat: the band matches, over at least franjaCorta of its rows, the
  // known rows d = distanciaSegundo … `alcance` rows away from it.
  static bool repetida(const Franja& franja, int alcance);
  // Whether, with the best position `fila` near an end of the range, a position up to
  // radioRefinado rows past that end (the band partly outside) fits the rows it covers better.
  static bool mejorFuera(const Franja& franja, const Cuadro& cuadro, const Busqueda& busqueda,
                         int fila, float crudo);
  // Share of the band's content entries (those apart from their quarter's median) that the
  // frame shows unchanged with the band at `fila`; 0 for a band without content.
  float parteExplicada(const Franja& franja, const Cuadro& cuadro, int fila,
                       const Busqueda& busqueda);
};

}  // namespace corvalin::stitch
