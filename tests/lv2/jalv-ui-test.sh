#!/usr/bin/env bash
# The LV2 UI in jalv (GTK 3), under a private Xvfb with JACK's dummy back
# end: the editor opens embedded in jalv's window, a drag on the ROOM SIZE
# knob reaches the plug-in, and jalv's saved state shows it, in the control
# port's value and in the plug-in's own state block.
#   jalv-ui-test.sh LV2_BUNDLE WORK_DIR
set -euo pipefail
bundle=$1 work=$2
uri=https://aldermoor.example/lv2/morlake

rm -rf "$work"
mkdir -p "$work/lv2" "$work/home" "$work/artefacts"
work=$(cd "$work" && pwd)
cp -r "$bundle" "$work/lv2/"
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_CACHE_HOME=$work/home/.cache
export LV2_PATH=$work/lv2:/usr/lib/lv2

pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap cleanup EXIT
fail() {
  DISPLAY=$display import -window root "$work/artefacts/failure.png" 2>/dev/null || true
  echo "FAIL: $*" >&2
  exit 1
}

# A display and a JACK server of our own.
for n in $(seq 70 99); do [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break; done
display=:$n
Xvfb "$display" -screen 0 1600x1200x24 -nolisten tcp > "$work/artefacts/xvfb.log" 2>&1 &
pids+=($!)
jack=morlake-lv2-ui-$$
jackd -n "$jack" -d dummy -r 48000 -p 256 > "$work/artefacts/jackd.log" 2>&1 &
pids+=($!)
export DISPLAY=$display JACK_DEFAULT_SERVER=$jack
for _ in $(seq 50); do xdpyinfo > /dev/null 2>&1 && break; sleep 0.1; done
sleep 1

cd "$work/home"
timeout 90 jalv.gtk3 "$uri" > "$work/artefacts/jalv.log" 2>&1 &
pids+=($!)
jalv_pid=$!

# jalv's window; the editor is the plug-in's own X window inside it.
window=""
for _ in $(seq 100); do
  window=$(xdotool search --name '^Morlake$' 2>/dev/null | head -n 1) && [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { cat "$work/artefacts/jalv.log"; fail "jalv opened no Morlake window"; }
sleep 2
xwininfo -root -tree > "$work/artefacts/windows.txt"
grep -q '1100x712' "$work/artefacts/windows.txt" || fail "no editor of 1100 x 712 in jalv's window"
eval "$(xdotool getwindowgeometry --shell "$window")"
top=$((Y + 25)) # below jalv's menu bar
import -window root "$work/artefacts/opened.png"

# A first click leaves the welcome page (when shown) for the controls; then
# the ROOM SIZE knob is dragged upwards.
xdotool mousemove $((X + 900)) $((top + 680)) click 1
sleep 1
knob_x=$((X + 560)) knob_y=$((top + 190))
xdotool mousemove "$knob_x" "$knob_y" mousedown 1
for dy in 5 10 20 30 40 60 80; do xdotool mousemove "$knob_x" $((knob_y - dy)); sleep 0.05; done
xdotool mouseup 1
sleep 1
import -window root "$work/artefacts/dragged.png"

# File > Save, into "saved" below jalv's home.
xdotool mousemove $((X + 17)) $((Y + 11)) click 1
sleep 1
xdotool mousemove $((X + 45)) $((Y + 37)) click 1
dialog=""
for _ in $(seq 50); do
  dialog=$(xdotool search --name '^Save State$' 2>/dev/null | head -n 1) && [ -n "$dialog" ] && break
  sleep 0.1
done
[ -n "$dialog" ] || fail "jalv's Save State dialog did not open"
xdotool windowfocus --sync "$dialog"
eval "$(xdotool getwindowgeometry --shell "$dialog")"
xdotool mousemove $((X + 500)) $((Y + 26)) click 1
sleep 0.3
xdotool type --delay 30 saved
sleep 0.5
# The dialog's Save button, at its lower right corner.
xdotool mousemove $((X + WIDTH - 50)) $((Y + HEIGHT - 24)) click 1
state=$work/home/saved/state.ttl
for _ in $(seq 50); do [ -s "$state" ] && break; sleep 0.1; done
[ -s "$state" ] || fail "jalv saved no state"
cp "$state" "$work/artefacts/"

# The port as jalv holds it, and the plug-in's state block (tag 16 after the
# 8-byte header), against the default of the first program.
default=$(awk '/lv2:symbol "reverb_room_size"/ { on = 1 } on && /lv2:default/ { print $2; exit }' \
            "$work/lv2/Morlake.lv2/Morlake.ttl")
port=$(awk '/lv2:symbol "reverb_room_size"/ { on = 1; next } on && /pset:value/ { print $2; exit }' "$state")
block=$(awk '/morlake#state> """/ { on = 1; sub(/.*"""/, "") } on { text = text $0 } on && /"""/ { sub(/""".*/, "", text); print text; exit }' "$state" |
          tr -d ' \t' | base64 -d | od -A n -t f4 -j $((8 + 16 * 4)) -N 4 | tr -d ' ')
echo "ROOM SIZE: default $default %, after the drag: port $port %, plug-in value $block"
[ -n "$port" ] && [ -n "$block" ] || fail "the saved state has no ROOM SIZE"
awk -v a="$port" -v b="$default" 'BEGIN { exit !(a > b + 0.5) }' || fail "the drag did not raise the ROOM SIZE port"
awk -v p="$port" -v v="$block" 'BEGIN { exit !(p / 100 - v < 1e-6 && v - p / 100 < 1e-6) }' ||
  fail "the plug-in's value ($block) is not the port's ($port %)"
kill "$jalv_pid" 2>/dev/null || true
echo PASS
