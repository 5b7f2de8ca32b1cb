#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "core/settings.h"
#include "recording/recording_types.h"
#include "upload/s3_config.h"

namespace corvalin {
namespace {

using namespace Qt::Literals::StringLiterals;

class SettingsTest : public ::testing::Test {
 protected:
  QString archivo() const { return dir.filePath(u"corvalin/corvalin.conf"_s); }
  std::unique_ptr<Settings> abrir() {
    return std::make_unique<Settings>(dir.path(), u"/home/ana/Descargas"_s);
  }
  static void escribir(const QString& path, const QByteArray& contenido) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(contenido);
  }

  QTemporaryDir dir;
};

TEST_F(SettingsTest, ValuesOutOfRangeAreClampedAndMalformedOnesReplaced) {
  auto s = abrir();
  SettingsStore& d = s->d();
  const auto rec = [&](const char* k, const QVariant& v) {
    d.set(QString::fromLatin1(k), v);
    return s->record();
  };
  EXPECT_DOUBLE_EQ(rec("recordScale", 0.05).escala, 1.0);
  EXPECT_EQ(rec("recordFPS", 120).fps, 60);
  EXPECT_EQ(rec("recordMaxWidth", 100).anchoMaximo, 1920);
  d.set(u"presign"_s, true);
  d.set(u"presignDays"_s, 0);
  EXPECT_EQ(s->s3().presignSeconds, 86400);
  d.set(u"presign"_s, false);
  EXPECT_EQ(s->s3().presignSeconds, 0);
  d.set(u"recordAudioSource"_s, u"estereo"_s);
  EXPECT_EQ(s->recordAudioSource(), FuenteDeAudio::sistema);
}

TEST_F(SettingsTest, SecretsComeFromTheKeyringOncePerProcessAndDefaultsAreNeverWritten) {
  auto s = abrir();
  int lecturas = 0;
  s->ponerLectorDeSecretos([&](const QString& cuenta) {
    ++lecturas;
    return cuenta == QLatin1String("accessKey") ? u"AKIA"_s : u"s3cr3t"_s;
  });
  s->d().set(u"bucket"_s, u"capturas"_s);
  EXPECT_TRUE(s->isConfigured());
  const S3Config c = s->s3();
  EXPECT_EQ(c.accessKey, u"AKIA"_s);
  EXPECT_EQ(c.secretKey, u"s3cr3t"_s);
  EXPECT_EQ(lecturas, 2);
  // Neither the secrets nor the defaults reach the settings file.
  s->d().sync();
  QFile f(archivo());
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray text = f.readAll();
  EXPECT_FALSE(text.contains("s3cr3t"));
  EXPECT_FALSE(text.contains("AKIA"));
  EXPECT_FALSE(text.contains("saveFolder"));
}

TEST_F(SettingsTest, HotkeysNeedBothEntriesAsIntegers) {
  auto s = abrir();
  const Hotkey porDefecto{31, 768};
  for (const QString& malo :
       {u"{\"keyCode\": 12}"_s, u"{\"keyCode\": 12, \"modifiers\": \"768\"}"_s,
        u"{\"keyCode\": 12.5, \"modifiers\": 768}"_s, u"no es json"_s}) {
    s->d().set(u"hotkey.ocr"_s, malo);
    EXPECT_EQ(s->hotkey(CaptureMode::ocr), porDefecto) << malo.toStdString();
  }
  // A cleared mode has no combination, across a reopening, until the hotkeys are reset.
  s->setHotkey(std::nullopt, CaptureMode::ocr);
  s->d().sync();
  EXPECT_EQ(abrir()->hotkey(CaptureMode::ocr), std::nullopt);
  s->resetHotkeys();
  EXPECT_EQ(s->hotkey(CaptureMode::ocr), porDefecto);
}

TEST(Settings, ColoursParseOnlyAsHashAndSixHexDigits) {
  EXPECT_EQ(Settings::colorFromHex(u" #ff8000 "_s), QColor(255, 128, 0));
  for (const char* malo : {"ff8000", "#f80", "#ff80001", "#0xff80", "#gg8000"})
    EXPECT_EQ(Settings::colorFromHex(QString::fromLatin1(malo)), std::nullopt) << malo;
}

TEST_F(SettingsTest, EarlierProductSettingsAreImportedOnceWithoutOverwriting) {
  escribir(archivo(), "bucket=nuevo\n");
  escribir(dir.filePath(u"mirel/mirel.conf"_s), "bucket=viejo\nregion=eu-west-1\nrecordFPS=15\n");
  auto s = abrir();
  EXPECT_EQ(s->d().string(u"bucket"_s), u"nuevo"_s);
  EXPECT_EQ(s->d().string(u"region"_s), u"eu-west-1"_s);
  EXPECT_TRUE(s->d().boolean(u"migratedFromMirel"_s));
  // The import runs once: later changes of the old file are not read.
  s->d().remove(u"region"_s);
  s->d().sync();
  EXPECT_EQ(abrir()->d().string(u"region"_s), u"us-east-1"_s);
}

TEST_F(SettingsTest, ACorruptFileKeepsWhatCanBeReadAndIsSetAside) {
  const QByteArray text =
      "bucket=capturas\nrecordFPS=15\n\x01\x02[[[=\nrecordScale=mucho\n"
      "hotkey.area=\"{\\\"keyCode\\\": 18, \\\"modifiers\\\": 768}\"\n[sin cerrar\n";
  escribir(archivo(), text);
  auto s = abrir();
  EXPECT_FALSE(s->d().legible());
  // The file as it was is kept beside the new one.
  QFile damaged(archivo() + u".damaged"_s);
  ASSERT_TRUE(damaged.open(QIODevice::ReadOnly));
  EXPECT_EQ(damaged.readAll(), text);
  EXPECT_EQ(s->hotkey(CaptureMode::area), (Hotkey{18, 768}));
  s->d().sync();
  auto again = abrir();
  EXPECT_TRUE(again->d().legible());
  EXPECT_EQ(again->d().string(u"bucket"_s), u"capturas"_s);
}

}  // namespace
}  // namespace corvalin
