// How far apart sound and picture land in a recording: this program records its own screen and
// sound while it flashes the screen white and plays a click through PulseAudio timed to be
// heard at the flash (the server's playback latency says when), first before a pause, then
// after it, and then reads the file back with ffprobe and ffmpeg to find each flash and each
// click. Prints the offsets (click minus flash) in milliseconds. Run inside scripts/test-session.
//   bench_av_sync [FILE]
#include <pulse/simple.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/screen_stream.h"
#include "recording/recording_session.h"

namespace {

using namespace corvalin;
using std::chrono::milliseconds;

std::string leer(const std::string& comando) {
  std::string out;
  FILE* p = popen(comando.c_str(), "r");
  if (p == nullptr) return out;
  char buf[65536];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

// Plays silence all along, and a click when asked, so the server's latency stays steady.
class Altavoz {
 public:
  Altavoz() {
    const pa_sample_spec formato{PA_SAMPLE_S16LE, 48000, 2};
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = 48000 * 4 / 20;  // 50 ms
    attr.prebuf = static_cast<uint32_t>(-1);
    attr.minreq = static_cast<uint32_t>(-1);
    int error = 0;
    s_ = pa_simple_new(nullptr, "corvalin-av-sync", PA_STREAM_PLAYBACK, nullptr, "click", &formato,
                       nullptr, &attr, &error);
  }
  ~Altavoz() {
    if (s_ != nullptr) pa_simple_free(s_);
  }
  bool ok() const { return s_ != nullptr; }
  // Writes 10 ms; with `click`, a short tone. Returns when it is heard, on the monotonic clock.
  int64_t escribir(bool click) {
    int16_t buf[480 * 2];
    for (int i = 0; i < 480; ++i) {
      const auto v =
          static_cast<int16_t>(click ? 16000 * std::sin(2 * M_PI * 1000 * i / 48000.0) : 0);
      buf[2 * i] = buf[2 * i + 1] = v;
    }
    int error = 0;
    const pa_usec_t latencia = pa_simple_get_latency(s_, &error);
    const int64_t ahora = relojMonotonoUs();
    pa_simple_write(s_, buf, sizeof buf, &error);
    // The chunk just written starts after everything already queued.
    return ahora + static_cast<int64_t>(latencia);
  }

 private:
  pa_simple* s_ = nullptr;
};

struct Evento {
  double t;  // seconds into the file
};

}  // namespace

int main(int argc, char** argv) {
  const std::string ruta = argc > 1 ? argv[1] : "/tmp/corvalin-av-sync.mp4";
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c)) {
    std::fprintf(stderr, "bench_av_sync: no X server\n");
    return 1;
  }
  xcb_screen_t* s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  const xcb_window_t win = xcb_generate_id(c);
  const uint32_t v[] = {s->black_pixel, 1};
  xcb_create_window(c, XCB_COPY_FROM_PARENT, win, s->root, 0, 0, 320, 240, 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, s->root_visual,
                    XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, v);
  xcb_map_window(c, win);
  const xcb_gcontext_t gc = xcb_generate_id(c);
  xcb_create_gc(c, gc, win, 0, nullptr);
  auto pintar = [&](uint32_t color) {
    xcb_change_gc(c, gc, XCB_GC_FOREGROUND, &color);
    const xcb_rectangle_t r{0, 0, 320, 240};
    xcb_poly_fill_rectangle(c, win, gc, 1, &r);
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
  };
  pintar(0x000000);

  Altavoz altavoz;
  if (!altavoz.ok()) {
    std::fprintf(stderr, "bench_av_sync: no PulseAudio\n");
    return 1;
  }
  // The sound keeps flowing; a click every second, the screen flashing when it is heard.
  auto segundo = [&](bool destello) {
    // A hundred chunks of 10 ms (writing waits for room, so this takes a second); the
    // twentieth is the click, and another thread flashes the screen when the click is heard.
    std::thread destellador;
    for (int i = 0; i < 100; ++i) {
      const int64_t cuando = altavoz.escribir(destello && i == 20);
      if (destello && i == 20) {
        destellador = std::thread([&, cuando] {
          std::this_thread::sleep_for(std::chrono::microseconds(cuando - relojMonotonoUs()));
          pintar(0xffffff);
          std::this_thread::sleep_for(milliseconds(300));
          pintar(0x000000);
        });
      }
    }
    if (destellador.joinable()) destellador.join();
  };
  // Sound was already playing when the recording starts, as it usually is.
  for (int i = 0; i < 2; ++i) segundo(false);
  SesionDeGrabacion::Config config;
  config.fuente = AreaDeRaiz{0, 0, 320, 240};
  config.ancho = 320;
  config.alto = 240;
  config.cursor = false;
  config.sistema = true;
  config.ruta = ruta;
  SesionDeGrabacion sesion(config);
  SesionDeGrabacion::Falla falla;
  if (!sesion.arrancar(&falla)) {
    std::fprintf(stderr, "bench_av_sync: %s\n", falla.detalle.c_str());
    return 1;
  }
  for (int i = 0; i < 4; ++i) segundo(true);
  sesion.pausar();
  for (int i = 0; i < 2; ++i) segundo(true);
  sesion.continuar();
  for (int i = 0; i < 4; ++i) segundo(true);
  for (int i = 0; i < 1; ++i) segundo(false);
  const auto r = sesion.terminar();
  if (!r.archivo) {
    std::fprintf(stderr, "bench_av_sync: nothing recorded\n");
    return 1;
  }

  // Flashes: frames whose average brightness jumps up.
  std::vector<double> destellos;
  {
    const std::string csv = leer("ffprobe -v error -f lavfi -i 'movie=" + ruta +
                                 ",signalstats' -show_entries frame=pts_time:frame_tags="
                                 "lavfi.signalstats.YAVG -of csv=p=0 2>/dev/null");
    double antes = 0;
    std::size_t i = 0;
    while (i < csv.size()) {
      const std::size_t fin = csv.find('\n', i);
      const std::string linea = csv.substr(i, fin - i);
      i = fin == std::string::npos ? csv.size() : fin + 1;
      double t = 0, y = 0;
      if (std::sscanf(linea.c_str(), "%lf,%lf", &t, &y) != 2) continue;
      if (y > 128 && antes <= 128) destellos.push_back(t);
      antes = y;
    }
  }
  // Clicks: where the sound's energy rises, after the audio track's start.
  std::vector<double> clicks;
  {
    const std::string inicio = leer(
        "ffprobe -v error -select_streams a:0 -show_entries "
        "stream=start_time -of csv=p=0 '" +
        ruta + "'");
    const double t0 = std::atof(inicio.c_str());
    const std::string raw =
        leer("ffmpeg -v error -i '" + ruta + "' -map 0:a:0 -ac 1 -ar 48000 -f f32le -");
    std::vector<float> m(raw.size() / 4);
    std::memcpy(m.data(), raw.data(), m.size() * 4);
    bool sonando = false;
    for (std::size_t k = 0; k + 96 < m.size(); k += 48) {
      double e = 0;
      for (int j = 0; j < 96; ++j) e += m[k + j] * m[k + j];
      const bool ahora = e / 96 > 0.01;
      if (ahora && !sonando) clicks.push_back(t0 + static_cast<double>(k) / 48000);
      sonando = ahora;
    }
  }
  std::printf("flashes %zu, clicks %zu; offsets (click - flash, ms):", destellos.size(),
              clicks.size());
  std::vector<double> desfases;
  for (double d : destellos) {
    double mejor = 1e9;
    for (double k : clicks)
      if (std::abs(k - d) < std::abs(mejor)) mejor = k - d;
    if (std::abs(mejor) < 0.5) {
      desfases.push_back(mejor * 1000);
      std::printf(" %.0f", mejor * 1000);
    }
  }
  std::printf("\n");
  if (desfases.size() >= 8) {
    std::printf("before the pause: first %.0f ms; after it: first %.0f ms; largest %.0f ms\n",
                desfases[0], desfases[4],
                *std::max_element(desfases.begin(), desfases.end(),
                                  [](double a, double b) { return std::abs(a) < std::abs(b); }));
  }
  xcb_disconnect(c);
  return 0;
}
