#!/usr/bin/env bash
# A long fuzz run of one target, measured in processor time rather than wall time, so that its
# length does not depend on what else the machine is doing:
#
#   fuzz/long-run.sh BUILD_DIR TARGET [CPU_SECONDS [RUNS]]
#
# Fuzzes TARGET until it has executed RUNS inputs (default 10,000,000) or used CPU_SECONDS of
# processor time (default 3600), whichever comes first. It works in segments of at most ten
# minutes that share one growing corpus, $FUZZ_WORK/TARGET/new (FUZZ_WORK defaults to
# ./fuzz-work), started from the committed corpus. Each segment adds a line "RUNS CPU_SECONDS
# LOG" to $FUZZ_WORK/TARGET/ledger; a ledger left by an earlier call counts, so a run that was
# stopped (Ctrl+C ends the segment and records it) goes on where it was. The first finding
# stops the run, with the input that caused it in $FUZZ_WORK/TARGET/artifacts and the exit
# status 1.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
[ $# -ge 2 ] || { echo "usage: fuzz/long-run.sh BUILD_DIR TARGET [CPU_SECONDS [RUNS]]" >&2; exit 2; }
build=$(cd "$1" && pwd)
target=$2
cpu_budget=${3:-3600}
runs_budget=${4:-10000000}
exe=$build/fuzz/fuzz_$target
[ -x "$exe" ] || { echo "no fuzz target $exe" >&2; exit 2; }

work=${FUZZ_WORK:-$PWD/fuzz-work}/$target
mkdir -p "$work/new" "$work/artifacts"
ledger=$work/ledger
touch "$ledger"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# Runs and whole CPU seconds so far.
totals() { awk '{r += $1; c += $2} END {printf "%d %d\n", r, c}' "$ledger"; }

while :; do
  read -r runs cpu < <(totals)
  if [ "$runs" -ge "$runs_budget" ] || [ "$cpu" -ge "$cpu_budget" ]; then break; fi
  left_cpu=$((cpu_budget - cpu))
  segment=$((left_cpu < 600 ? left_cpu : 600))
  n=$(($(wc -l < "$ledger") + 1))
  log=$work/segment-$n.log
  start=$(date +%s)
  # Processor time of the segment: user + system time of the fuzzer, from bash's `time`.
  status=0
  { TIMEFORMAT='%U %S'; time (cd "$work" && "$exe" -runs=$((runs_budget - runs)) \
      -max_total_time="$segment" -timeout=20 -print_final_stats=1 \
      -artifact_prefix="$work/artifacts/" "$work/new" "$here/corpus/$target" >"$log" 2>&1); } \
      2>"$work/time" || status=$?
  seg_runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  seg_cpu=$(awk '{printf "%.1f\n", $1 + $2}' "$work/time")
  echo "${seg_runs:-0} $seg_cpu $log" >>"$ledger"
  echo "$target: segment $n: ${seg_runs:-0} runs, ${seg_cpu} s of CPU in $(($(date +%s) - start)) s"
  if [ "$status" -eq 72 ]; then  # libFuzzer's exit on Ctrl+C; the segment is in the ledger
    echo "$target: interrupted; the same command goes on from here"
    exit 130
  fi
  if [ "$status" -ne 0 ]; then
    echo "!! fuzz $target found a problem; log $log, input in $work/artifacts:" >&2
    tail -40 "$log" >&2
    exit 1
  fi
done
read -r runs cpu < <(totals)
echo "$target: $runs runs in $cpu s of CPU over $(wc -l < "$ledger") segment(s), no finding"
