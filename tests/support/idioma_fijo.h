// Pins the interface language for a scope and puts the previous one back after it.
#pragma once

#include "core/texts.h"

namespace corvalin::prueba {

struct IdiomaFijo {
  explicit IdiomaFijo(Idioma i) : antes(idiomaActual()) { fijarIdiomaActual(i); }
  ~IdiomaFijo() { fijarIdiomaActual(antes); }
  Idioma antes;
};

}  // namespace corvalin::prueba
