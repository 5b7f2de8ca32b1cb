#include "preferences/preferences_window.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "core/texts.h"
#include "platform/autostart.h"
#include "platform/clipboard.h"
#include "platform/symbol_icons.h"
#include "preferences/recording_page.h"
#include "preferences/shortcuts_page.h"
#include "update/update_controller.h"
#include "upload/keychain.h"
#include "upload/nube_uploader.h"

namespace corvalin {

ServiciosDePreferencias serviciosDelEscritorio(Settings& settings) {
  ServiciosDePreferencias s;
  s.subida.guardarLlave = [&settings](const QString& cuenta, const QString& valor) {
    guardarSecreto(settings, cuenta, valor);
  };
  s.subida.probar = [&settings](std::function<void(const S3Uploader::PruebaDeSubida&)> listo) {
    S3Uploader::probarSubida(settings, std::move(listo));
  };
  s.subida.nube.config = [&settings] { return configDeNube(settings); };
  std::shared_ptr<Clipboard> portapapeles = crearPortapapelesDelSistema();
  s.subida.nube.copiar = [portapapeles](const QString& texto) { portapapeles->ponerTexto(texto); };
  s.subida.nube.confirmarBorrarTodo = [] {
    QMessageBox caja(QMessageBox::Warning, L("¿Borrar todo lo que tienes en la nube?"),
                     L("Los enlaces que hayas compartido dejarán de funcionar. Esto no se puede "
                       "deshacer."),
                     QMessageBox::NoButton, QApplication::activeWindow());
    QPushButton* borrar = caja.addButton(L("Borrar todo"), QMessageBox::DestructiveRole);
    caja.addButton(L("Cancelar"), QMessageBox::RejectRole);
    caja.exec();
    return caja.clickedButton() == borrar;
  };
  s.herramientas.elegirCarpeta = [](const QString& inicial) {
    return elegirCarpetaDelEscritorio(QApplication::activeWindow(), inicial);
  };
  s.herramientas.reiniciarEn = [](Idioma idioma) { cambiarYReiniciar(idioma); };
  s.herramientas.abreAlIniciarSesion = [] { return InicioConLaSesion().activo(); };
  s.herramientas.abrirAlIniciarSesion = [](bool on) { return InicioConLaSesion().poner(on); };
  s.atajosDelEscritorio = leerAtajosDelEscritorio;
  s.sonda = SondaDeAtajos::shared();
  return s;
}

QSize PreferencesWindow::tamanoPara(const QRect& libre) {
  constexpr int kAncho = 684, kAlto = 624, kMargen = 48, kMinAncho = 420, kMinAlto = 300;
  if (libre.isEmpty()) return QSize(kAncho, kAlto);
  return QSize(std::clamp(libre.width() - kMargen, kMinAncho, kAncho),
               std::clamp(libre.height() - kMargen, kMinAlto, kAlto));
}

PreferencesWindow::PreferencesWindow(Settings& settings, UpdateController& updates,
                                     ServiciosDePreferencias servicios) {
  setWindowTitle(L("Preferencias de Corvalin"));
  tabs_ = new QTabWidget(this);
  tabs_->setDocumentMode(true);
  subida_ = new UploadPage(settings, std::move(servicios.subida), tabs_);
  herramientas_ = new ToolsPage(settings, updates, std::move(servicios.herramientas), tabs_);
  auto* atajos = new ShortcutsPage(
      settings,
      std::make_unique<AsignacionDeAtajos>(settings, std::move(servicios.atajosDelEscritorio),
                                           std::move(servicios.sonda)),
      tabs_);
  auto* grabacion = new RecordingPage(settings, tabs_);
  tabs_->addTab(subida_, L("Subida"));
  tabs_->addTab(herramientas_, L("Herramientas"));
  tabs_->addTab(atajos, L("Atajos"));
  tabs_->addTab(grabacion, L("Grabación"));
  tabs_->setCurrentIndex(0);
  tenirIconos();
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 6, 0, 0);
  layout->addWidget(tabs_);

  QScreen* screen = QGuiApplication::primaryScreen();
  resize(tamanoPara(screen ? screen->availableGeometry() : QRect()));
}

void PreferencesWindow::tenirIconos() {
  static const char* const kSimbolos[] = {"icloud.and.arrow.up", "paintbrush", "keyboard",
                                          "record.circle"};
  const QColor color = palette().color(QPalette::WindowText);
  for (int i = 0; i < tabs_->count(); ++i) {
    tabs_->setTabIcon(i, simboloTenido(iconoDeSimbolo(QString::fromLatin1(kSimbolos[i])), color));
  }
}

void PreferencesWindow::changeEvent(QEvent* event) {
  EscapableWindow::changeEvent(event);
  if (event->type() == QEvent::PaletteChange && tabs_ != nullptr) tenirIconos();
}

}  // namespace corvalin
