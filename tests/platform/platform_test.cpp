#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <atomic>

#include "platform/escapable_window.h"
#include "platform/private_folder.h"
#include "platform/serial_queue.h"
#include "platform/single_instance.h"
#include "platform/symbol_icons.h"

namespace corvalin {
namespace {

using namespace Qt::Literals::StringLiterals;

QByteArray leer(const QString& ruta) {
  QFile f(ruta);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(SerialQueue, RunsJobsInOrderOnItsOwnThread) {
  std::vector<int> order;
  std::thread::id worker;
  {
    SerialQueue queue("corvalin.pruebas");
    for (int i = 0; i < 100; ++i) {
      queue.async([&order, i] { order.push_back(i); });
    }
    bool inside = false;
    queue.sync([&] {
      worker = std::this_thread::get_id();
      inside = queue.isCurrent();
    });
    EXPECT_NE(worker, std::this_thread::get_id());
    EXPECT_TRUE(inside && !queue.isCurrent());
    queue.async([&order] {
      QThread::msleep(20);
      order.push_back(1000);
    });
  }  // the destructor runs what was queued before stopping
  // Pushed in order, each once: sorted means in order.
  EXPECT_EQ(order.size(), 101u);
  EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
}

TEST(SingleInstance, ASecondInstanceHandsItsRequestToTheFirst) {
  QTemporaryDir dir;
  const QString lock = dir.path() + u"/instancia.lock"_s;
  const QString bus = u"app.corvalin.Pruebas.p%1"_s.arg(QCoreApplication::applicationPid());
  SingleInstance first(bus, lock);
  ASSERT_TRUE(first.adquirir());
  QSignalSpy requests(&first, &SingleInstance::peticion);

  SingleInstance second(bus, lock);
  EXPECT_TRUE(second.otraCorre());
  EXPECT_FALSE(second.adquirir());
  // The hand-over is a blocking bus call answered by this same process: run it elsewhere.
  std::atomic<bool> delivered{false};
  std::thread caller([&] {
    SingleInstance third(bus, lock);
    delivered = third.entregar(u"captureArea"_s) == SingleInstance::Entrega::entregada;
  });
  QTRY_COMPARE_WITH_TIMEOUT(requests.size(), 1, 5000);
  caller.join();
  EXPECT_TRUE(delivered);
  EXPECT_EQ(requests[0][0].toString(), u"captureArea"_s);

  // Once the first lets go (as before a restart), a new one may start.
  first.soltar();
  EXPECT_TRUE(SingleInstance(bus, lock).adquirir());
}

// A lock name made first by someone else (a link, another user's file) is neither followed
// nor taken: the bus name decides alone.
TEST(SingleInstance, ALockThatIsALinkOrNotOursIsLeftAlone) {
  QTemporaryDir dir;
  const QString destino = dir.path() + u"/elsewhere"_s;
  const QString lock = dir.path() + u"/instancia.lock"_s;
  ASSERT_TRUE(QFile::link(destino, lock));
  const QString bus = u"app.corvalin.Pruebas.l%1"_s.arg(QCoreApplication::applicationPid());
  SingleInstance first(bus, lock);
  ASSERT_TRUE(first.adquirir());
  EXPECT_FALSE(QFile::exists(destino));  // nothing was made through the link
  first.soltar();

  if (::getuid() != 0) GTEST_SKIP() << "another user's file needs root to make";
  const QString ajeno = dir.path() + u"/ajeno.lock"_s;
  ASSERT_TRUE(escribirArchivoPrivado(ajeno, {}));
  ASSERT_EQ(::chown(QFile::encodeName(ajeno).constData(), 65534, 65534), 0);
  const int fd = ::open(QFile::encodeName(ajeno).constData(), O_RDWR);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);          // its owner holds it
  EXPECT_FALSE(SingleInstance(bus, ajeno).otraCorre());  // it says nothing about Corvalin
  ::close(fd);
}

// Captures and recordings on their way live where only their owner can look.
TEST(PrivateFolder, PrivateFilesAre0600InA0700FolderAndNeverFollowAPlantedLink) {
  QTemporaryDir dir;
  const auto modo = [](const QString& ruta) {
    struct stat st {};
    EXPECT_EQ(::lstat(QFile::encodeName(ruta).constData(), &st), 0);
    return st.st_mode & 0777;
  };
  EXPECT_EQ(modo(carpetaPrivada()), 0700u);
  EXPECT_EQ(QFileInfo(carpetaPrivada()).ownerId(), ::getuid());
  EXPECT_TRUE(crearCarpetaPrivada(u"/nonexistent/folder"_s).isEmpty());
  const QString ruta = dir.filePath(u"copia.png"_s);
  ASSERT_TRUE(escribirArchivoPrivado(ruta, "primera"));
  ASSERT_TRUE(escribirArchivoPrivado(ruta, "segunda"));
  EXPECT_EQ(modo(ruta), 0600u);
  EXPECT_EQ(leer(ruta), QByteArray("segunda"));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
  EXPECT_FALSE(escribirArchivoPrivado(dir.filePath(u"no/existe.png"_s), "x"));

  // A link planted where a file will be written: replaced, its target untouched.
  const QString victima = dir.filePath(u"victima"_s);
  ASSERT_TRUE(escribirArchivoPrivado(victima, "intacta"));
  const QString enlace = dir.filePath(u"enlace.png"_s);
  ASSERT_TRUE(QFile::link(victima, enlace));
  ASSERT_TRUE(escribirArchivoPrivado(enlace, "nueva"));
  EXPECT_FALSE(QFileInfo(enlace).isSymLink());
  EXPECT_EQ(leer(victima), QByteArray("intacta"));
  // An empty private file is made new or not at all: an existing name, a link, are refused.
  const QString grabacion = dir.filePath(u"grabacion.mp4"_s);
  ASSERT_TRUE(crearArchivoPrivado(grabacion));
  EXPECT_EQ(modo(grabacion), 0600u);
  EXPECT_FALSE(crearArchivoPrivado(grabacion));
  const QString otroEnlace = dir.filePath(u"otro.mp4"_s);
  ASSERT_TRUE(QFile::link(dir.filePath(u"nada"_s), otroEnlace));
  EXPECT_FALSE(crearArchivoPrivado(otroEnlace));
  EXPECT_FALSE(QFileInfo::exists(dir.filePath(u"nada"_s)));
  // Copied out, a file gets the mode new files get.
  const mode_t mascara = ::umask(0);
  ::umask(mascara);
  ASSERT_TRUE(darModoHabitual(grabacion));
  EXPECT_EQ(modo(grabacion), 0666 & ~mascara);

  if (::getuid() != 0) GTEST_SKIP() << "reading as another user needs root";
  // A picture readable by anyone by its own mode: another user can't reach it inside the
  // private folder, and can in an open one (so the check itself works).
  const auto leerComoOtro = [](const QString& carpeta) {
    const QString captura = carpeta + u"/captura.png"_s;
    EXPECT_TRUE(escribirArchivoPrivado(captura, "png"));
    QFile::setPermissions(captura, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    const int salida = QProcess::execute(u"setpriv"_s, {u"--reuid=65534"_s, u"--regid=65534"_s,
                                                        u"--clear-groups"_s, u"cat"_s, captura});
    QFile::remove(captura);
    return salida;
  };
  EXPECT_NE(leerComoOtro(carpetaPrivada()), 0);
  ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                    QFile::ExeOwner | QFile::ReadOther |
                                                    QFile::ExeOther));
  EXPECT_EQ(leerComoOtro(dir.path()), 0);
}

TEST(SymbolIcons, KnownSymbolsMapToThemeNamesAndEveryFallbackDraws) {
  // Unknown names get the bell.
  EXPECT_EQ(buscarSimbolo(u"sparkles.rectangle.stack"_s).respaldo,
            buscarSimbolo(u"bell.fill"_s).respaldo);
  for (const char* name :
       {"bell.fill", "camera.viewfinder", "stop.fill", "text.viewfinder", "eyedropper.halffull",
        "exclamationmark.triangle", "doc.on.clipboard", "icloud.and.arrow.up",
        "icloud.and.arrow.up.fill", "xmark.icloud", "externaldrive.badge.icloud", "doc.on.doc.fill",
        "square.and.arrow.down.fill", "video.slash", "arrow.down.doc",
        "arrow.triangle.2.circlepath"}) {
    const IconoDeSimbolo icon = buscarSimbolo(QString::fromLatin1(name));
    EXPECT_FALSE(icon.nombresDeTema.isEmpty()) << name;
    // The bundled drawing exists and is not blank.
    const QImage image = QIcon(icon.respaldo).pixmap(24, 24).toImage();
    ASSERT_FALSE(image.isNull()) << name;
    QImage blank(image.size(), image.format());
    blank.fill(Qt::transparent);
    EXPECT_NE(image, blank) << name;
  }
  EXPECT_FALSE(iconoDeLaAplicacion().pixmap(96, 96).isNull());
}

TEST(EscapableWindow, EscapeRunsTheHandlerOrCloses) {
  EscapableWindow handled;
  int escapes = 0;
  handled.alEscapar = [&] { ++escapes; };
  handled.show();
  QTest::keyClick(&handled, Qt::Key_Escape);
  EXPECT_EQ(escapes, 1);
  EXPECT_TRUE(handled.isVisible());
}

}  // namespace
}  // namespace corvalin
