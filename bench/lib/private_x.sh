# Sourced by the benchmarks that run on an X server of their own.
#   bench_work NAME       a work folder in $work, removed on exit with every process in $pids
#   start_x BASE SIZE     Xvfb on a free-ish display :BASE+0..8 of SIZE (WxH), as $DISPLAY,
#                         once it answers; its process joins $pids
bench_work() {
  work=$(mktemp -d "/tmp/corvalin-$1.XXXXXX")
  pids=()
  trap bench_cleanup EXIT
}
bench_cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
start_x() {
  local display=:$(($1 + RANDOM % 9))
  Xvfb "$display" -screen 0 "$2x24" -nolisten tcp >"$work/xvfb.log" 2>&1 &
  pids+=($!)
  export DISPLAY=$display
  for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
}
