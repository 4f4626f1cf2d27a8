#!/bin/bash
# The keystroke as a translator types it: the real ts2edit under Xvfb, keys typed through X with
# xdotool into the Text Editor (a letter, then Backspace, ~80 keys a second), and the CPU time of
# the editor's process (all its threads) per key; then the same keys typed the same way into
# ts2_bare_editor (a bare QPlainTextEdit with the same text, font and size). Both on the demo
# set's translation file, the caret at the end of string 0's line. Needs Xvfb and xdotool (for
# measuring only: the project does not depend on them).
#
#   bench/x_keystrokes.sh [BUILD_DIR] [KEYS] [RUNS]
#   TS2_EDIT=/path/to/other/ts2edit bench/x_keystrokes.sh ...   # another build's editor
#   WORD=6 bench/x_keystrokes.sh ...   # 6 letters, then 6 Backspaces: a word typed past the line
set -euo pipefail
build=$(realpath "${1:-build}")
keys=${2:-400}
runs=${3:-3}
work=$(mktemp -d)
display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export DISPLAY=$display QT_QPA_PLATFORM=xcb
sleep 1
"$build/src/ts2tool" demo "$work/demo" >/dev/null
cd "$work/demo"

cpu_ns() {  # CPU time of every thread of process $1 so far
  cat /proc/"$1"/task/*/schedstat | awk '{s += $1} END {print s}'
}

# The key sequence: x BackSpace x BackSpace ..., or WORD letters and as many Backspaces.
word=${WORD:-1}
sequence=$(for ((i = 0; i < keys / (2 * word); ++i)); do
  for ((k = 0; k < word; ++k)); do printf 'x '; done
  for ((k = 0; k < word; ++k)); do printf 'BackSpace '; done
done)
keys=$((keys / (2 * word) * 2 * word))

type_into() {  # pid window: types the keys, prints the process's CPU microseconds per key
  local pid=$1 window=$2
  sleep 0.5
  local before after
  before=$(cpu_ns "$pid")
  # shellcheck disable=SC2086
  xdotool key --delay 12 $sequence  # XTEST: to the window under the pointer, as typed
  sleep 0.5  # what the last keys left for later
  after=$(cpu_ns "$pid")
  echo $(((after - before) / keys / 1000))
}

for ((run = 0; run < runs; ++run)); do
  "${TS2_EDIT:-$build/src/ts2edit}" demo.sfc demo.txt >/dev/null 2>&1 &
  editor=$!
  pids+=("$editor")
  text=$(xdotool search --sync --name '^Text Editor$' | head -1)
  lists=$(xdotool search --sync --name '^List Data$' | head -1)
  sleep 2
  # String 0 chosen in the string list (the list's right half, its first line), then the caret
  # put at the end of its translation's line (line 7 of the file).
  xdotool mousemove --window "$lists" 240 7 click 1
  sleep 0.5
  xdotool mousemove --window "$text" 100 100 click 1
  xdotool key ctrl+Home Down Down Down Down Down Down End
  editorUs=$(type_into "$editor" "$text")
  kill "$editor"
  wait "$editor" 2>/dev/null || true

  "$build/bench/ts2_bare_editor" Dumps/000A0000.txt &
  bare=$!
  pids+=("$bare")
  window=$(xdotool search --sync --name '^Bare Editor$' | head -1)
  sleep 1
  xdotool mousemove --window "$window" 100 100 click 1
  xdotool key ctrl+Home Down Down Down Down Down Down End
  bareUs=$(type_into "$bare" "$window")
  kill "$bare"
  wait "$bare" 2>/dev/null || true
  echo "run $run: ts2edit $editorUs us/key, bare QPlainTextEdit $bareUs us/key, ratio $(awk "BEGIN {printf \"%.2f\", $editorUs / $bareUs}")"
done
