#!/usr/bin/env bash
# Regenerates the pictures in docs/ from the demo set, under a virtual X server (96 dpi, no
# window manager), with settings of their own (nothing of the user's is read or kept):
#   docs/screenshot.png         the demo open in the editor, as README.md shows it
#   docs/screenshot-typing.png  another string selected and its translation edited
#   docs/screenshot-zoom.png    both boxes scrolled with the keys, then Zoom in x 2
#   docs/screenshot-kana.png    the Kana Text window open on a string's original text, selected
# The last three drive the real windows with xdotool clicks and keys.
#   scripts/readme-screenshot.sh [-b BUILD_DIR]
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir="${BUILD_DIR:-$here/build}"
if [[ "${1:-}" == "-b" ]]; then build_dir="$2"; fi
tool="$build_dir/src/ts2tool"
if [[ ! -x "$tool" ]]; then
  echo "readme-screenshot.sh: no ts2tool at $tool (build it, or pass -b BUILD_DIR)" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The editor's settings (XDG_CONFIG_HOME) and autosaves (XDG_STATE_HOME), and what Qt and
# fontconfig cache or keep (XDG_CACHE_HOME, XDG_DATA_HOME), go to the scratch folder: a run leaves
# nothing in the user's home.
export XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" XDG_CACHE_HOME="$work/cache" \
       XDG_DATA_HOME="$work/data"
mkdir -p "$here/docs"

# A fresh demo set each time: the editor writes the new translation files into its Dumps.
shoot() {
  local out="$1" screen="$2" commands="$3"
  rm -rf "$work/demo"
  "$tool" demo "$work/demo" >/dev/null
  "$here/scripts/screenshot.sh" -b "$build_dir" -s "$screen" -o "$out" -e "$commands" -- \
    "$work/demo/demo.sfc" "$work/demo/demo.txt" >/dev/null
  echo "$out"
}

# The windows as laid out: the main window at (10, 21), 320 wide; the Text Editor beside it at
# x 332; the List Data window below that from y 324, with pList's 14-pixel lines from x 492.
string_line() { echo $((324 + 14 * $1 + 7)); }

shoot "$here/docs/screenshot.png" 660x420 ""

# String 2, then the end of its section's first text line (the section is scrolled to the top
# of the editor), and a few words typed there.
shoot "$here/docs/screenshot-typing.png" 660x420 "
  xdotool mousemove 528 $(string_line 2) click 1; sleep 0.7
  xdotool mousemove 480 28 click 1; sleep 0.3
  xdotool key Down End; xdotool type --delay 60 ' Salut!'"

# String 3; Shift+Down and Ctrl+Down on the main window scroll both boxes by 16 rows; then
# Zoom in x 2 from the Window menu (on the menu bar's second row), opened with Alt+W.
shoot "$here/docs/screenshot-zoom.png" 980x580 "
  xdotool mousemove 528 $(string_line 3) click 1; sleep 0.7
  xdotool mousemove 150 100 click 1; sleep 0.3
  xdotool key shift+Down ctrl+Down; sleep 0.3
  xdotool key alt+w; sleep 0.5
  xdotool key Down Return"

# String 3, whose original text has kana; View > Display Kana Text Dump (Ctrl+K) on the main
# window opens the Kana Text window below it (from y 337), and a triple click there selects the
# text line.
shoot "$here/docs/screenshot-kana.png" 660x424 "
  xdotool mousemove 528 $(string_line 3) click 1; sleep 0.7
  xdotool mousemove 150 100 click 1; sleep 0.3
  xdotool key ctrl+k; sleep 0.5
  xdotool mousemove 40 347 click --repeat 3 --delay 80 1"
