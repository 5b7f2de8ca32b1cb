// Recognised words put back together as the text copied to the clipboard, for any picture size
// and any words and boxes the engine may report: each word once, lines from the top down, each
// read left to right, whatever the words say.
#include <fuzzer/FuzzedDataProvider.h>

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "capture/text_assembly.h"

namespace {

using corvalin::ocr::Cacho;

// A screen at most this wide, and a long capture at most this tall.
constexpr int kAnchoMaximo = 20000;
constexpr int kAltoMaximo = 100000;
constexpr size_t kPalabrasMaximas = 400;
constexpr size_t kLetrasMaximas = 24;

// The engine's words are trimmed and never split by a space or a line break.
QString palabraDe(const std::string& crudo) {
  QString palabra;
  for (const QChar c : QString::fromUtf8(crudo.data(), static_cast<qsizetype>(crudo.size()))) {
    if (!c.isSpace()) palabra += c;
  }
  return palabra;
}

// The word order armar promises: lines from the highest middle down, a piece joining the line
// while within the tolerance of the line's first (highest) piece; each line read left to right,
// ties kept in the order the pieces came in.
void comprobarOrden(const std::vector<Cacho>& cachos, const std::vector<std::vector<int>>& lineas) {
  std::vector<double> alturas;
  for (const Cacho& c : cachos) alturas.push_back(c.alto);
  std::sort(alturas.begin(), alturas.end());
  const double tolerancia = std::max(0.6 * alturas[alturas.size() / 2], 0.004);

  const Cacho* cabezaAnterior = nullptr;
  double minimoAnterior = 0;
  for (const std::vector<int>& linea : lineas) {
    // The line's first piece: the highest, the earliest of equals.
    int cabeza = linea.front();
    for (int i : linea) {
      if (cachos[i].y > cachos[cabeza].y || (cachos[i].y == cachos[cabeza].y && i < cabeza)) {
        cabeza = i;
      }
    }
    const Cacho& primera = cachos[cabeza];
    double minimo = primera.y;
    for (size_t k = 0; k < linea.size(); ++k) {
      const Cacho& c = cachos[linea[k]];
      if (std::abs(c.y - primera.y) > tolerancia) __builtin_trap();
      minimo = std::min(minimo, c.y);
      if (k == 0) continue;
      const int a = linea[k - 1], b = linea[k];
      const Cacho& antes = cachos[a];
      const bool enOrden =
          antes.x < c.x || (antes.x == c.x && (antes.y > c.y || (antes.y == c.y && a < b)));
      if (!enOrden) __builtin_trap();
    }
    if (cabezaAnterior != nullptr) {
      // Everything on the line above is at least as high as this line, whose first piece was
      // too far below the first piece above to join it.
      if (minimoAnterior < primera.y) __builtin_trap();
      if (!(std::abs(primera.y - cabezaAnterior->y) > tolerancia)) __builtin_trap();
    }
    cabezaAnterior = &primera;
    minimoAnterior = minimo;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider datos(data, size);
  const QSize tamano(datos.ConsumeIntegralInRange<int>(1, kAnchoMaximo),
                     datos.ConsumeIntegralInRange<int>(1, kAltoMaximo));
  // Boxes as the engine reports them: pixels of the picture, top-left origin, right and bottom
  // edges exclusive.
  std::vector<Cacho> cachos;
  std::vector<Cacho> numerados;
  while (datos.remaining_bytes() > 0 && cachos.size() < kPalabrasMaximas) {
    QString palabra = palabraDe(datos.ConsumeRandomLengthString(kLetrasMaximas));
    const int l = datos.ConsumeIntegralInRange<int>(0, tamano.width());
    const int r = datos.ConsumeIntegralInRange<int>(l, tamano.width());
    const int t = datos.ConsumeIntegralInRange<int>(0, tamano.height());
    const int b = datos.ConsumeIntegralInRange<int>(t, tamano.height());
    if (palabra.isEmpty()) continue;  // the engine drops empty words
    const QRect caja(l, t, r - l, b - t);
    numerados.push_back(
        corvalin::ocr::cachoDeCaja(QString::number(numerados.size()), caja, tamano));
    cachos.push_back(corvalin::ocr::cachoDeCaja(std::move(palabra), caja, tamano));
  }

  // Every position is a fraction of the picture, y growing upward.
  for (const Cacho& c : cachos) {
    if (!(c.x >= 0 && c.x <= 1 && c.y >= 0 && c.y <= 1 && c.alto >= 0 && c.alto <= 1)) {
      __builtin_trap();
    }
  }

  const corvalin::ocr::Resultado porNumero = corvalin::ocr::armar(numerados);
  const corvalin::ocr::Resultado texto = corvalin::ocr::armar(cachos);
  if (cachos.empty()) {
    if (!texto.texto.isEmpty() || texto.lineas != 0) __builtin_trap();
    return 0;
  }

  // Numbered pieces in the same boxes: each number once, as many lines as it says.
  const QStringList renglones = porNumero.texto.split(QLatin1Char('\n'));
  if (porNumero.lineas != renglones.size()) __builtin_trap();
  if (porNumero.lineas < 1 || porNumero.lineas > static_cast<int>(cachos.size())) __builtin_trap();
  std::vector<std::vector<int>> lineas;
  std::vector<bool> visto(cachos.size(), false);
  for (const QString& renglon : renglones) {
    std::vector<int> linea;
    for (const QString& numero : renglon.split(QLatin1Char(' '))) {
      bool ok = false;
      const int i = numero.toInt(&ok);
      if (!ok || i < 0 || i >= static_cast<int>(cachos.size()) || visto[i]) __builtin_trap();
      visto[i] = true;
      linea.push_back(i);
    }
    lineas.push_back(std::move(linea));
  }
  if (std::find(visto.begin(), visto.end(), false) != visto.end()) __builtin_trap();
  comprobarOrden(cachos, lineas);

  // What the words say changes nothing of where they go: the copied text is the same
  // arrangement, made of the words alone, one space between words and a line break between lines.
  QStringList esperados;
  for (const std::vector<int>& linea : lineas) {
    QStringList partes;
    for (int i : linea) partes << cachos[i].texto;
    esperados << partes.join(QLatin1Char(' '));
  }
  if (texto.texto != esperados.join(QLatin1Char('\n'))) __builtin_trap();
  if (texto.lineas != porNumero.lineas) __builtin_trap();
  return 0;
}
