#!/usr/bin/env bash
# Corvalin on a Wayland desktop (run inside scripts/wayland-session; bench/run-all does):
#   - a full-screen capture of a page of text through the desktop portal (corvalin-screenshot)
#     against grim reading the compositor directly, RUNS times each, median and best in ms;
#   - corvalin-record's CPU per recorded minute through the ScreenCast portal and PipeWire, a
#     1920x1080 client redrawing at 30 fps, SECONDS long, with what the compositor, the portal
#     backend and PipeWire spent meanwhile.
#   bench/wayland/wayland_vs_peers.sh [BUILD_DIR] [RUNS] [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
runs=${2:-20}
seconds=${3:-20}
shot="$build/corvalin-screenshot"
record="$build/corvalin-record"
client="$build/tests/wayland/wayland_client"
[[ -x "$shot" && -x "$record" && -x "$client" ]] || { echo "build first (make build)" >&2; exit 2; }
[[ -n "${WAYLAND_DISPLAY:-}" ]] || { echo "run inside scripts/wayland-session" >&2; exit 2; }
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT

ms_of() {  # cmd... : wall milliseconds
  local t0 t1
  t0=$(date +%s%N)
  "$@" >/dev/null 2>&1
  t1=$(date +%s%N)
  echo $(((t1 - t0) / 1000000))
}
summary() {  # values on stdin: median and best
  sort -n | awk '{v[NR] = $1} END {printf "median %d ms, best %d ms", v[int((NR + 1) / 2)], v[1]}'
}
# CPU seconds (user + system) a process has used so far.
cpu_of_pid() {
  awk -v hz="$(getconf CLK_TCK)" '{printf "%.2f", ($14 + $15) / hz}' "/proc/$1/stat" 2>/dev/null || echo 0
}

# A page of text lines: what a screen mostly shows (a picture of noise would measure zlib).
"$client" lines 80 0 >"$work/client.out" &
for _ in $(seq 100); do grep -q ready "$work/client.out" && break; sleep 0.05; done
echo "full-screen capture, 1920x1080, $runs runs each; load $(cut -d' ' -f1-3 /proc/loadavg)"
for _ in $(seq "$runs"); do ms_of "$shot" -x "$work/portal.png"; done | summary |
  sed 's/^/  corvalin-screenshot (Screenshot portal): /'
echo
for _ in $(seq "$runs"); do ms_of grim "$work/grim.png"; done | summary |
  sed 's/^/  grim (the compositor directly):          /'
echo
kill %1

"$client" moving >"$work/moving.out" &
for _ in $(seq 100); do grep -q ready "$work/moving.out" && break; sleep 0.05; done
declare -A before
for name in sway xdg-desktop-portal-wlr pipewire; do
  pid=$(pgrep -u "$(id -u)" -f "^[^ ]*$name( |\$)" | head -n1 || true)
  [[ -n "$pid" ]] && before[$name]="$pid $(cpu_of_pid "$pid")"
done
stats=$(bash -c '"$@" 2>/dev/null; times' _ "$record" --fps 30 --audio none --seconds "$seconds" \
  --stats "$work/rec.mp4")
ours=$(echo "$stats" | tail -1 | awk '{n = 0; for (i = 1; i <= 2; i++) {split($i, p, "m"); sub("s", "", p[2]); n += p[1] * 60 + p[2]} printf "%.2f", n}')
per_minute() { awk -v c="$1" -v s="$seconds" 'BEGIN {printf "%.1f", c * 60 / s}'; }
echo "recording 1920x1080 at 30 fps of a client redrawing 30 times a second, $seconds s, CPU s per recorded minute"
echo "  corvalin-record: $(per_minute "$ours")   ($(echo "$stats" | head -1))"
for name in "${!before[@]}"; do
  read -r pid start <<<"${before[$name]}"
  now=$(cpu_of_pid "$pid")
  echo "  $name meanwhile: $(per_minute "$(awk -v a="$now" -v b="$start" 'BEGIN {print a - b}')")"
done
