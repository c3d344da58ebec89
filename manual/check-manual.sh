#!/usr/bin/env bash
# The built manual: a PDF of a sensible length that carries its four figures
# (three editor screens and the decay plot) and the chapters a user looks for.
set -euo pipefail
pdf=$1
[ -s "$pdf" ] || { echo "no manual at $pdf"; exit 1; }
pages=$(pdfinfo "$pdf" | awk '/^Pages:/ {print $2}')
images=$(pdfimages -list "$pdf" | awk 'NR > 2 && $3 == "image"' | wc -l)
echo "$pdf: $pages pages, $images images"
[ "$pages" -ge 8 ] && [ "$pages" -le 80 ] || { echo "page count $pages outside 8..80"; exit 1; }
[ "$images" -ge 4 ] || { echo "expected 4 figures, found $images images"; exit 1; }
text=$(pdftotext "$pdf" -)
for heading in "The editor" "The back screen" "Modulation" "MIDI learn" "Controller maps" "Edited and original" "preferences.txt" "morlake-render" "Licence"; do
  grep -q "$heading" <<<"$text" || { echo "missing: $heading"; exit 1; }
done
