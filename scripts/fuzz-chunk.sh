#!/usr/bin/env bash
# Builds the chunk reader's libFuzzer target with clang (ASan+UBSan) and runs
# it for a bounded time (30 s, see tests/fuzz/CMakeLists.txt).
#   scripts/fuzz-chunk.sh            # into ./build-fuzz
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build-fuzz}
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DMORLAKE_SANITIZE=address -DMORLAKE_BENCH=OFF \
  -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
cmake --build "$build_dir" -j"$(nproc)" --target morlake_chunk_fuzz
cd "$build_dir"
ctest -R '^chunk_fuzz$' --output-on-failure
