#!/usr/bin/env bash
# Morlake in a real host, Debian's Ardour 7 (headless, dummy audio backend):
# scan, session with the plug-in on a track, parameters changed, saved,
# reloaded and compared, and an export rendered through it.
#   ardour-host-test.sh BUNDLE_DIR WORK_DIR ARDOUR_LUA ARDOUR_EXPORT VST_SCANNER
set -euo pipefail
bundle=$1 work=$2 ardour_lua=$3 ardour_export=$4 scanner=$5
here=$(cd "$(dirname "$0")" && pwd)

rm -rf "$work"
mkdir -p "$work/vst" "$work/home"
work=$(cd "$work" && pwd)
cp -r "$bundle" "$work/vst/"
so=$work/vst/Morlake.vst/Contents/x86_64-linux/Morlake.so
# Ardour trusts a scan cache only when it is newer than the plug-in, to the second.
touch -d "1 minute ago" "$so"

# A private home: neither Ardour's nor the plug-in's user settings are touched.
export HOME=$work/home
export XDG_CONFIG_HOME=$HOME/.config XDG_CACHE_HOME=$HOME/.cache XDG_DATA_HOME=$HOME/.local/share
export LXVST_PATH=$work/vst
unset LXVST_PLUGINS VST_PATH VST_PLUGINS VST3_PATH

fail() { echo "FAIL: $*" >&2; exit 1; }

# 1. The scanner Ardour runs for Linux VSTs; its cache is what sessions load from.
LD_LIBRARY_PATH=$(dirname "$scanner") timeout 30 "$scanner" -f "$so" > "$work/scan.log" 2>&1 ||
  { cat "$work/scan.log"; fail "the VST scanner failed"; }
grep -q "Found Plugin: .* Morlake\$" "$work/scan.log" || { cat "$work/scan.log"; fail "the scanner did not find Morlake"; }
grep -q 'name="Morlake" creator="Aldermoor".*n_inputs="4" n_outputs="2"' "$XDG_CACHE_HOME"/ardour7/vst/*.v2i ||
  fail "the scan cache does not describe Morlake"
echo "scan: Ardour found Morlake"

session=$work/session
# 2. and 3. New session, parameters changed and saved; reopened in a new process.
timeout 40 "$ardour_lua" "$here/create-session.lua" "$session" morlake "$work/values.txt" "$work/expect.txt" ||
  fail "creating the session"
timeout 40 "$ardour_lua" "$here/reload-session.lua" "$session" morlake "$work/values.txt" ||
  fail "the reloaded session differs"

# 4. Export. Ardour 7.3's exporter sometimes aborts on its own heap corruption
# (also with no plug-in at all): a run whose file is complete still counts,
# and a run that left no complete file is retried.
read -r frames sound_end rate < "$work/expect.txt"
for attempt in 1 2 3; do
  rm -f "$work/export.wav"
  rc=0
  timeout 40 "$ardour_export" -b float -o "$work/export.wav" "$session" morlake > "$work/export.log" 2>&1 || rc=$?
  check=0
  timeout 20 "$ardour_lua" "$here/check-export.lua" "$work/export.wav" "$frames" "$sound_end" "$rate" || check=$?
  case $check in
    0) [ "$rc" = 0 ] || echo "note: ardour7-export exited with $rc after writing a complete file"
       echo "PASS"; exit 0 ;;
    2) echo "export attempt $attempt: ardour7-export exited with $rc" >&2
       tail -n 5 "$work/export.log" >&2 ;;
    *) tail -n 20 "$work/export.log" >&2
       fail "the exported file (ardour7-export exited with $rc)" ;;
  esac
done
fail "ardour7-export wrote no complete file in 3 attempts"
