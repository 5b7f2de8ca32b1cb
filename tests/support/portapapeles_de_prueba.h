// A clipboard that keeps what it was given last: text, a picture or files.
#pragma once

#include <QImage>
#include <QStringList>

#include "platform/clipboard.h"

namespace corvalin::prueba {

class PortapapelesDePrueba final : public Clipboard {
 public:
  void ponerTexto(const QString& t) override { texto_ = t, imagen_ = {}, archivos.clear(); }
  void ponerImagen(const QImage& i) override { imagen_ = i, texto_.clear(), archivos.clear(); }
  void ponerArchivos(const QStringList& r) override { archivos = r, imagen_ = {}, texto_.clear(); }
  QImage imagen() const override { return imagen_; }
  bool tieneImagen() const override { return !imagen_.isNull() || ilegible; }
  QString texto() const override { return texto_; }

  QStringList archivos;
  QString texto_;
  QImage imagen_;
  bool ilegible = false;  // a picture is offered that can't be decoded
};

}  // namespace corvalin::prueba
