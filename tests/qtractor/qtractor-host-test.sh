#!/usr/bin/env bash
# Morlake's editor in a real host, Debian's Qtractor, under a private Xvfb
# with JACK's dummy back end: while the editor's menus and dialogs are open
# the host's own menus still open, closing them changes nothing, a chosen
# entry and a typed value are applied, no grab is left behind, and a saved
# session comes back.
#   qtractor-host-test.sh BUNDLE_DIR WORK_DIR [QTRACTOR [JACKD]]
# Screenshots and logs stay in WORK_DIR/artefacts.
set -uo pipefail
bundle=$1 work=$2 qtractor=${3:-qtractor} jackd=${4:-jackd}
here=$(cd "$(dirname "$0")" && pwd)
started=$(date +%s)

rm -rf "$work"
mkdir -p "$work/vst" "$work/home" "$work/session" "$work/artefacts" "$work/runtime"
work=$(cd "$work" && pwd)
art=$work/artefacts
# The bundle may be rebuilt while this runs: the test loads its own copy.
cp -r "$bundle" "$work/vst/" || { echo "FAIL: no bundle at $bundle" >&2; exit 1; }
so=$work/vst/Morlake.vst/Contents/x86_64-linux/Morlake.so
[ -f "$so" ] || { echo "FAIL: no plug-in in $bundle" >&2; exit 1; }
build="$(sha256sum "$so" | cut -c1-16), built $(date -u -r "$bundle/Contents/x86_64-linux/Morlake.so" +%FT%TZ)"
echo "plug-in: $bundle (sha256 $build)"

export HOME=$work/home
# Window titles hold non-ASCII characters that xwininfo shows only in a UTF-8 locale.
export LC_ALL=C.UTF-8
export XDG_CONFIG_HOME=$HOME/.config XDG_CACHE_HOME=$HOME/.cache XDG_DATA_HOME=$HOME/.local/share
export XDG_RUNTIME_DIR=$work/runtime
chmod 700 "$XDG_RUNTIME_DIR"
unset VST_PATH LXVST_PATH

cc=${CC:-cc}
"$cc" -O1 -o "$work/xprobe" "$here/xprobe.c" -lX11 || { echo "FAIL: building xprobe" >&2; exit 1; }
preload=()
# Qtractor starts no engine without the ALSA sequencer: a stand-in where it is missing.
if [ ! -e /dev/snd/seq ]; then
  "$cc" -shared -fPIC -O2 -Wl,--version-script="$here/fakeseq.map" -o "$work/fakeseq.so" "$here/fakeseq.c" ||
    { echo "FAIL: building fakeseq" >&2; exit 1; }
  preload=(env LD_PRELOAD="$work/fakeseq.so")
fi

pids=()
# Last started, first ended: Qtractor before JACK before the X server.
cleanup() {
  local i p
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    p=${pids[i]}
    [ -n "$p" ] && kill -TERM "$p" 2>/dev/null || continue
    for _ in $(seq 50); do kill -0 "$p" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$p" 2>/dev/null
  done
}
trap cleanup EXIT

# Polls COMMAND every 0.1 s for up to SECONDS.
wait_for() {
  local seconds=$1
  shift
  local end=$((SECONDS + seconds))
  while :; do
    "$@" && return 0
    [ "$SECONDS" -ge "$end" ] && return 1
    sleep 0.1
  done
}

results=()
failed=0
step() { # step N PASS|FAIL text
  printf '%-4s %s: %s\n' "$2" "$1" "$3"
  results+=("$(printf '%-4s step %s: %s' "$2" "$1" "$3")")
  [ "$2" = PASS ] || failed=1
}
abort() {
  step "$1" FAIL "$2"
  finish
}
finish() {
  {
    echo
    echo "Summary ($(($(date +%s) - started)) s, plug-in sha256 $build, artefacts in $art):"
    printf '  %s\n' "${results[@]}"
    [ "$failed" = 0 ] && echo PASS || echo "FAIL: see the steps marked FAIL above"
  } | tee "$art/summary.txt"
  exit "$failed"
}

# --- X, JACK ---------------------------------------------------------------------
exec 3> "$work/display"
timeout 300 Xvfb -displayfd 3 -screen 0 2200x1000x24 -nolisten tcp -noreset > "$art/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
wait_for 10 test -s "$work/display" || abort 1 "Xvfb did not start"
export DISPLAY=:$(head -n1 "$work/display")
wait_for 10 "$work/xprobe" grab > /dev/null || abort 1 "the X display answers nothing"

export JACK_DEFAULT_SERVER=morlake-qt-$$
timeout 300 "$jackd" -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 256 > "$art/jackd.log" 2>&1 &
pids+=($!)
wait_for 15 timeout 5 jack_wait -c > /dev/null 2>&1 || abort 1 "jackd did not start"

mkdir -p "$XDG_CONFIG_HOME/rncbc.org"
cat > "$XDG_CONFIG_HOME/rncbc.org/Qtractor.conf" <<EOF
[AutoSave]
Enabled=false

[Options]
Display\\StdoutCapture=false
Logging\\MessagesLog=true
Logging\\MessagesLogPath=$art/qtractor-messages.log

[Plugins]
OpenEditor=true
Vst2Paths=$work/vst
EOF

# One audio track with the plug-in; its editor opens beside the main window.
track=Reverb
editor_x=1060 editor_y=40
cat > "$work/session/morlake.qtr" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE qtractorSession>
<session version="Qtractor 0.9.31" name="morlake">
 <properties>
  <directory>$work/session</directory>
  <sample-rate>48000</sample-rate>
 </properties>
 <tracks>
  <track type="audio" name="$track">
   <properties>
    <input-bus>Master</input-bus>
    <output-bus>Master</output-bus>
   </properties>
   <plugins>
    <plugin type="VST2">
     <filename>$so</filename>
     <index>0</index>
     <label>Morlake</label>
     <activated>1</activated>
     <editor-pos>$editor_x,$editor_y</editor-pos>
    </plugin>
   </plugins>
  </track>
 </tracks>
</session>
EOF

# --- window helpers --------------------------------------------------------------
# Id of the top-level window whose title matches the extended regex $1.
window_id() { xwininfo -root -children 2>/dev/null | grep -E "^ +0x[0-9a-f]+ \"$1\"" | head -n1 | awk '{print $1}'; }
has_window() { [ -n "$(window_id "$1")" ]; }
popups() { "$work/xprobe" popups | awk '{print $1}' | sort; }
# Popups that open where the menu of Qtractor's "File" does (not tooltips).
file_menus() {
  "$work/xprobe" popups | awk -v x="$main_x" -v y="$main_y" '{
    split($2, g, /[x+]/)
    if (g[3] >= x - 10 && g[3] <= x + 60 && g[4] >= y + 5 && g[4] <= y + 60) print $1
  }' | sort
}
# The editor's area of the screen, as it shows (menus over it included).
shot() { import -window root -crop "1100x712+$editor_x+$editor_y" +repage "$art/$1.png" 2>> "$art/import.log"; }
# Pixels that differ between two screenshots.
pixels_changed() { compare -fuzz 5% -metric AE "$art/$1.png" "$art/$2.png" null: 2>&1 | awk '{print int($1)}'; }
# A menu over the editor changes far more than its meters do.
menu_threshold=8000
shows_menu() { # shows_menu BASELINE NAME
  shot "$2"
  [ "$(pixels_changed "$1" "$2")" -gt "$menu_threshold" ]
}
shows_no_menu() {
  shot "$2"
  [ "$(pixels_changed "$1" "$2")" -le "$menu_threshold" ]
}

main_id=
host_popup=
# Clicks Qtractor's "File" (or with "key", types Alt+F into its window) and
# waits up to $1 s for a new popup window.
open_host_menu() {
  local before after
  before=$(file_menus)
  if [ "${2:-click}" = key ]; then
    xdotool windowfocus --sync "$main_id" key alt+f
  else
    xdotool mousemove $((main_x + 20)) $((main_y + 8)) click 1
  fi
  host_popup=
  local end=$((SECONDS + $1))
  while :; do
    after=$(file_menus)
    host_popup=$(comm -13 <(echo "$before") <(echo "$after") | head -n1)
    [ -n "$host_popup" ] && return 0
    [ "$SECONDS" -ge "$end" ] && return 1
    sleep 0.1
  done
}
popup_gone() { ! popups | grep -qx "$1"; }
close_host_menu() {
  [ -n "$host_popup" ] || return 0
  xdotool key Escape
  wait_for 5 popup_gone "$host_popup"
}
# A click the host could not serve while a menu of the plug-in was open may
# open its menu once that closes: any popup that shows within a second is closed.
close_stray_popups() {
  local p
  wait_for 1 eval '[ -n "$(popups)" ]'
  for p in $(popups); do
    xdotool key Escape
    wait_for 3 popup_gone "$p" || return 1
  done
}
# After a menu of the plug-in closed: no grab is left, and a click on
# Qtractor's File opens its menu. Findings are gathered for step 6.
after_menus=()
after_menus_ok=1
host_still_works() {
  close_stray_popups
  local g menu=no
  g=$("$work/xprobe" grab | paste -sd " ")
  if open_host_menu 5; then
    menu=yes
    close_host_menu || menu=stuck
  else
    import -window root "$art/$1-no-host-menu.png"
    close_stray_popups
  fi
  after_menus+=("after $1: grab $g, File menu by click: $menu")
  [ "$g" = free ] && [ "$menu" = yes ] || after_menus_ok=0
}
editor_frame() { "$work/xprobe" frame "$editor_id"; }
# Keys to the plug-in's own window, as after a click into it.
key_to_editor() {
  xdotool mousemove $((editor_x + 1090)) $((editor_y + 700))
  xdotool windowfocus "$(editor_frame)" key "$1"
}

# Saves the session through Qtractor's File > Save As to session/$1.qtr, by
# keyboard: a pointer left grabbed fails its own step, not every save.
save_as() {
  local file=$work/session/$1.qtr dialog
  rm -f "$file"
  open_host_menu 5 key || return 1
  xdotool key a
  wait_for 10 has_window "Save Session.*" || return 1
  dialog=$(window_id "Save Session.*")
  xdotool windowfocus --sync "$dialog"
  xdotool type --delay 10 "$file"
  xdotool key Return
  wait_for 15 grep -q "</session>" "$file" 2> /dev/null || return 1
  wait_for 5 eval '! has_window "Save Session.*"'
}
# "index value" of every stored parameter of the plug-in, in index order
# (Qtractor writes the attributes in either order).
params() {
  grep '<param ' "$work/session/$1.qtr" |
    sed -n 's|.* index="\([0-9]*\)".*>\([^<]*\)</param>.*|\1 \2|p' | sort -n
}
param_index() { grep "<param .*name=\"$2\"" "$work/session/$1.qtr" | sed -n 's|.* index="\([0-9]*\)".*|\1|p' | head -n1; }
param_value() { params "$1" | awk -v i="$2" '$1 == i {print $2}'; }
same_params() { # same_params A B: prints the differences
  diff <(params "$1") <(params "$2") > "$art/params-$1-$2.diff"
}
describe_diff() { head -n 6 "$art/params-$1-$2.diff" | tr '\n' ' '; }

start_qtractor() { # start_qtractor SESSION_FILE LOG
  timeout 300 "${preload[@]}" "$qtractor" "$1" > "$art/$2" 2>&1 &
  qt_pid=$!
  pids+=("$qt_pid")
  wait_for 40 has_window ".*$(basename "$1") — Qtractor" || return 1
  main_id=$(window_id ".*$(basename "$1") — Qtractor")
  read -r main_x main_y < <(xwininfo -id "$main_id" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} END {print x, y}')
}

# Opens the plug-in's editor, places it, and shows its controls: $1-front.png.
editor_title="Morlake - $track — Qtractor"
open_editor() {
  # A double-click on the plug-in in the track's list opens its editor.
  for _ in 1 2 3; do
    xdotool mousemove $((main_x + 178)) $((main_y + 180)) click --repeat 2 --delay 80 1
    wait_for 10 has_window "$editor_title" && break
  done
  editor_id=$(window_id "$editor_title")
  if [ -z "$editor_id" ]; then
    import -window root "$art/$1-no-editor.png"
    editor_problem="no window \"$editor_title\""
    return 1
  fi
  xdotool windowmove "$editor_id" "$editor_x" "$editor_y"
  local frame
  frame=$(editor_frame)
  if [ -z "$frame" ] || [ "$frame" = "$editor_id" ]; then
    editor_problem="the editor window holds no plug-in window"
    return 1
  fi
  # The editor opens on its back screen; a click on an empty spot shows the controls.
  wait_for 5 eval "shot $1-back; [ \"\$(convert \"$art/$1-back.png\" -format %k info:)\" -gt 200 ]"
  xdotool mousemove $((editor_x + 20)) $((editor_y + 20)) click 1
  wait_for 10 eval "shot $1-front; sleep 0.3; shot $1-again; [ \$(pixels_changed $1-front $1-again) -le 200 ] &&
    [ \$(pixels_changed $1-back $1-front) -gt $menu_threshold ]" || {
    editor_problem="the editor did not settle on its controls"
    return 1
  }
}

# --- 1. session opens, editor embeds ---------------------------------------------
start_qtractor "$work/session/morlake.qtr" qtractor-1.log ||
  { import -window root "$art/step1-no-host.png"; abort 1 "Qtractor did not open the session"; }
open_editor step1 || abort 1 "$editor_problem"
cp "$art/step1-front.png" "$art/baseline.png"
colours=$(convert "$art/baseline.png" -format %k info:)
if [ "$colours" -lt 200 ]; then
  abort 1 "the editor's window is blank ($colours colours)"
fi
import -window root "$art/step1-screen.png"
save_as initial || abort 1 "saving the session through Qtractor's File > Save As"
room=$(param_index initial "Reverb Room Size")
[ -n "$room" ] && [ "$(params initial | wc -l)" -ge 200 ] || abort 1 "the saved session holds no parameter values"
step 1 PASS "session open, editor embedded as \"$editor_title\" ($colours colours), $(params initial | wc -l) values saved"

# --- 2. and 3. knob menu open: the host's menu opens; closed: nothing changed ----
knob_x=$((editor_x + 524 + 36)) knob_y=$((editor_y + 152 + 36)) # ROOM SIZE
knob_menu() {
  xdotool mousemove "$knob_x" "$knob_y" click 3
  wait_for 5 shows_menu baseline "$1"
}
# With a menu of the plug-in showing ($1 names the screenshots, $2 opens the
# menu again): does a click on Qtractor's "File" open Qtractor's menu? Sets
# beside (yes, no, stuck), grab, kept (whether the plug-in's menu outlived the
# click) and, when the host's menu did not open, why: Alt+F typed into
# Qtractor with the plug-in's menu showing tells a held pointer from a held
# event loop. A key the host could not serve then is served late; the menu
# it opens is closed as a stray one.
beside_host() {
  grab=$("$work/xprobe" grab | paste -sd " ")
  why=
  if open_host_menu 5; then
    beside=yes
    import -window root "$art/$1-both-menus.png"
    close_host_menu || beside=stuck
  else
    beside=no
    import -window root "$art/$1-no-host-menu.png"
  fi
  kept=yes
  shows_menu baseline "$1-after-click" || kept=no
  [ "$beside" = no ] || return 0
  [ "$kept" = yes ] || "$2" "$1-reopened" || { why="the plug-in's menu did not open again"; return 0; }
  if open_host_menu 3 key; then
    if shows_menu baseline "$1-keys"; then
      why="Qtractor answered Alt+F with the plug-in's menu open, so the click went to the plug-in's pointer grab"
    else
      why="Qtractor answered Alt+F only once the plug-in's menu had closed"
    fi
    close_host_menu
  else
    why="Qtractor did not answer Alt+F either: its event loop was held while the plug-in's menu showed"
  fi
}

if ! knob_menu step2-knob-menu; then
  abort 2 "right-click on ROOM SIZE showed no menu"
fi
beside_host step2 knob_menu
if [ "$beside" = yes ]; then
  step 2 PASS "knob menu shown; Qtractor's File menu opened beside it and closed on Escape (grabs meanwhile: $grab)"
elif [ "$beside" = stuck ]; then
  step 2 FAIL "with the knob menu open Qtractor's File menu opened, but Escape did not close it"
else
  step 2 FAIL "with the knob menu open, a click on Qtractor's File opened no menu in 5 s (grabs: $grab; $why)"
fi

how="Escape closed the knob menu"
[ "$kept" = yes ] || how="the knob menu had closed on the click meant for Qtractor; Escape left it closed"
key_to_editor Escape
if wait_for 5 shows_no_menu baseline step3-closed; then
  host_still_works "the knob menu closed by Escape"
  if save_as step3 && same_params initial step3; then
    step 3 PASS "$how; all $(params step3 | wc -l) saved values unchanged"
  elif [ -f "$work/session/step3.qtr" ]; then
    step 3 FAIL "closing the knob menu changed values: $(describe_diff initial step3)"
  else
    step 3 FAIL "could not save the session after the knob menu closed"
  fi
else
  step 3 FAIL "Escape did not close the knob menu"
  import -window root "$art/step3-still-open.png"
  finish
fi

# --- 4. an entry chosen is applied -----------------------------------------------
# "Set to Minimum", the second entry that can be chosen, by keyboard.
if knob_menu step4-knob-menu; then
  key_to_editor Down
  key_to_editor Down
  shot step4-entry
  key_to_editor Return
  wait_for 5 shows_no_menu baseline step4-after || true
  shot step4-after
  host_still_works "an entry of the knob menu chosen"
  if save_as step4; then
    v=$(param_value step4 "$room")
    others=$(diff <(params step3 | grep -v "^$room ") <(params step4 | grep -v "^$room ") | grep -c '^>')
    if [ "$v" = 0 ] && [ "$(param_value step3 "$room")" != 0 ]; then
      step 4 PASS "\"Set to Minimum\" saved Reverb Room Size as 0 (was $(param_value step3 "$room"); $others other values changed)"
    else
      step 4 FAIL "after \"Set to Minimum\" Reverb Room Size is saved as $v (was $(param_value step3 "$room"))"
    fi
  else
    step 4 FAIL "could not save the session after choosing the entry"
  fi
else
  step 4 FAIL "right-click on ROOM SIZE showed no menu"
fi
shot baseline

# --- 5. the settings menu of the top bar -----------------------------------------
settings_menu() {
  xdotool mousemove $((editor_x + 1058 + 9)) $((editor_y + 27 + 6)) click 1
  wait_for 5 shows_menu baseline "$1"
}
if settings_menu step5-settings-menu; then
  beside_host step5 settings_menu
  how="Escape closed it"
  [ "$kept" = yes ] || how="it had closed on the click meant for Qtractor"
  key_to_editor Escape
  closed=no
  wait_for 5 shows_no_menu baseline step5-closed && closed=yes
  host_still_works "the settings menu closed by Escape"
  saved=no
  save_as step5 && saved=yes
  if [ "$beside" = yes ] && [ "$closed" = yes ] && [ "$saved" = yes ] && same_params step4 step5; then
    step 5 PASS "settings menu shown; Qtractor's File menu opened beside it and closed on Escape; $how; values unchanged"
  else
    detail="Qtractor's menu opened beside it: $beside (grabs: $grab${why:+; $why}); settings menu gone: $closed; saved: $saved"
    [ "$saved" = yes ] && ! same_params step4 step5 && detail+="; values changed: $(describe_diff step4 step5)"
    step 5 FAIL "$detail"
  fi
else
  step 5 FAIL "a click on the settings button showed no menu"
fi

# --- 6. a dialog: the host's menu opens beside it, a typed value is applied ------
# "Set to Value", the fifth entry of ROOM SIZE's menu, opens the typed-value
# dialog in the middle of the editor: its field, then its OK button.
field_x=$((editor_x + 550)) field_y=$((editor_y + 381))
ok_x=$((editor_x + 684)) ok_y=$((editor_y + 419))
value_dialog() {
  knob_menu "$1-menu" || return 1
  local _
  for _ in 1 2 3 4 5; do key_to_editor Down; done
  key_to_editor Return
  sleep 0.5
  wait_for 5 shows_menu baseline "$1"
}
if value_dialog step6-dialog; then
  beside_host step6 value_dialog
  xdotool mousemove "$field_x" "$field_y" click 1
  sleep 0.3
  xdotool key End $(printf 'BackSpace %.0s' $(seq 16))
  xdotool type --delay 40 "40"
  shot step6-typed
  xdotool mousemove "$ok_x" "$ok_y" click 1
  closed=no
  wait_for 5 shows_no_menu baseline step6-closed && closed=yes
  host_still_works "the dialog answered"
  if save_as step6; then
    v=$(param_value step6 "$room")
    applied=$(awk -v v="$v" 'BEGIN { print (v > 0.399 && v < 0.401) ? "yes" : "no" }')
    if [ "$beside" = yes ] && [ "$closed" = yes ] && [ "$applied" = yes ]; then
      step 6 PASS "typed-value dialog shown; Qtractor's File menu opened beside it and closed on Escape; 40 typed and OK saved Reverb Room Size as $v"
    else
      step 6 FAIL "Qtractor's menu opened beside the dialog: $beside (grabs: $grab${why:+; $why}); dialog gone after OK: $closed; Reverb Room Size saved as $v after typing 40"
    fi
  else
    step 6 FAIL "could not save the session after the dialog"
  fi
else
  step 6 FAIL "\"Set to Value\" in ROOM SIZE's menu showed no dialog"
fi
shot baseline

# --- 7. the host's menus afterwards ----------------------------------------------
host_still_works "all menus"
printf '     %s\n' "${after_menus[@]}"
if [ "$after_menus_ok" = 1 ]; then
  step 7 PASS "after each menu or dialog of the plug-in closed, no grab was left and Qtractor's File menu opened on a click"
else
  bad=$(printf '%s\n' "${after_menus[@]}" | grep -v "grab free, File menu by click: yes" | head -n1)
  step 7 FAIL "a menu or dialog of the plug-in left the host unusable: $bad"
fi

# --- 8. saved, quit, reopened: every value back ----------------------------------
close_stray_popups
if ! save_as final; then
  step 8 FAIL "could not save the session before quitting"
  finish
fi
shot step8-before-quit
kill -TERM "$qt_pid"
rc=0
wait_for 20 eval '! kill -0 "$qt_pid" 2>/dev/null' || { step 8 FAIL "Qtractor did not quit on SIGTERM"; finish; }
wait "$qt_pid" || rc=$?
for i in "${!pids[@]}"; do [ "${pids[i]}" = "$qt_pid" ] && pids[i]=; done # not to be signalled again
if ! start_qtractor "$work/session/final.qtr" qtractor-2.log; then
  import -window root "$art/step8-no-host.png"
  step 8 FAIL "Qtractor did not reopen the saved session"
  finish
fi
# The editor shows what it showed before the quit, but for the disrupt
# slider's handle, whose glow fades for seconds after the editor opens.
same_editor() {
  local a
  for a in step8-before-quit step8-front; do
    convert "$art/$a.png" -fill black -draw "rectangle 530,380 575,430" "$art/$a-masked.png"
  done
  shown=$(pixels_changed step8-before-quit-masked step8-front-masked)
  where=$(compare -fuzz 5% "$art/step8-before-quit-masked.png" "$art/step8-front-masked.png" -compose src \
    -highlight-color white -lowlight-color black "$art/step8-diff.png" 2>&1
    convert "$art/step8-diff.png" -trim -format '%wx%h%X%Y' info: 2> /dev/null)
  [ "$shown" -le 100 ]
}
# What sits where the editor differs, by the layout's places.
what_differs() {
  case $where in
    *+33[0-9]+[3-5][0-9] | *+34[0-9]+[3-5][0-9]) echo "the EDITED light" ;;
    *) echo "the area $where" ;;
  esac
}
editor_same=no
if open_editor step8; then
  same_editor && editor_same=yes
else
  shown="none ($editor_problem)"
fi
values="could not save the reopened session"
if save_as reloaded; then
  if same_params final reloaded; then
    values="all $(params reloaded | wc -l) values back (Reverb Room Size $(param_value reloaded "$room"))"
  else
    values="values differ after reopening: $(describe_diff final reloaded)"
  fi
fi
if [ "$rc" = 0 ] && [ "${values#all }" != "$values" ]; then
  step 8 PASS "quit (status 0), reopened: $values"
else
  step 8 FAIL "quit with status $rc (0 is a clean quit), reopened: $values"
fi

# --- 9. the reopened editor shows what it showed before the quit -----------------
if [ "$editor_same" = yes ]; then
  step 9 PASS "the reopened editor shows what it showed before the quit"
elif [ "$shown" = "${shown#none}" ]; then
  step 9 FAIL "the reopened editor differs from the one before the quit in $(what_differs) ($shown pixels, step8-diff.png)"
else
  step 9 FAIL "the editor did not reopen: $shown"
fi
finish
