// Rendering costs: 200 mixed annotations flattened onto a 3840 × 2160 picture, and one redraw
// of a 1000 × 600 pixelate or blur region as it happens on every mouse move of a drag (target:
// under 8 ms, half a 60 Hz frame).
#include <benchmark/benchmark.h>

#include <QPainter>

#include "bench_picture.h"
#include "editor/annotation_fonts.h"
#include "editor/annotation_renderer.h"
#include "editor/image_filters.h"

namespace corvalin {
namespace {

using bench::kH;
using bench::kW;
using bench::screenshot;

const AnnotationFonts& fonts() {
  static const AnnotationFonts f;
  return f;
}

// Two hundred annotations of every kind, spread over the picture, mostly the cheap strokes a
// real screenshot gets plus a few of each costly kind.
std::vector<Shape> mixedShapes() {
  const ToolKind kinds[] = {
      ToolKind::arrow,      ToolKind::rect,      ToolKind::ellipse,   ToolKind::line,
      ToolKind::pencil,     ToolKind::highlight, ToolKind::text,      ToolKind::counter,
      ToolKind::sketchOval, ToolKind::handText,  ToolKind::sticker,   ToolKind::arrow,
      ToolKind::rect,       ToolKind::counter,   ToolKind::pencil,    ToolKind::text,
      ToolKind::pixelate,   ToolKind::blur,      ToolKind::magnifier, ToolKind::line};
  std::vector<Shape> shapes;
  for (int i = 0; i < 200; ++i) {
    Shape s;
    s.kind = kinds[i % 20];
    const double x = 40 + (i * 523) % (kW - 700), y = 40 + (i * 311) % (kH - 500);
    s.start = {x, y};
    s.end = {x + 160 + (i % 7) * 40, y + 90 + (i % 5) * 30};
    s.width = 4 + i % 4;
    s.color = QColor::fromHsv((i * 53) % 360, 220, 240);
    s.textColor = Qt::white;
    s.fontSize = 20 + i % 12;
    s.seed = 1000 + i;
    s.number = i + 1;
    s.text = s.kind == ToolKind::sticker ? QStringLiteral("\U0001F525")
                                         : QStringLiteral("Nota %1").arg(i);
    if (s.kind == ToolKind::pencil || s.kind == ToolKind::highlight) {
      for (int k = 0; k < 40; ++k) s.points.emplace_back(x + k * 6, y + 20 * std::sin(k * 0.4));
    }
    if (s.kind == ToolKind::text) s.tail = QPointF(x + 40, y - 80);
    shapes.push_back(s);
  }
  return shapes;
}

void BM_Render200Annotations(benchmark::State& state) {
  const std::vector<Shape> shapes = mixedShapes();
  QImage target(kW, kH, QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    QPainter p(&target);
    drawAnnotated(p, screenshot(), shapes, fonts());
    p.end();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Render200Annotations)->Unit(benchmark::kMillisecond)->MinTime(3);

// One redraw of a region being dragged: the region moves a few pixels between frames, so
// nothing can be reused.
void dragRedraw(benchmark::State& state, ToolKind kind) {
  QImage target = screenshot().copy();
  QPainter p(&target);
  p.setTransform(imageToPixels(kH));
  Shape s;
  s.kind = kind;
  int frame = 0;
  for (auto _ : state) {
    const double dx = frame++ % 40;
    s.start = {600 + dx, 700};
    s.end = {1600 + dx, 1300};
    drawShape(p, s, screenshot(), fonts());
    benchmark::ClobberMemory();
  }
}

void BM_PixelateDrag1000x600(benchmark::State& state) {
  dragRedraw(state, ToolKind::pixelate);
}
BENCHMARK(BM_PixelateDrag1000x600)->Unit(benchmark::kMillisecond)->MinTime(3);

void BM_BlurDrag1000x600(benchmark::State& state) {
  dragRedraw(state, ToolKind::blur);
}
BENCHMARK(BM_BlurDrag1000x600)->Unit(benchmark::kMillisecond)->MinTime(3);

// The filters alone on the 1000 × 600 cut-out, to see what the drawing around them costs.
void BM_PixelateFilter(benchmark::State& state) {
  const QImage cut = screenshot().copy(600, 860, 1000, 600);
  for (auto _ : state) benchmark::DoNotOptimize(pixelate(cut, 50, QPointF(500, 300)));
}
BENCHMARK(BM_PixelateFilter)->Unit(benchmark::kMillisecond);

void BM_BlurFilter(benchmark::State& state) {
  const QImage cut = screenshot().copy(600, 860, 1000, 600);
  for (auto _ : state)
    benchmark::DoNotOptimize(gaussianBlur(cut, static_cast<double>(state.range(0))));
}
BENCHMARK(BM_BlurFilter)->Arg(6)->Arg(20)->Arg(60)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvalin
