#!/usr/bin/env bash
# morlake-render renders "1 to Morlake" through Morlake.clap to the same
# samples as through the VST 2.4 build.
#   render-same.sh MORLAKE_RENDER VST2_SO CLAP WORK_DIR
set -euo pipefail
render=$1 vst=$2 clap=$3 work=$4
mkdir -p "$work"
"$render" --quiet --plugin "$vst" --preset "1 to Morlake" -o "$work/vst2.wav"
"$render" --quiet --plugin "$clap" --preset "1 to Morlake" -o "$work/clap.wav"
# The samples from the "data" chunk on (the PEAK chunk before it holds the time of writing).
data() { grep -obUa data "$1" | head -n 1 | cut -d: -f1; }
[ "$(data "$work/vst2.wav")" = "$(data "$work/clap.wav")" ] || { echo "FAIL: the files differ in layout"; exit 1; }
cmp -i "$(data "$work/vst2.wav")" "$work/vst2.wav" "$work/clap.wav" || { echo "FAIL: the CLAP render differs"; exit 1; }
echo "PASS: $(stat -c %s "$work/clap.wav") bytes, the same samples through both formats"
