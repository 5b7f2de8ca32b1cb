#include "capture/stitch/scroll_stitcher.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "capture/stitch/row_signature.h"

namespace corvalin::stitch {

namespace {

constexpr std::size_t e4(int filas) {
  return static_cast<std::size_t>(filas) * entradasPorFila;
}

// Whether `filas` rows of two row sources have the same signatures.
bool mismasFilas(const float* a, const float* b, int filas) {
  for (int r = 0; r < filas; ++r)
    if (!mismaFila(a + e4(r), b + e4(r))) return false;
  return true;
}

}  // namespace

Resultado Cosedor::procesar(const uint8_t* rgba, int ancho, int alto, std::size_t bytesPorFila) {
  if (!rgba || ancho < 1 || alto < 1 || bytesPorFila < static_cast<std::size_t>(ancho) * 4)
    return Resultado::ilegible;
  if (ancho_ == 0) {
    ancho_ = ancho;
    alto_ = alto;
  } else if (ancho != ancho_ || alto != alto_) {
    return Resultado::otraMedida;
  }
  if (static_cast<long long>(filasAcumuladas_) + filasArriba_ + alto_ >= filasMaximas)
    return Resultado::tope;

  const Frame cuadro{rgba, bytesPorFila};
  firma(rgba, ancho_, alto_, bytesPorFila, firma_);
  quietud_.marcarMuebles(firma_, alto_, cabecera_, pie_);
  columnasFijas_ = {};
  if (quietud_.hayExcluidas())
    for (std::size_t i = 0; i < quietud_.excluidas().size(); ++i)
      columnasFijas_[i % entradasPorFila] |= quietud_.excluidas()[i] != 0;

  if (filasAcumuladas_ == 0) {
    copiarFilas(cuadro, 0, alto_, acumulado_);
    firmaAcumulada_ = firma_;
    filasAcumuladas_ = alto_;
    recordarTope(acumulado_.data(), firmaAcumulada_.data(), alto_, 0);
    return Resultado::primero;
  }

  if (!bandasDecididas_ && quietud_.cuadrosConMovimiento() >= cuadrosParaBanda)
    decidirBandas(cuadro);
  // Rows at either end of the content that did not change since the picture's own rows there
  // were taken: a header or footer not decided yet, or a plain stretch.
  const int cola = colaQuieta();
  const int cabeza = cabezaQuieta();
  // Screens repeat pixels exactly: a join below without a single differing pixel is taken at
  // once. Otherwise the frame is also looked for above, and the closer match wins: lines of a
  // list or a text, alike but for a few pixels, can pass for the rows below the picture when
  // the page really went up.
  const Encuentro abajo = encontrarAbajo(cuadro, cola, cabeza);
  if (abajo.hallado() && abajo.error == 0 && unirAbajo(cuadro, cola, abajo.fila))
    return Resultado::abajo;
  const Encuentro arriba = encontrarArriba(cuadro, cola, cabeza);
  if (arriba.hallado() && (!abajo.hallado() || arriba.error < abajo.error) &&
      unirArriba(cuadro, cabeza, arriba.fila))
    return Resultado::arriba;
  if (abajo.hallado() && unirAbajo(cuadro, cola, abajo.fila)) return Resultado::abajo;
  if (arriba.hallado() && unirArriba(cuadro, cabeza, arriba.fila)) return Resultado::arriba;
  ++saltados_;
  return Resultado::nada;
}

Cosedor::Encuentro Cosedor::encontrarAbajo(const Frame& cuadro, int cola, int cabeza) {
  // The rows at the bottom that stayed put are kept out of the band and taken again from this
  // frame: a footer not decided yet would otherwise sit in the band (and, once joined, in the
  // middle of the picture, over the rows it hid).
  Encuentro e;
  e.fila = buscarCola(cuadro, franjaLarga, false, cola, cabeza, &e.error);
  if (e.fila < 0) e.fila = buscarCola(cuadro, franjaCorta, true, cola, cabeza, &e.error);
  return e;
}

Cosedor::Encuentro Cosedor::encontrarArriba(const Frame& cuadro, int cola, int cabeza) {
  // The rows at the top that stayed put (a header not decided yet) are left out of the band,
  // as at the bottom, and come back with the frame's rows above.
  Encuentro e;
  e.fila = buscarCabeza(cuadro, franjaLarga, false, cabeza, cola, &e.error);
  if (e.fila < 0) e.fila = buscarCabeza(cuadro, franjaCorta, true, cabeza, cola, &e.error);
  return e;
}

void Cosedor::copiarFilas(const Frame& cuadro, int desde, int hasta,
                          std::vector<uint8_t>& destino) const {
  const std::size_t bytes = bytesFila();
  const std::size_t inicio = destino.size();
  destino.resize(inicio + static_cast<std::size_t>(hasta - desde) * bytes);
  uint8_t* d = destino.data() + inicio;
  for (int y = desde; y < hasta; ++y, d += bytes) std::memcpy(d, cuadro.fila(y), bytes);
}

Cuadro Cosedor::vistaDe(const Frame& cuadro) const {
  Cuadro vista;
  vista.pixeles = cuadro.rgba;
  vista.bytesPorFila = cuadro.bytesPorFila;
  vista.ancho = ancho_;
  vista.firma = firma_.data();
  vista.excluidas = quietud_.hayExcluidas() ? quietud_.excluidas().data() : nullptr;
  vista.columnasFijas = columnasFijas_;
  return vista;
}

int Cosedor::colaQuieta() const {
  const int limite = alto_ - pie_;
  const int maximo = std::min({alto_ / 3, limite - cabecera_, filasAcumuladas_});
  int q = 0;
  while (q < maximo && mismaFila(firma_.data() + e4(limite - 1 - q),
                                 firmaAcumulada_.data() + e4(filasAcumuladas_ - 1 - q)))
    ++q;
  return q;
}

int Cosedor::cabezaQuieta() const {
  const int maximo = std::min({alto_ / 3, alto_ - pie_ - cabecera_, filasTope()});
  int q = 0;
  while (q < maximo && mismaFila(firma_.data() + e4(cabecera_ + q), topeFirma_.data() + e4(q))) ++q;
  return q;
}

bool Cosedor::unirAbajo(const Frame& cuadro, int cola, int t) {
  const int limite = alto_ - pie_;
  const int nuevas = limite - t;
  const int n = nuevas - cola;
  if (n < 1) return false;

  const int conservadas = filasAcumuladas_ - cola;
  acumulado_.resize(static_cast<std::size_t>(conservadas) * bytesFila());
  copiarFilas(cuadro, t, limite, acumulado_);
  firmaAcumulada_.resize(e4(conservadas));
  firmaAcumulada_.insert(firmaAcumulada_.end(), firma_.begin() + e4(t),
                         firma_.begin() + e4(limite));
  filasAcumuladas_ += n;
  avanceTipico_ = n;
  saltados_ = 0;
  // The top rows come from acumulado while nothing was found above: keep them current.
  if (trozosArriba_.empty() && conservadas < alto_) recalcularTope();
  return true;
}

bool Cosedor::unirArriba(const Frame& cuadro, int cabeza, int h) {
  if (h - cabecera_ - cabeza < 1) return false;
  // Where the frame shows the same pixels as the picture's top there (a plain stretch rather
  // than something fixed), the picture keeps its rows.
  const std::size_t bytes = bytesFila();
  if (cabeza > 0 && std::memcmp(cuadro.fila(h - cabeza), topePixeles_.data(), bytes) == 0) {
    bool iguales = true;
    for (int r = 1; r < cabeza && iguales; ++r)
      iguales = std::memcmp(cuadro.fila(h - cabeza + r),
                            topePixeles_.data() + static_cast<std::size_t>(r) * bytes, bytes) == 0;
    if (iguales) {
      h -= cabeza;
      cabeza = 0;
    }
  }
  const int nuevas = h - cabecera_;
  const int n = nuevas - cabeza;

  quitarArriba(cabeza);
  Trozo trozo;
  copiarFilas(cuadro, cabecera_, h, trozo.pixeles);
  trozo.firma.assign(firma_.begin() + e4(cabecera_), firma_.begin() + e4(h));
  trozo.filas = nuevas;
  filasArriba_ += nuevas;
  avanceTipicoArriba_ = n;
  saltados_ = 0;
  trozosArriba_.push_back(std::move(trozo));
  const Trozo& nuevo = trozosArriba_.back();
  recordarTope(nuevo.pixeles.data(), nuevo.firma.data(), nuevas, cabeza);
  return true;
}

int Cosedor::buscarCola(const Frame& cuadro, int k, bool exigente, int cola, int cabeza,
                        double* error) {
  const int cab = cabecera_;
  const int limite = alto_ - pie_;
  const int fin = filasAcumuladas_ - cola;
  if (k + 8 >= limite - cab || fin < k) return -1;
  const int maximo = exigente ? k : std::min(fin, limite - cab - 9);
  const int inicial = altoDeFranja(firmaAcumulada_.data() + e4(fin - 1), -1, k, maximo);
  if (inicial < 0) return -1;
  const Cuadro vista = vistaDe(cuadro);
  for (int alto = inicial;; alto = std::min(alto + franjaLarga, maximo)) {
    Franja franja;
    franja.filas = alto;
    franja.bytesPorFila = bytesFila();
    franja.pixeles = acumulado_.data() + static_cast<std::size_t>(fin - alto) * bytesFila();
    franja.firma = firmaAcumulada_.data() + e4(fin - alto);
    // The rows above, down to a header that may still sit at the picture's top.
    franja.vecinas = std::max(0, fin - alto - (trozosArriba_.empty() ? cabeza : 0));
    franja.haciaArriba = true;
    Busqueda busqueda;
    busqueda.desde = cab;
    busqueda.hasta = limite - alto;
    busqueda.esperada = std::max(limite - cola - alto - avanceTipico_, cab);
    busqueda.exigente = exigente;
    busqueda.revisarDesde = cab + cabeza;
    const Hallazgo h = buscador_.buscar(franja, vista, busqueda);
    if (h.veredicto == Veredicto::hallado) {
      *error = h.error;
      return h.fila + alto;
    }
    if (h.veredicto == Veredicto::ninguno || alto >= maximo) return -1;
  }
}

int Cosedor::buscarCabeza(const Frame& cuadro, int k, bool exigente, int cabeza, int cola,
                          double* error) {
  const int cab = cabecera_;
  const int limite = alto_ - pie_;
  const int disponibles = filasTope() - cabeza;
  if (k + 8 >= limite - cab || disponibles < k) return -1;
  const int maximo = exigente ? k : std::min(disponibles, limite - cab - 9);
  const int inicial = altoDeFranja(topeFirma_.data() + e4(cabeza), +1, k, maximo);
  if (inicial < 0) return -1;
  const Cuadro vista = vistaDe(cuadro);
  for (int alto = inicial;; alto = std::min(alto + franjaLarga, maximo)) {
    Franja franja;
    franja.filas = alto;
    franja.bytesPorFila = bytesFila();
    franja.pixeles = topePixeles_.data() + static_cast<std::size_t>(cabeza) * bytesFila();
    franja.firma = topeFirma_.data() + e4(cabeza);
    // The rows below, up to a footer that may still sit at the picture's bottom.
    franja.vecinas =
        std::max(0, std::min(filasTope(), filasArriba_ + filasAcumuladas_ - cola) - cabeza - alto);
    franja.haciaArriba = false;
    Busqueda busqueda;
    busqueda.desde = cab;
    busqueda.hasta = limite - alto;
    busqueda.esperada = std::min(cab + cabeza + avanceTipicoArriba_, limite - alto);
    busqueda.exigente = exigente;
    busqueda.revisarHasta = limite - cola;
    const Hallazgo h = buscador_.buscar(franja, vista, busqueda);
    if (h.veredicto == Veredicto::hallado) {
      *error = h.error;
      return h.fila;
    }
    if (h.veredicto == Veredicto::ninguno || alto >= maximo) return -1;
  }
}

int Cosedor::altoDeFranja(const float* desde, int paso, int k, int maximo) {
  // A band without any change in it (a plain stretch) fits wherever the frame is plain, and
  // where it "fits best" is decided by the frame's edges, not by the page: such a band is
  // grown (away from the new rows) until it takes in content, with a text line's worth more.
  std::array<float, entradasPorFila> menor, mayor;
  for (int b = 0; b < entradasPorFila; ++b) menor[b] = mayor[b] = desde[b];
  for (int r = 1; r < maximo; ++r) {
    const float* fila = desde + static_cast<std::ptrdiff_t>(r) * paso * entradasPorFila;
    for (int b = 0; b < entradasPorFila; ++b) {
      menor[b] = std::min(menor[b], fila[b]);
      mayor[b] = std::max(mayor[b], fila[b]);
      if (!mismaEntrada(menor[b], mayor[b]))
        return r < k ? k : std::min(r + 1 + franjaCorta / 2, maximo);
    }
  }
  return -1;
}

void Cosedor::decidirBandas(const Frame& cuadro) {
  bandasDecididas_ = true;
  const std::size_t bytes = bytesFila();

  const int p = sinFondo(alto_ - 1, -1, quietud_.filasFijas(alto_ - 1, -1));
  if (p >= 1) {
    // The footer is cut from the picture only where the picture ends with it; one that showed
    // up later (a banner) covers nothing already stitched.
    const bool alFinal = mismasFilas(firmaAcumulada_.data() + e4(filasAcumuladas_ - p),
                                     firma_.data() + e4(alto_ - p), p);
    if (!alFinal) {
      pie_ = p;
    } else if (filasAcumuladas_ - p >= franjaLarga) {
      piePixeles_.clear();
      copiarFilas(cuadro, alto_ - p, alto_, piePixeles_);
      filasAcumuladas_ -= p;
      acumulado_.resize(static_cast<std::size_t>(filasAcumuladas_) * bytes);
      firmaAcumulada_.resize(e4(filasAcumuladas_));
      pie_ = p;
    }
  }

  const int c = sinFondo(0, +1, quietud_.filasFijas(0, +1));
  if (c >= 1) {
    const bool alPrincipio = filasTope() >= c && mismasFilas(topeFirma_.data(), firma_.data(), c);
    if (alPrincipio) {
      if (!trozosArriba_.empty()) {
        if (trozosArriba_.back().filas <= c) {
          recalcularTope();
          return;
        }
      } else if (filasAcumuladas_ - c < franjaLarga) {
        recalcularTope();
        return;
      }
      quitarArriba(c);
      cabeceraPixeles_.clear();
      copiarFilas(cuadro, 0, c, cabeceraPixeles_);
    }
    cabecera_ = c;
  }
  recalcularTope();
}

int Cosedor::sinFondo(int borde, int paso, int n) const {
  // Plain page rows next to a bar (a blank stretch that stayed blank over small steps) pass
  // for fixed too; cut as part of the bar they would freeze that stretch of the page as it
  // was at this frame. A run of identical rows on the bar's inner side is left to the content
  // unless the bar itself has that colour somewhere (then it is the bar's own margin); rows
  // that stay put in the content are handled there anyway. And rows that are plain across
  // (all four quarters alike) may be blank page: a bar is only taken when some row is not.
  if (n < 1) return 0;
  auto fila = [&](int r) { return firma_.data() + e4(borde + paso * r); };
  const float* ultima = fila(n - 1);
  int plano = 1;
  while (plano < n && mismaFila(fila(n - 1 - plano), ultima)) ++plano;
  if (plano >= 2 && plano < n) {
    bool suyo = false;
    for (int r = 0; r < n - plano && !suyo; ++r)
      for (int b = 0; b < entradasPorFila; ++b) suyo = suyo || mismaEntrada(fila(r)[b], ultima[b]);
    if (!suyo) n -= plano;
  }
  for (int r = 0; r < n; ++r)
    for (int b = 1; b < entradasPorFila; ++b)
      if (!mismaEntrada(fila(r)[b], fila(r)[0])) return n;
  return 0;
}

void Cosedor::quitarArriba(int n) {
  while (n > 0 && !trozosArriba_.empty()) {
    Trozo& trozo = trozosArriba_.back();
    if (trozo.filas <= n) {
      n -= trozo.filas;
      filasArriba_ -= trozo.filas;
      trozosArriba_.pop_back();
      continue;
    }
    trozo.pixeles.erase(trozo.pixeles.begin(),
                        trozo.pixeles.begin() + static_cast<std::ptrdiff_t>(n * bytesFila()));
    trozo.firma.erase(trozo.firma.begin(), trozo.firma.begin() + e4(n));
    trozo.filas -= n;
    filasArriba_ -= n;
    n = 0;
  }
  n = std::min(n, filasAcumuladas_ - 1);
  if (n <= 0) return;
  acumulado_.erase(acumulado_.begin(),
                   acumulado_.begin() + static_cast<std::ptrdiff_t>(n * bytesFila()));
  firmaAcumulada_.erase(firmaAcumulada_.begin(), firmaAcumulada_.begin() + e4(n));
  filasAcumuladas_ -= n;
}

void Cosedor::recordarTope(const uint8_t* pixeles, const float* firma, int n, int descartar) {
  // The top keeps up to one frame's height: enough for the band below a header not decided
  // yet, and for a band grown to tell a plain stretch apart.
  const int capacidad = alto_;
  const int propias = std::min(n, capacidad);
  const int viejas = std::clamp(filasTope() - descartar, 0, capacidad - propias);
  const std::size_t bytes = bytesFila();
  topeNuevo_.resize(static_cast<std::size_t>(propias + viejas) * bytes);
  topeFirmaNueva_.resize(e4(propias + viejas));
  std::memcpy(topeNuevo_.data(), pixeles, static_cast<std::size_t>(propias) * bytes);
  std::memcpy(topeFirmaNueva_.data(), firma, e4(propias) * sizeof(float));
  if (viejas > 0) {
    std::memcpy(topeNuevo_.data() + static_cast<std::size_t>(propias) * bytes,
                topePixeles_.data() + static_cast<std::size_t>(descartar) * bytes,
                static_cast<std::size_t>(viejas) * bytes);
    std::memcpy(topeFirmaNueva_.data() + e4(propias), topeFirma_.data() + e4(descartar),
                e4(viejas) * sizeof(float));
  }
  topePixeles_.swap(topeNuevo_);
  topeFirma_.swap(topeFirmaNueva_);
}

void Cosedor::recalcularTope() {
  const int capacidad = alto_;
  const std::size_t bytes = bytesFila();
  int reunidas = 0;
  topeNuevo_.clear();
  topeFirmaNueva_.clear();
  auto tomar = [&](const std::vector<uint8_t>& pixeles, const std::vector<float>& firma,
                   int filas) {
    const int n = std::min(filas, capacidad - reunidas);
    if (n <= 0) return;
    topeNuevo_.insert(topeNuevo_.end(), pixeles.begin(),
                      pixeles.begin() + static_cast<std::ptrdiff_t>(n * bytes));
    topeFirmaNueva_.insert(topeFirmaNueva_.end(), firma.begin(), firma.begin() + e4(n));
    reunidas += n;
  };
  for (auto it = trozosArriba_.rbegin(); it != trozosArriba_.rend(); ++it)
    tomar(it->pixeles, it->firma, it->filas);
  tomar(acumulado_, firmaAcumulada_, filasAcumuladas_);
  if (reunidas < franjaLarga) return;
  topePixeles_.swap(topeNuevo_);
  topeFirma_.swap(topeFirmaNueva_);
}

Imagen Cosedor::armarImagen() const {
  Imagen imagen;
  if (ancho_ < 1 || filasAcumuladas_ < 1) return imagen;
  imagen.ancho = ancho_;
  imagen.alto = filasTotales();
  imagen.rgba.reserve(static_cast<std::size_t>(imagen.alto) * bytesFila());
  imagen.rgba.insert(imagen.rgba.end(), cabeceraPixeles_.begin(), cabeceraPixeles_.end());
  for (auto it = trozosArriba_.rbegin(); it != trozosArriba_.rend(); ++it)
    imagen.rgba.insert(imagen.rgba.end(), it->pixeles.begin(), it->pixeles.end());
  imagen.rgba.insert(imagen.rgba.end(), acumulado_.begin(), acumulado_.end());
  imagen.rgba.insert(imagen.rgba.end(), piePixeles_.begin(), piePixeles_.end());
  return imagen;
}

Estorbo Cosedor::dondeEstorba() const {
  if (alto_ < 1) return Estorbo::ninguno;
  const long long tercio = static_cast<long long>(filaMuebles()) * 3 / alto_;
  if (tercio == 0) return Estorbo::arriba;
  if (tercio == 1) return Estorbo::enMedio;
  return Estorbo::abajo;
}

}  // namespace corvalin::stitch
