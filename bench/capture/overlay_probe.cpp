// Time from a command to its overlay painted on every monitor, as the X server shows it: the
// root gets a plain colour, one pixel per RandR monitor is watched, the command is started,
// and the clock stops when every watched pixel has changed. Escape then closes the overlay
// and the next run waits until the screen is plain again.
//   overlay_probe [--pointer X,Y] [--probe X,Y]... RUNS COMMAND [ARGS...]
// --probe watches that pixel instead (an overlay that shows the screen unchanged, like a
// colour picker, changes only around its loupe), --pointer puts the pointer there first.
// Prints one line per run and "median_ms=M".
#include <spawn.h>
#include <sys/wait.h>
#include <xcb/randr.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint32_t kPlain = 0x7f9fbf;

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

struct Probe {
  int x, y;
};

std::vector<Probe> probesOf(xcb_connection_t* c, xcb_window_t root) {
  std::vector<Probe> probes;
  Reply<xcb_randr_get_monitors_reply_t> m(
      xcb_randr_get_monitors_reply(c, xcb_randr_get_monitors(c, root, 1), nullptr), &std::free);
  if (m) {
    for (auto it = xcb_randr_get_monitors_monitors_iterator(m.get()); it.rem;
         xcb_randr_monitor_info_next(&it)) {
      // A quarter in from the top left: clear of hints, labels and the pointer.
      probes.push_back({it.data->x + it.data->width / 4, it.data->y + it.data->height / 4});
    }
  }
  if (probes.empty()) probes.push_back({100, 100});
  return probes;
}

std::vector<std::uint32_t> read(xcb_connection_t* c, xcb_window_t root,
                                const std::vector<Probe>& probes) {
  std::vector<xcb_get_image_cookie_t> cookies;
  for (const Probe& p : probes)
    cookies.push_back(xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, root, static_cast<int16_t>(p.x),
                                    static_cast<int16_t>(p.y), 1, 1, ~0u));
  std::vector<std::uint32_t> out;
  for (auto cookie : cookies) {
    Reply<xcb_get_image_reply_t> r(xcb_get_image_reply(c, cookie, nullptr), &std::free);
    std::uint32_t v = 0;
    if (r && xcb_get_image_data_length(r.get()) >= 4)
      v = *reinterpret_cast<const std::uint32_t*>(xcb_get_image_data(r.get())) & 0xffffffu;
    out.push_back(v);
  }
  return out;
}

pid_t start(char** argv) {
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv, environ) != 0) return -1;
  return pid;
}

void run(std::vector<const char*> args) {
  args.push_back(nullptr);
  const pid_t pid = start(const_cast<char**>(args.data()));
  if (pid > 0) waitpid(pid, nullptr, 0);
}

// Waits until `done` holds for what the probes read, polling every half millisecond.
template <typename F>
bool until(xcb_connection_t* c, xcb_window_t root, const std::vector<Probe>& probes, F done,
           std::chrono::milliseconds limit) {
  const auto end = Clock::now() + limit;
  while (Clock::now() < end) {
    if (done(read(c, root, probes))) return true;
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<Probe> chosen;
  int a = 1;
  for (; a + 1 < argc && argv[a][0] == '-' && argv[a][1] == '-'; a += 2) {
    Probe p{};
    if (std::sscanf(argv[a + 1], "%d,%d", &p.x, &p.y) != 2) return 2;
    if (std::string(argv[a]) == "--probe") {
      chosen.push_back(p);
    } else {
      const std::string x = std::to_string(p.x), y = std::to_string(p.y);
      run({"xdotool", "mousemove", x.c_str(), y.c_str()});
    }
  }
  if (argc - a < 2) {
    std::fprintf(stderr,
                 "usage: overlay_probe [--pointer X,Y] [--probe X,Y]... RUNS COMMAND [ARGS...]\n");
    return 2;
  }
  const int runs = std::atoi(argv[a]);
  char** command = argv + a + 1;
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c)) {
    std::fprintf(stderr, "overlay_probe: no X server\n");
    return 1;
  }
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  xcb_change_window_attributes(c, root, XCB_CW_BACK_PIXEL, &kPlain);
  xcb_clear_area(c, 0, root, 0, 0, 0, 0);
  xcb_flush(c);
  const std::vector<Probe> probes = chosen.empty() ? probesOf(c, root) : chosen;
  const auto plain = [](const std::vector<std::uint32_t>& v) {
    return std::all_of(v.begin(), v.end(), [](std::uint32_t p) { return p == kPlain; });
  };
  const auto covered = [](const std::vector<std::uint32_t>& v) {
    return std::none_of(v.begin(), v.end(), [](std::uint32_t p) { return p == kPlain; });
  };
  // Another program may have left something on screen: wait for the plain colour.
  until(c, root, probes, plain, std::chrono::milliseconds(3000));

  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto t0 = Clock::now();
    const pid_t pid = start(command);
    if (pid < 0) {
      std::fprintf(stderr, "overlay_probe: cannot start %s\n", command[0]);
      return 1;
    }
    const bool shown = until(c, root, probes, covered, std::chrono::milliseconds(10000));
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    if (shown) {
      times.push_back(ms);
      std::printf("run %d: %.1f ms\n", i + 1, ms);
    } else {
      std::printf("run %d: no overlay within 10 s\n", i + 1);
    }
    std::fflush(stdout);
    // Closing: Escape, as a user would, until the screen is plain again.
    for (int k = 0; k < 5; ++k) {
      run({"xdotool", "key", "Escape"});
      if (until(c, root, probes, plain, std::chrono::milliseconds(1500))) break;
    }
    waitpid(pid, nullptr, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
  }
  xcb_disconnect(c);
  if (times.empty()) return 1;
  std::sort(times.begin(), times.end());
  const std::size_t n = times.size();
  const double median = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
  std::printf("median_ms=%.1f\n", median);
  return 0;
}
