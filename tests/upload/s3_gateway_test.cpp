// Uploads to a real S3 server (the session's RADOS Gateway, which checks signatures, presigned
// links and ACLs): small pictures, a big file streamed from disk, refusals and cancellation.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <csignal>
#include <thread>

#include "apoyo.h"
#include "core/texts.h"
#include "platform/main_thread.h"
#include "support/portapapeles_de_prueba.h"
#include "upload/s3_uploader.h"
#include "upload/subidas_en_curso.h"
#include "upload/subidor.h"

namespace corvalin {
namespace {

using prueba::Buzon;

Resultado<UploadResult> subir(const S3Config& c, const QString& key, const Cuerpo& cuerpo,
                              Enviador::Progreso progreso = {},
                              std::shared_ptr<Enviador> puente = Enviador::puente(),
                              const std::function<void()>& mientras = {}) {
  Buzon<Resultado<UploadResult>> buzon;
  S3Uploader::send(cuerpo, key, QStringLiteral("application/octet-stream"), c, false, progreso,
                   puente, buzon.entregar());
  if (mientras) {
    prueba::esperarHasta(
        [&] {
          mientras();
          return buzon.veces() > 0;
        },
        110000);
  }
  const auto r = buzon.esperar(110000);
  EXPECT_TRUE(r.has_value());
  return r ? *r : Resultado<UploadResult>(ErrorDeSubida(ErrorDeRed{}));
}

QString fallo(const Resultado<UploadResult>& r) {
  const auto* e = std::get_if<ErrorDeSubida>(&r);
  return e ? e->descripcion() : QString();
}

QByteArray leer(const QString& ruta) {
  QFile f(ruta);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray sha256DeArchivo(const QString& ruta) {
  QFile f(ruta);
  QCryptographicHash h(QCryptographicHash::Sha256);
  if (f.open(QIODevice::ReadOnly)) h.addData(&f);
  return h.result();
}

int64_t residenteKb() {
  QFile status(QStringLiteral("/proc/self/status"));
  status.open(QIODevice::ReadOnly);
  for (const QByteArray& linea : status.readAll().split('\n')) {
    if (linea.startsWith("VmRSS:")) return linea.mid(6).trimmed().split(' ').first().toLongLong();
  }
  return 0;
}

// The whole way a capture goes: listed at once, up under its key, delivered once on the main
// thread, its link copied and announced.
TEST(S3Gateway, ThePictureGoesUpUnderAKeyWithSpacesAndEnyeAndTheAclIsHonoured) {
  CORVALIN_GATEWAY_O_SALTAR(s3);
  fijarIdiomaActual(Idioma::español);
  QTemporaryDir dir;
  Settings settings(dir.path(), dir.path());
  for (const auto& [clave, valor] : {std::pair{"uploadTarget", QStringLiteral("propio")},
                                     {"endpoint", s3.endpoint},
                                     {"region", QStringLiteral("us-east-1")},
                                     {"bucket", prueba::kBucket},
                                     {"prefix", QStringLiteral("capturas de año/")},
                                     {"acl", QStringLiteral("public-read")}}) {
    settings.d().set(QString::fromLatin1(clave), valor);
  }
  settings.d().set("pathStyle", true);
  settings.ponerSecretoEnCache("accessKey", s3.access);
  settings.ponerSecretoEnCache("secretKey", s3.secret);
  SubidasEnCurso lista;
  Buzon<ResultadoDeSubida> buzon;
  auto entregar = buzon.entregar();
  int listadasAlTerminar = -1;
  const QByteArray png = S3Uploader::pngMinimo();
  Subidor::subirEnSegundoPlano({settings, lista, {}}, Cuerpo::datos(png), "image/png", "png",
                               "Captura", [&](const ResultadoDeSubida& r) {
                                 listadasAlTerminar = int(lista.activas().size());
                                 entregar(r);
                               });
  ASSERT_EQ(lista.activas().size(), 1);
  EXPECT_EQ(lista.activas()[0]->nombre(), QStringLiteral("Captura"));
  EXPECT_EQ(lista.activas()[0]->bytes(), png.size());
  const auto r = buzon.esperar();
  ASSERT_TRUE(r && std::holds_alternative<SubidaHecha>(*r))
      << (r ? std::get<ErrorDeSubida>(*r).descripcion().toStdString() : "");
  EXPECT_TRUE(buzon.enPrincipal());
  EXPECT_EQ(listadasAlTerminar, 0);
  const QString link = std::get<SubidaHecha>(*r).url.toString(QUrl::FullyEncoded);
  EXPECT_TRUE(link.startsWith(s3.endpoint + "/corvalin-pruebas/capturas%20de%20a%C3%B1o/2"))
      << link.toStdString();
  prueba::PortapapelesDePrueba portapapeles;
  QStringList aviso;
  EXPECT_EQ(atenderResultado(*r, portapapeles,
                             [&](const QString& t, const QString& d, const QString& i) {
                               aviso = {t, d, i};
                             }),
            std::nullopt);
  EXPECT_EQ(portapapeles.texto(), link);
  EXPECT_EQ(aviso, (QStringList{"Tu propio S3", "URL copiada al portapapeles",
                                "icloud.and.arrow.up.fill"}));
  // Anyone may read it: the server applied the signed public-read.
  EXPECT_EQ(prueba::descargar(link, dir.filePath("bajada.png")), 200);
  EXPECT_EQ(leer(dir.filePath("bajada.png")), png);
  EXPECT_EQ(settings.d().string("acl"), QStringLiteral("public-read"));  // accepted, not dropped
  EXPECT_EQ(buzon.veces(), 1);

  // Without the ACL the object is private.
  const auto privado =
      subir(prueba::configDelGateway(s3), "privado/ñ y espacio.png", Cuerpo::datos(png));
  ASSERT_TRUE(std::holds_alternative<UploadResult>(privado)) << fallo(privado).toStdString();
  EXPECT_EQ(prueba::descargar(std::get<UploadResult>(privado).url.toString(QUrl::FullyEncoded)),
            403);
}

TEST(S3Gateway, PresignedLinksServeTheBytesAndTamperedOnesAreRefused) {
  CORVALIN_GATEWAY_O_SALTAR(s3);
  QTemporaryDir dir;
  S3Config c = prueba::configDelGateway(s3);
  c.presignSeconds = 3600;
  QByteArray bytes;
  for (int i = 0; i < 70000; ++i) bytes.append(char(i * 31 % 251));
  const auto r = subir(c, "firmado/a b ñ.bin", Cuerpo::datos(bytes));
  ASSERT_TRUE(std::holds_alternative<UploadResult>(r)) << fallo(r).toStdString();
  const QString link = std::get<UploadResult>(r).url.toString(QUrl::FullyEncoded);
  EXPECT_EQ(prueba::descargar(link, dir.filePath("b")), 200);
  EXPECT_TRUE(leer(dir.filePath("b")) == bytes);

  QString otraExpiracion = link;
  otraExpiracion.replace("X-Amz-Expires=3600", "X-Amz-Expires=7200");
  QString otroObjeto = link;
  otroObjeto.replace("a%20b", "a%20c");
  EXPECT_EQ(prueba::descargar(otraExpiracion), 403);
  EXPECT_EQ(prueba::descargar(otroObjeto), 403);
  EXPECT_EQ(prueba::descargar(link.left(link.indexOf('?'))), 403);
}

TEST(S3Gateway, AWrongSecretIsRefusedAndTheUserReadsWhy) {
  CORVALIN_GATEWAY_O_SALTAR(s3);
  fijarIdiomaActual(Idioma::español);
  S3Config c = prueba::configDelGateway(s3);
  c.secretKey = QStringLiteral("not-the-secret");
  const auto r = subir(c, "nunca.png", Cuerpo::datos("x"));
  ASSERT_TRUE(std::holds_alternative<ErrorDeSubida>(r));
  EXPECT_EQ(fallo(r), QStringLiteral("S3 (127.0.0.1) respondió 403.\nSignatureDoesNotMatch"));
}

TEST(S3Gateway, A200MBFileIsStreamedFromDiskWithProgressOnTheMainThread) {
  CORVALIN_GATEWAY_O_SALTAR(s3);
  QTemporaryDir dir;
  const QString ruta = dir.filePath("grabacion.mp4");
  constexpr int64_t kBytes = 200LL * 1024 * 1024;
  {
    QFile f(ruta);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    QByteArray bloque(1 << 20, '\0');
    uint64_t x = 0x9E3779B97F4A7C15ULL;
    for (int64_t escrito = 0; escrito < kBytes; escrito += bloque.size()) {
      for (qsizetype i = 0; i < bloque.size(); i += 8) {
        x ^= x << 13, x ^= x >> 7, x ^= x << 17;
        memcpy(bloque.data() + i, &x, 8);
      }
      ASSERT_EQ(f.write(bloque), bloque.size());
    }
  }
  S3Config c = prueba::configDelGateway(s3);
  c.presignSeconds = 600;
  QList<double> avances;
  bool fueraDelPrincipal = false;
  const int64_t antesKb = residenteKb();
  int64_t picoKb = antesKb;
  const auto r = subir(
      c, "grande/grabacion.mp4", Cuerpo::archivo(ruta, kBytes),
      [&](double f) {
        fueraDelPrincipal |= !enHiloPrincipal();
        avances << f;
      },
      Enviador::puente(), [&] { picoKb = std::max(picoKb, residenteKb()); });
  ASSERT_TRUE(std::holds_alternative<UploadResult>(r)) << fallo(r).toStdString();
#if !defined(__SANITIZE_ADDRESS__)
  // Under AddressSanitizer freed blocks wait in quarantine, so resident memory says nothing.
  EXPECT_LT(picoKb - antesKb, 100 * 1024)
      << "resident memory grew by " << (picoKb - antesKb) / 1024 << " MB";
#endif
  EXPECT_FALSE(fueraDelPrincipal);
  ASSERT_FALSE(avances.isEmpty());
  EXPECT_TRUE(std::is_sorted(avances.begin(), avances.end()));
  EXPECT_DOUBLE_EQ(avances.last(), 1.0);

  const QString bajada = dir.filePath("bajada.mp4");
  EXPECT_EQ(prueba::descargar(std::get<UploadResult>(r).url.toString(QUrl::FullyEncoded), bajada),
            200);
  EXPECT_EQ(sha256DeArchivo(bajada), sha256DeArchivo(ruta));
  prueba::borrarObjeto(s3, "grande/grabacion.mp4");
}

TEST(S3Gateway, CancellingInTheMiddleOfATransferStoresNothing) {
  CORVALIN_GATEWAY_O_SALTAR(s3);
  std::signal(SIGPIPE, SIG_IGN);  // the reader goes away while the writer below still writes
  QTemporaryDir dir;
  // A pipe that feeds the body as slowly as the test wants: the transfer is surely under way,
  // and surely not finished, when it is cancelled.
  const QByteArray fifo = QFile::encodeName(dir.filePath("grabacion.mp4"));
  ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
  std::atomic<bool> parar = false;
  std::atomic<int64_t> escritos = 0;
  std::thread escritor([&] {
    int fd = -1;
    for (int i = 0; i < 2000 && fd < 0 && !parar; ++i) {
      fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
      if (fd < 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (fd < 0) return;
    ::fcntl(fd, F_SETFL, 0);
    // 2 MB at once, then a trickle: the sender never waits long on the pipe, so the
    // cancellation reaches it between two reads.
    const QByteArray bloque(64 * 1024, 'v');
    for (int i = 0; i < 1024 && !parar; ++i) {
      if (::write(fd, bloque.constData(), size_t(bloque.size())) < 0) break;
      escritos += bloque.size();
      if (escritos >= 2 * 1024 * 1024) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    while (!parar) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ::close(fd);
  });
  S3Config c = prueba::configDelGateway(s3);
  c.presignSeconds = 600;
  auto puente = Enviador::puente();
  bool cancelado = false;
  // The sender has read at least 2 MB of the 64 MB announced when the transfer is cancelled.
  const auto r =
      subir(c, "cancelada.mp4", Cuerpo::archivo(QFile::decodeName(fifo), 64LL * 1024 * 1024), {},
            puente, [&] {
              if (!cancelado && escritos >= 2 * 1024 * 1024) {
                puente->cancelar();
                cancelado = true;
              }
            });
  parar = true;
  escritor.join();
  ASSERT_TRUE(cancelado);
  ASSERT_TRUE(std::holds_alternative<ErrorDeSubida>(r));
  EXPECT_TRUE(std::get<ErrorDeSubida>(r).esCancelacion()) << fallo(r).toStdString();
  EXPECT_EQ(prueba::descargar(
                S3Uploader::presignedURL("cancelada.mp4", c, QDateTime::currentDateTimeUtc())
                    .toString(QUrl::FullyEncoded)),
            404);
}

}  // namespace
}  // namespace corvalin
