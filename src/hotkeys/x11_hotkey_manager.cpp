#include "hotkeys/x11_hotkey_manager.h"

#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-keysyms.h>
#include <xkbcommon/xkbcommon-x11.h>
// xkb.h names a struct member "explicit", a C++ keyword.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include <QSocketNotifier>
#include <QTimer>
#include <cstdlib>
#include <map>
#include <optional>
#include <vector>

#include "hotkeys/keyboard_layout.h"
#include "platform/main_thread.h"

namespace corvalin {
namespace {

struct Desconectar {
  void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};
// Replies, events and errors of xcb are malloc'd.
struct Liberar {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Respuesta = std::unique_ptr<T, Liberar>;

// A press of a key that is already down within this time is the key repeating, not a new press.
constexpr xcb_timestamp_t kRepeticionMs = 1000;

uint16_t modificadoresX(uint32_t mask) {
  uint16_t mods = 0;
  if (mask & Hotkey::kShift) mods |= XCB_MOD_MASK_SHIFT;
  if (mask & Hotkey::kControl) mods |= XCB_MOD_MASK_CONTROL;
  if (mask & Hotkey::kOption) mods |= XCB_MOD_MASK_1;
  if (mask & Hotkey::kCommand) mods |= XCB_MOD_MASK_4;
  return mods;
}

// One grabbed combination: a key, its modifiers, and the Num Lock bit it was grabbed with.
struct Agarre {
  xcb_keycode_t keycode = 0;
  uint16_t mods = 0;
  uint16_t numLock = 0;
  bool mismaCombinacion(const Agarre& o) const { return keycode == o.keycode && mods == o.mods; }
  friend bool operator==(const Agarre&, const Agarre&) = default;
};

}  // namespace

struct X11HotkeyManager::Estado : std::enable_shared_from_this<Estado> {
  struct Registro {
    Hotkey hotkey;
    std::shared_ptr<const std::function<void()>> handler;
    uint64_t generacion = 0;
    std::optional<Agarre> agarre;  // empty while the current layout has no key for it
  };

  std::unique_ptr<xcb_connection_t, Desconectar> conn;
  QByteArray display;
  xcb_window_t root = 0;
  uint8_t xkbEvento = 0;
  std::shared_ptr<const KeyboardLayout> layout;
  uint16_t numLock = 0;
  std::unique_ptr<QSocketNotifier> notifier;
  QTimer recarga;
  std::map<uint32_t, Registro> registros;
  std::map<xcb_keycode_t, xcb_timestamp_t> abajo;  // grabbed keys held down, last press time
  uint64_t siguiente = 1;

  ~Estado() {
    for (const auto& [id, r] : registros) {
      if (r.agarre) soltar(*r.agarre);
    }
    xcb_flush(conn.get());
  }

  std::optional<Agarre> agarreDe(const Hotkey& hotkey) const {
    const std::optional<uint32_t> keycode = layout->keycode(hotkey.keyCode);
    if (!keycode) return std::nullopt;
    return Agarre{xcb_keycode_t(*keycode), modificadoresX(hotkey.modifiers), numLock};
  }

  // Grabs are exact about modifiers, so each combination is grabbed once per state of the
  // two lock keys.
  std::vector<uint16_t> conCandados(const Agarre& a) const {
    std::vector<uint16_t> todas{a.mods, uint16_t(a.mods | XCB_MOD_MASK_LOCK)};
    if (a.numLock != 0) {
      todas.push_back(a.mods | a.numLock);
      todas.push_back(a.mods | a.numLock | XCB_MOD_MASK_LOCK);
    }
    return todas;
  }

  bool agarrar(const Agarre& a) {
    const std::vector<uint16_t> todas = conCandados(a);
    std::vector<xcb_void_cookie_t> cookies;
    for (uint16_t mods : todas) {
      cookies.push_back(xcb_grab_key_checked(conn.get(), 0, root, mods, a.keycode,
                                             XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    }
    // BadAccess means another client holds the combination; any error leaves us without it.
    bool todo = true;
    std::vector<uint16_t> hechas;
    for (size_t i = 0; i < cookies.size(); ++i) {
      Respuesta<xcb_generic_error_t> error(xcb_request_check(conn.get(), cookies[i]));
      if (error)
        todo = false;
      else
        hechas.push_back(todas[i]);
    }
    if (!todo) {
      for (uint16_t mods : hechas) xcb_ungrab_key(conn.get(), a.keycode, root, mods);
      xcb_flush(conn.get());
    }
    return todo;
  }

  void soltar(const Agarre& a) {
    for (uint16_t mods : conCandados(a)) xcb_ungrab_key(conn.get(), a.keycode, root, mods);
    xcb_flush(conn.get());
  }

  uint16_t buscarNumLock() {
    const std::optional<uint32_t> kc = layout->keycodeDeKeysym(XKB_KEY_Num_Lock);
    if (!kc) return 0;
    Respuesta<xcb_get_modifier_mapping_reply_t> mapa(
        xcb_get_modifier_mapping_reply(conn.get(), xcb_get_modifier_mapping(conn.get()), nullptr));
    if (!mapa) return 0;
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(mapa.get());
    const int porMod = mapa->keycodes_per_modifier;
    for (int mod = 0; mod < 8; ++mod) {
      for (int j = 0; j < porMod; ++j) {
        if (codes[mod * porMod + j] == *kc) return uint16_t(1u << mod);
      }
    }
    return 0;
  }

  // Also run after every request that waited for a reply: xcb may have queued events while
  // reading it, and those never wake the socket notifier.
  void leer() {
    while (Respuesta<xcb_generic_event_t> ev{xcb_poll_for_event(conn.get())}) {
      const uint8_t tipo = ev->response_type & 0x7f;
      if (tipo == XCB_KEY_PRESS) {
        alPresionar(*reinterpret_cast<const xcb_key_press_event_t*>(ev.get()));
      } else if (tipo == XCB_KEY_RELEASE) {
        abajo.erase(reinterpret_cast<const xcb_key_release_event_t*>(ev.get())->detail);
      } else if (tipo == XCB_MAPPING_NOTIFY) {
        recarga.start();
      } else if (tipo == xkbEvento && xkbEvento != 0) {
        // The second byte of every XKB event says which one it is.
        const uint8_t xkbTipo = ev->pad0;
        if (xkbTipo == XCB_XKB_STATE_NOTIFY) {
          const auto* st = reinterpret_cast<const xcb_xkb_state_notify_event_t*>(ev.get());
          if (st->group != layout->grupo()) recarga.start();
        } else if (xkbTipo == XCB_XKB_NEW_KEYBOARD_NOTIFY || xkbTipo == XCB_XKB_MAP_NOTIFY) {
          recarga.start();
        }
      }
    }
    if (xcb_connection_has_error(conn.get()) && notifier) notifier->setEnabled(false);
  }

  void alPresionar(const xcb_key_press_event_t& e) {
    const uint16_t limpio = e.state & 0xff & ~(XCB_MOD_MASK_LOCK | numLock);
    for (const auto& [id, r] : registros) {
      if (!r.agarre || r.agarre->keycode != e.detail || r.agarre->mods != limpio) continue;
      auto previo = abajo.find(e.detail);
      const bool repite = previo != abajo.end() && e.time - previo->second < kRepeticionMs;
      abajo[e.detail] = e.time;
      if (!repite) entregar(id, r);
      return;
    }
  }

  void entregar(uint32_t id, const Registro& r) {
    // Never inside the event callback: the handler may unregister hotkeys, its own included.
    enMain([self = weak_from_this(), id, generacion = r.generacion, handler = r.handler] {
      std::shared_ptr<Estado> s = self.lock();
      if (!s) return;
      auto it = s->registros.find(id);
      // Unregistered or replaced since the press: the press belonged to what was there then.
      if (it == s->registros.end() || it->second.generacion != generacion) return;
      (*handler)();
    });
  }

  // The keymap or its active group changed: the same positions may now be other keys.
  void recargar() {
    std::shared_ptr<const KeyboardLayout> nuevo = KeyboardLayout::delServidorX(display);
    if (!nuevo) return;
    layout = nuevo;
    KeyboardLayout::fijarActual(nuevo);
    numLock = buscarNumLock();
    std::vector<uint32_t> cambiados;
    for (auto& [id, r] : registros) {
      if (r.agarre == agarreDe(r.hotkey)) continue;
      if (r.agarre) soltar(*r.agarre);
      r.agarre.reset();
      cambiados.push_back(id);
    }
    // Everything is released before anything is grabbed again, so that two hotkeys trading
    // keys do not release each other's new grab.
    for (uint32_t id : cambiados) {
      Registro& r = registros[id];
      std::optional<Agarre> a = agarreDe(r.hotkey);
      if (a && agarrar(*a)) r.agarre = a;
    }
    leer();
  }
};

X11HotkeyManager::X11HotkeyManager(std::shared_ptr<Estado> estado) : d_(std::move(estado)) {}
X11HotkeyManager::~X11HotkeyManager() = default;

std::unique_ptr<X11HotkeyManager> X11HotkeyManager::conectar(const QByteArray& display) {
  auto s = std::make_shared<Estado>();
  s->display = display;
  int pantalla = 0;
  s->conn.reset(xcb_connect(display.isEmpty() ? nullptr : display.constData(), &pantalla));
  if (!s->conn || xcb_connection_has_error(s->conn.get())) return nullptr;
  xcb_connection_t* c = s->conn.get();
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
  for (int i = 0; i < pantalla && it.rem > 0; ++i) xcb_screen_next(&it);
  if (it.rem == 0) return nullptr;
  s->root = it.data->root;

  if (!xkb_x11_setup_xkb_extension(c, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                   XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr,
                                   &s->xkbEvento, nullptr)) {
    return nullptr;
  }
  const int32_t device = xkb_x11_get_core_keyboard_device_id(c);
  if (device < 0) return nullptr;
  // Keymap and layout-group changes, so that grabs follow the keys when the layout changes.
  const uint16_t grupo = XCB_XKB_STATE_PART_GROUP_BASE | XCB_XKB_STATE_PART_GROUP_LATCH |
                         XCB_XKB_STATE_PART_GROUP_LOCK;
  const uint16_t mapa =
      XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS | XCB_XKB_MAP_PART_MODIFIER_MAP;
  xcb_xkb_select_events_details_t detalles{};
  detalles.affectNewKeyboard = XCB_XKB_NKN_DETAIL_KEYCODES;
  detalles.newKeyboardDetails = XCB_XKB_NKN_DETAIL_KEYCODES;
  detalles.affectState = grupo;
  detalles.stateDetails = grupo;
  xcb_xkb_select_events_aux(c, xcb_xkb_device_spec_t(device),
                            XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY |
                                XCB_XKB_EVENT_TYPE_STATE_NOTIFY,
                            0, 0, mapa, mapa, &detalles);
  // A held key then repeats as presses without releases in between, which tells repeats apart.
  const uint32_t repeticion = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
  Respuesta<xcb_xkb_per_client_flags_reply_t> flags(xcb_xkb_per_client_flags_reply(
      c,
      xcb_xkb_per_client_flags(c, xcb_xkb_device_spec_t(device), repeticion, repeticion, 0, 0, 0),
      nullptr));

  s->layout = KeyboardLayout::delServidorX(display);
  if (!s->layout) return nullptr;
  KeyboardLayout::fijarActual(s->layout);
  s->numLock = s->buscarNumLock();

  Estado* raw = s.get();
  s->recarga.setSingleShot(true);
  s->recarga.setInterval(30);  // setxkbmap sends a burst of notifications
  QObject::connect(&s->recarga, &QTimer::timeout, &s->recarga, [raw] { raw->recargar(); });
  s->notifier =
      std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(c), QSocketNotifier::Read);
  QObject::connect(s->notifier.get(), &QSocketNotifier::activated, s->notifier.get(),
                   [raw] { raw->leer(); });
  s->leer();
  return std::unique_ptr<X11HotkeyManager>(new X11HotkeyManager(std::move(s)));
}

bool X11HotkeyManager::registrar(const Hotkey& hotkey, uint32_t id, std::function<void()> handler) {
  Estado& s = *d_;
  const std::optional<Agarre> a = s.agarreDe(hotkey);
  if (!a) return false;
  // One combination runs one command: a second id would be released with the first.
  for (const auto& [otro, r] : s.registros) {
    if (otro != id && r.agarre && r.agarre->mismaCombinacion(*a)) return false;
  }
  auto viejo = s.registros.find(id);
  const std::optional<Agarre> anterior =
      viejo != s.registros.end() ? viejo->second.agarre : std::nullopt;
  // Re-registering the combination the id already holds keeps the grab as it is: releasing
  // the old one afterwards would release the new one too.
  if (anterior != a) {
    const bool agarrado = s.agarrar(*a);
    s.leer();
    if (!agarrado) return false;
    if (anterior) s.soltar(*anterior);
  }
  s.registros[id] = Estado::Registro{
      hotkey, std::make_shared<const std::function<void()>>(std::move(handler)), s.siguiente++, a};
  return true;
}

void X11HotkeyManager::unregister(uint32_t id) {
  auto it = d_->registros.find(id);
  if (it == d_->registros.end()) return;
  if (it->second.agarre) d_->soltar(*it->second.agarre);
  d_->registros.erase(it);
}

void X11HotkeyManager::unregisterAll() {
  for (const auto& [id, r] : d_->registros) {
    if (r.agarre) d_->soltar(*r.agarre);
  }
  d_->registros.clear();
}

}  // namespace corvalin
