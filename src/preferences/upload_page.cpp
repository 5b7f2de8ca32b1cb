#include "preferences/upload_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <algorithm>

#include "core/texts.h"
#include "platform/notification_center.h"

namespace corvalin {

UploadPage::UploadPage(Settings& settings, ServiciosDeSubida servicios, QWidget* parent)
    : Pagina(parent), settings_(settings), servicios_(std::move(servicios)) {
  Seccion* destino = seccion(L("Subir a"));
  nube_ = new QRadioButton(titulo(DestinoDeSubida::nube), destino);
  propio_ = new QRadioButton(titulo(DestinoDeSubida::propio), destino);
  auto* grupo = new QButtonGroup(destino);
  grupo->addButton(nube_);
  grupo->addButton(propio_);
  auto* opciones = new QHBoxLayout();
  opciones->addWidget(nube_);
  opciones->addWidget(propio_);
  opciones->addStretch();
  destino->fila(opciones);
  connect(nube_, &QRadioButton::clicked, this, [this] { elegir(DestinoDeSubida::nube); });
  connect(propio_, &QRadioButton::clicked, this, [this] { elegir(DestinoDeSubida::propio); });

  archivos_ = new ArchivosEnNube(settings_, servicios_.nube, widget());
  columna()->addWidget(archivos_);
  propia_ = partePropia();
  columna()->addWidget(propia_);
  columna()->addStretch();

  // The status menu can change the destination while the page is open.
  NotificationCenter::shared().observe(QString::fromUtf8(notificacion::kDestinoCambio), this,
                                       [this](const QVariant&) { mostrarDestino(); });
  leerFormulario();
  mostrarDestino();
}

QWidget* UploadPage::partePropia() {
  auto* parte = new QWidget(widget());
  auto* columna = new QVBoxLayout(parte);
  columna->setContentsMargins(0, 0, 0, 0);
  columna->setSpacing(12);
  auto campo = [this](QWidget* padre, const QString& placeholder) {
    auto* e = new QLineEdit(padre);
    e->setPlaceholderText(placeholder);
    connect(e, &QLineEdit::textEdited, this, [this] { marcarSinGuardar(true); });
    return e;
  };

  auto* destino = new Seccion(L("Destino"), parte);
  endpoint_ = campo(destino, QStringLiteral("https://s3.eu-central-1.amazonaws.com"));
  region_ = campo(destino, QStringLiteral("eu-central-1"));
  bucket_ = campo(destino, QString());
  prefix_ = campo(destino, QStringLiteral("screenshots/"));
  destino->fila(QStringLiteral("Endpoint"), endpoint_);
  destino->fila(L("Región"), region_);
  destino->fila(QStringLiteral("Bucket"), bucket_);
  destino->fila(L("Carpeta"), prefix_);
  columna->addWidget(destino);

  auto* credenciales = new Seccion(L("Credenciales"), parte);
  accessKey_ = campo(credenciales, QString());
  secretKey_ = campo(credenciales, QString());
  secretKey_->setEchoMode(QLineEdit::Password);
  credenciales->fila(QStringLiteral("Access Key"), accessKey_);
  credenciales->fila(QStringLiteral("Secret Key"), secretKey_);
  credenciales->leyenda(L("El secret se guarda en el llavero de tu escritorio, no en un archivo."));
  columna->addWidget(credenciales);

  auto* enlace = new Seccion(L("Enlace que se copia"), parte);
  publico_ = new QRadioButton(L("Dominio propio o CDN"), enlace);
  firmado_ = new QRadioButton(L("Enlace firmado que caduca"), enlace);
  auto* forma = new QButtonGroup(enlace);
  forma->addButton(publico_);
  forma->addButton(firmado_);
  publicBase_ = campo(enlace, L("https://cdn.ejemplo.com (opcional)"));
  publicBase_->setAccessibleName(L("Dominio propio o CDN"));
  enlace->fila(publico_);
  enlace->fila(publicBase_);
  enlace->leyenda(L("Para buckets públicos: la URL es permanente y corta."));
  dias_ = new QSpinBox(enlace);
  dias_->setRange(1, 7);
  dias_->setAccessibleName(L("Enlace firmado que caduca"));
  caduca_ = new QLabel(enlace);
  auto* vida = new QHBoxLayout();
  vida->addWidget(dias_);
  vida->addWidget(caduca_, 1);
  enlace->fila(firmado_);
  enlace->fila(vida);
  enlace->leyenda(
      L("Para buckets privados. AWS no permite más de 7 días, y el enlace deja de servir al "
        "vencer."));
  auto formaCambio = [this] {
    publicBase_->setEnabled(publico_->isChecked());
    dias_->setEnabled(firmado_->isChecked());
    caduca_->setText(textoDeCaducidad(dias_->value()));
  };
  connect(publico_, &QRadioButton::toggled, this, formaCambio);
  connect(dias_, &QSpinBox::valueChanged, this, formaCambio);
  for (QRadioButton* opcion : {publico_, firmado_}) {
    connect(opcion, &QRadioButton::clicked, this, [this] { marcarSinGuardar(true); });
  }
  connect(dias_, &QSpinBox::valueChanged, this, [this] { marcarSinGuardar(true); });
  columna->addWidget(enlace);

  auto* avanzado = new Seccion(L("Avanzado"), parte);
  pathStyle_ = new QCheckBox(L("URL estilo ruta (MinIO y compatibles)"), avanzado);
  acl_ = new QCheckBox(L("Subir como public-read"), avanzado);
  for (QCheckBox* box : {pathStyle_, acl_}) {
    connect(box, &QCheckBox::clicked, this, [this] { marcarSinGuardar(true); });
    avanzado->fila(box);
  }
  avanzado->leyenda(
      L("Los buckets creados desde 2023 no admiten ACLs. Si S3 la rechaza, Corvalin reintenta sin "
        "ella y apaga esta opción solo."));
  avanzado->leyenda(
      L("Funciona con AWS, Backblaze B2, Cloudflare R2, MinIO o cualquier compatible."));
  columna->addWidget(avanzado);

  botonProbar_ = new QPushButton(L("Probar subida"), parte);
  botonGuardar_ = new QPushButton(L("Guardar"), parte);
  pendiente_ = leyenda(L("Sin guardar"), parte);
  auto* botones = new QHBoxLayout();
  botones->addWidget(pendiente_);
  botones->addStretch();
  botones->addWidget(botonProbar_);
  botones->addWidget(botonGuardar_);
  columna->addLayout(botones);
  resultado_ = new QLabel(parte);
  resultado_->setWordWrap(true);
  resultado_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  resultado_->setTextFormat(Qt::PlainText);
  columna->addWidget(resultado_);
  connect(botonGuardar_, &QPushButton::clicked, this, [this] { guardar(); });
  connect(botonProbar_, &QPushButton::clicked, this, [this] { probar(); });
  return parte;
}

DestinoDeSubida UploadPage::destino() const {
  return propio_->isChecked() ? DestinoDeSubida::propio : DestinoDeSubida::nube;
}

void UploadPage::elegir(DestinoDeSubida destino) {
  settings_.d().set(QStringLiteral("uploadTarget"), rawValue(destino));
  settings_.d().sync();
  mostrarDestino();
}

void UploadPage::mostrarDestino() {
  const DestinoDeSubida destino = settings_.uploadTarget();
  (destino == DestinoDeSubida::propio ? propio_ : nube_)->setChecked(true);
  const bool propio = destino == DestinoDeSubida::propio;
  archivos_->setVisible(!propio);
  propia_->setVisible(propio);
  if (propio && !cargado_.llavesCargadas) {
    // The keys come from the keyring the first time the bucket's form shows, not before.
    cargado_.cargarLlaves(settings_);
    accessKey_->setText(cargado_.accessKey);
    secretKey_->setText(cargado_.secretKey);
    // Left empty, keys in a locked keyring stay as they are; typed ones replace them.
    const QString cerrado = cargado_.llavesCargadas ? QString() : L("Tu llavero está cerrado");
    accessKey_->setPlaceholderText(cerrado);
    secretKey_->setPlaceholderText(cerrado);
  }
  if (!propio) archivos_->refrescar();
}

void UploadPage::leerFormulario() {
  const bool llaves = cargado_.llavesCargadas;
  const QString access = cargado_.accessKey, secret = cargado_.secretKey;
  cargado_ = FormularioDeBucket::leer(settings_);
  cargado_.llavesCargadas = llaves;
  cargado_.accessKey = access;
  cargado_.secretKey = secret;
  endpoint_->setText(cargado_.endpoint);
  region_->setText(cargado_.region);
  bucket_->setText(cargado_.bucket);
  prefix_->setText(cargado_.prefix);
  publicBase_->setText(cargado_.publicBase);
  (cargado_.presign ? firmado_ : publico_)->setChecked(true);
  dias_->setValue(std::clamp(cargado_.presignDays, 1, 7));
  caduca_->setText(textoDeCaducidad(dias_->value()));
  publicBase_->setEnabled(!cargado_.presign);
  dias_->setEnabled(cargado_.presign);
  pathStyle_->setChecked(cargado_.pathStyle);
  acl_->setChecked(cargado_.publicRead);
  marcarSinGuardar(false);
}

FormularioDeBucket UploadPage::formulario() const {
  FormularioDeBucket f;
  f.endpoint = endpoint_->text();
  f.region = region_->text();
  f.bucket = bucket_->text();
  f.prefix = prefix_->text();
  f.publicBase = publicBase_->text();
  f.llavesCargadas = cargado_.llavesCargadas;
  f.accessKey = accessKey_->text();
  f.secretKey = secretKey_->text();
  f.pathStyle = pathStyle_->isChecked();
  f.publicRead = acl_->isChecked();
  f.presign = firmado_->isChecked();
  // A stored life outside 1…7 stays as it was until the user touches it; the save clamps it.
  f.presignDays = dias_->value() == std::clamp(cargado_.presignDays, 1, 7) ? cargado_.presignDays
                                                                           : dias_->value();
  return f;
}

bool UploadPage::guardar() {
  FormularioDeBucket f = formulario();
  const RevisionDeBucket revision = revisar(f);
  if (!revision.valida()) {
    mostrarResultado(revision.problemas.join(QLatin1Char('\n')), true);
    return false;
  }
  corvalin::guardar(f, destino(), settings_, servicios_.guardarLlave);
  cargado_ = f;
  cargado_.accessKey = f.accessKey.trimmed();
  cargado_.secretKey = f.secretKey.trimmed();
  leerFormulario();
  accessKey_->setText(cargado_.accessKey);
  secretKey_->setText(cargado_.secretKey);
  mostrarResultado(revision.arreglos.join(QLatin1Char('\n')), false);
  return true;
}

void UploadPage::probar() {
  if (probando_ || !guardar()) return;
  probando_ = true;
  botonProbar_->setEnabled(false);
  resultado_->clear();
  if (!servicios_.probar) return;
  QPointer<UploadPage> self(this);
  servicios_.probar([self](const S3Uploader::PruebaDeSubida& prueba) {
    if (!self) return;  // the window went away during the upload
    self->probando_ = false;
    self->botonProbar_->setEnabled(true);
    if (prueba.aclApagada) {
      self->acl_->setChecked(false);
      self->cargado_.publicRead = false;
    }
    self->mostrarResultado(prueba.texto, !prueba.exito);
  });
}

void UploadPage::marcarSinGuardar(bool pendiente) {
  sinGuardar_ = pendiente;
  pendiente_->setVisible(pendiente);
}

void UploadPage::mostrarResultado(const QString& texto, bool problema) {
  resultado_->setText(texto);
  // A problem reads in red: a deep one on light themes, a soft one on dark ones.
  QPalette palette = this->palette();
  if (problema) {
    const bool oscuro = palette.color(QPalette::Window).lightness() < 128;
    palette.setColor(QPalette::WindowText, oscuro ? QColor(255, 128, 118) : QColor(176, 32, 32));
  }
  resultado_->setPalette(palette);
  resultado_->setVisible(!texto.isEmpty());
}

}  // namespace corvalin
