#!/usr/bin/env bash
# Morlake.clap in a real host, Debian's Qtractor, under a private Xvfb with
# JACK's dummy back end: the CLAP loads, its editor embeds and answers a
# click, an edit in the editor reaches the host's saved session, and a saved
# session reopens with every value.
#   qtractor-clap-test.sh BUNDLE_DIR WORK_DIR [QTRACTOR [JACKD]]
# Screenshots and logs stay in WORK_DIR/artefacts.
set -uo pipefail
bundle=$1 work=$2 qtractor=${3:-qtractor} jackd=${4:-jackd}
here=$(cd "$(dirname "$0")" && pwd)
started=$(date +%s)

rm -rf "$work"
mkdir -p "$work/clap" "$work/home" "$work/session" "$work/artefacts" "$work/runtime"
work=$(cd "$work" && pwd)
art=$work/artefacts
# The bundle may be rebuilt while this runs: the test loads its own copy.
cp -r "$bundle" "$work/clap/" || { echo "FAIL: no bundle at $bundle" >&2; exit 1; }
rm -f "$work/clap/Morlake.vst/Contents/x86_64-linux/Morlake.so"
clap=$work/clap/Morlake.vst/Contents/x86_64-linux/Morlake.clap
[ -f "$clap" ] || { echo "FAIL: no Morlake.clap in $bundle" >&2; exit 1; }
build="$(sha256sum "$clap" | cut -c1-16)"
echo "plug-in: $clap (sha256 $build)"

export HOME=$work/home
export LC_ALL=C.UTF-8
export XDG_CONFIG_HOME=$HOME/.config XDG_CACHE_HOME=$HOME/.cache XDG_DATA_HOME=$HOME/.local/share
export XDG_RUNTIME_DIR=$work/runtime
chmod 700 "$XDG_RUNTIME_DIR"
unset VST_PATH LXVST_PATH LV2_PATH
export CLAP_PATH=$work/clap

cc=${CC:-cc}
"$cc" -O1 -o "$work/xprobe" "$here/xprobe.c" -lX11 || { echo "FAIL: building xprobe" >&2; exit 1; }
preload=()
if [ ! -e /dev/snd/seq ]; then
  "$cc" -shared -fPIC -O2 -Wl,--version-script="$here/fakeseq.map" -o "$work/fakeseq.so" "$here/fakeseq.c" ||
    { echo "FAIL: building fakeseq" >&2; exit 1; }
  preload=(env LD_PRELOAD="$work/fakeseq.so")
fi

pids=()
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
step() {
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
    echo "Summary ($(($(date +%s) - started)) s, Morlake.clap sha256 $build, artefacts in $art):"
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

export JACK_DEFAULT_SERVER=morlake-qtclap-$$
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
ClapPaths=$work/clap
EOF

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
    <plugin type="CLAP">
     <filename>$clap</filename>
     <index>0</index>
     <label>com.aldermoor.morlake</label>
     <activated>1</activated>
     <editor-pos>$editor_x,$editor_y</editor-pos>
    </plugin>
   </plugins>
  </track>
 </tracks>
</session>
EOF

window_id() { xwininfo -root -children 2>/dev/null | grep -E "^ +0x[0-9a-f]+ \"$1\"" | head -n1 | awk '{print $1}'; }
has_window() { [ -n "$(window_id "$1")" ]; }
file_menus() {
  "$work/xprobe" popups | awk -v x="$main_x" -v y="$main_y" '{
    split($2, g, /[x+]/)
    if (g[3] >= x - 10 && g[3] <= x + 60 && g[4] >= y + 5 && g[4] <= y + 60) print $1
  }' | sort
}
shot() { import -window root -crop "1100x712+$editor_x+$editor_y" +repage "$art/$1.png" 2>> "$art/import.log"; }
pixels_changed() { compare -fuzz 5% -metric AE "$art/$1.png" "$art/$2.png" null: 2>&1 | awk '{print int($1)}'; }
menu_threshold=8000
shows_menu() { shot "$2"; [ "$(pixels_changed "$1" "$2")" -gt "$menu_threshold" ]; }
shows_no_menu() { shot "$2"; [ "$(pixels_changed "$1" "$2")" -le "$menu_threshold" ]; }
editor_frame() { "$work/xprobe" frame "$editor_id"; }
key_to_editor() {
  xdotool mousemove $((editor_x + 1090)) $((editor_y + 700))
  xdotool windowfocus "$(editor_frame)" key "$1"
}

host_popup=
open_host_menu_by_key() {
  local before after
  before=$(file_menus)
  xdotool windowfocus --sync "$main_id" key alt+f
  local end=$((SECONDS + 5))
  while :; do
    after=$(file_menus)
    host_popup=$(comm -13 <(echo "$before") <(echo "$after") | head -n1)
    [ -n "$host_popup" ] && return 0
    [ "$SECONDS" -ge "$end" ] && return 1
    sleep 0.1
  done
}
# Saves the session through Qtractor's File > Save As to session/$1.qtr.
save_as() {
  local file=$work/session/$1.qtr dialog
  rm -f "$file"
  open_host_menu_by_key || return 1
  xdotool key a
  wait_for 10 has_window "Save Session.*" || return 1
  dialog=$(window_id "Save Session.*")
  xdotool windowfocus --sync "$dialog"
  xdotool type --delay 10 "$file"
  xdotool key Return
  wait_for 15 grep -q "</session>" "$file" 2> /dev/null || return 1
  wait_for 5 eval '! has_window "Save Session.*"'
}
# "index value" of every parameter stored for the plug-in, and its saved state.
params() {
  grep '<param ' "$work/session/$1.qtr" |
    sed -n 's|.* index="\([0-9]*\)".*>\([^<]*\)</param>.*|\1 \2|p' | sort -n
}
param_index() { grep "<param .*name=\"$2\"" "$work/session/$1.qtr" | sed -n 's|.* index="\([0-9]*\)".*|\1|p' | head -n1; }
param_value() { params "$1" | awk -v i="$2" '$1 == i {print $2}'; }
state_of() { tr -d '\n ' < "$work/session/$1.qtr" | grep -o '<plugin type="CLAP">.*</plugin>' | sed 's|<params>.*</params>||'; }
same_session() { # same_session A B: values and plug-in state alike
  diff <(params "$1") <(params "$2") > "$art/params-$1-$2.diff" && [ "$(state_of "$1")" = "$(state_of "$2")" ]
}

start_qtractor() {
  timeout 300 "${preload[@]}" "$qtractor" "$1" > "$art/$2" 2>&1 &
  qt_pid=$!
  pids+=("$qt_pid")
  wait_for 40 has_window ".*$(basename "$1") — Qtractor" || return 1
  main_id=$(window_id ".*$(basename "$1") — Qtractor")
  read -r main_x main_y < <(xwininfo -id "$main_id" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} END {print x, y}')
}

editor_title="Morlake - $track — Qtractor"
open_editor() {
  if ! wait_for 10 has_window "$editor_title"; then
    for _ in 1 2 3; do
      xdotool mousemove $((main_x + 178)) $((main_y + 180)) click --repeat 2 --delay 80 1
      wait_for 10 has_window "$editor_title" && break
    done
  fi
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
  wait_for 10 eval "shot $1-back; [ \"\$(convert \"$art/$1-back.png\" -format %k info:)\" -gt 200 ]" || {
    editor_problem="the editor's window stays blank"
    return 1
  }
  xdotool mousemove $((editor_x + 20)) $((editor_y + 20)) click 1
  wait_for 10 eval "shot $1-front; sleep 0.3; shot $1-again; [ \$(pixels_changed $1-front $1-again) -le 200 ] &&
    [ \$(pixels_changed $1-back $1-front) -gt $menu_threshold ]" || {
    editor_problem="the editor did not answer the click (its back screen stayed)"
    return 1
  }
}

# --- 1. the CLAP loads, its editor embeds and answers a click --------------------
start_qtractor "$work/session/morlake.qtr" qtractor-1.log ||
  { import -window root "$art/step1-no-host.png"; abort 1 "Qtractor did not open the session"; }
open_editor step1 || abort 1 "$editor_problem"
cp "$art/step1-front.png" "$art/baseline.png"
colours=$(convert "$art/baseline.png" -format %k info:)
save_as initial || abort 1 "saving the session through Qtractor's File > Save As"
grep -q '<plugin type="CLAP">' "$work/session/initial.qtr" || abort 1 "the saved session holds no CLAP plug-in"
room=$(param_index initial "Reverb Room Size")
[ -n "$room" ] || abort 1 "the saved session holds no Reverb Room Size"
step 1 PASS "Morlake.clap loaded, editor embedded as \"$editor_title\" ($colours colours) and answered a click; $(params initial | wc -l) values saved"

# --- 2. an edit in the editor reaches the host -----------------------------------
knob_x=$((editor_x + 524 + 36)) knob_y=$((editor_y + 152 + 36)) # ROOM SIZE
xdotool mousemove "$knob_x" "$knob_y" click 3
if wait_for 5 shows_menu baseline step2-knob-menu; then
  # "Set to Minimum", the second entry that can be chosen.
  key_to_editor Down
  key_to_editor Down
  key_to_editor Return
  wait_for 5 shows_no_menu baseline step2-after || true
  if save_as edited; then
    v=$(param_value edited "$room")
    if [ "$v" = 0 ] && [ "$(param_value initial "$room")" != 0 ]; then
      step 2 PASS "\"Set to Minimum\" in the editor: Qtractor saved Reverb Room Size as 0 (was $(param_value initial "$room"))"
    else
      step 2 FAIL "after \"Set to Minimum\" Qtractor saved Reverb Room Size as $v (was $(param_value initial "$room"))"
    fi
  else
    step 2 FAIL "could not save the session after the edit"
  fi
else
  step 2 FAIL "right-click on ROOM SIZE showed no menu"
fi

# --- 3. saved, quit, reopened: every value back ----------------------------------
save_as final || { step 3 FAIL "could not save the session before quitting"; finish; }
kill -TERM "$qt_pid"
rc=0
wait_for 20 eval '! kill -0 "$qt_pid" 2>/dev/null' || { step 3 FAIL "Qtractor did not quit on SIGTERM"; finish; }
wait "$qt_pid" || rc=$?
for i in "${!pids[@]}"; do [ "${pids[i]}" = "$qt_pid" ] && pids[i]=; done
start_qtractor "$work/session/final.qtr" qtractor-2.log || { step 3 FAIL "Qtractor did not reopen the saved session"; finish; }
open_editor step3 || true
if save_as reloaded; then
  if same_session final reloaded; then
    step 3 PASS "quit (status $rc), reopened: all $(params reloaded | wc -l) values and the plug-in's state back (Reverb Room Size $(param_value reloaded "$room"))"
  else
    step 3 FAIL "values differ after reopening: $(head -n 6 "$art/params-final-reloaded.diff" | tr '\n' ' ')"
  fi
else
  step 3 FAIL "could not save the reopened session"
fi
finish
