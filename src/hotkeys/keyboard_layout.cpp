#include "hotkeys/keyboard_layout.h"

#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <QHash>
#include <mutex>

#include "hotkeys/key_positions.h"

namespace corvalin {
namespace {

struct LiberarContexto {
  void operator()(xkb_context* c) const { xkb_context_unref(c); }
};
struct LiberarKeymap {
  void operator()(xkb_keymap* k) const { xkb_keymap_unref(k); }
};
struct LiberarEstado {
  void operator()(xkb_state* s) const { xkb_state_unref(s); }
};
struct Desconectar {
  void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};
using Contexto = std::unique_ptr<xkb_context, LiberarContexto>;
using Keymap = std::unique_ptr<xkb_keymap, LiberarKeymap>;

struct Tecla {
  xkb_keycode_t keycode;
  xkb_level_index_t nivel;
};

std::mutex& cerrojoActual() {
  static std::mutex m;
  return m;
}
std::shared_ptr<const KeyboardLayout>& distribucionActual() {
  static std::shared_ptr<const KeyboardLayout> actual;
  return actual;
}

}  // namespace

struct KeyboardLayout::Datos {
  Keymap keymap;
  xkb_layout_index_t grupo = 0;
  QHash<uint32_t, Tecla> teclas;  // stored position -> the key that types its keysym

  std::optional<Tecla> buscar(xkb_keysym_t keysym) const {
    std::optional<Tecla> mejor;
    const xkb_keycode_t min = xkb_keymap_min_keycode(keymap.get());
    const xkb_keycode_t max = xkb_keymap_max_keycode(keymap.get());
    for (xkb_keycode_t kc = min; kc <= max; ++kc) {
      const xkb_level_index_t niveles = xkb_keymap_num_levels_for_key(keymap.get(), kc, grupo);
      for (xkb_level_index_t nivel = 0; nivel < niveles; ++nivel) {
        if (mejor && mejor->nivel <= nivel) break;
        const xkb_keysym_t* syms = nullptr;
        const int n = xkb_keymap_key_get_syms_by_level(keymap.get(), kc, grupo, nivel, &syms);
        for (int i = 0; i < n; ++i) {
          if (syms[i] == keysym) {
            mejor = Tecla{kc, nivel};
            break;
          }
        }
      }
      if (mejor && mejor->nivel == 0) break;
    }
    return mejor;
  }

  void indexar() {
    for (uint32_t code : posicionesConocidas()) {
      if (std::optional<Tecla> t = buscar(*keysymDePosicion(code))) teclas.insert(code, *t);
    }
  }
};

KeyboardLayout::KeyboardLayout(std::unique_ptr<Datos> datos) : d_(std::move(datos)) {
  d_->indexar();
}
KeyboardLayout::~KeyboardLayout() = default;

std::shared_ptr<const KeyboardLayout> KeyboardLayout::delServidorX(const QByteArray& display) {
  std::unique_ptr<xcb_connection_t, Desconectar> conn(
      xcb_connect(display.isEmpty() ? nullptr : display.constData(), nullptr));
  if (!conn || xcb_connection_has_error(conn.get())) return nullptr;
  if (!xkb_x11_setup_xkb_extension(
          conn.get(), XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
          XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr)) {
    return nullptr;
  }
  const int32_t device = xkb_x11_get_core_keyboard_device_id(conn.get());
  Contexto ctx(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
  if (device < 0 || !ctx) return nullptr;
  auto datos = std::make_unique<Datos>();
  datos->keymap.reset(
      xkb_x11_keymap_new_from_device(ctx.get(), conn.get(), device, XKB_KEYMAP_COMPILE_NO_FLAGS));
  if (!datos->keymap) return nullptr;
  std::unique_ptr<xkb_state, LiberarEstado> state(
      xkb_x11_state_new_from_device(datos->keymap.get(), conn.get(), device));
  if (state) datos->grupo = xkb_state_serialize_layout(state.get(), XKB_STATE_LAYOUT_EFFECTIVE);
  return std::make_shared<const KeyboardLayout>(std::move(datos));
}

std::shared_ptr<const KeyboardLayout> KeyboardLayout::desdeNombres(const QString& layout,
                                                                   const QString& variant) {
  Contexto ctx(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
  if (!ctx) return nullptr;
  const QByteArray l = layout.toUtf8();
  const QByteArray v = variant.toUtf8();
  xkb_rule_names names{};
  names.layout = l.isEmpty() ? nullptr : l.constData();
  names.variant = v.isEmpty() ? nullptr : v.constData();
  auto datos = std::make_unique<Datos>();
  datos->keymap.reset(xkb_keymap_new_from_names(ctx.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
  if (!datos->keymap) return nullptr;
  return std::make_shared<const KeyboardLayout>(std::move(datos));
}

std::shared_ptr<const KeyboardLayout> KeyboardLayout::actual() {
  std::lock_guard lock(cerrojoActual());
  return distribucionActual();
}

void KeyboardLayout::fijarActual(std::shared_ptr<const KeyboardLayout> layout) {
  std::lock_guard lock(cerrojoActual());
  distribucionActual() = std::move(layout);
}

std::optional<uint32_t> KeyboardLayout::keycode(uint32_t keyCode) const {
  auto it = d_->teclas.constFind(keyCode);
  if (it == d_->teclas.constEnd()) return std::nullopt;
  return it->keycode;
}

std::optional<QString> KeyboardLayout::character(uint32_t keyCode) const {
  auto it = d_->teclas.constFind(keyCode);
  if (it == d_->teclas.constEnd()) return std::nullopt;
  const xkb_keysym_t* syms = nullptr;
  if (xkb_keymap_key_get_syms_by_level(d_->keymap.get(), it->keycode, d_->grupo, 0, &syms) < 1) {
    return std::nullopt;
  }
  return textoDeKeysym(syms[0]);
}

std::optional<uint32_t> KeyboardLayout::posicion(uint32_t keycode) const {
  // Several positions may land on one key (on a Spanish layout "=" is Shift+0): the one that
  // the key types without modifiers wins, then the first in table order.
  std::optional<uint32_t> mejor;
  xkb_level_index_t nivel = 0;
  for (uint32_t code : posicionesConocidas()) {
    auto it = d_->teclas.constFind(code);
    if (it == d_->teclas.constEnd() || it->keycode != keycode) continue;
    if (!mejor || it->nivel < nivel) {
      mejor = code;
      nivel = it->nivel;
    }
  }
  return mejor;
}

std::optional<uint32_t> KeyboardLayout::keycodeDeKeysym(uint32_t keysym) const {
  if (std::optional<Tecla> t = d_->buscar(keysym)) return t->keycode;
  return std::nullopt;
}

uint32_t KeyboardLayout::grupo() const {
  return d_->grupo;
}

}  // namespace corvalin
