// The editor window as a user meets it: copy, save and upload with their failures, compare, copy
// text with a crop, tool groups, zoom and the window's size.
#include <gtest/gtest.h>

#include <QPainter>
#include <QScrollBar>
#include <QToolButton>

#include "editor/centering_clip_view.h"
#include "editor/pixel_options_bar.h"
#include "editor/tools_control.h"
#include "editor_fixture.h"

namespace corvalin {
namespace {

using testing::esperarColas;
using testing::filled;

class Window : public testing::WindowTest {
 protected:
  void dibujarFlecha() {
    window_->canvas()->setTool(ToolKind::arrow);
    testing::arrastrar(window_->canvas(), {20, 20}, {100, 60});
  }
};

TEST_F(Window, CopyPutsAPngOfTheExportSizeAndEscapeCopiesAndCloses) {
  settings_->d().set(QStringLiteral("exportScale"), 0.5);
  EditorWindowController& w = abrir(filled(301, 201, Qt::white));
  w.copyToClipboard();
  esperarColas();
  const QImage copied = QImage::fromData(png_, "PNG");
  EXPECT_EQ(copied.size(), QSize(151, 101));
  png_.clear();
  QTest::keyClick(w.canvas(), Qt::Key_Escape);
  esperarColas();
  EXPECT_FALSE(png_.isEmpty());
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(toasts_, std::vector<QString>{QStringLiteral("Copied to the clipboard | ")});
}

TEST_F(Window, SavingWritesAFileAndClosesOrKeepsTheDocumentOnFailure) {
  EditorWindowController& w = abrir(filled(300, 200, Qt::white));
  dibujarFlecha();
  // A file where the folder should be: saving must fail and lose nothing.
  QFile blocker(dir_.filePath(QStringLiteral("out")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  QTest::keyClick(w.canvas(), Qt::Key_Return);
  esperarColas();
  ASSERT_EQ(errores_.size(), 1u);
  // The system's reason follows the title.
  EXPECT_TRUE(errores_[0].startsWith(QStringLiteral("Couldn't finish | ")));
  EXPECT_TRUE(w.isVisible());
  EXPECT_EQ(w.canvas()->documento().shapes.size(), 1u);
  // Ctrl+S saves as Return does.
  ASSERT_TRUE(QFile::remove(blocker.fileName()));
  QApplication::setActiveWindow(&w);
  QTest::keyClick(w.canvas(), Qt::Key_S, Qt::ControlModifier);
  esperarColas();
  EXPECT_FALSE(w.isVisible());
  // What is in the file is checked on the real screen, in the X11 suite.
  EXPECT_EQ(guardados().size(), 1);
}

TEST_F(Window, UploadsReportLinksAndAFailureBringsTheDocumentBack) {
  EditorWindowController& w = abrir(filled(300, 200, Qt::white));
  listo_ = false;
  w.upload();
  EXPECT_EQ(preferencias_, 1);

  listo_ = true;
  dibujarFlecha();
  w.upload();
  esperarColas();
  fin_(FinDeSubida{std::nullopt, {}, false, false, QStringLiteral("timed out")});
  EXPECT_TRUE(w.isVisible());
  EXPECT_EQ(errores_, std::vector<QString>{QStringLiteral("Couldn't finish | timed out")});
  EXPECT_EQ(w.canvas()->documento().shapes.size(), 1u);

  w.upload();
  esperarColas();
  fin_(FinDeSubida{QStringLiteral("https://x.example/a.png"), {}, false, false, {}});
  EXPECT_EQ(texto_, QStringLiteral("https://x.example/a.png"));

  // The window was replaced before a failure came back: the picture goes to the save folder.
  w.mostrar();
  w.upload();
  esperarColas();
  auto fin = fin_;
  window_.reset();
  fin(FinDeSubida{std::nullopt, {}, false, false, QStringLiteral("offline")});
  EXPECT_TRUE(toasts_.back().startsWith(QStringLiteral("Upload failed | ")));
  EXPECT_EQ(guardados().size(), 1);
}

TEST_F(Window, HistoryAndCompareLeaveTheDocumentAsItWas) {
  EditorWindowController& w = abrir(filled(300, 200, Qt::white));
  Q_EMIT w.botonOriginal()->pressed();
  EXPECT_TRUE(w.canvas()->showingOriginal());
  Q_EMIT w.botonOriginal()->released();
  EXPECT_FALSE(w.canvas()->showingOriginal());
  dibujarFlecha();
  w.mostrarPasoAnterior(true);
  EXPECT_TRUE(w.canvas()->showingPrevious());
  w.mostrarPasoAnterior(false);
  EXPECT_EQ(w.canvas()->documento().shapes.size(), 1u);
}

TEST_F(Window, CopyTextReadsOnlyTheMarkedCropAndLeavesItMarked) {
  EditorWindowController& w = abrir(filled(300, 200, Qt::white));
  reader_.answer = QStringLiteral("  uno\ndos \n");
  w.canvas()->setTool(ToolKind::crop);
  w.canvas()->setCropSelection(QRectF(10, 20, 100, 50));
  w.copyText();
  esperarColas();
  EXPECT_EQ(reader_.sizes, std::vector<QSize>{QSize(100, 50)});
  EXPECT_EQ(texto_, QStringLiteral("uno\ndos"));
  reader_.answer = QStringLiteral(" \n");
  w.copyText();
  esperarColas();
  EXPECT_EQ(w.status(), QStringLiteral("I didn't see any text in the screenshot"));
}

TEST_F(Window, ALetterSelectsItsGroupAndTheGroupRemembersIt) {
  EditorWindowController& w = abrir(filled(300, 200, Qt::white));
  QTest::keyClick(w.canvas(), 'o');  // oval, in the shapes group
  const int shapes = grupo(ToolKind::ellipse);
  EXPECT_EQ(w.toolsControl()->selectedSegment(), shapes);
  QTest::keyClick(w.canvas(), 'v');
  w.alEscoger(shapes);
  EXPECT_EQ(w.canvas()->tool(), ToolKind::ellipse);
  QTest::keyClick(w.canvas(), 'e');  // erase shows the options bar
  EXPECT_TRUE(w.optionsBar()->isVisible());
  QTest::keyClick(w.canvas(), 'v');
  EXPECT_FALSE(w.optionsBar()->isVisible());
}

TEST_F(Window, ZoomReadsInDevicePixelsAndSmallPicturesOpenAtTheMinimumWidth) {
  EditorWindowController& w = abrir(filled(100, 100, Qt::white));
  w.fijarEscalaDePantalla(2);
  w.fitWindowToImage();
  EXPECT_EQ(w.width(), 820);
  w.handleZoom({ZoomCommand::Tipo::actual});
  EXPECT_DOUBLE_EQ(w.canvas()->escala(), 0.5);
}

TEST_F(Window, ALongCaptureOpensZoomsAndShowsItsLastRows) {
  QImage tall = filled(1440, 20000, Qt::white);
  QPainter(&tall).fillRect(0, 19900, 1440, 100, QColor(0, 128, 0));
  EditorWindowController& w = abrir(tall);
  w.fijarEscalaDePantalla(1);
  w.handleZoom({ZoomCommand::Tipo::actual});
  ASSERT_EQ(w.canvas()->size(), QSize(1440, 20000));
  QScrollBar* v = w.clipView()->verticalScrollBar();
  v->setValue(v->maximum());
  EXPECT_EQ(w.canvas()->grab(QRect(100, 19950, 200, 40)).toImage().pixel(100, 20), qRgb(0, 128, 0));
}

}  // namespace
}  // namespace corvalin
