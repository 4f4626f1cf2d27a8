#!/usr/bin/env bash
# Starts ts2edit on a private X server with a window manager (Xvfb and openbox), with settings
# that place the main window, the Text Editor and List Data, and checks that each window's frame,
# title bar included, is where the settings say: the places are saved as the frames' places, so
# taking them back as anything else moves the windows at every start.
#   scripts/check-window-places.sh BUILD_DIR
# Exit 77 (a skip for CTest) when Xvfb, openbox, xwininfo or xprop is missing.
set -euo pipefail

if [[ $# -ne 1 ]]; then
  echo "usage: scripts/check-window-places.sh BUILD_DIR" >&2
  exit 2
fi
editor="$1/src/ts2edit"
for tool in Xvfb openbox xwininfo xprop; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/config/ts2edit"
cat >"$work/config/ts2edit/ts2edit.conf" <<'CONF'
[windows]
myForm="50,30"
TxtForm="400,30,318,300,1"
cmForm="400,400,320,88,1"
CONF
declare -A expected=(["Script Editor: Tormel Saragon 2"]="50,30" ["Text Editor"]="400,30" ["List Data"]="400,400")

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [[ -s "$work/display" ]] && break; sleep 0.1; done
[[ -s "$work/display" ]] || { echo "Xvfb did not start" >&2; exit 1; }
DISPLAY=":$(head -n1 "$work/display")"
export DISPLAY
openbox >/dev/null 2>&1 &
pids+=($!)
# The window manager is up once it has named its check window on the root window.
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.1
done

XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" QT_QPA_PLATFORM=xcb "$editor" >/dev/null 2>&1 &
pids+=($!)

root=$(xwininfo -root | awk '/Window id:/{print $4}')
# The top-left corner of a window's frame: the window manager's window that holds it.
frame_of() {
  local id parent
  id=$(xwininfo -name "$1" 2>/dev/null | awk '/Window id:/{print $4}') || return 1
  [[ -n "$id" ]] || return 1
  parent=$(xwininfo -tree -id "$id" | awk '/Parent window id:/{print $4}')
  [[ "$parent" != "$root" ]] || { echo "not framed yet"; return 0; }
  while :; do
    parent=$(xwininfo -tree -id "$id" | awk '/Parent window id:/{print $4}')
    [[ "$parent" == "$root" ]] && break
    id=$parent
  done
  xwininfo -id "$id" | awk '/Absolute upper-left X/{x=$4}/Absolute upper-left Y/{y=$4}END{print x "," y}'
}

# The windows are framed a moment after they are shown: wait until each frame has settled.
report=""
for _ in $(seq 100); do
  report=""
  wrong=0
  for name in "${!expected[@]}"; do
    at=$(frame_of "$name" || echo "none")
    report+="$name: frame at $at, expected ${expected[$name]}"$'\n'
    [[ "$at" == "${expected[$name]}" ]] || wrong=1
  done
  [[ $wrong -eq 0 ]] && { printf '%s' "$report"; exit 0; }
  sleep 0.2
done
printf '%s' "$report" >&2
exit 1
