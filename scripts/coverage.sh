#!/usr/bin/env bash
# Line and branch coverage of the whole test suite: builds with clang's source-based coverage,
# runs every test (ts2tool and ts2edit started by the tests count too) and prints llvm-cov's
# report of src/, least covered files first. Installs what is missing first
# (`scripts/setup.sh deps`: clang and llvm-cov come with the sanitizer tools).
#   scripts/coverage.sh                 # the report, sorted by line coverage
#   scripts/coverage.sh show FILE...    # those files' lines never run (FILE as under src/)
# Environment: COVERAGE_BUILD_DIR (default: build-coverage), JOBS (default: number of cores).
# Code that runs while compiling (constexpr tables) reads as never run.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
dir=${COVERAGE_BUILD_DIR:-$here/build-coverage}
jobs=${JOBS:-$(nproc)}
flags="-fprofile-instr-generate -fcoverage-mapping"

command -v clang++ >/dev/null && command -v llvm-cov >/dev/null || bash "$here/scripts/setup.sh" deps

objects() {  # the instrumented programs, as llvm-cov takes them: the first bare, the rest -object=
  local first=1
  for b in "$dir"/tests/ts2_*_tests "$dir"/src/ts2tool "$dir"/src/ts2edit; do
    [[ -x "$b" ]] || continue
    if ((first)); then printf '%s\n' "$b"; first=0; else printf -- '-object=%s\n' "$b"; fi
  done
}

if [[ "${1:-}" == "show" ]]; then
  shift
  mapfile -t objs < <(objects)
  for f in "$@"; do
    echo "== $f"
    llvm-cov show "${objs[@]}" -instr-profile="$dir/coverage.profdata" "$here/src/$f" |
      grep -E '^ +[0-9]+\| +0\|' || true
  done
  exit 0
fi

CC=clang CXX=clang++ cmake -S "$here" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS=-fprofile-instr-generate >/dev/null
cmake --build "$dir" -j "$jobs"
rm -rf "$dir/profiles"
mkdir -p "$dir/profiles"
# One profile a process; a test's child killed on purpose leaves a cut one, which the merge skips.
LLVM_PROFILE_FILE="$dir/profiles/%p-%m.profraw" QT_QPA_PLATFORM=offscreen \
  ctest --test-dir "$dir" -j "$jobs" --output-on-failure
llvm-profdata merge -sparse -failure-mode=all "$dir"/profiles/*.profraw -o "$dir/coverage.profdata" 2>/dev/null
mapfile -t objs < <(objects)
report=$(llvm-cov report "${objs[@]}" -instr-profile="$dir/coverage.profdata" \
  -ignore-filename-regex='(/tests/|/usr/|_autogen/|/bench/|/fuzz/)')
# The files by line coverage, least covered first, then the total.
echo "$report" | awk '$1 ~ /\.(cpp|h)$/ { print $10, $1, $9, $8, $13 }' | sort -g |
  awk '{ printf "%-32s lines %8s  (%4d of %5d missed)   branches %8s\n", $2, $1, $3, $4, $5 }'
echo "$report" | tail -1 | awk '{ printf "%-32s lines %8s  (%4d of %5d missed)   branches %8s\n", $1, $10, $9, $8, $13 }'
