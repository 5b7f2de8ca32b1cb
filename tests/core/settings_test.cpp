#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "core/settings.h"
#include "recording/recording_types.h"
#include "upload/s3_config.h"

namespace corvalin {
namespace {

class SettingsTest : public ::testing::Test {
 protected:
  QString config() const { return dir.path(); }
  QString archivo() const { return dir.path() + QStringLiteral("/corvalin/corvalin.conf"); }
  std::unique_ptr<Settings> abrir() {
    return std::make_unique<Settings>(config(), QStringLiteral("/home/ana/Descargas"));
  }
  void escribirIni(const QString& path, const QString& text) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text.toUtf8());
  }

  QTemporaryDir dir;
};

TEST_F(SettingsTest, AFreshUserSavesToTheDownloadsFolderWithTheModesDefaultHotkeys) {
  auto s = abrir();
  EXPECT_EQ(s->d().string(QStringLiteral("saveFolder")), QStringLiteral("/home/ana/Descargas"));
  EXPECT_FALSE(s->d().hasStored(QStringLiteral("hotkey.area")));
  EXPECT_EQ(s->hotkey(CaptureMode::area), defaultHotkey(CaptureMode::area));
  EXPECT_EQ(s->stickerRecents(), stickersRecientesPorDefecto());
  EXPECT_TRUE(s->ajustesPorHerramienta().isEmpty());
}

TEST_F(SettingsTest, RegisteredDefaultsAreNeverWritten) {
  abrir()->d().sync();
  QSettings raw(archivo(), QSettings::IniFormat);
  EXPECT_FALSE(raw.contains(QStringLiteral("endpoint")));
  EXPECT_FALSE(raw.contains(QStringLiteral("recordFPS")));
  EXPECT_TRUE(raw.value(QStringLiteral("migratedFromMirel")).toBool());
  EXPECT_TRUE(raw.value(QStringLiteral("migratedAudioSource")).toBool());
}

TEST_F(SettingsTest, RecordingValuesAreClampedOrReplaced) {
  auto s = abrir();
  SettingsStore& d = s->d();
  d.set(QStringLiteral("recordScale"), 0.05);
  EXPECT_DOUBLE_EQ(s->record().escala, 1.0);
  d.set(QStringLiteral("recordScale"), 3.0);
  EXPECT_DOUBLE_EQ(s->record().escala, 2.0);
  d.set(QStringLiteral("recordFPS"), 4);
  EXPECT_EQ(s->record().fps, 30);
  d.set(QStringLiteral("recordFPS"), 120);
  EXPECT_EQ(s->record().fps, 60);
  d.set(QStringLiteral("recordMaxWidth"), 100);
  EXPECT_EQ(s->record().anchoMaximo, 1920);
  d.set(QStringLiteral("recordMaxWidth"), 2560);
  EXPECT_EQ(s->record().anchoMaximo, 2560);
  // Malformed values fall back to the registered default.
  d.set(QStringLiteral("recordFPS"), QStringLiteral("rápido"));
  EXPECT_EQ(s->record().fps, 30);
  d.set(QStringLiteral("recordAudioSource"), QStringLiteral("estereo"));
  EXPECT_EQ(s->recordAudioSource(), FuenteDeAudio::sistema);
}

TEST_F(SettingsTest, PresignLifetimeIsClampedToOneToSevenDays) {
  auto s = abrir();
  s->d().set(QStringLiteral("presign"), true);
  s->d().set(QStringLiteral("presignDays"), 0);
  EXPECT_EQ(s->s3().presignSeconds, 86400);
  s->d().set(QStringLiteral("presignDays"), 30);
  EXPECT_EQ(s->s3().presignSeconds, 604800);
  s->d().set(QStringLiteral("presign"), false);
  EXPECT_EQ(s->s3().presignSeconds, 0);
}

TEST_F(SettingsTest, SecretsComeFromTheKeyringOncePerProcess) {
  auto s = abrir();
  int lecturas = 0;
  s->ponerLectorDeSecretos([&](const QString& cuenta) {
    ++lecturas;
    return cuenta == QLatin1String("accessKey") ? QStringLiteral("AKIA") : QStringLiteral("s3cr3t");
  });
  EXPECT_FALSE(s->isConfigured());  // no bucket yet
  s->d().set(QStringLiteral("bucket"), QStringLiteral("capturas"));
  EXPECT_TRUE(s->isConfigured());
  const S3Config c = s->s3();
  EXPECT_EQ(c.accessKey, QStringLiteral("AKIA"));
  EXPECT_EQ(c.secretKey, QStringLiteral("s3cr3t"));
  EXPECT_EQ(lecturas, 2);
  s->ponerSecretoEnCache(QStringLiteral("secretKey"), QStringLiteral("nuevo"));
  EXPECT_EQ(s->s3().secretKey, QStringLiteral("nuevo"));
  EXPECT_EQ(lecturas, 2);
  // The secrets never reach the settings file.
  s->d().sync();
  QFile f(archivo());
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray text = f.readAll();
  EXPECT_FALSE(text.contains("s3cr3t"));
  EXPECT_FALSE(text.contains("AKIA"));
}

TEST_F(SettingsTest, HotkeysNeedBothEntriesAsIntegers) {
  auto s = abrir();
  s->d().set(QStringLiteral("hotkey.ocr"), QStringLiteral("{\"keyCode\": 12}"));
  EXPECT_EQ(s->hotkey(CaptureMode::ocr), (Hotkey{31, 768}));
  s->d().set(QStringLiteral("hotkey.ocr"),
             QStringLiteral("{\"keyCode\": 12, \"modifiers\": \"768\"}"));
  EXPECT_EQ(s->hotkey(CaptureMode::ocr), (Hotkey{31, 768}));
  s->d().set(QStringLiteral("hotkey.ocr"),
             QStringLiteral("{\"keyCode\": 12.5, \"modifiers\": 768}"));
  EXPECT_EQ(s->hotkey(CaptureMode::ocr), (Hotkey{31, 768}));
  s->d().set(QStringLiteral("hotkey.ocr"), QStringLiteral("no es json"));
  EXPECT_EQ(s->hotkey(CaptureMode::ocr), (Hotkey{31, 768}));

  s->setHotkey(Hotkey{96, 0x1000 | 0x800}, CaptureMode::ocr);
  EXPECT_EQ(s->hotkey(CaptureMode::ocr), (Hotkey{96, 0x1800}));
  s->d().sync();
  // A new store over the same file reads what was written.
  auto again = abrir();
  EXPECT_EQ(again->hotkey(CaptureMode::ocr), (Hotkey{96, 0x1800}));
  // A cleared mode has no combination, across a reopening, until the hotkeys are reset.
  again->setHotkey(std::nullopt, CaptureMode::ocr);
  EXPECT_EQ(again->hotkey(CaptureMode::ocr), std::nullopt);
  again->d().sync();
  EXPECT_EQ(abrir()->hotkey(CaptureMode::ocr), std::nullopt);
  again->resetHotkeys();
  EXPECT_EQ(again->hotkey(CaptureMode::ocr), (Hotkey{31, 768}));
}

TEST_F(SettingsTest, ToolLettersBelongToOneToolEach) {
  auto s = abrir();
  EXPECT_EQ(s->tool(QStringLiteral("r")), ToolKind::rect);
  s->setShortcut(QStringLiteral("  r "), ToolKind::arrow);
  EXPECT_EQ(s->shortcuts().value(QStringLiteral("1")), QStringLiteral("R"));
  EXPECT_EQ(s->shortcuts().value(QStringLiteral("2")), QString());
  EXPECT_EQ(s->tool(QStringLiteral("r")), ToolKind::arrow);
  EXPECT_EQ(s->tool(QStringLiteral("RR")), std::nullopt);
  EXPECT_EQ(s->tool(QString()), std::nullopt);
  // Only the first character is kept; an empty letter leaves the tool without one.
  s->setShortcut(QStringLiteral("xyz"), ToolKind::blur);
  EXPECT_EQ(s->tool(QStringLiteral("X")), ToolKind::blur);
  s->setShortcut(QStringLiteral("   "), ToolKind::blur);
  EXPECT_EQ(s->tool(QStringLiteral("X")), std::nullopt);
}

TEST_F(SettingsTest, StoredToolLettersReplaceTheDefaultsWhole) {
  auto s = abrir();
  s->d().set(QStringLiteral("shortcuts"), QStringLiteral("{\"1\": \"Y\"}"));
  EXPECT_EQ(s->tool(QStringLiteral("y")), ToolKind::arrow);
  EXPECT_EQ(s->tool(QStringLiteral("v")), std::nullopt);  // not merged with the defaults
  s->d().set(QStringLiteral("shortcuts"), QStringLiteral("{\"1\": 5}"));
  EXPECT_EQ(s->tool(QStringLiteral("v")), ToolKind::select);  // not strings: the defaults
  s->d().set(QStringLiteral("shortcuts"), QStringLiteral("{\"99\": \"Y\", \"x\": \"U\"}"));
  EXPECT_EQ(s->tool(QStringLiteral("y")), std::nullopt);  // names no tool
  EXPECT_EQ(s->tool(QStringLiteral("u")), std::nullopt);  // not a number
}

TEST_F(SettingsTest, StickerRecentsKeepTheFirstTen) {
  auto s = abrir();
  QStringList twelve;
  for (int i = 0; i < 12; ++i) twelve << QString(QChar(0x41 + i));
  s->setStickerRecents(twelve);
  EXPECT_EQ(s->stickerRecents(), twelve.mid(0, 10));
  s->d().set(QStringLiteral("stickerRecents"), QStringLiteral("[1, 2]"));
  EXPECT_EQ(s->stickerRecents(), stickersRecientesPorDefecto());
  s->setStickerRecents({QStringLiteral("a, b"), QStringLiteral("c")});
  EXPECT_EQ(s->stickerRecents(), (QStringList{QStringLiteral("a, b"), QStringLiteral("c")}));
}

TEST_F(SettingsTest, PerToolValuesAreMergedIntoOneDictionary) {
  auto s = abrir();
  s->guardarAjuste(QStringLiteral("ancho"), 6, ToolKind::arrow);
  s->guardarAjuste(QStringLiteral("radio"), 40, ToolKind::repair);
  s->guardarAjuste(QStringLiteral("ancho"), 8, ToolKind::arrow);
  const AjustesPorHerramienta all = s->ajustesPorHerramienta();
  EXPECT_DOUBLE_EQ(all.value(QStringLiteral("1")).value(QStringLiteral("ancho")), 8);
  EXPECT_DOUBLE_EQ(all.value(QStringLiteral("13")).value(QStringLiteral("radio")), 40);
  s->d().set(QStringLiteral("ajustesPorHerramienta"), QStringLiteral("{\"1\": 3}"));
  EXPECT_TRUE(s->ajustesPorHerramienta().isEmpty());
}

TEST_F(SettingsTest, ColoursParseOnlyAsHashAndSixHexDigits) {
  const std::optional<QColor> orange = Settings::colorFromHex(QStringLiteral(" #ff8000 "));
  ASSERT_TRUE(orange);
  EXPECT_FLOAT_EQ(orange->redF(), 1.0f);
  EXPECT_NEAR(orange->greenF(), 128 / 255.0, 1e-6);
  EXPECT_FLOAT_EQ(orange->blueF(), 0.0f);
  EXPECT_FLOAT_EQ(orange->alphaF(), 1.0f);
  EXPECT_EQ(Settings::colorFromHex(QStringLiteral("ff8000")), std::nullopt);
  EXPECT_EQ(Settings::colorFromHex(QStringLiteral("#f80")), std::nullopt);
  EXPECT_EQ(Settings::colorFromHex(QStringLiteral("#ff80001")), std::nullopt);
  EXPECT_EQ(Settings::colorFromHex(QStringLiteral("#0xff80")), std::nullopt);
  EXPECT_EQ(Settings::colorFromHex(QStringLiteral("#gg8000")), std::nullopt);
  EXPECT_EQ(Settings::colorFromHex(std::nullopt), std::nullopt);
}

TEST_F(SettingsTest, OldAudioSettingsAreConvertedOnce) {
  escribirIni(archivo(), QStringLiteral("recordMic=true\n"));
  auto s = abrir();
  EXPECT_EQ(s->recordAudioSource(), FuenteDeAudio::ambos);
  EXPECT_FALSE(s->d().hasStored(QStringLiteral("recordMic")));
  s->setRecordAudioSource(FuenteDeAudio::ninguno);
  s->d().set(QStringLiteral("recordMic"), true);  // never converted again
  s->d().sync();
  EXPECT_EQ(abrir()->recordAudioSource(), FuenteDeAudio::ninguno);
}

TEST_F(SettingsTest, OldAudioSettingsMapToEachSource) {
  const std::pair<QString, FuenteDeAudio> cases[] = {
      {QStringLiteral("recordAudio=false\nrecordMic=false\n"), FuenteDeAudio::ninguno},
      {QStringLiteral("recordAudio=true\n"), FuenteDeAudio::sistema},
      {QStringLiteral("recordAudio=false\nrecordMic=true\n"), FuenteDeAudio::microfono},
      {QStringLiteral("recordAudio=true\nrecordMic=true\n"), FuenteDeAudio::ambos}};
  for (const auto& [ini, expected] : cases) {
    QTemporaryDir other;
    escribirIni(other.path() + QStringLiteral("/corvalin/corvalin.conf"), ini);
    Settings s(other.path(), QString());
    EXPECT_EQ(s.recordAudioSource(), expected) << ini.toStdString();
  }
}

TEST_F(SettingsTest, EarlierProductSettingsAreImportedWithoutOverwriting) {
  escribirIni(config() + QStringLiteral("/mirel/mirel.conf"),
              QStringLiteral("bucket=viejo\nregion=eu-west-1\nrecordFPS=15\n"));
  escribirIni(archivo(), QStringLiteral("bucket=nuevo\n"));
  auto s = abrir();
  EXPECT_EQ(s->d().string(QStringLiteral("bucket")), QStringLiteral("nuevo"));
  EXPECT_EQ(s->d().string(QStringLiteral("region")), QStringLiteral("eu-west-1"));
  EXPECT_EQ(s->record().fps, 15);
  EXPECT_TRUE(s->d().boolean(QStringLiteral("migratedFromMirel")));
  // The import runs once: later changes of the old file are not read.
  s->d().remove(QStringLiteral("region"));
  s->d().sync();
  EXPECT_EQ(abrir()->d().string(QStringLiteral("region")), QStringLiteral("us-east-1"));
}

TEST_F(SettingsTest, AnUnreadableEarlierFileIsRetriedAtTheNextStart) {
  // A path that exists but cannot be opened as a file (even by root): a folder.
  const QString mirel = config() + QStringLiteral("/mirel/mirel.conf");
  ASSERT_TRUE(QDir().mkpath(mirel));
  auto s = abrir();
  EXPECT_FALSE(s->d().boolean(QStringLiteral("migratedFromMirel")));
  s->d().sync();
  ASSERT_TRUE(QDir(mirel).removeRecursively());
  escribirIni(mirel, QStringLiteral("bucket=viejo\n"));
  auto again = abrir();
  EXPECT_EQ(again->d().string(QStringLiteral("bucket")), QStringLiteral("viejo"));
  EXPECT_TRUE(again->d().boolean(QStringLiteral("migratedFromMirel")));
}

TEST_F(SettingsTest, ACorruptFileKeepsWhatCanBeReadAndIsSetAside) {
  const QString text = QStringLiteral(
      "bucket=capturas\nrecordFPS=15\n\x01\x02[[[=\nrecordScale=mucho\n"
      "hotkey.area=\"{\\\"keyCode\\\": 18, \\\"modifiers\\\": 768}\"\n[sin cerrar\n");
  escribirIni(archivo(), text);
  auto s = abrir();
  EXPECT_FALSE(s->d().legible());
  // The file as it was is kept beside the new one.
  QFile damaged(archivo() + QStringLiteral(".damaged"));
  ASSERT_TRUE(damaged.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromUtf8(damaged.readAll()), text);
  EXPECT_EQ(s->d().string(QStringLiteral("bucket")), QStringLiteral("capturas"));
  EXPECT_EQ(s->record().fps, 15);
  EXPECT_EQ(s->hotkey(CaptureMode::area), (Hotkey{18, 768}));
  EXPECT_DOUBLE_EQ(s->record().escala, 1.0);  // unreadable: the default
  s->d().set(QStringLiteral("prefix"), QStringLiteral("otra/"));
  s->d().sync();
  auto again = abrir();
  EXPECT_TRUE(again->d().legible());
  EXPECT_EQ(again->d().string(QStringLiteral("bucket")), QStringLiteral("capturas"));
  EXPECT_EQ(again->d().string(QStringLiteral("prefix")), QStringLiteral("otra/"));
  EXPECT_EQ(again->record().fps, 15);
}

TEST_F(SettingsTest, AFileThatIsNotTextDoesNotStopTheApp) {
  QByteArray noise(4096, '\0');
  for (int i = 0; i < noise.size(); ++i) noise[i] = char((i * 131 + 7) & 0xFF);
  QDir().mkpath(QFileInfo(archivo()).path());
  QFile f(archivo());
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(noise);
  f.close();
  auto s = abrir();
  EXPECT_EQ(s->record().fps, 30);
  EXPECT_EQ(s->hotkey(CaptureMode::area), (Hotkey{29, 768}));
  s->d().set(QStringLiteral("bucket"), QStringLiteral("b"));
  s->d().sync();
  EXPECT_EQ(abrir()->d().string(QStringLiteral("bucket")), QStringLiteral("b"));
}

}  // namespace
}  // namespace corvalin
