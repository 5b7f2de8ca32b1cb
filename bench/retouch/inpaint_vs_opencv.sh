#!/usr/bin/env bash
# Erase-and-fill against OpenCV's inpainting (Telea and Navier-Stokes) on the same pictures and
# holes, in one process: installs Debian's OpenCV development package if it is missing (a
# benchmark-only dependency; the product never links it), configures and builds the comparison
# and runs it. Prints the benchmark runs, then a table of time, PSNR, SSIM and detail ratio per
# hole with each peer's time as a multiple of ours, a second one of time, PSNR and clean share
# on the document scenes, and the machine's load. With INPAINT_DUMP_DIR set, the document
# pictures, holes and fills are written there as PNGs.
#   bench/retouch/inpaint_vs_opencv.sh [BUILD_DIR] [extra benchmark arguments…]
#   e.g. INPAINT_DUMP_DIR=/tmp/fills bench/retouch/inpaint_vs_opencv.sh build --benchmark_filter=Document
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
shift || true

if ! dpkg-query -W -f='${db:Status-Status}' libopencv-dev 2>/dev/null | grep -q '^installed$'; then
  sudo=(); [[ $(id -u) -eq 0 ]] || sudo=(sudo)
  # A fresh machine's package lists may not know it yet.
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends libopencv-dev >/dev/null 2>&1 ||
    { "${sudo[@]}" apt-get update -qq &&
      "${sudo[@]}" apt-get install -y -qq --no-install-recommends libopencv-dev >/dev/null; }
fi
if [[ ! -f "$build/CMakeCache.txt" ]]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
else
  cmake "$build" >/dev/null  # picks OpenCV up if it was just installed
fi
cmake --build "$build" --target bench_inpaint_vs_opencv
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
mkdir -p "$build/bench"
"$build/bench/bench_inpaint_vs_opencv" --benchmark_out="$build/bench/inpaint_vs_opencv.json" \
  --benchmark_out_format=json "$@"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
