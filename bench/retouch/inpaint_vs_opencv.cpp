// Erase-and-fill against OpenCV's inpainting (Telea's fast marching and Navier-Stokes), in one
// process on the same pictures and holes. First the 1920 × 1080 photograph and interface with
// holes over known background: time of a fill, and PSNR, SSIM and detail ratio of the filled
// pixels. Then screenshots of documents and interfaces with text, a label or an icon erased
// (and a plain 500 × 70 stroke over a line of text): time, PSNR over the hole and the clean
// share against the picture without the erased thing. Prints both tables with each peer's time
// as a multiple of ours after the benchmark runs. With INPAINT_DUMP_DIR set, writes each
// document picture, its truth, hole and fills there as PNGs to look at. OpenCV is a peer
// measured here only; the product never links it.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/photo.hpp>
#include <string>
#include <vector>

#include "document_scenes.h"
#include "inpaint_scenes.h"
#include "retouch/inpainter.h"

namespace corvalin::retouch {
namespace {

enum class Method { heal, telea, ns };
constexpr const char* kMethodNames[] = {"heal", "telea", "ns"};
constexpr const char* kSceneNames[] = {"photo", "interface"};

const PixelCanvas& scene(int which) {
  static const PixelCanvas photo = scenes::photoScene();
  static const PixelCanvas interface = scenes::interfaceScene();
  return which == 0 ? photo : interface;
}

const scenes::Hole& hole(int which, int index) {
  return (which == 0 ? scenes::kPhotoHoles : scenes::kInterfaceHoles)[static_cast<size_t>(index)];
}

cv::Mat toMat(const PixelCanvas& canvas) {
  cv::Mat rgb(static_cast<int>(canvas.height()), static_cast<int>(canvas.width()), CV_8UC3);
  const uint8_t* p = canvas.data().data();
  for (int y = 0; y < rgb.rows; ++y) {
    uint8_t* out = rgb.ptr<uint8_t>(y);
    for (int x = 0; x < rgb.cols; ++x, p += 4, out += 3) std::copy(p, p + 3, out);
  }
  return rgb;
}

cv::Mat toMat(const PixelMask& mask) {
  cv::Mat m(static_cast<int>(mask.height()), static_cast<int>(mask.width()), CV_8UC1);
  std::copy(mask.bits().begin(), mask.bits().end(), m.ptr<uint8_t>(0));
  return m;
}

PixelCanvas fromMat(const cv::Mat& rgb, const PixelCanvas& like) {
  PixelCanvas canvas = like;
  uint8_t* p = canvas.data().data();
  for (int y = 0; y < rgb.rows; ++y) {
    const uint8_t* in = rgb.ptr<uint8_t>(y);
    for (int x = 0; x < rgb.cols; ++x, p += 4, in += 3) std::copy(in, in + 3, p);
  }
  return canvas;
}

void fill(benchmark::State& state, int which, int index, Method method) {
  const PixelCanvas& truth = scene(which);
  const PixelMask mask = scenes::holeMask(hole(which, index));
  PixelCanvas canvas = truth;
  if (method == Method::heal) {
    for (auto _ : state) {
      state.PauseTiming();
      std::copy(truth.data().begin(), truth.data().end(), canvas.data().begin());
      state.ResumeTiming();
      Inpainter::heal(canvas, mask);
    }
  } else {
    const cv::Mat src = toMat(truth);
    const cv::Mat holeMat = toMat(mask);
    cv::Mat dst;
    for (auto _ : state) {
      cv::inpaint(src, holeMat, dst, 3,
                  method == Method::telea ? cv::INPAINT_TELEA : cv::INPAINT_NS);
    }
    canvas = fromMat(dst, truth);
  }
  const scenes::Quality q = scenes::measure(truth, canvas, mask);
  state.counters["psnr_dB"] = q.psnr;
  state.counters["ssim"] = q.ssim;
  state.counters["detail"] = q.detail;
}

struct Row {
  double ms = 0, psnr = 0, ssim = 0, detail = 0, clean = 0;
};

double counter(const benchmark::BenchmarkReporter::Run& run, const char* name) {
  const auto it = run.counters.find(name);
  return it == run.counters.end() ? 0 : double(it->second);
}

// Shows the runs as the console does and keeps their figures for the table.
class Collector : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, Row> rows;

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration) continue;
      Row& row = rows[run.run_name.function_name];
      row.ms = run.GetAdjustedRealTime();
      row.psnr = counter(run, "psnr_dB");
      row.ssim = counter(run, "ssim");
      row.detail = counter(run, "detail");
      row.clean = counter(run, "clean");
    }
  }
};

std::string nameOf(int which, int index, int method) {
  return std::string("Inpaint/") + kSceneNames[which] + "/" + hole(which, index).name + "/" +
         kMethodNames[method];
}

void printTable(const Collector& collector) {
  std::printf("\n%-26s %-6s %9s %8s %7s %7s   %s\n", "picture / hole", "method", "time ms",
              "PSNR dB", "SSIM", "detail", "time vs heal");
  for (int which = 0; which < 2; ++which) {
    for (int index = 0; index < 4; ++index) {
      const auto ours = collector.rows.find(nameOf(which, index, 0));
      for (int method = 0; method < 3; ++method) {
        const auto it = collector.rows.find(nameOf(which, index, method));
        if (it == collector.rows.end()) continue;
        const Row& r = it->second;
        const std::string label =
            method == 0 ? std::string(kSceneNames[which]) + " " + hole(which, index).name : "";
        std::printf("%-26s %-6s %9.1f %8.2f %7.3f %7.2f", label.c_str(), kMethodNames[method], r.ms,
                    r.psnr, r.ssim, r.detail);
        if (method > 0 && ours != collector.rows.end() && ours->second.ms > 0) {
          std::printf("   %.2fx", r.ms / ours->second.ms);
        }
        std::printf("\n");
      }
    }
  }
}

// The document scenes at seed 0, with the plain stroke last.
const std::vector<scenes::DocumentScene>& documents() {
  static const std::vector<scenes::DocumentScene> all = [] {
    std::vector<scenes::DocumentScene> v = scenes::documentScenes();
    v.push_back(scenes::plainStrokeScene());
    return v;
  }();
  return all;
}

// Benchmark names can't hold spaces comfortably on a command line.
std::string slug(const std::string& name) {
  std::string s = name;
  std::replace(s.begin(), s.end(), ' ', '_');
  return s;
}

std::string documentName(size_t index, int method) {
  return "Document/" + slug(documents()[index].name) + "/" + kMethodNames[method];
}

// The last fill of each document run, kept for INPAINT_DUMP_DIR.
std::map<std::string, PixelCanvas>& lastFills() {
  static std::map<std::string, PixelCanvas> fills;
  return fills;
}

// The radius a user of OpenCV would pick for a brush-sized hole over text.
constexpr double kDocumentRadius = 5;

// A fill of a document's hole against its truth: PSNR over the hole, and the clean share, the
// share of hole pixels whose three channels all lie within 6 levels of the truth (the pixels
// nobody would see as a smudge).
struct FillScore {
  double psnr = 0;
  double clean = 0;
};

FillScore scoreFill(const scenes::DocumentScene& scene, const PixelCanvas& filled) {
  double squared = 0;
  int64_t n = 0, clean = 0;
  const uint8_t* t = scene.truth.data().data();
  const uint8_t* f = filled.data().data();
  const std::span<const uint8_t> bits = scene.mask.bits();
  for (size_t i = 0; i < bits.size(); ++i) {
    if (!bits[i]) continue;
    bool near = true;
    for (size_t k = 0; k < 3; ++k) {
      const int d = int(f[i * 4 + k]) - int(t[i * 4 + k]);
      squared += double(d) * d;
      near = near && std::abs(d) <= 6;
    }
    clean += near;
    ++n;
  }
  const double mse = squared / double(std::max<int64_t>(3 * n, 1));
  return {mse > 0 ? 10 * std::log10(255.0 * 255.0 / mse) : 99,
          n > 0 ? double(clean) / double(n) : 0};
}

void fillDocument(benchmark::State& state, size_t index, Method method) {
  const scenes::DocumentScene& scene = documents()[index];
  PixelCanvas canvas = scene.picture;
  if (method == Method::heal) {
    for (auto _ : state) {
      state.PauseTiming();
      std::copy(scene.picture.data().begin(), scene.picture.data().end(), canvas.data().begin());
      state.ResumeTiming();
      Inpainter::heal(canvas, scene.mask);
    }
  } else {
    const cv::Mat src = toMat(scene.picture);
    const cv::Mat holeMat = toMat(scene.mask);
    cv::Mat dst;
    for (auto _ : state) {
      cv::inpaint(src, holeMat, dst, kDocumentRadius,
                  method == Method::telea ? cv::INPAINT_TELEA : cv::INPAINT_NS);
    }
    canvas = fromMat(dst, scene.picture);
  }
  const FillScore score = scoreFill(scene, canvas);
  state.counters["psnr_dB"] = score.psnr;
  state.counters["clean"] = score.clean;
  lastFills().insert_or_assign(documentName(index, static_cast<int>(method)), std::move(canvas));
}

void printDocumentTable(const Collector& collector) {
  std::printf("\n%-18s %-6s %9s %8s %8s   %s\n", "document", "method", "time ms", "PSNR dB",
              "clean %", "time vs heal");
  bool inexact = false;
  for (size_t index = 0; index < documents().size(); ++index) {
    const auto ours = collector.rows.find(documentName(index, 0));
    for (int method = 0; method < 3; ++method) {
      const auto it = collector.rows.find(documentName(index, method));
      if (it == collector.rows.end()) continue;
      const Row& r = it->second;
      const scenes::DocumentScene& scene = documents()[index];
      inexact = inexact || !scene.exactTruth;
      const std::string label = method == 0 ? scene.name + (scene.exactTruth ? "" : " *") : "";
      std::printf("%-18s %-6s %9.1f %8.2f %8.1f", label.c_str(), kMethodNames[method], r.ms, r.psnr,
                  100 * r.clean);
      if (method > 0 && ours != collector.rows.end() && ours->second.ms > 0) {
        std::printf("   %.2fx", r.ms / ours->second.ms);
      }
      std::printf("\n");
    }
  }
  if (inexact) std::printf("* no fill can know this truth pixel for pixel\n");
}

cv::Mat toBgr(const PixelCanvas& canvas) {
  cv::Mat bgr;
  cv::cvtColor(toMat(canvas), bgr, cv::COLOR_RGB2BGR);
  return bgr;
}

// Each document that ran, as PNGs a person can look through: the picture, the truth, the hole
// (white), the picture with the hole tinted, and every fill that ran.
void dumpDocuments(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  for (size_t index = 0; index < documents().size(); ++index) {
    const scenes::DocumentScene& scene = documents()[index];
    bool ran = false;
    for (int method = 0; method < 3; ++method) {
      const auto it = lastFills().find(documentName(index, method));
      if (it == lastFills().end()) continue;
      ran = true;
      cv::imwrite((folder / (slug(scene.name) + "_" + kMethodNames[method] + ".png")).string(),
                  toBgr(it->second));
    }
    if (!ran) continue;
    const std::string stem = (folder / slug(scene.name)).string();
    cv::imwrite(stem + "_picture.png", toBgr(scene.picture));
    cv::imwrite(stem + "_truth.png", toBgr(scene.truth));
    cv::imwrite(stem + "_mask.png", toMat(scene.mask) * 255);
    cv::Mat overlay = toBgr(scene.picture);
    const cv::Mat hole = toMat(scene.mask);
    cv::Mat tinted;
    cv::addWeighted(overlay, 0.55, cv::Mat(overlay.size(), overlay.type(), cv::Scalar(40, 40, 230)),
                    0.45, 0, tinted);
    tinted.copyTo(overlay, hole);
    cv::imwrite(stem + "_overlay.png", overlay);
  }
}

}  // namespace
}  // namespace corvalin::retouch

int main(int argc, char** argv) {
  using namespace corvalin::retouch;
  // The document scenes are drawn with Qt's fonts, which want an application.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  cv::setNumThreads(1);  // heal uses one thread; so does the peer
  for (int which = 0; which < 2; ++which) {
    for (int index = 0; index < 4; ++index) {
      for (int method = 0; method < 3; ++method) {
        benchmark::RegisterBenchmark(nameOf(which, index, method).c_str(), fill, which, index,
                                     static_cast<Method>(method))
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MinTime(1.0);
      }
    }
  }
  for (size_t index = 0; index < documents().size(); ++index) {
    for (int method = 0; method < 3; ++method) {
      // No minimum time of their own: --benchmark_min_time decides, so that a look at the
      // documents alone can be quick.
      benchmark::RegisterBenchmark(documentName(index, method).c_str(), fillDocument, index,
                                   static_cast<Method>(method))
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime();
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  printTable(collector);
  printDocumentTable(collector);
  if (const char* folder = std::getenv("INPAINT_DUMP_DIR"); folder && *folder) {
    dumpDocuments(folder);
    std::printf("document pictures and fills written to %s\n", folder);
  }
  benchmark::Shutdown();
  return 0;
}
