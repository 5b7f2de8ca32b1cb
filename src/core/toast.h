// Toasts: a small message that fades in centred at the top of the screen, stays a few seconds
// and fades out. Click-through and never takes focus; one on screen at a time.
#pragma once

#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>
#include <functional>

class QPropertyAnimation;
class QPushButton;
class QTimer;

namespace corvalin {

// The panel is as wide as its content needs, within 240 to 460 points.
int anchoDeToast(int anchoNatural);
// Centred horizontally, 16 points below the top of the screen's available area.
QPoint posicionDeToast(const QRect& disponible, const QSize& panel);

// A button on a toast: its title and what a click does (the toast then goes).
struct AccionDeToast {
  QString titulo;
  std::function<void()> alElegir;
};

class Toast : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kMilisegundos = 3500;  // every toast stays 3.5 s
  // One with a button stays long enough to reach it, and takes clicks.
  static constexpr int kMilisegundosConAccion = 12000;

  // Dismisses the current toast, builds this one, makes it current and presents it.
  static Toast* mostrar(const QString& titulo, const QString& detalle, const QString& simbolo);
  static Toast* mostrar(const QString& titulo, const QString& detalle, const QString& simbolo,
                        AccionDeToast accion);
  // The toast on screen, if any.
  static Toast* actual();

  Toast(const QString& titulo, const QString& detalle, const QString& simbolo,
        AccionDeToast accion = {});

  void present(int milisegundos);
  void dismiss();

  QString titulo() const { return titulo_; }
  QString detalle() const { return detalle_; }
  // The action's button; null without one.
  QPushButton* boton() const { return boton_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString titulo_;
  QString detalle_;
  QPushButton* boton_ = nullptr;
  QTimer* timer_ = nullptr;
  QPropertyAnimation* fade_ = nullptr;
  bool saliendo_ = false;
};

}  // namespace corvalin
