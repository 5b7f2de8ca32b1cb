// The pieces every Preferences page is built from: a scrolling page, sections with a header,
// rows whose label names the control for screen readers, and grey captions. Colours come from
// the palette, so pages follow the desktop's light or dark theme.
#pragma once

#include <QColor>
#include <QFormLayout>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QScrollArea>
#include <QString>
#include <QVBoxLayout>

namespace corvalin {

class Seccion : public QGroupBox {
  Q_OBJECT

 public:
  Seccion(const QString& titulo, QWidget* parent);

  // A labelled row: the label is the field's buddy and its accessible name.
  void fila(const QString& etiqueta, QWidget* campo);
  // A row without a label (a switch carries its own).
  void fila(QWidget* campo);
  void fila(QLayout* campos);
  // A grey caption under the rows so far.
  QLabel* leyenda(const QString& texto);

 private:
  QFormLayout* filas_;
};

// A grey, wrapping caption.
QLabel* leyenda(const QString& texto, QWidget* parent);

// A one-colour symbol in `color`: what symbolic icons look like on the palette in use, so that
// they stay visible on dark themes.
QIcon simboloTenido(const QIcon& icono, const QColor& color);

// A page: its sections one under the other, scrolling when the window is shorter than they
// are (a small screen, or a large scale factor). `columna` takes the sections.
class Pagina : public QScrollArea {
  Q_OBJECT

 public:
  explicit Pagina(QWidget* parent);
  QVBoxLayout* columna() const { return columna_; }
  Seccion* seccion(const QString& titulo);

 private:
  QVBoxLayout* columna_;
};

}  // namespace corvalin
