#!/bin/bash
# What an open editor costs while audio plays: morlake-host --editor idles the
# editor every 20 ms on its main screen with a test tone running through the
# plug-in. Per screen size, the share of one core spent in the editor's idle
# calls (CPU time of the host's thread in them; the audio itself is not
# counted) and by the X server drawing what they send, over SECONDS of
# steady state. CPU time, not wall time: the figures hold on a busy machine,
# where waiting for the X server or for a core would count too.
#
# usage: bench/editor-idle-cost.sh [BUILD_DIR] [SECONDS]
set -euo pipefail

build=${1:-build}
seconds=${2:-10}
host="$build/tools/morlake-host"
[ -x "$host" ] || { echo "editor-idle-cost: $host is missing; build morlake-host first" >&2; exit 1; }

ticks=$(getconf CLK_TCK)
cpuTicks () { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

exec 3< <(Xvfb -displayfd 1 -screen 0 2600x1600x24 -nolisten tcp 2>/dev/null)
xvfb=$!
read -r display <&3
trap 'kill $xvfb 2>/dev/null' EXIT
export DISPLAY=":$display"

printf '%-6s %12s %12s %12s %18s\n' size "host idle %" "X server %" "total %" "idle CPU ms/call"
for size in 100 125 150 200; do
  log=$(mktemp)
  # The editor opens on its back screen: a click at the top leaves it.
  "$host" --editor --size "$size" --click 300,20 >"$log" 2>&1 &
  pid=$!
  sleep 2
  x0=$(cpuTicks "$xvfb")
  sleep "$seconds"
  x1=$(cpuTicks "$xvfb")
  kill -TERM "$pid"
  wait "$pid" || true
  # The host reports its idle calls' average time after the first two
  # seconds (opening, the first full draws) when it stops.
  idleMs=$(sed -n 's/.*CPU \([0-9.]*\) ms).*/\1/p' "$log")
  rm -f "$log"
  awk -v s="$size" -v ms="${idleMs:-0}" -v dx=$((x1 - x0)) -v t="$ticks" -v secs="$seconds" 'BEGIN {
    host = 100 * ms / 20; x = 100 * dx / t / secs;
    printf "%-6s %12.2f %12.2f %12.2f %18.3f\n", s "%", host, x, host + x, ms }'
done
