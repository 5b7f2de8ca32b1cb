#include "preferences/preferences_window.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/texts.h"
#include "update/update_controller.h"

namespace corvalin {
namespace {

QLabel* leyenda(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setWordWrap(true);
  QFont font = label->font();
  font.setPointSizeF(font.pointSizeF() * 0.9);
  label->setFont(font);
  label->setStyleSheet(QStringLiteral("color: palette(mid);"));
  return label;
}

}  // namespace

PreferencesWindow::PreferencesWindow(UpdateController& updates) {
  setWindowTitle(L("Preferencias de Corvalin"));
  resize(684, 624);
  tabs_ = new QTabWidget(this);
  tabs_->addTab(paginaDeHerramientas(updates), L("Herramientas"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 12, 12, 12);
  layout->addWidget(tabs_);
}

QWidget* PreferencesWindow::paginaDeHerramientas(UpdateController& updates) {
  auto* page = new QWidget(this);
  auto* column = new QVBoxLayout(page);

  // Idioma · Language
  auto* idioma = new QGroupBox(QStringLiteral("Idioma · Language"), page);
  auto* idiomaLayout = new QVBoxLayout(idioma);
  auto* grupo = new QButtonGroup(idioma);
  auto* fila = new QHBoxLayout();
  for (Idioma i : {Idioma::español, Idioma::ingles}) {
    auto* radio = new QRadioButton(nombreVisible(i), idioma);
    radio->setChecked(i == idiomaActual());
    grupo->addButton(radio, static_cast<int>(i));
    fila->addWidget(radio);
  }
  fila->addStretch();
  auto* reiniciar = new QPushButton(L("Reiniciar ahora"), idioma);
  fila->addWidget(reiniciar);
  idiomaLayout->addLayout(fila);
  idiomaLayout->addWidget(leyenda(L("Se aplica al reiniciar Corvalin."), idioma));
  connect(reiniciar, &QPushButton::clicked, this,
          [grupo] { cambiarYReiniciar(static_cast<Idioma>(grupo->checkedId())); });
  column->addWidget(idioma);

  // Actualizaciones
  auto* actualizaciones = new QGroupBox(L("Actualizaciones"), page);
  auto* form = new QFormLayout(actualizaciones);
  form->addRow(L("Versión instalada"), new QLabel(updates.currentVersion(), actualizaciones));
  auto* buscar = new QCheckBox(L("Buscar actualizaciones automáticamente"), actualizaciones);
  buscar->setChecked(updates.automaticallyChecksForUpdates());
  auto* instalar = new QCheckBox(L("Instalarlas sola"), actualizaciones);
  instalar->setChecked(updates.automaticallyDownloadsUpdates());
  connect(buscar, &QCheckBox::toggled, this,
          [&updates](bool on) { updates.setAutomaticallyChecksForUpdates(on); });
  connect(instalar, &QCheckBox::toggled, this,
          [&updates](bool on) { updates.setAutomaticallyDownloadsUpdates(on); });
  form->addRow(buscar);
  form->addRow(instalar);
  auto* ahora = new QPushButton(L("Buscar ahora"), actualizaciones);
  connect(ahora, &QPushButton::clicked, this, [&updates] { updates.checkForUpdates(); });
  auto* ultima = leyenda(updates.textoDeUltimaRevision(), actualizaciones);
  ultima->setVisible(!ultima->text().isEmpty());
  form->addRow(ahora, ultima);
  column->addWidget(actualizaciones);
  column->addStretch();
  return page;
}

}  // namespace corvalin
