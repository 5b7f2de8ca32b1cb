#include <gtest/gtest.h>

#include <QFile>

#include "app/menus.h"
#include "core/texts.h"

namespace corvalin {
namespace {

struct IdiomaFijo {
  explicit IdiomaFijo(Idioma i) : antes(idiomaActual()) { fijarIdiomaActual(i); }
  ~IdiomaFijo() { fijarIdiomaActual(antes); }
  Idioma antes;
};

// The titles of a menu's items, "-" for separators.
QStringList titulos(const QList<ElementoDeMenu>& items) {
  QStringList out;
  for (const ElementoDeMenu& e : items) {
    out << (e.tipo == ElementoDeMenu::Tipo::separador ? QStringLiteral("-") : e.titulo);
  }
  return out;
}

const ElementoDeMenu& buscar(const QList<ElementoDeMenu>& items, const QString& prefix) {
  for (const ElementoDeMenu& e : items) {
    if (e.titulo.startsWith(prefix)) return e;
  }
  static ElementoDeMenu none;
  ADD_FAILURE() << "no item " << prefix.toStdString();
  return none;
}

QStringList marcados(const ElementoDeMenu& submenu) {
  QStringList out;
  for (const ElementoDeMenu& e : submenu.submenu) {
    if (e.marcado) out << e.titulo;
  }
  return out;
}

TEST(StatusMenu, IdleInSpanish) {
  IdiomaFijo es(Idioma::español);
  EstadoDeMenus s;
  const Menu menu = buildMenu(false, s);
  EXPECT_EQ(titulos(menu.elementos), (QStringList{"Capturar área",
                                                  "Capturar ventana",
                                                  "Capturar pantalla completa",
                                                  "-",
                                                  "Grabar área",
                                                  "Grabar ventana",
                                                  "Grabar pantalla completa",
                                                  "-",
                                                  "Copiar texto (OCR)",
                                                  "Captura con desplazamiento",
                                                  "Sacar un color",
                                                  "-",
                                                  "Mostrar ventana",
                                                  "Pegar imagen del portapapeles",
                                                  "-",
                                                  "Calidad del video",
                                                  "Subir a: Nube de Corvalin",
                                                  "-",
                                                  "Preferencias…",
                                                  "Acerca de Corvalin",
                                                  "Buscar actualizaciones…",
                                                  "Salir de Corvalin"}));
  EXPECT_EQ(menu.elementos[0].atajo, QStringLiteral("Shift+Super+0"));
  EXPECT_EQ(menu.elementos[4].atajo, QStringLiteral("Ctrl+Super+0"));
  EXPECT_EQ(menu.elementos[0].accion, Accion::captureArea);
  EXPECT_EQ(menu.elementos[9].accion, Accion::toggleScrollCapture);
  EXPECT_EQ(menu.elementos.last().tecla, QStringLiteral("q"));
  // The tray menu leaves enabling to the commands themselves.
  EXPECT_TRUE(buscar(menu.elementos, QStringLiteral("Mostrar ventana")).habilitado);
}

TEST(StatusMenu, IdleInEnglish) {
  IdiomaFijo en(Idioma::ingles);
  const Menu menu = buildMenu(false, EstadoDeMenus{});
  EXPECT_EQ(titulos(menu.elementos), (QStringList{"Capture Area",
                                                  "Capture Window",
                                                  "Capture Full Screen",
                                                  "-",
                                                  "Record Area",
                                                  "Record Window",
                                                  "Record Full Screen",
                                                  "-",
                                                  "Copy Text (OCR)",
                                                  "Scrolling Capture",
                                                  "Pick a Colour",
                                                  "-",
                                                  "Show Window",
                                                  "Paste Image from Clipboard",
                                                  "-",
                                                  "Video Quality",
                                                  "Upload to: Corvalin Cloud",
                                                  "-",
                                                  "Settings…",
                                                  "About Corvalin",
                                                  "Check for Updates…",
                                                  "Quit Corvalin"}));
}

TEST(StatusMenu, RecordingGroupFollowsTheRecordingState) {
  for (Idioma idioma : {Idioma::español, Idioma::ingles}) {
    IdiomaFijo fijo(idioma);
    const bool en = idioma == Idioma::ingles;
    EstadoDeMenus setup;
    setup.preparando = true;
    EXPECT_EQ(titulos(buildCaptureMenu(QString(), false, setup).elementos).mid(4, 2),
              (QStringList{en ? "Cancel Recording" : "Cancelar la grabación", "-"}));

    EstadoDeMenus countdown;
    countdown.contando = true;
    const QList<ElementoDeMenu> c = buildCaptureMenu(QString(), false, countdown).elementos;
    EXPECT_EQ(titulos(c).mid(4, 2),
              (QStringList{en ? "Cancel the Countdown" : "Cancelar la cuenta regresiva", "-"}));
    EXPECT_EQ(c[4].accion, Accion::toggleRecording);
    EXPECT_EQ(c[4].atajo, QStringLiteral("Ctrl+Super+0"));

    EstadoDeMenus recording;
    recording.grabando = true;
    const QList<ElementoDeMenu> r = buildCaptureMenu(QString(), false, recording).elementos;
    EXPECT_EQ(titulos(r).mid(4, 3),
              (QStringList{en ? "Pause Recording" : "Pausar grabación",
                           en ? "Stop Recording" : "Detener grabación", "-"}));
    EXPECT_EQ(r[4].accion, Accion::alternarPausaAction);
    EXPECT_EQ(r[4].atajo, QStringLiteral("Ctrl+Super+P"));

    recording.pausado = true;
    EXPECT_EQ(buildCaptureMenu(QString(), false, recording).elementos[4].titulo,
              en ? QStringLiteral("Resume Recording") : QStringLiteral("Continuar grabación"));

    EstadoDeMenus scrolling;
    scrolling.desplazando = true;
    EXPECT_EQ(buildCaptureMenu(QString(), false, scrolling).elementos[9].titulo,
              en ? QStringLiteral("Finish the Long Capture")
                 : QStringLiteral("Terminar la captura larga"));
  }
}

TEST(StatusMenu, UploadsInProgressGetAPairOfItemsEach) {
  for (Idioma idioma : {Idioma::español, Idioma::ingles}) {
    IdiomaFijo fijo(idioma);
    EstadoDeMenus s;
    s.subidas = {QStringLiteral("Captura · 1.2 MB · 30 %"),
                 QStringLiteral("Grabación · 8 MB · 61 %")};
    const QList<ElementoDeMenu> items = buildMenu(false, s).elementos;
    const qsizetype calidad =
        titulos(items).indexOf(idioma == Idioma::ingles ? "Video Quality" : "Calidad del video");
    ASSERT_GE(calidad, 0);
    const QString subiendo = idioma == Idioma::ingles ? "Uploading " : "Subiendo ";
    const QString cancelar =
        idioma == Idioma::ingles ? "Cancel This Upload" : "Cancelar esta subida";
    EXPECT_EQ(
        titulos(items).mid(calidad + 1, 5),
        (QStringList{subiendo + s.subidas[0], cancelar, subiendo + s.subidas[1], cancelar, "-"}));
    EXPECT_FALSE(items[calidad + 1].habilitado);
    EXPECT_EQ(items[calidad + 2].accion, Accion::cancelarSubida);
    EXPECT_EQ(items[calidad + 2].valor.toInt(), 0);
    EXPECT_EQ(items[calidad + 4].valor.toInt(), 1);
    EXPECT_EQ(items[calidad + 4].sangria, 1);
  }
  // Without uploads nothing stands between the two submenus.
  const QStringList idle = titulos(buildMenu(false, EstadoDeMenus{}).elementos);
  EXPECT_EQ(idle.indexOf(QStringLiteral("Calidad del video")) + 1,
            idle.indexOf(QStringLiteral("Subir a: Nube de Corvalin")));
}

TEST(StatusMenu, VideoQualityChecksTheEffectiveValues) {
  IdiomaFijo es(Idioma::español);
  EstadoDeMenus s;
  s.escalaEfectiva = 1.0;  // a stored 0.05 reads as 1.0
  s.fpsEfectivos = 30;
  s.fuente = FuenteDeAudio::ambos;
  s.retraso = 25;
  ElementoDeMenu calidad =
      buscar(buildMenu(false, s).elementos, QStringLiteral("Calidad del video"));
  EXPECT_EQ(marcados(calidad), (QStringList{"Normal — 1 píxel por punto", "30 cuadros por segundo",
                                            "Sistema + micrófono", "Cuenta regresiva de 10 s"}));
  EXPECT_EQ(titulos(calidad.submenu).size(), 3 + 1 + 4 + 1 + 4 + 1 + 4);
  EXPECT_EQ(calidad.submenu[0].valor.toDouble(), 0.5);
  EXPECT_EQ(calidad.submenu[0].accion, Accion::cambiarEscalaDeVideo);
  EXPECT_EQ(calidad.submenu[4].accion, Accion::cambiarFPS);
  EXPECT_EQ(calidad.submenu[9].valor.toString(), QStringLiteral("ninguno"));

  s.fpsEfectivos = 24;  // not offered: nothing checked among the rates
  s.retraso = -3;
  calidad = buscar(buildMenu(false, s).elementos, QStringLiteral("Calidad del video"));
  EXPECT_EQ(marcados(calidad), (QStringList{"Normal — 1 píxel por punto", "Sistema + micrófono",
                                            "Empezar a grabar de inmediato"}));
}

TEST(StatusMenu, DestinationSubmenuChecksTheStoredOne) {
  IdiomaFijo en(Idioma::ingles);
  EstadoDeMenus s;
  s.destino = DestinoDeSubida::propio;
  const ElementoDeMenu destino =
      buscar(buildMenu(false, s).elementos, QStringLiteral("Upload to:"));
  EXPECT_EQ(destino.titulo, QStringLiteral("Upload to: Your own S3"));
  EXPECT_EQ(titulos(destino.submenu),
            (QStringList{"Corvalin Cloud", "Your own S3", "-", "Set Up…"}));
  EXPECT_EQ(marcados(destino), (QStringList{"Your own S3"}));
  EXPECT_EQ(destino.submenu[0].valor.toString(), QStringLiteral("nube"));
  EXPECT_EQ(destino.submenu[3].accion, Accion::openPreferences);
}

TEST(DockMenu, ShowsHotkeysInTitlesAndEnablesByState) {
  IdiomaFijo es(Idioma::español);
  EstadoDeMenus s;
  s.hotkey = [](CaptureMode m) -> std::optional<Hotkey> {
    if (m == CaptureMode::fullscreen) return std::nullopt;  // cleared by the user
    return m == CaptureMode::window ? Hotkey{96, Hotkey::kControl | Hotkey::kOption}
                                    : defaultHotkey(m);
  };
  const QList<ElementoDeMenu> dock = buildMenu(true, s).elementos;
  EXPECT_EQ(dock[0].titulo, QStringLiteral("Capturar área   Shift+Super+0"));
  EXPECT_EQ(dock[1].titulo, QStringLiteral("Capturar ventana   Ctrl+Alt+F5"));
  EXPECT_EQ(dock[2].titulo, QStringLiteral("Capturar pantalla completa"));
  EXPECT_TRUE(dock[0].atajo.isEmpty());
  EXPECT_FALSE(titulos(dock).contains(QStringLiteral("Salir de Corvalin")));
  EXPECT_FALSE(buscar(dock, QStringLiteral("Mostrar ventana")).habilitado);
  EXPECT_FALSE(buscar(dock, QStringLiteral("Pegar imagen")).habilitado);
  s.hayVideoConArchivo = true;
  s.portapapelesConImagen = true;
  const QList<ElementoDeMenu> enabled = buildMenu(true, s).elementos;
  EXPECT_TRUE(buscar(enabled, QStringLiteral("Mostrar ventana")).habilitado);
  EXPECT_TRUE(buscar(enabled, QStringLiteral("Pegar imagen")).habilitado);

  // A key whose name is longer than one character gets no key label in the tray menu.
  EXPECT_TRUE(buildMenu(false, s).elementos[1].atajo.isEmpty());
}

TEST(MainMenu, HasTheFourMenusAndValidatesWindowCommands) {
  IdiomaFijo en(Idioma::ingles);
  EstadoDeMenus s;
  const QList<Menu> bar = buildMainMenu(s);
  ASSERT_EQ(bar.size(), 4);
  EXPECT_EQ(titulos(bar[0].elementos), (QStringList{"About Corvalin", "-", "Settings…",
                                                    "Check for Updates…", "-", "Quit Corvalin"}));
  EXPECT_EQ(bar[0].elementos[2].tecla, QStringLiteral(","));
  EXPECT_EQ(bar[1].titulo, QStringLiteral("Capture"));
  EXPECT_EQ(bar[1].elementos.size(), 11);
  EXPECT_EQ(bar[2].titulo, QStringLiteral("Edit"));
  EXPECT_EQ(titulos(bar[2].elementos), (QStringList{"Cut", "Copy", "Paste", "Select All"}));
  EXPECT_EQ(titulos(bar[3].elementos), (QStringList{"Close", "Minimize"}));
  ElementoDeMenu show;
  show.accion = Accion::showLastWindow;
  EXPECT_FALSE(validateMenuItem(show, s));
  s.hayEditor = true;
  EXPECT_TRUE(validateMenuItem(show, s));
  ElementoDeMenu paste;
  paste.accion = Accion::pasteFromClipboard;
  EXPECT_FALSE(validateMenuItem(paste, s));
  EXPECT_TRUE(validateMenuItem(ElementoDeMenu{}, s));  // no action: enabled
}

TEST(Commands, NamesRoundTrip) {
  for (int i = 0; i <= static_cast<int>(Accion::performMiniaturize); ++i) {
    const Accion a = static_cast<Accion>(i);
    EXPECT_EQ(accionPorNombre(nombreDeAccion(a)), a);
  }
  EXPECT_EQ(accionPorNombre(QStringLiteral("rm -rf")), std::nullopt);
}

}  // namespace
}  // namespace corvalin
