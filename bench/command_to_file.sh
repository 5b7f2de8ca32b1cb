#!/usr/bin/env bash
# Time from `corvalin screen --output FILE` to the file written, against `scrot` and
# `flameshot full -p`, in the same run. Cold: nothing of the tool runs beforehand (no Corvalin
# in the tray, no flameshot daemon) and, where the kernel lets us, the page cache is dropped
# first. Warm: Corvalin (and the flameshot daemon) already run, caches hot.
#   bench/command_to_file.sh [BUILD_DIR] [RUNS]     (run inside scripts/test-session)
set -euo pipefail
build=${1:-build}
runs=${2:-9}
[[ -n "${DISPLAY:-}" ]] || { echo "run inside scripts/test-session" >&2; exit 2; }
source "$(dirname "$0")/lib/private_x.sh"
bench_work command-to-file

missing=()
for p in scrot flameshot imagemagick; do
  dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null | grep -q '^installed$' || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=(); [[ $(id -u) -eq 0 ]] || sudo=(sudo)
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

corvalin=$(realpath "$build/corvalin")
export HOME=$work/home XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME/.config/flameshot" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
printf '[General]\nshowStartupLaunchMessage=false\nshowDesktopNotification=false\n' \
  >"$HOME/.config/flameshot/flameshot.ini"
read -r width height < <(xwininfo -root | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w, h}')
convert -size "${width}x${height}" -seed 3 plasma:'#24527a-#d8c8a0' -blur 0x1 "$work/screen.png"
display -window root "$work/screen.png" &
pids+=($!)
sleep 1.5

can_drop=0
if sync && echo 3 >/proc/sys/vm/drop_caches 2>/dev/null; then can_drop=1; fi
now_ns() { date +%s%N; }
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }
stop_all() {
  pkill -x flameshot 2>/dev/null || true
  [[ -n "${tray:-}" ]] && kill "$tray" 2>/dev/null && wait "$tray" 2>/dev/null || true
  tray=""
  sleep 0.3
}
start_all() {
  "$corvalin" >/dev/null 2>&1 &
  tray=$!
  pids+=($tray)
  flameshot >/dev/null 2>&1 &
  pids+=($!)
  sleep 3
}
shoot() {  # name output
  case $1 in
    corvalin) "$corvalin" screen --output "$2" ;;
    scrot) scrot -o "$2" ;;
    flameshot) flameshot full -p "$2" ;;
  esac
}
declare -A times=()
measure() {  # mode name
  local out=$work/$2.png start end
  rm -f "$out"
  if [[ $1 == cold ]]; then
    stop_all
    ((can_drop)) && sync && echo 3 >/proc/sys/vm/drop_caches
  fi
  start=$(now_ns)
  shoot "$2" "$out" >/dev/null 2>&1 || true
  # flameshot's command may return before its daemon has written the file.
  for _ in $(seq 2000); do [[ -s "$out" ]] && break; sleep 0.005; done
  end=$(now_ns)
  [[ -s "$out" ]] || { echo "$2 wrote no file ($1)" >&2; return; }
  times[$1-$2]+="$(((end - start) / 1000)) "
}

names=(corvalin scrot flameshot)
tray=""
for ((round = 0; round < runs; round++)); do
  for name in "${names[@]}"; do measure cold "$name"; done
done
start_all
for ((round = 0; round < runs; round++)); do
  for name in "${names[@]}"; do measure warm "$name"; done
done
stop_all

echo "command to file, ${width}x${height}, median of $runs runs (page cache dropped when cold: $([[ $can_drop == 1 ]] && echo yes || echo no)):"
for mode in cold warm; do
  for name in "${names[@]}"; do
    us=$(tr ' ' '\n' <<<"${times[$mode-$name]:-}" | grep . | median)
    [[ -n "$us" ]] || continue
    awk -v m="$mode" -v n="$name" -v t="$us" 'BEGIN {printf "  %-5s %-10s %8.1f ms\n", m, n, t / 1000}'
  done
done
# The same pixels from corvalin and scrot.
identify -format '%#\n' "$work/corvalin.png" "$work/scrot.png" |
  uniq | awk 'END {if (NR != 1) {print "  (corvalin and scrot saved different pixels)"}}'
