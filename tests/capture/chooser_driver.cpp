// Runs one chooser on the session's X server, the way the shell does, and prints what it
// reports, for the tests to drive with real pointer and key events:
//   chooser_driver area|window [--twice] [--scale S]
// It prints "ready" once the layers are on screen, then one of
//   area X Y W H SCREEN | window ID X Y W H SCREEN | cancel
// and quits. --twice asks again while the first request runs, and a second report would
// print "second ...".
#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "capture/area_selector_qt.h"
#include "capture/desktop.h"
#include "capture/overlay.h"
#include "capture/window_picker_qt.h"
#include "core/texts.h"

namespace {

using namespace corvalin;

void say(const QString& line) {
  std::printf("%s\n", line.toUtf8().constData());
  std::fflush(stdout);
}

// "ready" once the layers were painted and the server has them.
void anunciarCuandoEsten(Escritorio* escritorio) {
  auto* reloj = new QTimer();
  QObject::connect(reloj, &QTimer::timeout, [reloj, escritorio] {
    if (!Capas::hayAbiertas()) return;
    QApplication::processEvents();
    escritorio->sincronizar();
    say(QStringLiteral("ready"));
    reloj->deleteLater();
  });
  reloj->start(20);
}

QString rect(const QRect& r) {
  return QString::asprintf("%d %d %d %d", r.x(), r.y(), r.width(), r.height());
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  const QStringList args = app.arguments();
  if (args.size() < 2) return 2;  // usage above
  const QString que = args[1];
  fijarIdiomaActual(Idioma::español);
  std::shared_ptr<Escritorio> escritorio = escritorioX11();
  if (!escritorio) {
    std::fprintf(stderr, "chooser_driver: no X server\n");
    return 1;
  }
  const bool twice = args.contains(QStringLiteral("--twice"));
  auto cancel = [] {
    say(QStringLiteral("cancel"));
    QCoreApplication::exit(0);
  };

  AjustesDeGrabacion ajustes;
  if (const qsizetype i = args.indexOf(QStringLiteral("--scale")); i > 0)
    ajustes.escala = args.value(i + 1).toDouble();
  SelectorDeArea areas(escritorio, [ajustes] { return ajustes; });
  SelectorDeVentana ventanas(escritorio);

  if (que == QLatin1String("area")) {
    areas.pick(
        [](const AreaElegida& a) {
          say(QStringLiteral("area ") + rect(a.rect) + QLatin1Char(' ') + a.pantalla);
          QCoreApplication::exit(0);
        },
        cancel);
    if (twice)
      areas.pick([](const AreaElegida&) { say(QStringLiteral("second area")); },
                 [] { say(QStringLiteral("second cancel")); });
  } else if (que == QLatin1String("window")) {
    ventanas.pick(
        [](const VentanaElegida& v) {
          say(QStringLiteral("window %1 ").arg(v.id) + rect(v.marco) + QLatin1Char(' ') +
              v.pantalla);
          QCoreApplication::exit(0);
        },
        cancel);
  } else {
    std::fprintf(stderr, "chooser_driver: unknown request %s\n", qPrintable(que));
    return 2;
  }
  anunciarCuandoEsten(escritorio.get());
  return app.exec();
}
