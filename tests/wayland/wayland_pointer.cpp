// A pointer for the Wayland tests, through the compositor's virtual pointer: it stays plugged in
// while it runs (clients only take a pointer when the seat has one) and does what its standard
// input says, one command a line, in the layout's pixels:
//   move X Y | down | up | extent W H (the layout's size, 1920x1080 until told)
// It prints "ready" once the pointer is there, and "ok" after each command.
#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

zwlr_virtual_pointer_manager_v1* gestor = nullptr;
wl_seat* asiento = nullptr;

void alAnunciar(void*, wl_registry* registro, uint32_t nombre, const char* interfaz, uint32_t) {
  if (std::strcmp(interfaz, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
    gestor = static_cast<zwlr_virtual_pointer_manager_v1*>(
        wl_registry_bind(registro, nombre, &zwlr_virtual_pointer_manager_v1_interface, 1));
  else if (std::strcmp(interfaz, wl_seat_interface.name) == 0 && asiento == nullptr)
    asiento = static_cast<wl_seat*>(wl_registry_bind(registro, nombre, &wl_seat_interface, 1));
}
const wl_registry_listener kRegistro{alAnunciar, [](void*, wl_registry*, uint32_t) {}};

void decir(const char* linea) {
  std::printf("%s\n", linea);
  std::fflush(stdout);
}

}  // namespace

int main() {
  wl_display* pantalla = wl_display_connect(nullptr);
  if (pantalla == nullptr) {
    std::fprintf(stderr, "wayland_pointer: no Wayland display\n");
    return 1;
  }
  wl_registry_add_listener(wl_display_get_registry(pantalla), &kRegistro, nullptr);
  wl_display_roundtrip(pantalla);
  if (gestor == nullptr) {
    std::fprintf(stderr, "wayland_pointer: no virtual pointers\n");
    return 1;
  }
  zwlr_virtual_pointer_v1* puntero =
      zwlr_virtual_pointer_manager_v1_create_virtual_pointer(gestor, asiento);
  wl_display_roundtrip(pantalla);
  decir("ready");

  uint32_t ancho = 1920, alto = 1080;
  for (std::string linea; std::getline(std::cin, linea);) {
    std::istringstream in(linea);
    std::string orden;
    in >> orden;
    const auto ms = static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              std::chrono::steady_clock::now().time_since_epoch())
                                              .count());
    if (orden == "move") {
      uint32_t x = 0, y = 0;
      in >> x >> y;
      zwlr_virtual_pointer_v1_motion_absolute(puntero, ms, x, y, ancho, alto);
    } else if (orden == "down" || orden == "up") {
      zwlr_virtual_pointer_v1_button(
          puntero, ms, BTN_LEFT,
          orden == "down" ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED);
    } else if (orden == "extent") {
      in >> ancho >> alto;
    } else {
      continue;
    }
    zwlr_virtual_pointer_v1_frame(puntero);
    wl_display_roundtrip(pantalla);
    decir("ok");
  }
  return 0;  // the pointer goes with the connection
}
