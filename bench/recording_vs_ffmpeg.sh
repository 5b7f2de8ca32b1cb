#!/usr/bin/env bash
# CPU time per recorded minute and file size: corvalin-record against ffmpeg's x11grab with the
# same encoder, preset and bit rate (a tenth of a bit per pixel per frame) and the same sound (the session's null sink monitor), on its own
# 1920x1080 X server, for a desktop-like scene (a clock ticking, text being typed) and for full
# motion (the whole screen moving at 60 Hz). Each records SECONDS and is scaled to a minute.
# Also corvalin-record at 60 fps on the moving scene, for its dropped frames.
#   bench/recording_vs_ffmpeg.sh [BUILD_DIR] [SECONDS] [PRESET]   (inside scripts/test-session)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
seconds=${2:-20}
preset=${3:-superfast}
record="$build/corvalin-record"
scene="$build/bench/tools/bench_scene"
[[ -x "$record" && -x "$scene" ]] || { echo "build first (make build)" >&2; exit 2; }
command -v ffmpeg >/dev/null || { echo "ffmpeg is missing (make deps-test)" >&2; exit 2; }
monitor="$(pactl get-default-sink 2>/dev/null || echo corvalin_null).monitor"

source "$root/bench/lib/private_x.sh"
bench_work rec-bench
start_x 80 1920x1080

# CPU seconds (user + system) of a command: what bash's `times` counts for its children.
cpu_of() {  # out cmd...
  shift
  bash -c '"$@" >"'"$work"'/stdout" 2>"'"$work"'/stderr"; times' _ "$@" | tail -1 |
    awk '{n = 0; for (i = 1; i <= 2; i++) {split($i, p, "m"); sub("s", "", p[2]); n += p[1] * 60 + p[2]}
          printf "%.2f", n}'
}
per_minute() { awk -v c="$1" -v s="$seconds" 'BEGIN {printf "%.1f", c * 60 / s}'; }
size_mb() { awk -v b="$(stat -c %s "$1" 2>/dev/null || echo 0)" -v s="$seconds" 'BEGIN {printf "%.1f", b * 60 / s / 1048576}'; }

run_scene() {  # name
  # The scene lives while its standard input stays open.
  mkfifo "$work/hold.$1"
  "$scene" "$1" <"$work/hold.$1" >"$work/scene.out" &
  local scene_pid=$!
  exec {hold}>"$work/hold.$1"
  pids+=("$scene_pid")
  for _ in $(seq 100); do grep -q ready "$work/scene.out" 2>/dev/null && break; sleep 0.05; done
  local ours theirs
  ours=$(cpu_of "$work/ours.mp4" "$record" --fps 30 --audio system --seconds "$seconds" --stats "$work/ours.mp4")
  local stats
  stats=$(cat "$work/stdout")
  theirs=$(cpu_of "$work/ffmpeg.mp4" ffmpeg -v error -y -f x11grab -framerate 30 -video_size 1920x1080 -i "$DISPLAY" \
    -f pulse -i "$monitor" -t "$seconds" -c:v libx264 -preset "$preset" -profile:v high \
    -pix_fmt yuv420p -b:v 6220800 -c:a aac -b:a 128k "$work/ffmpeg.mp4")
  printf '%-10s %12s %12s %8s %10s %10s   %s\n' "$1" "$(per_minute "$ours")" "$(per_minute "$theirs")" \
    "$(awk -v a="$ours" -v b="$theirs" 'BEGIN {printf "%.2f", (b > 0 ? a / b : 0)}')" \
    "$(size_mb "$work/ours.mp4")" "$(size_mb "$work/ffmpeg.mp4")" "$stats"
  if [[ "$1" == motion ]]; then
    cpu_of "$work/ours60.mp4" "$record" --fps 60 --audio system --seconds "$seconds" --stats "$work/ours60.mp4" >/dev/null
    echo "motion at 60 fps: $(cat "$work/stdout")"
  fi
  exec {hold}>&-
  wait "$scene_pid" 2>/dev/null || true
}

echo "1920x1080 at 30 fps with system sound, $seconds s each, CPU s per recorded minute; x264 preset $preset; load $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-10s %12s %12s %8s %10s %10s   %s\n' scene corvalin ffmpeg ratio "MB/min" "ffmpeg MB" "corvalin-record"
run_scene desktop
run_scene motion
