#!/usr/bin/env bash
# Crash-safe editing with the real executable in the test session: a capture turned a quarter
# in the editor, Corvalin killed with SIGKILL, started again; the toast offers the capture back,
# its button reopens it turned, with the turn still undoable, the copy passes to the new
# process, and saving the document writes the picture and removes the copy.
#   recovery_after_kill.sh CORVALIN
set -euo pipefail
corvalin=$1
[[ -n "${DISPLAY:-}" ]] || { echo "needs the test session (no DISPLAY)"; exit 1; }

fail() { echo "FAIL: $*" >&2; exit 1; }
work=$(mktemp -d)
bus_pid=""
instance=""
cleanup() {
  [[ -n "$instance" ]] && kill -9 "$instance" 2>/dev/null || true
  [[ -n "$bus_pid" ]] && kill "$bus_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/runtime" "$work/out"
chmod 700 "$work/runtime"
export XDG_RUNTIME_DIR=$work/runtime LANG=C.UTF-8
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_STATE_HOME=$work/state
mkdir -p "$XDG_CONFIG_HOME/corvalin"
printf '[General]\nidioma=es\nsaveFolder=%s\n' "$work/out" >"$XDG_CONFIG_HOME/corvalin/corvalin.conf"
source "$(dirname "$0")/../support/private_bus.sh"
source "$(dirname "$0")/../support/waiting.sh"
private_bus "$work/bus" || fail "the test bus did not start: $(cat "$work/bus/bus.log")"
export DBUS_SESSION_BUS_ADDRESS=$bus_address
copies=$XDG_STATE_HOME/corvalin/recovery

# The editor, titled with its picture's size.
editor_window() { first_window --onlyvisible --name "^${1:-[0-9]+×[0-9]+}\$"; }
has_editor() { [[ -n "$(editor_window "$@")" ]]; }
description() { ls "$copies"/*/documento.json 2>/dev/null | head -n1; }
# The process that wrote the copy, and whether it has a step to undo.
writer() { grep -o '"pid":[0-9]*' "$(description)" | cut -d: -f2; }
copy_with_undo() { [[ -n "$(description)" ]] && grep -q '"deshacer":\[{' "$(description)"; }

# A capture in the editor (the test screen is 1920×1080), turned a quarter with Ctrl+R.
"$corvalin" screen >"$work/first.log" 2>&1 &
instance=$!
wait_for 150 has_editor 1920×1080 || fail "no editor opened: $(cat "$work/first.log")"
win=$(editor_window)
xdotool windowactivate --sync "$win" 2>/dev/null || true
[[ -z "$(description)" ]] || fail "an untouched capture already has a recovery copy"
xdotool key --window "$win" ctrl+r
wait_for 50 has_editor 1080×1920 || fail "Ctrl+R did not turn the capture"
wait_for 50 copy_with_undo || fail "no recovery copy of the turned capture appeared in $copies"
[[ "$(writer)" == "$instance" ]] || fail "the copy names process $(writer), not $instance"
[[ "$(stat -c %a "$(dirname "$(description)")")" == 700 ]] || fail "the copy's folder is not 0700"

# Killed without warning: the copy stays.
kill -9 "$instance"
wait "$instance" 2>/dev/null || true
instance=""
[[ -n "$(description)" ]] || fail "the copy went with the killed process"

# Started again: the toast offers the capture back.
"$corvalin" >"$work/second.log" 2>&1 &
instance=$!
wait_for 150 xdotool search --onlyvisible --name '^Quedó una captura sin guardar$' ||
  fail "no toast offered the capture back: $(cat "$work/second.log")"
toast=$(first_window --onlyvisible --name '^Quedó una captura sin guardar$')
has_editor && fail "an editor opened before the button was pressed"
eval "$(xdotool getwindowgeometry --shell "$toast")"
# The button sits at the toast's right end.
xdotool mousemove "$((X + WIDTH - 50))" "$((Y + HEIGHT / 2))" click 1
wait_for 100 has_editor 1080×1920 || fail "the button did not reopen the turned capture"
# The new process keeps the copy up to date.
wait_for 50 bash -c "grep -q '\"pid\":$instance[,}]' '$(description)'" ||
  fail "the reopened document's copy was not taken over by process $instance"
[[ $(ls "$copies" | wc -l) -eq 1 ]] || fail "the copy was duplicated: $(ls "$copies")"

# Its history came back too: Ctrl+Z undoes the turn.
win=$(editor_window)
xdotool windowactivate --sync "$win" 2>/dev/null || true
xdotool key --window "$win" ctrl+z
wait_for 50 has_editor 1920×1080 || fail "Ctrl+Z did not undo the recovered turn"

# Saved (Ctrl+S): the picture is written and the document's copy goes.
win=$(editor_window)
xdotool key --window "$win" ctrl+s
wait_for 100 bash -c "ls '$work/out'/*.png" || fail "Ctrl+S saved nothing in $work/out"
wait_for 50 bash -c "[[ -z \"\$(ls -A '$copies')\" ]]" || fail "the saved document kept its copy"
kill "$instance"
wait "$instance" 2>/dev/null || true
instance=""
echo "recovery after SIGKILL: offered, reopened turned with its history, saved, copy removed"
