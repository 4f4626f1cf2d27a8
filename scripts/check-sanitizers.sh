#!/usr/bin/env bash
# The whole test suite built with AddressSanitizer and UndefinedBehaviorSanitizer and run (the
# benchmark programs are built there too), then every fuzz target (clang, libFuzzer) run briefly
# over its corpus. Installs what is missing first (`scripts/setup.sh deps`: clang, libFuzzer, the
# symbolizer for readable reports).
#   scripts/check-sanitizers.sh [tests|fuzz|all]     (default: all)
# Environment: SANITIZE_BUILD_DIR (default: build-asan), FUZZ_BUILD_DIR (default: build-fuzz),
# JOBS (default: number of cores), FUZZ_FLAGS (see fuzz/run.sh).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
what=${1:-all}
jobs=${JOBS:-$(nproc)}
asan_dir=${SANITIZE_BUILD_DIR:-$here/build-asan}
fuzz_dir=${FUZZ_BUILD_DIR:-$here/build-fuzz}

# Any sanitizer report fails the run; leaks are reported (LeakSanitizer is part of ASan here).
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$here/scripts/lsan.supp:print_suppressions=0}

sanitized_tests() {
  echo "== sanitizer build (ASan + UBSan) in $asan_dir"
  # The benchmark programs are built here too (not run), so that a change to the code they drive
  # cannot leave them unbuildable unnoticed.
  cmake -S "$here" -B "$asan_dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTS2_SANITIZE=ON -DTS2_BUILD_BENCH=ON
  cmake --build "$asan_dir" -j "$jobs"
  QT_QPA_PLATFORM=offscreen ctest --test-dir "$asan_dir" --output-on-failure -j "$jobs"
}

fuzz_runs() {
  echo "== fuzz build (clang, libFuzzer + ASan + UBSan) in $fuzz_dir"
  CC=clang CXX=clang++ cmake -S "$here" -B "$fuzz_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTS2_BUILD_FUZZ=ON -DTS2_BUILD_QT=OFF -DTS2_BUILD_TESTS=OFF
  cmake --build "$fuzz_dir" -j "$jobs"
  bash "$here/fuzz/run.sh" "$fuzz_dir"
}

bash "$here/scripts/setup.sh" deps

case "$what" in
  tests) sanitized_tests ;;
  fuzz) fuzz_runs ;;
  all) sanitized_tests; fuzz_runs ;;
  *) echo "usage: scripts/check-sanitizers.sh [tests|fuzz|all]" >&2; exit 2 ;;
esac
