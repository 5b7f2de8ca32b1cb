#include "app/menu_widgets.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

namespace corvalin {
namespace {

QAction* agregar(QMenu* menu, const ElementoDeMenu& e, const EjecutarAccion& ejecutar,
                 FormaDeMenu forma) {
  if (e.tipo == ElementoDeMenu::Tipo::separador) return menu->addSeparator();
  const bool dibujado = forma == FormaDeMenu::dibujado;
  QString text = dibujado ? QString(e.sangria * 4, QLatin1Char(' ')) + e.titulo : e.titulo;
  text.replace(QLatin1Char('&'), QStringLiteral("&&"));
  if (!e.submenu.isEmpty()) {
    QMenu* sub = menu->addMenu(text);
    llenarMenu(sub, e.submenu, ejecutar, forma);
    sub->menuAction()->setEnabled(e.habilitado);
    return sub->menuAction();
  }
  if (!e.atajo.isEmpty() && dibujado) text += QLatin1Char('\t') + e.atajo;
  QAction* action = menu->addAction(text);
  action->setEnabled(e.habilitado && e.accion.has_value());
  if (e.esOpcion) {
    action->setCheckable(true);
    action->setChecked(e.marcado);
  }
  if (!e.tecla.isEmpty()) {
    action->setShortcut(QKeySequence(QStringLiteral("Ctrl+") + e.tecla.toUpper()));
  } else if (!e.atajo.isEmpty() && !dibujado) {
    // Only shown: the hotkey itself is grabbed by the hotkey manager, not by this menu.
    action->setShortcut(QKeySequence::fromString(
        QString(e.atajo).replace(QLatin1String("Super"), QLatin1String("Meta"))));
    action->setShortcutContext(Qt::WidgetShortcut);
    action->setShortcutVisibleInContextMenu(true);
  }
  if (e.accion) {
    const Accion accion = *e.accion;
    const QVariant valor = e.valor;
    QObject::connect(action, &QAction::triggered, menu,
                     [ejecutar, accion, valor] { ejecutar(accion, valor); });
  }
  return action;
}

}  // namespace

void llenarMenu(QMenu* menu, const QList<ElementoDeMenu>& elementos, const EjecutarAccion& ejecutar,
                FormaDeMenu forma) {
  menu->clear();
  for (const ElementoDeMenu& e : elementos) agregar(menu, e, ejecutar, forma);
}

QMenuBar* crearBarraDeMenus(QWidget* ventana, const QList<Menu>& menus,
                            const EjecutarAccion& ejecutar) {
  auto* bar = new QMenuBar(ventana);
  // Editing and window commands act on the window that carries the bar.
  EjecutarAccion local = [ventana, ejecutar](Accion accion, const QVariant& valor) {
    QWidget* focus = QApplication::focusWidget();
    switch (accion) {
      case Accion::cut:
      case Accion::copy:
      case Accion::paste:
      case Accion::selectAll: {
        const char* slot = accion == Accion::cut     ? "cut"
                           : accion == Accion::copy  ? "copy"
                           : accion == Accion::paste ? "paste"
                                                     : "selectAll";
        const bool handled = focus != nullptr && focus->window() == ventana &&
                             QMetaObject::invokeMethod(focus, slot);
        // Nothing in the window takes a paste: open the clipboard's picture instead.
        if (!handled && accion == Accion::paste) ejecutar(Accion::pasteFromClipboard, valor);
        return;
      }
      case Accion::performClose:
        ventana->close();
        return;
      case Accion::performMiniaturize:
        ventana->showMinimized();
        return;
      default:
        ejecutar(accion, valor);
    }
  };
  for (const Menu& m : menus) {
    QMenu* menu = bar->addMenu(m.titulo);
    llenarMenu(menu, m.elementos, local);
  }
  return bar;
}

}  // namespace corvalin
