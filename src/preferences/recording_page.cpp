#include "preferences/recording_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

#include "core/texts.h"
#include "recording/output_size.h"
#include "recording/recording_types.h"

namespace corvalin {

QString ejemploDeGrabacion(double escala, int anchoMaximo, int fps) {
  const QSize tamano = tamanoDeSalida(1280, 800, escala, anchoMaximo);
  return L("%@×%@ px · hasta ≈%@ MB por minuto", tamano.width(), tamano.height(),
           megabytesPorMinuto(tamano, fps));
}

RecordingPage::RecordingPage(Settings& settings, QWidget* parent)
    : Pagina(parent), settings_(settings) {
  Seccion* resolucion = seccion(L("Resolución"));
  resolucion->fila(L("Tamaño del video"), eleccion(QStringLiteral("recordScale"),
                                                   {{L("Mitad (ligero)"), 0.5},
                                                    {L("Normal — 1 píxel por punto"), 1.0},
                                                    {L("Retina (pesa el doble)"), 2.0}},
                                                   resolucion));
  std::vector<Opcion> anchos;
  for (const int ancho : {1280, 1600, 1920, 2560}) {
    anchos.push_back({QStringLiteral("%1 px").arg(ancho), ancho});
  }
  resolucion->fila(L("Nunca más ancho de"),
                   eleccion(QStringLiteral("recordMaxWidth"), anchos, resolucion));
  resolucion->leyenda(
      L("En pantallas con escala, Corvalin graba en píxeles de verdad: a escala 2, una ventana de "
        "1280 puntos sale a 2560 px y pesa como una película. «Normal» graba a la mitad de eso, "
        "que es lo que se ve bien en un chat, un issue o una página."));

  Seccion* fluidez = seccion(L("Fluidez"));
  fluidez->fila(L("Cuadros por segundo"), eleccion(QStringLiteral("recordFPS"),
                                                   {{L("15 — lo más ligero"), 15},
                                                    {L("30 — recomendado"), 30},
                                                    {L("50 — tutoriales, cursor fluido"), 50},
                                                    {L("60 — movimiento rápido"), 60}},
                                                   fluidez));
  auto* cursor = new QCheckBox(L("Mostrar el cursor"), fluidez);
  cursor->setChecked(settings_.d().boolean(QStringLiteral("recordCursor")));
  connect(cursor, &QCheckBox::toggled, this, [this](bool on) {
    settings_.d().set(QStringLiteral("recordCursor"), on);
    settings_.d().sync();
  });
  fluidez->fila(cursor);
  fluidez->leyenda(
      L("Solo se graban los cuadros en los que la pantalla cambia, así que una demo quieta casi "
        "no pesa aunque estés a 30 fps."));

  Seccion* sonido = seccion(L("Sonido"));
  sonido->leyenda(
      L("El audio del sistema es lo que suena en la app que grabas; el micrófono es tu voz. "
        "«Sistema + micrófono» los suma en una sola pista. La primera vez que uses el micrófono, "
        "tu escritorio puede pedirte permiso."));

  Seccion* antes = seccion(L("Antes de empezar"));
  antes->fila(L("Cuenta regresiva"), eleccion(QStringLiteral("recordDelay"),
                                              {{L("Ninguna — grabar de inmediato"), 0},
                                               {L("3 segundos"), 3},
                                               {L("5 segundos"), 5},
                                               {L("10 segundos"), 10}},
                                              antes));
  antes->leyenda(
      L("El número sale sobre el área y desaparece antes de que arranque la captura, así que no "
        "queda en el video. Sirve para llegar a la ventana y empezar en limpio."));

  Seccion* mientras = seccion(L("Mientras grabas"));
  mientras->fila(
      L("Dónde va el cronómetro"),
      eleccion(
          QStringLiteral("recordTimerPlacement"),
          {{titulo(LugarDelCronometro::flotante), rawValue(LugarDelCronometro::flotante)},
           {titulo(LugarDelCronometro::barraDeMenus), rawValue(LugarDelCronometro::barraDeMenus)}},
          mientras));
  mientras->leyenda(
      L("Mientras grabas, el ícono de Corvalin en la barra de menús se vuelve un botón rojo de "
        "detener: un clic para y guarda. Con el cronómetro arriba no sale ninguna barra flotante, "
        "ideal si el área a grabar ocupa toda la pantalla."));

  Seccion* ejemplo = seccion(L("Ejemplo"));
  ejemplo_ = new QLabel(ejemplo);
  ejemplo->fila(L("Una ventana de 1280×800 puntos"), ejemplo_);
  columna()->addStretch();
  mostrarEjemplo();
}

QComboBox* RecordingPage::eleccion(const QString& clave, const std::vector<Opcion>& opciones,
                                   QWidget* padre) {
  auto* combo = new QComboBox(padre);
  for (const Opcion& o : opciones) combo->addItem(o.titulo, o.valor);
  const QVariant guardado = settings_.d().object(clave);
  int actual = -1;
  for (int i = 0; i < combo->count(); ++i) {
    const QVariant valor = combo->itemData(i);
    const bool igual = valor.typeId() == QMetaType::QString
                           ? guardado.toString() == valor.toString()
                           : qFuzzyCompare(guardado.toDouble() + 1, valor.toDouble() + 1);
    if (igual) actual = i;
  }
  if (actual < 0 && guardado.isValid()) {
    combo->addItem(guardado.toString(), guardado);
    actual = combo->count() - 1;
  }
  if (actual < 0) actual = 0;  // nothing stored or registered: the first option is the default
  combo->setCurrentIndex(actual);
  connect(combo, &QComboBox::activated, this, [this, combo, clave](int i) {
    settings_.d().set(clave, combo->itemData(i));
    settings_.d().sync();
    mostrarEjemplo();
  });
  return combo;
}

void RecordingPage::mostrarEjemplo() {
  const AjustesDeGrabacion ajustes = settings_.record();
  ejemplo_->setText(ejemploDeGrabacion(ajustes.escala, ajustes.anchoMaximo, ajustes.fps));
}

}  // namespace corvalin
