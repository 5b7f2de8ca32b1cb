#!/usr/bin/env bash
# Corvalin's tray over StatusNotifierItem, the D-Bus tray most desktops use today. With a
# stand-in watcher and host (sni_host) on a private bus, the real corvalin registers its icon
# there instead of docking it in the XEmbed tray, and a host sees its picture, tooltip and whole
# menu; the menu's entries and the icon's activation reach the application. Then, with no tray
# of either kind (a bare X server, a bus without a watcher), Corvalin keeps running, says so
# once with a toast, and a second launch still reaches it.
#   tray_sni.sh CORVALIN SNI_HOST ARTIFACTS_DIR
# Every check runs even when an earlier one failed, unless it cannot; the failures are listed at
# the end and the exit status is 1 when there is any.
set -uo pipefail
corvalin=$1
host=$2
artifacts=$3
mkdir -p "$artifacts"
[[ -n "${DISPLAY:-}" ]] || { echo "needs the test session (no DISPLAY)"; exit 1; }
for tool in dbus-daemon Xvfb xdotool xprop xwininfo import convert tesseract; do
  command -v "$tool" >/dev/null || { echo "needs $tool (scripts/install-deps --test)"; exit 1; }
done

failures=()
problem() {
  echo "FAIL: $*" >&2
  failures+=("$*")
}
fatal() {
  echo "FAIL: $*" >&2
  failures+=("$*")
  finish
}
finish() {
  echo
  if [[ ${#failures[@]} -eq 0 ]]; then
    echo "ok: tray over StatusNotifierItem and without a tray; pictures in $artifacts"
    exit 0
  fi
  echo "${#failures[@]} check(s) failed:" >&2
  printf '  - %s\n' "${failures[@]}" >&2
  exit 1
}

work=$(mktemp -d /tmp/corvalin-sni.XXXXXX)
# The processes this script started and has not waited for yet: only these are ever stopped.
pids=()
forget_pid() {
  local keep=() p
  for p in "${pids[@]}"; do [[ "$p" == "$1" ]] || keep+=("$p"); done
  pids=("${keep[@]}")
}
# Stops one process this script started: SIGTERM, then SIGKILL after 5 s.
stop_pid() {
  local pid=$1
  if kill "$pid" 2>/dev/null; then
    for _ in $(seq 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null
  fi
  wait "$pid" 2>/dev/null
  forget_pid "$pid"
}
cleanup() {
  local all=("${pids[@]}") i
  for ((i = ${#all[@]} - 1; i >= 0; i--)); do stop_pid "${all[i]}"; done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

# A private session bus that starts nothing on demand, so that no test sharing the session's
# bus ever sees this test's watcher. Sets bus_address.
source "$(dirname "$0")/../support/private_bus.sh"
source "$(dirname "$0")/../support/waiting.sh"
start_bus() {
  private_bus "$work/$1" || fatal "the private bus $1 did not start: $(cat "$work/$1/bus.log")"
  pids+=("$bus_pid")
}

# Folders of its own for a corvalin: its single-instance lock lives in the runtime folder and
# its settings start fresh, in English. Sets corvalin_env for `env`.
corvalin_folders() {
  local dir="$work/$1"
  mkdir -p "$dir/run" "$dir/config/corvalin" "$dir/data" "$dir/cache"
  chmod 700 "$dir/run"
  printf '[General]\nidioma=en\n' >"$dir/config/corvalin/corvalin.conf"
  corvalin_env=(DBUS_SESSION_BUS_ADDRESS="$bus_address" XDG_RUNTIME_DIR="$dir/run"
    XDG_CONFIG_HOME="$dir/config" XDG_DATA_HOME="$dir/data" XDG_CACHE_HOME="$dir/cache")
}

root_window() { xwininfo -root | awk '/Window id:/ {print $4; exit}'; }

# "WIDTHxHEIGHT+X+Y" of a window, absolute.
geometry_of() {
  xwininfo -id "$1" 2>/dev/null | awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4}
    /Width:/ {w = $2} /Height:/ {h = $2} END {if (w != "") print w "x" h "+" x "+" y}'
}

# The windows of process $1 that something other than the root window holds: an XEmbed tray
# reparents the icons it docks.
docked_windows() {
  local root w parent
  root=$(root_window)
  for w in $(xdotool search --pid "$1" 2>/dev/null); do
    parent=$(xwininfo -id "$w" -children 2>/dev/null | awk '/Parent window id:/ {print $4; exit}')
    [[ -n "$parent" && $((parent)) -ne $((root)) ]] && echo "$w $(geometry_of "$w") in $parent"
  done
}

# Watches the toasts of process $1 until the file $3 disappears: one line per toast that comes
# on screen, "appeared SECONDS WINDOW GEOMETRY", in $2, with a picture of the screen beside it.
# A toast is a tooltip-type window of the process at the top of the screen, 240 to 460 wide.
watch_toasts() {
  local pid=$1 log=$2 flag=$3 start shown="" now w type g width y n=0
  start=$(date +%s.%N)
  while [[ -e "$flag" ]]; do
    now=""
    for w in $(xdotool search --all --onlyvisible --pid "$pid" --class '^corvalin$' 2>/dev/null); do
      type=$(xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null)
      [[ "$type" == *_NET_WM_WINDOW_TYPE_TOOLTIP* ]] || continue
      g=$(geometry_of "$w")
      width=${g%%x*}
      y=${g##*+}
      ((width >= 240 && width <= 460 && y >= 0 && y < 100)) || continue
      now+=" $w"
      if [[ " $shown " != *" $w "* ]]; then
        n=$((n + 1))
        echo "appeared $(echo "$(date +%s.%N) - $start" | bc) $w $g" >>"$log"
        import -window root "${log%.log}-$n.png" 2>/dev/null
      fi
    done
    shown=$now
    sleep 0.1
  done
}

# The dump's menu entries as fields split by \x1f: depth, id, type, enabled, visible, toggle,
# submenu, label (escaped as sni_host prints it).
entries() {
  sed -nE 's/^entry +depth=([0-9]+) id=([0-9]+) type=([^ ]+) enabled=([^ ]+) visible=([^ ]+) toggle=([^ ]+) submenu=([^ ]+) label="(.*)"$/\1\x1f\2\x1f\3\x1f\4\x1f\5\x1f\6\x1f\7\x1f\8/p' "$1"
}

# The entries of one level: the top one, or the submenu of the top-level entry whose label
# starts with $2. One line each: "enabled visible toggle |label", the label up to any tab, or
# "-" for a separator.
level_entries() {
  local dump=$1 parent=${2:-} inside=0 depth type enabled visible toggle label
  while IFS=$'\x1f' read -r depth _ type enabled visible toggle _ label; do
    if [[ -z "$parent" ]]; then
      [[ $depth -eq 0 ]] || continue
    else
      if [[ $depth -eq 0 ]]; then
        [[ "$label" == "$parent"* ]] && inside=1 || inside=0
        continue
      fi
      [[ $inside -eq 1 && $depth -eq 1 ]] || continue
    fi
    if [[ "$type" == separator ]]; then echo "-"; else echo "$enabled $visible $toggle |${label%%\\t*}"; fi
  done < <(entries "$dump")
}
# Their labels, "-" for separators; their states, separators left out.
level() { level_entries "$@" | sed 's/^[^|]*|//'; }
level_state() { level_entries "$@" | grep -vx -- '-'; }

# Compares a level with what it should hold; an expected entry ending in "*" is a prefix.
expect_level() {
  local what=$1 actual=$2
  shift 2
  local expected
  expected=$(printf '%s\n' "$@")
  local ok=1 a e i=0
  mapfile -t a_lines <<<"$actual"
  mapfile -t e_lines <<<"$expected"
  if [[ ${#a_lines[@]} -ne ${#e_lines[@]} ]]; then
    ok=0
  else
    for ((i = 0; i < ${#e_lines[@]}; i++)); do
      e=${e_lines[i]}
      a=${a_lines[i]}
      if [[ "$e" == *'*' ]]; then
        [[ "$a" == "${e%\*}"* ]] || ok=0
      else
        [[ "$a" == "$e" ]] || ok=0
      fi
    done
  fi
  if [[ $ok -eq 0 ]]; then
    problem "$what: expected [$(paste -sd'|' <<<"$expected")], got [$(paste -sd'|' <<<"$actual")]"
  fi
}

# Exactly one entry checked among those whose label matches the pattern $3 in level $2.
expect_one_checked() {
  local dump=$1 parent=$2 pattern=$3 what=$4 lines checked
  lines=$(level_state "$dump" "$parent" | grep -E "\|$pattern\$")
  if [[ -z "$lines" ]]; then
    problem "$what: no entries"
    return
  fi
  if grep -qvE '^true true (checkmark|radio):[01] ' <<<"$lines"; then
    problem "$what: every entry should be an enabled, visible checkmark or radio: $(paste -sd';' <<<"$lines")"
  fi
  checked=$(grep -cE '^true true (checkmark|radio):1 ' <<<"$lines")
  [[ $checked -eq 1 ]] || problem "$what: $checked entries checked, not 1: $(paste -sd';' <<<"$lines")"
}

# ---------------------------------------------------------------------------------------------
# 1. A desktop with a StatusNotifierItem tray (and, under it, the session's XEmbed tray).

start_bus sni
corvalin_folders sni
echo "private bus for the tray: $bus_address"

env DBUS_SESSION_BUS_ADDRESS="$bus_address" "$host" watch \
  >"$artifacts/sni-watcher.log" 2>&1 &
watcher_pid=$!
pids+=("$watcher_pid")
watcher_up() { grep -q '^ready$' "$artifacts/sni-watcher.log" || ! kill -0 $watcher_pid 2>/dev/null; }
wait_for 50 watcher_up
grep -q '^ready$' "$artifacts/sni-watcher.log" ||
  fatal "the stand-in watcher did not start: $(cat "$artifacts/sni-watcher.log")"
sni() { env DBUS_SESSION_BUS_ADDRESS="$bus_address" "$host" "$@"; }
sni wait-gone --wait-item 0 >/dev/null || fatal "the stand-in watcher does not answer on the private bus"

env "${corvalin_env[@]}" "$corvalin" >"$artifacts/sni-corvalin.log" 2>&1 &
pid=$!
pids+=("$pid")
started=$(date +%s.%N)
touch "$work/watching-sni"
: >"$artifacts/sni-toasts.log"
watch_toasts $pid "$artifacts/sni-toasts.log" "$work/watching-sni" &
pids+=("$!")
sni_toast_watcher=$!

dump="$artifacts/sni-dump.txt"
sni dump --wait-item 15 >"$dump" 2>"$artifacts/sni-dump.err"
status=$?
kill -0 $pid 2>/dev/null || fatal "corvalin exited at start: $(tail -n 20 "$artifacts/sni-corvalin.log")"
case $status in
  0) ;;
  3) fatal "no StatusNotifierItem registered with the watcher within 15 s: $(cat "$artifacts/sni-dump.err")" ;;
  *) problem "reading the item failed (status $status): $(cat "$artifacts/sni-dump.err")" ;;
esac
echo "--- what the host sees ($dump)"
cat "$dump"
echo "---"

field() { sed -nE "s/^$1 (.*)$/\1/p" "$dump" | head -n1; }

# The item itself.
[[ "$(field items.count)" == 1 ]] || problem "expected one registered item, the watcher has $(field items.count)"
[[ $(grep -c '^registered ' "$artifacts/sni-watcher.log") -eq 1 ]] ||
  problem "expected one registration, the watcher saw: $(grep '^registered' "$artifacts/sni-watcher.log" | paste -sd';')"
[[ "$(field item.Id)" == '"corvalin"' ]] || problem "item Id is $(field item.Id), not \"corvalin\""
title=$(field item.Title)
[[ "${title,,}" == '"corvalin"' ]] || problem "item Title is $title, not Corvalin's name"
[[ "$(field item.Status)" == '"Active"' ]] || problem "item Status is $(field item.Status), not \"Active\""
[[ "$(field item.Category)" == '"ApplicationStatus"' ]] ||
  problem "item Category is $(field item.Category), not \"ApplicationStatus\""

# Its picture: pixmaps of sane, square sizes, with data for every pixel and something drawn.
pixmaps=$(grep '^item.IconPixmap [0-9]' "$dump")
if [[ -z "$pixmaps" ]]; then
  problem "the item has no IconPixmap (IconName is $(field item.IconName))"
else
  biggest=0
  while read -r _ size bytes sizeok visible; do
    w=${size%x*}
    h=${size#*x}
    [[ $w -eq $h && $w -ge 8 && $w -le 256 ]] || problem "icon picture of odd size $size"
    [[ $sizeok == size-ok=true ]] || problem "icon picture $size has $bytes, not 4 per pixel"
    [[ ${visible#visible=} -gt 0 ]] || problem "icon picture $size is fully transparent"
    ((w > biggest)) && biggest=$w
  done <<<"$pixmaps"
  [[ $biggest -ge 22 ]] || problem "no icon picture of at least 22 px for a panel; largest is $biggest"
fi

# Its tooltip names the application.
[[ "$(field item.ToolTip.title)" == '"Corvalin"' ]] ||
  problem "the tooltip's title is $(field item.ToolTip.title), not \"Corvalin\""

# Its menu: the tray menu, entry by entry.
menu_path=$(field item.Menu)
if [[ -z "$menu_path" || "$menu_path" == '"/NO_DBUSMENU"' ]] || grep -q '^menu <none>' "$dump"; then
  problem "the item exports no com.canonical.dbusmenu menu (Menu is ${menu_path:-missing})"
fi

preferences="Settings…"
quit="Quit Corvalin"
top=("Capture Area" "Capture Window" "Capture Full Screen" -
  "Record Area" "Record Window" "Record Full Screen" -
  "Copy Text (OCR)" "Scrolling Capture" "Pick a Colour" -
  "Show Window" "Paste Image from Clipboard" -
  "Video Quality" "Upload to: *" -
  "Settings…" "About Corvalin" "Check for Updates…" "Quit Corvalin")
quality="Video Quality"
quality_entries=("Half — the lightest" "Normal — 1 pixel per point" "Retina — twice the size" -
  "15 frames per second" "30 frames per second" "50 frames per second"
  "60 frames per second" -
  "No audio" "System audio" "Microphone" "System + microphone" -
  "Start recording immediately" "3 s countdown" "5 s countdown" "10 s countdown")
upload="Upload to: "
upload_entries=("Corvalin Cloud" "Your own S3" - "Set Up…")

expect_level "the tray menu's entries" "$(level "$dump")" "${top[@]}"
# Every entry can be used, as in the XEmbed tray's menu.
not_usable=$(level_state "$dump" | grep -v '^true true ')
[[ -z "$not_usable" && -n "$(level_state "$dump")" ]] ||
  problem "top-level entries not enabled and visible: $(paste -sd';' <<<"${not_usable:-none at all}")"
expect_level "the $quality submenu" "$(level "$dump" "$quality")" "${quality_entries[@]}"
expect_one_checked "$dump" "$quality" '(Half|Normal|Retina) — .*' "video scale choices"
expect_one_checked "$dump" "$quality" '[0-9]+ frames per second' "frame rate choices"
expect_one_checked "$dump" "$quality" '(No audio|System audio|Microphone|System \+ microphone)' \
  "audio source choices"
expect_one_checked "$dump" "$quality" '(Start recording immediately|[0-9]+ s countdown)' \
  "countdown choices"
expect_level "the upload submenu" "$(level "$dump" "$upload")" "${upload_entries[@]}"
expect_one_checked "$dump" "$upload" '(Corvalin Cloud|Your own S3)' "upload destinations"
# The submenu's title names the destination that is checked in it.
target_title=$(level "$dump" | grep -F "$upload" | head -n1)
target_checked=$(level_state "$dump" "$upload" | grep -E '^true true (checkmark|radio):1 ' |
  sed 's/^[^|]*|//')
[[ "$target_title" == "$upload$target_checked" ]] ||
  problem "the upload submenu is titled \"$target_title\" but \"$target_checked\" is checked in it"
# A label is only the entry's text: no tab with a shortcut after it, no padding.
odd_labels=$(entries "$dump" | awk -F'\x1f' '$3 != "separator" {print $8}' |
  grep -E '\\t|\\n|^ | $' || true)
[[ -z "$odd_labels" ]] ||
  problem "menu labels with tabs, line breaks or padding: $(paste -sd';' <<<"$odd_labels")"

# Nothing docked in the XEmbed tray while the watcher is there.
docked=$(docked_windows $pid)
[[ -z "$docked" ]] || problem "an icon docked in the XEmbed tray beside the StatusNotifierItem: $docked"

# Activate, as a left click on the icon does: the tray menu opens at the pointer.
xdotool mousemove 400 300
sleep 0.2
sni activate 400 300 >/dev/null 2>"$work/activate.err" ||
  problem "Activate(400, 300) failed: $(cat "$work/activate.err")"
menu_window=""
for _ in $(seq 50); do
  for w in $(xdotool search --all --onlyvisible --pid $pid --class '^corvalin$' 2>/dev/null); do
    g=$(geometry_of "$w")
    [[ -n "$g" ]] || continue
    read -r gw gh gx gy < <(sed -E 's/([0-9]+)x([0-9]+)\+(-?[0-9]+)\+(-?[0-9]+)/\1 \2 \3 \4/' <<<"$g")
    if ((gw > 200 && gh > 300 && gx >= 390 && gx <= 410 && gy >= 290 && gy <= 310)); then
      menu_window=$g
    fi
  done
  [[ -n "$menu_window" ]] && break
  sleep 0.1
done
if [[ -n "$menu_window" ]]; then
  sleep 0.3
  import -window root "$artifacts/sni-activate-menu.png"
  xdotool key Escape
  sleep 0.3
else
  problem "Activate(400, 300) did not open the tray menu at the pointer; corvalin's windows: $(
    for w in $(xdotool search --all --onlyvisible --pid $pid --class '^corvalin$' 2>/dev/null); do
      printf '%s ' "$(geometry_of "$w")"; done)"
fi

# The Settings window of process $1, once it is on screen.
preferences_window() {
  xdotool search --all --onlyvisible --pid "$1" --name '^Corvalin Settings$' 2>/dev/null | head -n1
}
has_preferences() { [[ -n "$(preferences_window "$1")" ]]; }
gone() { ! kill -0 "$1" 2>/dev/null; }

# The Settings entry, clicked through the menu, opens the Settings window.
[[ -z "$(preferences_window $pid)" ]] || problem "the Settings window was open before any click"
sni click "$preferences" >"$work/click.out" 2>"$work/click.err" ||
  problem "clicking \"$preferences\" through dbusmenu failed: $(cat "$work/click.err")"
if wait_for 50 has_preferences $pid; then
  sleep 0.3
  import -window "$(preferences_window $pid)" "$artifacts/sni-preferences.png"
else
  problem "clicking \"$preferences\" through dbusmenu did not open the Settings window"
fi

# A StatusNotifierItem tray is a tray: no notice about a missing one. The notice comes 3 s after
# start, so watch for it a while longer than that.
while (($(echo "$(date +%s.%N) - $started < 5" | bc))); do sleep 0.2; done
rm -f "$work/watching-sni"
wait $sni_toast_watcher 2>/dev/null
forget_pid $sni_toast_watcher
[[ ! -s "$artifacts/sni-toasts.log" ]] ||
  problem "a toast appeared although the StatusNotifierItem tray is there: $(cat "$artifacts/sni-toasts.log")"
docked=$(docked_windows $pid)
[[ -z "$docked" ]] || problem "an icon docked in the XEmbed tray after a while: $docked"

# The quit entry ends Corvalin, and its icon leaves the watcher.
sni click "$quit" >"$work/click.out" 2>"$work/click.err" ||
  problem "clicking \"$quit\" through dbusmenu failed: $(cat "$work/click.err")"
if ! wait_for 100 gone $pid; then
  problem "clicking \"$quit\" through dbusmenu did not end corvalin within 10 s"
  stop_pid $pid
else
  wait $pid
  status=$?
  forget_pid $pid
  [[ $status -eq 0 ]] || problem "corvalin ended with status $status after \"$quit\""
  sni wait-gone --wait-item 5 >/dev/null 2>"$work/gone.err" ||
    problem "the icon stayed registered after corvalin quit: $(cat "$work/gone.err")"
fi
stop_pid $watcher_pid

# ---------------------------------------------------------------------------------------------
# 2. No tray at all: an X server with no tray host and a bus with no watcher.

exec 5>"$work/display"
Xvfb -displayfd 5 -screen 0 1280x800x24 -nolisten tcp -nolisten unix -ac \
  >"$work/xvfb.log" 2>&1 &
bare_xvfb=$!
pids+=("$bare_xvfb")
exec 5>&-
wait_for 50 test -s "$work/display" || fatal "the bare X server did not start: $(cat "$work/xvfb.log")"
DISPLAY=":$(head -n1 "$work/display")"
export DISPLAY
start_bus bare
corvalin_folders bare
echo "no tray: display $DISPLAY, private bus $bus_address"

env "${corvalin_env[@]}" "$corvalin" >"$artifacts/bare-corvalin.log" 2>&1 &
pid=$!
pids+=("$pid")
touch "$work/watching-bare"
toasts="$artifacts/bare-toasts.log"
: >"$toasts"  # the artifacts folder keeps the last run's
watch_toasts $pid "$toasts" "$work/watching-bare" &
pids+=("$!")
bare_toast_watcher=$!

# The notice comes once, about 3 s after start, and goes after a few seconds.
toast_or_end() { [[ -s "$toasts" ]] || ! kill -0 $pid 2>/dev/null; }
wait_for 150 toast_or_end
bare_server() { kill -0 "$bare_xvfb" 2>/dev/null && echo "running" || echo "gone: $(cat "$work/xvfb.log")"; }
kill -0 $pid 2>/dev/null ||
  fatal "corvalin exited without a tray: $(tail -n 20 "$artifacts/bare-corvalin.log")
the bare X server: $(bare_server)"
if [[ -s "$toasts" ]]; then
  read -r _ _ toast_window toast_geometry < <(head -n1 "$toasts")
  toast_gone() { ! xwininfo -id "$toast_window" 2>/dev/null | grep -q IsViewable; }
  wait_for 100 toast_gone || problem "the no-tray notice was still on screen 10 s after it appeared"
  # What it says, read off its picture.
  convert "$artifacts/bare-toasts-1.png" -crop "${toast_geometry}" +repage "$artifacts/bare-toast.png" &&
    convert "$artifacts/bare-toast.png" -colorspace Gray -negate -resize 300% "$work/toast-ocr.png" &&
    tesseract "$work/toast-ocr.png" "$work/toast-ocr" -l spa+eng >/dev/null 2>&1
  said=$(tr '\n' ' ' <"$work/toast-ocr.txt" 2>/dev/null)
  grep -qiE 'bandeja del sistema|system tray' <<<"$said" ||
    problem "the toast does not say that there is no system tray; it reads: \"$said\""
else
  problem "no toast said that there is no system tray within 15 s"
fi
# Another 3 s with nothing new, then Corvalin is still there.
sleep 3
kill -0 $pid 2>/dev/null || fatal "corvalin exited after the no-tray notice: $(tail -n 20 "$artifacts/bare-corvalin.log")"

# A second launch still reaches the running instance.
[[ -z "$(preferences_window $pid)" ]] || problem "without a tray, the Settings window was open before any request"
timeout 10 env "${corvalin_env[@]}" "$corvalin" --action openPreferences \
  >"$work/second.log" 2>&1
status=$?
[[ $status -eq 0 ]] || problem "corvalin --action openPreferences ended with status $status: $(cat "$work/second.log")"
if wait_for 50 has_preferences $pid; then
  sleep 0.3
  import -window "$(preferences_window $pid)" "$artifacts/bare-preferences.png"
else
  problem "without a tray, corvalin --action openPreferences did not open the Settings window"
fi
sleep 1
rm -f "$work/watching-bare"
wait $bare_toast_watcher 2>/dev/null
forget_pid $bare_toast_watcher
shown=$(grep -c '^appeared ' "$toasts" 2>/dev/null)
[[ "${shown:-0}" -eq 1 ]] || problem "the no-tray notice should show once, it showed ${shown:-0} times: $(paste -sd';' "$toasts" 2>/dev/null)"

kill -TERM $pid
if ! wait_for 50 gone $pid; then
  problem "corvalin did not end on SIGTERM"
  stop_pid $pid
else
  wait $pid
  status=$?
  forget_pid $pid
  [[ $status -eq 0 ]] || problem "corvalin ended with status $status on SIGTERM"
fi

finish
