#include "editor/editor_window_controller.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>
#include <cmath>

#include "core/settings.h"
#include "core/texts.h"
#include "editor/annotation_fonts.h"
#include "editor/centering_clip_view.h"
#include "editor/editor_export.h"
#include "editor/editor_footer.h"
#include "editor/editor_queues.h"
#include "editor/editor_view.h"
#include "editor/pixel_options_bar.h"
#include "editor/style_bar.h"
#include "editor/tools_control.h"
#include "platform/main_thread.h"

namespace corvalin {

EditorWindowController::EditorWindowController(const QImage& picture, ServiciosDelEditor servicios,
                                               QWidget* parent)
    : QMainWindow(parent),
      s_(std::move(servicios)),
      settings_(s_.settings ? *s_.settings : Settings::shared()),
      fonts_(std::make_unique<AnnotationFonts>()) {
  setAttribute(Qt::WA_DeleteOnClose, false);
  setMinimumSize(kAnchoMinimo, kAltoMinimo);
  canvas_ = new EditorView(picture, settings_, *fonts_);
  canvas_->setMotores(s_.motores);
  canvas_->imagenDelPortapapeles = s_.portapapeles.imagen;
  escala_ = escalaEfectiva(settings_.d().real(QStringLiteral("exportScale")));
  canvas_->setPreviewScale(escala_);
  recalculoPendiente_.setSingleShot(true);
  connect(&recalculoPendiente_, &QTimer::timeout, this, [this] { calcularPeso(); });
  construirVentana();
  conectarCanvas();
  if (s_.ponerBarraDeMenus) s_.ponerBarraDeMenus(this);
  actualizarTitulo();
  footer_->setTamano(indiceDeTamano(escala_));
  onToolChanged(canvas_->tool());
  fitWindowToImage();
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  programarPeso(true);
  if (!s_.carpetaDeCopias.isEmpty()) {
    recuperacion_ = std::make_unique<GuardaDeRecuperacion>(
        carpetaNuevaDeCopia(s_.carpetaDeCopias),
        [this] {
          return CopiaDeDocumento{canvas_->documento(), historial_.pasosParaDeshacer(),
                                  historial_.pasosParaRehacer()};
        },
        colaDeRecuperacion());
  }
}

EditorWindowController::EditorWindowController(const CopiaDeDocumento& copia,
                                               const QString& carpeta,
                                               const std::map<QString, QImage>& archivos,
                                               ServiciosDelEditor servicios)
    : EditorWindowController(copia.actual.base, [&] {
        // The copy stays where it is, under this process from now on.
        servicios.carpetaDeCopias.clear();
        return std::move(servicios);
      }()) {
  canvas_->restore(copia.actual);
  historial_.reponer(copia.deshacer, copia.rehacer);
  recuperacion_ = std::make_unique<GuardaDeRecuperacion>(
      carpeta,
      [this] {
        return CopiaDeDocumento{canvas_->documento(), historial_.pasosParaDeshacer(),
                                historial_.pasosParaRehacer()};
      },
      colaDeRecuperacion());
  recuperacion_->conocer(archivos);
  recuperacion_->cambio();
}

EditorWindowController::~EditorWindowController() {
  // Late results check this before touching the window.
  vida_.reset();
}

void EditorWindowController::construirVentana() {
  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(construirBarraDeHerramientas());
  opciones_ = new PixelOptionsBar(central);
  opciones_->hide();
  column->addWidget(opciones_);
  clip_ = new CenteringClipView(central);
  clip_->setWidget(canvas_);
  column->addWidget(clip_, 1);
  footer_ = new EditorFooter(central);
  footer_->alElegirTamano = [this](int i) { elegirTamano(i); };
  column->addWidget(footer_);
  setCentralWidget(central);
  inspector_ = new InspectorBar(&settings_, clip_->viewport());
  inspector_->hide();
  canvas_->setInspector(inspector_, clip_->viewport());
  // The canvas follows the visible area's size, which a hidden window learns only when shown.
  clip_->viewport()->installEventFilter(this);
  connect(clip_->horizontalScrollBar(), &QScrollBar::valueChanged, this,
          [this] { canvas_->layoutInspector(); });
  connect(clip_->verticalScrollBar(), &QScrollBar::valueChanged, this,
          [this] { canvas_->layoutInspector(); });
}

void EditorWindowController::conectarCanvas() {
  canvas_->willMutate = [this] { pushUndo(); };
  canvas_->onDidMutate = [this] {
    programarPeso(false);
    alCambiar();
  };
  canvas_->onCopy = [this] { copyToClipboard(); };
  canvas_->onEscape = [this] { copyAndClose(); };
  canvas_->onEnter = [this] { saveToDisk(); };
  canvas_->onImageResized = [this] { imageSizeChanged(); };
  canvas_->onHint = [this](const QString& t) { setStatus(t); };
  canvas_->onComparePrevious = [this](bool on) { mostrarPasoAnterior(on); };
  canvas_->onZoom = [this](const ZoomCommand& c) { handleZoom(c); };
  canvas_->onBrushRadius = [this](double r) { opciones_->setRadio(r); };
  canvas_->onToolChanged = [this](ToolKind t) { onToolChanged(t); };
}

// --- The shell's interface --------------------------------------------------------------------

void EditorWindowController::mostrar() {
  cerrando_ = false;
  show();
  raise();
  activateWindow();
  canvas_->setFocus(Qt::ActiveWindowFocusReason);
}

void EditorWindowController::cerrar() {
  cerrando_ = true;
  if (canvas_->editingText()) canvas_->commitTextField(false);
  hide();
  if (onClose) onClose();
}

void EditorWindowController::cerrarDocumento() {
  terminarDocumento();
  cerrar();
}

void EditorWindowController::alCambiar() {
  if (recuperacion_) recuperacion_->cambio();
}

void EditorWindowController::terminarDocumento() {
  if (recuperacion_) recuperacion_->descartar();
}

void EditorWindowController::refrescarBotonDeSubida() {
  const QString titulo = s_.subida.titulo ? s_.subida.titulo() : QString();
  subir_->setText(titulo);
  subir_->setToolTip(titulo + L(" y cerrar (Ctrl+↩)"));
  subir_->setVisible(static_cast<bool>(s_.subida.subir));
  ajustarBotonDeSubida();
}

void EditorWindowController::setStrokeColor(const QColor& color) {
  canvas_->setStrokeColor(color);
}

void EditorWindowController::closeEvent(QCloseEvent* event) {
  // Closing keeps the document: the shell may bring the window back until the next capture.
  if (canvas_->editingText()) canvas_->commitTextField(false);
  event->accept();
  // Closed by the user: the document is done with. Qt also closes every window as the
  // application quits (a signal, the session ending): the document then stays recoverable.
  if (!cerrando_ && !saliendoDeLaAplicacion()) terminarDocumento();
  if (!cerrando_ && onClose) onClose();
  cerrando_ = false;
}

void EditorWindowController::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    canvas_->setFocus();
    canvas_->handleEscape();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

QString EditorWindowController::status() const {
  return footer_->status();
}

void EditorWindowController::setStatus(const QString& text) {
  footer_->setStatus(text);
}

void EditorWindowController::actualizarTitulo() {
  // The desktop shows it as "600×400 — Corvalin": Qt adds the application's name to every
  // window title that doesn't already end with it.
  const QSize size = canvas_->imageSize();
  setWindowTitle(QStringLiteral("%1×%2").arg(size.width()).arg(size.height()));
}

void EditorWindowController::mostrarError(const QString& titulo, const QString& detalle) {
  if (s_.mostrarError) {
    s_.mostrarError(isVisible() ? this : nullptr, titulo, detalle);
    return;
  }
  auto* box = new QMessageBox(QMessageBox::Warning, titulo, detalle, QMessageBox::Ok,
                              isVisible() ? this : nullptr);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(isVisible() ? Qt::WindowModal : Qt::ApplicationModal);
  box->open();
}

// --- History and compare -----------------------------------------------------------------------

void EditorWindowController::pushUndo() {
  historial_.push(canvas_->documento());
  programarPeso(false);
  alCambiar();
}

void EditorWindowController::undo() {
  if (ocupado_) return;
  if (canvas_->editingText()) canvas_->commitTextField(false);
  const std::optional<Documento> d = historial_.undo(canvas_->documento());
  if (!d) {
    setStatus(L("Nada que deshacer"));
    return;
  }
  canvas_->restore(*d);
}

void EditorWindowController::redo() {
  if (ocupado_) return;
  if (canvas_->editingText()) canvas_->commitTextField(false);
  const std::optional<Documento> d = historial_.redo(canvas_->documento());
  if (!d) {
    setStatus(L("Nada que rehacer"));
    return;
  }
  canvas_->restore(*d);
}

void EditorWindowController::verOriginal(bool on) {
  canvas_->setShowingOriginal(on);
  setStatus(on ? L("Así estaba antes de editar") : QString());
}

void EditorWindowController::mostrarPasoAnterior(bool on) {
  if (!on) {
    canvas_->setShowingPrevious(std::nullopt);
    setStatus(QString());
    return;
  }
  const Documento* previo = historial_.anterior();
  if (previo == nullptr) {
    setStatus(L("Todavía no hay ningún cambio que comparar"));
    return;
  }
  canvas_->setShowingPrevious(*previo);
  setStatus(L("Así estaba antes del último cambio"));
}

// --- Size, zoom and window ------------------------------------------------------------------

void EditorWindowController::elegirTamano(int index) {
  const auto& opciones = opcionesDeTamano();
  if (index < 0 || index >= static_cast<int>(opciones.size())) return;
  const double valor = escalaParaGuardar(opciones[index].valor);
  settings_.d().set(QStringLiteral("exportScale"), valor);
  escala_ = escalaEfectiva(valor);
  canvas_->setPreviewScale(escala_);
  footer_->setTamano(index);
  programarPeso(true);
  const QSize out = exportPixelSize(canvas_->imageSize(), escala_);
  if (escala_ >= kCasiCompleta) {
    setStatus(L("Tamaño completo — se exportará a %@×%@", out.width(), out.height()));
  } else {
    setStatus(L("Vista previa a %@ — se exportará a %@×%@", opciones[index].titulo.toLower(),
                out.width(), out.height()));
  }
}

void EditorWindowController::imageSizeChanged() {
  alCambiar();
  zoom_.reset();
  actualizarTitulo();
  fitWindowToImage();
  layoutCanvas();
  programarPeso(false);
  const QSize size = canvas_->imageSize();
  setStatus(L("Ahora %@×%@", size.width(), size.height()));
}

double EditorWindowController::escalaDePantalla() const {
  if (escalaFija_) return *escalaFija_;
  if (const QWindow* w = windowHandle()) return w->devicePixelRatio();
  if (const QScreen* s = screen()) return s->devicePixelRatio();
  return 2;
}

void EditorWindowController::handleZoom(const ZoomCommand& c) {
  const QSize picture = canvas_->imageSize();
  const double fit = escalaParaAjustar(QSizeF(clip_->viewport()->size()), picture);
  const double b = escalaDePantalla();
  // The fixed zoom, not the canvas's whole-pixel size, so that steps never drift.
  zoom_ = zoomTrasComando(c, zoom_.value_or(canvas_->escala()), b, fit);
  layoutCanvas();
  setStatus(textoDeZoom(zoom_, zoom_.value_or(canvas_->escala()), b));
}

void EditorWindowController::layoutCanvas() {
  const QSize picture = canvas_->imageSize();
  if (picture.isEmpty()) return;
  QScrollBar* h = clip_->horizontalScrollBar();
  QScrollBar* v = clip_->verticalScrollBar();
  const QSize view = clip_->viewport()->size();
  const QSizeF before = canvas_->size();
  // The point at the centre of the visible area stays there.
  const double fx = (h->value() + view.width() / 2.0) / std::max(1.0, before.width());
  const double fy = (v->value() + view.height() / 2.0) / std::max(1.0, before.height());
  // Fitting never enlarges a small picture beyond its actual pixels: it would only blur it.
  const double fit = std::min(escalaParaAjustar(QSizeF(view), picture), 1 / escalaDePantalla());
  const double scale = zoom_ ? *zoom_ : fit;
  const QSize size(std::max(1, static_cast<int>(std::lround(scale * picture.width()))),
                   std::max(1, static_cast<int>(std::lround(scale * picture.height()))));
  if (size != canvas_->size()) canvas_->resize(size);
  h->setValue(static_cast<int>(std::lround(fx * size.width() - view.width() / 2.0)));
  v->setValue(static_cast<int>(std::lround(fy * size.height() - view.height() / 2.0)));
  canvas_->layoutInspector();
}

bool EditorWindowController::eventFilter(QObject* watched, QEvent* event) {
  if (watched == clip_->viewport() && event->type() == QEvent::Resize) layoutCanvas();
  return QMainWindow::eventFilter(watched, event);
}

void EditorWindowController::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  ajustarBotonDeSubida();
}

void EditorWindowController::ajustarBotonDeSubida() {
  // The upload button names its destination when there is room for it.
  const bool ancho = width() >= 1000 && !subir_->text().isEmpty();
  subir_->setToolButtonStyle(ancho ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonIconOnly);
  subir_->setFixedWidth(ancho ? subir_->sizeHint().width() + 6 : 32);
}

void EditorWindowController::fitWindowToImage() {
  const double b = escalaDePantalla();
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  const QRect visible = screen ? screen->availableGeometry() : QRect();
  int extra = kAltoBarraDeHerramientas + kAltoPie;
  if (opciones_->isVisibleTo(this)) extra += kAltoBarraDeOpciones;
  if (QMenuBar* bar = menuWidget() ? qobject_cast<QMenuBar*>(menuWidget()) : nullptr) {
    extra += bar->sizeHint().height();
  }
  const QSize content = tamanoDeContenido(canvas_->imageSize(), b, visible.size(), extra);
  const QPoint centre = isVisible() ? frameGeometry().center() : visible.center();
  const QSize frameExtra = isVisible() ? frameGeometry().size() - size() : QSize(0, 0);
  const QRect frame = colocarVentana(content + frameExtra, centre, visible);
  resize(content);
  if (isVisible()) move(frame.topLeft());
  layoutCanvas();
}

}  // namespace corvalin
