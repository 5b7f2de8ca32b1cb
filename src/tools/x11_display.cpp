#include "tools/x11_display.h"

#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/randr.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace corvalin::tools {
namespace {

struct Disconnect {
  void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};
using ConnectionPtr = std::unique_ptr<xcb_connection_t, Disconnect>;

struct FreeReply {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;

// A System V shared memory segment mapped here. It is marked for removal as soon as the X
// server has attached it too, so the system reclaims it even if this process crashes.
class SharedMemory {
 public:
  static std::shared_ptr<SharedMemory> create(std::size_t bytes) {
    const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id < 0) return nullptr;
    void* address = shmat(id, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
      shmctl(id, IPC_RMID, nullptr);
      return nullptr;
    }
    return std::shared_ptr<SharedMemory>(new SharedMemory(id, address));
  }
  ~SharedMemory() {
    shmdt(address_);
    if (!removed_) shmctl(id_, IPC_RMID, nullptr);
  }
  SharedMemory(const SharedMemory&) = delete;
  SharedMemory& operator=(const SharedMemory&) = delete;

  void remove() {
    shmctl(id_, IPC_RMID, nullptr);
    removed_ = true;
  }
  int id() const { return id_; }
  std::uint8_t* data() const { return static_cast<std::uint8_t*>(address_); }

 private:
  SharedMemory(int id, void* address) : id_(id), address_(address) {}
  int id_;
  void* address_;
  bool removed_ = false;
};

// The X server's attachment of a shared segment; detached when this goes.
class ServerAttachment {
 public:
  ServerAttachment(xcb_connection_t* c, xcb_shm_seg_t segment) : c_(c), segment_(segment) {}
  ~ServerAttachment() {
    xcb_shm_detach(c_, segment_);
    xcb_flush(c_);
  }
  ServerAttachment(const ServerAttachment&) = delete;
  ServerAttachment& operator=(const ServerAttachment&) = delete;

 private:
  xcb_connection_t* c_;
  xcb_shm_seg_t segment_;
};

// Pixels in a heap buffer, for formats that need converting and for grabs without MIT-SHM.
struct HeapPixels {
  std::vector<std::uint32_t> pixels;
};

struct PixelFormat {
  int bitsPerPixel = 0;
  int scanlinePadBits = 32;
  std::uint32_t redMask = 0;
  std::uint32_t greenMask = 0;
  std::uint32_t blueMask = 0;
  bool serverLsbFirst = true;

  bool isHostRgb32() const {
    return bitsPerPixel == 32 && redMask == 0xff0000 && greenMask == 0xff00 && blueMask == 0xff &&
           serverLsbFirst == (std::endian::native == std::endian::little);
  }
  std::ptrdiff_t strideBytes(int widthPx) const {
    const long long bits = static_cast<long long>(widthPx) * bitsPerPixel;
    return static_cast<std::ptrdiff_t>((bits + scanlinePadBits - 1) / scanlinePadBits *
                                       scanlinePadBits / 8);
  }
};

std::uint8_t channel(std::uint32_t value, std::uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const int bits = std::popcount(mask);
  const std::uint32_t c = (value & mask) >> shift;
  if (bits >= 8) return static_cast<std::uint8_t>(c >> (bits - 8));
  return static_cast<std::uint8_t>(c * 255 / ((1u << bits) - 1));
}

// Other depths and byte orders than the usual 32-bit little-endian BGRX.
bool convertPixels(const std::uint8_t* src, std::ptrdiff_t srcStride, const PixelFormat& f, int w,
                   int h, std::uint32_t* dst) {
  const int bytes = f.bitsPerPixel / 8;
  if (bytes < 2 || bytes > 4 || f.bitsPerPixel % 8 != 0) return false;
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* s = src + y * srcStride;
    for (int x = 0; x < w; ++x, s += bytes) {
      std::uint32_t v = 0;
      for (int i = 0; i < bytes; ++i)
        v |= static_cast<std::uint32_t>(s[f.serverLsbFirst ? i : bytes - 1 - i]) << (8 * i);
      dst[y * w + x] = 0xff000000u | channel(v, f.redMask) << 16 | channel(v, f.greenMask) << 8 |
                       channel(v, f.blueMask);
    }
  }
  return true;
}

void makeOpaque(std::uint8_t* data, int w, int h, std::ptrdiff_t stride) {
  for (int y = 0; y < h; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(data + y * stride);
    for (int x = 0; x < w; ++x) row[x] |= 0xff000000u;
  }
}

FrameMargins marginsFrom(const xcb_get_property_reply_t* reply) {
  if (reply == nullptr || reply->format != 32 || xcb_get_property_value_length(reply) < 16)
    return {};
  const auto* v = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
  // Both properties hold left, right, top, bottom.
  return {static_cast<int>(v[0]), static_cast<int>(v[1]), static_cast<int>(v[2]),
          static_cast<int>(v[3])};
}

}  // namespace

struct X11Display::Impl {
  ConnectionPtr connection;
  xcb_screen_t* screen = nullptr;
  PixelFormat format;
  bool shm = false;
  bool randr = false;
  // Asked for at connection time and read when first needed, so that the round trip
  // overlaps with others.
  mutable std::optional<xcb_randr_query_version_cookie_t> randrVersion;
  mutable int randrMinorVersion = -1;

  xcb_connection_t* c() const { return connection.get(); }

  // RandR 1.x, or -1 when absent.
  int randrMinor() const {
    if (randrVersion) {
      Reply<xcb_randr_query_version_reply_t> v(
          xcb_randr_query_version_reply(c(), *randrVersion, nullptr));
      randrVersion.reset();
      if (v && v->major_version == 1) randrMinorVersion = static_cast<int>(v->minor_version);
    }
    return randrMinorVersion;
  }

  // Atoms that no client has created yet come back as none.
  template <std::size_t N>
  std::array<xcb_atom_t, N> atoms(const std::array<const char*, N>& names) const {
    std::array<xcb_intern_atom_cookie_t, N> cookies{};
    for (std::size_t i = 0; i < N; ++i)
      cookies[i] =
          xcb_intern_atom(c(), 1, static_cast<std::uint16_t>(std::strlen(names[i])), names[i]);
    std::array<xcb_atom_t, N> found{};
    for (std::size_t i = 0; i < N; ++i) {
      Reply<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(c(), cookies[i], nullptr));
      found[i] = r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    }
    return found;
  }

  std::optional<ScreenGrab> grabShared(const PixelRect& area, bool opaque,
                                       std::string* error) const;
  std::optional<ScreenGrab> grabThroughConnection(const PixelRect& area, bool opaque,
                                                  std::string* error) const;
  std::optional<ScreenGrab> finish(std::uint8_t* data, std::shared_ptr<void> storage,
                                   const PixelRect& area, bool opaque, std::string* error) const;
};

X11Display::X11Display(std::unique_ptr<Impl> impl) : d_(std::move(impl)) {}
X11Display::~X11Display() = default;

std::unique_ptr<X11Display> X11Display::connect() {
  auto d = std::make_unique<Impl>();
  int screenNumber = 0;
  d->connection.reset(xcb_connect(nullptr, &screenNumber));
  if (xcb_connection_has_error(d->c())) return nullptr;
  const xcb_setup_t* setup = xcb_get_setup(d->c());
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
  for (int i = 0; i < screenNumber && it.rem > 0; ++i) xcb_screen_next(&it);
  if (it.rem == 0) return nullptr;
  d->screen = it.data;

  PixelFormat& f = d->format;
  f.serverLsbFirst = setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST;
  for (auto p = xcb_setup_pixmap_formats_iterator(setup); p.rem > 0; xcb_format_next(&p)) {
    if (p.data->depth == d->screen->root_depth) {
      f.bitsPerPixel = p.data->bits_per_pixel;
      f.scanlinePadBits = p.data->scanline_pad;
    }
  }
  for (auto dp = xcb_screen_allowed_depths_iterator(d->screen); dp.rem > 0; xcb_depth_next(&dp)) {
    for (auto v = xcb_depth_visuals_iterator(dp.data); v.rem > 0; xcb_visualtype_next(&v)) {
      if (v.data->visual_id == d->screen->root_visual) {
        f.redMask = v.data->red_mask;
        f.greenMask = v.data->green_mask;
        f.blueMask = v.data->blue_mask;
      }
    }
  }

  xcb_prefetch_extension_data(d->c(), &xcb_shm_id);
  xcb_prefetch_extension_data(d->c(), &xcb_randr_id);
  // Every round trip to a busy server costs; the work below is arranged to need few.
  const auto* shm = xcb_get_extension_data(d->c(), &xcb_shm_id);
  d->shm = shm != nullptr && shm->present;
  const auto* randr = xcb_get_extension_data(d->c(), &xcb_randr_id);
  if (randr != nullptr && randr->present) d->randrVersion = xcb_randr_query_version(d->c(), 1, 5);
  return std::unique_ptr<X11Display>(new X11Display(std::move(d)));
}

PixelRect X11Display::rootRect() const {
  return {0, 0, d_->screen->width_in_pixels, d_->screen->height_in_pixels};
}

std::vector<PixelRect> X11Display::monitors() const {
  std::vector<PixelRect> found;
  xcb_connection_t* c = d_->c();
  const xcb_window_t root = d_->screen->root;
  const int randrMinor = d_->randrMinor();
  if (randrMinor >= 5) {
    Reply<xcb_randr_get_monitors_reply_t> r(
        xcb_randr_get_monitors_reply(c, xcb_randr_get_monitors(c, root, 1), nullptr));
    if (r) {
      for (auto m = xcb_randr_get_monitors_monitors_iterator(r.get()); m.rem > 0;
           xcb_randr_monitor_info_next(&m))
        found.push_back({m.data->x, m.data->y, m.data->width, m.data->height});
    }
  } else if (randrMinor >= 3) {
    Reply<xcb_randr_get_screen_resources_current_reply_t> res(
        xcb_randr_get_screen_resources_current_reply(
            c, xcb_randr_get_screen_resources_current(c, root), nullptr));
    if (res) {
      const xcb_randr_crtc_t* crtcs = xcb_randr_get_screen_resources_current_crtcs(res.get());
      const int n = xcb_randr_get_screen_resources_current_crtcs_length(res.get());
      std::vector<xcb_randr_get_crtc_info_cookie_t> cookies;
      for (int i = 0; i < n; ++i)
        cookies.push_back(xcb_randr_get_crtc_info(c, crtcs[i], res->config_timestamp));
      for (auto cookie : cookies) {
        Reply<xcb_randr_get_crtc_info_reply_t> info(
            xcb_randr_get_crtc_info_reply(c, cookie, nullptr));
        if (info && info->mode != XCB_NONE)
          found.push_back({info->x, info->y, info->width, info->height});
      }
    }
  }
  std::vector<PixelRect> monitors;
  for (const PixelRect& r : found) {
    const PixelRect clipped = r.intersected(rootRect());
    // Mirrored outputs show the same pixels once.
    if (!clipped.empty() && std::find(monitors.begin(), monitors.end(), clipped) == monitors.end())
      monitors.push_back(clipped);
  }
  if (monitors.empty()) monitors.push_back(rootRect());
  return monitors;
}

PixelRect X11Display::monitorUnderPointer() const {
  const xcb_query_pointer_cookie_t cookie = xcb_query_pointer(d_->c(), d_->screen->root);
  const std::vector<PixelRect> all = monitors();
  Reply<xcb_query_pointer_reply_t> r(xcb_query_pointer_reply(d_->c(), cookie, nullptr));
  return all[monitorAt(all, r ? PixelPoint{r->root_x, r->root_y} : PixelPoint{})];
}

PixelPoint X11Display::pointer() const {
  Reply<xcb_query_pointer_reply_t> r(
      xcb_query_pointer_reply(d_->c(), xcb_query_pointer(d_->c(), d_->screen->root), nullptr));
  return r ? PixelPoint{r->root_x, r->root_y} : PixelPoint{};
}

std::optional<ScreenGrab> X11Display::grab(const PixelRect& area, bool opaque,
                                           std::string* error) const {
  const PixelRect inside = area.intersected(rootRect());
  if (inside.empty()) {
    if (error) *error = "empty area";
    return std::nullopt;
  }
  if (d_->shm) {
    if (auto g = d_->grabShared(inside, opaque, error)) return g;
  }
  return d_->grabThroughConnection(inside, opaque, error);
}

std::optional<ScreenGrab> X11Display::Impl::grabShared(const PixelRect& area, bool opaque,
                                                       std::string* error) const {
  const std::ptrdiff_t stride = format.strideBytes(area.width);
  auto memory = SharedMemory::create(static_cast<std::size_t>(stride) * area.height);
  if (!memory) {
    if (error) *error = "no shared memory";
    return std::nullopt;
  }
  // The picture is asked for right behind the attachment, without waiting: when the server
  // cannot attach (it runs on another machine), the picture fails too and the caller falls
  // back. Its reply also means the server has processed the attachment, so the segment can
  // be marked for removal.
  const xcb_shm_seg_t segment = xcb_generate_id(c());
  const xcb_void_cookie_t attach = xcb_shm_attach_checked(c(), segment, memory->id(), 0);
  xcb_generic_error_t* rawError = nullptr;
  Reply<xcb_shm_get_image_reply_t> reply(xcb_shm_get_image_reply(
      c(),
      xcb_shm_get_image(c(), screen->root, static_cast<std::int16_t>(area.x),
                        static_cast<std::int16_t>(area.y), static_cast<std::uint16_t>(area.width),
                        static_cast<std::uint16_t>(area.height), ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP,
                        segment, 0),
      &rawError));
  Reply<xcb_generic_error_t> getError(rawError);
  Reply<xcb_generic_error_t> attachError(xcb_request_check(c(), attach));
  if (attachError) {
    if (error) *error = "MIT-SHM attach refused";
    return std::nullopt;
  }
  memory->remove();
  ServerAttachment attachment(c(), segment);
  if (!reply) {
    if (error) *error = "MIT-SHM GetImage failed";
    return std::nullopt;
  }
  std::uint8_t* data = memory->data();
  return finish(data, std::move(memory), area, opaque, error);
}

std::optional<ScreenGrab> X11Display::Impl::grabThroughConnection(const PixelRect& area,
                                                                  bool opaque,
                                                                  std::string* error) const {
  xcb_generic_error_t* rawError = nullptr;
  std::shared_ptr<xcb_get_image_reply_t> reply(
      xcb_get_image_reply(
          c(),
          xcb_get_image(c(), XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root,
                        static_cast<std::int16_t>(area.x), static_cast<std::int16_t>(area.y),
                        static_cast<std::uint16_t>(area.width),
                        static_cast<std::uint16_t>(area.height), ~0u),
          &rawError),
      FreeReply());
  Reply<xcb_generic_error_t> getError(rawError);
  if (!reply ||
      xcb_get_image_data_length(reply.get()) < format.strideBytes(area.width) * area.height) {
    if (error) *error = "GetImage failed";
    return std::nullopt;
  }
  std::uint8_t* data = xcb_get_image_data(reply.get());
  return finish(data, std::move(reply), area, opaque, error);
}

std::optional<ScreenGrab> X11Display::Impl::finish(std::uint8_t* data,
                                                   std::shared_ptr<void> storage,
                                                   const PixelRect& area, bool opaque,
                                                   std::string* error) const {
  const int w = area.width;
  const int h = area.height;
  const std::ptrdiff_t stride = format.strideBytes(w);
  if (format.isHostRgb32()) {
    if (opaque) makeOpaque(data, w, h, stride);
    return ScreenGrab{{data, w, h, stride}, area, std::move(storage)};
  }
  auto converted = std::make_shared<HeapPixels>();
  converted->pixels.resize(static_cast<std::size_t>(w) * h);
  if (!convertPixels(data, stride, format, w, h, converted->pixels.data())) {
    if (error)
      *error = "unsupported pixel format (" + std::to_string(format.bitsPerPixel) + " bpp)";
    return std::nullopt;
  }
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(converted->pixels.data());
  return ScreenGrab{{bytes, w, h, static_cast<std::ptrdiff_t>(w) * 4}, area, std::move(converted)};
}

X11Display::WindowNames X11Display::windowNames(std::uint32_t window) const {
  xcb_connection_t* c = d_->c();
  const auto [netName, utf8] = d_->atoms(std::array{"_NET_WM_NAME", "UTF8_STRING"});
  const xcb_get_property_cookie_t classCookie =
      xcb_get_property(c, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256);
  const xcb_get_property_cookie_t netCookie =
      xcb_get_property(c, 0, window, netName, utf8, 0, 1024);
  const xcb_get_property_cookie_t oldCookie =
      xcb_get_property(c, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024);
  auto text = [](const Reply<xcb_get_property_reply_t>& r) {
    if (!r || r->format != 8) return std::string();
    return std::string(static_cast<const char*>(xcb_get_property_value(r.get())),
                       static_cast<std::size_t>(xcb_get_property_value_length(r.get())));
  };
  Reply<xcb_get_property_reply_t> klass(xcb_get_property_reply(c, classCookie, nullptr));
  Reply<xcb_get_property_reply_t> net(xcb_get_property_reply(c, netCookie, nullptr));
  Reply<xcb_get_property_reply_t> old(xcb_get_property_reply(c, oldCookie, nullptr));
  WindowNames names;
  // WM_CLASS holds the instance and the class, each ending in a zero byte.
  const std::string both = text(klass);
  const std::size_t split = both.find('\0');
  if (split != std::string::npos) {
    names.application = both.substr(split + 1);
    names.application = names.application.substr(0, names.application.find('\0'));
  }
  names.title = text(net);
  if (names.title.empty()) names.title = text(old);
  return names;
}

bool X11Display::compositing() const {
  xcb_connection_t* c = d_->c();
  int screenNumber = 0;
  const xcb_setup_t* setup = xcb_get_setup(c);
  for (xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup); it.rem; xcb_screen_next(&it)) {
    if (it.data == d_->screen) break;
    ++screenNumber;
  }
  const std::string name = "_NET_WM_CM_S" + std::to_string(screenNumber);
  Reply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 1, static_cast<std::uint16_t>(name.size()), name.c_str()), nullptr));
  if (!atom || atom->atom == XCB_ATOM_NONE) return false;
  Reply<xcb_get_selection_owner_reply_t> owner(
      xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr));
  return owner && owner->owner != XCB_NONE;
}

void X11Display::sync() const {
  xcb_connection_t* c = d_->c();
  Reply<xcb_get_input_focus_reply_t> r(
      xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

// A window manager that has gone (crashed, or replaced by none) leaves its properties on the
// root, among them a stacking list of windows it no longer manages. It also leaves the name
// of its check window, which went with it: while that window lives and names itself, the
// manager runs. Without the property at all, the list is trusted as it stands.
bool X11Display::windowManagerMayRun(std::uint32_t checkAtom) const {
  if (checkAtom == XCB_ATOM_NONE) return true;
  xcb_connection_t* c = d_->c();
  Reply<xcb_get_property_reply_t> onRoot(xcb_get_property_reply(
      c, xcb_get_property(c, 0, d_->screen->root, checkAtom, XCB_ATOM_WINDOW, 0, 1), nullptr));
  if (!onRoot || onRoot->format != 32 || xcb_get_property_value_length(onRoot.get()) < 4)
    return true;
  const xcb_window_t check =
      *static_cast<const xcb_window_t*>(xcb_get_property_value(onRoot.get()));
  xcb_generic_error_t* error = nullptr;
  Reply<xcb_get_property_reply_t> onCheck(xcb_get_property_reply(
      c, xcb_get_property(c, 0, check, checkAtom, XCB_ATOM_WINDOW, 0, 1), &error));
  std::free(error);
  return onCheck && onCheck->format == 32 && xcb_get_property_value_length(onCheck.get()) >= 4 &&
         *static_cast<const xcb_window_t*>(xcb_get_property_value(onCheck.get())) == check;
}

std::vector<TopLevelWindow> X11Display::topLevelWindows() const {
  xcb_connection_t* c = d_->c();
  const xcb_window_t root = d_->screen->root;
  const auto [stackingAtom, frameAtom, shadowAtom, typeAtom, dockAtom, desktopAtom, checkAtom] =
      d_->atoms(std::array{"_NET_CLIENT_LIST_STACKING", "_NET_FRAME_EXTENTS", "_GTK_FRAME_EXTENTS",
                           "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_DOCK",
                           "_NET_WM_WINDOW_TYPE_DESKTOP", "_NET_SUPPORTING_WM_CHECK"});

  std::vector<xcb_window_t> ids;
  if (stackingAtom != XCB_ATOM_NONE && windowManagerMayRun(checkAtom)) {
    Reply<xcb_get_property_reply_t> list(xcb_get_property_reply(
        c, xcb_get_property(c, 0, root, stackingAtom, XCB_ATOM_WINDOW, 0, 1 << 16), nullptr));
    if (list && list->format == 32) {
      const auto* v = static_cast<const xcb_window_t*>(xcb_get_property_value(list.get()));
      ids.assign(v, v + xcb_get_property_value_length(list.get()) / 4);
    }
  }
  // Without a window manager the root's children are the top-level windows, bottom first;
  // override-redirect ones are menus, tooltips and overlays, never what the user means.
  const bool fromWindowManager = !ids.empty();
  if (!fromWindowManager) {
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr));
    if (tree) {
      const xcb_window_t* children = xcb_query_tree_children(tree.get());
      ids.assign(children, children + xcb_query_tree_children_length(tree.get()));
    }
  }

  struct Cookies {
    xcb_get_window_attributes_cookie_t attributes;
    xcb_get_geometry_cookie_t geometry;
    xcb_translate_coordinates_cookie_t origin;
    xcb_get_property_cookie_t frame, shadow, type;
  };
  std::vector<Cookies> cookies;
  cookies.reserve(ids.size());
  for (const xcb_window_t id : ids) {
    cookies.push_back({xcb_get_window_attributes(c, id), xcb_get_geometry(c, id),
                       xcb_translate_coordinates(c, id, root, 0, 0),
                       xcb_get_property(c, 0, id, frameAtom, XCB_ATOM_CARDINAL, 0, 4),
                       xcb_get_property(c, 0, id, shadowAtom, XCB_ATOM_CARDINAL, 0, 4),
                       xcb_get_property(c, 0, id, typeAtom, XCB_ATOM_ATOM, 0, 64)});
  }
  std::vector<TopLevelWindow> windows;
  for (std::size_t i = 0; i < ids.size(); ++i) {
    // Every reply is taken, used or not, so that none stays queued on the connection.
    Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, cookies[i].attributes, nullptr));
    Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(c, cookies[i].geometry, nullptr));
    Reply<xcb_translate_coordinates_reply_t> origin(
        xcb_translate_coordinates_reply(c, cookies[i].origin, nullptr));
    Reply<xcb_get_property_reply_t> frame(xcb_get_property_reply(c, cookies[i].frame, nullptr));
    Reply<xcb_get_property_reply_t> shadow(xcb_get_property_reply(c, cookies[i].shadow, nullptr));
    Reply<xcb_get_property_reply_t> type(xcb_get_property_reply(c, cookies[i].type, nullptr));
    if (!attributes || !geometry || !origin) continue;
    if (attributes->map_state != XCB_MAP_STATE_VIEWABLE ||
        attributes->_class != XCB_WINDOW_CLASS_INPUT_OUTPUT)
      continue;
    if (!fromWindowManager && attributes->override_redirect) continue;

    TopLevelWindow w;
    w.id = ids[i];
    w.clientRect = {origin->dst_x, origin->dst_y, geometry->width, geometry->height};
    const FrameMargins extents = marginsFrom(frame.get());
    const int border = geometry->border_width;
    w.decoration = {extents.left + border, extents.right + border, extents.top + border,
                    extents.bottom + border};
    w.shadow = marginsFrom(shadow.get());
    if (type && type->format == 32) {
      const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(type.get()));
      const int n = xcb_get_property_value_length(type.get()) / 4;
      for (int k = 0; k < n; ++k) {
        if (atoms[k] != XCB_ATOM_NONE && (atoms[k] == dockAtom || atoms[k] == desktopAtom))
          w.pickable = false;
      }
    }
    windows.push_back(w);
  }
  return windows;
}

}  // namespace corvalin::tools
