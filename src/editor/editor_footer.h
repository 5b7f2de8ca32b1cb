// The editor window's footer: the export size menu, the size-and-weight label and the status
// line every operation reports in.
#pragma once

#include <QWidget>
#include <functional>

class QComboBox;
class QLabel;

namespace corvalin {

class EditorFooter : public QWidget {
 public:
  explicit EditorFooter(QWidget* parent = nullptr);

  // An entry of the size menu was chosen (index into opcionesDeTamano()).
  std::function<void(int)> alElegirTamano;

  void setTamano(int index);  // without reporting
  void setPeso(const QString& text);
  void setStatus(const QString& text);
  QString status() const { return status_; }
  QString peso() const;
  QComboBox* menuDeTamano() const { return tamano_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void mostrarStatus();

  QComboBox* tamano_;
  QLabel* peso_;
  QLabel* statusLabel_;
  QString status_;
};

// The index of the size menu entry for a scale: the exact entry, else the nearest.
int indiceDeTamano(double scale);

}  // namespace corvalin
