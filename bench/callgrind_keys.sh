#!/bin/bash
# The keystroke benchmark counted in instructions instead of timed: runs one case of
# ts2_qt_editor_bench under callgrind, collecting only inside the editor's keys (EditorKey) and the
# bare editor's (BareKey), and prints both counts and their ratio. Both see the same number of
# keys, so the ratio is the benchmark's, in instructions of the program's thread; unlike CPU time
# it does not move with the machine's load, which makes small changes visible on a shared machine.
# It weighs memory work by instructions, not by time (a long memset counts as many). Needs
# valgrind (for measuring only: the project does not depend on it).
#
#   bench/callgrind_keys.sh [BUILD_DIR] [CASE]      # CASE: a --benchmark_filter, default the line with room
#   bench/callgrind_keys.sh build 'Keystroke_demo/'
#   KEY_SECONDS=20 bench/callgrind_keys.sh build 'Keystroke_demo/'   # ~900 keys instead of ~70
#
# A case runs for 2 seconds of CPU time, about 70 keys under callgrind; the first keys after each
# round's opening measure texts and fill caches, and weigh in at that count. KEY_SECONDS runs it
# longer (TS2_BENCH_KEY_SECONDS), counting the steady keys; it takes about 5 s a second.
set -euo pipefail
build=$(realpath "${1:-build}")
filter=${2:-Keystroke_demo_fitting}
out=$(mktemp)
trap 'rm -f "$out"' EXIT
TS2_BENCH_KEY_SECONDS=${KEY_SECONDS:-2} valgrind --tool=callgrind --callgrind-out-file="$out" --toggle-collect='*EditorKey*' \
  --toggle-collect='*BareKey*' "$build/bench/ts2_qt_editor_bench" --benchmark_filter="$filter" >/dev/null 2>&1
callgrind_annotate --inclusive=yes "$out" 2>/dev/null |
  awk -v filter="$filter" '
    /::EditorKey\(/ && !editor { gsub(",", "", $1); editor = $1 }
    /::BareKey\(/ && !bare { gsub(",", "", $1); bare = $1 }
    END {
      if (!editor || !bare) { print "no keys counted" > "/dev/stderr"; exit 1 }
      printf "%s: editor %d, bare %d instructions (all keys); ratio %.3f\n", filter, editor, bare, editor / bare
    }'
