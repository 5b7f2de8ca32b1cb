// The drawing kit of the document scenes: seeded choices, the palettes and fonts interfaces
// use, text, cards and gradients, and the brush hole laid over what a scene erases. Each scene
// is drawn twice from one function, with and without the thing, so that the two differ only
// in its ink.
#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPolygonF>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <random>
#include <span>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "retouch/pixel_canvas.h"
#include "retouch/pixel_mask.h"
#include "retouch/qimage_bridge.h"

namespace corvalin::retouch::scenes {

struct DocumentScene {
  std::string name;        // short label for tables, e.g. "report card"
  PixelCanvas picture;     // with the thing to erase
  PixelCanvas truth;       // without it
  PixelMask mask;          // what a user's brush would cover
  bool exactTruth = true;  // false where no fill can know the truth pixel for pixel
};

namespace doc {

constexpr int kWidth = 1600;
constexpr int kHeight = 1000;

// Seed 0 keeps every canonical choice; any other seed draws each choice from its range, with
// a stream of its own per scene so that one scene's draws never shift another's.
class Vary {
 public:
  Vary(uint32_t seed, uint32_t scene) : fixed_(seed == 0), rng_(seed * 2654435761u + scene) {}
  int num(int canonical, int lo, int hi) {
    return fixed_ ? canonical : lo + static_cast<int>(unit() * (hi - lo + 1));
  }
  bool flag(bool canonical, double chance) { return fixed_ ? canonical : unit() < chance; }
  template <typename T>
  T pick(const std::vector<T>& options) {
    return options[fixed_ ? 0 : static_cast<size_t>(unit() * double(options.size()))];
  }

 private:
  // From the raw engine, so that every standard library draws the same pictures.
  double unit() { return static_cast<double>(rng_()) / 4294967296.0; }
  bool fixed_;
  std::mt19937 rng_;
};

inline const std::vector<QColor> kAccents = {{37, 99, 235},  {0, 120, 212}, {26, 115, 232},
                                             {59, 130, 246}, {79, 70, 229}, {13, 110, 253}};
inline const std::vector<QColor> kInks = {
    {55, 65, 81}, {33, 37, 41}, {51, 51, 51}, {30, 41, 59}, {64, 64, 70}};
inline const std::vector<QColor> kLightPages = {
    {240, 242, 246}, {245, 246, 248}, {236, 239, 244}, {242, 241, 238}, {248, 249, 251}};

inline QFont font(int pixels, bool bold = false) {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(pixels);
  f.setBold(bold);
  return f;
}

inline double advance(const QString& s, const QFont& f) {
  return QFontMetricsF(f).horizontalAdvance(s);
}

inline void text(QPainter& p, double x, double baseline, const QString& s, const QFont& f,
                 const QColor& colour) {
  p.setFont(f);
  p.setPen(colour);
  p.drawText(QPointF(x, baseline), s);
}

// The band a line of text may ink: its advance wide, from ascent to descent, 1 px spare.
inline QRectF textBox(double x, double baseline, const QString& s, const QFont& f) {
  const QFontMetricsF m(f);
  return {x - 1, baseline - m.ascent() - 1, m.horizontalAdvance(s) + 2,
          m.ascent() + m.descent() + 2};
}

// A baseline that centres capitals vertically in a box `height` tall starting at `top`.
inline double centredBaseline(double top, double height, const QFont& f) {
  return std::round(top + (height + QFontMetricsF(f).capHeight()) / 2);
}

inline QStringList wrap(const QString& prose, const QFont& f, double width) {
  QStringList lines;
  QString line;
  for (const QString& word : prose.split(' ', Qt::SkipEmptyParts)) {
    const QString longer = line.isEmpty() ? word : line + ' ' + word;
    if (!line.isEmpty() && advance(longer, f) > width) {
      lines << line;
      line = word;
    } else {
      line = longer;
    }
  }
  if (!line.isEmpty()) lines << line;
  return lines;
}

// A 1 px border is drawn half a pixel in so that it lands on whole pixels instead of
// smearing over two, as toolkits draw them.
inline void roundedRect(QPainter& p, const QRectF& r, double radius, const QBrush& fill,
                        const QColor& border = Qt::transparent) {
  p.setPen(border.alpha() > 0 ? QPen(border, 1) : QPen(Qt::NoPen));
  p.setBrush(fill);
  p.drawRoundedRect(border.alpha() > 0 ? r.adjusted(0.5, 0.5, -0.5, -0.5) : r, radius, radius);
}

// A card as design systems draw one: a soft drop shadow of stacked translucent outlines.
inline void card(QPainter& p, const QRectF& r, double radius, bool shadow, const QColor& border,
                 const QColor& fill = Qt::white) {
  if (shadow) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(15, 23, 42, 4));
    for (int i = 7; i >= 1; --i)
      p.drawRoundedRect(r.adjusted(-i, 2 - i, i, 2 + i), radius + i, radius + i);
  }
  roundedRect(p, r, radius, fill, border);
}

inline QLinearGradient ramp(QPointF from, QPointF to, const QColor& a, const QColor& b) {
  QLinearGradient g(from, to);
  g.setColorAt(0, a);
  g.setColorAt(1, b);
  return g;
}

// A web app's bar across the top: a logo mark and title on the left, links on the right.
inline void appBar(QPainter& p, const QString& title, const QStringList& links,
                   const QColor& accent) {
  p.fillRect(QRectF(0, 0, kWidth, 56), Qt::white);
  p.fillRect(QRectF(0, 56, kWidth, 1), QColor(226, 229, 235));
  roundedRect(p, QRectF(28, 16, 24, 24), 6, accent);
  text(p, 64, 35, title, font(17, true), QColor(17, 24, 39));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(203, 213, 225));
  p.drawEllipse(QPointF(kWidth - 48, 28), 15, 15);
  double x = kWidth - 88;
  for (auto it = links.rbegin(); it != links.rend(); ++it) {
    x -= advance(*it, font(15));
    text(p, x, 34, *it, font(15), QColor(75, 85, 99));
    x -= 32;
  }
}

using Draw = std::function<void(QPainter& p, bool withInk)>;

// One stroke of the user's brush: along the ink found inside `where` (which holds no other
// erased ink), reaching `margin` pixels past it.
struct Erased {
  QRectF where;
  double margin;
};

inline PixelCanvas render(const QColor& page, const Draw& draw, bool withInk) {
  QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
  image.fill(page);
  QPainter p(&image);
  p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
  draw(p, withInk);
  p.end();
  return *makeCanvas(image);
}

inline std::vector<uint8_t> inkOf(const PixelCanvas& picture, const PixelCanvas& truth) {
  std::vector<uint8_t> ink(static_cast<size_t>(picture.width() * picture.height()));
  const uint8_t* a = picture.data().data();
  const uint8_t* b = truth.data().data();
  for (size_t i = 0; i < ink.size(); ++i) ink[i] = !std::equal(a + i * 4, a + i * 4 + 4, b + i * 4);
  return ink;
}

// Where the truth would keep ink the hole leaves out, no fill could match it.
inline void requireCovered(const std::vector<uint8_t>& ink, const PixelMask& mask,
                           const std::string& name) {
  for (size_t i = 0; i < ink.size(); ++i) {
    if (ink[i] && !mask.bits()[i]) throw std::logic_error(name + ": erased ink outside the hole");
  }
}

// Dabs every 2 px, as the editor lays a stroke, along each erased line, with a radius of half
// the line's ink height plus the margin; then the ink itself widened by a 3 px disc, for the
// strays a stroke along a line's middle would miss (accents, a descender at a line's end).
inline PixelMask brushOver(const std::vector<uint8_t>& ink, const std::vector<Erased>& lines,
                           const std::string& name) {
  PixelMask mask(kWidth, kHeight);
  for (const Erased& line : lines) {
    const QRect r = line.where.toAlignedRect() & QRect(0, 0, kWidth, kHeight);
    int x0 = kWidth, y0 = kHeight, x1 = -1, y1 = -1;
    for (int y = r.top(); y <= r.bottom(); ++y) {
      for (int x = r.left(); x <= r.right(); ++x) {
        if (!ink[static_cast<size_t>(y) * kWidth + x]) continue;
        x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
      }
    }
    if (x1 < 0) throw std::logic_error(name + ": an erased line left no ink");
    const double radius = (y1 - y0 + 1) / 2.0 + line.margin;
    const double cy = (y0 + y1 + 1) / 2.0;
    const double first = x0 - line.margin + radius, last = x1 + 1 + line.margin - radius;
    if (first >= last) mask.paint((x0 + x1 + 1) / 2.0, cy, {radius, 0.55, 1});
    for (double x = first; x < last + 2; x += 2)
      mask.paint(std::min(x, last), cy, {radius, 0.55, 1});
  }
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      if (!ink[static_cast<size_t>(y) * kWidth + x]) continue;
      for (int dy = -3; dy <= 3; ++dy) {
        for (int dx = -3; dx <= 3; ++dx) {
          if (dx * dx + dy * dy <= 9) mask.set(x + dx, y + dy);
        }
      }
    }
  }
  requireCovered(ink, mask, name);
  return mask;
}

inline DocumentScene makeScene(const std::string& name, const QColor& page, const Draw& draw,
                               const std::vector<Erased>& erased, bool exactTruth = true) {
  PixelCanvas picture = render(page, draw, true);
  PixelCanvas truth = render(page, draw, false);
  PixelMask mask = brushOver(inkOf(picture, truth), erased, name);
  return {name, std::move(picture), std::move(truth), std::move(mask), exactTruth};
}

}  // namespace doc
}  // namespace corvalin::retouch::scenes
