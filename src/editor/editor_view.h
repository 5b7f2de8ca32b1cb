// The editor's canvas: holds the document and shows it at the current zoom, turns mouse and
// key input into annotations and pixel edits, and draws what makes editing legible (the
// selection and its handles, the callout tail being aimed, the crop shade, the brush). It
// never talks to the window: it reports through the callbacks the window installs.
//
// Image space has y up (editor/shape.h); the widget has y down. The widget is the picture at
// display scale k = width / picture width; only the exposed part is drawn on each paint.
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "editor/annotation_fonts.h"
#include "editor/canvas_geometry.h"
#include "editor/editor_document.h"
#include "editor/editor_services.h"
#include "editor/editor_zoom.h"
#include "editor/pixel_stroke.h"
#include "editor/tool_settings.h"

namespace corvalin {

class InspectorBar;
class CampoDeTexto;
class MarcoDeTexto;
class Settings;

class EditorView : public QWidget {
  Q_OBJECT

 public:
  EditorView(const QImage& picture, Settings& settings, const AnnotationFonts& fonts,
             QWidget* parent = nullptr);
  ~EditorView() override;

  // Callbacks to the window.
  std::function<void()> willMutate;  // before every change of the document
  std::function<void()> onDidMutate;
  std::function<void()> onImageResized;
  std::function<void(const QString&)> onHint;
  std::function<void(ToolKind)> onToolChanged;
  std::function<void(double)> onBrushRadius;
  std::function<void(const ZoomCommand&)> onZoom;
  std::function<void(bool)> onComparePrevious;
  std::function<void()> onCopy;
  std::function<void()> onEscape;
  std::function<void()> onEnter;
  // Where a paste takes its picture from.
  std::function<QImage()> imagenDelPortapapeles;

  // The document.
  const Documento& documento() const { return doc_; }
  QSize imageSize() const { return doc_.base.size(); }
  // Puts a snapshot back (undo, redo): selection and crop cleared.
  void restore(const Documento& snapshot);
  // Replaces the base picture after a whole-picture operation (auto enhance).
  void setBase(const QImage& base);
  // The flattened document, any open text committed first.
  QImage image();
  // Changes whenever what the document shows changes; a result computed from an older
  // revision is out of date.
  quint64 revision() const { return revision_; }

  // Tool and style; setting colours or the width also restyles the selection.
  ToolKind tool() const { return tool_; }
  void setTool(ToolKind tool);
  QColor strokeColor() const { return strokeColor_; }
  QColor textColor() const { return textColor_; }
  double strokeWidth() const { return strokeWidth_; }
  void setStrokeColor(const QColor& c);
  void setTextColor(const QColor& c);
  void setStrokeWidth(double w);
  QString currentSticker() const { return currentSticker_; }
  void setCurrentSticker(const QString& glyph) { currentSticker_ = glyph; }

  // Brush settings of the pixel tools, as the options bar sets them; each is remembered for
  // the current tool.
  double brushRadius() const { return brushRadius_; }
  void setBrushRadius(double r);
  double brushOpacity() const { return brushOpacity_; }
  void setBrushOpacity(double o);
  double spotSensitivity() const { return spotSensitivity_; }
  void setSpotSensitivity(double s);
  bool toneLighten() const { return toneLighten_; }
  void setToneLighten(bool on);
  int toneRange() const { return toneRange_; }
  void setToneRange(int index);
  bool pinchInward() const { return pinchInward_; }
  void setPinchInward(bool on);
  bool hasCloneSource() const { return cloneSource_.has_value(); }
  bool healing() const { return healing_; }
  void setMotores(MotoresDeRelleno motores) { motores_ = std::move(motores); }

  // Operations.
  std::optional<int> selectedIndex() const { return selected_; }
  void select(std::optional<int> index, bool automatic = false);
  void deleteSelection();
  void duplicateSelection();
  void rotate(bool clockwise);
  void espejo(bool horizontal);
  bool applyCrop();
  std::optional<QRectF> cropSelection() const { return crop_; }
  void setCropSelection(std::optional<QRectF> r);
  void place(const QImage& picture);
  void handleEscape();
  void commitTextField(bool finishing);
  bool editingText() const { return campo_ != nullptr; }
  CampoDeTexto* textField() const { return campo_; }
  void growCanvasIfNeeded();

  // Display.
  double escala() const;  // k
  void setPreviewScale(double s);
  double previewScale() const { return previewScale_; }
  // The export-resolution picture of revision `rev`, shown while nothing is being edited.
  void setPreview(const QImage& preview, quint64 rev);
  bool showsPreview() const;
  void setShowingOriginal(bool on);
  void setShowingPrevious(std::optional<Documento> previous);
  bool showingOriginal() const { return showingOriginal_; }
  bool showingPrevious() const { return previous_.has_value(); }
  // While a copy or save finishes, the canvas takes no input.
  void setBloqueado(bool on) { bloqueado_ = on; }

  // The floating inspector, shown over `host` (the scroll view's viewport).
  void setInspector(InspectorBar* bar, QWidget* host);
  void layoutInspector();

  QPointF aImagen(QPointF view) const;
  QPointF aVista(QPointF image) const;
  QRectF aVista(const QRectF& imageRect) const;

  // Pixel rows of a canvas holding a picture of this size; for the display cache and tests.
  std::optional<QPointF> brushCenter() const { return brushCenter_; }

 public Q_SLOTS:
  // The window's Edit menu: copy the document, paste a picture into it.
  void copy();
  void paste();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  bool event(QEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  friend class EditorViewTestAccess;

  // Mutation bookkeeping.
  void antesDeCambiar();  // willMutate, and the document's revision moves on
  void tocar();           // the revision moves on, a repaint follows
  void finishTool(std::optional<int> index);
  CreationStyle estilo() const;
  double tolerancia() const { return kToleranciaPuntos / escala(); }
  bool interactuando() const;
  void cargarAjustes();
  void guardar(const char* nombre, double valor);
  void restyleSelection(const std::function<void(Shape&)>& change);
  void hint(const QString& text);

  // Mouse.
  void press(QPointF p, int clicks, Qt::KeyboardModifiers mods);
  void pressSelect(QPointF p, int clicks);
  void drag(QPointF p);
  void release(QPointF p);
  void endDraft();
  void addCounter(QPointF p);
  // Adds a shape the tool has finished drawing, as one undo step, and lets the tool go.
  void agregarTerminada(const Shape& s);

  // Text.
  void beginTextEditing(QPointF at, std::optional<Shape> existing, double imageFontSize);
  void reopenCallout(int index);
  void fitTextField();
  double campoFontImage() const;

  // Pixel strokes.
  void beginStroke(QPointF p, bool option);
  void continueStroke(QPointF p);
  void endStroke();
  void pinchTick();
  void rellenarEnSegundoPlano(TrazoDePixeles::ParaRellenar trabajo, bool motas, int radius);
  QPointF aPixel(QPointF image) const;
  const QImage& baseVisible() const;

  // Painting (editor_view_paint.cpp).
  void drawPicture(QPainter& p, const QImage& img, const QRect& exposed);
  void drawShapes(QPainter& p, const QImage& base, const std::vector<Shape>& shapes,
                  const Shape* extra, const QRect& exposed);
  void drawSelection(QPainter& p);
  void drawOverlays(QPainter& p);
  void drawStamp(QPainter& p, const QString& text);
  void refrescarCache(const QRect& dirtyPixels);

  Settings& settings_;
  const AnnotationFonts& fonts_;
  Documento doc_;
  quint64 revision_ = 1;

  ToolKind tool_ = ToolKind::select;
  QColor strokeColor_;
  QColor textColor_;
  double strokeWidth_ = 4;
  QString currentSticker_ = QStringLiteral("\u2764\uFE0F");
  bool cargandoAjustes_ = false;

  std::optional<int> selected_;
  bool autoSelected_ = false;
  std::optional<Shape> draft_;
  QPointF draftStart_;
  std::optional<Arrastre> drag_;
  bool dragUndoPushed_ = false;
  bool styleUndoPushed_ = false;
  std::optional<std::pair<QPointF, QPointF>> calloutDrag_;
  std::optional<QRectF> crop_;

  // Text editing.
  CampoDeTexto* campo_ = nullptr;
  MarcoDeTexto* marco_ = nullptr;
  ToolKind editingKind_ = ToolKind::text;
  std::optional<Shape> editingTemplate_;
  std::optional<QPointF> pendingTail_;
  QPointF campoOrigen_;    // image space, the box's bottom-left corner
  double campoFont_ = 16;  // image units

  // Pixel tools.
  double brushRadius_ = 24;
  double brushOpacity_ = 1;
  double spotSensitivity_ = 0.6;
  bool toneLighten_ = true;
  int toneRange_ = 0;
  bool pinchInward_ = true;
  bool healing_ = false;
  std::optional<QPointF> brushCenter_;  // image space
  std::optional<QPointF> cloneSource_;  // image space
  std::optional<QPointF> cloneVector_;
  std::unique_ptr<TrazoDePixeles> stroke_;
  std::vector<QPointF> strokeTrace_;  // image space
  QTimer pinchTimer_;
  MotoresDeRelleno motores_;
  std::shared_ptr<int> vida_ = std::make_shared<int>(0);

  // Panning and compare.
  bool spaceHeld_ = false;
  bool panning_ = false;
  QPointF panLast_;
  bool showingOriginal_ = false;
  std::optional<Documento> previous_;
  bool bloqueado_ = false;

  // Preview and display cache.
  double previewScale_ = 1;
  QImage preview_;
  quint64 previewRevision_ = 0;
  struct Cache {
    qint64 key = 0;
    QSize size;
    QImage img;
  } cache_;

  // Inspector.
  QPointer<InspectorBar> inspector_;
  QPointer<QWidget> inspectorHost_;
  std::optional<int> inspectorIndex_;
  std::optional<ToolKind> inspectorPlantilla_;
  bool colocando_ = false;
};

}  // namespace corvalin
