// The Preferences forms' rules, away from their widgets: what Save stores and what it refuses,
// how the save folder reads and when it is refused, the recording estimate, and giving a
// capture command a combination.
#include <gtest/gtest.h>

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "hotkeys/sonda_de_atajos.h"
#include "platform/notification_center.h"
#include "preferences/bucket_form.h"
#include "preferences/hotkey_assignment.h"
#include "preferences/recording_page.h"
#include "preferences/tools_page.h"
#include "preferences_test_support.h"
#include "upload/s3_config.h"

namespace corvalin {
namespace {

using prueba::AjustesDePrueba;

TEST(BucketForm, SaveTrimsWhatItShouldKeepsThePrefixAsTypedAndClampsTheLinkLife) {
  AjustesDePrueba a;
  FormularioDeBucket f = FormularioDeBucket::leer(*a.settings);
  f.endpoint = QStringLiteral("  https://s3.example.net\n");
  f.region = QStringLiteral(" eu-west-3 ");
  f.bucket = QStringLiteral("\tfotos ");
  f.prefix = QStringLiteral(" capturas/ ");
  f.publicBase = QStringLiteral(" https://cdn.example.net ");
  f.publicRead = true;
  f.presign = true;
  f.presignDays = 30;
  f.cargarLlaves(*a.settings);
  f.accessKey = QStringLiteral(" AKIA123 ");
  f.secretKey = QStringLiteral("s3cr3t\n");  // pasted with its line break
  ASSERT_TRUE(revisar(f).valida());
  guardar(f, DestinoDeSubida::propio, *a.settings,
          [&](const QString& cuenta, const QString& valor) { a.guardarLlave(cuenta, valor); });

  const SettingsStore& d = a.settings->d();
  EXPECT_EQ(a.settings->uploadTarget(), DestinoDeSubida::propio);
  EXPECT_EQ(d.string(QStringLiteral("endpoint")), QStringLiteral("https://s3.example.net"));
  EXPECT_EQ(d.string(QStringLiteral("bucket")), QStringLiteral("fotos"));
  EXPECT_EQ(d.string(QStringLiteral("prefix")), QStringLiteral(" capturas/ "));
  EXPECT_EQ(d.string(QStringLiteral("publicBase")), QStringLiteral("https://cdn.example.net"));
  EXPECT_EQ(a.llavero.value(QStringLiteral("secretKey")), QStringLiteral("s3cr3t"));
  EXPECT_EQ(a.settings->s3().presignSeconds, 7 * 86400);
  // The keys went to the keyring only: the settings file never holds them.
  const QByteArray ini = a.ini();
  ASSERT_FALSE(ini.isEmpty());
  EXPECT_FALSE(ini.contains("s3cr3t") || ini.contains("AKIA123"));

  f.presignDays = 0;
  f.publicRead = false;
  guardar(f, DestinoDeSubida::propio, *a.settings, {});
  EXPECT_EQ(d.integer(QStringLiteral("presignDays")), 1);
  EXPECT_EQ(d.string(QStringLiteral("acl")), QString());
}

TEST(BucketForm, KeysNeverLoadedIntoTheFormOrInALockedKeyringAreLeftAsTheyWere) {
  AjustesDePrueba a;
  a.llavero[QStringLiteral("accessKey")] = QStringLiteral("VIEJA");
  a.llavero[QStringLiteral("secretKey")] = QStringLiteral("guardada");
  FormularioDeBucket f = FormularioDeBucket::leer(*a.settings);
  EXPECT_FALSE(f.llavesCargadas);
  EXPECT_TRUE(f.accessKey.isEmpty());
  int escrituras = 0;
  guardar(f, DestinoDeSubida::propio, *a.settings,
          [&](const QString&, const QString&) { ++escrituras; });
  EXPECT_EQ(escrituras, 0);
  // A locked keyring: the keys are not loaded, saving leaves them, a typed one replaces its own.
  a.llaveroCerrado = true;
  f.cargarLlaves(*a.settings);
  EXPECT_FALSE(f.llavesCargadas);
  QStringList escritas;
  f.accessKey = QStringLiteral(" NUEVA ");
  guardar(f, DestinoDeSubida::propio, *a.settings,
          [&](const QString& cuenta, const QString& valor) { escritas << cuenta + '=' + valor; });
  EXPECT_EQ(escritas, QStringList{QStringLiteral("accessKey=NUEVA")});
}

TEST(BucketForm, AddressesWithoutSchemeAreCompletedAndBadOnesRefused) {
  prueba::IdiomaDePrueba en(Idioma::ingles);
  AjustesDePrueba a;
  FormularioDeBucket f = FormularioDeBucket::leer(*a.settings);
  f.endpoint = QStringLiteral(" s3.eu-central-1.amazonaws.com ");
  f.publicBase = QStringLiteral("cdn.example.net");
  RevisionDeBucket r = revisar(f);
  EXPECT_TRUE(r.valida());
  EXPECT_EQ(f.endpoint, QStringLiteral("https://s3.eu-central-1.amazonaws.com"));
  EXPECT_EQ(f.publicBase, QStringLiteral("https://cdn.example.net"));
  EXPECT_EQ(r.arreglos, (QStringList{QStringLiteral("Added https:// to the endpoint."),
                                     QStringLiteral("Added https:// to the custom domain.")}));

  f.endpoint = QStringLiteral("ftp://s3.example.net");
  f.bucket = QStringLiteral("mis fotos");
  r = revisar(f);
  ASSERT_EQ(r.problemas.size(), 2);
  EXPECT_TRUE(r.problemas[0].startsWith(QStringLiteral("The endpoint must be")));
  EXPECT_TRUE(r.problemas[1].startsWith(QStringLiteral("A bucket name has only")));
  // Names S3 compatibles accept pass, dots and capitals of older buckets included.
  for (const char* nombre : {"fotos", "Mi.Bucket-2024", "a_b", ""}) {
    f = FormularioDeBucket::leer(*a.settings);
    f.bucket = QString::fromLatin1(nombre);
    EXPECT_TRUE(revisar(f).valida()) << nombre;
  }
  for (const char* nombre : {"a/b", "a?b", "fotos\tde hoy", "ñandú"}) {
    f = FormularioDeBucket::leer(*a.settings);
    f.bucket = QString::fromUtf8(nombre);
    EXPECT_FALSE(revisar(f).valida()) << nombre;
  }
}

TEST(SaveFolder, OnlyAFolderCorvalinCanWriteToIsAccepted) {
  prueba::IdiomaDePrueba en(Idioma::ingles);
  QTemporaryDir dir;
  EXPECT_EQ(problemaDeCarpeta(dir.path()), std::nullopt);
  EXPECT_TRUE(QDir(dir.path())
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                  .isEmpty());  // the write test leaves nothing behind
  // A folder that doesn't exist: PreferencesPages.TheSaveFolderTakesOnlyAFolderItCanWriteTo.
  QFile archivo(dir.path() + QStringLiteral("/nota.txt"));
  ASSERT_TRUE(archivo.open(QIODevice::WriteOnly));
  archivo.close();
  EXPECT_EQ(problemaDeCarpeta(archivo.fileName()),
            QStringLiteral("“") + archivo.fileName() + QStringLiteral("” isn't a folder."));
  // A read-only file system refuses even the superuser.
  EXPECT_EQ(problemaDeCarpeta(QStringLiteral("/proc")),
            QStringLiteral("Corvalin can't write to /proc."));
}

// A delivery check whose timers the test fires by hand.
struct SondaManual {
  std::vector<std::function<void()>> vencer;
  std::shared_ptr<SondaDeAtajos> sonda = std::make_shared<SondaDeAtajos>(
      [this](std::chrono::milliseconds, std::function<void()> alVencer) {
        vencer.push_back(std::move(alVencer));
        return std::make_shared<int>(0);
      });
};

TEST(HotkeyAssignment, RefusesTakenCombinationsStoresTheRestAndWaitsForThem) {
  prueba::IdiomaDePrueba en(Idioma::ingles);
  AjustesDePrueba a;
  SondaManual manual;
  const Hotkey escritorio{0, Hotkey::kControl | Hotkey::kOption};  // the desktop's Ctrl+Alt+A
  AsignacionDeAtajos asignacion(
      *a.settings,
      [&] {
        return AtajosDelEscritorio{{QStringLiteral("Screenshot of an area"), {escritorio}}};
      },
      manual.sonda);
  int cambios = 0;
  QObject contexto;
  NotificationCenter::shared().observe(QString::fromUtf8(notificacion::kHotkeysChanged), &contexto,
                                       [&](const QVariant&) { ++cambios; });

  const std::optional<Hotkey> deArea = a.settings->hotkey(CaptureMode::area);
  std::optional<bool> llego;
  auto oir = [&](bool l) { llego = l; };
  EXPECT_EQ(asignacion.asignar(CaptureMode::ocr, deArea, oir),
            QStringLiteral("Already used by “Capture Area” right here."));
  EXPECT_EQ(asignacion.asignar(CaptureMode::ocr, escritorio, oir),
            QStringLiteral("Your desktop already uses it for “Screenshot of an area”. Choose "
                           "another or turn it off in your desktop's keyboard shortcuts."));
  EXPECT_EQ(a.settings->hotkey(CaptureMode::ocr), defaultHotkey(CaptureMode::ocr));
  QCoreApplication::processEvents();
  EXPECT_EQ(cambios, 0);

  const Hotkey nueva{40, Hotkey::kControl | Hotkey::kShift | Hotkey::kOption};
  EXPECT_EQ(asignacion.asignar(CaptureMode::ocr, nueva, oir), std::nullopt);
  EXPECT_EQ(a.settings->hotkey(CaptureMode::ocr), nueva);
  EXPECT_TRUE(manual.sonda->pendiente(hotkeyId(CaptureMode::ocr)));
  manual.sonda->llego(hotkeyId(CaptureMode::ocr));
  QCoreApplication::processEvents();
  EXPECT_EQ(llego, true);
  EXPECT_EQ(cambios, 1);

  // A check nobody answers times out, once.
  llego.reset();
  asignacion.probarDeNuevo(CaptureMode::ocr, oir);
  ASSERT_FALSE(manual.vencer.empty());
  manual.vencer.back()();
  QCoreApplication::processEvents();
  EXPECT_EQ(llego, false);

  // Clearing is never refused and waits for nothing.
  EXPECT_EQ(asignacion.asignar(CaptureMode::color, std::nullopt, oir), std::nullopt);
  EXPECT_EQ(a.settings->hotkey(CaptureMode::color), std::nullopt);
  EXPECT_FALSE(manual.sonda->pendiente(hotkeyId(CaptureMode::color)));
}

}  // namespace
}  // namespace corvalin
