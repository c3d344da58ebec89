#!/usr/bin/env bash
# Morlake's LV2 build in Debian's Ardour 7 (headless, dummy backend): a
# session with the plug-in on a track, a factory preset and changed
# controls, saved, reopened in a new process and compared.
#   ardour-lv2-test.sh LV2_BUNDLE WORK_DIR ARDOUR_LUA
set -euo pipefail
bundle=$1 work=$2 ardour_lua=$3
here=$(cd "$(dirname "$0")" && pwd)
uri=https://aldermoor.example/lv2/morlake

rm -rf "$work"
mkdir -p "$work/lv2" "$work/home"
work=$(cd "$work" && pwd)
cp -r "$bundle" "$work/lv2/"
export HOME=$work/home
export XDG_CONFIG_HOME=$HOME/.config XDG_CACHE_HOME=$HOME/.cache XDG_DATA_HOME=$HOME/.local/share
export LV2_PATH=$work/lv2:/usr/lib/lv2

fail() { echo "FAIL: $*" >&2; exit 1; }

session=$work/session
timeout 60 "$ardour_lua" "$here/create-lv2-session.lua" "$session" morlake "$uri" "$work/values.txt" ||
  fail "creating the session"
grep -q "aldermoor.example/lv2/morlake" "$session/morlake.ardour" || fail "the session does not name the LV2 plug-in"
timeout 60 "$ardour_lua" "$here/reload-lv2-session.lua" "$session" morlake "$work/values.txt" ||
  fail "the reloaded session differs"
# The plug-in's state as Ardour saved it, both times: the same state
# folder, or folders with the same Turtle.
dir_of() { grep -o 'state-dir="[^"]*"' "$1" | head -n 1 | cut -d'"' -f2; }
first=$(dir_of "$session/morlake.ardour") second=$(dir_of "$session/reloaded.ardour")
[ -n "$first" ] && [ -n "$second" ] || fail "no plug-in state in the saved sessions"
state_first=$(find "$session/plugins" -path "*/$first/state.ttl" | head -n 1)
state_second=$(find "$session/plugins" -path "*/$second/state.ttl" | head -n 1)
grep -q 'aldermoor.example/lv2/morlake#state' "$state_first" || fail "Ardour saved no Morlake state"
cmp -s "$state_first" "$state_second" || { diff "$state_first" "$state_second" | head; fail "the state saved after reload differs"; }
echo "state: saved again after reload as it was ($first, $second)"
echo PASS
