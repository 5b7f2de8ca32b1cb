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
