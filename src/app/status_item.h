// The tray icon: how it looks in each state, and the adapter that shows it with
// QSystemTrayIcon (StatusNotifierItem or the XEmbed tray, whichever the desktop offers).
#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QRect>
#include <QString>
#include <functional>
#include <memory>

#include "app/menu_widgets.h"
#include "app/menus.h"
#include "recording/controls_layout.h"

class QMenu;
class QSystemTrayIcon;

namespace corvalin {

struct EstadoDelIcono {
  bool grabando = false;
  bool pausado = false;
  bool cronometroEnBarra = false;  // recordTimerPlacement is barraDeMenus
  QString tiempo;                  // tiempoGrabado
  QList<double> progresos;         // of the uploads in progress
};

struct AparienciaDelIcono {
  enum class Imagen { camara, detener };
  Imagen imagen = Imagen::camara;
  QString titulo;  // what sits beside the image: " 1:05", " ⏸ 1:05", " 45 %", or empty
  bool tituloEnPausa = false;  // drawn in orange
  QString descripcion;         // accessible name
  QString tooltip;
};

// refrescarMenus: the look for a state.
AparienciaDelIcono apariencia(const EstadoDelIcono& estado);

// Draws the tray picture: the camera or the red stop sign, with the upload percentage or a
// pause mark as a badge, at `lado` pixels.
QImage dibujarIcono(const AparienciaDelIcono& apariencia, int lado);

// What the shell needs from its tray icon.
class StatusItem {
 public:
  virtual ~StatusItem() = default;
  virtual void aplicar(const AparienciaDelIcono& apariencia) = 0;
  // Opens the tray menu now (desplegarMenu).
  virtual void desplegarMenu() = 0;
  // Where the icon is on the screen; empty when the tray doesn't say (StatusNotifierItem).
  virtual QRect geometria() const { return {}; }
};

class TrayStatusItem final : public QObject, public StatusItem {
  Q_OBJECT

 public:
  // `menu` builds the tray menu each time it opens; `ejecutar` runs its commands;
  // `clic` receives left (false) and right (true) clicks on the icon.
  TrayStatusItem(std::function<Menu()> menu, std::function<void(Accion, QVariant)> ejecutar,
                 std::function<void(bool derecho)> clic);
  ~TrayStatusItem() override;

  void aplicar(const AparienciaDelIcono& apariencia) override;
  void desplegarMenu() override;
  QRect geometria() const override;

 private:
  void reconstruir();

  std::function<Menu()> menu_;
  std::function<void(Accion, QVariant)> ejecutar_;
  std::function<void(bool)> clic_;
  std::unique_ptr<QMenu> qmenu_;
  std::unique_ptr<QSystemTrayIcon> tray_;
  FormaDeMenu forma_;
  QList<ElementoDeMenu> construido_;  // what the menu holds now
  bool aplicadoMenu_ = false;
  AparienciaDelIcono ultima_;
  bool aplicada_ = false;
};

}  // namespace corvalin
