// Text recognition on rendered interface text (six families, 11 to 24 px, light, dark,
// selected-row, chat and settings layouts, Spanish and English): character error rate and time
// per picture for our reader and for the tesseract command-line tool run with its defaults on
// the same pictures saved as PNG; the time for an 800 x 300 area; loading time and memory of
// the engine; and the variants measured while choosing the preparation and thread settings.
// A summary with the ratios is printed after the benchmarks.
#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <thread>

#include "capture/tesseract_engine.h"
#include "capture/tesseract_recognizer.h"
#include "ocr_samples.h"

namespace corvalin {
namespace {

using ocr_samples::Muestra;

// Every family at 11, 12, 13, 14, 16, 18, 20 and 24 px; the theme and the language rotate so
// that each size meets every theme and both languages.
std::vector<Muestra> juegoCompleto() {
  using ocr_samples::Lengua;
  using ocr_samples::Tema;
  static const int tamanos[] = {11, 12, 13, 14, 16, 18, 20, 24};
  static const Tema temas[] = {Tema::claro, Tema::oscuro, Tema::resaltado, Tema::burbujas,
                               Tema::ajustes};
  std::vector<Muestra> juego;
  const QStringList fs = ocr_samples::familias();
  for (int f = 0; f < fs.size(); ++f) {
    for (int t = 0; t < 8; ++t) {
      const Tema tema = temas[(f + t) % 5];
      const Lengua lengua = (f + t) % 2 == 0 ? Lengua::es : Lengua::en;
      juego.push_back(ocr_samples::dibujar(fs[f], tamanos[t], tema, lengua, 3 * f + t));
    }
  }
  return juego;
}

// The share of the reference's words that are missing from the reading, matched exactly and in
// any order: what was read, whatever order its lines and columns came out in.
double palabrasPerdidas(const QString& leido, const QString& referencia) {
  static const QRegularExpression blancos(QStringLiteral("\\s+"));
  const QStringList esperadas =
      ocr_samples::normalizar(referencia).split(blancos, Qt::SkipEmptyParts);
  if (esperadas.isEmpty()) return 0.0;
  std::map<QString, int> leidas;
  for (const QString& p : ocr_samples::normalizar(leido).split(blancos, Qt::SkipEmptyParts))
    ++leidas[p];
  int perdidas = 0;
  for (const QString& p : esperadas) leidas[p] > 0 ? --leidas[p] : ++perdidas;
  return double(perdidas) / double(esperadas.size());
}

struct Medida {
  double cer = 0;          // over all characters of the set
  double perdidas = 0;     // share of the words not read, in any order
  double msPorImagen = 0;  // mean wall time
  int imagenes = 0;
};

std::vector<Muestra>& juego() {
  static std::vector<Muestra> j = juegoCompleto();
  return j;
}

QTemporaryDir& carpeta() {
  static QTemporaryDir dir;
  return dir;
}

QString archivoDe(const Muestra& m) {
  return carpeta().filePath(m.nombre + ".png");
}

// Figures gathered by the benchmarks for the summary, by row name.
std::map<std::string, Medida>& resumen() {
  static std::map<std::string, Medida> r;
  return r;
}

// Reads every picture of the set with `leer` and records the figures under `fila`.
template <typename Leer>
Medida medirJuego(const std::string& fila, Leer leer) {
  Medida m;
  double errores = 0, perdidas = 0;
  qint64 caracteres = 0, palabras = 0, nanosegundos = 0;
  static const QRegularExpression blancos(QStringLiteral("\\s+"));
  for (const Muestra& muestra : juego()) {
    QElapsedTimer reloj;
    reloj.start();
    const QString texto = leer(muestra);
    nanosegundos += reloj.nsecsElapsed();
    const QString referencia = ocr_samples::normalizar(muestra.referencia);
    const qint64 n = referencia.size();
    const qint64 w = referencia.split(blancos).size();
    errores += ocr_samples::tasaDeError(texto, referencia) * double(n);
    perdidas += palabrasPerdidas(texto, referencia) * double(w);
    caracteres += n;
    palabras += w;
  }
  m.imagenes = int(juego().size());
  m.msPorImagen = double(nanosegundos) / 1e6 / m.imagenes;
  m.cer = errores / double(caracteres);
  m.perdidas = perdidas / double(palabras);
  resumen()[fila] = m;
  return m;
}

void publicar(benchmark::State& state, const Medida& m) {
  state.counters["cer_pct"] = m.cer * 100;
  state.counters["words_missed_pct"] = m.perdidas * 100;
  state.counters["ms_per_picture"] = m.msPorImagen;
  state.counters["pictures"] = m.imagenes;
}

// Runs `trabajo` on a fresh thread set up like the recognizer's worker.
template <typename F>
void enHiloDeLectura(F trabajo) {
  std::thread hilo([&] {
    ocr::leerEnUnSoloHilo();
    trabajo();
  });
  hilo.join();
}

void BM_Nuestro_Juego(benchmark::State& state) {
  TesseractTextRecognizer lector;
  lector.readSync(juego().front().imagen);  // the models load outside the timing
  Medida m;
  for (auto _ : state) {
    m = medirJuego("ours", [&](const Muestra& s) { return lector.readSync(s.imagen).texto; });
  }
  publicar(state, m);
}
BENCHMARK(BM_Nuestro_Juego)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// Variants that differ from ours in one choice each, read on a worker like ours.
void variante(benchmark::State& state, const std::string& fila, ocr::OpcionesDelMotor opciones,
              bool unSoloHilo) {
  Medida m;
  for (auto _ : state) {
    auto medir = [&] {
      ocr::MotorTesseract motor(opciones);
      motor.cargar();
      m = medirJuego(fila, [&](const Muestra& s) { return motor.leer(s.imagen).texto; });
    };
    if (unSoloHilo) {
      enHiloDeLectura(medir);
    } else {
      std::thread(medir).join();
    }
  }
  publicar(state, m);
}

void BM_Variante_SinNormalizarTinta(benchmark::State& state) {
  ocr::OpcionesDelMotor o;
  o.preparacion.normalizarTinta = false;
  variante(state, "ours, grey only (no polarity/contrast normalisation)", o, true);
}
BENCHMARK(BM_Variante_SinNormalizarTinta)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_Variante_SinAmpliar(benchmark::State& state) {
  ocr::OpcionesDelMotor o;
  o.preparacion.altoDeLetraObjetivoPx = 0;
  variante(state, "ours, not enlarged", o, true);
}
BENCHMARK(BM_Variante_SinAmpliar)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_Variante_FactorFijo3(benchmark::State& state) {
  ocr::OpcionesDelMotor o;
  o.preparacion.factorFijo = 3;
  variante(state, "ours, always enlarged x3", o, true);
}
BENCHMARK(BM_Variante_FactorFijo3)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_Variante_HilosDeOpenMp(benchmark::State& state) {
  variante(state, "ours, OpenMP threads left at their default", {}, false);
}
BENCHMARK(BM_Variante_HilosDeOpenMp)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// The command-line tool, one process per picture as a user would run it. `idioma` empty means
// its default language (English).
QString leerConCli(const QString& archivo, const QString& idioma) {
  QStringList argumentos{archivo, QStringLiteral("stdout")};
  if (!idioma.isEmpty()) argumentos << QStringLiteral("-l") << idioma;
  QProcess p;
  p.start(QStringLiteral("tesseract"), argumentos);
  p.waitForFinished(60000);
  return QString::fromUtf8(p.readAllStandardOutput());
}

bool hayCli() {
  return !QStandardPaths::findExecutable(QStringLiteral("tesseract")).isEmpty();
}

void cli(benchmark::State& state, const std::string& fila, const QString& idioma) {
  if (!hayCli()) {
    state.SkipWithError("the tesseract command is not installed (package tesseract-ocr)");
    return;
  }
  Medida m;
  for (auto _ : state) {
    m = medirJuego(fila, [&](const Muestra& s) { return leerConCli(archivoDe(s), idioma); });
  }
  publicar(state, m);
}

void BM_Cli_PorDefecto(benchmark::State& state) {
  cli(state, "tesseract CLI, defaults", {});
}
BENCHMARK(BM_Cli_PorDefecto)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_Cli_SpaEng(benchmark::State& state) {
  cli(state, "tesseract CLI, defaults but -l spa+eng", QStringLiteral("spa+eng"));
}
BENCHMARK(BM_Cli_SpaEng)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// What a CLI run costs before it reads anything: start-up and loading the models.
double arranqueDelCliMs = 0;

void BM_Cli_Arranque(benchmark::State& state) {
  if (!hayCli()) {
    state.SkipWithError("the tesseract command is not installed (package tesseract-ocr)");
    return;
  }
  QImage blanca(64, 64, QImage::Format_RGB32);
  blanca.fill(Qt::white);
  const QString archivo = carpeta().filePath(QStringLiteral("blanca.png"));
  blanca.save(archivo);
  QElapsedTimer reloj;
  int veces = 0;
  reloj.start();
  for (auto _ : state) {
    benchmark::DoNotOptimize(leerConCli(archivo, QStringLiteral("spa+eng")));
    ++veces;
  }
  arranqueDelCliMs = double(reloj.nsecsElapsed()) / 1e6 / veces;
}
BENCHMARK(BM_Cli_Arranque)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

// An 800 x 300 area of a light window filled with 13 px text: the worst case, every row full.
Muestra parrafo800x300() {
  QStringList frases;
  for (const Muestra& m : juego()) frases << m.referencia.split('\n');
  QFont fuente(QStringLiteral("DejaVu Sans"));
  fuente.setPixelSize(13);
  const QFontMetrics medidas(fuente);
  Muestra area;
  area.nombre = QStringLiteral("parrafo-800x300");
  area.imagen = QImage(800, 300, QImage::Format_RGB32);
  area.imagen.fill(Qt::white);
  QPainter p(&area.imagen);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.setFont(fuente);
  p.setPen(QColor(0x1E, 0x1E, 0x1E));
  QStringList lineas;
  int siguiente = 0;
  for (int base = 24; base + medidas.descent() < 290; base += 20) {
    QString linea;
    while (medidas.horizontalAdvance(linea + ' ' + frases[siguiente % frases.size()]) < 770) {
      if (!linea.isEmpty()) linea += ' ';
      linea += frases[siguiente++ % frases.size()];
    }
    p.drawText(14, base, linea);
    lineas << linea;
  }
  area.referencia = lineas.join('\n');
  return area;
}

// An 800 x 300 area of a settings page: eight rows of label and value at 13 px.
Muestra ajustes800x300() {
  const Muestra pagina = ocr_samples::dibujar(
      QStringLiteral("DejaVu Sans"), 13, ocr_samples::Tema::ajustes, ocr_samples::Lengua::es, 0, 8);
  Muestra area = pagina;
  area.nombre = QStringLiteral("ajustes-800x300");
  area.imagen = QImage(800, 300, QImage::Format_RGB32);
  area.imagen.fill(pagina.imagen.pixel(0, 0));
  QPainter(&area.imagen).drawImage(0, 0, pagina.imagen);
  return area;
}

struct Area {
  double ms = 0;
  double cer = 0;
  double msCli = 0;
  double cerCli = 0;
};
std::map<std::string, Area>& areas() {
  static std::map<std::string, Area> a;
  return a;
}

void area(benchmark::State& state, const Muestra& muestra) {
  TesseractTextRecognizer lector;
  lector.readSync(muestra.imagen);
  QString texto;
  QElapsedTimer reloj;
  int veces = 0;
  reloj.start();
  for (auto _ : state) {
    texto = lector.readSync(muestra.imagen).texto;
    ++veces;
  }
  Area& a = areas()[muestra.nombre.toStdString()];
  a.ms = double(reloj.nsecsElapsed()) / 1e6 / veces;
  a.cer = ocr_samples::tasaDeError(texto, muestra.referencia);
  state.counters["cer_pct"] = a.cer * 100;
  state.counters["characters"] = double(muestra.referencia.size());
  if (hayCli()) {
    const QString archivo = carpeta().filePath(muestra.nombre + ".png");
    muestra.imagen.save(archivo);
    reloj.restart();
    const QString leido = leerConCli(archivo, QStringLiteral("spa+eng"));
    a.msCli = double(reloj.nsecsElapsed()) / 1e6;
    a.cerCli = ocr_samples::tasaDeError(leido, muestra.referencia);
  }
}

void BM_Nuestro_Area800x300_Parrafo(benchmark::State& state) {
  area(state, parrafo800x300());
}
BENCHMARK(BM_Nuestro_Area800x300_Parrafo)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0)
    ->UseRealTime();

void BM_Nuestro_Area800x300_Ajustes(benchmark::State& state) {
  area(state, ajustes800x300());
}
BENCHMARK(BM_Nuestro_Area800x300_Ajustes)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0)
    ->UseRealTime();

// Preparing a full-HD screenshot of interface text: grey, polarity and contrast, enlargement.
void BM_Preparar_1920x1080(benchmark::State& state) {
  QImage pantalla(1920, 1080, QImage::Format_RGB32);
  pantalla.fill(QColor(0xF6, 0xF5, 0xF4));
  {
    QPainter p(&pantalla);
    int x = 0, y = 0, fila = 0;
    for (const Muestra& m : juego()) {
      if (x + m.imagen.width() > 1920) {
        x = 0;
        y += fila;
        fila = 0;
      }
      if (y + m.imagen.height() > 1080) break;
      p.drawImage(x, y, m.imagen);
      x += m.imagen.width();
      fila = std::max(fila, m.imagen.height());
    }
  }
  ocr::Preparada preparada;
  for (auto _ : state) preparada = ocr::preparar(pantalla, {});
  state.counters["factor"] = preparada.factor;
}
BENCHMARK(BM_Preparar_1920x1080)->Unit(benchmark::kMillisecond);

void BM_CargarMotor(benchmark::State& state) {
  for (auto _ : state) {
    enHiloDeLectura([] {
      ocr::MotorTesseract motor;
      benchmark::DoNotOptimize(motor.cargar());
    });
  }
}
BENCHMARK(BM_CargarMotor)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// Anonymous resident memory of the process, in kB: what the engine's models and buffers cost.
long memoriaAnonimaKb() {
  std::ifstream estado("/proc/self/status");
  std::string linea;
  while (std::getline(estado, linea)) {
    if (linea.rfind("RssAnon:", 0) == 0) return std::stol(linea.substr(8));
  }
  return 0;
}

struct Memoria {
  long cargado = 0, leido = 0, liberado = 0;
};

Memoria medirMemoria() {
  Memoria m;
  enHiloDeLectura([&] {
    ocr::MotorTesseract motor;
    const long antes = memoriaAnonimaKb();
    motor.cargar();
    m.cargado = memoriaAnonimaKb() - antes;
    motor.leer(parrafo800x300().imagen);
    m.leido = memoriaAnonimaKb() - antes;
    motor.liberar();
    m.liberado = memoriaAnonimaKb() - antes;
  });
  return m;
}

void imprimirResumen() {
  std::printf("\nText recognition on %zu rendered pictures (11-24 px)\n", juego().size());
  std::printf("%-54s %8s %15s %11s\n", "reader", "CER", "words missed", "ms/picture");
  const auto& r = resumen();
  for (const auto& [fila, m] : r) {
    std::printf("%-54s %7.2f%% %14.2f%% %11.0f\n", fila.c_str(), m.cer * 100, m.perdidas * 100,
                m.msPorImagen);
  }
  const auto nuestro = r.find("ours");
  for (const char* otro : {"tesseract CLI, defaults", "tesseract CLI, defaults but -l spa+eng"}) {
    const auto o = r.find(otro);
    if (nuestro == r.end() || o == r.end()) continue;
    std::printf("%s / ours: time x%.1f", otro, o->second.msPorImagen / nuestro->second.msPorImagen);
    if (arranqueDelCliMs > 0) {
      std::printf(" (x%.1f without its %.0f ms start-up)",
                  (o->second.msPorImagen - arranqueDelCliMs) / nuestro->second.msPorImagen,
                  arranqueDelCliMs);
    }
    std::printf("\n");
  }
  for (const auto& [nombre, a] : areas()) {
    std::printf("%s (13 px): ours %.0f ms, CER %.2f%%; CLI -l spa+eng %.0f ms, CER %.2f%%\n",
                nombre.c_str(), a.ms, a.cer * 100, a.msCli, a.cerCli * 100);
  }
  const Memoria m = medirMemoria();
  std::printf(
      "engine memory (anonymous RSS): %+ld kB loaded, %+ld kB after a read, "
      "%+ld kB after release\n",
      m.cargado, m.leido, m.liberado);
}

}  // namespace
}  // namespace corvalin

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QStringList faltan = corvalin::ocr_samples::familiasQueFaltan();
  if (!faltan.isEmpty()) {
    std::fprintf(stderr, "missing font families: %s\n", qPrintable(faltan.join(", ")));
    return 1;
  }
  for (const auto& m : corvalin::juego()) m.imagen.save(corvalin::archivoDe(m));
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  corvalin::imprimirResumen();
  return 0;
}
