// The Recording page: the defaults every recording starts from (resolution, frame rate,
// cursor, countdown, where the timer goes) and an example of the size and weight they give.
#pragma once

#include <QString>
#include <QVariant>
#include <vector>

#include "core/settings.h"
#include "preferences/form.h"

class QComboBox;
class QLabel;

namespace corvalin {

// "1280×800 px · hasta ≈21 MB por minuto": what a 1280 × 800 window records at with these
// settings (the recorder's own size rule), in the interface language.
QString ejemploDeGrabacion(double escala, int anchoMaximo, int fps);

class RecordingPage : public Pagina {
  Q_OBJECT

 public:
  RecordingPage(Settings& settings, QWidget* parent);

 private:
  struct Opcion {
    QString titulo;
    QVariant valor;
  };
  // A choice bound to a key: the stored value selected, shown as itself when it is none of
  // the options; a pick is stored at once.
  QComboBox* eleccion(const QString& clave, const std::vector<Opcion>& opciones, QWidget* padre);
  void mostrarEjemplo();

  Settings& settings_;
  QLabel* ejemplo_ = nullptr;
};

}  // namespace corvalin
