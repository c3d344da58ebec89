#!/usr/bin/env bash
# Installs what Morlake needs on Debian 12, builds it, and renders the
# demonstration through the factory preset "1 to Morlake".
#   ./setup-and-build.sh            # build into ./build, render ./morlake-demo.wav
#   BUILD_DIR=... ./setup-and-build.sh
set -euo pipefail
cd "$(dirname "$0")"
build_dir=${BUILD_DIR:-build}

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
missing=()
while read -r pkg; do
  [ -n "$pkg" ] || continue
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
done < scripts/packages.txt
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build_dir" -j"$(nproc)"

if [ -x "$build_dir/tools/morlake-render" ]; then
  "$build_dir/tools/morlake-render" --preset "1 to Morlake" --output morlake-demo.wav
  echo "Rendered morlake-demo.wav"
else
  "$build_dir/tools/morlake-host" --info "$build_dir/Morlake.vst/Contents/x86_64-linux/Morlake.so"
fi
