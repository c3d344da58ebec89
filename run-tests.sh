#!/usr/bin/env bash
# Builds (if needed) and runs the test suite with CTest.
#   ./run-tests.sh                   # the normal build in ./build
#   BUILD_DIR=build-asan SANITIZE=address ./run-tests.sh
#   BUILD_DIR=build-tsan SANITIZE=thread  ./run-tests.sh   (threading tests only)
set -euo pipefail
cd "$(dirname "$0")"
build_dir=${BUILD_DIR:-build}
sanitize=${SANITIZE:-}

# System libraries' process-wide caches are not our leaks.
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORLAKE_SANITIZE="$sanitize" >/dev/null
labels=()
if [ "$sanitize" = thread ]; then
  cmake --build "$build_dir" -j"$(nproc)" --target morlake_tsan_tests
  labels=(-L tsan)
else
  cmake --build "$build_dir" -j"$(nproc)"
fi
cd "$build_dir"
ctest --output-on-failure -j"$(nproc)" "${labels[@]}" --timeout 600
