#!/usr/bin/env bash
# Start-up time (launch until the tray icon is embedded in the tray host) and idle resident
# memory 5 s after launch, for corvalin and for a peer tray screenshot tool, launched the same
# way in the same X session, alternating, several rounds. Prints the medians and the ratios.
#   bench/startup_vs_peer.sh CORVALIN [ROUNDS]      (run inside scripts/test-session)
set -euo pipefail
corvalin=${1:?path to corvalin}
rounds=${2:-3}
[[ -n "${DISPLAY:-}" ]] || { echo "run inside scripts/test-session" >&2; exit 2; }

if ! command -v flameshot >/dev/null; then
  sudo=(); [[ $(id -u) -eq 0 ]] || sudo=(sudo)
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends flameshot >/dev/null
fi
# The peer is measured twice: with its defaults (it greets the user at every start, which
# loads its GL stack), and with that greeting turned off in its settings.
peer_config="$HOME/.config/flameshot/flameshot.ini"
mkdir -p "$(dirname "$peer_config")"
peer_defaults() { rm -f "$peer_config"; exec flameshot; }
peer_quiet() { printf '[General]\nshowStartupLaunchMessage=false\n' >"$peer_config"; exec flameshot; }

panel=$(xwininfo -root -tree | awk '/"panel": \("panel" "trayer"\)/ {print $1; exit}')
[[ -n "$panel" ]] || { echo "no tray host" >&2; exit 1; }
icons() { xwininfo -id "$panel" -children | awk '/children?[:.]/ {print $1; exit}'; }

# Resident memory of a process and its children, in kB.
rss_kb() {
  local total=0 p
  for p in $1 $(pgrep -P "$1" || true); do
    total=$((total + $(awk '/^VmRSS:/ {print $2}' "/proc/$p/status" 2>/dev/null || echo 0)))
  done
  echo "$total"
}

measure() {  # name cmd... -> "ms kb"
  local before start pid ms=-1 now
  before=$(icons)
  start=$(date +%s%N)
  "${@:2}" >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 1000); do
    if [[ $(icons) -gt $before ]]; then
      now=$(date +%s%N)
      ms=$(((now - start) / 1000000))
      break
    fi
    sleep 0.005
  done
  local rest=$((5000000000 - ($(date +%s%N) - start)))
  ((rest > 0)) && sleep "$(awk -v n="$rest" 'BEGIN {printf "%.3f", n / 1e9}')"
  local kb
  kb=$(rss_kb "$pid")
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  pkill -f "^flameshot" 2>/dev/null || true
  sleep 0.5
  echo "$ms $kb"
}

median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }

declare -A ms_of kb_of
names=(corvalin flameshot flameshot-quiet)
for round in $(seq "$rounds"); do
  line="round $round:"
  for name in "${names[@]}"; do
    case $name in
      corvalin) read -r ms kb < <(measure "$name" "$corvalin") ;;
      flameshot) read -r ms kb < <(measure "$name" peer_defaults) ;;
      flameshot-quiet) read -r ms kb < <(measure "$name" peer_quiet) ;;
    esac
    ms_of[$name]+="$ms "
    kb_of[$name]+="$kb "
    line+=" $name ${ms} ms $((kb / 1024)) MB;"
  done
  echo "$line"
done
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
cm=$(tr ' ' '\n' <<<"${ms_of[corvalin]}" | grep . | median)
ck=$(tr ' ' '\n' <<<"${kb_of[corvalin]}" | grep . | median)
for peer in flameshot flameshot-quiet; do
  pm=$(tr ' ' '\n' <<<"${ms_of[$peer]}" | grep . | median)
  pk=$(tr ' ' '\n' <<<"${kb_of[$peer]}" | grep . | median)
  echo "startup to tray icon (median of $rounds): corvalin ${cm} ms, $peer ${pm} ms, ratio $(ratio "$cm" "$pm")"
  echo "idle RSS after 5 s (median of $rounds): corvalin $((ck / 1024)) MB, $peer $((pk / 1024)) MB, ratio $(ratio "$ck" "$pk")"
done
