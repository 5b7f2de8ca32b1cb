#!/usr/bin/env bash
# Time of a full-screen capture to a PNG file: corvalin-screenshot against maim, scrot and
# flameshot, on the same X screen, on an interface-like picture (panels, text, gradients) and
# on a photograph-like one (fine detail and noise). Prints the medians and the ratios to scrot.
#   bench/screenshot_vs_peers.sh [TOOL] [RUNS]      (run inside scripts/test-session)
set -euo pipefail
tool=${1:-build/corvalin-screenshot}
runs=${2:-9}
[[ -n "${DISPLAY:-}" ]] || { echo "run inside scripts/test-session" >&2; exit 2; }
[[ -x "$tool" ]] || { echo "no executable at $tool" >&2; exit 2; }

missing=()
for p in maim scrot flameshot imagemagick; do
  dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null | grep -q '^installed$' || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=(); [[ $(id -u) -eq 0 ]] || sudo=(sudo)
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

work=$(mktemp -d /tmp/corvalin-shot-bench.XXXXXX)
shown=""
cleanup() {
  [[ -n "$shown" ]] && kill "$shown" 2>/dev/null && wait "$shown" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
read -r width height < <(xwininfo -root | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w, h}')

# An interface: a wallpaper gradient, a top bar, two windows with title bars, a side list,
# lines of text and buttons.
make_interface() {
  local args=(-size "${width}x${height}" gradient:'#3b5a7a-#9bb6cf'
    -fill '#202326' -draw "rectangle 0,0 $width,28"
    -fill '#e8e8e8' -pointsize 13 -draw "text 14,19 'Activities     Files     Terminal'"
    -fill '#fafafa' -draw "rectangle 120,90 1180,860"
    -fill '#ececec' -draw "rectangle 120,90 1180,128"
    -fill '#f3f3f3' -draw "rectangle 120,128 360,860"
    -fill '#d64937' -draw "circle 1160,109 1166,109"
    -fill '#2a2a2a' -pointsize 14 -draw "text 560,114 'Documents — Files'")
  local y
  for ((y = 160; y < 780; y += 26)); do
    args+=(-fill '#3a3a3a' -pointsize 13 -draw "text 140,$y 'Folder $((y / 26))'"
      -fill '#202020' -draw "text 390,$y 'report-$((y * 7 % 1000)).odt     $((y % 97)).$((y % 10)) kB     Modified yesterday at $((y % 24)):$(printf %02d $((y % 60)))'")
  done
  args+=(-fill '#1e1e1e' -draw "rectangle 760,400 1800,1000"
    -fill '#2d2d2d' -draw "rectangle 760,400 1800,432"
    -fill '#cccccc' -pointsize 14 -draw "text 1180,422 'Terminal'")
  for ((y = 460; y < 990; y += 18)); do
    args+=(-fill '#9fe870' -font DejaVu-Sans-Mono -pointsize 13
      -draw "text 776,$y 'user@host:~/src\$ make -j2 && ./build/test --gtest_filter=Capture.* $((y * 13 % 9973))'")
  done
  args+=(-fill '#3584e4' -draw "roundrectangle 560,800 700,836 6,6"
    -fill white -pointsize 14 -draw "text 612,824 'Save'")
  convert "${args[@]}" "$work/interface.png"
}

# A photograph: soft large shapes with fine grain all over.
make_photo() {
  convert -size "${width}x${height}" -seed 7 plasma:'#6a8f4e-#c9a36b' -blur 0x2 \
    -attenuate 0.6 +noise Gaussian "$work/photo.png"
}

show() {
  [[ -n "$shown" ]] && kill "$shown" 2>/dev/null && wait "$shown" 2>/dev/null
  display -window root "$1" &
  shown=$!
  sleep 1.5
}

median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }

now_ns() { date +%s%N; }

shoot() {  # name output
  case $1 in
    corvalin) "$tool" -x "$2" ;;
    maim) maim "$2" ;;
    scrot) scrot -o "$2" ;;
    flameshot) flameshot full -p "$2" ;;
  esac
}

# flameshot runs as a tray daemon that its command line talks to; start it once so that
# every timed run pays only for the capture, as a user with the daemon running would.
mkdir -p "$HOME/.config/flameshot"
printf '[General]\nshowStartupLaunchMessage=false\nshowDesktopNotification=false\n' \
  >"$HOME/.config/flameshot/flameshot.ini"
flameshot >/dev/null 2>&1 &
daemon=$!
trap 'kill $daemon 2>/dev/null; wait $daemon 2>/dev/null; cleanup' EXIT
sleep 2

make_interface
make_photo
names=(corvalin maim scrot flameshot)
for screen in interface photo; do
  show "$work/$screen.png"
  declare -A times=()
  for ((round = 0; round < runs; round++)); do
    for name in "${names[@]}"; do
      out="$work/$name-$screen.png"
      rm -f "$out"
      start=$(now_ns)
      shoot "$name" "$out" >/dev/null 2>&1 || true
      # flameshot's command may return before its daemon has written the file.
      for _ in $(seq 400); do [[ -s "$out" ]] && break; sleep 0.005; done
      end=$(now_ns)
      [[ -s "$out" ]] || { echo "$name wrote no file" >&2; continue; }
      times[$name]+="$(((end - start) / 1000)) "
    done
  done
  scrot_ms=$(tr ' ' '\n' <<<"${times[scrot]}" | grep . | median)
  echo "$screen screen (${width}x${height}), median of $runs runs:"
  for name in "${names[@]}"; do
    us=$(tr ' ' '\n' <<<"${times[$name]:-}" | grep . | median)
    [[ -n "$us" ]] || continue
    size=$(stat -c %s "$work/$name-$screen.png")
    awk -v n="$name" -v t="$us" -v s="$scrot_ms" -v b="$size" \
      'BEGIN {printf "  %-10s %7.1f ms  %5.2fx scrot  %6.0f KB\n", n, t / 1000, t / s, b / 1024}'
  done
  # Every tool must have saved the same pixels.
  identify -format '%#\n' "$work/corvalin-$screen.png" "$work/scrot-$screen.png" |
    uniq | awk 'END {if (NR != 1) {print "  (corvalin and scrot saved different pixels)"}}'
  unset times
done
