#include "platform/clipboard.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

namespace corvalin {
namespace {

class SystemClipboard final : public Clipboard {
 public:
  void ponerTexto(const QString& texto) override {
    QGuiApplication::clipboard()->clear();
    QGuiApplication::clipboard()->setText(texto);
  }

  void ponerImagen(const QImage& imagen) override {
    auto* mime = new QMimeData();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    imagen.save(&buffer, "PNG");
    mime->setData(QStringLiteral("image/png"), png);
    mime->setImageData(imagen);
    QGuiApplication::clipboard()->setMimeData(mime);  // the clipboard owns it
  }

  void ponerArchivos(const QStringList& rutas) override {
    auto* mime = new QMimeData();
    QList<QUrl> urls;
    QByteArray gnome("copy");
    for (const QString& r : rutas) {
      urls << QUrl::fromLocalFile(r);
      gnome += '\n' + urls.back().toEncoded();
    }
    mime->setUrls(urls);
    mime->setData(QStringLiteral("x-special/gnome-copied-files"), gnome);
    mime->setText(rutas.join(QLatin1Char('\n')));
    QGuiApplication::clipboard()->setMimeData(mime);
  }

  QImage imagen() const override {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    if (mime == nullptr) return {};
    if (mime->hasFormat(QStringLiteral("image/png"))) {
      QImage image = QImage::fromData(mime->data(QStringLiteral("image/png")), "PNG");
      if (!image.isNull()) return image;
    }
    if (mime->hasImage()) return qvariant_cast<QImage>(mime->imageData());
    return {};
  }

  bool tieneImagen() const override {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    return mime != nullptr && (mime->hasImage() || mime->hasFormat(QStringLiteral("image/png")));
  }

  QString texto() const override { return QGuiApplication::clipboard()->text(); }
};

}  // namespace

std::unique_ptr<Clipboard> crearPortapapelesDelSistema() {
  return std::make_unique<SystemClipboard>();
}

}  // namespace corvalin
