#include "app/menus.h"

#include <algorithm>
#include <cmath>

#include "core/texts.h"
#include "recording/recording_types.h"

namespace corvalin {

bool ElementoDeMenu::operator==(const ElementoDeMenu& o) const {
  return tipo == o.tipo && titulo == o.titulo && accion == o.accion && valor == o.valor &&
         atajo == o.atajo && tecla == o.tecla && esOpcion == o.esOpcion && marcado == o.marcado &&
         habilitado == o.habilitado && sangria == o.sangria &&
         std::equal(submenu.begin(), submenu.end(), o.submenu.begin(), o.submenu.end());
}
namespace {

using Tipo = ElementoDeMenu::Tipo;

ElementoDeMenu accionSimple(const QString& titulo, Accion accion, const QString& tecla = {}) {
  ElementoDeMenu e;
  e.titulo = titulo;
  e.accion = accion;
  e.tecla = tecla;
  return e;
}

ElementoDeMenu opcion(const QString& titulo, Accion accion, const QVariant& valor, bool marcado) {
  ElementoDeMenu e = accionSimple(titulo, accion);
  e.valor = valor;
  e.esOpcion = true;
  e.marcado = marcado;
  return e;
}

Accion accionDeModo(CaptureMode mode) {
  switch (mode) {
    case CaptureMode::area:
      return Accion::captureArea;
    case CaptureMode::window:
      return Accion::captureWindow;
    case CaptureMode::fullscreen:
      return Accion::captureFullscreen;
    case CaptureMode::record:
      return Accion::toggleRecording;
    case CaptureMode::recordWindow:
      return Accion::recordWindowAction;
    case CaptureMode::recordFullscreen:
      return Accion::recordFullscreenAction;
    case CaptureMode::ocr:
      return Accion::captureTextAction;
    case CaptureMode::scroll:
      return Accion::toggleScrollCapture;
    case CaptureMode::color:
      return Accion::pickColorAction;
    case CaptureMode::pauseRecording:
      return Accion::alternarPausaAction;
  }
  return Accion::captureArea;
}

ElementoDeMenu submenuDeCalidad(const EstadoDeMenus& s) {
  ElementoDeMenu calidad;
  calidad.titulo = L("Calidad del video");
  auto& items = calidad.submenu;
  const std::pair<double, const char*> escalas[] = {{0.5, "Mitad — lo más ligero"},
                                                    {1.0, "Normal — 1 píxel por punto"},
                                                    {2.0, "Retina — pesa el doble"}};
  for (const auto& [value, title] : escalas) {
    items << opcion(L(title), Accion::cambiarEscalaDeVideo, value,
                    std::abs(value - s.escalaEfectiva) < 0.01);
  }
  items << ElementoDeMenu::separador();
  for (int fps : {15, 30, 50, 60}) {
    items << opcion(L("%@ cuadros por segundo", fps), Accion::cambiarFPS, fps,
                    fps == s.fpsEfectivos);
  }
  items << ElementoDeMenu::separador();
  for (FuenteDeAudio fuente : kAllFuentesDeAudio) {
    items << opcion(titulo(fuente), Accion::cambiarFuenteDeAudio, rawValue(fuente),
                    fuente == s.fuente);
  }
  items << ElementoDeMenu::separador();
  const qint64 retraso = s.retraso < 1 ? 0 : std::min<qint64>(s.retraso, 10);
  for (int seconds : {0, 3, 5, 10}) {
    const QString title =
        seconds == 0 ? L("Empezar a grabar de inmediato") : L("Cuenta regresiva de %@ s", seconds);
    items << opcion(title, Accion::cambiarRetraso, seconds, seconds == retraso);
  }
  return calidad;
}

ElementoDeMenu submenuDeDestino(const EstadoDeMenus& s) {
  ElementoDeMenu destino;
  destino.titulo = L("Subir a: %@", titulo(s.destino));
  for (DestinoDeSubida d : {DestinoDeSubida::nube, DestinoDeSubida::propio}) {
    destino.submenu << opcion(titulo(d), Accion::cambiarDestino, rawValue(d), d == s.destino);
  }
  destino.submenu << ElementoDeMenu::separador()
                  << accionSimple(L("Configurar…"), Accion::openPreferences);
  return destino;
}

}  // namespace

EstadoDeMenus estadoDesdeAjustes(const Settings& settings) {
  EstadoDeMenus s;
  const AjustesDeGrabacion record = settings.record();
  s.escalaEfectiva = record.escala;
  s.fpsEfectivos = record.fps;
  s.fuente = record.audio;
  s.retraso = settings.d().integer(QStringLiteral("recordDelay"));
  s.destino = settings.uploadTarget();
  s.hotkey = [&settings](CaptureMode m) { return settings.hotkey(m); };
  return s;
}

ElementoDeMenu item(const QString& titulo, CaptureMode modo, Accion accion, bool forDock,
                    const EstadoDeMenus& estado) {
  ElementoDeMenu e = accionSimple(titulo, accion);
  const std::optional<Hotkey> hotkey = estado.hotkey(modo);
  if (!hotkey) return e;
  if (forDock) {
    e.titulo = titulo + QStringLiteral("   ") + hotkey->display();
  } else if (Hotkey::keyName(hotkey->keyCode).size() == 1) {
    e.atajo = hotkey->display();
  }
  return e;
}

Menu buildCaptureMenu(const QString& titulo, bool forDock, const EstadoDeMenus& s) {
  using M = CaptureMode;
  static const QList<QList<M>> grupos = {{M::area, M::window, M::fullscreen},
                                         {M::record, M::recordWindow, M::recordFullscreen},
                                         {M::ocr, M::scroll, M::color}};
  Menu menu{titulo, {}};
  for (int g = 0; g < grupos.size(); ++g) {
    if (g > 0) menu.elementos << ElementoDeMenu::separador();
    const bool grupoDeGrabacion = g == 1;
    if (grupoDeGrabacion && (s.grabando || s.contando || s.preparando)) {
      if (s.grabando) {
        menu.elementos << item(s.pausado ? L("Continuar grabación") : L("Pausar grabación"),
                               M::pauseRecording, Accion::alternarPausaAction, forDock, s);
      }
      const QString detener = s.contando     ? L("Cancelar la cuenta regresiva")
                              : s.preparando ? L("Cancelar la grabación")
                                             : L("Detener grabación");
      menu.elementos << item(detener, M::record, Accion::toggleRecording, forDock, s);
      continue;
    }
    for (M mode : grupos[g]) {
      const QString t = mode == M::scroll && s.desplazando ? L("Terminar la captura larga")
                                                           : corvalin::title(mode);
      menu.elementos << item(t, mode, accionDeModo(mode), forDock, s);
    }
  }
  return menu;
}

ElementoDeMenu menuItemDeActualizaciones() {
  return accionSimple(L("Buscar actualizaciones…"), Accion::checkForUpdates);
}

Menu buildMenu(bool forDock, const EstadoDeMenus& s) {
  Menu menu;
  menu.elementos = buildCaptureMenu(QStringLiteral("Corvalin"), forDock, s).elementos;

  ElementoDeMenu mostrar = accionSimple(L("Mostrar ventana"), Accion::showLastWindow);
  ElementoDeMenu pegar =
      accionSimple(L("Pegar imagen del portapapeles"), Accion::pasteFromClipboard);
  if (forDock) {
    mostrar.habilitado = s.hayEditor || s.hayVideoConArchivo;
    pegar.habilitado = s.portapapelesConImagen;
  }
  menu.elementos << ElementoDeMenu::separador() << mostrar << pegar;
  menu.elementos << ElementoDeMenu::separador() << submenuDeCalidad(s);

  for (int i = 0; i < s.subidas.size(); ++i) {
    ElementoDeMenu subiendo;
    subiendo.titulo = L("Subiendo %@", s.subidas[i]);
    subiendo.habilitado = false;
    ElementoDeMenu cancelar = accionSimple(L("Cancelar esta subida"), Accion::cancelarSubida);
    cancelar.valor = i;
    cancelar.sangria = 1;
    menu.elementos << subiendo << cancelar;
  }
  if (!s.subidas.isEmpty()) menu.elementos << ElementoDeMenu::separador();

  menu.elementos << submenuDeDestino(s);
  menu.elementos << ElementoDeMenu::separador()
                 << accionSimple(L("Preferencias…"), Accion::openPreferences)
                 << accionSimple(L("Acerca de Corvalin"), Accion::acercaDe)
                 << menuItemDeActualizaciones();
  if (!forDock)
    menu.elementos << accionSimple(L("Salir de Corvalin"), Accion::terminate, QStringLiteral("q"));
  return menu;
}

QList<Menu> buildMainMenu(const EstadoDeMenus& s) {
  Menu app{QStringLiteral("Corvalin"),
           {accionSimple(L("Acerca de Corvalin"), Accion::acercaDe), ElementoDeMenu::separador(),
            accionSimple(L("Preferencias…"), Accion::openPreferences, QStringLiteral(",")),
            menuItemDeActualizaciones(), ElementoDeMenu::separador(),
            accionSimple(L("Salir de Corvalin"), Accion::terminate, QStringLiteral("q"))}};
  Menu captura = buildCaptureMenu(L("Capturar"), false, s);
  Menu edicion{L("Edición"),
               {accionSimple(L("Cortar"), Accion::cut, QStringLiteral("x")),
                accionSimple(L("Copiar"), Accion::copy, QStringLiteral("c")),
                accionSimple(L("Pegar"), Accion::paste, QStringLiteral("v")),
                accionSimple(L("Seleccionar todo"), Accion::selectAll, QStringLiteral("a"))}};
  Menu ventana{L("Ventana"),
               {accionSimple(L("Cerrar"), Accion::performClose, QStringLiteral("w")),
                accionSimple(L("Minimizar"), Accion::performMiniaturize, QStringLiteral("m"))}};
  QList<Menu> bar = {app, captura, edicion, ventana};
  for (Menu& menu : bar) {
    for (ElementoDeMenu& e : menu.elementos) e.habilitado = validateMenuItem(e, s);
  }
  return bar;
}

bool validateMenuItem(const ElementoDeMenu& e, const EstadoDeMenus& s) {
  if (!e.accion) return true;
  switch (*e.accion) {
    case Accion::showLastWindow:
      return s.hayEditor || s.hayVideoConArchivo;
    case Accion::pasteFromClipboard:
      return s.portapapelesConImagen;
    default:
      return true;
  }
}

}  // namespace corvalin
