#!/usr/bin/env bash
# Builds the user manual: screenshots of the editor under a virtual X server,
# the decay plot of a factory preset, then Markdown -> groff ms -> PDF.
#   build-manual.sh SOURCE.md OUTPUT.pdf WORKDIR HOST RENDER FIGURE PLUGIN
# Every step that runs the plug-in is bounded in time.
set -euo pipefail
src=$1 out=$2 work=$3 host=$4 render=$5 figure=$6 plugin=$7
here=$(cd "$(dirname "$0")" && pwd)
src=$(realpath "$src") out=$(realpath -m "$out")

mkdir -p "$work/figures" "$work/home/config"
# The editor's settings (screen size) go to a private folder, not the user's.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/config"
cd "$work"

prefs="$XDG_CONFIG_HOME/Aldermoor/Morlake"
mkdir -p "$prefs"
shot() { # PNG, screen size 100|125|150|200, then host options
  local png=$1 size=$2 key; shift 2
  # Settings of our own: the size, and no tooltip under the pointer.
  for key in 100 125 150 200; do
    printf 'Big%s="%s"\n' $key "$([ $key = "$size" ] && echo Y || echo N)"
  done > "$prefs/preferences.txt"
  echo 'ToolTip="N"' >> "$prefs/preferences.txt"
  timeout 60 xvfb-run -a -s "-screen 0 2400x1600x24" \
    "$host" --editor "$plugin" "$@" --screenshot "$png" >/dev/null
}
# The editor opens on its back screen; a click outside its controls shows the
# main screen.
shot back.png 100
shot main.png 100 --click 20,20
shot main150.png 150 --click 20,20
"$figure" screen back.png figures/back-screen.pdf
"$figure" screen main.png figures/main-screen.pdf
# The lower half at 150 %: Disrupt, Lazy, the follower and the modulation panel.
"$figure" screen main150.png figures/modulation.pdf 0,532,1650,536

"$figure" impulse impulse.wav
timeout 60 "$render" --plugin "$plugin" -q --preset "classic Hall Long 04" \
  --set-norm "Wet/Dry Mix=1" --tail 7.9 impulse.wav decay.wav
"$figure" decay decay.wav figures/decay.pdf \
  'Factory preset "classic Hall Long 04", fully wet: an impulse and its decay' >/dev/null

# Markdown to groff ms, touched up for groff's PDF device (ms-fixups.awk),
# then PDF; pictures are read with pdfinfo. The first run finds the pages of
# the headings for the table of contents, the second makes the PDF.
lowdown -s -Tms "$src" > lowdown.ms
pdf() { groff -k -U -t -ms -Tpdf -dpaper=a4 -P-pa4 -rPO=1i -rLL=6.27i "$@"; }
awk -f "$here/ms-fixups.awk" lowdown.ms lowdown.ms > contents.ms
pdf contents.ms 2>&1 >/dev/null | sed -n 's/^MORLAKE-TOC //p' > pages.txt
awk -v pages=pages.txt -f "$here/ms-fixups.awk" lowdown.ms lowdown.ms > manual.ms
pdf manual.ms 2> groff.log > manual.pdf.tmp || { cat groff.log >&2; exit 1; }
grep -v '^MORLAKE-TOC ' groff.log >&2 || true
mv manual.pdf.tmp "$out"
