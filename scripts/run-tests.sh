#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UBSan and runs the whole suite headless,
# after building the fuzz targets with clang and giving each a short run.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc)
build="$here/build/ci"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export LSAN_OPTIONS="suppressions=$here/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCALMORA_SANITIZE=ON \
  -DCALMORA_TESTS=ON -DCALMORA_BENCH=ON -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" >/dev/null
cmake --build "$build" -j "$jobs"

if compgen -G "$here/fuzz/fuzz_*.cpp" >/dev/null; then
  fuzz_build="$here/build/fuzz"
  CC=clang CXX=clang++ cmake -S "$here" -B "$fuzz_build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCALMORA_TESTS=OFF -DCALMORA_FUZZ=ON -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" >/dev/null
  for source in "$here"/fuzz/fuzz_*.cpp; do
    target=$(basename "$source" .cpp)
    cmake --build "$fuzz_build" --target "$target" -j "$jobs"
    corpus="$here/fuzz/corpus/${target#fuzz_}"
    mkdir -p "$fuzz_build/corpus/$target"
    "$fuzz_build/fuzz/$target" -max_total_time="${CALMORA_FUZZ_SECONDS:-30}" -rss_limit_mb=2048 \
      "$fuzz_build/corpus/$target" $( [[ -d "$corpus" ]] && echo "$corpus" )
  done
fi

# The suite last, so that its summary closes the output.
ctest --test-dir "$build" --output-on-failure -j "$jobs"
