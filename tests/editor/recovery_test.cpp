// Recovery copies: a document with its history written and read back exactly, pictures shared
// between steps written once, damaged or foreign copies refused, which copies are offered, the
// writes coalesced to one a second, and the editor window keeping, reopening and dropping its
// copy as the document goes on or ends.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <atomic>
#include <thread>

#include "editor/recovery_copy.h"
#include "editor/recovery_keeper.h"
#include "editor_fixture.h"
#include "platform/serial_queue.h"

namespace corvalin {
namespace {

using testing::esperarColas;
using testing::filled;

const QString kDescripcion = QStringLiteral("documento.json");

Shape forma(ToolKind kind, QPointF a, QPointF b) {
  Shape s = Shape::create(kind, a, CreationStyle{}, 7);
  s.end = b;
  return s;
}

// Every field of every kind that carries one.
std::vector<Shape> formasVariadas() {
  std::vector<Shape> out;
  const auto mas = [&](ToolKind kind, QPointF a, QPointF b) -> Shape& {
    return out.emplace_back(forma(kind, a, b));
  };
  Shape& flecha = mas(ToolKind::arrow, {10.25, 20.5}, {90, 70});
  flecha.control = QPointF(40, 80);
  flecha.color = QColor(0x12, 0x34, 0x56, 0x78);
  flecha.width = 7.5;
  mas(ToolKind::pencil, {1, 1}, {1, 1}).points = {{1, 1}, {2.5, 3}, {8, -4}};
  Shape& globo = mas(ToolKind::text, {30, 30}, {30, 30});
  globo.text = QStringLiteral("Hola «mundo» ✓\nsegunda línea");
  globo.tail = QPointF(5, 6);
  globo.textColor = QColor(Qt::black);
  globo.fontSize = 31;
  Shape& contador = mas(ToolKind::counter, {50, 50}, {50, 50});
  contador.number = 9007199254740993LL;  // beyond a double's exact integers
  contador.counterFlipX = contador.counterFlipY = true;
  contador.seed = 18446744073709551557ULL;
  Shape& lupa = mas(ToolKind::magnifier, {60, 10}, {80, 30});
  lupa.zoom = 3.25;
  lupa.tail = QPointF(100, 100);
  mas(ToolKind::image, {5, 5}, {45, 35}).image = filled(40, 30, QColor(0, 200, 100));
  return out;
}

void esperarIguales(const Shape& a, const Shape& b) {
  EXPECT_TRUE(
      std::tie(a.kind, a.start, a.end, a.points, a.text, a.tail, a.control, a.color, a.textColor,
               a.width, a.fontSize, a.zoom, a.number, a.seed, a.counterFlipX, a.counterFlipY) ==
      std::tie(b.kind, b.start, b.end, b.points, b.text, b.tail, b.control, b.color, b.textColor,
               b.width, b.fontSize, b.zoom, b.number, b.seed, b.counterFlipX, b.counterFlipY))
      << "kind " << static_cast<int>(a.kind);
  EXPECT_EQ(a.image.convertToFormat(QImage::Format_ARGB32),
            b.image.convertToFormat(QImage::Format_ARGB32));
}

void esperarIguales(const Documento& a, const Documento& b) {
  for (auto pic : {&Documento::base, &Documento::pristine})
    EXPECT_EQ((a.*pic).convertToFormat(QImage::Format_ARGB32),
              (b.*pic).convertToFormat(QImage::Format_ARGB32));
  ASSERT_EQ(a.shapes.size(), b.shapes.size());
  for (std::size_t i = 0; i < a.shapes.size(); ++i) esperarIguales(a.shapes[i], b.shapes[i]);
}

QStringList pngs(const QString& carpeta) {
  return QDir(carpeta).entryList({QStringLiteral("*.png")}, QDir::Files);
}

QJsonObject descripcion(const QString& carpeta) {
  QFile f(carpeta + QLatin1Char('/') + kDescripcion);
  f.open(QIODevice::ReadOnly);
  return QJsonDocument::fromJson(f.readAll()).object();
}

void reescribir(const QString& carpeta, const QByteArray& texto) {
  QFile f(carpeta + QLatin1Char('/') + kDescripcion);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(texto);
}

// A document, a history of three steps over one picture, and a redo step after a retouch.
CopiaDeDocumento copiaDePrueba() {
  const QImage captura = filled(120, 90, QColor(200, 210, 220));
  QImage retocada = captura.copy();
  retocada.setPixelColor(3, 4, Qt::red);
  CopiaDeDocumento c;
  c.actual = {captura, captura, formasVariadas()};
  for (std::size_t n = 0; n < 3; ++n) {
    Documento paso{captura, captura, {}};
    paso.shapes.assign(c.actual.shapes.begin(), c.actual.shapes.begin() + n);
    c.deshacer.push_back(paso);
  }
  c.rehacer.push_back({retocada, captura, {}});
  return c;
}

TEST(RecoveryCopy, ADocumentAndItsHistoryComeBackExactlyAndPicturesAreWrittenOnce) {
  QTemporaryDir dir;
  const QString carpeta = dir.filePath(QStringLiteral("doc"));
  EscritorDeCopia escritor(carpeta);
  const CopiaDeDocumento copia = copiaDePrueba();
  ASSERT_TRUE(escritor.escribir(copia));

  // The capture, the retouched picture and the pasted one: three files for seven pictures.
  EXPECT_EQ(pngs(carpeta).size(), 3);
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(carpeta).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  const QStringList archivosEscritos = pngs(carpeta) << kDescripcion;
  for (const QString& f : archivosEscritos) {
    ASSERT_EQ(::stat(QFile::encodeName(carpeta + QLatin1Char('/') + f).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << f.toStdString();
  }

  std::map<QString, QImage> archivos;
  const std::optional<CopiaDeDocumento> leida = leerCopia(carpeta, &archivos);
  ASSERT_TRUE(leida);
  esperarIguales(leida->actual, copia.actual);
  ASSERT_EQ(leida->deshacer.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) esperarIguales(leida->deshacer[i], copia.deshacer[i]);
  ASSERT_EQ(leida->rehacer.size(), 1u);
  esperarIguales(leida->rehacer[0], copia.rehacer[0]);
  // Read pictures are shared between the steps again, as the editor keeps them.
  EXPECT_EQ(leida->actual.base.cacheKey(), leida->deshacer[0].base.cacheKey());

  escritor.borrar();
  EXPECT_FALSE(QFileInfo::exists(carpeta));
}

TEST(RecoveryCopy, DamagedOrForeignCopiesAreRefusedWithoutHarm) {
  QTemporaryDir dir;
  const QString carpeta = dir.filePath(QStringLiteral("doc"));
  EscritorDeCopia escritor(carpeta);
  ASSERT_TRUE(escritor.escribir(copiaDePrueba()));
  const QJsonObject buena = descripcion(carpeta);
  ASSERT_TRUE(leerCopia(carpeta));

  QFile otra(dir.filePath(QStringLiteral("secreto.png")));
  ASSERT_TRUE(filled(4, 4, Qt::blue).save(&otra, "PNG"));
  // Where the damage is (the description, its current document, or that document's first
  // shape), which field and what it holds.
  enum Donde { enRaiz, enActual, enForma };
  const std::tuple<Donde, const char*, QJsonValue> casos[] = {
      {enRaiz, "formato", 2},                                // another format
      {enActual, "base", QStringLiteral("../secreto.png")},  // a picture outside the folder
      {enActual, "base", QStringLiteral("no.png")},          // a missing picture
      {enForma, "tipo", 99},                                 // an unknown tool
  };
  for (const auto& [donde, campo, valor] : casos) {
    QJsonObject o = buena;
    QJsonObject doc = o.value(QStringLiteral("actual")).toObject();
    QJsonArray formas = doc.value(QStringLiteral("formas")).toArray();
    QJsonObject f = formas[0].toObject();
    (donde == enRaiz ? o : donde == enActual ? doc : f)[QLatin1String(campo)] = valor;
    formas[0] = f;
    doc[QStringLiteral("formas")] = formas;
    o[QStringLiteral("actual")] = doc;
    reescribir(carpeta, QJsonDocument(o).toJson());
    EXPECT_FALSE(leerCopia(carpeta)) << campo;
  }
  for (const QByteArray& basura : {QByteArray("{\"formato\": 1"), QByteArray(4096, '\xff')}) {
    reescribir(carpeta, basura);
    EXPECT_FALSE(leerCopia(carpeta)) << basura.left(20).toStdString();
  }
  EXPECT_FALSE(leerCopia(dir.filePath(QStringLiteral("nowhere"))));
}

// The number of a process that has ended.
qint64 procesoTerminado() {
  const pid_t hijo = ::fork();
  if (hijo == 0) ::_exit(0);
  ::waitpid(hijo, nullptr, 0);
  return hijo;
}

TEST(RecoveryCopy, OnlyCopiesOfProcessesNoLongerRunningAreOfferedNewestFirst) {
  QTemporaryDir dir;
  const QString base = dir.path();
  const auto escribir = [&](const QString& nombre, qint64 pid, const QString& cuando) {
    const QString carpeta = base + QLatin1Char('/') + nombre;
    EXPECT_TRUE(EscritorDeCopia(carpeta).escribir(copiaDePrueba()));
    QJsonObject o = descripcion(carpeta);
    if (pid != 0) o[QStringLiteral("pid")] = pid;
    o[QStringLiteral("cuando")] = cuando;
    reescribir(carpeta, QJsonDocument(o).toJson());
  };
  // This process's own copy, the newest, is still in use.
  escribir(QStringLiteral("mia"), 0, QStringLiteral("2026-04-01T10:00:00.000Z"));
  escribir(QStringLiteral("vieja"), procesoTerminado(), QStringLiteral("2026-01-01T10:00:00.000Z"));
  // A running process that is not Corvalin (the number was reused).
  escribir(QStringLiteral("reusada"), getppid(), QStringLiteral("2026-02-01T10:00:00.000Z"));
  QFile::link(base + QStringLiteral("/vieja"), base + QStringLiteral("/enlace"));

  const std::vector<CopiaPendiente> pendientes = copiasPendientes(base);
  QStringList nombres;
  for (const CopiaPendiente& p : pendientes) nombres << QFileInfo(p.carpeta).fileName();
  EXPECT_EQ(nombres, (QStringList{QStringLiteral("reusada"), QStringLiteral("vieja")}));
  ASSERT_FALSE(pendientes.empty());
  EXPECT_EQ(pendientes[0].tamano, QSize(120, 90));
  EXPECT_TRUE(copiasPendientes(dir.filePath(QStringLiteral("missing"))).empty());
}

// A keeper of `doc` as it stands at each write.
std::unique_ptr<GuardaDeRecuperacion> guardaDe(const QString& carpeta, const Documento& doc,
                                               SerialQueue& cola, int intervaloMs) {
  const auto copia = [&doc] { return CopiaDeDocumento{doc, {}, {}}; };
  return std::make_unique<GuardaDeRecuperacion>(carpeta, copia, cola, intervaloMs);
}

// A change made while a copy is being written is not lost: it is written once that write ends,
// with no further change to prompt it.
TEST(RecoveryKeeper, AChangeMadeDuringAWriteIsWrittenWhenItEnds) {
  QTemporaryDir dir;
  SerialQueue cola("recovery-test");
  const QString carpeta = dir.filePath(QStringLiteral("doc"));
  Documento doc{filled(32, 32, Qt::white), filled(32, 32, Qt::white), {}};
  const auto guarda = guardaDe(carpeta, doc, cola, 50);
  std::atomic<bool> soltar{false};
  cola.async([&] {
    while (!soltar) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
  doc.shapes.push_back(forma(ToolKind::rect, {1, 1}, {20, 20}));
  guarda->cambio();
  QTest::qWait(100);  // the first write is on its way, held behind the busy queue
  doc.shapes.push_back(forma(ToolKind::ellipse, {2, 2}, {10, 10}));
  guarda->cambio();
  soltar = true;
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return guarda->escrituras() == 2 && !guarda->pendiente(); }, 3000));
  EXPECT_EQ(leerCopia(carpeta).value().actual.shapes.size(), 2u);
}

TEST(RecoveryKeeper, ABurstOfChangesIsOneWriteASecondAndTheLastStateIsKept) {
  QTemporaryDir dir;
  SerialQueue cola("recovery-test");
  const QString carpeta = dir.filePath(QStringLiteral("doc"));
  Documento doc{filled(64, 48, Qt::white), filled(64, 48, Qt::white), {}};
  auto guarda = guardaDe(carpeta, doc, cola, 400);

  // The first change is written at once.
  doc.shapes.push_back(forma(ToolKind::rect, {1, 1}, {20, 20}));
  guarda->cambio();
  ASSERT_TRUE(QTest::qWaitFor([&] { return guarda->escrituras() == 1; }, 2000));
  // Twenty more within the interval: one more write, after it, with the twentieth.
  for (int i = 0; i < 20; ++i) {
    doc.shapes.push_back(forma(ToolKind::ellipse, {2, 2}, {10.0 + i, 10}));
    guarda->cambio();
    QTest::qWait(5);
  }
  ASSERT_TRUE(QTest::qWaitFor([&] { return !guarda->pendiente(); }, 3000));
  EXPECT_EQ(guarda->escrituras(), 2);
  EXPECT_EQ(leerCopia(carpeta).value().actual.shapes.size(), 21u);

  // A change not yet written when the document goes away is written before it goes.
  doc.shapes.clear();
  guarda->cambio();
  guarda.reset();
  cola.sync([] {});
  EXPECT_TRUE(leerCopia(carpeta).value().actual.shapes.empty());
}

// The editor window over a copy folder of its own.
class RecoveryWindow : public testing::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    s_.carpetaDeCopias = dir_.filePath(QStringLiteral("recovery"));
  }

  QStringList copias() const {
    return QDir(s_.carpetaDeCopias).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  }

  void esperarCopia(EditorWindowController& w) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.recuperacion()->pendiente(); }, 3000));
    colaDeRecuperacion().sync([] {});
  }

  void anotar(EditorWindowController& w, QPointF a, QPointF b) {
    w.canvas()->setTool(ToolKind::rect);
    testing::arrastrar(w.canvas(), a, b);
  }
};

TEST_F(RecoveryWindow, TheCopyLastsAsLongAsTheDocumentAndBringsItsHistoryBack) {
  EditorWindowController& w = abrir(filled(200, 150, Qt::white));
  anotar(w, {20, 20}, {80, 60});
  anotar(w, {100, 20}, {150, 90});
  esperarCopia(w);
  ASSERT_EQ(copias().size(), 1);
  const QString carpeta = s_.carpetaDeCopias + QLatin1Char('/') + copias()[0];
  // Hidden by the shell (a recording's window took its place), then gone without the document
  // ending (a quit): the copy stays.
  w.cerrar();
  window_.reset();
  colaDeRecuperacion().sync([] {});
  std::map<QString, QImage> archivos;
  std::optional<CopiaDeDocumento> copia = leerCopia(carpeta, &archivos);
  ASSERT_TRUE(copia);

  window_ = std::make_unique<EditorWindowController>(*copia, carpeta, archivos, s_);
  EditorWindowController& recuperada = *window_;
  recuperada.mostrar();
  esperarColas();
  // Its history goes on where it was.
  recuperada.undo();
  EXPECT_EQ(recuperada.canvas()->documento().shapes.size(), 1u);
  esperarCopia(recuperada);
  // The copy is now this process's: nothing to offer while it runs.
  EXPECT_TRUE(copiasPendientes(s_.carpetaDeCopias).empty());
  // Saved: the document ends and its copy goes.
  recuperada.saveToDisk();
  esperarColas();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !recuperada.isVisible(); }, 5000));
  colaDeRecuperacion().sync([] {});
  EXPECT_EQ(guardados().size(), 1);
  EXPECT_TRUE(copias().isEmpty());

  // Closed by the user, or replaced by a new capture: the copy goes too.
  for (const bool cerradaPorElUsuario : {true, false}) {
    EditorWindowController& otra = abrir(filled(90, 90, Qt::white));
    anotar(otra, {10, 10}, {50, 50});
    esperarCopia(otra);
    if (cerradaPorElUsuario)
      otra.close();
    else
      otra.cerrarDocumento();
    colaDeRecuperacion().sync([] {});
    EXPECT_TRUE(copias().isEmpty()) << cerradaPorElUsuario;
  }
}

}  // namespace
}  // namespace corvalin
