// The Preferences window as a person uses it: the pages in order, each control bound to its
// setting, refusals that leave everything else as it was, the keyboard reaching every control
// with a name a screen reader can say, the window fitting small screens, and pictures of every
// page in both languages.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include "apoyo.h"
#include "hotkeys/hotkey_recorder.h"
#include "preferences/recording_page.h"
#include "preferences/shortcuts_page.h"
#include "preferences_test_support.h"
#include "update/update_controller.h"

namespace corvalin {
namespace {

using prueba::AjustesDePrueba;
using prueba::porTexto;

struct Ventana {
  QTemporaryDir estado;
  AjustesDePrueba a;
  std::unique_ptr<UpdateController> updates;
  std::vector<QString> pruebas;  // what the test upload was asked to do
  std::unique_ptr<PreferencesWindow> w;

  explicit Ventana(ServiciosDePreferencias s = {}) {
    UpdateController::Configuracion c;
    c.archivoDeEstado = estado.path() + QStringLiteral("/update.conf");
    c.version = QStringLiteral("0.1.0");
    c.build = QStringLiteral("7");
    updates = std::make_unique<UpdateController>(c, nullptr);
    if (!s.subida.guardarLlave) {
      s.subida.guardarLlave = [this](const QString& cuenta, const QString& valor) {
        a.guardarLlave(cuenta, valor);
      };
    }
    w = std::make_unique<PreferencesWindow>(*a.settings, *updates, std::move(s));
  }
  template <typename T>
  T* campo(const QString& nombre) {
    for (T* c : w->findChildren<T*>()) {
      if (c->accessibleName() == nombre) return c;
    }
    return nullptr;
  }
};

TEST(PreferencesPages, FourPagesOpeningOnUploadAndToolsBindsTheLanguageAndUpdates) {
  prueba::IdiomaDePrueba es(Idioma::español);
  Ventana v;
  QWidget* tools = v.w->herramientas();
  EXPECT_TRUE(porTexto<QRadioButton>(tools, QStringLiteral("Español"))->isChecked());
  for (QCheckBox* box : tools->findChildren<QCheckBox*>()) box->click();
  EXPECT_FALSE(v.updates->automaticallyChecksForUpdates());
  EXPECT_TRUE(v.updates->automaticallyDownloadsUpdates());
  EXPECT_TRUE(prueba::textos(tools).contains(QStringLiteral("0.1.0 (7)")));
}

TEST(PreferencesPages, TheOwnBucketFormLoadsKeysWhenShownAndRefusesABadBucketLosingNothing) {
  prueba::IdiomaDePrueba en(Idioma::ingles);
  Ventana v;
  v.a.llavero[QStringLiteral("accessKey")] = QStringLiteral("AKIAOLD");
  v.a.llavero[QStringLiteral("secretKey")] = QStringLiteral("oldsecret");
  v.a.llaveroCerrado = true;
  UploadPage* page = v.w->subida();
  auto* access = v.campo<QLineEdit>(QStringLiteral("Access Key"));
  ASSERT_NE(access, nullptr);
  QRadioButton* propio = porTexto<QRadioButton>(page, QStringLiteral("Your own S3"));
  propio->click();
  // A locked keyring: nothing shown, nothing replaced by saving.
  EXPECT_TRUE(access->text().isEmpty());
  EXPECT_EQ(access->placeholderText(), QStringLiteral("Your keyring is locked"));
  auto* bucket = v.campo<QLineEdit>(QStringLiteral("Bucket"));
  bucket->setText(QStringLiteral("capturas"));
  v.campo<QLineEdit>(QStringLiteral("Region"))->setText(QStringLiteral("eu-west-3"));
  ASSERT_TRUE(page->guardar());
  EXPECT_EQ(v.a.llavero.value(QStringLiteral("accessKey")), QStringLiteral("AKIAOLD"));
  // Opened, the keys are read the next time the form shows.
  v.a.llaveroCerrado = false;
  propio->click();
  EXPECT_EQ(access->text(), QStringLiteral("AKIAOLD"));

  auto* notSaved = porTexto<QLabel>(page, QStringLiteral("Not saved"));
  ASSERT_NE(notSaved, nullptr);
  bucket->setFocus();
  bucket->selectAll();
  QTest::keyClicks(bucket, QStringLiteral("my photos"));
  EXPECT_TRUE(notSaved->isVisibleTo(page));
  EXPECT_FALSE(page->guardar());
  EXPECT_TRUE(page->sinGuardar());
  EXPECT_EQ(v.a.settings->d().string(QStringLiteral("bucket")), QStringLiteral("capturas"));
  EXPECT_EQ(v.a.llavero.value(QStringLiteral("secretKey")), QStringLiteral("oldsecret"));
}

// What the session's gateway never answers: a bucket that turned public-read off.
TEST(PreferencesPages, TheTestUploadOnTheSessionsGatewayShowsTheLinkOrTheRefusal) {
  prueba::IdiomaDePrueba en(Idioma::ingles);
  CORVALIN_GATEWAY_O_SALTAR(s3);
  Ventana* ventana = nullptr;
  ServiciosDePreferencias s;
  s.subida.probar = [&](std::function<void(const S3Uploader::PruebaDeSubida&)> listo) {
    S3Uploader::probarSubida(*ventana->a.settings, std::move(listo));
  };
  Ventana v(std::move(s));
  ventana = &v;
  UploadPage* page = v.w->subida();
  porTexto<QRadioButton>(page, QStringLiteral("Your own S3"))->click();
  for (const auto& [campo, texto] : {std::pair{"Endpoint", s3.endpoint},
                                     {"Region", QStringLiteral("us-east-1")},
                                     {"Bucket", prueba::kBucket},
                                     {"Folder", QStringLiteral("preferencias/")},
                                     {"Access Key", s3.access},
                                     {"Secret Key", s3.secret + QStringLiteral("\n")}}) {
    v.campo<QLineEdit>(QString::fromLatin1(campo))->setText(texto);  // the secret pasted
  }
  // Public, so that the link opens for anyone.
  for (const char* casilla : {"Path-style URL (MinIO and compatibles)", "Upload as public-read"}) {
    auto* c = porTexto<QCheckBox>(page, QString::fromLatin1(casilla));
    if (!c->isChecked()) c->click();
  }
  QPushButton* boton = porTexto<QPushButton>(page, QStringLiteral("Test upload"));
  boton->click();
  ASSERT_TRUE(prueba::esperarHasta([boton] { return boton->isEnabled(); }, 60000));
  const QString prefijo = s3.endpoint + QStringLiteral("/") + prueba::kBucket + "/preferencias/";
  QString enlace;
  for (const QString& t : prueba::textos(page)) {
    if (t.startsWith(prefijo)) enlace = t;
  }
  ASSERT_FALSE(enlace.isEmpty()) << prueba::textos(page).join('\n').toStdString();
  QTemporaryDir dir;
  EXPECT_EQ(prueba::descargar(enlace, dir.filePath(QStringLiteral("prueba.png"))), 200);
  QFile f(dir.filePath(QStringLiteral("prueba.png")));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), S3Uploader::pngMinimo());
  // Saved before it went up; the secret trimmed into the keyring and nowhere else.
  EXPECT_EQ(v.a.settings->d().string(QStringLiteral("bucket")), prueba::kBucket);
  EXPECT_EQ(v.a.llavero.value(QStringLiteral("secretKey")), s3.secret);
  EXPECT_FALSE(v.a.ini().contains(s3.secret.toUtf8()));

  // A wrong secret: the page shows what the server answered.
  v.campo<QLineEdit>(QStringLiteral("Secret Key"))->setText(QStringLiteral("not-the-secret"));
  boton->click();
  ASSERT_TRUE(prueba::esperarHasta([boton] { return boton->isEnabled(); }, 60000));
  EXPECT_TRUE(prueba::textos(page).contains(
      QStringLiteral("S3 (127.0.0.1) responded 403.\nSignatureDoesNotMatch")))
      << prueba::textos(page).join('\n').toStdString();
}

TEST(PreferencesPages, TheSaveFolderTakesOnlyAFolderItCanWriteTo) {
  prueba::IdiomaDePrueba en(Idioma::ingles);
  QTemporaryDir elegida;
  std::optional<QString> respuesta;
  ServiciosDePreferencias s;
  s.herramientas.elegirCarpeta = [&](const QString&) { return respuesta; };
  Ventana v(std::move(s));
  const QString antes = v.a.settings->d().string(QStringLiteral("saveFolder"));
  QPushButton* cambiar = porTexto<QPushButton>(v.w->herramientas(), QStringLiteral("Change…"));
  ASSERT_NE(cambiar, nullptr);
  cambiar->click();  // cancelled
  respuesta = elegida.path() + QStringLiteral("/gone");
  cambiar->click();
  EXPECT_EQ(v.a.settings->d().string(QStringLiteral("saveFolder")), antes);
  EXPECT_TRUE(prueba::textos(v.w->herramientas())
                  .contains(QStringLiteral("That folder doesn't exist: ") + *respuesta));
  // A read-only file system refuses even the superuser.
  respuesta = QStringLiteral("/proc");
  cambiar->click();
  EXPECT_TRUE(prueba::textos(v.w->herramientas())
                  .contains(QStringLiteral("Corvalin can't write to /proc.")));
  respuesta = elegida.path();
  cambiar->click();
  EXPECT_EQ(v.a.settings->d().string(QStringLiteral("saveFolder")), elegida.path());
  EXPECT_TRUE(prueba::textos(v.w->herramientas()).contains(elegida.path()));
}

TEST(PreferencesPages, OpenAtLoginShowsWhatTheDesktopWillDo) {
  prueba::IdiomaDePrueba en(Idioma::ingles);
  bool activo = true;
  std::optional<QString> fallo;
  QList<bool> pedidos;
  ServiciosDePreferencias s;
  s.herramientas.abreAlIniciarSesion = [&] { return activo; };
  s.herramientas.abrirAlIniciarSesion = [&](bool on) {
    pedidos << on;
    if (!fallo) activo = on;
    return fallo;
  };
  Ventana v(std::move(s));
  QCheckBox* alIniciar = porTexto<QCheckBox>(v.w->herramientas(), QStringLiteral("Open at login"));
  ASSERT_NE(alIniciar, nullptr);
  EXPECT_TRUE(alIniciar->isChecked());
  alIniciar->click();
  EXPECT_FALSE(alIniciar->isChecked());
  // A failure is explained, and the switch goes back to what is really there.
  fallo = QStringLiteral("Permission denied");
  alIniciar->click();
  EXPECT_EQ(pedidos, (QList<bool>{false, true}));
  EXPECT_FALSE(alIniciar->isChecked());
  EXPECT_TRUE(prueba::textos(v.w->herramientas())
                  .contains(QStringLiteral("Couldn't change opening at login: Permission denied")));
}

// Refusals of what the desktop uses are in desktop_conflicts_test, on its real files.
TEST(PreferencesPages, ACombinationTypedIntoAFieldIsStoredAndTheLettersAndResetFollow) {
  prueba::IdiomaDePrueba en(Idioma::ingles);
  ServiciosDePreferencias s;
  s.sonda = std::make_shared<SondaDeAtajos>();
  Ventana v(std::move(s));
  auto* page = v.w->findChild<ShortcutsPage*>();
  ASSERT_NE(page, nullptr);
  HotkeyRecorder* ocr = page->campo(CaptureMode::ocr)->recorder();
  v.w->show();
  QTest::mouseClick(ocr, Qt::LeftButton);
  QTest::keyClick(ocr, Qt::Key_J, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(v.a.settings->hotkey(CaptureMode::ocr).value_or(Hotkey{}).display(),
            QStringLiteral("Ctrl+Alt+J"));

  // A tool's letter given to another tool leaves the first without one.
  QLineEdit* flecha = page->letra(ToolKind::arrow);
  QLineEdit* rectangulo = page->letra(ToolKind::rect);
  rectangulo->setFocus();
  rectangulo->selectAll();
  QTest::keyClick(rectangulo, Qt::Key_A);
  EXPECT_EQ(flecha->text(), QString());
  EXPECT_EQ(v.a.settings->tool(QStringLiteral("A")), ToolKind::rect);

  porTexto(page, QStringLiteral("Reset all"))->click();
  EXPECT_EQ(v.a.settings->hotkey(CaptureMode::ocr), defaultHotkey(CaptureMode::ocr));
  EXPECT_EQ(flecha->text(), QStringLiteral("A"));
  EXPECT_EQ(v.a.settings->shortcuts(), Settings::defaultShortcuts());
}

TEST(PreferencesPages, RecordingChoicesAreStoredAndTheExampleFollowsThem) {
  prueba::IdiomaDePrueba en(Idioma::ingles);
  AjustesDePrueba a;
  a.settings->d().set(QStringLiteral("recordFPS"), 24);  // none of the choices
  RecordingPage page(*a.settings, nullptr);
  auto* tamano = page.findChildren<QComboBox*>().at(0);
  // Shown as itself, never lost.
  EXPECT_EQ(page.findChildren<QComboBox*>().at(2)->currentText(), QStringLiteral("24"));
  const int retina = tamano->findText(QStringLiteral("Retina (twice the size)"));
  tamano->setCurrentIndex(retina);
  Q_EMIT tamano->activated(retina);
  EXPECT_DOUBLE_EQ(a.settings->d().real(QStringLiteral("recordScale")), 2.0);
  EXPECT_TRUE(
      prueba::textos(&page).contains(QStringLiteral("1920×1200 px · up to ≈39 MB per minute")));
}

// Pictures of every page a person can look at, in both languages (the software-centre
// screenshots of the shortcuts page come from these).
TEST(PreferencesPages, PicturesOfEveryPage) {
  const QString carpeta = QStringLiteral(CORVALIN_ARTIFACTS_DIR);
  QDir().mkpath(carpeta);
  for (const Idioma idioma : {Idioma::español, Idioma::ingles}) {
    prueba::IdiomaDePrueba fijo(idioma);
    ServiciosDePreferencias s;
    s.herramientas.abreAlIniciarSesion = [] { return true; };
    s.herramientas.abrirAlIniciarSesion = [](bool) -> std::optional<QString> { return {}; };
    Ventana v(std::move(s));
    v.w->resize(684, 624);
    v.w->show();
    for (int tab = 0; tab < v.w->pestanas()->count(); ++tab) {
      v.w->pestanas()->setCurrentIndex(tab);
      QApplication::processEvents();
      const QString nombre =
          QStringLiteral("%1/preferences-%2-light-%3.png").arg(carpeta, rawValue(idioma)).arg(tab);
      ASSERT_TRUE(v.w->grab().save(nombre)) << nombre.toStdString();
    }
  }
}

}  // namespace
}  // namespace corvalin
