#include "app/application.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <cstdio>
#include <vector>

#include "app/app_delegate.h"
#include "app/menu_widgets.h"
#include "app/pending_parts.h"
#include "capture/area_selector_qt.h"
#include "capture/color_picker_qt.h"
#include "capture/countdown_qt.h"
#include "capture/desktop.h"
#include "capture/desktop_portal.h"
#include "capture/lector_diferido.h"
#include "capture/portal_color.h"
#include "capture/screenshot_capture_service.h"
#include "capture/scroll_capture_stream.h"
#include "capture/window_picker_qt.h"
#include "core/texts.h"
#include "core/toast.h"
#include "editor/editor_factory.h"
#include "editor/editor_queues.h"
#include "hotkeys/hotkey_manager.h"
#include "hotkeys/sonda_de_atajos.h"
#include "platform/display_server.h"
#include "platform/main_thread.h"
#include "platform/screencast_portal.h"
#include "platform/single_instance.h"
#include "platform/symbol_icons.h"
#include "platform/unix_signals.h"
#include "preferences/about_window.h"
#include "preferences/preferences_window.h"
#include "recording/grabadora.h"
#include "recording/windows/camera_bubble.h"
#include "recording/windows/recording_bar.h"
#include "recording/windows/recording_frame.h"
#include "recording/windows/review_window.h"
#include "recording/windows/setup_bar.h"
#include "recording/windows/tray_panel.h"
#include "retouch/inpainter.h"
#include "retouch/spot_cleaner.h"
#include "update/update_controller.h"
#include "upload/keychain.h"
#include "upload/subidor.h"

namespace corvalin {
namespace {

// Brings Corvalin's visible windows forward.
void activar() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->isVisible() && !(w->windowFlags() & Qt::ToolTip)) {
      w->raise();
      w->activateWindow();
    }
  }
}

QScreen* pantallaPorNombre(const QString& name) {
  for (QScreen* screen : QGuiApplication::screens()) {
    if (screen->name() == name) return screen;
  }
  return nullptr;
}

// The Preferences and About windows are made once and kept, closed or not.
struct VentanasFijas {
  QPointer<PreferencesWindow> preferencias;
  QPointer<AboutWindow> acercaDe;
  AppDelegate* delegado = nullptr;  // set once the shell exists, for the windows' menu bars

  void abrirPreferencias() {
    if (!preferencias) {
      Settings& settings = Settings::shared();
      preferencias = new PreferencesWindow(settings, UpdateController::shared(),
                                           serviciosDelEscritorio(settings));
      preferencias->setWindowIcon(iconoDeLaAplicacion());
    }
    mostrarCentrada(preferencias);
  }

  void abrirAcercaDe() {
    if (!acercaDe) {
      UpdateController& updates = UpdateController::shared();
      AcercaDeView datos{QStringLiteral(CORVALIN_VERSION), QStringLiteral(CORVALIN_BUILD_NUMBER),
                         QStringLiteral("© 2026 Corvalin"),
                         [&updates] { updates.checkForUpdates(); }};
      acercaDe =
          new AboutWindow(datos, [](const QString& url) { QDesktopServices::openUrl(QUrl(url)); });
    }
    mostrarCentrada(acercaDe);
  }

  static void mostrarCentrada(QWidget* window) {
    if (!window->isVisible()) {
      if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
      }
    }
    window->show();
    window->raise();
    window->activateWindow();
  }
};

// What every editor window shares: the shell's clipboard, reader and toasts, uploads through
// Subidor, and the fill engines.
// Whether an upload can start: the hosted service always can, the user's own bucket once set up.
bool subidaLista() {
  Settings& settings = Settings::shared();
  return settings.uploadTarget() != DestinoDeSubida::propio || settings.isConfigured();
}

ServiciosDelEditor serviciosDelEditor(Piezas& p, VentanasFijas& ventanas) {
  ServiciosDelEditor editor;
  editor.settings = &Settings::shared();
  editor.carpetaDeCopias = carpetaDeCopias();
  editor.portapapeles = portapapelesDelSistema(*p.portapapeles);
  editor.lector = p.lector.get();
  editor.toast = p.toast;
  editor.abrirPreferencias = p.abrirPreferencias;
  editor.activar = activar;
  // Linux has no global menu bar: the editor window carries the application's.
  editor.ponerBarraDeMenus = [&ventanas](QWidget* ventana) {
    AppDelegate* d = ventanas.delegado;
    auto* window = qobject_cast<QMainWindow*>(ventana);
    if (d == nullptr || window == nullptr) return;
    window->setMenuBar(crearBarraDeMenus(ventana, d->barraDeMenus(),
                                         [d](Accion a, const QVariant& v) { d->ejecutar(a, v); }));
  };
  editor.subida.titulo = [] { return Subidor::titulo(Settings::shared().uploadTarget()); };
  editor.subida.lista = subidaLista;
  editor.subida.subir = [](const QByteArray& png, const QString& nombre,
                           std::function<void(const FinDeSubida&)> alTerminar) {
    Subidor::subirEnSegundoPlano(
        Cuerpo::datos(png), QStringLiteral("image/png"), QStringLiteral("png"), nombre,
        [alTerminar = std::move(alTerminar)](const Resultado<SubidaHecha>& r) {
          FinDeSubida hecho;
          if (const auto* ok = std::get_if<SubidaHecha>(&r)) {
            hecho.url = ok->url.toString(QUrl::FullyEncoded);
            hecho.aviso = ok->aviso;
          } else {
            const ErrorDeSubida& error = std::get<ErrorDeSubida>(r);
            hecho.cancelada = error.esCancelacion();
            hecho.delServicio = error.nube() != nullptr;
            hecho.error = error.descripcion();
          }
          alTerminar(hecho);
        });
  };
  editor.motores.rellenar = [](retouch::PixelCanvas& canvas, const retouch::PixelMask& mask) {
    return retouch::Inpainter::heal(canvas, mask);
  };
  editor.motores.quitarMotas = [](retouch::PixelCanvas& canvas, const retouch::PixelMask& mask,
                                  int radius, double sensitivity) {
    // Only specks whose fill found something to copy count as removed.
    const auto spots = retouch::SpotCleaner::spots(canvas, mask, radius, sensitivity);
    return static_cast<int>(retouch::SpotCleaner::remove(canvas, spots));
  };
  return editor;
}

// The choosers over the X server Qt draws on; on Wayland the area selector covers the screens
// as full-screen windows, the window picker says it cannot list windows, and colours come
// from the desktop's own chooser.
void ponerSelectores(Piezas& p) {
  std::shared_ptr<Escritorio> escritorio;
  if (QGuiApplication::platformName() == QLatin1String("xcb")) escritorio = escritorioX11();
  p.areas =
      std::make_unique<SelectorDeArea>(escritorio, [] { return Settings::shared().record(); });
  p.ventanas = std::make_unique<SelectorDeVentana>(escritorio, [] {
    Toast::mostrar(L("Aquí no se pueden elegir ventanas"),
                   L("Tu escritorio no deja ver sus ventanas; graba un área o la pantalla"),
                   QStringLiteral("exclamationmark.triangle"));
  });
  // On Wayland colours are picked on the portal's picture of the screen, or where it takes
  // none, with the desktop's own chooser.
  std::shared_ptr<Escritorio> deColores = escritorio;
  if (!escritorio && servidorGrafico() == ServidorGrafico::wayland)
    deColores = escritorioDelPortal();
  p.colores = std::make_unique<SelectorDeColor>(
      deColores, [](std::function<void(const QColor&)> onPick, std::function<void()> onCancel) {
        colorDelPortal(std::move(onPick), std::move(onCancel), [] {
          Toast::mostrar(L("No se pudo sacar el color"),
                         L("Tu escritorio no ofrece un selector de color"),
                         QStringLiteral("exclamationmark.triangle"));
        });
      });
  p.cuentaRegresiva = fabricaDeCuentaRegresiva(escritorio);
  // Recordings and long captures from X11's own stream, or on Wayland from the screen the
  // desktop shares through its portal.
  if (escritorio || servidorGrafico() == ServidorGrafico::wayland) {
    GrabadoraDePantalla::Servicios servicios;
    servicios.flujo = flujoDelEscritorio;
    servicios.avisar = [](const QString& titulo, const QString& detalle) {
      Toast::mostrar(titulo, detalle, QStringLiteral("exclamationmark.triangle"));
    };
    p.grabadora = std::make_unique<GrabadoraDePantalla>(std::move(servicios));
    p.desplazamiento = [] { return std::make_unique<CapturaLarga>(flujoDelEscritorio); };
  }
  p.grabacion.setupBar = crearBarraDeAjustes;
  p.grabacion.bar = [](RecordingBar::Modo modo, ManejadoresDeBarra manejadores) {
    // While the recording runs, the review window's player gets ready (once a session).
    if (modo == RecordingBar::Modo::grabacion) QTimer::singleShot(1500, precalentarReproduccion);
    return crearBarraDeGrabacion(modo, std::move(manejadores), [] {
      const std::optional<Hotkey> pausa = Settings::shared().hotkey(CaptureMode::pauseRecording);
      return pausa ? pausa->display() : QString();
    });
  };
  // A Wayland client can't place a window around the area: no frame there.
  if (servidorGrafico() != ServidorGrafico::wayland) p.grabacion.frame = crearMarcoDeGrabacion;
  p.grabacion.panel = [](ManejadoresDePanel manejadores, const QRect& icono) {
    QTimer::singleShot(1500, precalentarReproduccion);
    return crearPanelDeBandeja(std::move(manejadores), icono);
  };
  p.grabacion.camara = [toast = p.toast](
                           const QRect& sobre, FormaDeCamara forma,
                           std::function<void(std::unique_ptr<CamaraFlotante>)> listo) {
    mostrarCamara(sobre, forma, toast, std::move(listo));
  };
  p.grabacion.video = [portapapeles = p.portapapeles.get(), toast = p.toast](const QString& archivo,
                                                                             const QSize& medidas) {
    ServiciosDeRevision s;
    s.portapapeles = portapapeles;
    s.aviso = toast;
    s.tituloDeSubida = [] { return Subidor::titulo(Settings::shared().uploadTarget()); };
    s.subidaLista = subidaLista;
    s.subir = [](const Cuerpo& cuerpo, const QString& tipo, const QString& extension,
                 const QString& nombre, std::function<void(const ResultadoDeSubida&)> listo) {
      Subidor::subirEnSegundoPlano(cuerpo, tipo, extension, nombre, std::move(listo));
    };
    return crearVentanaDeVideo(archivo, medidas, std::move(s));
  };
}

Piezas piezasDeEscritorio(VentanasFijas& ventanas) {
  Piezas p;
  p.portapapeles = crearPortapapelesDelSistema();
  p.alertas = crearAlertasDeEscritorio();
  p.toast = [](const QString& t, const QString& d, const QString& s) { Toast::mostrar(t, d, s); };
  p.toastConAccion = [](const QString& t, const QString& d, const QString& s, AccionDeToast a) {
    Toast::mostrar(t, d, s, std::move(a));
  };
  auto capturas = std::make_unique<ServicioDeCaptura>(ServicioDeCaptura::Configuracion{
      herramientaDeCapturaInstalada(), {}, std::chrono::milliseconds(40)});
  // A tool that cannot start is an installation fault: say so instead of doing nothing.
  capturas->alFallarElLanzamiento = [](const QString& herramienta) {
    enMain([herramienta] {
      Toast::mostrar(L("No se pudo abrir la herramienta de captura"), herramienta,
                     QStringLiteral("exclamationmark.triangle"));
    });
  };
  p.capturas = std::move(capturas);
  p.lector = std::make_unique<LectorDeTextoDiferido>(modulosDeTextoInstalados());
  p.permisoDePantalla = [] { return true; };
  p.activar = activar;
  p.pantallaBajoElPuntero = [] {
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen == nullptr && !QGuiApplication::screens().isEmpty()) {
      screen = QGuiApplication::screens().first();
    }
    return screen ? AreaElegida{screen->geometry(), screen->name()} : AreaElegida{};
  };
  p.marcoDePantalla = [](const QString& name) {
    QScreen* screen = pantallaPorNombre(name);
    return screen ? screen->geometry() : QRect();
  };
  p.bandeja = [](std::function<Menu()> menu, std::function<void(Accion, QVariant)> ejecutar,
                 std::function<void(bool)> clic) -> std::unique_ptr<StatusItem> {
    return std::make_unique<TrayStatusItem>(std::move(menu), std::move(ejecutar), std::move(clic));
  };
  p.abrirPreferencias = [&ventanas] { ventanas.abrirPreferencias(); };
  p.hotkeys = crearGestorDeAtajos([](const QString& titulo, const QString& detalle) {
    Toast::mostrar(titulo, detalle, QStringLiteral("exclamationmark.triangle"));
  });
  p.sonda = SondaDeAtajos::shared();
  p.editor = crearFabricaDeEditor(serviciosDelEditor(p, ventanas));
  p.editorRecuperado = crearFabricaDeEditorRecuperado(serviciosDelEditor(p, ventanas));
  p.documentosSinGuardar = [] { return copiasPendientes(); };
  p.abrirAcercaDe = [&ventanas] { ventanas.abrirAcercaDe(); };
  ponerSelectores(p);
  p.buscarActualizaciones = [] { UpdateController::shared().checkForUpdates(); };
  p.terminar = [] { salirDeLaAplicacion(); };
  completarConPendientes(p);
  return p;
}

}  // namespace

int ejecutarCorvalin(QApplication& app, const QString& pedida) {
  app.setQuitOnLastWindowClosed(false);
  app.setApplicationName(QStringLiteral("corvalin"));
  app.setApplicationDisplayName(QStringLiteral("Corvalin"));
  app.setApplicationVersion(QStringLiteral(CORVALIN_VERSION));
  app.setDesktopFileName(QStringLiteral("app.corvalin.Corvalin"));
  app.setWindowIcon(iconoDeLaAplicacion());

  SingleInstance instance;
  if (!instance.adquirir()) {
    // Another Corvalin runs: hand it the request instead of showing a second tray icon.
    if (instance.entregar(pedida) == SingleInstance::Entrega::entregada) return 0;
    std::fprintf(stderr, "corvalin: %s\n", qPrintable(L("Corvalin ya corre, pero no contesta.")));
    return 1;
  }
  alReiniciar([&instance] { instance.soltar(); });

  // The bucket's keys live in the desktop's keyring (or a private file), never in the settings.
  Settings::shared().ponerLectorDeSecretos(Keychain::leer);
  Keychain::alGuardarSinLlavero([](const QString& titulo, const QString& detalle) {
    Toast::mostrar(titulo, detalle, QStringLiteral("exclamationmark.triangle"));
  });
  idiomaActual();

  VentanasFijas ventanas;
  AppDelegate delegate(piezasDeEscritorio(ventanas));
  ventanas.delegado = &delegate;

  UpdateController& updates = UpdateController::shared();
  updates.activar = activar;
  updates.abrirEnlace = [](const QUrl& url) { QDesktopServices::openUrl(url); };
  QObject::connect(&updates, &UpdateController::versionNueva, &app,
                   [](const VersionPublicada& v, const QString& archivo) {
                     if (archivo.isEmpty()) {
                       Toast::mostrar(L("Hay una versión nueva de Corvalin"),
                                      L("La %@ ya está disponible", v.version),
                                      QStringLiteral("arrow.triangle.2.circlepath"));
                     } else {
                       Toast::mostrar(L("Se descargó Corvalin %@", v.version), archivo,
                                      QStringLiteral("square.and.arrow.down.fill"));
                     }
                   });

  delegate.applicationDidFinishLaunching();
  updates.iniciarCalendario();

  auto atender = [&delegate](const QString& nombre) {
    if (std::optional<Accion> accion = accionPorNombre(nombre)) {
      delegate.ejecutar(*accion);
      return;
    }
    // A plain second launch: bring back the last window, or open the menu when there is none.
    if (delegate.editor() != nullptr || delegate.video() != nullptr)
      delegate.showLastWindow();
    else if (delegate.statusItem())
      delegate.statusItem()->desplegarMenu();
  };
  QObject::connect(&instance, &SingleInstance::peticion, &app, atender);
  if (!pedida.isEmpty()) QTimer::singleShot(0, &app, [atender, pedida] { atender(pedida); });

  QTimer::singleShot(3000, &app, [] {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
      Toast::mostrar(L("No encontré la bandeja del sistema"),
                     L("Corvalin sigue funcionando: usa sus atajos o ábrelo de nuevo"),
                     QStringLiteral("exclamationmark.triangle"));
    }
  });

  terminarConSenales([] { salirDeLaAplicacion(); });
  QObject::connect(&app, &QCoreApplication::aboutToQuit, &app,
                   [&delegate] { delegate.applicationWillTerminate(); });
  const int estado = app.exec();
  // A save already on its way is finished; the editor, going with the delegate, writes its
  // last change to the recovery copy.
  esperarColasDelEditor();
  return estado;
}

}  // namespace corvalin
