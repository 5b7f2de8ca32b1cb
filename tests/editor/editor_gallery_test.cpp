// Pictures of the editor window for people to look at (and for the software centre), in Spanish
// and in English: build/artifacts/editor-<language>-window.png. Each language runs in a child
// process, since the interface language is fixed for the life of a process.
#include <gtest/gtest.h>

#include <QPainter>
#include <QProcess>

#include "editor_fixture.h"

namespace corvalin {
namespace {

// A screenshot-like picture: a window with a title bar and text lines.
QImage captura() {
  QImage img(1600, 1000, QImage::Format_ARGB32_Premultiplied);
  QPainter p(&img);
  p.fillRect(img.rect(), QColor(0xEE, 0xF1, 0xF5));
  p.fillRect(QRect(80, 60, 1440, 880), Qt::white);
  p.fillRect(QRect(80, 60, 1440, 56), QColor(0x2B, 0x32, 0x3B));
  QFont f = p.font();
  f.setPixelSize(22);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRect(110, 60, 800, 56), Qt::AlignVCenter, QStringLiteral("Informe trimestral"));
  p.setPen(QColor(0x33, 0x33, 0x33));
  for (int i = 0; i < 12; ++i)
    p.drawText(QPoint(130, 190 + 52 * i), QStringLiteral("Línea %1 con cifras y notas").arg(i + 1));
  return img;
}

TEST(EditorGallery, PicturesOfTheWindowInBothLanguages) {
  const QString idioma = qEnvironmentVariable("CORVALIN_GALERIA_IDIOMA");
  if (idioma.isEmpty()) {
    // A 1080p screen, as most people have, instead of the offscreen platform's small default.
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("screen.json"));
    QFile f(config);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(R"({"screens": [{"name": "pantalla", "x": 0, "y": 0, "width": 1920,
                 "height": 1080, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    f.close();
    for (const char* lang : {"es", "en"}) {
      QProcess child;
      QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
      env.insert(QStringLiteral("CORVALIN_GALERIA_IDIOMA"), QString::fromLatin1(lang));
      env.insert(QStringLiteral("QT_QPA_PLATFORM"),
                 QStringLiteral("offscreen:configfile=") + config);
      child.setProcessEnvironment(env);
      child.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--gtest_filter=EditorGallery.*")});
      ASSERT_TRUE(child.waitForFinished(60000));
      EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
      EXPECT_TRUE(QFile::exists(testing::artifactsDir() +
                                QStringLiteral("/editor-%1-window.png").arg(QLatin1String(lang))));
    }
    return;
  }
  fijarIdiomaActual(idioma == QStringLiteral("es") ? Idioma::español : Idioma::ingles);
  QTemporaryDir dir;
  Settings settings(dir.path(), dir.path());
  ServiciosDelEditor s;
  s.settings = &settings;
  s.subida.titulo = [] { return L("Subir a la nube"); };
  s.subida.subir = [](const QByteArray&, const QString&, auto) {};
  EditorWindowController w(captura(), s);
  w.fijarEscalaDePantalla(1);
  w.resize(1280, 820);
  w.mostrar();
  testing::esperarColas();
  EditorView* c = w.canvas();
  const std::tuple<ToolKind, QPointF, QPointF> trazos[] = {
      {ToolKind::arrow, {1050, 380}, {1250, 200}},
      {ToolKind::rect, {1170, 100}, {1450, 190}},
      {ToolKind::counter, {150, 790}, {150, 790}},
      {ToolKind::blur, {120, 520}, {800, 620}}};
  for (const auto& [tool, a, b] : trazos) {
    c->setTool(tool);
    testing::arrastrar(c, a, b);
  }
  c->setTool(ToolKind::select);
  w.onToolChanged(ToolKind::select);
  QTest::qWait(350);  // the weight is computed after a moment of quiet
  testing::esperarColas();
  const QString base = testing::artifactsDir() + QStringLiteral("/editor-") + idioma;
  ASSERT_TRUE(w.grab().save(base + QStringLiteral("-window.png")));
}

}  // namespace
}  // namespace corvalin
