#include <xcb/xcb.h>

#include <QGuiApplication>
#include <algorithm>

#include "capture/desktop.h"
#include "tools/x11_display.h"

namespace corvalin {
namespace {

class EscritorioX11 final : public Escritorio {
 public:
  explicit EscritorioX11(std::unique_ptr<tools::X11Display> display)
      : display_(std::move(display)) {}

  QImage congelar(const QRect& zona, bool opaca) override {
    std::string error;
    std::optional<tools::ScreenGrab> grab = display_->grab(
        tools::PixelRect{zona.x(), zona.y(), zona.width(), zona.height()}, opaca, &error);
    if (!grab) return {};
    const tools::Rgb32View& px = grab->pixels;
    // The picture keeps the grab's memory rather than a copy of it: a screen is tens of
    // megabytes, and copying it is most of the time a chooser takes to appear.
    auto* guardado = new std::shared_ptr<void>(std::move(grab->storage));
    return QImage(
        const_cast<uchar*>(px.data), px.widthPx, px.heightPx, px.strideBytes, QImage::Format_RGB32,
        [](void* p) { delete static_cast<std::shared_ptr<void>*>(p); }, guardado);
  }

  std::vector<VentanaDelEscritorio> ventanas() override {
    const std::vector<tools::TopLevelWindow> lista = display_->topLevelWindows();
    std::vector<VentanaDelEscritorio> out;
    out.reserve(lista.size());
    for (auto it = lista.rbegin(); it != lista.rend(); ++it) {
      const tools::PixelRect r = tools::visibleRect(*it);
      out.push_back({it->id, QRect(r.x, r.y, r.width, r.height), it->pickable});
    }
    return out;
  }

  QString nombre(uint32_t ventana) override {
    const tools::X11Display::WindowNames n = display_->windowNames(ventana);
    const QString app = QString::fromUtf8(n.application);
    const QString titulo = QString::fromUtf8(n.title);
    if (app.isEmpty()) return titulo;
    if (titulo.isEmpty()) return app;
    return app + QStringLiteral(" — ") + titulo;
  }

  QPoint puntero() override {
    const tools::PixelPoint p = display_->pointer();
    return QPoint(p.x, p.y);
  }

  bool componiendo() override { return display_->compositing(); }

  void sincronizar() override {
    if (auto* x11 =
            qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr) {
      xcb_connection_t* c = x11->connection();
      std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    }
    display_->sync();
  }

 private:
  std::unique_ptr<tools::X11Display> display_;
};

}  // namespace

std::unique_ptr<Escritorio> escritorioX11() {
  std::unique_ptr<tools::X11Display> display = tools::X11Display::connect();
  if (!display) return nullptr;
  return std::make_unique<EscritorioX11>(std::move(display));
}

}  // namespace corvalin
