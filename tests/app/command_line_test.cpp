#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "app/command_line.h"
#include "core/texts.h"
#include "support/idioma_fijo.h"

namespace corvalin {
namespace {

PedidoDeLinea leer(std::initializer_list<const char*> args) {
  return leerLinea(QStringList(args.begin(), args.end()));
}

using Tipo = PedidoDeLinea::Tipo;

using prueba::IdiomaFijo;

TEST(CommandLine, EveryCommandAndTheOlderFormReachTheShellsCommand) {
  // Each command beside the shell's command it names.
  const QStringList esperadas =
      QStringLiteral(
          "area captureArea window captureWindow screen captureFullscreen "
          "text captureTextAction scroll toggleScrollCapture color pickColorAction "
          "record toggleRecording record-window recordWindowAction "
          "record-screen recordFullscreenAction pause alternarPausaAction "
          "paste pasteFromClipboard show showLastWindow "
          "preferences openPreferences quit terminate")
          .split(QLatin1Char(' '));
  ASSERT_EQ(ordenes().size() * 2, esperadas.size());
  for (qsizetype i = 0; i < esperadas.size(); i += 2) {
    const PedidoDeLinea p = leerLinea({esperadas[i]});
    EXPECT_EQ(p.tipo, Tipo::accion) << esperadas[i].toStdString();
    EXPECT_EQ(p.accion, esperadas[i + 1]);
    // The older form names the same command.
    EXPECT_EQ(leerLinea({QStringLiteral("--action"), esperadas[i + 1]}).accion, esperadas[i + 1]);
  }
  EXPECT_EQ(leer({}).tipo, Tipo::arrancar);
  EXPECT_EQ(leer({"area", "-h"}).tipo, Tipo::ayuda);
  // Options of the window system's toolkit pass with their value.
  EXPECT_EQ(leer({"-platform", "offscreen", "preferences"}).accion, "openPreferences");
  // A still capture straight to a file, named from where the command was given.
  const PedidoDeLinea aArchivo = leer({"window", "--output=f.png"});
  EXPECT_EQ(aArchivo.tipo, Tipo::aArchivo);
  EXPECT_EQ(aArchivo.modo, CaptureMode::window);
  EXPECT_EQ(aArchivo.ruta, QDir::current().absoluteFilePath(QStringLiteral("f.png")));
}

TEST(CommandLine, WrongUsageIsRefusedWithWhatIsWrong) {
  IdiomaFijo en(Idioma::ingles);
  const std::vector<std::pair<std::vector<const char*>, QString>> casos{
      {{"bogus"}, QStringLiteral("Unknown command “bogus”")},
      {{"area", "screen"}, QStringLiteral("“screen” is one too many: one command at a time")},
      {{"--action", "captureArea", "area"}, QStringLiteral("Use a command or --action, not both")},
      {{"record", "--output", "a.mp4"},
       QStringLiteral("--output goes with area, window or screen")},
  };
  for (const auto& [args, error] : casos) {
    const PedidoDeLinea p = leerLinea(QStringList(args.begin(), args.end()));
    EXPECT_EQ(p.tipo, Tipo::error) << error.toStdString();
    EXPECT_EQ(p.error, error);
  }
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
    if (!grupo.startsWith(QLatin1String("[Desktop Action ")) || !line.startsWith("Exec=")) continue;
    defined << grupo.mid(16).chopped(1);
    EXPECT_EQ(line, QStringLiteral("Exec=corvalin ") + defined.last());
    EXPECT_EQ(leerLinea({defined.last()}).tipo, Tipo::accion) << line.toStdString();
  }
  EXPECT_EQ(declared, defined);
  EXPECT_GE(declared.size(), 10);
}

}  // namespace
}  // namespace corvalin
