#!/usr/bin/env bash
# Runs fuzz targets over their committed corpora (fuzz/corpus/<target>/, seeds and kept crash
# inputs); new inputs found go to a scratch folder, the committed corpus is never changed.
#
#   fuzz/run.sh BUILD_DIR [TARGET...]
#
# BUILD_DIR is a build configured with CC=clang CXX=clang++ -DTS2_BUILD_FUZZ=ON; TARGET names
# such as `ips` (default: every fuzz_* program in BUILD_DIR/fuzz). FUZZ_FLAGS holds libFuzzer's
# options (default: a short, reproducible run of 20000 inputs per target, as CI runs it; 3000 for
# open_rom, whose every input opens a whole 4 MiB image, so that it takes about as long as the
# others); for a long run, e.g.:
#   FUZZ_FLAGS="-max_total_time=3600 -jobs=1" fuzz/run.sh build-fuzz ips
# FUZZ_WORK keeps the scratch folder (new inputs, crash files, logs) instead of a temporary one.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
[ $# -ge 1 ] || { echo "usage: fuzz/run.sh BUILD_DIR [TARGET...]" >&2; exit 2; }
build=$(cd "$1" && pwd)
shift
default_flags() {
  case $1 in
    open_rom) echo "-runs=3000 -seed=1" ;;
    *) echo "-runs=20000 -seed=1" ;;
  esac
}
work=${FUZZ_WORK:-$(mktemp -d)}
[ -n "${FUZZ_WORK:-}" ] || trap 'rm -rf "$work"' EXIT

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for t in "$build"/fuzz/fuzz_*; do targets+=("$(basename "$t" | sed 's/^fuzz_//')"); done
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
failed=0
for t in "${targets[@]}"; do
  exe=$build/fuzz/fuzz_$t
  [ -x "$exe" ] || { echo "no fuzz target $exe" >&2; exit 2; }
  mkdir -p "$work/$t/new" "$work/$t/artifacts"
  flags=${FUZZ_FLAGS:-$(default_flags "$t")}
  echo "== fuzz $t ($flags)"
  # shellcheck disable=SC2086
  if (cd "$work/$t" && "$exe" $flags -timeout=20 -artifact_prefix="$work/$t/artifacts/" \
        "$work/$t/new" "$here/corpus/$t" >"$work/$t/log" 2>&1); then
    # With -jobs the worker's own output is in fuzz-<n>.log.
    grep -hE "^Done [0-9]+ runs" "$work/$t/log" "$work/$t"/fuzz-*.log 2>/dev/null | tail -1 || true
  else
    failed=1
    echo "!! fuzz $t found a problem; log and crash input under $work/$t:" >&2
    tail -40 "$work/$t/log" >&2
    ls "$work/$t/artifacts" >&2
  fi
done
if [ $failed -ne 0 ]; then
  [ -n "${FUZZ_WORK:-}" ] || trap - EXIT
  echo "fuzz: problems found (files kept in $work)" >&2
  exit 1
fi
echo "fuzz: ${#targets[@]} targets passed"
