// The 3840 × 2160 screenshot-like picture the editor benchmarks draw on: a diagonal gradient
// with 400 coloured bars, built once.
#pragma once

#include <QImage>
#include <QLinearGradient>
#include <QPainter>

namespace corvalin::bench {

constexpr int kW = 3840;
constexpr int kH = 2160;

inline const QImage& screenshot() {
  static const QImage img = [] {
    QImage out(kW, kH, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&out);
    QLinearGradient g(0, 0, kW, kH);
    g.setColorAt(0, QColor(0xE8, 0xEE, 0xF6));
    g.setColorAt(1, QColor(0x40, 0x50, 0x70));
    p.fillRect(out.rect(), g);
    for (int i = 0; i < 400; ++i) {
      p.fillRect(QRect((i * 733) % kW, (i * 379) % kH, 120, 18),
                 QColor::fromHsv((i * 37) % 360, 120, 220));
    }
    return out;
  }();
  return img;
}

}  // namespace corvalin::bench
