#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include "app/command_line.h"
#include "core/texts.h"
#include "support/idioma_fijo.h"

namespace corvalin {
namespace {

PedidoDeLinea leer(std::initializer_list<const char*> args) {
  QStringList lista;
  for (const char* a : args) lista << QString::fromUtf8(a);
  return leerLinea(lista);
}

using Tipo = PedidoDeLinea::Tipo;

using prueba::IdiomaFijo;

TEST(CommandLine, EveryCommandAndTheOlderFormReachTheShellsCommand) {
  const std::vector<std::pair<const char*, const char*>> esperadas{
      {"area", "captureArea"},
      {"window", "captureWindow"},
      {"screen", "captureFullscreen"},
      {"text", "captureTextAction"},
      {"scroll", "toggleScrollCapture"},
      {"color", "pickColorAction"},
      {"record", "toggleRecording"},
      {"record-window", "recordWindowAction"},
      {"record-screen", "recordFullscreenAction"},
      {"pause", "alternarPausaAction"},
      {"paste", "pasteFromClipboard"},
      {"show", "showLastWindow"},
      {"preferences", "openPreferences"},
      {"quit", "terminate"},
  };
  ASSERT_EQ(ordenes().size(), esperadas.size());
  for (const auto& [orden, accion] : esperadas) {
    const PedidoDeLinea p = leer({orden});
    EXPECT_EQ(p.tipo, Tipo::accion) << orden;
    EXPECT_EQ(p.accion, QString::fromLatin1(accion)) << orden;
    // The older form names the same command.
    const PedidoDeLinea viejo = leer({"--action", accion});
    EXPECT_EQ(viejo.tipo, Tipo::accion) << accion;
    EXPECT_EQ(viejo.accion, QString::fromLatin1(accion));
  }
  EXPECT_EQ(leer({}).tipo, Tipo::arrancar);
  EXPECT_TRUE(leer({}).accion.isEmpty());
  EXPECT_EQ(leer({"--help"}).tipo, Tipo::ayuda);
  EXPECT_EQ(leer({"area", "-h"}).tipo, Tipo::ayuda);
  EXPECT_EQ(leer({"--version"}).tipo, Tipo::version);
  // Options of the window system's toolkit pass with their value.
  const PedidoDeLinea conQt = leer({"-platform", "offscreen", "preferences"});
  EXPECT_EQ(conQt.tipo, Tipo::accion);
  EXPECT_EQ(conQt.accion, QStringLiteral("openPreferences"));
}

TEST(CommandLine, OutputCapturesStraightToAFileForTheThreeStillCaptures) {
  const PedidoDeLinea pantalla = leer({"screen", "--output", "f.png"});
  EXPECT_EQ(pantalla.tipo, Tipo::aArchivo);
  EXPECT_EQ(pantalla.modo, CaptureMode::fullscreen);
  EXPECT_EQ(pantalla.ruta, QDir::current().absoluteFilePath(QStringLiteral("f.png")));
  const PedidoDeLinea area = leer({"-o", "/tmp/a b.png", "area"});
  EXPECT_EQ(area.tipo, Tipo::aArchivo);
  EXPECT_EQ(area.modo, CaptureMode::area);
  EXPECT_EQ(area.ruta, QStringLiteral("/tmp/a b.png"));
  const PedidoDeLinea ventana = leer({"window", "--output=/tmp/v.png"});
  EXPECT_EQ(ventana.tipo, Tipo::aArchivo);
  EXPECT_EQ(ventana.modo, CaptureMode::window);
  EXPECT_EQ(ventana.ruta, QStringLiteral("/tmp/v.png"));
}

TEST(CommandLine, WrongUsageIsRefusedWithWhatIsWrong) {
  IdiomaFijo en(Idioma::ingles);
  const std::vector<std::pair<std::vector<const char*>, QString>> casos{
      {{"bogus"}, QStringLiteral("Unknown command “bogus”")},
      {{"--bogus"}, QStringLiteral("Unknown option “--bogus”")},
      {{"area", "screen"}, QStringLiteral("“screen” is one too many: one command at a time")},
      {{"--action"}, QStringLiteral("--action needs a name")},
      {{"--action", "noSuchThing"}, QStringLiteral("Unknown action “noSuchThing”")},
      {{"--action", "captureArea", "area"}, QStringLiteral("Use a command or --action, not both")},
      {{"screen", "--output"}, QStringLiteral("--output needs a file path")},
      {{"screen", "--output="}, QStringLiteral("--output needs a file path")},
      {{"screen", "-o", "a.png", "-o", "b.png"}, QStringLiteral("--output needs a file path")},
      {{"record", "--output", "a.mp4"},
       QStringLiteral("--output goes with area, window or screen")},
      {{"--output", "a.png"}, QStringLiteral("--output goes with area, window or screen")},
  };
  for (const auto& [args, error] : casos) {
    SCOPED_TRACE(error.toStdString());
    QStringList lista;
    for (const char* a : args) lista << QString::fromUtf8(a);
    const PedidoDeLinea p = leerLinea(lista);
    EXPECT_EQ(p.tipo, Tipo::error);
    EXPECT_EQ(p.error, error);
  }
}

TEST(CommandLine, HelpListsEveryCommandAndOption) {
  IdiomaFijo en(Idioma::ingles);
  const QString ayuda = textoDeAyuda();
  EXPECT_TRUE(ayuda.startsWith(QStringLiteral("Usage: corvalin [COMMAND]")));
  for (const Orden& o : ordenes()) {
    const QRegularExpression fila(
        QStringLiteral("\\n  %1 +(\\S.*)\\n").arg(QRegularExpression::escape(o.nombre)));
    const QRegularExpressionMatch m = fila.match(ayuda);
    ASSERT_TRUE(m.hasMatch()) << o.nombre;
    EXPECT_EQ(m.captured(1), L(QString::fromUtf8(o.descripcion)));
    // Every description has its English text (a Spanish one would show through).
    EXPECT_NE(m.captured(1), QString::fromUtf8(o.descripcion)) << o.nombre;
  }
  for (const char* opcion : {"--output", "--action", "--help", "--version"})
    EXPECT_TRUE(ayuda.contains(QLatin1String(opcion))) << opcion;
}

// The launcher's actions go through the command interface: each is `corvalin COMMAND` for
// the command of the same name.
TEST(CommandLine, EveryDesktopActionRunsItsCommand) {
  QFile file(QStringLiteral(CORVALIN_SOURCE_DIR "/data/app.corvalin.Corvalin.desktop"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QStringList declared, defined;
  QString grupo;
  for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
    if (line.startsWith(QLatin1Char('['))) grupo = line;
    if (line.startsWith(QLatin1String("Actions=")))
      declared = line.mid(8).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    if (!grupo.startsWith(QLatin1String("[Desktop Action ")) ||
        !line.startsWith(QLatin1String("Exec="))) {
      continue;
    }
    const QString accion = grupo.mid(16).chopped(1);
    const QStringList exec = line.mid(5).split(QLatin1Char(' '));
    ASSERT_EQ(exec.size(), 2) << line.toStdString();
    EXPECT_EQ(exec[0], QStringLiteral("corvalin"));
    EXPECT_EQ(exec[1], accion);
    EXPECT_EQ(leerLinea({exec[1]}).tipo, Tipo::accion) << line.toStdString();
    defined << accion;
  }
  EXPECT_EQ(declared, defined);
  EXPECT_GE(declared.size(), 10);
}

}  // namespace
}  // namespace corvalin
