// Scenes to record for the benchmarks, drawn on the X server by this small client until its
// standard input closes:
//   bench_scene desktop   a still desktop with a clock that ticks every second and text typed
//                         at five characters a second
//   bench_scene motion    the whole screen moving every frame (60 a second), drawn by the
//                         server from a picture it holds, so this client costs next to nothing
#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

bool entradaCerrada() {
  pollfd p{0, POLLIN | POLLHUP, 0};
  if (poll(&p, 1, 0) <= 0) return false;
  char c;
  return read(0, &c, 1) <= 0;
}

}  // namespace

int main(int argc, char** argv) {
  const bool movimiento = argc > 1 && std::strcmp(argv[1], "motion") == 0;
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c)) return 1;
  xcb_screen_t* s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  const uint16_t w = s->width_in_pixels, h = s->height_in_pixels;
  const xcb_window_t win = xcb_generate_id(c);
  const uint32_t valores[] = {s->black_pixel, 1};
  xcb_create_window(c, XCB_COPY_FROM_PARENT, win, s->root, 0, 0, w, h, 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, s->root_visual,
                    XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, valores);
  xcb_map_window(c, win);
  const xcb_gcontext_t gc = xcb_generate_id(c);
  xcb_create_gc(c, gc, win, 0, nullptr);
  auto color = [&](uint32_t rgb) { xcb_change_gc(c, gc, XCB_GC_FOREGROUND, &rgb); };
  auto rect = [&](xcb_drawable_t d, int x, int y, int rw, int rh) {
    const xcb_rectangle_t r{static_cast<int16_t>(x), static_cast<int16_t>(y),
                            static_cast<uint16_t>(rw), static_cast<uint16_t>(rh)};
    xcb_poly_fill_rectangle(c, d, gc, 1, &r);
  };
  const xcb_font_t fuente = xcb_generate_id(c);
  xcb_open_font(c, fuente, 5, "fixed");
  xcb_change_gc(c, gc, XCB_GC_FONT, &fuente);
  auto texto = [&](int x, int y, const std::string& t, uint32_t frente, uint32_t fondo) {
    const uint32_t v[] = {frente, fondo};
    xcb_change_gc(c, gc, XCB_GC_FOREGROUND | XCB_GC_BACKGROUND, v);
    xcb_image_text_8(c, static_cast<uint8_t>(t.size()), win, gc, static_cast<int16_t>(x),
                     static_cast<int16_t>(y), t.c_str());
  };

  // A picture twice the screen's width, for the moving scene: bands and blocks.
  xcb_pixmap_t lienzo = 0;
  if (movimiento) {
    lienzo = xcb_generate_id(c);
    xcb_create_pixmap(c, s->root_depth, lienzo, win, static_cast<uint16_t>(w * 2), h);
    for (int x = 0; x < w * 2; x += 16) {
      color(
          static_cast<uint32_t>(((x * 7) & 0xff) << 16 | ((x * 3) & 0xff) << 8 | ((x / 5) & 0xff)));
      rect(lienzo, x, 0, 16, h);
    }
    for (int y = 0; y < h; y += 90) {
      color(0xf0f0f0);
      rect(lienzo, 0, y, w * 2, 6);
    }
  } else {
    color(0x2b5876);
    rect(win, 0, 0, w, h);
    color(0xfafafa);
    rect(win, 200, 120, 1100, 760);
    color(0x1d1f21);
    rect(win, 0, 0, w, 28);
  }
  xcb_flush(c);
  std::printf("ready\n");
  std::fflush(stdout);

  const auto inicio = Clock::now();
  std::string escrito;
  int segundo = -1;
  const std::string frase = "The quick brown fox jumps over the lazy dog. ";
  int fotograma = 0;
  while (!entradaCerrada()) {
    const double t = std::chrono::duration<double>(Clock::now() - inicio).count();
    if (movimiento) {
      const int dx = (fotograma * 8) % w;
      xcb_copy_area(c, lienzo, win, gc, static_cast<int16_t>(dx), 0, 0, 0, w, h);
      ++fotograma;
      xcb_flush(c);
      std::this_thread::sleep_until(inicio + std::chrono::microseconds(fotograma * 16667));
      continue;
    }
    // The clock, once a second; the text, five characters a second.
    if (static_cast<int>(t) != segundo) {
      segundo = static_cast<int>(t);
      char reloj[32];
      std::snprintf(reloj, sizeof reloj, "12:%02d:%02d", segundo / 60 % 60, segundo % 60);
      texto(w - 90, 19, reloj, 0xe6e6e6, 0x1d1f21);
    }
    const std::size_t letras = static_cast<std::size_t>(t * 5);
    if (letras != escrito.size()) {
      escrito = std::string();
      for (std::size_t i = 0; i < letras; ++i) escrito += frase[i % frase.size()];
      const std::size_t porLinea = 150;
      for (std::size_t linea = 0; linea * porLinea < escrito.size() && linea < 40; ++linea)
        texto(220, 150 + static_cast<int>(linea) * 16, escrito.substr(linea * porLinea, porLinea),
              0x202020, 0xfafafa);
    }
    xcb_flush(c);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  xcb_disconnect(c);
  return 0;
}
