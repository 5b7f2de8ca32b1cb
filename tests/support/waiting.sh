# Sourced by the end-to-end scripts.
#   wait_for TENTHS CMD...   runs CMD every tenth of a second until it succeeds; returns 1 if
#                            it never did within TENTHS tries
wait_for() {
  local tries=$1
  shift
  for _ in $(seq "$tries"); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

#   first_window ARGS...     the first window `xdotool search ARGS...` finds, or nothing. A
#                            window that goes while xdotool walks the tree fails the whole
#                            search (BadWindow), so a failed search is asked again.
first_window() {
  local w=""
  for _ in 1 2 3 4 5; do
    w=$(xdotool search "$@" 2>/dev/null | head -n1) && [[ -n "$w" ]] && break
    sleep 0.1
  done
  echo "$w"
}
