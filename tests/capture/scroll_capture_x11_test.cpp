// The long capture on the test session's X server: a long page in a real window, scrolled with
// the mouse wheel through xdotool while the capture streams the window's inside; every line of
// the page comes out once and in order, down and back up past where it started.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <map>

#include "capture/scroll_capture_stream.h"
#include "tools/screen_fixtures.h"

namespace corvalin {
namespace {

constexpr int kLineas = 160;
constexpr int kAltoDeLinea = 34;

// Line i's key: a colour no other line has, in a square at the line's left.
QRgb clave(int i) {
  return qRgb(40 + (i * 37) % 200, 30 + (i * 11) % 220, 255 - i);
}

// Numbered lines of text on alternating backgrounds, each with its colour key.
class Pagina final : public QWidget {
 public:
  Pagina() { setFixedSize(560, kLineas * kAltoDeLinea); }

 protected:
  void paintEvent(QPaintEvent* e) override {
    QPainter p(this);
    const int desde = std::max(0, e->rect().top() / kAltoDeLinea);
    const int hasta = std::min(kLineas - 1, e->rect().bottom() / kAltoDeLinea);
    for (int i = desde; i <= hasta; ++i) {
      const QRect linea(0, i * kAltoDeLinea, width(), kAltoDeLinea);
      p.fillRect(linea, i % 2 ? QColor(246, 246, 250) : QColor(255, 255, 255));
      p.fillRect(QRect(6, linea.top() + 6, 20, kAltoDeLinea - 12), QColor(clave(i)));
      p.setPen(Qt::black);
      p.drawText(linea.adjusted(40, 0, 0, 0), Qt::AlignVCenter,
                 QStringLiteral("Línea %1 · el zorro marrón salta sobre %2 perros")
                     .arg(i, 3, 10, QLatin1Char('0'))
                     .arg(i * 7 % 13));
    }
  }
};

void rueda(QPoint donde, int boton, int veces) {
  for (int i = 0; i < veces; ++i) {
    tools::testing::click(donde, boton);
    QTest::qWait(120);
  }
}

// The lines whose keys show down the picture's key column, a line counted again only after
// another one came between.
std::vector<int> lineasDe(const QImage& imagen) {
  std::map<QRgb, int> porClave;
  for (int i = 0; i < kLineas; ++i) porClave[clave(i)] = i;
  std::vector<int> vistas;
  for (int y = 0; y < imagen.height(); ++y) {
    const auto it = porClave.find(imagen.pixel(16, y) | 0xff000000u);
    if (it == porClave.end()) continue;
    if (vistas.empty() || vistas.back() != it->second) vistas.push_back(it->second);
  }
  return vistas;
}

class ScrollCaptureX11 : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    area_.setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    area_.setFrameShape(QFrame::NoFrame);
    area_.setWidget(new Pagina);
    area_.setGeometry(300, 200, 580, 420);
    area_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area_));
    QTest::qWait(300);
  }
  // The viewport on the screen, in Qt's coordinates.
  QRect vista() const {
    return QRect(area_.viewport()->mapToGlobal(QPoint()), area_.viewport()->size());
  }
  QImage capturar(const std::function<void()>& mientras) {
    CapturaLarga captura(flujoX11);
    std::optional<std::optional<QString>> arranque;
    captura.start(vista(), area_.screen()->name(),
                  [&](std::optional<QString> error) { arranque = error; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return arranque.has_value(); }, 5000));
    EXPECT_EQ(arranque.value_or(QStringLiteral("no answer")), std::nullopt);
    QTest::qWait(300);
    mientras();
    QTest::qWait(400);
    std::optional<QImage> resultado;
    captura.finish([&](QImage imagen) { resultado = imagen; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return resultado.has_value(); }, 10000));
    return resultado.value_or(QImage());
  }

  QScrollArea area_;
};

TEST_F(ScrollCaptureX11, EveryLineOnceAndInOrderScrollingDownThenBackUpPastTheStart) {
  area_.verticalScrollBar()->setValue(40 * kAltoDeLinea);
  QTest::qWait(200);
  const QPoint centro = vista().center();
  const QImage imagen = capturar([&] {
    rueda(centro, 5, 14);  // down
    rueda(centro, 4, 26);  // back up, past the first frame
  });
  const std::vector<int> lineas = lineasDe(imagen);
  ASSERT_FALSE(lineas.empty());
  // The first frame showed lines 40…52; the result reaches well above and below them.
  EXPECT_LT(lineas.front(), 35);
  EXPECT_GT(lineas.back(), 60);
  for (std::size_t k = 1; k < lineas.size(); ++k)
    EXPECT_EQ(lineas[k], lineas[k - 1] + 1) << "after line " << lineas[k - 1];
  // Nothing but the page: as tall as the lines it shows.
  EXPECT_NEAR(imagen.height(), (lineas.back() - lineas.front() + 1) * kAltoDeLinea,
              2 * kAltoDeLinea);
}

// The tray application's long capture as a person runs it: the command, a drag over the
// window, the wheel, Escape; the editor opens on a picture as wide as the area and taller.
TEST_F(ScrollCaptureX11, TheCommandADragTheWheelAndEscapeOpenTheTallPictureInTheEditor) {
  QTemporaryDir home;
  QProcess app;
  app.setProcessEnvironment(tools::testing::corvalinEnvironment(home.path()));
  app.start(QStringLiteral(CORVALIN), {"--action", "toggleScrollCapture"});
  QTest::qWait(1500);  // the area chooser's layers
  const QRect r = vista();
  tools::testing::drag(r.topLeft(), r.bottomRight() + QPoint(1, 1));
  QTest::qWait(1200);
  rueda(r.center(), 5, 12);
  QTest::qWait(300);
  tools::testing::key(QStringLiteral("Escape"));
  // The editor's title gives the picture's size, then the application's name once: the
  // window manager shows _NET_WM_NAME, which getwindowname reads; xdotool searches WM_NAME,
  // the bare title (its "×" is more than one byte in UTF-8: ".+").
  QString titulo;
  (void)QTest::qWaitFor(
      [&] {
        QProcess buscar;
        buscar.start(QStringLiteral("xdotool"),
                     {"search", "--onlyvisible", "--name", "^[0-9]+.+[0-9]+$", "getwindowname"});
        buscar.waitForFinished(5000);
        titulo = QString::fromUtf8(buscar.readAllStandardOutput()).trimmed();
        return !titulo.isEmpty();
      },
      10000);
  app.terminate();
  app.waitForFinished(10000);
  const QRegularExpressionMatch m =
      QRegularExpression(QStringLiteral("(\\d+)×(\\d+)")).match(titulo);
  ASSERT_TRUE(m.hasMatch()) << "no editor: " << titulo.toStdString();
  EXPECT_EQ(m.captured(1).toInt(), r.width());
  EXPECT_GT(m.captured(2).toInt(), r.height() + 300);
}

}  // namespace
}  // namespace corvalin
