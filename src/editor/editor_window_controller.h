// The editor window and the document's owner: binds the tool bar, options bar, canvas and
// footer to the document operations (history, compare, copy, save, upload, copy text,
// enhance, export size and weight) and keeps the window sized to its picture and zoom.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <array>
#include <atomic>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "editor/editor_document.h"
#include "editor/editor_services.h"
#include "editor/editor_window.h"
#include "editor/editor_zoom.h"
#include "editor/recovery_keeper.h"
#include "editor/tool_kind.h"

class QMenu;
class QToolButton;

namespace corvalin {

class AnnotationFonts;
class CenteringClipView;
class EditorFooter;
class EditorView;
class InspectorBar;
class PixelOptionsBar;
class Settings;
class ToolsControl;

class EditorWindowController : public QMainWindow, public EditorWindow {
  Q_OBJECT

 public:
  EditorWindowController(const QImage& picture, ServiciosDelEditor servicios,
                         QWidget* parent = nullptr);
  // The document of a recovery copy, history included, keeping its copy in `carpeta`.
  EditorWindowController(const CopiaDeDocumento& copia, const QString& carpeta,
                         const std::map<QString, QImage>& archivos, ServiciosDelEditor servicios);
  ~EditorWindowController() override;

  // EditorWindow.
  void mostrar() override;
  void cerrar() override;
  void cerrarDocumento() override;
  void refrescarBotonDeSubida() override;
  void setStrokeColor(const QColor& color) override;

  // Document operations.
  void copyToClipboard();
  void copyAndClose();
  void saveToDisk();
  void upload();
  void copyText();
  void autoEnhance();
  void undo();
  void redo();
  void pushUndo();
  void verOriginal(bool on);
  void mostrarPasoAnterior(bool on);
  void elegirTamano(int index);
  void imageSizeChanged();
  // Marks the weight unknown and computes it after 0.3 s of quiet, or at once.
  void programarPeso(bool enseguida);

  // Window side.
  void handleZoom(const ZoomCommand& c);
  void fitWindowToImage();
  void onToolChanged(ToolKind tool);
  void elegirDelGrupo(ToolKind tool);
  void alEscoger(int segment);
  void openStickerPicker();
  void pickSticker(const QString& glyph);
  // The screen's backing scale; tests pin it.
  double escalaDePantalla() const;
  void fijarEscalaDePantalla(std::optional<double> b) { escalaFija_ = b; }

  // What tests and the shell look at.
  EditorView* canvas() const { return canvas_; }
  const Historial& historial() const { return historial_; }
  GuardaDeRecuperacion* recuperacion() const { return recuperacion_.get(); }
  std::optional<qint64> pesoExport() const { return pesoExport_; }
  QString status() const;
  std::optional<double> zoom() const { return zoom_; }
  ToolsControl* toolsControl() const { return toolsControl_; }
  QMenu* menuDeGrupo(int group) const;
  QMenu* menuDeGiro() const { return menuDeGiro_; }
  PixelOptionsBar* optionsBar() const { return opciones_; }
  EditorFooter* footer() const { return footer_; }
  CenteringClipView* clipView() const { return clip_; }
  QToolButton* botonDeSubida() const { return subir_; }
  QToolButton* botonOriginal() const { return original_; }
  QToolButton* botonAnterior() const { return anterior_; }
  // An export (copy and close, save) is finishing: input waits.
  bool ocupado() const { return ocupado_; }

  // Called when the window closes, by its button or an operation.
  std::function<void()> onClose;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void construirVentana();
  QWidget* construirBarraDeHerramientas();
  void conectarCanvas();
  void layoutCanvas();
  void ajustarBotonDeSubida();
  void setStatus(const QString& text);
  void actualizarTitulo();
  void refrescarPeso();
  void calcularPeso();
  void pintarGrupo(int group);
  void palomear(int group, ToolKind tool);
  QMenu* menuPara(int group);
  void mostrarError(const QString& titulo, const QString& detalle);
  // The document changed / is done with (saved, copied, uploaded or closed by the user).
  void alCambiar();
  void terminarDocumento();

  // Flattens and encodes the current document on the export queue; `listo` runs on the main
  // thread with the export-size picture and its PNG bytes, unless the window is gone.
  struct Exportado {
    QImage imagen;
    QByteArray png;
  };
  void exportar(std::function<void(const Exportado&)> listo);
  void terminarOcupado();

  ServiciosDelEditor s_;
  Settings& settings_;
  std::unique_ptr<AnnotationFonts> fonts_;
  EditorView* canvas_ = nullptr;
  CenteringClipView* clip_ = nullptr;
  InspectorBar* inspector_ = nullptr;
  ToolsControl* toolsControl_ = nullptr;
  PixelOptionsBar* opciones_ = nullptr;
  EditorFooter* footer_ = nullptr;
  QToolButton* subir_ = nullptr;
  QToolButton* original_ = nullptr;
  QToolButton* anterior_ = nullptr;
  QMenu* menuDeGiro_ = nullptr;
  std::vector<ToolKind> herramientaDelGrupo_;
  std::vector<QMenu*> menusDeGrupo_;

  Historial historial_;
  std::unique_ptr<GuardaDeRecuperacion> recuperacion_;
  double escala_ = 1;  // export scale
  std::optional<qint64> pesoExport_;
  quint64 generacionPeso_ = 0;
  // The newest generation, as the export queue sees it.
  std::shared_ptr<std::atomic<quint64>> ultimaGeneracion_ =
      std::make_shared<std::atomic<quint64>>(0);
  QTimer recalculoPendiente_;
  std::optional<double> zoom_;
  std::optional<double> escalaFija_;
  bool ocupado_ = false;
  bool cerrando_ = false;
  std::shared_ptr<int> vida_ = std::make_shared<int>(0);
};

}  // namespace corvalin
