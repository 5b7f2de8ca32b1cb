// Shared by the canvas, window and recovery suites: a canvas or a whole editor window over a
// private settings file, fakes for every service, and synthetic mouse input in image coordinates.
#pragma once

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "core/settings.h"
#include "core/texts.h"
#include "editor/editor_queues.h"
#include "editor/editor_view.h"
#include "editor/editor_window_controller.h"
#include "editor_test_support.h"

namespace corvalin::testing {

// Waits until every job queued so far on the editor's background queues has run, then lets
// their results reach the main thread.
inline void esperarColas() {
  colaDeRelleno().sync([] {});
  colaDeExportacion().sync([] {});
  QCoreApplication::processEvents();
  colaDeExportacion().sync([] {});
  QCoreApplication::processEvents();
}

// One mouse event on the canvas at an image point.
inline void raton(EditorView* c, QEvent::Type t, QPointF p, Qt::MouseButton b,
                  Qt::MouseButtons bs) {
  QMouseEvent e(t, c->aVista(p), c->mapToGlobal(c->aVista(p)), b, bs, Qt::NoModifier);
  QApplication::sendEvent(c, &e);
}

// A press at `from`, `pasos` moves and a release at `to` on the canvas, in image coordinates.
inline void arrastrar(EditorView* c, QPointF from, QPointF to, int pasos = 1) {
  raton(c, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
  for (int i = 1; i <= pasos; ++i)
    raton(c, QEvent::MouseMove, from + (to - from) * (double(i) / pasos), Qt::NoButton,
          Qt::LeftButton);
  raton(c, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
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

  void mouse(QEvent::Type type, QPointF image, Qt::MouseButtons buttons) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    raton(view_.get(), type, image, button, buttons);
  }
  void press(QPointF p) { mouse(QEvent::MouseButtonPress, p, Qt::LeftButton); }
  void release(QPointF p) { mouse(QEvent::MouseButtonRelease, p, Qt::NoButton); }
  void click(QPointF p) {
    press(p);
    release(p);
  }
  void drag(QPointF from, QPointF to, int steps = 6) { arrastrar(view_.get(), from, to, steps); }
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

// Reads back `answer` for every picture and notes the picture's size.
struct FakeReader : TextRecognizer {
  void read(const QImage& image, std::function<void(QString, int)> completion) override {
    sizes.push_back(image.size());
    completion(answer, 2);
  }
  std::vector<QSize> sizes;
  QString answer;
};

// A whole editor window over a private settings file, saving into out/, with every service
// faked and recorded.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fijarIdiomaActual(Idioma::ingles);
    settings_ = std::make_unique<Settings>(dir_.path(), dir_.path());
    settings_->d().set(QStringLiteral("saveFolder"), dir_.filePath(QStringLiteral("out")));
    s_.settings = settings_.get();
    s_.portapapeles.ponerPng = [this](const QByteArray& png, const QImage&) { png_ = png; };
    s_.portapapeles.ponerTexto = [this](const QString& t) { texto_ = t; };
    s_.portapapeles.imagen = [] { return QImage(); };
    s_.lector = &reader_;
    s_.toast = [this](const QString& t, const QString& d, const QString&) {
      toasts_.push_back(t + QStringLiteral(" | ") + d);
    };
    s_.mostrarError = [this](QWidget*, const QString& t, const QString& d) {
      errores_.push_back(t + QStringLiteral(" | ") + d);
    };
    s_.subida.lista = [this] { return listo_; };
    s_.subida.subir = [this](const QByteArray&, const QString& nombre,
                             std::function<void(const FinDeSubida&)> fin) {
      subidas_.push_back(nombre);
      fin_ = std::move(fin);
    };
    s_.abrirPreferencias = [this] { ++preferencias_; };
  }

  EditorWindowController& abrir(const QImage& picture) {
    window_ = std::make_unique<EditorWindowController>(picture, s_);
    window_->mostrar();
    esperarColas();
    return *window_;
  }

  // The files saved so far.
  QStringList guardados() const {
    return QDir(dir_.filePath(QStringLiteral("out"))).entryList(QDir::Files);
  }

  QTemporaryDir dir_;
  std::unique_ptr<Settings> settings_;
  ServiciosDelEditor s_;
  std::unique_ptr<EditorWindowController> window_;
  FakeReader reader_;
  QByteArray png_;
  QString texto_;
  std::vector<QString> toasts_;
  std::vector<QString> errores_;
  std::vector<QString> subidas_;
  std::function<void(const FinDeSubida&)> fin_;
  bool listo_ = true;
  int preferencias_ = 0;
};

}  // namespace corvalin::testing
