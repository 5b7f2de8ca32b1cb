// A picture pasted into the editor, whatever the clipboard holds: bytes offered as image/png, or
// a copied file of any kind that the editor reads as a picture. Whatever is read stays within
// the picture readers' allocation limit, and a paste places it scaled down, never up, centred on
// the document and inside it, without growing the canvas.
//
// The first byte says how the bytes arrive: even, as image/png on the clipboard; odd, as a
// copied file whose name ends as the rest of the byte picks. The second picks the picture the
// paste lands on.
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QImageReader>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/settings.h"
#include "editor/annotation_fonts.h"
#include "editor/editor_services.h"
#include "editor/editor_view.h"
#include "platform/clipboard.h"

namespace {

struct Entorno {
  QTemporaryDir carpeta;
  std::unique_ptr<corvalin::Clipboard> portapapeles;
  corvalin::PortapapelesDelEditor delEditor;
  std::unique_ptr<corvalin::Settings> settings;
  std::unique_ptr<corvalin::AnnotationFonts> fuentes;
  std::unique_ptr<corvalin::EditorView> vista;
  std::vector<QImage> documentos;
};

Entorno* entorno = nullptr;

const std::array<const char*, 7> kTerminaciones = {"",     ".png", ".jpg", ".bmp",
                                                   ".gif", ".svg", ".webp"};

bool cerca(double a, double b, double escala) {
  return std::abs(a - b) <= 1e-9 * std::max(1.0, escala);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // The picture readers warn about every damaged file; thousands a second are only noise.
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  static int argc = 1;
  static char nombre[] = "fuzz_pasted_image";
  static char* argv[] = {nombre, nullptr};
  static QApplication app(argc, argv);
  static Entorno e;  // gone before the application, and its folder with it
  entorno = &e;
  entorno->portapapeles = corvalin::crearPortapapelesDelSistema();
  entorno->delEditor = corvalin::portapapelesDelSistema(*entorno->portapapeles);
  entorno->settings =
      std::make_unique<corvalin::Settings>(entorno->carpeta.path(), entorno->carpeta.path());
  entorno->fuentes = std::make_unique<corvalin::AnnotationFonts>();
  // A window-sized capture, a single pixel, a wide one, and long thin strips either way.
  for (const QSize tamano : {QSize(400, 300), QSize(1, 1), QSize(800, 450), QSize(2, 600),
                             QSize(64, 64), QSize(600, 2)}) {
    QImage imagen(tamano, QImage::Format_ARGB32_Premultiplied);
    imagen.fill(Qt::white);
    entorno->documentos.push_back(imagen);
  }
  entorno->vista = std::make_unique<corvalin::EditorView>(entorno->documentos.front(),
                                                          *entorno->settings, *entorno->fuentes);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const QByteArray bytes(reinterpret_cast<const char*>(data + 2), static_cast<qsizetype>(size - 2));
  auto* mime = new QMimeData();
  if (data[0] % 2 == 1) {
    const QString ruta = entorno->carpeta.filePath(
        QStringLiteral("copiada") +
        QLatin1String(kTerminaciones[data[0] / 2 % kTerminaciones.size()]));
    QFile file(ruta);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    file.write(bytes);
    file.close();
    mime->setUrls({QUrl::fromLocalFile(ruta)});
  } else {
    mime->setData(QStringLiteral("image/png"), bytes);
  }
  QGuiApplication::clipboard()->setMimeData(mime);  // the clipboard owns it

  const QImage pegada = entorno->delEditor.imagen();
  if (pegada.isNull()) return 0;
  // However large the picture claims to be, no more than the limit is ever decoded.
  const qint64 limite = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
  if (limite > 0 && pegada.sizeInBytes() > limite) __builtin_trap();

  // The paste, onto a fresh document.
  const QImage& base = entorno->documentos[data[1] % entorno->documentos.size()];
  corvalin::EditorView& vista = *entorno->vista;
  vista.resize(base.size());
  vista.restore(corvalin::Documento{base, base, {}});
  vista.place(pegada);

  const corvalin::Documento& doc = vista.documento();
  if (doc.shapes.size() != 1 || doc.shapes[0].kind != corvalin::ToolKind::image) __builtin_trap();
  if (doc.shapes[0].image.size() != pegada.size()) __builtin_trap();
  if (vista.selectedIndex() != 0 || vista.tool() != corvalin::ToolKind::select) __builtin_trap();
  if (vista.imageSize() != base.size()) __builtin_trap();  // the canvas did not grow

  const double W = base.width(), H = base.height();
  const double w = pegada.width(), h = pegada.height();
  const QRectF r = doc.shapes[0].rect();
  // Scaled by one factor, at most 1 and at most two thirds of the document either way.
  if (!(r.width() > 0 && r.height() > 0)) __builtin_trap();
  if (!cerca(r.width() / w, r.height() / h, 1)) __builtin_trap();
  if (r.width() > w * (1 + 1e-9) || r.height() > h * (1 + 1e-9)) __builtin_trap();
  if (r.width() > 0.66 * W * (1 + 1e-9) || r.height() > 0.66 * H * (1 + 1e-9)) __builtin_trap();
  // Centred, and so inside the document.
  if (!cerca(r.center().x(), W / 2, W) || !cerca(r.center().y(), H / 2, H)) __builtin_trap();
  if (r.left() < -1e-9 || r.top() < -1e-9) __builtin_trap();
  if (r.right() > W * (1 + 1e-9) || r.bottom() > H * (1 + 1e-9)) __builtin_trap();

  // The document with the pasted picture drawn on it, as a copy or a save takes it.
  const QImage plano = vista.image();
  if (plano.size() != base.size()) __builtin_trap();
  return 0;
}
