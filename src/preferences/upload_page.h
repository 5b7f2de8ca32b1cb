// The Upload page: where uploads go (the hosted service or the user's own S3-compatible
// bucket), the hosted service's files, and the bucket's form with its test upload and save.
#pragma once

#include <QWidget>
#include <functional>

#include "core/settings.h"
#include "preferences/bucket_form.h"
#include "preferences/cloud_files.h"
#include "preferences/form.h"
#include "upload/s3_uploader.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace corvalin {

struct ServiciosDeSubida {
  // Stores a key typed in the form in the keyring (account, value).
  std::function<void(const QString& cuenta, const QString& valor)> guardarLlave;
  // Uploads a 1 × 1 PNG with the stored settings and answers once, on the main thread.
  std::function<void(std::function<void(const S3Uploader::PruebaDeSubida&)>)> probar;
  ServiciosDeNube nube;
};

class UploadPage : public Pagina {
  Q_OBJECT

 public:
  UploadPage(Settings& settings, ServiciosDeSubida servicios, QWidget* parent);

  DestinoDeSubida destino() const;
  // Stores the destination and, when they pass the checks, the bucket's fields; false (with
  // the problems shown) when they don't.
  bool guardar();
  // Saves as above, then uploads the test picture and shows the outcome.
  void probar();
  bool sinGuardar() const { return sinGuardar_; }

 private:
  QWidget* partePropia();
  void elegir(DestinoDeSubida destino);
  void mostrarDestino();
  void leerFormulario();
  FormularioDeBucket formulario() const;
  void marcarSinGuardar(bool pendiente);
  void mostrarResultado(const QString& texto, bool problema);

  Settings& settings_;
  ServiciosDeSubida servicios_;
  FormularioDeBucket cargado_;
  bool sinGuardar_ = false;
  bool probando_ = false;

  QRadioButton* nube_ = nullptr;
  QRadioButton* propio_ = nullptr;
  ArchivosEnNube* archivos_ = nullptr;
  QWidget* propia_ = nullptr;
  QLineEdit* endpoint_ = nullptr;
  QLineEdit* region_ = nullptr;
  QLineEdit* bucket_ = nullptr;
  QLineEdit* prefix_ = nullptr;
  QLineEdit* accessKey_ = nullptr;
  QLineEdit* secretKey_ = nullptr;
  QRadioButton* publico_ = nullptr;
  QRadioButton* firmado_ = nullptr;
  QLineEdit* publicBase_ = nullptr;
  QSpinBox* dias_ = nullptr;
  QLabel* caduca_ = nullptr;
  QCheckBox* pathStyle_ = nullptr;
  QCheckBox* acl_ = nullptr;
  QPushButton* botonProbar_ = nullptr;
  QPushButton* botonGuardar_ = nullptr;
  QLabel* pendiente_ = nullptr;
  QLabel* resultado_ = nullptr;
};

}  // namespace corvalin
