#!/bin/bash
# The longest effEditIdle call while a menu, a dialog or the file chooser is
# open: morlake-host idles the editor every 20 ms with audio running; each
# case opens one thing with the real pointer and keys, leaves it open for
# SECONDS, closes it with Escape and reports the host's longest idle call
# after the first two seconds.
#
# usage: bench/editor-menu-idle.sh [BUILD_DIR] [SECONDS]
set -euo pipefail

build=${1:-build}
seconds=${2:-4}
host="$build/tools/morlake-host"
[ -x "$host" ] || { echo "editor-menu-idle: $host is missing; build morlake-host first" >&2; exit 1; }
command -v xdotool >/dev/null || { echo "editor-menu-idle: xdotool is missing" >&2; exit 1; }

exec 3< <(Xvfb -displayfd 1 -screen 0 1400x900x24 -nolisten tcp 2>/dev/null)
xvfb=$!
read -r display <&3
trap 'kill $xvfb 2>/dev/null' EXIT
export DISPLAY=":$display"

# Editor coordinates at 100 %; the host window sits at the screen origin.
declare -A open=(
  ["context menu"]="mousemove 548 180 click 3"
  ["settings menu"]="mousemove 1067 33 click 1"
  ["preset menu"]="mousemove 180 48 click 1"
  ["typed value"]="mousemove 548 225 click 1"
  ["file chooser"]="mousemove 440 78 click 1 sleep 0.5 key Down Return"
)
printf '%-16s %16s\n' open "longest idle ms"
for what in "context menu" "settings menu" "preset menu" "typed value" "file chooser"; do
  log=$(mktemp)
  # The editor opens on its back screen: a click at the top leaves it.
  "$host" --editor --size 100 --click 300,20 >"$log" 2>&1 &
  pid=$!
  sleep 2.5
  # shellcheck disable=SC2086
  xdotool ${open[$what]}
  sleep "$seconds"
  xdotool key Escape
  sleep 1
  kill -TERM "$pid"
  wait "$pid" || true
  pkill -f "zenity --file-selection" 2>/dev/null || true
  longest=$(sed -n 's/.*(longest \([0-9.]*\) ms.*/\1/p' "$log")
  rm -f "$log"
  printf '%-16s %16s\n' "$what" "${longest:-?}"
done
