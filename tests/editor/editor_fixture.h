// Shared by the canvas and window suites: a canvas or a whole editor window over a private
// settings file, fakes for every service, and synthetic mouse input in image coordinates.
#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "core/settings.h"
#include "core/texts.h"
#include "editor/annotation_fonts.h"
#include "editor/editor_queues.h"
#include "editor/editor_view.h"
#include "editor/editor_window_controller.h"
#include "editor_test_support.h"

namespace corvalin::testing {

inline const AnnotationFonts& fuentes() {
  static const AnnotationFonts f;
  return f;
}

// Waits until every job queued so far on the editor's background queues has run, then lets
// their results reach the main thread.
inline void esperarColas() {
  colaDeRelleno().sync([] {});
  colaDeExportacion().sync([] {});
  QCoreApplication::processEvents();
  colaDeExportacion().sync([] {});
  QCoreApplication::processEvents();
}

// A press at `from`, one move and a release at `to` on the canvas, in image coordinates.
inline void arrastrar(EditorView* c, QPointF from, QPointF to) {
  const auto enviar = [c](QEvent::Type t, QPointF p, Qt::MouseButton b, Qt::MouseButtons bs) {
    QMouseEvent e(t, c->aVista(p), c->mapToGlobal(c->aVista(p)), b, bs, Qt::NoModifier);
    QApplication::sendEvent(c, &e);
  };
  enviar(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
  enviar(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
  enviar(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

// A canvas at display scale 1 (one view point per image pixel): image point (x, y) is the
// widget point (x, H − y).
class CanvasTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fijarIdiomaActual(Idioma::ingles);
    settings_ = std::make_unique<Settings>(dir_.path(), dir_.path());
  }

  EditorView& abrir(const QImage& picture) {
    view_ = std::make_unique<EditorView>(picture, *settings_, fuentes());
    view_->resize(picture.size());
    view_->willMutate = [this] { ++mutaciones_; };
    view_->onHint = [this](const QString& t) { hint_ = t; };
    view_->onEscape = [this] { ++escapes_; };
    view_->onImageResized = [this] { ++redimensiones_; };
    view_->show();
    return *view_;
  }

  QPointF w(QPointF image) const { return view_->aVista(image); }

  void mouse(QEvent::Type type, QPointF image, Qt::MouseButtons buttons) {
    const QPointF at = w(image);
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, at, view_->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(view_.get(), &e);
  }
  void press(QPointF p) { mouse(QEvent::MouseButtonPress, p, Qt::LeftButton); }
  void move(QPointF p) { mouse(QEvent::MouseMove, p, Qt::LeftButton); }
  void release(QPointF p) { mouse(QEvent::MouseButtonRelease, p, Qt::NoButton); }
  void click(QPointF p) {
    press(p);
    release(p);
  }
  void drag(QPointF from, QPointF to, int steps = 6) {
    press(from);
    for (int i = 1; i <= steps; ++i) move(from + (to - from) * (double(i) / steps));
    release(to);
  }
  void key(int k, Qt::KeyboardModifiers m = Qt::NoModifier) {
    QTest::keyClick(view_.get(), Qt::Key(k), m);
  }

  QTemporaryDir dir_;
  std::unique_ptr<Settings> settings_;
  std::unique_ptr<EditorView> view_;
  int mutaciones_ = 0;
  int escapes_ = 0;
  int redimensiones_ = 0;
  QString hint_;
};

}  // namespace corvalin::testing
