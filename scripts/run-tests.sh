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
export CI=${CI:-true}  # tests fail, not skip, when a tool the set-up installs is missing

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCALMORA_SANITIZE=ON \
  -DCALMORA_TESTS=ON -DCALMORA_BENCH=ON -DCALMORA_WERROR=ON -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" >/dev/null
cmake --build "$build" -j "$jobs"

# Each fuzz target runs for the budget its source names ("Fuzz budget in CI: N s", 20 s when
# it names none); CALMORA_FUZZ_SECONDS replaces every budget.
if compgen -G "$here/fuzz/fuzz_*.cpp" >/dev/null; then
  fuzz_build="$here/build/fuzz"
  CC=clang CXX=clang++ cmake -S "$here" -B "$fuzz_build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCALMORA_TESTS=OFF -DCALMORA_FUZZ=ON -DCALMORA_WERROR=ON -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" >/dev/null
  cmake --build "$fuzz_build" --target calmora_fuzz_targets -j "$jobs"
  for source in "$here"/fuzz/fuzz_*.cpp; do
    target=$(basename "$source" .cpp)
    budget=$(sed -n 's/.*Fuzz budget in CI: \([0-9]\+\) s.*/\1/p' "$source" | head -n 1)
    seconds=${CALMORA_FUZZ_SECONDS:-${budget:-20}}
    corpus="$here/fuzz/corpus/${target#fuzz_}"
    mkdir -p "$fuzz_build/corpus/$target"
    echo "Fuzzing $target for $seconds s"
    "$fuzz_build/fuzz/$target" -max_total_time="$seconds" -rss_limit_mb=2048 \
      "$fuzz_build/corpus/$target" $( [[ -d "$corpus" ]] && echo "$corpus" )
  done
fi

# The suite last, so that its summary closes the output.
ctest --test-dir "$build" --output-on-failure -j "$jobs"
