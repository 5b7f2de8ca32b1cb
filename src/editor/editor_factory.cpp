#include "editor/editor_factory.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeData>
#include <QUrl>

#include "editor/editor_window_controller.h"
#include "platform/clipboard.h"

namespace corvalin {

PortapapelesDelEditor portapapelesDelSistema(Clipboard& c) {
  PortapapelesDelEditor p;
  p.ponerPng = [](const QByteArray& png, const QImage& imagen) {
    auto* mime = new QMimeData();
    mime->setData(QStringLiteral("image/png"), png);
    // Other picture types are converted from this only when a program asks for them.
    mime->setImageData(imagen);
    QGuiApplication::clipboard()->setMimeData(mime);  // the clipboard owns it
  };
  p.ponerTexto = [&c](const QString& text) { c.ponerTexto(text); };
  p.imagen = [&c]() -> QImage {
    QImage image = c.imagen();
    if (!image.isNull()) return image;
    // A picture file copied in a file manager pastes as that picture (its first frame).
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    if (mime == nullptr || !mime->hasUrls()) return {};
    for (const QUrl& url : mime->urls()) {
      if (!url.isLocalFile()) continue;
      QImageReader reader(url.toLocalFile());
      if (!reader.canRead()) continue;
      image = reader.read();
      if (!image.isNull()) return image;
    }
    return {};
  };
  return p;
}

FabricaDeEditor crearFabricaDeEditor(ServiciosDelEditor servicios) {
  return [servicios](const QImage& imagen) -> std::unique_ptr<EditorWindow> {
    return std::make_unique<EditorWindowController>(imagen, servicios);
  };
}

FabricaDeEditorRecuperado crearFabricaDeEditorRecuperado(ServiciosDelEditor servicios) {
  return [servicios](const QString& carpeta) -> std::unique_ptr<EditorWindow> {
    std::map<QString, QImage> archivos;
    const std::optional<CopiaDeDocumento> copia = leerCopia(carpeta, &archivos);
    if (!copia) return nullptr;
    return std::make_unique<EditorWindowController>(*copia, carpeta, archivos, servicios);
  };
}

}  // namespace corvalin
