// Erase-and-fill against OpenCV's inpainting (Telea's fast marching and Navier-Stokes), in one
// process on the same 1920 × 1080 pictures and holes: time of a fill, and PSNR, SSIM and detail
// ratio of the filled pixels against the erased truth. Prints a table with the ratios after the
// benchmark runs. OpenCV is a peer measured here only; the product never links it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <opencv2/core.hpp>
#include <opencv2/photo.hpp>
#include <string>
#include <vector>

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
  double ms = 0, psnr = 0, ssim = 0, detail = 0;
};

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
      row.psnr = run.counters.at("psnr_dB");
      row.ssim = run.counters.at("ssim");
      row.detail = run.counters.at("detail");
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

}  // namespace
}  // namespace corvalin::retouch

int main(int argc, char** argv) {
  using namespace corvalin::retouch;
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
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  printTable(collector);
  benchmark::Shutdown();
  return 0;
}
