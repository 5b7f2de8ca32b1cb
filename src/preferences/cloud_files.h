// The hosted service's part of the Upload page: the server's address, the files kept there, a page
// of eight at a time with a link to copy and a delete button each, the bulk deletions, and how long
// each link lasts. It shows the state of a NubeModelo and hands it the user's requests.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

#include "core/settings.h"
#include "upload/nube_modelo.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QVBoxLayout;

namespace corvalin {

struct ServiciosDeNube {
  std::function<ConfigDeNube()> config;
  std::function<void(const QString& texto)> copiar;  // puts a link on the clipboard
  std::function<bool()> confirmarBorrarTodo;         // asks before deleting everything
};

class ArchivosEnNube : public QWidget {
  Q_OBJECT

 public:
  ArchivosEnNube(Settings& settings, ServiciosDeNube servicios, QWidget* parent);

  // Asks the service for the first page again.
  void refrescar();
  NubeModelo& modelo() { return *modelo_; }

 private:
  void mostrar();
  void mostrarDias(const QList<int>& opciones);

  Settings& settings_;
  ServiciosDeNube servicios_;
  NubeModelo* modelo_;
  QVBoxLayout* filas_ = nullptr;
  QLabel* estado_ = nullptr;
  QLabel* pie_ = nullptr;
  QPushButton* anterior_ = nullptr;
  QPushButton* siguiente_ = nullptr;
  QToolButton* masivo_ = nullptr;
  QComboBox* dias_ = nullptr;
  QLineEdit* servidor_ = nullptr;
};

// "IMG_0001.png · se borra el 12/3/27": a file's name and its deletion date, in the interface
// language; without a date, the name alone.
QString leyendaDeArchivo(const ArchivoEnNube& archivo);

}  // namespace corvalin
