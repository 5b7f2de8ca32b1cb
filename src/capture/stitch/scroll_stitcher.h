// The long capture's stitcher: takes the frames of a fixed screen area while its content
// scrolls, finds where each continues the picture built so far (below or above), keeps only
// the new rows, and learns which rows stay put (headers, footers, floating buttons) so that they
// appear once and stay out of the matching. Plain bytes in and out; not thread-safe: the
// caller hands it one frame at a time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "capture/stitch/band_search.h"
#include "capture/stitch/fixed_rows.h"
#include "capture/stitch/stitch_limits.h"

namespace corvalin::stitch {

// RGBA, premultiplied, R G B A byte order, rows of ancho × 4 bytes with no padding.
struct Imagen {
  int ancho = 0;
  int alto = 0;
  std::vector<uint8_t> rgba;
  bool vacia() const { return ancho < 1 || alto < 1; }
};

// What a frame did to the picture.
enum class Resultado {
  primero,     // the first frame: the picture starts with it
  abajo,       // new rows below
  arriba,      // new rows above
  nada,        // not placed, or nothing new in it (counts towards being lost)
  otraMedida,  // another size than the first frame: dropped
  tope,        // the picture is as tall as it may get: ignored
  ilegible,    // no pixels, or rows shorter than the width says: dropped
};

// Where fixed content sits in the area, for the warning that it is in the way.
enum class Estorbo { ninguno, arriba, enMedio, abajo };

class Cosedor {
 public:
  // One frame, `alto` rows of `ancho` RGBA pixels, rows `bytesPorFila` apart.
  Resultado procesar(const uint8_t* rgba, int ancho, int alto, std::size_t bytesPorFila);

  // The stitched picture, top to bottom: header, rows found above the first frame, the first
  // frame and what followed it, footer. Empty before the first frame.
  Imagen armarImagen() const;

  int ancho() const { return ancho_; }
  int alto() const { return alto_; }
  // Fixed rows at the top and at the bottom of the area, once decided (after cuadrosParaBanda
  // moving frames). They lead and end the picture when it began and ended with them.
  int cabecera() const { return cabecera_; }
  int pie() const { return pie_; }
  // Fixed, textured signature entries inside the content rows, and their mean row.
  int muebles() const { return quietud_.muebles(); }
  int filaMuebles() const { return quietud_.filaMuebles(); }
  int filasAcumuladas() const { return filasAcumuladas_; }
  int filasArriba() const { return filasArriba_; }
  // Height of armarImagen().
  int filasTotales() const {
    return filasDe(cabeceraPixeles_) + filasArriba_ + filasAcumuladas_ + filasDe(piePixeles_);
  }
  // Frames in a row that added nothing; past saltadosParaPerderse the user should slow down.
  int saltados() const { return saltados_; }
  bool perdido() const { return saltados_ > saltadosParaPerderse; }
  // Which third of the area filaMuebles() falls in; ninguno before the first frame.
  Estorbo dondeEstorba() const;

 private:
  // Rows found above the first frame, with their signatures.
  struct Trozo {
    std::vector<uint8_t> pixeles;
    std::vector<float> firma;
    int filas = 0;
  };
  struct Frame {
    const uint8_t* rgba;
    std::size_t bytesPorFila;
    const uint8_t* fila(int y) const { return rgba + static_cast<std::size_t>(y) * bytesPorFila; }
  };

  // Where the frame continues the picture below (the first frame row after the known rows) or
  // above (where the picture's top sits), with the pixels' error there; fila −1: nowhere.
  struct Encuentro {
    int fila = -1;
    double error = 0;
    bool hallado() const { return fila >= 0; }
  };
  Encuentro encontrarAbajo(const Frame& cuadro, int cola, int cabeza);
  Encuentro encontrarArriba(const Frame& cuadro, int cola, int cabeza);
  bool unirAbajo(const Frame& cuadro, int cola, int t);
  bool unirArriba(const Frame& cuadro, int cabeza, int h);
  // Where acumulado's row A − cola sits in the frame (the first frame row after the band), when
  // the rows above it are found; the frame's first `cabeza` content rows may be a header.
  int buscarCola(const Frame& cuadro, int k, bool exigente, int cola, int cabeza, double* error);
  // Where the picture's row `cabeza` (from the top, header excluded) sits in the frame; its last
  // `cola` content rows may be a footer.
  int buscarCabeza(const Frame& cuadro, int k, bool exigente, int cabeza, int cola, double* error);
  // Trailing (leading) rows of the content area equal to the picture's last (first) rows: a
  // footer (header) not yet decided, or a plain stretch; the band is taken above (below) them.
  int colaQuieta() const;
  int cabezaQuieta() const;
  // The band's height: k, or more when the k rows from `desde` (stepping by `paso` rows) are
  // plain; -1 when no band of up to `maximo` rows holds any content.
  static int altoDeFranja(const float* desde, int paso, int k, int maximo);

  void decidirBandas(const Frame& cuadro);
  // The `n` fixed rows from the frame's edge row `borde` inwards (`paso` ±1), without a plain
  // run on their inner side.
  int sinFondo(int borde, int paso, int n) const;
  void recordarTope(const uint8_t* pixeles, const float* firma, int n, int descartar);
  void recalcularTope();
  void quitarArriba(int n);
  Cuadro vistaDe(const Frame& cuadro) const;

  std::size_t bytesFila() const { return static_cast<std::size_t>(ancho_) * 4; }
  int filasDe(const std::vector<uint8_t>& pixeles) const {
    return ancho_ ? static_cast<int>(pixeles.size() / bytesFila()) : 0;
  }
  int filasTope() const { return static_cast<int>(topeFirma_.size() / 4); }
  void copiarFilas(const Frame& cuadro, int desde, int hasta, std::vector<uint8_t>& destino) const;

  int ancho_ = 0;
  int alto_ = 0;
  std::vector<uint8_t> acumulado_;
  std::vector<float> firmaAcumulada_;
  int filasAcumuladas_ = 0;
  std::vector<Trozo> trozosArriba_;  // in the order found: the last one is the topmost
  int filasArriba_ = 0;
  // The picture's topmost rows (header excluded), up to one frame's height.
  std::vector<uint8_t> topePixeles_;
  std::vector<float> topeFirma_;
  int avanceTipicoArriba_ = 0;
  int avanceTipico_ = 0;
  int saltados_ = 0;
  Quietud quietud_;
  int cabecera_ = 0;
  int pie_ = 0;
  std::vector<uint8_t> cabeceraPixeles_;
  std::vector<uint8_t> piePixeles_;
  bool bandasDecididas_ = false;

  std::vector<float> firma_;             // the current frame's
  std::array<bool, 4> columnasFijas_{};  // the current frame's quarters with a fixed entry
  std::vector<uint8_t> topeNuevo_;
  std::vector<float> topeFirmaNueva_;
  BuscadorDeFranjas buscador_;
};

}  // namespace corvalin::stitch
