// The review window's actions on a recording file: names for saved copies, copy (Ctrl+C,
// Escape), save (Return), upload once (Ctrl+Return) with its failure shown, and a window closed
// without a choice that still keeps the recording.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include "core/texts.h"
#include "recording/windows/review_actions.h"
#include "recording/windows/review_window.h"
#include "support/portapapeles_de_prueba.h"

namespace corvalin {
namespace {

TEST(ReviewActions, SavedCopiesAreNamedForTheirTimeAndNeverReplaceOneAnother) {
  QTemporaryDir dir;
  const QDateTime cuando(QDate(2026, 12, 7), QTime(14, 5, 9));
  EXPECT_EQ(nombreParaGuardar(dir.path(), cuando),
            dir.filePath(QStringLiteral("Corvalin 2026-12-07 a las 14.05.09.mp4")));

  // Saving twice in one second: two files.
  QTemporaryDir destino;
  const QString video = dir.filePath(QStringLiteral("v.mp4"));
  QFile f(video);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write("0123456789") == 10);
  f.close();
  // Recordings are private while they are made; the saved copy is an ordinary file.
  f.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
  QString error;
  const auto a = guardarCopia(video, destino.path(), cuando, &error);
  const auto b = guardarCopia(video, destino.path(), cuando, &error);
  ASSERT_TRUE(a && b);
  const mode_t mascara = ::umask(0);
  ::umask(mascara);
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(*a).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0666 & ~mascara);
  EXPECT_EQ(QDir(destino.path()).entryList(QDir::Files).size(), 2);
  EXPECT_TRUE(QFile::exists(video));
  // A folder that isn't there, or none at all: the reason, and nothing written anywhere.
  EXPECT_FALSE(guardarCopia(video, dir.filePath(QStringLiteral("no/existe")), cuando, &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_FALSE(QFile::exists(QStringLiteral("Corvalin 2026-12-07 a las 14.05.09.mp4")));
}

class ReviewWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    fijarIdiomaActual(Idioma::español);
    ASSERT_TRUE(tmp_.isValid() && carpeta_.isValid());
    archivo_ = tmp_.filePath(QStringLiteral("Corvalin-abcd.mp4"));
    QFile f(archivo_);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(2048, 'x'));
  }
  std::unique_ptr<VideoWindow> ventana(bool lista = true) {
    ServiciosDeRevision s;
    s.portapapeles = &portapapeles_;
    s.aviso = [this](const QString& t, const QString& d, const QString&) {
      avisos_.push_back({t, d});
    };
    s.subidaLista = [lista] { return lista; };
    s.subir = [this](const Cuerpo&, const QString& tipo, const QString& ext, const QString&,
                     std::function<void(const ResultadoDeSubida&)> listo) {
      ++subidas_;
      EXPECT_EQ(tipo, QStringLiteral("video/mp4"));
      EXPECT_EQ(ext, QStringLiteral("mp4"));
      listo_ = std::move(listo);
    };
    s.alerta = [this](QWidget*, const QString& m, const QString& d) { alertas_ << m + ": " + d; };
    s.carpeta = [this] { return carpetaElegida_; };
    auto v = crearVentanaDeVideo(archivo_, {1280, 720}, std::move(s));
    w_ = ventanaDeRevision();
    return v;
  }
  // Shown and active, so its shortcuts take the keys.
  void mostrar(VideoWindow& v) {
    v.mostrar();
    QApplication::setActiveWindow(w_);
    EXPECT_TRUE(QTest::qWaitForWindowActive(w_));
  }
  QString estado() const {
    QStringList t;
    for (QLabel* l : w_->findChildren<QLabel*>()) t << l->text();
    return t.join(QLatin1Char('|'));
  }
  QStringList guardados() const {
    return QDir(carpeta_.path()).entryList({QStringLiteral("*.mp4")});
  }

  QTemporaryDir tmp_, carpeta_;
  QString archivo_;
  QString carpetaElegida_ = carpeta_.path();
  prueba::PortapapelesDePrueba portapapeles_;
  std::vector<std::pair<QString, QString>> avisos_;
  QStringList alertas_;
  int subidas_ = 0;
  std::function<void(const ResultadoDeSubida&)> listo_;
  QWidget* w_ = nullptr;
};

TEST_F(ReviewWindow, CopyPutsTheFileOnTheClipboardAndEscapeCopiesAndCloses) {
  auto v = ventana();
  mostrar(*v);
  QTest::keyClick(w_, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(portapapeles_.archivos, QStringList{archivo_});

  portapapeles_.archivos.clear();
  QTest::keyClick(w_, Qt::Key_Escape);
  EXPECT_EQ(portapapeles_.archivos, QStringList{archivo_});
  EXPECT_FALSE(w_->isVisible());
  // What the clipboard points at stays where it is.
  EXPECT_TRUE(QFile::exists(archivo_));
}

// Return saving into the folder: shell_recording_x11_test.cpp, through the real shell.
TEST_F(ReviewWindow, WithoutAFolderSavingSaysSoAndClosingWithoutAChoiceKeepsTheRecording) {
  // No folder set: it says so and stays.
  carpetaElegida_.clear();
  auto sinCarpeta = ventana();
  mostrar(*sinCarpeta);
  QTest::keyClick(w_, Qt::Key_Enter);
  EXPECT_TRUE(w_->isVisible());
  EXPECT_TRUE(estado().contains(QStringLiteral("Falta la carpeta en Preferencias")));
  // Closed anyway: the recording stays where it is, and the toast says where.
  sinCarpeta->cerrar();
  EXPECT_TRUE(QFile::exists(archivo_));
  EXPECT_EQ(avisos_.back().first, QStringLiteral("La grabación quedó en %1").arg(archivo_));

  // With a folder, closing without a choice moves it there.
  carpetaElegida_ = carpeta_.path();
  auto cerrada = ventana();
  cerrada->mostrar();
  cerrada->cerrar();
  EXPECT_FALSE(QFile::exists(archivo_));
  ASSERT_EQ(guardados().size(), 1);
  EXPECT_TRUE(QFile::exists(cerrada->archivo()));
  EXPECT_TRUE(avisos_.back().second.endsWith(guardados()[0]));
}

TEST_F(ReviewWindow, AnUploadStartsOnceAndItsFailureBringsTheWindowBack) {
  {
    auto noLista = ventana(false);
    mostrar(*noLista);
    QTest::keyClick(w_, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(subidas_, 0);
    EXPECT_TRUE(w_->isVisible());
    EXPECT_TRUE(estado().contains(QStringLiteral("Falta configurar dónde se sube")));
    // Closed with no folder to go to: the file stays for the next try.
    carpetaElegida_.clear();
    noLista->cerrar();
    carpetaElegida_ = carpeta_.path();
  }
  auto v = ventana();
  mostrar(*v);
  QTest::keyClick(w_, Qt::Key_Return, Qt::ControlModifier);
  QTest::keyClick(w_, Qt::Key_Return, Qt::ControlModifier);
  EXPECT_EQ(subidas_, 1);
  EXPECT_FALSE(w_->isVisible());
  ASSERT_TRUE(listo_);
  listo_(ErrorDeSubida(ErrorDeRed{ErrorDeRed::Tipo::conexion, QStringLiteral("sin-red.test"), {}}));
  EXPECT_TRUE(w_->isVisible());
  EXPECT_EQ(alertas_.size(), 1);
  // The recording is still there for another try.
  EXPECT_TRUE(QFile::exists(archivo_));
}

}  // namespace
}  // namespace corvalin
