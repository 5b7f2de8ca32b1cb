#!/usr/bin/env bash
# The command interface of the real executable in the test session, on a bus of its own that
# starts Corvalin for a command the way an installed service file does: help and usage
# errors, no display or no bus, a command starting Corvalin, captures straight to a file (the
# whole screen, a dragged area, a cancelled one leaving the old file alone), and quit.
#   command_interface.sh CORVALIN
set -euo pipefail
corvalin=$1
[[ -n "${DISPLAY:-}" ]] || { echo "needs the test session (no DISPLAY)"; exit 1; }

fail() { echo "FAIL: $*" >&2; exit 1; }
work=$(mktemp -d)
bus_pid=""
instance=""
cleanup() {
  [[ -n "$instance" ]] && kill "$instance" 2>/dev/null || true
  [[ -n "$bus_pid" ]] && kill "$bus_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/services" "$work/runtime"
chmod 700 "$work/runtime"
export XDG_RUNTIME_DIR=$work/runtime LANG=C.UTF-8
# Corvalin (and the one the bus starts) writes its settings under HOME; English messages.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
mkdir -p "$XDG_CONFIG_HOME/corvalin"
printf '[General]\nidioma=en\n' >"$XDG_CONFIG_HOME/corvalin/corvalin.conf"
printf '[D-BUS Service]\nName=app.corvalin.Corvalin\nExec=%s\n' "$corvalin" \
  >"$work/services/app.corvalin.Corvalin.service"
source "$(dirname "$0")/../support/private_bus.sh"
source "$(dirname "$0")/../support/waiting.sh"
private_bus "$work/bus" "$work/services" || fail "the test bus did not start: $(cat "$work/bus/bus.log")"
export DBUS_SESSION_BUS_ADDRESS=$bus_address


# The process that owns Corvalin's name on the bus.
owner() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.GetConnectionUnixProcessID string:app.corvalin.Corvalin 2>/dev/null |
    awk '/uint32/ {print $2}'
}

expect_exit() {  # CODE PATTERN CMD...: the exit code, and PATTERN in what it printed
  local code=$1 pattern=$2 out rc=0
  shift 2
  out=$("$@" 2>&1) || rc=$?
  [[ $rc -eq $code ]] || fail "'$*' exited $rc, not $code: $out"
  grep -qE -- "$pattern" <<<"$out" || fail "'$*' did not say /$pattern/: $out"
}

# Help, version and usage need neither a display nor a running Corvalin.
expect_exit 0 '^  record-window +Record a window$' env -u DISPLAY "$corvalin" --help
expect_exit 0 '^corvalin [0-9]+\.[0-9]+\.[0-9]+$' "$corvalin" --version
expect_exit 2 'Unknown command “bogus”' "$corvalin" bogus
expect_exit 2 '--output goes with area, window or screen' "$corvalin" record -o x.mp4

# Nothing to reach: no display (and no bus), for a command and for a capture to a file.
expect_exit 3 'DISPLAY' env -u DISPLAY -u WAYLAND_DISPLAY \
  DBUS_SESSION_BUS_ADDRESS=unix:path=$work/nothing "$corvalin" area
expect_exit 3 'DISPLAY' env -u DISPLAY -u WAYLAND_DISPLAY "$corvalin" screen --output "$work/x.png"
[[ ! -e "$work/x.png" ]] || fail "a capture without a display wrote a file"

# A command with nobody running: the bus starts Corvalin, which does it; the command returns.
[[ -z "$(owner)" ]] || fail "something already owns Corvalin's name on the test bus"
timeout 30 "$corvalin" preferences || fail "'corvalin preferences' did not hand over (exit $?)"
instance=$(owner)
[[ -n "$instance" ]] || fail "no Corvalin was started by the bus: $(cat "$work/bus/bus.log")"
grep -q "Successfully activated service 'app.corvalin.Corvalin'" "$work/bus/bus.log" ||
  fail "Corvalin was not started by the bus: $(cat "$work/bus/bus.log")"
settings_shown() { xdotool search --onlyvisible --name '^Corvalin Settings$' >/dev/null 2>&1; }
wait_for 100 xdotool search --name '^Corvalin Settings$' ||
  fail "the started Corvalin did not open its Preferences"
win=$(first_window --name '^Corvalin Settings$')
# Closed the way a person does it (Escape), so that the next command has to open it again.
for _ in $(seq 50); do
  settings_shown || break
  xdotool windowfocus "$win" key Escape 2>/dev/null || true
  sleep 0.1
done
settings_shown && fail "the Preferences window did not close on Escape"

# The same bus, Corvalin running: a second command reaches the same process.
timeout 10 "$corvalin" preferences || fail "a command to the running Corvalin failed"
[[ $(owner) == "$instance" ]] || fail "a second Corvalin took over"
# Counting only this test's: another session on the machine may run a Corvalin of its own, even
# of this build; ours have this test's runtime folder.
ours() {
  local p
  for p in $(pgrep -x corvalin); do
    grep -qxz "XDG_RUNTIME_DIR=$XDG_RUNTIME_DIR" "/proc/$p/environ" 2>/dev/null && echo "$p"
  done
  return 0
}
[[ $(ours | wc -l) -eq 1 ]] || fail "more than one Corvalin runs: $(ours)"
wait_for 50 settings_shown || fail "the running Corvalin did not open its Preferences again"
# Running, but its bus can't be reached from here.
expect_exit 3 'no D-Bus session bus' env DBUS_SESSION_BUS_ADDRESS=unix:path=$work/nothing \
  "$corvalin" area

# Straight to a file: the whole screen, under the pointer.
xdotool mousemove 400 300
timeout 20 "$corvalin" screen --output "$work/screen.png" || fail "screen --output failed"
[[ $(identify -format '%m %wx%h' "$work/screen.png") == "PNG 1920x1080" ]] ||
  fail "screen --output wrote $(identify "$work/screen.png" 2>&1)"
# An area dragged out on the chooser: exactly its size.
rm -f "$work/area.png"
timeout 20 "$corvalin" area --output "$work/area.png" &
capture=$!
sleep 1.5
xdotool mousemove 300 200 mousedown 1 mousemove 450 300 mousemove 620 440 mouseup 1
wait $capture || fail "area --output failed"
[[ $(identify -format '%wx%h' "$work/area.png") == "320x240" ]] ||
  fail "area --output wrote $(identify "$work/area.png" 2>&1)"
# Cancelled: exit 1, and a file already there is left as it was.
cp "$work/screen.png" "$work/before.png"
timeout 20 "$corvalin" area --output "$work/screen.png" 2>"$work/cancel.log" &
capture=$!
for _ in $(seq 40); do
  kill -0 $capture 2>/dev/null || break
  sleep 0.3
  xdotool key Escape
done
rc=0
wait $capture || rc=$?
[[ $rc -eq 1 ]] || fail "a cancelled area --output exited $rc, not 1"
grep -q 'Nothing was saved' "$work/cancel.log" || fail "cancelling said: $(cat "$work/cancel.log")"
cmp -s "$work/before.png" "$work/screen.png" || fail "a cancelled capture changed the file"

# quit ends the running Corvalin.
timeout 10 "$corvalin" quit || fail "'corvalin quit' was not handed over"
gone() { ! kill -0 "$instance" 2>/dev/null; }
wait_for 50 gone || fail "Corvalin still runs after 'corvalin quit'"
echo "command interface: all checks passed"
