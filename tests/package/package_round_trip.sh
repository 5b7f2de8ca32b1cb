#!/usr/bin/env bash
# The Debian package from `make package`, built from this tree: lintian finds no error in it;
# unpacked into a private folder (no root needed) the binary shows its help, finds its helper,
# its text-recognition module and every library, and takes a full-screen capture; as root it
# is installed with dpkg, started for a command through its D-Bus service file, used for a
# capture, and removed leaving none of its files behind.
#   package_round_trip.sh BUILD_DIR
set -euo pipefail
build=$1
[[ -n "${DISPLAY:-}" ]] || { echo "needs the test session (no DISPLAY)"; exit 1; }
fail() { echo "FAIL: $*" >&2; exit 1; }
work=$(mktemp -d)
bus_pid=""
installed=0
cleanup() {
  [[ -n "$bus_pid" ]] && kill "$bus_pid" 2>/dev/null || true
  if ((installed)); then dpkg -P corvalin >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  fail "cpack: $(tail -20 "$work/cpack.log")"
deb=$(ls "$work"/out/corvalin_*.deb)
version=$(dpkg-deb -f "$deb" Version)
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+-[0-9]+$ ]] || fail "odd version '$version'"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libtesseract5 libavcodec59 qt6-qpa-plugins tesseract-ocr-spa; do
  grep -q "$needed" <<<"$depends" || fail "Depends lacks $needed: $depends"
done

# Lintian: errors fail the test; what remains is printed for the record.
lintian --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 || true
cat "$work/lintian.log"
grep -q '^E:' "$work/lintian.log" && fail "lintian reports errors"

# Every file the package ships, for the checks below.
files=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's#^\./#/#' | grep -v '/$')
for f in /usr/bin/corvalin /usr/bin/corvalin-screenshot /usr/libexec/corvalin/corvalin-screenshot-ui \
  /usr/lib/corvalin/modules/corvalin-ocr.so /usr/share/dbus-1/services/app.corvalin.Corvalin.service \
  /usr/share/applications/app.corvalin.Corvalin.desktop /usr/share/metainfo/app.corvalin.Corvalin.metainfo.xml \
  /usr/share/man/man1/corvalin.1.gz /usr/share/icons/hicolor/scalable/apps/app.corvalin.Corvalin.svg; do
  grep -qx "$f" <<<"$files" || fail "the package lacks $f"
done

check_tree() {  # ROOT: the binaries under ROOT/usr work
  local root=$1 bin=$1/usr/bin/corvalin
  "$bin" --help | grep -q 'record-window' || fail "$bin --help"
  for lib in "$bin" "$root/usr/lib/corvalin/modules/corvalin-ocr.so" \
    "$root/usr/libexec/corvalin/corvalin-screenshot-ui"; do
    if ldd "$lib" | grep -q 'not found'; then fail "$lib: $(ldd "$lib" | grep 'not found')"; fi
  done
  rm -f "$work/shot.png"
  timeout 20 "$bin" screen --output "$work/shot.png" || fail "$bin screen --output failed"
  [[ $(identify -format '%m %wx%h' "$work/shot.png") == "PNG 1920x1080" ]] ||
    fail "$bin screen --output wrote $(identify "$work/shot.png" 2>&1)"
}

# Unpacked where any user can: the tree finds its own parts.
dpkg-deb -x "$deb" "$work/root"
check_tree "$work/root"
echo "package: unpacked copy works"

if [[ $(id -u) -ne 0 ]]; then
  echo "package: not root, so dpkg -i is not tried"
  exit 0
fi
if dpkg -s corvalin >/dev/null 2>&1; then
  fail "a corvalin package is already installed on this machine; remove it first"
fi
dpkg -i "$deb" >"$work/dpkg.log" 2>&1 || fail "dpkg -i: $(cat "$work/dpkg.log")"
installed=1
check_tree ""

# A command starts the installed Corvalin through the package's own service file.
mkdir -p "$work/runtime" "$work/home/.config/corvalin"
chmod 700 "$work/runtime"
export XDG_RUNTIME_DIR=$work/runtime HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
source "$(dirname "$0")/../support/private_bus.sh"
private_bus "$work/bus" /usr/share/dbus-1/services || fail "the test bus did not start"
export DBUS_SESSION_BUS_ADDRESS=$bus_address
timeout 30 /usr/bin/corvalin show || fail "the installed corvalin did not hand over show: $(cat "$work/bus/bus.log")"
grep -q "Successfully activated service 'app.corvalin.Corvalin'" "$work/bus/bus.log" ||
  fail "the bus did not start the installed Corvalin: $(cat "$work/bus/bus.log")"
timeout 10 /usr/bin/corvalin quit || fail "'corvalin quit' was not handed over"
for _ in $(seq 50); do pgrep -x corvalin >/dev/null || break; sleep 0.1; done
pgrep -a -x corvalin && fail "the installed Corvalin did not quit"

dpkg -P corvalin >"$work/dpkg.log" 2>&1 || fail "dpkg -P: $(cat "$work/dpkg.log")"
installed=0
dpkg -s corvalin >/dev/null 2>&1 && fail "dpkg still lists corvalin after removal"
while read -r f; do
  [[ -e "$f" ]] && fail "$f is left behind after removal"
done <<<"$files"
echo "package: installed, used and removed cleanly"
