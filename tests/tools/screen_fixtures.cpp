#include "screen_fixtures.h"

#include <sys/uio.h>
#include <xcb/randr.h>
#include <xcb/xcbext.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "test_pattern.h"

namespace corvalin::tools::testing {
namespace {

constexpr int kStartTimeoutMs = 15000;

}  // namespace

TestWindow::TestWindow(Look look) : look_(std::move(look)) {
  QStringList args{QString::number(look_.rect.x()), QString::number(look_.rect.y()),
                   QString::number(look_.rect.width()), QString::number(look_.rect.height()),
                   QString::number(look_.seed)};
  if (look_.overrideRedirect) args << QStringLiteral("--override-redirect");
  if (look_.shadow != std::array<int, 4>{})
    args << QStringLiteral("--shadow")
         << QStringLiteral("%1,%2,%3,%4")
                .arg(look_.shadow[0])
                .arg(look_.shadow[1])
                .arg(look_.shadow[2])
                .arg(look_.shadow[3]);
  if (!look_.picture.isNull() && pictureFile_.open()) {
    const QImage rgb = look_.picture.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y)
      pictureFile_.write(reinterpret_cast<const char*>(rgb.constScanLine(y)), rgb.width() * 4);
    pictureFile_.flush();
    args << QStringLiteral("--picture") << pictureFile_.fileName();
  }
  process_.start(QStringLiteral(TEST_WINDOW), args);
  QElapsedTimer clock;
  clock.start();
  while (!process_.canReadLine() && clock.elapsed() < kStartTimeoutMs)
    process_.waitForReadyRead(100);
  const QList<QByteArray> words = process_.readLine().trimmed().split(' ');
  if (words.size() == 2 && words[0] == "ready") id_ = words[1].toUInt();
}

TestWindow::~TestWindow() {
  process_.closeWriteChannel();
  if (!process_.waitForFinished(5000)) process_.kill();
  process_.waitForFinished(5000);
}

std::uint32_t TestWindow::pixelAt(QPoint p) const {
  const int x = p.x() - look_.rect.x(), y = p.y() - look_.rect.y();
  const auto& s = look_.shadow;
  if (x < s[0] || x >= look_.rect.width() - s[1] || y < s[2] || y >= look_.rect.height() - s[3])
    return kShadowPixel;
  if (!look_.picture.isNull()) return look_.picture.pixel(x, y);
  return patternPixel(look_.seed, x, y);
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

QImage screenshotForPeople(const QString& name, QPoint probe, std::uint32_t expected) {
  return screenshotForPeople(name, [&](const QImage& shown) {
    return (shown.pixel(probe) & 0xffffffu) == (expected & 0xffffffu);
  });
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
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
    if (*it && (*it)->look().rect.contains(p)) return (*it)->pixelAt(p);
  }
  ADD_FAILURE() << "no test window covers " << p.x() << "," << p.y();
  return 0;
}

void ShownWindows::close(std::size_t i) {
  windows_[i].reset();  // the helper exits, and its connection's windows go with it
}

TestWindow::Look background(std::uint32_t seed, QImage picture) {
  return {kScreen, seed, true, {}, std::move(picture)};
}
TestWindow::Look plainWindow(QRect rect, std::uint32_t seed, std::array<int, 4> shadow) {
  return {rect, seed, false, shadow, {}};
}

QImage desktopPicture() {
  QImage image(kScreen.size(), QImage::Format_RGB32);
  QPainter p(&image);
  QLinearGradient wallpaper(0, 0, 1920, 1080);
  wallpaper.setColorAt(0, QColor(0x2b, 0x58, 0x76));
  wallpaper.setColorAt(1, QColor(0x4e, 0x43, 0x76));
  p.fillRect(image.rect(), wallpaper);
  p.fillRect(0, 0, 1920, 30, QColor(0x1d, 0x1f, 0x21));
  p.setPen(QColor(0xe6, 0xe6, 0xe6));
  p.drawText(QRect(16, 0, 400, 30), Qt::AlignVCenter,
             QStringLiteral("Files    Editor    Terminal"));
  p.drawText(QRect(1700, 0, 200, 30), Qt::AlignVCenter | Qt::AlignRight, QStringLiteral("12:30"));

  const QRect editor(220, 110, 940, 640);
  p.fillRect(editor, QColor(0xfa, 0xfa, 0xfa));
  p.fillRect(editor.x(), editor.y(), editor.width(), 38, QColor(0xe8, 0xe8, 0xe8));
  p.fillRect(editor.x(), editor.y() + 38, 220, editor.height() - 38, QColor(0xf1, 0xf1, 0xf1));
  p.setPen(QColor(0x30, 0x30, 0x30));
  p.drawText(QRect(editor.x(), editor.y(), editor.width(), 38), Qt::AlignCenter,
             QStringLiteral("notes.txt \u2014 Editor"));
  for (int i = 0; i < 24; ++i) {
    const int y = editor.y() + 60 + i * 23;
    p.drawText(editor.x() + 18, y + 12, QStringLiteral("Chapter %1").arg(i + 1));
    p.drawText(editor.x() + 240, y + 12,
               QStringLiteral("Line %1: the quick brown fox jumps over the lazy dog, %2 times.")
                   .arg(i + 1)
                   .arg((i * 37) % 100));
  }
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(QColor(0x35, 0x84, 0xe4));
  p.setPen(Qt::NoPen);
  p.drawRoundedRect(QRect(editor.right() - 130, editor.bottom() - 56, 110, 36), 6, 6);
  p.setPen(Qt::white);
  p.drawText(QRect(editor.right() - 130, editor.bottom() - 56, 110, 36), Qt::AlignCenter,
             QStringLiteral("Save"));

  const QRect terminal(1040, 470, 780, 480);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x1e, 0x1e, 0x1e));
  p.drawRect(terminal);
  p.fillRect(terminal.x(), terminal.y(), terminal.width(), 32, QColor(0x2d, 0x2d, 0x2d));
  p.setPen(QColor(0xcc, 0xcc, 0xcc));
  p.drawText(QRect(terminal.x(), terminal.y(), terminal.width(), 32), Qt::AlignCenter,
             QStringLiteral("Terminal"));
  p.setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 10));
  p.setPen(QColor(0x9f, 0xe8, 0x70));
  for (int i = 0; i < 22; ++i)
    p.drawText(terminal.x() + 14, terminal.y() + 56 + i * 19,
               QStringLiteral("user@host:~/src$ ctest -L capture  # run %1").arg(i + 1));
  return image;
}

VirtualMonitors::VirtualMonitors(xcb_connection_t* c, xcb_window_t root,
                                 std::vector<Monitor> monitors)
    : c_(c), root_(root) {
  std::unique_ptr<xcb_randr_get_screen_resources_current_reply_t, decltype(&std::free)> res(
      xcb_randr_get_screen_resources_current_reply(
          c, xcb_randr_get_screen_resources_current(c, root), nullptr),
      &std::free);
  xcb_randr_output_t firstOutput = XCB_NONE;
  if (res && xcb_randr_get_screen_resources_current_outputs_length(res.get()) > 0)
    firstOutput = xcb_randr_get_screen_resources_current_outputs(res.get())[0];
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    const Monitor& m = monitors[i];
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> name(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, strlen(m.name), m.name), nullptr),
        &std::free);
    names_.push_back(name->atom);
    // The first monitor takes the real output's place, so the server drops the automatic
    // monitor that covers the whole screen.
    struct {
      xcb_randr_monitor_info_t info;
      xcb_randr_output_t output;
    } request{};
    request.info.name = name->atom;
    request.info.primary = i == 0;
    request.info.nOutput = i == 0 && firstOutput != XCB_NONE ? 1 : 0;
    request.info.x = static_cast<std::int16_t>(m.rect.x());
    request.info.y = static_cast<std::int16_t>(m.rect.y());
    request.info.width = static_cast<std::uint16_t>(m.rect.width());
    request.info.height = static_cast<std::uint16_t>(m.rect.height());
    request.info.width_in_millimeters = static_cast<std::uint32_t>(m.sizeMm.width());
    request.info.height_in_millimeters = static_cast<std::uint32_t>(m.sizeMm.height());
    request.output = firstOutput;
    // Sent by hand: libxcb 1.15's generated RRSetMonitor counts one request part too many.
    static const xcb_protocol_request_t kind = {2, &xcb_randr_id, XCB_RANDR_SET_MONITOR, 1};
    xcb_randr_set_monitor_request_t head{};
    head.window = root;
    iovec parts[4];
    parts[2] = {&head, sizeof head};
    parts[3] = {&request, sizeof request.info + 4u * request.info.nOutput};
    const xcb_void_cookie_t cookie{xcb_send_request(c, XCB_REQUEST_CHECKED, parts + 2, &kind)};
    std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> error(xcb_request_check(c, cookie),
                                                                     &std::free);
    ok_ = ok_ && error == nullptr && xcb_connection_has_error(c) == 0;
  }
}

VirtualMonitors::~VirtualMonitors() {
  for (const xcb_atom_t name : names_) xcb_randr_delete_monitor(c_, root_, name);
  std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
}

}  // namespace corvalin::tools::testing
