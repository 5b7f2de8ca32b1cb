#include "preferences/tools_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTemporaryFile>

#include "core/texts.h"
#include "update/update_controller.h"

namespace corvalin {

QString carpetaVisible(const QString& carpeta, const QString& home) {
  if (carpeta.isEmpty()) return L("Descargas");
  const QString limpia = QDir::cleanPath(carpeta);
  const QString casa = QDir::cleanPath(home);
  if (!casa.isEmpty() && casa != QLatin1String("/")) {
    if (limpia == casa) return QStringLiteral("~");
    if (limpia.startsWith(casa + QLatin1Char('/')))
      return QStringLiteral("~") + limpia.mid(casa.size());
  }
  return limpia;
}

std::optional<QString> problemaDeCarpeta(const QString& carpeta) {
  const QFileInfo info(carpeta);
  if (carpeta.isEmpty() || !info.exists()) return L("Esa carpeta no existe: %@", carpeta);
  if (!info.isDir()) return L("«%@» no es una carpeta.", carpeta);
  // Permission bits don't tell the whole story (a read-only mount, or root ignoring them):
  // the only sure test is to make a file there.
  QTemporaryFile prueba(QDir(carpeta).filePath(QStringLiteral(".corvalin-XXXXXX")));
  if (!prueba.open()) return L("Corvalin no puede escribir en %@.", carpeta);
  return std::nullopt;
}

std::optional<QString> elegirCarpetaDelEscritorio(QWidget* parent, const QString& inicial) {
  QFileDialog dialog(parent);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  dialog.setLabelText(QFileDialog::Accept, L("Usar esta carpeta"));
  if (!inicial.isEmpty()) dialog.setDirectory(inicial);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

ToolsPage::ToolsPage(Settings& settings, UpdateController& updates,
                     ServiciosDeHerramientas servicios, QWidget* parent)
    : Pagina(parent), settings_(settings), servicios_(std::move(servicios)) {
  Seccion* idioma = seccion(QStringLiteral("Idioma · Language"));
  auto* grupo = new QButtonGroup(idioma);
  auto* opciones = new QHBoxLayout();
  for (Idioma i : {Idioma::español, Idioma::ingles}) {
    auto* radio = new QRadioButton(nombreVisible(i), idioma);
    radio->setChecked(i == idiomaActual());
    grupo->addButton(radio, static_cast<int>(i));
    opciones->addWidget(radio);
  }
  opciones->addStretch();
  auto* reiniciar = new QPushButton(L("Reiniciar ahora"), idioma);
  opciones->addWidget(reiniciar);
  idioma->fila(opciones);
  idioma->leyenda(L("Se aplica al reiniciar Corvalin."));
  connect(reiniciar, &QPushButton::clicked, this, [this, grupo] {
    if (servicios_.reiniciarEn) servicios_.reiniciarEn(static_cast<Idioma>(grupo->checkedId()));
  });

  Seccion* alGuardar = seccion(L("Al guardar"));
  carpeta_ = new QLabel(alGuardar);
  carpeta_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* cambiar = new QPushButton(L("Cambiar…"), alGuardar);
  cambiar->setAccessibleDescription(L("Carpeta"));
  auto* fila = new QHBoxLayout();
  fila->addWidget(carpeta_, 1);
  fila->addWidget(cambiar);
  auto* contenedor = new QWidget(alGuardar);
  contenedor->setLayout(fila);
  fila->setContentsMargins(0, 0, 0, 0);
  alGuardar->fila(L("Carpeta"), contenedor);
  problema_ = alGuardar->leyenda(QString());
  alGuardar->leyenda(
      L("Ctrl+S guarda ahí directo, sin preguntar nombre. Si ya existe un archivo igual, le pone "
        "un número."));
  connect(cambiar, &QPushButton::clicked, this, [this] {
    if (!servicios_.elegirCarpeta) return;
    if (const std::optional<QString> elegida =
            servicios_.elegirCarpeta(settings_.d().string(QStringLiteral("saveFolder")))) {
      usarCarpeta(*elegida);
    }
  });

  Seccion* comportamiento = seccion(L("Comportamiento"));
  if (servicios_.abreAlIniciarSesion && servicios_.abrirAlIniciarSesion) {
    auto* alIniciar = new QCheckBox(L("Abrir al iniciar sesión"), comportamiento);
    alIniciar->setChecked(servicios_.abreAlIniciarSesion());
    comportamiento->fila(alIniciar);
    QLabel* fallo = comportamiento->leyenda(QString());
    fallo->setVisible(false);
    connect(alIniciar, &QCheckBox::toggled, this, [this, alIniciar, fallo](bool on) {
      const std::optional<QString> porQue = servicios_.abrirAlIniciarSesion(on);
      fallo->setText(porQue ? L("No se pudo cambiar el inicio con la sesión: %@", *porQue)
                            : QString());
      fallo->setVisible(porQue.has_value());
      // The switch shows what the desktop will really do.
      const QSignalBlocker quieto(alIniciar);
      alIniciar->setChecked(servicios_.abreAlIniciarSesion());
    });
  }
  auto* volver = new QCheckBox(L("Volver a la flecha al terminar cada objeto"), comportamiento);
  volver->setChecked(settings_.d().boolean(QStringLiteral("revertToSelect")));
  connect(volver, &QCheckBox::toggled, this, [this](bool on) {
    settings_.d().set(QStringLiteral("revertToSelect"), on);
    settings_.d().sync();
  });
  comportamiento->fila(volver);
  comportamiento->leyenda(
      L("Al soltar una figura la herramienta regresa sola a Seleccionar, con lo recién dibujado "
        "ya seleccionado."));

  Seccion* actualizaciones = seccion(L("Actualizaciones"));
  actualizaciones->fila(L("Versión instalada"),
                        new QLabel(updates.currentVersion(), actualizaciones));
  auto* buscar = new QCheckBox(L("Buscar actualizaciones automáticamente"), actualizaciones);
  buscar->setChecked(updates.automaticallyChecksForUpdates());
  auto* instalar = new QCheckBox(L("Instalarlas sola"), actualizaciones);
  instalar->setChecked(updates.automaticallyDownloadsUpdates());
  connect(buscar, &QCheckBox::toggled, this,
          [&updates](bool on) { updates.setAutomaticallyChecksForUpdates(on); });
  connect(instalar, &QCheckBox::toggled, this,
          [&updates](bool on) { updates.setAutomaticallyDownloadsUpdates(on); });
  actualizaciones->fila(buscar);
  actualizaciones->fila(instalar);
  auto* ahora = new QPushButton(L("Buscar ahora"), actualizaciones);
  connect(ahora, &QPushButton::clicked, this, [&updates] { updates.checkForUpdates(); });
  auto* filaAhora = new QHBoxLayout();
  filaAhora->addWidget(ahora);
  filaAhora->addStretch();
  actualizaciones->fila(filaAhora);
  const QString ultima = updates.textoDeUltimaRevision();
  if (!ultima.isEmpty()) actualizaciones->leyenda(ultima);

  columna()->addWidget(leyenda(L("Hecha por") + QStringLiteral(" Corvalin"), widget()));
  columna()->addStretch();
  mostrarCarpeta();
}

bool ToolsPage::usarCarpeta(const QString& carpeta) {
  if (const std::optional<QString> problema = problemaDeCarpeta(carpeta)) {
    problema_->setText(*problema);
    problema_->setVisible(true);
    return false;
  }
  settings_.d().set(QStringLiteral("saveFolder"), QDir::cleanPath(carpeta));
  settings_.d().sync();
  mostrarCarpeta();
  return true;
}

void ToolsPage::mostrarCarpeta() {
  const QString carpeta = settings_.d().string(QStringLiteral("saveFolder"));
  carpeta_->setText(carpetaVisible(carpeta, QDir::homePath()));
  carpeta_->setToolTip(carpeta);
  // A folder that went away since it was chosen is pointed out, so that saving doesn't fail
  // by surprise.
  const std::optional<QString> problema =
      carpeta.isEmpty() ? std::nullopt : problemaDeCarpeta(carpeta);
  problema_->setText(problema.value_or(QString()));
  problema_->setVisible(problema.has_value());
}

}  // namespace corvalin
