// The Preferences forms' rules, away from their widgets: what Save stores and what it refuses,
// and giving a capture command a combination.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "hotkeys/sonda_de_atajos.h"
#include "platform/notification_center.h"
#include "preferences/bucket_form.h"
#include "preferences/hotkey_assignment.h"
#include "preferences_test_support.h"
#include "upload/s3_config.h"

namespace corvalin {
namespace {

using prueba::AjustesDePrueba;

TEST(BucketForm, SaveTrimsWhatItShouldKeepsThePrefixAsTypedAndClampsTheLinkLife) {
  AjustesDePrueba a;
  FormularioDeBucket f = FormularioDeBucket::leer(*a.settings);
  f.endpoint = QStringLiteral("  https://s3.example.net\n");
  f.bucket = QStringLiteral("\tfotos ");
  f.prefix = QStringLiteral(" capturas/ ");
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
  EXPECT_EQ(d.string(QStringLiteral("endpoint")), QStringLiteral("https://s3.example.net"));
  EXPECT_EQ(d.string(QStringLiteral("bucket")), QStringLiteral("fotos"));
  EXPECT_EQ(d.string(QStringLiteral("prefix")), QStringLiteral(" capturas/ "));
  EXPECT_EQ(a.llavero.value(QStringLiteral("secretKey")), QStringLiteral("s3cr3t"));
  EXPECT_EQ(a.settings->s3().presignSeconds, 7 * 86400);
  // The keys went to the keyring only: the settings file never holds them.
  const QByteArray ini = a.ini();
  ASSERT_FALSE(ini.isEmpty());
  EXPECT_FALSE(ini.contains("s3cr3t") || ini.contains("AKIA123"));

  // Turned private again, uploads are no longer public.
  f.publicRead = false;
  guardar(f, DestinoDeSubida::propio, *a.settings, {});
  EXPECT_EQ(d.string(QStringLiteral("acl")), QString());
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
  // Dots and capitals of older buckets pass.
  f = FormularioDeBucket::leer(*a.settings);
  f.bucket = QStringLiteral("Mi.Bucket-2024");
  EXPECT_TRUE(revisar(f).valida());
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
  // The desktop's own shortcuts are refused in DesktopConflicts, on its real files.
  AsignacionDeAtajos asignacion(
      *a.settings, [] { return AtajosDelEscritorio{}; }, manual.sonda);
  int cambios = 0;
  QObject contexto;
  NotificationCenter::shared().observe(QString::fromUtf8(notificacion::kHotkeysChanged), &contexto,
                                       [&](const QVariant&) { ++cambios; });

  const std::optional<Hotkey> deArea = a.settings->hotkey(CaptureMode::area);
  std::optional<bool> llego;
  auto oir = [&](bool l) { llego = l; };
  EXPECT_EQ(asignacion.asignar(CaptureMode::ocr, deArea, oir),
            QStringLiteral("Already used by “Capture Area” right here."));
  EXPECT_EQ(a.settings->hotkey(CaptureMode::ocr), defaultHotkey(CaptureMode::ocr));
  QCoreApplication::processEvents();
  EXPECT_EQ(cambios, 0);

  const Hotkey nueva{40, Hotkey::kControl | Hotkey::kShift | Hotkey::kOption};
  EXPECT_EQ(asignacion.asignar(CaptureMode::ocr, nueva, oir), std::nullopt);
  EXPECT_EQ(a.settings->hotkey(CaptureMode::ocr), nueva);
  manual.sonda->llego(hotkeyId(CaptureMode::ocr));
  QCoreApplication::processEvents();
  EXPECT_EQ(llego, true);
  EXPECT_EQ(cambios, 1);

  // A check nobody answers times out.
  asignacion.probarDeNuevo(CaptureMode::ocr, oir);
  ASSERT_FALSE(manual.vencer.empty());
  manual.vencer.back()();
  QCoreApplication::processEvents();
  EXPECT_EQ(llego, false);

  // Clearing is never refused and waits for nothing.
  EXPECT_EQ(asignacion.asignar(CaptureMode::color, std::nullopt, oir), std::nullopt);
  EXPECT_FALSE(manual.sonda->pendiente(hotkeyId(CaptureMode::color)));
}

}  // namespace
}  // namespace corvalin
