// A top-level window for the screenshot tests: shows a picture given as raw 32-bit pixels
// (TestWindow draws it, simulated client-side shadow included), announces the shadow through
// _GTK_FRAME_EXTENTS and prints "ready" once the X server shows it. Lives until its standard
// input closes.
//   screenshot_test_window X Y W H OVERRIDE_REDIRECT SHADOW_L SHADOW_R SHADOW_T SHADOW_B PICTURE
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 11) return 2;  // usage above
  std::uint32_t a[9];
  for (int i = 0; i < 9; ++i)
    a[i] = static_cast<std::uint32_t>(std::strtoul(argv[i + 1], nullptr, 10));
  const int x = int(a[0]), y = int(a[1]), w = int(a[2]), h = int(a[3]);
  const bool overrideRedirect = a[4] != 0;
  const std::uint32_t* shadow = a + 5;  // left, right, top, bottom
  std::vector<std::uint32_t> picture(static_cast<std::size_t>(w) * h);
  std::FILE* file = std::fopen(argv[10], "rb");
  if (file == nullptr || std::fread(picture.data(), 4, picture.size(), file) != picture.size())
    return 2;
  std::fclose(file);

  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c)) return 1;
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;

  // The picture is the window's background, so the server repaints it without our help.
  const xcb_pixmap_t pixmap = xcb_generate_id(c);
  xcb_create_pixmap(c, screen->root_depth, pixmap, screen->root, w, h);
  const xcb_gcontext_t gc = xcb_generate_id(c);
  xcb_create_gc(c, gc, pixmap, 0, nullptr);
  for (int row = 0; row < h; ++row)
    xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, w, 1, 0, row, 0, screen->root_depth,
                  w * 4, reinterpret_cast<const std::uint8_t*>(&picture[std::size_t(row) * w]));

  const xcb_window_t window = xcb_generate_id(c);
  const std::uint32_t values[] = {pixmap, overrideRedirect ? 1u : 0u,
                                  XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_EXPOSURE};
  xcb_create_window(c, screen->root_depth, window, screen->root, x, y, w, h, 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                    XCB_CW_BACK_PIXMAP | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
  if (shadow[0] || shadow[1] || shadow[2] || shadow[3]) {
    xcb_intern_atom_reply_t* extents =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 18, "_GTK_FRAME_EXTENTS"), nullptr);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, extents->atom, XCB_ATOM_CARDINAL, 32, 4,
                        shadow);
    std::free(extents);
  }
  xcb_map_window(c, window);
  xcb_flush(c);

  for (bool exposed = false; !exposed;) {
    xcb_generic_event_t* e = xcb_wait_for_event(c);
    if (e == nullptr) return 1;
    exposed = (e->response_type & 0x7f) == XCB_EXPOSE;
    std::free(e);
  }
  // A round trip after the first expose: the background is on screen.
  std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
  std::printf("ready %u\n", window);
  std::fflush(stdout);

  char buffer[64];
  while (std::fread(buffer, 1, sizeof buffer, stdin) > 0) {
  }
  xcb_disconnect(c);
  return 0;
}
