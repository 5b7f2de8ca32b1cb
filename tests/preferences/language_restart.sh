#!/usr/bin/env bash
# The language switch in the real corvalin, driven from the keyboard alone: the Preferences
# window opens in Spanish; Ctrl+Tab to the Tools page, Tab to the language, Right to English,
# Tab to "Reiniciar ahora", Space. The old process must be gone, one new one running that shows
# the window in English, and it must hold the single-instance lock (a second launch hands its
# action over to it and exits).
#   language_restart.sh CORVALIN ARTIFACTS_DIR
set -euo pipefail
corvalin=$1
artifacts=$2
mkdir -p "$artifacts"
[[ -n "${DISPLAY:-}" ]] || { echo "needs the test session (no DISPLAY)"; exit 1; }

fail() { echo "FAIL: $*" >&2; exit 1; }
source "$(dirname "$0")/../support/waiting.sh"
running() { pgrep -f -x "$corvalin" || true; }
# A running instance owns the application's name on the session bus.
owned() {
  gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.NameHasOwner app.corvalin.Corvalin | grep -q true
}
# Gone, or a zombie waiting for this script to collect it.
gone() { ! kill -0 "$1" 2>/dev/null || [[ $(ps -o stat= -p "$1") == Z* ]]; }

config=$(mktemp -d)
export XDG_CONFIG_HOME=$config
mkdir -p "$config/corvalin"
printf '[General]\nidioma=es\n' >"$config/corvalin/corvalin.conf"
cleanup() {
  pkill -f -x "$corvalin" 2>/dev/null || true
  rm -rf "$config"
}
trap cleanup EXIT

"$corvalin" >"$artifacts/language-restart.log" 2>&1 &
old=$!
wait_for 100 owned || fail "corvalin did not start"
timeout 10 "$corvalin" --action openPreferences || fail "the action was not handed over"
wait_for 50 xdotool search --name '^Preferencias de Corvalin$' || fail "no Spanish Preferences window"
win=$(first_window --name '^Preferencias de Corvalin$')
xdotool windowfocus --sync "$win" 2>/dev/null || true
sleep 0.3
xdotool key ctrl+Tab
sleep 0.2
xdotool key Tab Right Tab
sleep 0.2
import -window "$win" "$artifacts/language-restart-before.png"
xdotool key space

wait_for 100 gone "$old" || fail "the old process is still running"
wait_for 100 owned || fail "the new process did not take over the single-instance name"
timeout 10 "$corvalin" --action openPreferences || fail "the new process did not take the action"
wait_for 50 xdotool search --name '^Corvalin Settings$' || fail "no English Preferences window"
[[ $(running | grep -c .) -eq 1 ]] || fail "expected one corvalin, got: $(running | tr '\n' ' ')"
grep -q '^idioma=en$' "$config/corvalin/corvalin.conf" || fail "the language was not stored"
win=$(first_window --name '^Corvalin Settings$')
sleep 0.3
import -window "$win" "$artifacts/language-restart-after.png"
echo "ok: restarted in English ($artifacts/language-restart-after.png)"
