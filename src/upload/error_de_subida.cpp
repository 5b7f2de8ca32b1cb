#include "upload/error_de_subida.h"

namespace corvalin {

QString ErrorDeSubida::descripcion() const {
  return std::visit([](const auto& e) { return e.descripcion(); }, v_);
}

bool ErrorDeSubida::esCancelacion() const {
  const ErrorDeRed* r = red();
  return r != nullptr && r->tipo == ErrorDeRed::Tipo::cancelado;
}

}  // namespace corvalin
