#include <gtest/gtest.h>

#include <QFile>

#include "app/menus.h"
#include "core/texts.h"
#include "support/idioma_fijo.h"

namespace corvalin {
namespace {

using prueba::IdiomaFijo;

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

// The tray menu's entries in order, their shortcuts and states, and each one's command reached
// by a click: tray_sni.sh, through the menu the real executable exports.
TEST(StatusMenu, RecordingGroupFollowsTheRecordingState) {
  IdiomaFijo en(Idioma::ingles);
  EstadoDeMenus setup;
  setup.preparando = true;
  EXPECT_EQ(titulos(buildCaptureMenu(QString(), false, setup).elementos).mid(4, 2),
            (QStringList{"Cancel Recording", "-"}));

  EstadoDeMenus countdown;
  countdown.contando = true;
  const QList<ElementoDeMenu> c = buildCaptureMenu(QString(), false, countdown).elementos;
  EXPECT_EQ(titulos(c).mid(4, 2), (QStringList{"Cancel the Countdown", "-"}));
  EXPECT_EQ(c[4].accion, Accion::toggleRecording);
  EXPECT_EQ(c[4].atajo, QStringLiteral("Ctrl+Super+0"));

  EstadoDeMenus recording;
  recording.grabando = true;
  const QList<ElementoDeMenu> r = buildCaptureMenu(QString(), false, recording).elementos;
  EXPECT_EQ(titulos(r).mid(4, 3), (QStringList{"Pause Recording", "Stop Recording", "-"}));
  EXPECT_EQ(r[4].accion, Accion::alternarPausaAction);
  EXPECT_EQ(r[4].atajo, QStringLiteral("Ctrl+Super+P"));

  recording.pausado = true;
  EXPECT_EQ(buildCaptureMenu(QString(), false, recording).elementos[4].titulo,
            QStringLiteral("Resume Recording"));

  EstadoDeMenus scrolling;
  scrolling.desplazando = true;
  EXPECT_EQ(buildCaptureMenu(QString(), false, scrolling).elementos[9].titulo,
            QStringLiteral("Finish the Long Capture"));
}

TEST(StatusMenu, UploadsInProgressGetAPairOfItemsEach) {
  IdiomaFijo en(Idioma::ingles);
  EstadoDeMenus s;
  s.subidas = {QStringLiteral("Captura · 1.2 MB · 30 %"),
               QStringLiteral("Grabación · 8 MB · 61 %")};
  const QList<ElementoDeMenu> items = buildMenu(false, s).elementos;
  const qsizetype calidad = titulos(items).indexOf("Video Quality");
  ASSERT_GE(calidad, 0);
  const QString subiendo = QStringLiteral("Uploading ");
  const QString cancelar = QStringLiteral("Cancel This Upload");
  EXPECT_EQ(
      titulos(items).mid(calidad + 1, 5),
      (QStringList{subiendo + s.subidas[0], cancelar, subiendo + s.subidas[1], cancelar, "-"}));
  EXPECT_FALSE(items[calidad + 1].habilitado);
  EXPECT_EQ(items[calidad + 2].accion, Accion::cancelarSubida);
  EXPECT_EQ(items[calidad + 2].valor.toInt(), 0);
  EXPECT_EQ(items[calidad + 4].valor.toInt(), 1);
  EXPECT_EQ(items[calidad + 4].sangria, 1);
  // Without uploads nothing stands between the two submenus.
  const QStringList idle = titulos(buildMenu(false, EstadoDeMenus{}).elementos);
  EXPECT_EQ(idle.indexOf(QStringLiteral("Video Quality")) + 1,
            idle.indexOf(QStringLiteral("Upload to: Corvalin Cloud")));
}

TEST(StatusMenu, SubmenusCheckTheEffectiveValues) {
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

  // The destination's submenu is titled by, and checks, the stored one.
  s.destino = DestinoDeSubida::propio;
  const ElementoDeMenu destino = buscar(buildMenu(false, s).elementos, QStringLiteral("Subir a:"));
  EXPECT_EQ(marcados(destino), (QStringList{"Tu propio S3"}));
  EXPECT_EQ(destino.titulo, QStringLiteral("Subir a: Tu propio S3"));
  EXPECT_EQ(destino.submenu[0].valor.toString(), QStringLiteral("nube"));
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
