// The popover that shows the sticker grid: made anew at every opening so the recents are read
// fresh, closed by a click elsewhere.
#pragma once

#include <QFrame>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "editor/sticker_grid_view.h"

class QScrollArea;

namespace corvalin {

class StickerPicker : public QFrame {
 public:
  // Content size, points.
  static constexpr int kWidth = 360;
  static constexpr int kHeight = 420;

  // `selected` is the canvas's current sticker, `recents` the stored list.
  StickerPicker(const std::optional<QString>& selected, const QStringList& recents,
                QWidget* parent = nullptr);

  // Called with the chosen glyph; the picker closes itself afterwards.
  std::function<void(const QString&)> onPick;

  // Recents first (when any), then the catalogue.
  std::vector<StickerSection> secciones() const;
  StickerGridView* grid() const { return grid_; }

  // Shows the picker under `segment` (in `anchor`'s coordinates), above it when the screen
  // has no room below.
  void abrirJunto(QWidget* anchor, const QRect& segment);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::optional<QString> selected_;
  QStringList recents_;
  QScrollArea* scroll_ = nullptr;
  StickerGridView* grid_ = nullptr;
};

}  // namespace corvalin
