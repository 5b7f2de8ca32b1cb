#!/usr/bin/env bash
# Bad input end to end, with the real executable in the test session: a settings file of
# random bytes, a 1×1 and a 20000×20000 picture pasted, a save onto a full disk and into a
# read-only folder, SIGTERM in the middle of a save, and the display going away under an open
# editor. Each case must end in a message or a clean exit, never a crash, and nothing the user
# made may be lost. The outcome of each case is written to ARTIFACTS/bad_input.txt.
#   bad_input.sh CORVALIN ARTIFACTS
set -euo pipefail
corvalin=$1
artifacts=$2
[[ -n "${DISPLAY:-}" ]] || { echo "needs the test session (no DISPLAY)"; exit 1; }

fail() { echo "FAIL: $*" >&2; exit 1; }
work=$(mktemp -d)
bus_pid=""
instance=""
xvfb=""
clip=""
mounts=()
cleanup() {
  [[ -n "$instance" ]] && kill -9 "$instance" 2>/dev/null || true
  [[ -n "$clip" ]] && kill "$clip" 2>/dev/null || true
  [[ -n "$xvfb" ]] && kill "$xvfb" 2>/dev/null || true
  [[ -n "$bus_pid" ]] && kill "$bus_pid" 2>/dev/null || true
  for m in "${mounts[@]}"; do umount -l "$m" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/runtime" "$artifacts"
chmod 700 "$work/runtime"
export XDG_RUNTIME_DIR=$work/runtime LANG=C.UTF-8
source "$(dirname "$0")/../support/private_bus.sh"
source "$(dirname "$0")/../support/waiting.sh"
private_bus "$work/bus" || fail "the test bus did not start: $(cat "$work/bus/bus.log")"
export DBUS_SESSION_BUS_ADDRESS=$bus_address
table=$artifacts/bad_input.txt
: >"$table"
row() { printf '%-26s %s\n' "$1" "$2" | tee -a "$table"; }

window() { first_window --onlyvisible --name "^$1\$"; }
has_window() { [[ -n "$(window "$1")" ]]; }
alive() { kill -0 "$instance" 2>/dev/null; }
copies() { ls "$XDG_STATE_HOME"/corvalin/recovery/*/documento.json 2>/dev/null | wc -l; }

# A fresh home for each case, in Spanish, saving into $2 (a folder of the work area by default).
home() {
  export HOME=$work/$1 XDG_CONFIG_HOME=$work/$1/.config XDG_STATE_HOME=$work/$1/state
  mkdir -p "$XDG_CONFIG_HOME/corvalin" "$work/$1/out"
  printf '[General]\nidioma=es\nsaveFolder=%s\n' "${2:-$work/$1/out}" \
    >"$XDG_CONFIG_HOME/corvalin/corvalin.conf"
}
start() {  # LOG ARGS...: Corvalin in the background
  local log=$1
  shift
  "$corvalin" "$@" >"$log" 2>&1 &
  instance=$!
}
stop() {
  kill "$instance" 2>/dev/null || true
  wait "$instance" 2>/dev/null || true
  instance=""
}
# A capture of the screen in the editor, turned with Ctrl+R so that there is work to lose.
edited_capture() {
  start "$work/$1.log" screen
  wait_for 150 has_window 1920×1080 || fail "$1: no editor opened: $(cat "$work/$1.log")"
  xdotool key --window "$(window 1920×1080)" ctrl+r
  wait_for 50 has_window 1080×1920 || fail "$1: Ctrl+R did not turn the capture"
  wait_for 50 bash -c "ls '$XDG_STATE_HOME'/corvalin/recovery/*/documento.json" ||
    fail "$1: the turned capture has no recovery copy"
}
save_and_expect_error() {  # CASE FOLDER
  xdotool key --window "$(window 1080×1920)" ctrl+s
  wait_for 100 has_window "No se pudo completar" || fail "$1: no message after a failed save"
  alive || fail "$1: Corvalin ended"
  has_window 1080×1920 || fail "$1: the editor closed although nothing was saved"
  [[ -z "$(ls -A "$2")" ]] || fail "$1: something was left in the folder: $(ls -A "$2")"
  [[ $(copies) -eq 1 ]] || fail "$1: the recovery copy went"
}

# 1. A settings file of random bytes.
home settings
head -c 8192 /dev/urandom >"$XDG_CONFIG_HOME/corvalin/corvalin.conf"
start "$work/settings.log"
sleep 3
alive || fail "random settings: Corvalin ended: $(cat "$work/settings.log")"
"$corvalin" quit || fail "random settings: 'corvalin quit' failed"
wait_for 100 bash -c "! kill -0 $instance" || fail "random settings: Corvalin did not quit"
code=0
wait "$instance" || code=$?
instance=""
[[ $code -eq 0 ]] || fail "random settings: exit status $code"
row "settings of random bytes" "started with defaults, quit with 0$([[ -e "$XDG_CONFIG_HOME/corvalin/corvalin.conf.damaged" ]] && echo ', file set aside as .damaged')"

# 2. A 1×1 picture pasted.
home paste
python3 - "$work/one.png" "$work/huge.png" <<'EOF'
import struct, sys, zlib

def png(path, w, h):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    row = b"\x00" + b"\xff\xff\xff" * w
    z = zlib.compressobj(1)
    body = b"".join(z.compress(row) for _ in range(h)) + z.flush()
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", body) + chunk(b"IEND", b""))

png(sys.argv[1], 1, 1)
png(sys.argv[2], 20000, 20000)
EOF
xclip -quiet -selection clipboard -t image/png -i "$work/one.png" >/dev/null 2>&1 &
clip=$!
sleep 0.3
start "$work/paste.log" paste
wait_for 150 has_window 1×1 || fail "1×1 paste: no editor for the picture: $(cat "$work/paste.log")"
row "1×1 picture pasted" "opened in the editor (1×1)"

# 3. A 20000×20000 picture pasted (2.3 MB of PNG, 1.6 GB once decoded).
kill "$clip" 2>/dev/null || true
xclip -quiet -selection clipboard -t image/png -i "$work/huge.png" >/dev/null 2>&1 &
clip=$!
sleep 0.3
"$corvalin" paste || fail "huge paste: the command was not handed over"
wait_for 150 has_window "No pude abrir la imagen del portapapeles" ||
  fail "huge paste: no message: $(cat "$work/paste.log")"
alive || fail "huge paste: Corvalin ended"
rss=$(ps -o rss= -p "$instance" | tr -d ' ')
[[ $rss -lt 1048576 ]] || fail "huge paste: Corvalin holds ${rss} KB"
has_window 1×1 || fail "huge paste: the open editor was lost"
row "20000×20000 picture pasted" "refused with a message, $((rss / 1024)) MB resident, editor kept"
kill "$clip" 2>/dev/null || true
clip=""
stop

# Small file systems need mounting: root, and a machine that lets it (not every container does).
mkdir -p "$work/full" "$work/ro"
if mount -t tmpfs -o size=4k tmpfs "$work/full" 2>/dev/null; then
  mounts+=("$work/full")
  # 4. A full disk: a 4 KB file system for a picture of about 12 KB.
  home fulldisk "$work/full"
  edited_capture fulldisk
  save_and_expect_error "full disk" "$work/full"
  stop
  row "save onto a full disk" "message, editor and recovery copy kept, no partial file"

  # 5. A read-only save folder.
  mount -t tmpfs -o ro,size=1m tmpfs "$work/ro"
  mounts+=("$work/ro")
  home readonly "$work/ro"
  edited_capture readonly
  save_and_expect_error "read-only folder" "$work/ro"
  stop
  row "save into a read-only folder" "message, editor and recovery copy kept"
else
  row "save onto a full disk" "not run (no permission to mount a file system)"
  row "save into a read-only folder" "not run (no permission to mount a file system)"
fi

# 6. SIGTERM in the middle of a save.
home sigterm
edited_capture sigterm
xdotool key --window "$(window 1080×1920)" ctrl+s
kill -TERM "$instance"
ended() { ! kill -0 "$instance" 2>/dev/null; }
if ! wait_for 150 ended; then
  gdb -p "$instance" -batch -ex "thread apply all bt" 2>&1 | grep -E '^(#|Thread)' | head -60 >&2 || true
  fail "SIGTERM during a save: Corvalin did not end: $(cat "$work/sigterm.log")"
fi
code=0
wait "$instance" || code=$?
instance=""
[[ $code -eq 0 ]] || fail "SIGTERM during a save: exit status $code"
out=$work/sigterm/out
[[ -z "$(ls -A "$out" | grep -v '\.png$' || true)" ]] || fail "SIGTERM: a partial file: $(ls -A "$out")"
saved=$(find "$out" -name "*.png" | wc -l)
if [[ $saved -eq 1 ]]; then
  [[ "$(identify -format '%wx%h' "$out"/*.png)" == 1080x1920 ]] || fail "SIGTERM: the saved picture is damaged"
  outcome="exit 0, the picture saved whole"
else
  [[ $(copies) -eq 1 ]] || fail "SIGTERM: neither a saved picture nor a recovery copy"
  outcome="exit 0, not saved yet: the recovery copy kept"
fi
row "SIGTERM during a save" "$outcome"

# 7. The display going away under an open editor.
home display
exec 5>"$work/display-number"
Xvfb -displayfd 5 -screen 0 1920x1080x24 -nolisten tcp -ac >/dev/null 2>&1 &
xvfb=$!
exec 5>&-
wait_for 50 test -s "$work/display-number" || fail "the second X server did not start"
main_display=$DISPLAY
export DISPLAY=:$(head -n1 "$work/display-number")
edited_capture display
kill "$xvfb"
wait "$xvfb" 2>/dev/null || true
xvfb=""
code=0
wait_for 100 ended || fail "display gone: Corvalin is still running"
wait "$instance" || code=$?
instance=""
[[ $code -lt 128 ]] || fail "display gone: Corvalin died of signal $((code - 128))"
[[ $(copies) -eq 1 ]] || fail "display gone: the recovery copy went"
export DISPLAY=$main_display
row "display killed under editor" "exit status $code (no crash), recovery copy kept"
echo "every bad-input case ended cleanly"
