// The capture service's watcher and delivery rules, against stand-in tools written as shell
// scripts: one that writes slowly and lingers, one that leaves a truncated file, an empty one,
// none at all, and one that cannot be started. (The real tool runs with the same command lines
// on the X server in tests/tools/screenshot_x11_test.cpp.)
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "capture/screenshot_capture_service.h"
#include "platform/main_thread.h"

namespace corvalin {
namespace {

struct Resultado {
  int veces = 0;
  QImage imagen;
  bool enPrincipal = false;
  qint64 ms = -1;
};

class CaptureServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    referencia = QImage(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 64; ++x) referencia.setPixel(x, y, qRgb(x * 4, y * 5, (x ^ y) * 3));
    png = dir.path() + QStringLiteral("/ref.png");
    ASSERT_TRUE(referencia.save(png, "PNG"));
    temp = dir.path() + QStringLiteral("/tmp");
    QDir().mkpath(temp);
  }

  // A stand-in tool: `body` runs with $OUT set to the output path and $REF to a finished PNG;
  // every call appends its arguments to args.log.
  QString herramienta(const QString& body) {
    const QString path = dir.path() + QStringLiteral("/tool-%1.sh").arg(++tools);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly) &&
                f.write(QStringLiteral("#!/bin/sh\nfor OUT; do :; done\nREF='%1'\n"
                                       "echo \"$@\" >> '%2/args.log'\n%3\n")
                            .arg(png, dir.path(), body)
                            .toUtf8()) > 0);
    f.close();
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
  }

  ServicioDeCaptura servicio(const QString& tool) {
    return ServicioDeCaptura({tool, temp, std::chrono::milliseconds(40)});
  }

  std::function<void(QImage)> recoger(Resultado& r) {
    timer.start();
    return [&r, this](const QImage& image) {
      ++r.veces;
      r.imagen = image;
      r.enPrincipal = enHiloPrincipal();
      r.ms = timer.elapsed();
    };
  }

  QStringList archivosTemporales() const { return QDir(temp).entryList(QDir::Files); }
  QString args() const {
    QFile f(dir.path() + QStringLiteral("/args.log"));
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll());
  }

  QTemporaryDir dir;
  QImage referencia;
  QString png, temp;
  int tools = 0;
  QElapsedTimer timer;
};

TEST_F(CaptureServiceTest, AFinishedFileIsDeliveredBeforeTheToolExitsThenDeleted) {
  // Writes half, pauses, writes the rest, then lingers a second before exiting.
  const QString tool =
      herramienta(QStringLiteral("size=$(wc -c < \"$REF\"); half=$((size / 2))\n"
                                 "head -c $half \"$REF\" > \"$OUT\"; sleep 0.3\n"
                                 "tail -c +$((half + 1)) \"$REF\" >> \"$OUT\"; sleep 1"));
  Resultado r;
  ServicioDeCaptura s = servicio(tool);
  s.capture(CaptureMode::area, recoger(r));
  QTRY_COMPARE_WITH_TIMEOUT(r.veces, 1, 5000);
  EXPECT_TRUE(r.enPrincipal);
  EXPECT_GE(r.ms, 250);   // not before the file was whole
  EXPECT_LT(r.ms, 1100);  // nor waiting for the tool to exit
  EXPECT_EQ(r.imagen.convertToFormat(QImage::Format_RGB32), referencia);
  QTRY_VERIFY_WITH_TIMEOUT(archivosTemporales().isEmpty(), 5000);
  QTest::qWait(100);
  EXPECT_EQ(r.veces, 1);  // the exit handler delivers nothing more
  EXPECT_TRUE(args().startsWith(QStringLiteral("-x -i ") + temp + QStringLiteral("/corvalin-")));
}

// What the tool leaves when it exits is taken then, once: a picture completed just at exit, and
// no picture when it cancelled or left a PNG cut in the middle of its data (which
// the watcher must not take for a finished one meanwhile).
TEST_F(CaptureServiceTest, AtExitTheFileLeftIsDeliveredOnceOrNoPicture) {
  const struct {
    CaptureMode mode;
    QString body;
    bool picture;
  } cases[] = {
      {CaptureMode::fullscreen, QStringLiteral("cp \"$REF\" \"$OUT\""), true},
      {CaptureMode::area,
       QStringLiteral(
           "size=$(wc -c < \"$REF\"); head -c $((size - 40)) \"$REF\" > \"$OUT\"; sleep 0.5"),
       false},
      {CaptureMode::window, QStringLiteral("exit 0"), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body.toStdString());
    Resultado r;
    ServicioDeCaptura s = servicio(herramienta(c.body));
    s.capture(c.mode, recoger(r));
    QTRY_COMPARE_WITH_TIMEOUT(r.veces, 1, 5000);
    if (c.picture)
      EXPECT_EQ(r.imagen.convertToFormat(QImage::Format_RGB32), referencia);
    else
      EXPECT_TRUE(r.imagen.isNull());
    QTRY_VERIFY_WITH_TIMEOUT(archivosTemporales().isEmpty(), 2000);
    QTest::qWait(150);
    EXPECT_EQ(r.veces, 1);
  }
  // Full screen has no selection flags.
  EXPECT_TRUE(args().startsWith(QStringLiteral("-x ") + temp + QStringLiteral("/corvalin-")));
  EXPECT_TRUE(args().section(QLatin1Char('\n'), 2).startsWith(QStringLiteral("-x -i -W -o ")));
}

TEST_F(CaptureServiceTest, AToolThatCannotStartNeverCompletes) {
  ServicioDeCaptura s = servicio(dir.path() + QStringLiteral("/no-existe"));
  QString reported;
  s.alFallarElLanzamiento = [&](const QString& tool) { reported = tool; };
  Resultado r;
  s.capture(CaptureMode::area, recoger(r));
  EXPECT_EQ(reported, dir.path() + QStringLiteral("/no-existe"));
  QTest::qWait(200);
  EXPECT_EQ(r.veces, 0);
  EXPECT_TRUE(archivosTemporales().isEmpty());
}

// The first writes its file late, the second at once: each picture still reaches its own caller.
TEST_F(CaptureServiceTest, TwoCapturesAtOnceEachGetTheirOwnFileAndDelivery) {
  const QString otherPng = dir.path() + QStringLiteral("/other.png");
  ASSERT_TRUE(referencia.copy(0, 0, 10, 10).save(otherPng));
  ServicioDeCaptura slow = servicio(herramienta(QStringLiteral("sleep 0.4; cp \"$REF\" \"$OUT\"")));
  ServicioDeCaptura fast =
      servicio(herramienta(QStringLiteral("cp '%1' \"$OUT\"; sleep 0.2").arg(otherPng)));
  Resultado a, b;
  slow.capture(CaptureMode::area, recoger(a));
  fast.capture(CaptureMode::area, recoger(b));
  QTRY_VERIFY_WITH_TIMEOUT(a.veces == 1 && b.veces == 1, 5000);
  EXPECT_EQ(a.imagen.size(), QSize(64, 48));
  EXPECT_EQ(b.imagen.size(), QSize(10, 10));
  QTRY_VERIFY_WITH_TIMEOUT(archivosTemporales().isEmpty(), 2000);
}

TEST(LoadPixelAccurate, OnlyWholeFilesEndingInIendCountAsComplete) {
  QTemporaryDir dir;
  QImage image(5, 3, QImage::Format_ARGB32);
  image.fill(QColor(1, 2, 3, 4));
  const QString path = dir.path() + QStringLiteral("/a.png");
  ASSERT_TRUE(image.save(path));
  EXPECT_EQ(ServicioDeCaptura::loadPixelAccurate(path, true).value_or(QImage()).pixelColor(2, 1),
            QColor(1, 2, 3, 4));
  ASSERT_TRUE(QFile::resize(path, QFileInfo(path).size() - 12));  // no IEND yet
  EXPECT_FALSE(ServicioDeCaptura::loadPixelAccurate(path, true));
  EXPECT_FALSE(
      ServicioDeCaptura::loadPixelAccurate(dir.path() + QStringLiteral("/none.png"), false));
}

}  // namespace
}  // namespace corvalin
