#!/usr/bin/env bash
# The real corvalin in the test session: its icon reaches the XEmbed tray, a click opens the
# tray menu (photographed for a person to look at), a second launch hands over instead of
# adding a second icon, and SIGTERM ends it cleanly. (Actions handed over: tray_sni.sh.)
#   tray_end_to_end.sh CORVALIN ARTIFACTS_DIR
set -euo pipefail
corvalin=$1
artifacts=$2
mkdir -p "$artifacts"
[[ -n "${DISPLAY:-}" ]] || { echo "needs the test session (no DISPLAY)"; exit 1; }

fail() { echo "FAIL: $*" >&2; exit 1; }

# Windows of class "corvalin" inside the tray host, with their absolute geometry.
tray_icons() { xwininfo -root -tree | grep '("corvalin" "corvalin")' | grep -E '^ {8,}' || true; }

"$corvalin" >"$artifacts/corvalin.log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT

source "$(dirname "$0")/../support/waiting.sh"
docked() { [[ -n "$(tray_icons)" ]] || ! kill -0 $pid 2>/dev/null; }
wait_for 150 docked
kill -0 $pid 2>/dev/null || fail "corvalin exited at start"
icons=$(tray_icons)
[[ $(grep -c . <<<"$icons") -eq 1 ]] || fail "expected one tray icon, got: $icons"

# Absolute position and size of the icon: "... 22x30+0+0  +1897+1".
read -r w h x y < <(sed -E 's/.* ([0-9]+)x([0-9]+)\+-?[0-9]+\+-?[0-9]+ +\+(-?[0-9]+)\+(-?[0-9]+).*/\1 \2 \3 \4/' <<<"$icons")
xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
menu=""
for _ in $(seq 50); do
  menu=$(xwininfo -root -tree | grep '("corvalin" "corvalin")' | awk '{for(i=1;i<=NF;i++) if ($i ~ /^[0-9]+x[0-9]+\+/) print $i}' |
    awk -Fx '{split($2,a,"+"); if ($1 > 200 && a[1] > 300) print}' | head -n1)
  [[ -n "$menu" ]] && break
  sleep 0.1
done
[[ -n "$menu" ]] || fail "the tray menu did not open"
sleep 0.3
import -window root "$artifacts/tray-menu.png"
xdotool key Escape
sleep 0.3

# A second launch hands over and exits; still one icon.
timeout 10 "$corvalin" || fail "a second launch did not exit cleanly"
sleep 0.5
[[ $(tray_icons | grep -c .) -eq 1 ]] || fail "a second launch added a tray icon"

# SIGTERM ends it cleanly, its icon docked.
kill -TERM $pid
gone() { ! kill -0 $pid 2>/dev/null; }
wait_for 50 gone || fail "corvalin did not end on SIGTERM"
status=0
wait $pid || status=$?
trap - EXIT
[[ $status -eq 0 ]] || fail "corvalin ended with status $status"
echo "ok: tray menu at $artifacts/tray-menu.png"
