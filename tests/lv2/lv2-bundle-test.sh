#!/usr/bin/env bash
# Morlake.lv2 through the LV2 tools: the validator accepts its Turtle, lilv
# lists it with its ports and presets, and lv2apply renders the
# demonstration like the VST 2.4 build (the defaults, and "1 to Morlake" set
# port by port).
#   lv2-bundle-test.sh LV2_BUNDLE VST_MODULE MORLAKE_RENDER TESTTOOL WORK_DIR
set -euo pipefail
bundle=$1 vst=$2 render=$3 tool=$4 work=$5
uri=https://aldermoor.example/lv2/morlake

fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work/lv2" "$work/home"
work=$(cd "$work" && pwd)
cp -r "$bundle" "$work/lv2/"
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
export LV2_PATH=$work/lv2:/usr/lib/lv2
cd "$work"

# 1. The Turtle against the installed LV2 schemas.
lv2_validate lv2/Morlake.lv2/*.ttl > validate.log 2>&1 || true
grep -v '^Skipping' validate.log
grep -q '^Found 0 errors' validate.log || fail "lv2_validate reports errors"

# 2. lilv's view: the plug-in, its 84 ports, the side chain, the presets.
lv2ls | grep -qx "$uri" || fail "lv2ls does not list $uri"
lv2info "$uri" > info.txt || fail "lv2info"
grep -q 'Name: *Morlake' info.txt || fail "lv2info: no name"
ports=$(grep -c '^[[:space:]]*Port [0-9]*:' info.txt)
[ "$ports" = 84 ] || fail "lv2info lists $ports ports, not 84"
grep -q 'isSideChain' info.txt || fail "lv2info: no side-chain port"
grep -q 'connectionOptional' info.txt || fail "lv2info: the event port is not optional"
# The preset labels follow "Presets:", one a line, up to the first port.
presets=$(awk '/^\tPresets:/ { on = 1; next } /^\tPort 0:/ { on = 0 } on && NF' info.txt | wc -l)
[ "$presets" = 57 ] || fail "lv2info lists $presets presets, not 57"
grep -q '^[[:space:]]*1 to Morlake$' info.txt || fail "lv2info: no preset 1 to Morlake"
grep -q 'ui#X11UI' info.txt || echo "note: no UI listed (a build without the editor)"
echo "lv2info: $ports ports, $presets presets"

# 3. Renders: the VST 2.4 module and lv2apply on the same input.
"$tool" demo demo.wav demo4.wav 44100
compare() { # name, extra render options..., -- , lv2apply controls...
  local name=$1; shift
  local vst_opts=() lv2_opts=()
  while [ "$1" != -- ]; do vst_opts+=("$1"); shift; done; shift
  lv2_opts=("$@")
  "$render" --plugin "$vst" --quiet --tail 0 --block "${LV2APPLY_BLOCK:-1}" "${vst_opts[@]}" -o "vst-$name.wav" demo.wav ||
    fail "VST 2.4 render ($name)"
  lv2apply -i demo4.wav -o "lv2-$name.wav" "${lv2_opts[@]}" "$uri" > "lv2apply-$name.log" 2>&1 ||
    { cat "lv2apply-$name.log"; fail "lv2apply ($name)"; }
  echo -n "$name: "
  "$tool" compare "vst-$name.wav" "lv2-$name.wav" "${LV2_RENDER_LIMIT_DB:--200}" || fail "the LV2 render ($name) differs"
}
compare defaults --
# Presets set port by port with the values the generated presets carry.
# "1 to Morlake" is a new instance's program: beside the VST 2.4 build's
# own program load. The others beside the VST 2.4 build given the same
# values as normalised parameters (ports carry no reverb-character slots).
ports_of() {
  awk -v label="rdfs:label \"$1\"" 'BEGIN { RS = "" } index($0, label) {
      n = split($0, lines, "\n")
      for (i = 1; i <= n; ++i)
        if (match(lines[i], /lv2:symbol "[a-z0-9_]+" ; pset:value [-+0-9.e]+/)) {
          split(substr(lines[i], RSTART, RLENGTH), f, /"| /)
          print "-c"; print f[3]; print f[7]
        }
    }' lv2/Morlake.lv2/presets.ttl
}
for preset in "1 to Morlake" "classic Hall Long 04" "drum Follower SnareDown" "percussion Orbit Reflect"; do
  mapfile -t controls < <(ports_of "$preset")
  [ "${#controls[@]}" = $((3 * 77)) ] || fail "found ${#controls[@]} words of controls for $preset"
  if [ "$preset" = "1 to Morlake" ]; then
    vst_args=(--preset "$preset")
  else
    mapfile -t vst_args < <("$tool" norm-args "$preset")
  fi
  compare "${preset// /-}" "${vst_args[@]}" -- "${controls[@]}"
done
echo PASS
