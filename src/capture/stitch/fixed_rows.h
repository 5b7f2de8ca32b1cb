// Learning what stays put while the page moves: per signature entry, how many moving frames in a
// row it kept its value, and whether it is flat (a plain stretch looks the same scrolled or
// not, so only textured entries count as fixed).
#pragma once

#include <cstdint>
#include <vector>

namespace corvalin::stitch {

class Quietud {
 public:
  // Takes the signature of a new frame (`alto` rows) and updates what is fixed; `cabecera` and
  // `pie` bound the content rows in which fixed entries are counted as in the way.
  void marcarMuebles(const std::vector<float>& sig, int alto, int cabecera, int pie);

  // Whether entry i of the last signature is flat: like the entry 3 rows below (and above).
  bool esLisa(int i) const;
  // Rows from `desde`, stepping by `paso` (+1 or −1), whose four entries have stayed put for
  // cuadrosParaFilaFija moving frames; capped below a third of the frame, and 0 unless at least
  // one of them is textured.
  int filasFijas(int desde, int paso) const;

  // 1 per entry left out of the matching (fixed and textured), 0 otherwise.
  const std::vector<uint8_t>& excluidas() const { return excluida_; }
  bool hayExcluidas() const { return excluidas_ > 0; }

  int cuadrosConMovimiento() const { return cuadrosConMovimiento_; }
  int muebles() const { return muebles_; }
  int filaMuebles() const { return filaMuebles_; }

 private:
  std::vector<float> firmaAnterior_;
  std::vector<float> previa_;
  std::vector<int> quietud_;
  std::vector<uint8_t> plano_;
  std::vector<uint8_t> excluida_;
  int excluidas_ = 0;
  int alto_ = 0;
  int cuadrosConMovimiento_ = 0;
  int muebles_ = 0;
  int filaMuebles_ = 0;
};

}  // namespace corvalin::stitch
