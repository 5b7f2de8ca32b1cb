#!/usr/bin/env bash
# Time from the command to the chooser's overlay painted on every monitor: Corvalin's area
# selector and colour picker (`corvalin --action …`, handed to the running tray app over
# D-Bus) against `flameshot gui` with its daemon running, on one 1920x1080 screen and on a
# 3840x2160 + 1920x1080 pair of RandR monitors. Each layout gets its own X server; the two
# programs take turns on it. Installs the peer and xrandr for the benchmark alone.
#   bench/choosers_vs_flameshot.sh [BUILD_DIR] [RUNS]      (run inside scripts/test-session)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
runs=${2:-9}
probe="$build/bench/tools/overlay_probe"
[[ -x "$probe" && -x "$build/corvalin" ]] || { echo "build first (make build)" >&2; exit 2; }

missing=()
for p in flameshot x11-xserver-utils; do
  dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null | grep -q '^installed$' || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=(); [[ $(id -u) -eq 0 ]] || sudo=(sudo)
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null 2>&1 ||
    { "${sudo[@]}" apt-get update -qq &&
      "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; }
fi

source "$(dirname "$0")/lib/private_x.sh"
bench_work chooser-bench

# Private settings for both programs; the peer without its start-up greeting and help text.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
mkdir -p "$XDG_CONFIG_HOME/flameshot"
printf '[General]\nshowStartupLaunchMessage=false\nshowHelp=false\nshowDesktopNotification=false\n' \
  >"$XDG_CONFIG_HOME/flameshot/flameshot.ini"
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

median_of() { awk -F= '/^median_ms=/ {print $2}'; }

measure_layout() {  # name screen monitors...
  local name=$1 screen=$2
  shift 2
  start_x 90 "$screen"
  local xvfb=${pids[-1]}
  local i=0 m
  for m in "$@"; do
    xrandr --setmonitor "BENCH-$i" "$m" "$([[ $i == 0 ]] && echo screen || echo none)" >/dev/null
    i=$((i + 1))
  done

  "$build/corvalin" >"$work/corvalin.log" 2>&1 &
  local app=$!
  pids+=("$app")
  sleep 2
  local area colour peer
  area=$("$probe" "$runs" "$build/corvalin" --action toggleRecording | tee "$work/area.txt" | median_of)
  colour=$("$probe" --pointer 400,400 --probe 600,640 "$runs" "$build/corvalin" --action pickColorAction | tee "$work/colour.txt" | median_of)
  kill "$app" 2>/dev/null; wait "$app" 2>/dev/null || true

  flameshot >"$work/flameshot.log" 2>&1 &
  local daemon=$!
  pids+=("$daemon")
  sleep 2
  peer=$("$probe" "$runs" flameshot gui | tee "$work/peer.txt" | median_of)
  kill "$daemon" 2>/dev/null; wait "$daemon" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null || true

  printf '%-28s %10s %10s %10s %8s %8s\n' "$name" "$area" "$colour" "$peer" \
    "$(awk -v a="$area" -v p="$peer" 'BEGIN {printf "%.2f", a / p}')" \
    "$(awk -v a="$colour" -v p="$peer" 'BEGIN {printf "%.2f", a / p}')"
}

echo "command to overlay painted on every monitor, median of $runs runs (ms); load $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-28s %10s %10s %10s %8s %8s\n' layout area colour flameshot area/fs colour/fs
measure_layout "1920x1080" 1920x1080 1920/508x1080/286+0+0
measure_layout "3840x2160 + 1920x1080" 5760x2160 3840/872x2160/490+0+0 1920/508x1080/286+3840+0
