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

# Line tables (-g1) are all a sanitizer report needs; full debug information nearly doubled
# the compile time of the test sources.
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCALMORA_SANITIZE=ON \
  -DCALMORA_TESTS=ON -DCALMORA_BENCH=ON -DCALMORA_WERROR=ON -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" >/dev/null
cmake --build "$build" -j "$jobs"

# Each fuzz target runs for the budget its source names ("Fuzz budget in CI: N s", 20 s when
# it names none), as many at once as there are cores; CALMORA_FUZZ_SECONDS replaces every
# budget. Were the budgets to add up to more than CALMORA_FUZZ_TOTAL_SECONDS of wall time
# (240 s), each is cut in proportion, so that new targets cannot stretch CI without bound.
if compgen -G "$here/fuzz/fuzz_*.cpp" >/dev/null; then
  fuzz_build="$here/build/fuzz"
  CC=clang CXX=clang++ cmake -S "$here" -B "$fuzz_build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCALMORA_TESTS=OFF -DCALMORA_FUZZ=ON -DCALMORA_WERROR=ON -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" >/dev/null
  cmake --build "$fuzz_build" --target calmora_fuzz_targets -j "$jobs"
  targets=() budgets=() sum=0
  for source in "$here"/fuzz/fuzz_*.cpp; do
    budget=$(sed -n 's/.*Fuzz budget in CI: \([0-9]\+\) s.*/\1/p' "$source" | head -n 1)
    budget=${CALMORA_FUZZ_SECONDS:-${budget:-20}}
    targets+=("$(basename "$source" .cpp)") budgets+=("$budget")
    sum=$((sum + budget))
  done
  total=${CALMORA_FUZZ_TOTAL_SECONDS:-240}
  wall=$(( (sum + jobs - 1) / jobs ))
  rm -rf "$fuzz_build/logs" && mkdir -p "$fuzz_build/logs"
  run_fuzz_target() {
    local target=$1 seconds=$2 corpus="$here/fuzz/corpus/${1#fuzz_}"
    mkdir -p "$fuzz_build/corpus/$target"
    if "$fuzz_build/fuzz/$target" -max_total_time="$seconds" -rss_limit_mb=2048 \
         "$fuzz_build/corpus/$target" $( [[ -d "$corpus" ]] && echo "$corpus" ) \
         >"$fuzz_build/logs/$target.log" 2>&1; then
      echo "Fuzzed $target for $seconds s: $(grep -o 'stat::number_of_executed_units: [0-9]*\|#[0-9]*.*DONE.*' "$fuzz_build/logs/$target.log" | tail -n 1)"
    else
      echo "Fuzz target $target failed:"
      tail -n 60 "$fuzz_build/logs/$target.log"
      touch "$fuzz_build/logs/$target.failed"
    fi
  }
  for i in "${!targets[@]}"; do
    seconds=${budgets[$i]}
    if ((wall > total)); then
      seconds=$(( seconds * total / wall )); ((seconds > 0)) || seconds=1
    fi
    while (( $(jobs -rp | wc -l) >= jobs )); do wait -n || true; done
    run_fuzz_target "${targets[$i]}" "$seconds" &
  done
  wait
  if compgen -G "$fuzz_build/logs/*.failed" >/dev/null; then
    echo "A fuzz target failed."
    exit 1
  fi
fi

# The suite last, so that its summary closes the output.
ctest --test-dir "$build" --output-on-failure -j "$jobs"
