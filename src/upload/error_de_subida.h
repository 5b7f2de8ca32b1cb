// Any reason an upload failed: the own bucket's, the hosted service's or the network's. Callers
// show `descripcion()` and stay silent on a cancellation.
#pragma once

#include <QString>
#include <variant>

#include "upload/enviador.h"
#include "upload/nube_error.h"
#include "upload/s3_error.h"

namespace corvalin {

class ErrorDeSubida {
 public:
  ErrorDeSubida(S3Error e) : v_(std::move(e)) {}
  ErrorDeSubida(NubeError e) : v_(std::move(e)) {}
  ErrorDeSubida(ErrorDeRed e) : v_(std::move(e)) {}

  QString descripcion() const;
  bool esCancelacion() const;

  const S3Error* s3() const { return std::get_if<S3Error>(&v_); }
  const NubeError* nube() const { return std::get_if<NubeError>(&v_); }
  const ErrorDeRed* red() const { return std::get_if<ErrorDeRed>(&v_); }

 private:
  std::variant<S3Error, NubeError, ErrorDeRed> v_;
};

// A value or the reason there is none.
template <typename T>
using Resultado = std::variant<T, ErrorDeSubida>;

}  // namespace corvalin
