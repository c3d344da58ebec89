#!/bin/bash
# Morlake's LV2 build beside its VST 2.4 build and Dragonfly Hall's LV2
# build, in one run of morlake-lv2-bench: the same stereo noise at 48 kHz,
# taking turns every half second of audio; the defaults (the first program)
# and then "1 to Morlake" loaded through each format's own preset path.
#
# usage: bench/compare-lv2.sh [BUILD_DIR] [-- extra morlake-lv2-bench options]
set -euo pipefail

build=${1:-build}
[ $# -gt 0 ] && shift
[ "${1:-}" = "--" ] && shift

bench="$build/bench/morlake-lv2-bench"
vst="$build/Morlake.vst/Contents/x86_64-linux/Morlake.so"
for f in "$bench" "$vst" "$build/Morlake.lv2/manifest.ttl"; do
  if [ ! -e "$f" ]; then
    echo "compare-lv2: $f is missing; build morlake-lv2-bench, Morlake and morlake_lv2_bundle first" >&2
    exit 1
  fi
done
if ! dpkg -s dragonfly-reverb-lv2 >/dev/null 2>&1; then
  echo "compare-lv2: installing dragonfly-reverb-lv2" >&2
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get install -y dragonfly-reverb-lv2 >&2
fi
# Only this build's bundle beside the system's.
lv2dir=$(mktemp -d)
trap 'rm -rf "$lv2dir"' EXIT
ln -s "$(cd "$build" && pwd)/Morlake.lv2" "$lv2dir/Morlake.lv2"
export LV2_PATH=$lv2dir:/usr/lib/lv2
peer=https://github.com/michaelwillis/dragonfly-reverb # Dragonfly Hall Reverb

echo "machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg); peer dragonfly-reverb-lv2 $(dpkg-query -W -f='${Version}' dragonfly-reverb-lv2)"
for block in 64 512; do
  "$bench" --lv2 https://aldermoor.example/lv2/morlake --vst "$vst" --lv2 "$peer" --block "$block" "$@"
done
"$bench" --lv2 https://aldermoor.example/lv2/morlake --vst "$vst" --preset "1 to Morlake" --block 512 "$@"
