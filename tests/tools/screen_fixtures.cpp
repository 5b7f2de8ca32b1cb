#include "screen_fixtures.h"

#include <sys/uio.h>
#include <xcb/randr.h>
#include <xcb/xcbext.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <cstdlib>
#include <cstring>

#include "test_pattern.h"

namespace corvalin::tools::testing {

TestWindow::TestWindow(Look look) : look_(std::move(look)) {
  const QRect& r = look_.rect;
  const auto& s = look_.shadow;
  // What the window shows, shadow included; the helper only puts these pixels up.
  const QRect inside(s[0], s[2], r.width() - s[0] - s[1], r.height() - s[2] - s[3]);
  shown_ = look_.picture.isNull() ? QImage(r.size(), QImage::Format_RGB32)
                                  : look_.picture.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < r.height(); ++y)
    for (int x = 0; x < r.width(); ++x)
      if (!inside.contains(x, y))
        shown_.setPixel(x, y, kShadowPixel);
      else if (look_.picture.isNull())
        shown_.setPixel(x, y, patternPixel(look_.seed, x, y));
  QStringList args;
  for (const int n :
       {r.x(), r.y(), r.width(), r.height(), int(look_.overrideRedirect), s[0], s[1], s[2], s[3]})
    args << QString::number(n);
  if (!pictureFile_.open()) return;
  pictureFile_.write(reinterpret_cast<const char*>(shown_.constBits()), shown_.sizeInBytes());
  pictureFile_.flush();
  process_.start(QStringLiteral(TEST_WINDOW), args << pictureFile_.fileName());
  // Up to 15 s.
  for (int i = 0; i < 150 && !process_.canReadLine(); ++i) process_.waitForReadyRead(100);
  const QList<QByteArray> words = process_.readLine().trimmed().split(' ');
  if (words.size() == 2 && words[0] == "ready") id_ = words[1].toUInt();
}

TestWindow::~TestWindow() {
  process_.closeWriteChannel();
  process_.waitForFinished(5000);  // else QProcess kills it
}

QProcessEnvironment corvalinEnvironment(const QString& home) {
  const QDir dir(home);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("HOME"), home);
  env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
  env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
  env.insert(QStringLiteral("XDG_CACHE_HOME"), dir.filePath(QStringLiteral("cache")));
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
  env.remove(QStringLiteral("WAYLAND_DISPLAY"));
  return env;
}

void xdotool(const QStringList& args) {
  ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), args), 0) << args.join(' ').toStdString();
}

void moveTo(QPoint p) {
  xdotool({QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y())});
}

void drag(QPoint from, QPoint to, const std::function<void()>& whileHeld) {
  moveTo(from);
  xdotool({QStringLiteral("mousedown"), QStringLiteral("1")});
  moveTo((from + to) / 2);
  moveTo(to);
  if (whileHeld) whileHeld();
  xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
}

void click(QPoint at, int button) {
  moveTo(at);
  xdotool({QStringLiteral("click"), QString::number(button)});
}

void key(const QString& name) {
  xdotool({QStringLiteral("key"), name});
}

QImage screenshotForPeople(const QString& name, const std::function<bool(const QImage&)>& ready) {
  QDir().mkpath(QStringLiteral(ARTIFACTS_DIR));
  const QString path = QStringLiteral(ARTIFACTS_DIR "/") + name;
  QImage shown;
  QElapsedTimer clock;
  clock.start();
  do {
    QFile::remove(path);
    EXPECT_EQ(QProcess::execute(QStringLiteral("import"),
                                {QStringLiteral("-window"), QStringLiteral("root"), path}),
              0);
    shown = QImage(path).convertToFormat(QImage::Format_RGB32);
  } while (!shown.isNull() && !ready(shown) && clock.elapsed() < 5000);
  return shown;
}

void ShownWindows::show(std::vector<TestWindow::Look> looks) {
  for (auto& look : looks) {
    windows_.push_back(std::make_unique<TestWindow>(std::move(look)));
    ASSERT_NE(windows_.back()->id(), 0u) << "the test window did not appear";
  }
}

std::uint32_t ShownWindows::pixel(QPoint p) const {
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it)
    if (*it && (*it)->look().rect.contains(p)) return (*it)->pixelAt(p);
  ADD_FAILURE() << "no test window covers " << p.x() << "," << p.y();
  return 0;
}

TestWindow::Look background(std::uint32_t seed, QImage picture) {
  return {kScreen, seed, true, {}, std::move(picture)};
}
TestWindow::Look plainWindow(QRect rect, std::uint32_t seed, std::array<int, 4> shadow) {
  return {rect, seed, false, shadow, {}};
}

VirtualMonitors::VirtualMonitors(xcb_connection_t* c, xcb_window_t root,
                                 std::vector<Monitor> monitors)
    : c_(c), root_(root) {
  auto* resources = xcb_randr_get_screen_resources_current_reply(
      c, xcb_randr_get_screen_resources_current(c, root), nullptr);
  const xcb_randr_output_t firstOutput =
      resources && xcb_randr_get_screen_resources_current_outputs_length(resources) > 0
          ? xcb_randr_get_screen_resources_current_outputs(resources)[0]
          : XCB_NONE;
  std::free(resources);
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    const Monitor& m = monitors[i];
    names_.push_back(atom(c, m.name));
    // The first monitor takes the real output's place, so the server drops the automatic
    // monitor that covers the whole screen.
    const bool first = i == 0;
    struct {
      xcb_randr_monitor_info_t info;
      xcb_randr_output_t output;
    } request{{.name = names_.back(),
               .primary = first,
               .automatic = 0,
               .nOutput = std::uint16_t(first && firstOutput != XCB_NONE ? 1 : 0),
               .x = std::int16_t(m.rect.x()),
               .y = std::int16_t(m.rect.y()),
               .width = std::uint16_t(m.rect.width()),
               .height = std::uint16_t(m.rect.height()),
               .width_in_millimeters = std::uint32_t(m.sizeMm.width()),
               .height_in_millimeters = std::uint32_t(m.sizeMm.height())},
              firstOutput};
    // Sent by hand: libxcb 1.15's generated RRSetMonitor counts one request part too many.
    static const xcb_protocol_request_t kind = {2, &xcb_randr_id, XCB_RANDR_SET_MONITOR, 1};
    xcb_randr_set_monitor_request_t head{};
    head.window = root;
    iovec parts[4];
    parts[2] = {&head, sizeof head};
    parts[3] = {&request, sizeof request.info + 4u * request.info.nOutput};
    const xcb_void_cookie_t cookie{xcb_send_request(c, XCB_REQUEST_CHECKED, parts + 2, &kind)};
    xcb_generic_error_t* error = xcb_request_check(c, cookie);
    ok_ = ok_ && error == nullptr && xcb_connection_has_error(c) == 0;
    std::free(error);
  }
}

std::vector<VirtualMonitors::Monitor> leftAndRightMonitors() {
  return {{"CORVALIN-LEFT", QRect(0, 0, 1000, 1080), QSize(264, 285)},
          {"CORVALIN-RIGHT", QRect(1000, 0, 920, 1080), QSize(122, 143)}};
}

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
  auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, strlen(name), name), nullptr);
  const xcb_atom_t a = reply ? reply->atom : XCB_NONE;
  std::free(reply);
  return a;
}

bool grabbedByOthers(xcb_connection_t* c, xcb_window_t root, bool pointerToo) {
  const auto refused = [](auto* reply) {
    const bool grabbed = reply && reply->status == XCB_GRAB_STATUS_ALREADY_GRABBED;
    std::free(reply);
    return grabbed;
  };
  const auto async = XCB_GRAB_MODE_ASYNC;
  const bool keys = refused(xcb_grab_keyboard_reply(
      c, xcb_grab_keyboard(c, 0, root, XCB_CURRENT_TIME, async, async), nullptr));
  const bool pointer =
      !pointerToo ||
      refused(xcb_grab_pointer_reply(
          c, xcb_grab_pointer(c, 0, root, 0, async, async, XCB_NONE, XCB_NONE, XCB_CURRENT_TIME),
          nullptr));
  xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
  if (pointerToo) xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
  xcb_flush(c);
  return keys && pointer;
}

void X11Test::SetUp() {
  ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "run inside scripts/test-session";
  connection_ = xcb_connect(nullptr, nullptr);
  ASSERT_EQ(xcb_connection_has_error(connection_), 0);
  root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
}

void X11Test::TearDown() {
  windows_.clear();
  if (connection_) xcb_disconnect(connection_);
}

VirtualMonitors::~VirtualMonitors() {
  for (const xcb_atom_t name : names_) xcb_randr_delete_monitor(c_, root_, name);
  std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
}

}  // namespace corvalin::tools::testing
