// The colour picker on the desktop: every screen frozen at its full resolution, a loupe
// following the pointer, the arrow keys moving one screen pixel, Return or a click taking
// the colour of the pixel under the pointer, read from the frozen picture.
#pragma once

#include <QImage>
#include <QPoint>
#include <functional>
#include <memory>
#include <vector>

#include "capture/color_picker.h"
#include "capture/desktop.h"
#include "capture/overlay.h"

namespace corvalin {

class SelectorDeColor final : public ColorPicker {
 public:
  // `escritorio` null: there is no screen to read here (Wayland), and `sinPantalla` is asked
  // instead, with the two handlers; without it the picking is cancelled.
  using Alternativa = std::function<void(std::function<void(const QColor&)> onPick,
                                         std::function<void()> onCancel)>;
  explicit SelectorDeColor(std::shared_ptr<Escritorio> escritorio, Alternativa sinPantalla = {});
  ~SelectorDeColor() override;

  void pick(std::function<void(const QColor&)> onPick, std::function<void()> onCancel) override;
  bool activo() const { return capas_ != nullptr; }

 private:
  friend class CapaDeColor;
  QColor colorBajo() const;
  void mover(QPoint paso);
  void ponerCursor(QPoint raiz);
  void escoger();
  void terminar(std::function<void()> avisar);

  std::shared_ptr<Escritorio> escritorio_;
  Alternativa sinPantalla_;
  std::unique_ptr<Capas> capas_;
  // Each screen as it was, with where it lies in the root window.
  struct Foto {
    QRect raiz;
    QImage imagen;
  };
  const Foto* fotoEn(QPoint raiz) const;

  std::vector<Foto> fotos_;
  QPoint cursor_;  // the root pixel under the pointer
  std::function<void(const QColor&)> onPick_;
  std::function<void()> onCancel_;
};

}  // namespace corvalin
