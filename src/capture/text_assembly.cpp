#include "capture/text_assembly.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace corvalin::ocr {

Resultado armar(std::vector<Cacho> cachos) {
  if (cachos.empty()) return {};
  std::vector<double> alturas;
  alturas.reserve(cachos.size());
  for (const Cacho& c : cachos) alturas.push_back(c.alto);
  std::sort(alturas.begin(), alturas.end());
  const double tolerancia = std::max(0.6 * alturas[alturas.size() / 2], 0.004);

  std::stable_sort(cachos.begin(), cachos.end(),
                   [](const Cacho& a, const Cacho& b) { return a.y > b.y; });
  std::vector<std::vector<Cacho>> lineas;
  for (Cacho& c : cachos) {
    // Measured against the line's first piece, so a line never creeps downward piece by piece.
    if (lineas.empty() || std::abs(c.y - lineas.back().front().y) > tolerancia) {
      lineas.emplace_back();
    }
    lineas.back().push_back(std::move(c));
  }

  QStringList textos;
  for (auto& linea : lineas) {
    std::stable_sort(linea.begin(), linea.end(),
                     [](const Cacho& a, const Cacho& b) { return a.x < b.x; });
    QStringList partes;
    for (const Cacho& c : linea) partes << c.texto;
    textos << partes.join(' ');
  }
  return {textos.join('\n'), int(lineas.size())};
}

Cacho cachoDeCaja(QString texto, QRect caja, QSize tamano) {
  Cacho c;
  c.texto = std::move(texto);
  if (tamano.width() <= 0 || tamano.height() <= 0) return c;
  const double w = tamano.width(), h = tamano.height();
  const double arriba = caja.top(), abajo = caja.top() + caja.height();
  c.x = caja.left() / w;
  c.alto = caja.height() / h;
  c.y = 1.0 - (arriba + abajo) / 2.0 / h;
  return c;
}

}  // namespace corvalin::ocr
