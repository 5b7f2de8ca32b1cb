#!/usr/bin/env bash
# Erase-and-fill against OpenCV's inpainting (Telea and Navier-Stokes) on the same pictures and
# holes, in one process: installs Debian's OpenCV development package if it is missing (a
# benchmark-only dependency; the product never links it), configures and builds the comparison
# and runs it. Prints the benchmark runs, then a table of time, PSNR, SSIM and detail ratio per
# hole with each peer's time as a multiple of ours, and the machine's load.
#   bench/retouch/inpaint_vs_opencv.sh [BUILD_DIR] [extra benchmark arguments…]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
shift || true

if ! dpkg-query -W -f='${db:Status-Status}' libopencv-dev 2>/dev/null | grep -q '^installed$'; then
  sudo=(); [[ $(id -u) -eq 0 ]] || sudo=(sudo)
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends libopencv-dev >/dev/null
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
