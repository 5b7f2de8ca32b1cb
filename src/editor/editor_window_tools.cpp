// The editor window's tool bar: the action buttons, the tool groups with their menus, the
// options bar that follows the tool, and the sticker picker.
#include <QActionGroup>
#include <QFrame>
#include <QHBoxLayout>
#include <QMenu>
#include <QShortcut>
#include <QToolButton>

#include "core/settings.h"
#include "core/texts.h"
#include "editor/editor_icons.h"
#include "editor/editor_view.h"
#include "editor/editor_window_controller.h"
#include "editor/editor_zoom.h"
#include "editor/pixel_options_bar.h"
#include "editor/sticker_catalog.h"
#include "editor/sticker_picker.h"
#include "editor/symbol_drawing.h"
#include "editor/tools_control.h"

namespace corvalin {
namespace {

QToolButton* boton(QWidget* parent, const QString& symbol, const QString& tip) {
  auto* b = new QToolButton(parent);
  b->setAutoRaise(true);
  b->setIcon(iconoDeAccion(symbol));
  b->setIconSize(QSize(18, 18));
  b->setFixedSize(32, 30);
  b->setToolTip(tip);
  b->setAccessibleName(tip);
  b->setFocusPolicy(Qt::NoFocus);
  return b;
}

QFrame* separador(QWidget* parent) {
  auto* line = new QFrame(parent);
  line->setFrameShape(QFrame::VLine);
  line->setFrameShadow(QFrame::Plain);
  line->setFixedHeight(20);
  QPalette pal = line->palette();
  QColor c = pal.color(QPalette::WindowText);
  c.setAlphaF(0.15f);
  pal.setColor(QPalette::WindowText, c);
  line->setPalette(pal);
  return line;
}

// The tool's letter from the settings' table, upper case; empty when it has none.
QString letraDe(const Settings& settings, ToolKind tool) {
  return settings.shortcuts().value(QString::number(static_cast<int>(tool))).toUpper();
}

}  // namespace

QWidget* EditorWindowController::construirBarraDeHerramientas() {
  auto* bar = new QWidget(this);
  bar->setFixedHeight(kAltoBarraDeHerramientas);
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(10, 0, 10, 0);
  row->setSpacing(2);

  auto* deshacer = boton(bar, QStringLiteral("arrow.uturn.backward"), L("Deshacer (Ctrl+Z)"));
  auto* rehacer = boton(bar, QStringLiteral("arrow.uturn.forward"), L("Rehacer (Ctrl+Shift+Z)"));
  connect(deshacer, &QToolButton::clicked, this, [this] { undo(); });
  connect(rehacer, &QToolButton::clicked, this, [this] { redo(); });
  auto* mejorar = boton(bar, QStringLiteral("wand.and.stars"),
                        L("Mejorar automáticamente — luz, blancos y contraste (Ctrl+E)"));
  connect(mejorar, &QToolButton::clicked, this, [this] { autoEnhance(); });
  original_ = boton(bar, QStringLiteral("eye"),
                    L("Ver el original mientras lo tengas apretado — también con la tecla \\"));
  connect(original_, &QToolButton::pressed, this, [this] { verOriginal(true); });
  connect(original_, &QToolButton::released, this, [this] { verOriginal(false); });
  anterior_ = boton(bar, QStringLiteral("clock.arrow.circlepath"),
                    L("Ver cómo estaba antes del último cambio, mientras lo tengas apretado — "
                      "también con Alt+\\"));
  connect(anterior_, &QToolButton::pressed, this, [this] { mostrarPasoAnterior(true); });
  connect(anterior_, &QToolButton::released, this, [this] { mostrarPasoAnterior(false); });

  toolsControl_ = new ToolsControl(segmentosDeGrupos(), bar);
  herramientaDelGrupo_.assign(grupos().size(), ToolKind::select);
  for (std::size_t g = 0; g < grupos().size(); ++g) {
    herramientaDelGrupo_[g] = grupos()[g].herramientas.front();
    menusDeGrupo_.push_back(grupos()[g].herramientas.size() > 1 ? menuPara(static_cast<int>(g))
                                                                : nullptr);
  }
  toolsControl_->menuDelGrupo = [this](int g) { return menuDeGrupo(g); };
  toolsControl_->alEscoger = [this](int g) { alEscoger(g); };

  auto* leer = boton(bar, QStringLiteral("text.viewfinder"),
                     L("Copiar el texto de la captura — con un recorte marcado, solo el de ahí "
                       "(Ctrl+Shift+O)"));
  connect(leer, &QToolButton::clicked, this, [this] { copyText(); });
  auto* girar = boton(bar, QStringLiteral("rotate.right"),
                      L("Girar y voltear — Ctrl+R derecha · Ctrl+Shift+R izquierda · "
                        "Ctrl+Shift+H espejo · Ctrl+Alt+Shift+H espejo vertical"));
  girar->setPopupMode(QToolButton::InstantPopup);
  girar->setFixedSize(40, 30);
  menuDeGiro_ = new QMenu(girar);
  const auto item = [this](const QString& symbol, const QString& title, const QString& keys,
                           std::function<void()> run) {
    QAction* a = menuDeGiro_->addAction(iconoDeAccion(symbol), title + QLatin1Char('\t') + keys);
    connect(a, &QAction::triggered, this, std::move(run));
  };
  item(QStringLiteral("rotate.right"), L("Girar a la derecha"), QStringLiteral("Ctrl+R"),
       [this] { canvas_->rotate(true); });
  item(QStringLiteral("rotate.left"), L("Girar a la izquierda"), QStringLiteral("Ctrl+Shift+R"),
       [this] { canvas_->rotate(false); });
  item(QStringLiteral("flip.horizontal"), L("Espejo horizontal"), QStringLiteral("Ctrl+Shift+H"),
       [this] { canvas_->espejo(true); });
  item(QStringLiteral("flip.vertical"), L("Espejo vertical"), QStringLiteral("Ctrl+Alt+Shift+H"),
       [this] { canvas_->espejo(false); });
  girar->setMenu(menuDeGiro_);

  auto* copiar = boton(bar, QStringLiteral("doc.on.doc"), L("Copiar al portapapeles (Ctrl+C)"));
  connect(copiar, &QToolButton::clicked, this, [this] { copyToClipboard(); });
  auto* guardar = boton(bar, QStringLiteral("square.and.arrow.down"),
                        L("Guardar PNG en la carpeta configurada y cerrar (↩)"));
  connect(guardar, &QToolButton::clicked, this, [this] { saveToDisk(); });
  subir_ = boton(bar, QStringLiteral("icloud.and.arrow.up"), QString());
  subir_->setToolButtonStyle(Qt::ToolButtonIconOnly);
  connect(subir_, &QToolButton::clicked, this, [this] { upload(); });

  row->addWidget(deshacer);
  row->addWidget(rehacer);
  row->addSpacing(6);
  row->addWidget(separador(bar));
  row->addSpacing(6);
  row->addWidget(mejorar);
  row->addWidget(original_);
  row->addWidget(anterior_);
  row->addStretch(1);
  row->addWidget(toolsControl_);
  row->addStretch(1);
  row->addWidget(leer);
  row->addWidget(girar);
  row->addSpacing(6);
  row->addWidget(separador(bar));
  row->addSpacing(6);
  row->addWidget(copiar);
  row->addWidget(guardar);
  row->addWidget(subir_);
  refrescarBotonDeSubida();

  const auto atajo = [this](const QKeySequence& keys, std::function<void()> run) {
    auto* s = new QShortcut(keys, this);
    s->setContext(Qt::WindowShortcut);
    connect(s, &QShortcut::activated, this, std::move(run));
  };
  atajo(QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { undo(); });
  atajo(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), [this] { redo(); });
  atajo(QKeySequence(Qt::CTRL | Qt::Key_E), [this] { autoEnhance(); });
  atajo(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), [this] { copyText(); });
  // Return saves, and so does the key every Linux editor saves with.
  atajo(QKeySequence(Qt::CTRL | Qt::Key_S), [this] { saveToDisk(); });
  atajo(QKeySequence(Qt::CTRL | Qt::Key_Return), [this] { upload(); });
  atajo(QKeySequence(Qt::CTRL | Qt::Key_Enter), [this] { upload(); });
  return bar;
}

QMenu* EditorWindowController::menuDeGrupo(int group) const {
  if (group < 0 || group >= static_cast<int>(menusDeGrupo_.size())) return nullptr;
  return menusDeGrupo_[group];
}

QMenu* EditorWindowController::menuPara(int group) {
  auto* menu = new QMenu(this);
  auto* exclusive = new QActionGroup(menu);
  for (ToolKind t : grupos()[group].herramientas) {
    QString title = shortName(t);
    const QString letra = letraDe(settings_, t);
    if (!letra.isEmpty()) title += QStringLiteral("\t") + letra;
    QAction* a = menu->addAction(symbolIcon(symbol(t)), title);
    a->setCheckable(true);
    a->setData(static_cast<int>(t));
    exclusive->addAction(a);
    connect(a, &QAction::triggered, this, [this, t] { elegirDelGrupo(t); });
  }
  return menu;
}

void EditorWindowController::elegirDelGrupo(ToolKind tool) {
  canvas_->setTool(tool);
  onToolChanged(tool);
  if (tool == ToolKind::sticker) openStickerPicker();
}

void EditorWindowController::alEscoger(int segment) {
  if (segment < 0 || segment >= static_cast<int>(grupos().size())) return;
  const ToolKind tool = herramientaDelGrupo_[segment];
  canvas_->setTool(tool);
  onToolChanged(tool);
  if (tool == ToolKind::sticker) openStickerPicker();
}

void EditorWindowController::onToolChanged(ToolKind tool) {
  const int g = grupo(tool);
  herramientaDelGrupo_[g] = tool;
  pintarGrupo(g);
  palomear(g, tool);
  toolsControl_->setSelectedSegment(g);
  const bool pixel = isPixelTool(tool);
  const bool era = opciones_->isVisibleTo(this);
  if (pixel) opciones_->mostrarPara(tool, canvas_);
  opciones_->setVisible(pixel);
  if (era != pixel) layoutCanvas();
}

void EditorWindowController::pintarGrupo(int g) {
  const ToolKind tool = herramientaDelGrupo_[g];
  QString tip = label(tool);
  const QString letra = letraDe(settings_, tool);
  if (!letra.isEmpty()) tip += QStringLiteral("  ·  ") + letra;
  if (grupos()[g].herramientas.size() > 1) {
    tip += L("  ·  mantén apretado (o clic derecho) para ver %@", grupos()[g].nombre.toLower());
  }
  toolsControl_->setSegment(g, symbol(tool), tip);
}

void EditorWindowController::palomear(int g, ToolKind tool) {
  for (std::size_t i = 0; i < menusDeGrupo_.size(); ++i) {
    QMenu* menu = menusDeGrupo_[i];
    if (menu == nullptr) continue;
    for (QAction* a : menu->actions()) {
      a->setChecked(static_cast<int>(i) == g && a->data().toInt() == static_cast<int>(tool));
    }
  }
}

void EditorWindowController::openStickerPicker() {
  auto* picker = new StickerPicker(canvas_->currentSticker(), settings_.stickerRecents(), this);
  picker->onPick = [this](const QString& glyph) { pickSticker(glyph); };
  picker->abrirJunto(toolsControl_, toolsControl_->rectoDe(grupo(ToolKind::sticker)).toRect());
}

void EditorWindowController::pickSticker(const QString& glyph) {
  canvas_->setCurrentSticker(glyph);
  rememberSticker(settings_, glyph);
  if (canvas_->tool() != ToolKind::sticker) {
    canvas_->setTool(ToolKind::sticker);
    onToolChanged(ToolKind::sticker);
  }
  setStatus(mensajeDeSticker(glyph));
}

}  // namespace corvalin
