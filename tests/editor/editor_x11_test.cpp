// End to end on the test session's X server: the real screenshot tool captures the screen, the
// editor opens the capture, the real pointer and keyboard (xdotool) draw an arrow and a callout,
// Return saves, and the saved PNG's pixels are checked; Ctrl+C is read back with xclip.
#include <gtest/gtest.h>

#include <QDir>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "core/settings.h"
#include "core/texts.h"
#include "editor/editor_factory.h"
#include "editor/editor_view.h"
#include "editor/editor_window_controller.h"
#include "editor_test_support.h"
#include "platform/clipboard.h"

namespace corvalin {
namespace {

using namespace Qt::Literals::StringLiterals;
using testing::colorDistance;

const QRgb kFondo = qRgb(0x3C, 0x78, 0xC8);
const QRgb kRojo = qRgb(0xFF, 0x3B, 0x30);

// Runs xdotool with `orden` ("key a", "mouseup 1"…), then lets the events arrive.
void xdotool(const QString& orden) {
  QProcess p;
  p.start(u"xdotool"_s, orden.split(u' ', Qt::SkipEmptyParts));
  ASSERT_TRUE(p.waitForFinished(10000));
  ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  QTest::qWait(120);
}

class EditorX11 : public ::testing::Test {
 protected:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs the test session";
    fijarIdiomaActual(Idioma::ingles);
    settings_ = std::make_unique<Settings>(dir_.path(), dir_.path());
    settings_->d().set(u"saveFolder"_s, dir_.filePath(u"saved"_s));
    clipboard_ = crearPortapapelesDelSistema();
  }

  // The whole screen shows one known colour while the real tool captures it.
  QImage capturarPantalla() {
    QWidget cover;
    cover.setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    cover.setStyleSheet(u"background: %1"_s.arg(QColor(kFondo).name()));
    cover.setGeometry(QGuiApplication::primaryScreen()->geometry());
    cover.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&cover));
    QTest::qWait(300);
    const QString path = dir_.filePath(u"capture.png"_s);
    QProcess tool;
    tool.start(QStringLiteral(SCREENSHOT_TOOL), {u"-x"_s, path});
    EXPECT_TRUE(tool.waitForFinished(20000));
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    cover.hide();
    QTest::qWait(100);
    return QImage(path);
  }

  EditorWindowController& abrir(const QImage& picture) {
    ServiciosDelEditor s;
    s.settings = settings_.get();
    s.portapapeles = portapapelesDelSistema(*clipboard_);
    s.toast = [](const QString&, const QString&, const QString&) {};
    window_ = std::unique_ptr<EditorWindowController>(
        static_cast<EditorWindowController*>(crearFabricaDeEditor(s)(picture).release()));
    window_->mostrar();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    QTest::qWait(300);
    return *window_;
  }

  // The real pointer to an image point, then `then` ("mousedown 1", "click 1"…), if any.
  void apuntar(QPointF image, const QString& then = {}) {
    EditorView* c = window_->canvas();
    const QPoint p = c->mapToGlobal(c->aVista(image).toPoint());
    xdotool(u"mousemove %1 %2 "_s.arg(p.x()).arg(p.y()) + then);
  }
  void arrastrar(QPointF a, QPointF b) {
    apuntar(a, u"mousedown 1"_s);
    for (int i = 1; i <= 5; ++i) apuntar(a + (b - a) * (i / 5.0));
    xdotool(u"mouseup 1"_s);
  }

  QTemporaryDir dir_;
  std::unique_ptr<Settings> settings_;
  std::unique_ptr<Clipboard> clipboard_;
  std::unique_ptr<EditorWindowController> window_;
};

TEST_F(EditorX11, ACaptureDrawnOnWithThePointerIsSavedWithItsAnnotations) {
  const QImage capture = capturarPantalla();
  ASSERT_FALSE(capture.isNull());
  ASSERT_LE(colorDistance(capture.pixel(capture.width() / 2, capture.height() / 2), kFondo), 2);
  EditorWindowController& w = abrir(capture);
  const double H = capture.height();

  // The arrow: its letter, then a drag from the lower left to the upper right.
  apuntar({300, 300});
  xdotool(u"key a"_s);
  arrastrar({400, H - 700}, {900, H - 400});

  // The callout: its letter, a click, a word and Return.
  xdotool(u"key t"_s);
  apuntar({1200, H - 800}, u"click 1"_s);
  xdotool(u"type Hola"_s);
  xdotool(u"key Return"_s);
  ASSERT_EQ(w.canvas()->documento().shapes.size(), 2u);
  const Shape callout = w.canvas()->documento().shapes[1];
  EXPECT_EQ(callout.text, u"Hola"_s);

  // Return saves and closes.
  xdotool(u"key Return"_s);
  QDir saved(dir_.filePath(u"saved"_s));
  ASSERT_TRUE(QTest::qWaitFor([&] { return saved.entryList(QDir::Files).size() == 1; }, 10000));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !w.isVisible(); }, 5000));
  const QImage out(saved.filePath(saved.entryList(QDir::Files).first()));
  ASSERT_EQ(out.size(), capture.size());

  // Image space is y up; rows count from the top. The shaft's middle is red, as is the
  // callout's bubble beside its text; the rest is the capture.
  const Shape arrow = w.canvas()->documento().shapes[0];
  const QPointF mid = (arrow.start + arrow.end) / 2;
  EXPECT_LE(colorDistance(out.pixel(mid.toPoint().x(), static_cast<int>(H - mid.y())), kRojo), 30);
  const QRectF box = callout.calloutBox(AnnotationFonts());
  EXPECT_LE(colorDistance(
                out.pixel(static_cast<int>(box.left() + 4), static_cast<int>(H - box.center().y())),
                kRojo),
            30);
  EXPECT_LE(colorDistance(out.pixel(100, 100), kFondo), 2);
  EXPECT_LE(colorDistance(out.pixel(out.width() - 100, out.height() - 100), kFondo), 2);
}

TEST_F(EditorX11, CtrlCPutsARealPngOnTheClipboard) {
  QImage picture(640, 400, QImage::Format_ARGB32_Premultiplied);
  picture.fill(QColor(kFondo));
  QPainter(&picture).fillRect(QRect(0, 0, 320, 200), QColor(0x20, 0xA0, 0x40));
  EditorWindowController& w = abrir(picture);
  xdotool(u"key l"_s);
  arrastrar({100, 100}, {500, 100});
  ASSERT_EQ(w.canvas()->documento().shapes.size(), 1u);
  xdotool(u"key ctrl+c"_s);
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.status().startsWith(u"Copied"_s); }, 5000));

  // xclip asks this process for the selection, so the event loop keeps running meanwhile.
  QProcess xclip;
  xclip.start(u"xclip"_s, {u"-selection"_s, u"clipboard"_s, u"-t"_s, u"image/png"_s, u"-o"_s});
  ASSERT_TRUE(QTest::qWaitFor([&] { return xclip.state() == QProcess::NotRunning; }, 10000));
  const QByteArray png = xclip.readAllStandardOutput();
  const QImage read = QImage::fromData(png, "PNG");
  ASSERT_EQ(read.size(), picture.size());
  EXPECT_LE(colorDistance(read.pixel(10, 10), qRgb(0x20, 0xA0, 0x40)), 1);
  EXPECT_LE(colorDistance(read.pixel(600, 380), kFondo), 1);
  EXPECT_LE(colorDistance(read.pixel(300, 300), kRojo), 30);  // the line at image y 100
}

}  // namespace
}  // namespace corvalin
