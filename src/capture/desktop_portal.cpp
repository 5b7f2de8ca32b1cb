#include "capture/desktop_portal.h"

#include <QCursor>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QUrl>
#include <cmath>

#include "platform/portal_request.h"

namespace corvalin {
namespace {

// A chooser asks for each screen in turn, at once: one picture does for all of them.
constexpr int kFotoValeMs = 2000;
constexpr int kEsperaMs = 10'000;

class EscritorioDelPortal final : public Escritorio {
 public:
  QImage congelar(const QRect& zona, bool) override {
    if (foto_.isNull() || !edad_.isValid() || edad_.elapsed() > kFotoValeMs) tomar();
    if (foto_.isNull()) return {};
    // The picture covers the desktop's layout at the picture's own density.
    QRect escritorio;
    for (QScreen* s : QGuiApplication::screens()) escritorio |= s->geometry();
    if (escritorio.isEmpty()) return {};
    const double escala = double(foto_.width()) / escritorio.width();
    const QRect enFoto(int(std::lround((zona.x() - escritorio.x()) * escala)),
                       int(std::lround((zona.y() - escritorio.y()) * escala)),
                       int(std::lround(zona.width() * escala)),
                       int(std::lround(zona.height() * escala)));
    QImage parte = foto_.copy(enFoto);
    if (parte.size() != zona.size()) parte = parte.scaled(zona.size());
    return parte.convertToFormat(QImage::Format_RGB32);
  }
  std::vector<VentanaDelEscritorio> ventanas() override { return {}; }
  QString nombre(uint32_t) override { return {}; }
  QPoint puntero() override { return QCursor::pos(); }
  bool componiendo() override { return true; }
  void sincronizar() override {}

 private:
  void tomar() {
    foto_ = QImage();
    QString error;
    const auto respuesta = pedirAlPortal(
        QDBusConnection::sessionBus(), QStringLiteral("org.freedesktop.portal.Screenshot"),
        QStringLiteral("Screenshot"), {QString()},
        {{QStringLiteral("modal"), true}, {QStringLiteral("interactive"), false}}, kEsperaMs,
        &error);
    if (!respuesta || respuesta->codigo != 0) return;
    const QString archivo =
        QUrl(respuesta->resultados.value(QStringLiteral("uri")).toString()).toLocalFile();
    if (archivo.isEmpty()) return;
    foto_ = QImage(archivo);
    // The portal wrote it for us alone; no copy of the screen stays behind.
    QFile::remove(archivo);
    edad_.start();
  }

  QImage foto_;
  QElapsedTimer edad_;
};

}  // namespace

std::unique_ptr<Escritorio> escritorioDelPortal() {
  return std::make_unique<EscritorioDelPortal>();
}

}  // namespace corvalin
