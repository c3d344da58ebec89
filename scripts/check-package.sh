#!/usr/bin/env bash
# Makes the .deb and the tarball from a finished build, unpacks the .deb into
# a scratch root and uses only what it installed: the bundle in a host, its
# editor's bitmaps, the installed morlake-render on the demonstration, the
# manual; then lintian, which must report no error.
#   scripts/check-package.sh [BUILD_DIR]       (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
work=$build/package-check
host=$build/tools/morlake-host
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
fail() { echo "check-package: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"
(cd "$build" && cpack -G "DEB;TGZ" -B "$work/out" >"$work/cpack.log") || { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$work/out/morlake_${version}_amd64.deb
tgz=$work/out/morlake-${version}-Linux.tar.gz
[ -s "$deb" ] || fail "no $deb"
[ -s "$tgz" ] || fail "no $tgz"

echo "== $(basename "$deb")"
dpkg-deb --field "$deb" Package Version Architecture Depends Recommends
depends=$(dpkg-deb --field "$deb" Depends)
for lib in libc6 libcairo2 libsndfile1 libxcb1; do
  grep -q "\b$lib\b" <<<"$depends" || fail "Depends lacks $lib"
done
echo "== files"
# The bundle's bitmaps as one line.
dpkg-deb --contents "$deb" | awk '$6 ~ /Resources\/bmp[0-9]+\.png$/ { n++; bytes += $3; next }
  { print $1, $3, $6, $7, $8 }
  END { printf "(and %d editor bitmaps, Resources/bmpNNNNN.png, %d bytes)\n", n, bytes }'

root=$work/root
dpkg-deb --extract "$deb" "$root"
bundle=$root/usr/lib/lxvst/Morlake.vst
so=$bundle/Contents/x86_64-linux/Morlake.so
for f in "$so" "$root/usr/bin/morlake-render" "$root/usr/bin/morlake-report" \
         "$root/usr/share/man/man1/morlake-render.1.gz" "$root/usr/share/man/man1/morlake-report.1.gz" \
         "$root/usr/share/doc/morlake/copyright" "$root/usr/share/doc/morlake/changelog.gz"; do
  [ -f "$f" ] || fail "missing ${f#"$root"}"
done
bitmaps=$(find "$bundle/Contents/Resources" -name 'bmp*.png' | wc -l)
[ "$bitmaps" -gt 0 ] || fail "no editor bitmaps in the bundle"
if [ -e "$build/Morlake.vst/Contents/Resources/AL_Morlake_Manual.pdf" ]; then
  manual=$root/usr/share/doc/morlake/AL_Morlake_Manual.pdf
  [ -f "$(readlink -f "$manual")" ] && [ "$(readlink -f "$manual")" = "$bundle/Contents/Resources/AL_Morlake_Manual.pdf" ] \
    || fail "the manual in /usr/share/doc/morlake does not lead to the bundle's"
fi
# Nothing installed may lead back into the build tree: its bundle, tools or
# manual. (VSTGUI's assertion texts name the header copies it was compiled
# from; those are not paths anything opens.)
used=$(grep -rlE "$build/(Morlake\.vst|tools|manual|bench)" "$root" || true)
[ -z "$used" ] || fail "files that lead into the build tree: $used"
[ "$(zcat "$root/usr/share/doc/morlake/changelog.gz" | sed -n '1s/.*(\(.*\)).*/\1/p')" = "$version" ] \
  || fail "packaging/changelog does not start with version $version"

echo "== tarball: the same files as the .deb below /usr"
diff <(dpkg-deb --contents "$deb" | awk '{ print $6 }' | sed -n 's#^\./usr/##p' | sed 's#/$##' | grep . | sort) \
     <(tar tzf "$tgz" | sed "s#^morlake-${version}-Linux/##" | sed 's#/$##' | grep . | sort) \
  || fail "the tarball's layout differs from the package's"

echo "== the installed bundle in a host"
"$host" --info "$so" >"$work/info.txt" || { cat "$work/info.txt"; fail "morlake-host --info failed"; }
head -n 8 "$work/info.txt"

echo "== the installed morlake-render on the demonstration"
# The dynamic loader names the plug-in module it opens: it must be the installed one.
LD_DEBUG=files "$root/usr/bin/morlake-render" --preset "1 to Morlake" -o "$work/demo.wav" \
  2>"$work/render.log" | tee "$work/render.txt" || fail "the installed morlake-render failed"
grep -q "file=$so " "$work/render.log" || fail "the installed morlake-render did not load the installed bundle"
[ -s "$work/demo.wav" ] || fail "no demonstration rendered"
"$build/tools/morlake-render" --quiet --preset "1 to Morlake" -o "$work/demo-build.wav"
# The samples from the "data" chunk on (the PEAK chunk before it holds the time of writing).
data=$(grep -obUa data "$work/demo.wav" | head -n 1 | cut -d: -f1)
cmp -s -i "$data" "$work/demo.wav" "$work/demo-build.wav" || fail "the installed plug-in sounds different from the build's"
LD_DEBUG=files "$root/usr/bin/morlake-report" --preset "1 to Morlake" --length 2 -o "$work/report.md" 2>"$work/report.log"
grep -q "file=$so " "$work/report.log" || fail "the installed morlake-report did not load the installed bundle"

# Formats still to come join here once the package holds them.
clap=$root/usr/lib/clap/Morlake/Contents/x86_64-linux/Morlake.clap
if [ -n "$(find "$root/usr/lib/clap" -name '*.clap' 2>/dev/null)" ]; then
  echo "== the installed CLAP plug-in"
  [ -f "$clap" ] || fail "missing ${clap#"$root"}"
  nm -D --defined-only "$clap" | grep -qw clap_entry || fail "the installed Morlake.clap exports no clap_entry"
  [ "$(find "$root/usr/lib/clap/Morlake/Contents/Resources" -name 'bmp*.png' | wc -l)" -gt 0 ] \
    || fail "no editor bitmaps beside the installed Morlake.clap"
  echo "${clap#"$root"} exports clap_entry, bitmaps beside it"
fi
if [ -d "$root/usr/lib/lv2" ]; then
  echo "== the installed LV2 bundle"
  command -v lv2ls >/dev/null || fail "lv2ls (lilv-utils) is needed to check the LV2 bundle"
  LV2_PATH=$root/usr/lib/lv2 lv2ls | grep -i morlake || fail "no Morlake plug-in in the installed LV2 bundle"
  for uri in $(LV2_PATH=$root/usr/lib/lv2 lv2ls | grep -i morlake); do
    LV2_PATH=$root/usr/lib/lv2 lv2info "$uri" >"$work/lv2info.txt" || fail "lv2info $uri failed"
  done
fi

if command -v xvfb-run >/dev/null; then
  echo "== the installed bundle's editor finds its bitmaps"
  # The same screen from the installed bundle and the build's: equal only if
  # the installed one found its own bitmaps.
  shot() { HOME=$work/home XDG_CONFIG_HOME=$work/home/.config timeout 60 xvfb-run -a -s "-screen 0 1600x1200x24" \
             "$host" --editor "$1" --screenshot "$2" >/dev/null 2>&1; }
  mkdir -p "$work/home"
  shot "$so" "$work/editor-installed.png" || fail "the installed bundle's editor did not open"
  shot "$build/Morlake.vst/Contents/x86_64-linux/Morlake.so" "$work/editor-build.png" || fail "the build's editor did not open"
  cmp -s "$work/editor-installed.png" "$work/editor-build.png" || fail "the installed editor looks different from the build's"
  echo "same screen as the build's"
fi

echo "== lintian"
lintian --fail-on error "$deb" | tee "$work/lintian.txt" || fail "lintian reported errors"
echo "check-package: $(basename "$deb") and $(basename "$tgz") are good"
