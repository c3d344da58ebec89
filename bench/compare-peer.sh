#!/bin/bash
# Morlake against a peer reverb, in one run: the same 60-second stereo
# programme at 48 kHz through Morlake (the lightest and the slowest factory
# preset, "1 to Morlake", the heaviest settings) and through the Dragonfly Hall Reverb VST 2.4 plug-in,
# with the same block sizes. The plug-ins take turns every half second of audio
# so the machine's noise falls on all of them alike. Prints, per configuration
# and block size, times faster than real time (by CPU time), the median,
# 99.9th-percentile and worst block time and their ratios to the median, and
# Morlake's speed as a ratio of the peer's (by CPU time and by median block).
#
# usage: bench/compare-peer.sh [BUILD_DIR] [-- extra morlake-bench options]
#   BUILD_DIR defaults to ./build; e.g. -- --seconds 20 --repeat 3
set -euo pipefail

build=${1:-build}
[ $# -gt 0 ] && shift
[ "${1:-}" = "--" ] && shift

bench="$build/bench/morlake-bench"
morlake="$build/Morlake.vst/Contents/x86_64-linux/Morlake.so"
for f in "$bench" "$morlake"; do
  if [ ! -e "$f" ]; then
    echo "compare-peer: $f is missing; build the targets morlake-bench and Morlake first" >&2
    exit 1
  fi
done

if ! dpkg -s dragonfly-reverb-vst >/dev/null 2>&1; then
  echo "compare-peer: installing dragonfly-reverb-vst" >&2
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get install -y dragonfly-reverb-vst >&2 || { $sudo apt-get update >&2 && $sudo apt-get install -y dragonfly-reverb-vst >&2; }
fi
peer=$(dpkg -L dragonfly-reverb-vst | grep -E '/DragonflyHallReverb[^/]*\.so$' | head -n 1)
if [ -z "$peer" ] || [ ! -e "$peer" ]; then
  echo "compare-peer: no Dragonfly Hall Reverb module in dragonfly-reverb-vst" >&2
  exit 1
fi

echo "Morlake: $morlake"
echo "peer:    $peer (dragonfly-reverb-vst $(dpkg-query -W -f='${Version}' dragonfly-reverb-vst))"
echo "machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
echo
# The peer is given last: the last two columns are Morlake's speed over it.
exec "$bench" --plugin "$morlake" --plugin "$peer" --reference --config light,base,slowest,heavy --blocks 64,512 --seconds 60 "$@"
