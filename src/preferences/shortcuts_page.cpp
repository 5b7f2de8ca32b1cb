#include "preferences/shortcuts_page.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include "core/texts.h"
#include "hotkeys/hotkey_recorder.h"

namespace corvalin {

ShortcutsPage::ShortcutsPage(Settings& settings, std::unique_ptr<AsignacionDeAtajos> asignacion,
                             QWidget* parent)
    : Pagina(parent), settings_(settings), asignacion_(std::move(asignacion)) {
  Seccion* captura = seccion(L("Atajos de captura"));
  const std::map<CaptureMode, QString> compartidos = asignacion_->compartidos();
  for (CaptureMode mode : kAllCaptureModes) {
    Fila fila;
    fila.campo = new HotkeyField(captura);
    fila.campo->recorder()->setAccessibleName(title(mode));
    fila.estado = new QLabel(captura);
    fila.estado->setWordWrap(true);
    fila.otraVez = new QPushButton(L("Probar de nuevo"), captura);
    fila.otraVez->setAccessibleDescription(title(mode));
    connect(fila.otraVez, &QPushButton::clicked, this, [this, mode] {
      mostrar(mode, Estado::esperando);
      asignacion_->probarDeNuevo(mode, alLlegar(mode));
    });
    auto* contenido = new QWidget(captura);
    auto* grid = new QGridLayout(contenido);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(fila.campo, 0, 0);
    grid->addWidget(fila.otraVez, 0, 1);
    grid->setColumnStretch(2, 1);
    grid->addWidget(fila.estado, 1, 0, 1, 3);
    captura->fila(title(mode), contenido);
    filas_[mode] = fila;
    actualizarCampo(mode);
    const auto marca = compartidos.find(mode);
    mostrar(mode, Estado::nada, marca == compartidos.end() ? QString() : marca->second);
  }
  captura->leyenda(L("Pica el campo y teclea la combinación. Debe llevar Ctrl, Super o Alt."));
  captura->leyenda(
      L("Tu escritorio no siempre avisa si otro programa ya se quedó con una combinación. Por eso "
        "Corvalin te pide probarla — si al presionarla no llega, es que alguien más la tiene."));

  Seccion* herramientas = seccion(L("Atajos de herramienta"));
  for (ToolKind tool : toolbarCases()) {
    auto* campo = new QLineEdit(herramientas);
    campo->setMaxLength(1);
    campo->setFixedWidth(campo->fontMetrics().horizontalAdvance(QStringLiteral("MM")) * 2);
    campo->setAlignment(Qt::AlignCenter);
    connect(campo, &QLineEdit::textEdited, this, [this, tool](const QString& texto) {
      settings_.setShortcut(texto, tool);
      settings_.d().sync();
      mostrarLetras();  // the tool that had the letter before loses it
    });
    letras_.insert(static_cast<int>(tool), campo);
    herramientas->fila(shortName(tool), campo);
  }
  herramientas->leyenda(
      L("Una sola letra, sin Ctrl. Si le das a otra herramienta una letra ya ocupada, la anterior "
        "se queda sin atajo."));
  mostrarLetras();

  auto* restablecer = new QPushButton(L("Restablecer todo"), widget());
  connect(restablecer, &QPushButton::clicked, this, [this] {
    asignacion_->restablecer();
    for (CaptureMode mode : kAllCaptureModes) {
      actualizarCampo(mode);
      mostrar(mode, Estado::nada);
    }
    mostrarLetras();
  });
  auto* pie = new QHBoxLayout();
  pie->addStretch();
  pie->addWidget(restablecer);
  columna()->addLayout(pie);
  columna()->addStretch();
}

std::function<void(bool)> ShortcutsPage::alLlegar(CaptureMode mode) {
  QPointer<ShortcutsPage> self(this);
  return [self, mode](bool llego) {
    if (self) self->mostrar(mode, llego ? Estado::funciona : Estado::noLlego);
  };
}

void ShortcutsPage::actualizarCampo(CaptureMode mode) {
  QPointer<ShortcutsPage> self(this);
  filas_.at(mode).campo->actualizar(
      settings_.hotkey(mode), [self, mode](const std::optional<Hotkey>& hotkey) {
        if (!self) return std::optional<QString>();
        const std::optional<QString> problema =
            self->asignacion_->asignar(mode, hotkey, self->alLlegar(mode));
        // The field shows what is stored: the new combination, or the old one when refused.
        self->filas_.at(mode).campo->recorder()->setHotkey(self->settings_.hotkey(mode));
        if (problema) {
          self->mostrar(mode, Estado::nada, *problema);
        } else {
          self->mostrar(mode, hotkey ? Estado::esperando : Estado::nada);
        }
        return problema;
      });
}

void ShortcutsPage::mostrar(CaptureMode mode, Estado estado, const QString& marca) {
  Fila& fila = filas_.at(mode);
  const std::optional<Hotkey> hotkey = settings_.hotkey(mode);
  const QString combinacion = hotkey ? hotkey->display() : QString();
  QString texto = marca;
  switch (estado) {
    case Estado::esperando:
      texto = L("Presiona %@ para confirmar que llega…", combinacion);
      break;
    case Estado::funciona:
      texto = QStringLiteral("✓ ") + L("Funciona");
      break;
    case Estado::noLlego:
      texto =
          QStringLiteral("⚠ ") +
          L("No llegó %@. Si sí lo presionaste, otro programa ya se quedó con él.", combinacion);
      break;
    case Estado::nada:
      break;
  }
  fila.estado->setText(texto);
  fila.estado->setVisible(!texto.isEmpty());
  fila.otraVez->setVisible(estado == Estado::noLlego);
}

void ShortcutsPage::mostrarLetras() {
  const TablaDeAtajos tabla = settings_.shortcuts();
  for (auto it = letras_.constBegin(); it != letras_.constEnd(); ++it) {
    it.value()->setText(tabla.value(QString::number(it.key())));
  }
}

}  // namespace corvalin
