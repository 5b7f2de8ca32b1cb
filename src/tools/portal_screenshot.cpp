#include "tools/portal_screenshot.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QUrl>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "platform/portal_request.h"
#include "tools/png_writer.h"
#include "tools/screen_capture.h"
#include "tools/selection_overlay.h"
#include "tools/selection_session.h"

namespace corvalin::tools {
namespace {

// The response waits for the user, who may take their time choosing.
constexpr int kResponseTimeoutMs = 10 * 60'000;

int fail(const QString& spanish, const QString& english) {
  printError(spanish.toStdString(), english.toStdString());
  return 1;
}

// The portal saved the picture for us alone; moving it rather than copying leaves no stray
// copy in the user's pictures folder.
bool moveFile(const QString& from, const std::string& to, std::string* error) {
  const QByteArray source = QFile::encodeName(from);
  if (std::rename(source.constData(), to.c_str()) == 0) return true;
  if (errno != EXDEV) {
    *error = to + ": " + std::strerror(errno);
    return false;
  }
  QFile file(from);
  if (!file.open(QIODevice::ReadOnly)) {
    *error = from.toStdString() + ": " + file.errorString().toStdString();
    return false;
  }
  const QByteArray bytes = file.readAll();
  file.close();
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
  if (!writeFileAtomically(to, {data, static_cast<std::size_t>(bytes.size())}, error)) return false;
  QFile::remove(from);
  return true;
}

// The portal's picture: its file, or none once the reason has been printed (an empty path
// when the user cancelled).
std::optional<QString> portalPicture(bool interactive) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    fail(QStringLiteral("No hay bus de sesión de D-Bus para pedir la captura al portal."),
         QStringLiteral("No D-Bus session bus to ask the portal for the screenshot."));
    return std::nullopt;
  }
  QString error;
  bool late = false;
  const std::optional<RespuestaDelPortal> answer = pedirAlPortal(
      bus, QStringLiteral("org.freedesktop.portal.Screenshot"), QStringLiteral("Screenshot"),
      {QString()}, {{QStringLiteral("modal"), true}, {QStringLiteral("interactive"), interactive}},
      kResponseTimeoutMs, &error, &late);
  if (!answer && late) {
    fail(QStringLiteral("El portal de escritorio no respondió a tiempo."),
         QStringLiteral("The desktop portal did not answer in time."));
    return std::nullopt;
  }
  if (!answer) {
    fail(
        QStringLiteral("Ningún portal de escritorio atiende capturas de pantalla (%1).").arg(error),
        QStringLiteral("No desktop portal answers screenshot requests (%1).").arg(error));
    return std::nullopt;
  }
  if (answer->codigo == 1) return QString();  // the user cancelled
  const QString file =
      QUrl(answer->resultados.value(QStringLiteral("uri")).toString()).toLocalFile();
  if (answer->codigo != 0 || file.isEmpty()) {
    fail(QStringLiteral("El portal de escritorio no pudo hacer la captura."),
         QStringLiteral("The desktop portal could not take the screenshot."));
    return std::nullopt;
  }
  return file;
}

int savePortalFile(const QString& file, const std::string& outputPath) {
  std::string error;
  if (!moveFile(file, outputPath, &error))
    return fail(
        QStringLiteral("No se pudo guardar la imagen en %1.").arg(QString::fromStdString(error)),
        QStringLiteral("Could not save the picture to %1.").arg(QString::fromStdString(error)));
  return 0;
}

// The whole desktop from the portal, and our own area chooser over it on every screen: the
// same chooser as on X11, where the compositor lets a full-screen window cover each screen.
// None when it can't (the caller falls back on the portal's own selection).
std::optional<int> chooseAreaOnPortalPicture(const QString& file, const std::string& outputPath) {
  QImage picture(file);
  QFile::remove(file);
  const QList<QScreen*> screens = QGuiApplication::screens();
  if (picture.isNull() || screens.isEmpty()) return std::nullopt;
  QRect desktop;
  for (QScreen* s : screens) desktop |= s->geometry();
  // The picture covers the desktop's layout, each screen at its own scale; the overlays work
  // in the picture's pixels.
  const double scale = double(picture.width()) / desktop.width();
  auto inPicture = [&](const QRect& r) {
    return QRect(int(std::lround((r.x() - desktop.x()) * scale)),
                 int(std::lround((r.y() - desktop.y()) * scale)),
                 int(std::lround(r.width() * scale)), int(std::lround(r.height() * scale)));
  };
  const QImage frozen = picture.convertToFormat(QImage::Format_RGB32);
  QImage dimmed = frozen.copy();
  QPainter(&dimmed).fillRect(dimmed.rect(), QColor(0, 0, 0, 115));

  std::vector<PixelRect> monitors;
  for (QScreen* s : screens) {
    const QRect r = inPicture(s->geometry());
    monitors.push_back(PixelRect{r.x(), r.y(), r.width(), r.height()});
  }
  SelectionSession session(SelectionSession::Kind::area, frozen.rect(), {});
  std::vector<std::unique_ptr<SelectionOverlay>> overlays;
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    overlays.push_back(
        std::make_unique<SelectionOverlay>(session, frozen, dimmed, monitors[i], monitors));
    overlays.back()->setScreen(screens[static_cast<int>(i)]);
    overlays.back()->showFullScreen();
  }
  // A desktop that won't let a window cover a screen shows the overlay somewhere smaller.
  QElapsedTimer clock;
  clock.start();
  auto covers = [&] {
    for (std::size_t i = 0; i < overlays.size(); ++i)
      if (overlays[i]->size() != screens[static_cast<int>(i)]->geometry().size()) return false;
    return true;
  };
  while (!covers() && clock.elapsed() < 2000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  if (!covers()) return std::nullopt;

  int status = 0;
  QEventLoop loop;
  QObject::connect(&session, &SelectionSession::done, &loop, [&](std::optional<QRect> rect) {
    for (auto& o : overlays) o->hide();
    if (rect) {
      const QImage part = frozen.copy(*rect);
      const Rgb32View view{part.constBits(), part.width(), part.height(), part.bytesPerLine()};
      if (!savePng(view, outputPath)) status = 1;
    }
    loop.quit();
  });
  overlays.front()->activateWindow();
  loop.exec();
  return status;
}

// Whether the compositor's socket is there: Qt gives up on a display it can't reach by
// aborting, and the portal's own selection needs no window of ours.
bool waylandReachable() {
  const QString name = qEnvironmentVariable("WAYLAND_DISPLAY");
  if (name.isEmpty()) return false;
  const QString path = name.startsWith(QLatin1Char('/'))
                           ? name
                           : qEnvironmentVariable("XDG_RUNTIME_DIR") + QLatin1Char('/') + name;
  return QFileInfo(path).exists();
}

}  // namespace

int captureThroughPortal(CaptureKind kind, const std::string& outputPath, char* programName) {
  int qtArgc = 1;
  char* qtArgv[] = {programName, nullptr};
  // An area is chosen over the whole screen in our own windows; a window is the desktop's to
  // pick (nothing else can see where windows are), as is an area where our windows can't
  // cover the screens.
  if (kind == CaptureKind::area && waylandReachable()) {
    // Our windows are Wayland windows here, whatever platform the environment asks Qt for.
    qputenv("QT_QPA_PLATFORM", "wayland");
    QApplication app(qtArgc, qtArgv);
    const std::optional<QString> file = portalPicture(false);
    if (!file) return 1;
    if (file->isEmpty()) return 0;
    if (const std::optional<int> status = chooseAreaOnPortalPicture(*file, outputPath))
      return *status;
    const std::optional<QString> chosen = portalPicture(true);
    if (!chosen) return 1;
    return chosen->isEmpty() ? 0 : savePortalFile(*chosen, outputPath);
  }
  QCoreApplication app(qtArgc, qtArgv);
  const std::optional<QString> file = portalPicture(kind != CaptureKind::screen);
  if (!file) return 1;
  return file->isEmpty() ? 0 : savePortalFile(*file, outputPath);
}

}  // namespace corvalin::tools
