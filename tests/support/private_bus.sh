# Sourced by the end-to-end scripts that need a D-Bus session bus of their own, so that what
# they own or start on it is seen by nobody else in the test session.
#   private_bus DIR [SERVICE_DIR]   starts a bus listening in DIR (a service folder makes it
#                                   start services on demand, as a desktop's bus does); sets
#                                   bus_pid and bus_address once it answers, returns 1 if not
private_bus() {
  local dir=$1 services=${2:-}
  mkdir -p "$dir"
  {
    echo '<busconfig>'
    echo '  <type>session</type>'
    echo "  <listen>unix:dir=$dir</listen>"
    echo '  <auth>EXTERNAL</auth>'
    [[ -n "$services" ]] && echo "  <servicedir>$services</servicedir>"
    echo '  <policy context="default">'
    echo '    <allow send_destination="*" eavesdrop="true"/>'
    echo '    <allow eavesdrop="true"/>'
    echo '    <allow own="*"/>'
    echo '  </policy>'
    echo '</busconfig>'
  } >"$dir/bus.conf"
  rm -f "$dir/address"
  dbus-daemon --config-file="$dir/bus.conf" --nofork --print-address=3 \
    3>"$dir/address" 2>"$dir/bus.log" &
  bus_pid=$!
  for _ in $(seq 100); do
    [[ -s "$dir/address" ]] && break
    sleep 0.05
  done
  [[ -s "$dir/address" ]] || return 1
  bus_address=$(head -n1 "$dir/address")
}
