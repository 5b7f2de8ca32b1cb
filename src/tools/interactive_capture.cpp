#include "tools/interactive_capture.h"

#include <xcb/xcb.h>

#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <QWindow>
#include <memory>

#include "tools/screen_capture.h"
#include "tools/selection_geometry.h"
#include "tools/selection_overlay.h"
#include "tools/selection_session.h"
#include "tools/x11_display.h"

namespace corvalin::tools {
namespace {

constexpr int kGrabRetryMs = 15;
constexpr int kGrabAttempts = 100;
// The frozen picture outside the selection keeps this much of its brightness.
const QColor kDim(0, 0, 0, 115);

// Overlay coordinates must be the grab's device pixels on every monitor, whatever scale the
// desktop asks Qt for; the overlay draws the picture one to one instead. Turning high-DPI
// scaling off does not undo explicit factors, so those go too.
void keepQtAtDevicePixels() {
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  for (const char* name : {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS",
                           "QT_AUTO_SCREEN_SCALE_FACTOR", "QT_DEVICE_PIXEL_RATIO"})
    qunsetenv(name);
  qputenv("QT_QPA_PLATFORM", "xcb");
}

void flushQtConnection() {
  if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
    xcb_flush(x11->connection());
}

}  // namespace

int captureInteractiveX11(const X11Display& display, CaptureKind kind,
                          const std::string& outputPath, char* programName) {
  std::string error;
  const PixelRect root = display.rootRect();
  const std::optional<ScreenGrab> grab = display.grab(root, true, &error);
  if (!grab) {
    printError("No se pudo leer la imagen de la pantalla (" + error + ").",
               "Could not read the screen's picture (" + error + ").");
    return 1;
  }
  const std::vector<PixelRect> monitors = display.monitors();
  const PixelPoint pointer = display.pointer();
  const bool window = kind == CaptureKind::window;
  std::vector<TopLevelWindow> windows;
  if (window) windows = display.topLevelWindows();

  keepQtAtDevicePixels();
  int qtArgc = 1;
  char* qtArgv[] = {programName, nullptr};
  QApplication app(qtArgc, qtArgv);
  if (QGuiApplication::platformName() != QLatin1String("xcb")) {
    printError("Qt no pudo abrir la pantalla X11.", "Qt could not open the X11 display.");
    return 1;
  }

  const Rgb32View& px = grab->pixels;
  const QImage frozen(px.data, px.widthPx, px.heightPx, px.strideBytes, QImage::Format_RGB32);
  QImage dimmed = frozen.copy();
  QPainter(&dimmed).fillRect(dimmed.rect(), kDim);

  SelectionSession session(window ? SelectionSession::Kind::window : SelectionSession::Kind::area,
                           toQRect(root), std::move(windows));
  session.pointerMoved(QPoint(pointer.x, pointer.y));
  std::vector<std::unique_ptr<SelectionOverlay>> overlays;
  for (const PixelRect& m : monitors)
    overlays.push_back(std::make_unique<SelectionOverlay>(session, frozen, dimmed, m, monitors));
  SelectionOverlay* primary = overlays.front().get();

  QObject::connect(&session, &SelectionSession::done, &app, [&](std::optional<QRect> rect) {
    primary->releaseMouse();
    primary->releaseKeyboard();
    for (auto& o : overlays) o->hide();
    flushQtConnection();
    const bool ok =
        !rect ||
        savePng(px.cropped(rect->x(), rect->y(), rect->width(), rect->height()), outputPath);
    app.exit(ok ? 0 : 1);
  });

  for (auto& o : overlays) o->show();
  primary->activateWindow();
  primary->setFocus();
  // All input goes through the first overlay, wherever the pointer is; the overlays are not
  // managed windows, so the grabs are what brings keys to them. Another client may hold a
  // grab for a moment (a menu closing), hence the retries. A window can't be grabbed for
  // before it is on screen, which on a loaded machine takes a while: the attempts are
  // counted from then.
  primary->grabMouse();
  primary->grabKeyboard();
  QTimer retry;
  int attempts = 0;
  QObject::connect(&retry, &QTimer::timeout, &app, [&] {
    QWindow* w = primary->windowHandle();
    if (!w->isExposed()) return;
    const bool mouse = w->setMouseGrabEnabled(true);
    const bool keys = w->setKeyboardGrabEnabled(true);
    if ((mouse && keys) || ++attempts >= kGrabAttempts) retry.stop();
  });
  retry.start(kGrabRetryMs);
  return app.exec();
}

}  // namespace corvalin::tools
