#!/usr/bin/env bash
# Starts ts2edit under a virtual X server with the given arguments, waits, optionally runs
# commands against the running editor (xdotool clicks and keys, further captures), and saves a
# PNG of the whole screen.
#   scripts/screenshot.sh [-o OUT.png] [-w SECONDS] [-b BUILD_DIR] [-s WIDTHxHEIGHT]
#                         [-e COMMANDS] [-- ts2edit arguments...]
# COMMANDS run in bash inside the virtual display once the wait is over; `shot FILE.png` in them
# captures the screen at that moment. The final capture follows them after a short pause.
set -euo pipefail

out=ts2edit-screenshot.png
wait_s=3
build_dir="${BUILD_DIR:-$(cd "$(dirname "$0")/.." && pwd)/build}"
screen=1024x768
commands=
while [[ $# -gt 0 ]]; do
  case "$1" in
    -o) out="$2"; shift 2 ;;
    -w) wait_s="$2"; shift 2 ;;
    -b) build_dir="$2"; shift 2 ;;
    -s) screen="$2"; shift 2 ;;
    -e) commands="$2"; shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done

editor="$build_dir/src/ts2edit"
if [[ ! -x "$editor" ]]; then
  echo "screenshot.sh: no ts2edit at $editor (build it, or pass -b BUILD_DIR)" >&2
  exit 1
fi

missing=()
command -v xvfb-run >/dev/null || missing+=(xvfb)
command -v xauth >/dev/null || missing+=(xauth)
command -v import >/dev/null || missing+=(imagemagick)
# The Kana Text window shows Japanese text: a font that has it.
fc-list 2>/dev/null | grep -qi "IPAGothic" || missing+=(fonts-ipafont-gothic)
if [[ -n "$commands" ]] && ! command -v xdotool >/dev/null; then missing+=(xdotool); fi
if [[ ${#missing[@]} -gt 0 ]]; then
  # As scripts/setup.sh installs: as root directly, otherwise through sudo, never asking.
  apt=(env DEBIAN_FRONTEND=noninteractive apt-get)
  [[ "$(id -u)" -ne 0 ]] && apt=(sudo "${apt[@]}")
  "${apt[@]}" update -qq && "${apt[@]}" install -y -qq "${missing[@]}" >/dev/null
fi

out="$(realpath -m "$out")"
# Inside the virtual display: start the editor, give it time to draw, run the commands,
# capture, stop it.
xvfb-run -a -s "-screen 0 ${screen}x24 -dpi 96" bash -c '
  shot() { import -window root "$1"; }
  "$1" "${@:5}" &
  pid=$!
  sleep "$2"
  if [[ -n "$4" ]]; then
    eval "$4"
    sleep 1
  fi
  shot "$3"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
' _ "$editor" "$wait_s" "$out" "$commands" "$@"
echo "$out"
