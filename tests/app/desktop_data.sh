#!/usr/bin/env bash
# What the desktop reads about Corvalin passes the desktop's own validators: the launcher, the
# software-centre description (and every screenshot it names is in docs/screenshots at the
# size it declares), the manual pages, and the icon at each size it claims.
#   desktop_data.sh SOURCE_DIR
set -euo pipefail
src=$1
fail() { echo "FAIL: $*" >&2; exit 1; }

out=$(desktop-file-validate "$src/data/app.corvalin.Corvalin.desktop" 2>&1) ||
  fail "desktop-file-validate: $out"
grep -v ': hint: ' <<<"$out" | grep -q . && fail "desktop-file-validate: $out"

metainfo=$src/data/app.corvalin.Corvalin.metainfo.xml
out=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli: $out"
grep -qE '^[EW]:' <<<"$out" && fail "appstreamcli: $out"

for page in "$src/data/man/corvalin.1" "$src/data/man/es/corvalin.1"; do
  out=$(groff -man -Tutf8 -ww -z "$page" 2>&1)
  [[ -z "$out" ]] || fail "groff on $page: $out"
  lexgrog "$page" >/dev/null || fail "lexgrog can't read the NAME section of $page"
done

found=0
while read -r width height url; do
  file=$src/docs/screenshots/${url##*/}
  [[ -f "$file" ]] || fail "the metainfo names $url, which is not in docs/screenshots"
  [[ $(identify -format '%wx%h' "$file") == "${width}x${height}" ]] ||
    fail "$file is $(identify -format '%wx%h' "$file"), the metainfo says ${width}x${height}"
  found=$((found + 1))
done < <(sed -nE 's#.*<image [^>]*width="([0-9]+)" height="([0-9]+)"[^>]*>([^<]+)</image>.*#\1 \2 \3#p' "$metainfo")
((found >= 3)) || fail "the metainfo names $found screenshots"

icons=$src/data/icons/hicolor
xmllint --noout "$icons/scalable/apps/app.corvalin.Corvalin.svg" || fail "the scalable icon is not well-formed"
for dir in "$icons"/*x*/; do
  size=$(basename "$dir")
  png=$dir/apps/app.corvalin.Corvalin.png
  [[ $(identify -format '%m %wx%h' "$png") == "PNG $size" ]] || fail "$png is not a $size PNG"
done
[[ $(ls -d "$icons"/*x*/ | wc -l) -ge 8 ]] || fail "too few icon sizes"
echo "desktop data: all checks passed"
